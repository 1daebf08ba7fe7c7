// Running out of memory inside the D3DX entry points: each allocation fails
// in turn, and every call gives its success or E_OUTOFMEMORY, lets nothing
// escape and keeps nothing.
#include <gtest/gtest.h>

#include <filesystem>

#include "platform/portable/d3d9/managed_resources.h"
#include "platform/portable/d3d9/null_device.h"
#include "tests/portable/allocation_failure.h"
#include "tests/portable/d3dx/test_files.h"

namespace portable {

// The device side of managed meshes: nothing is drawn here, and nothing is
// recorded that would allocate.
HRESULT DrawMeshSubset(IDirect3DDevice9*, MeshData&, DWORD) { return D3D_OK; }
void ReleaseGpuObjects(GpuObjects&) {}
UINT MaxTextureSide(IDirect3DDevice9*) { return kMaxTextureSide; }

namespace {

std::wstring ShippedModel(const char* name) { return Wide(std::filesystem::path(WALKTHROUGH_MODELS_DIR) / name); }

TEST(D3dxOutOfMemory, AShippedModelLoadsOrGivesEOutOfMemoryWhicheverAllocationFails)
{
    const std::wstring path = ShippedModel("Crate/Crate.x");
    NullDevice device;
    const auto load = [&](ID3DXMesh*& mesh, ID3DXBuffer*& materials, ID3DXBuffer*& adjacency, DWORD& count) {
        return D3DXLoadMeshFromXW(path.c_str(), D3DXMESH_MANAGED, &device, &adjacency, &materials, nullptr, &count,
                                  &mesh);
    };
    // Once through first: the process's one-time allocations (the built-in templates) are made.
    {
        ID3DXMesh* mesh = nullptr;
        ID3DXBuffer* materials = nullptr;
        ID3DXBuffer* adjacency = nullptr;
        DWORD count = 0;
        ASSERT_EQ(load(mesh, materials, adjacency, count), D3D_OK);
        mesh->Release();
        materials->Release();
        adjacency->Release();
    }
    const int runs = RunWithEachAllocationFailing([&] {
        const long before = LiveAllocations();
        ID3DXMesh* mesh = nullptr;
        ID3DXBuffer* materials = nullptr;
        ID3DXBuffer* adjacency = nullptr;
        DWORD count = 0;
        const HRESULT result = load(mesh, materials, adjacency, count);
        if (result == D3D_OK) {
            EXPECT_EQ(count, 1u);
            mesh->Release();
            materials->Release();
            adjacency->Release();
        } else {
            EXPECT_EQ(result, E_OUTOFMEMORY);
            EXPECT_EQ(mesh, nullptr);
            EXPECT_EQ(materials, nullptr);
            EXPECT_EQ(adjacency, nullptr);
        }
        EXPECT_EQ(LiveAllocations(), before);
        EXPECT_EQ(device.references, 1u);
    });
    EXPECT_GT(runs, 10) << "the load makes allocations to fail";
}

TEST(D3dxOutOfMemory, LocksAndBuffersSucceedOrFailWithoutATrace)
{
    ScratchFolder folder;
    const std::wstring path = Wide(folder.Write("sample.x", kSampleModel));
    NullDevice device;
    ID3DXMesh* mesh = nullptr;
    ASSERT_EQ(D3DXLoadMeshFromXW(path.c_str(), D3DXMESH_MANAGED, &device, nullptr, nullptr, nullptr, nullptr, &mesh),
              D3D_OK);

    struct Call {
        const char* name;
        HRESULT (*attempt)(ID3DXMesh* mesh); // undoes what it did when it succeeded
        HRESULT (*unlock)(ID3DXMesh* mesh);  // null: nothing stays locked
    };
    const Call kCalls[] = {
        {"vertex lock",
         [](ID3DXMesh* m) {
             void* data = nullptr;
             const HRESULT result = m->LockVertexBuffer(0, &data);
             if (result == D3D_OK) {
                 EXPECT_EQ(m->UnlockVertexBuffer(), D3D_OK);
             }
             return result;
         },
         [](ID3DXMesh* m) { return m->UnlockVertexBuffer(); }},
        {"index lock",
         [](ID3DXMesh* m) {
             void* data = nullptr;
             const HRESULT result = m->LockIndexBuffer(0, &data);
             if (result == D3D_OK) {
                 EXPECT_EQ(m->UnlockIndexBuffer(), D3D_OK);
             }
             return result;
         },
         [](ID3DXMesh* m) { return m->UnlockIndexBuffer(); }},
        {"buffer",
         [](ID3DXMesh*) {
             ID3DXBuffer* buffer = nullptr;
             const HRESULT result = D3DXCreateBuffer(64, &buffer);
             if (result == D3D_OK) buffer->Release();
             return result;
         },
         nullptr},
    };
    for (const Call& call : kCalls) {
        RunWithEachAllocationFailing([&] {
            const long before = LiveAllocations();
            const HRESULT result = call.attempt(mesh);
            EXPECT_TRUE(result == D3D_OK || result == E_OUTOFMEMORY) << call.name << ": " << std::hex << result;
            // A lock that failed left nothing locked.
            if (call.unlock != nullptr) {
                EXPECT_EQ(call.unlock(mesh), D3DERR_INVALIDCALL) << call.name;
            }
            EXPECT_EQ(LiveAllocations(), before) << call.name;
        });
    }
    mesh->Release();
    EXPECT_EQ(device.references, 1u);
}

} // namespace

} // namespace portable
