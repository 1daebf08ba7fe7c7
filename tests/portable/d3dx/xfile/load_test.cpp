// D3DXLoadMeshFromXW and the mesh object it makes.
#include <gtest/gtest.h>

#include <cstring>

#include "platform/portable/d3dx/xfile/limits.h"
#include "tests/portable/d3dx/test_device.h"
#include "tests/portable/d3dx/test_files.h"
#include "tests/portable/d3dx/xfile/encoded_files.h"

using namespace portable;

namespace {

struct MeshLoad : ::testing::Test {
    ScratchFolder folder;
    TestDevice device;
    ID3DXMesh* mesh = nullptr;
    ID3DXBuffer* materials = nullptr;
    DWORD materialCount = 0;

    void SetUp() override
    {
        RecordedDraws().clear();
        RecordedGpuReleases().clear();
    }
    void TearDown() override
    {
        if (materials != nullptr) materials->Release();
        if (mesh != nullptr) mesh->Release();
        EXPECT_EQ(device.references, 1u) << "the mesh gives back its device reference";
    }

    HRESULT Load(const std::wstring& path)
    {
        return D3DXLoadMeshFromXW(path.c_str(), D3DXMESH_MANAGED, &device, nullptr, &materials, nullptr, &materialCount,
                                  &mesh);
    }
};

TEST_F(MeshLoad, GivesTheMeshMaterialsAndCount)
{
    ASSERT_EQ(Load(Wide(folder.Write("sample.x", kSampleModel))), D3D_OK);
    ASSERT_NE(mesh, nullptr);
    EXPECT_EQ(mesh->GetNumVertices(), 5u);
    EXPECT_EQ(mesh->GetNumFaces(), 4u);
    EXPECT_EQ(mesh->GetFVF(), static_cast<DWORD>(D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_DIFFUSE | D3DFVF_TEX1));
    EXPECT_EQ(mesh->GetNumBytesPerVertex(), 36u);
    EXPECT_EQ(mesh->GetOptions(), static_cast<DWORD>(D3DXMESH_MANAGED));
    EXPECT_EQ(device.references, 2u);

    ASSERT_EQ(materialCount, 2u);
    ASSERT_NE(materials, nullptr);
    // The records, then the names they point at, all in the buffer.
    EXPECT_EQ(materials->GetBufferSize(), 2 * sizeof(D3DXMATERIAL) + sizeof("red.bmp"));
    const auto* records = static_cast<const D3DXMATERIAL*>(materials->GetBufferPointer());
    const char* base = static_cast<const char*>(materials->GetBufferPointer());
    ASSERT_NE(records[0].pTextureFilename, nullptr);
    EXPECT_EQ(records[0].pTextureFilename, base + 2 * sizeof(D3DXMATERIAL));
    EXPECT_STREQ(records[0].pTextureFilename, "red.bmp");
    EXPECT_EQ(records[0].MatD3D.Diffuse.r, 1.0f);
    EXPECT_EQ(records[0].MatD3D.Power, 5.0f);
    EXPECT_EQ(records[1].pTextureFilename, nullptr);
    EXPECT_EQ(records[1].MatD3D.Diffuse.b, 1.0f);
    EXPECT_EQ(records[1].MatD3D.Diffuse.a, 0.5f);
    EXPECT_EQ(records[1].MatD3D.Emissive.g, 0.125f);
}

TEST_F(MeshLoad, EveryEncodingLoadsFromAFile)
{
    for (const std::string& file :
         {XTextToBinary(kSampleModel), XCompress(kSampleModel), XCompress(XTextToBinary(kSampleModel, 64), 100)}) {
        ASSERT_EQ(Load(Wide(folder.Write("encoded.x", file))), D3D_OK);
        EXPECT_EQ(mesh->GetNumFaces(), 4u);
        EXPECT_EQ(materialCount, 2u);
        mesh->Release();
        materials->Release();
        mesh = nullptr;
        materials = nullptr;
    }
}

TEST_F(MeshLoad, DrawSubsetHandsTheSubsetToTheDevice)
{
    ASSERT_EQ(Load(Wide(folder.Write("sample.x", kSampleModel))), D3D_OK);
    for (DWORD i = 0; i < materialCount; ++i) EXPECT_EQ(mesh->DrawSubset(i), D3D_OK);
    ASSERT_EQ(RecordedDraws().size(), 2u);
    EXPECT_EQ(RecordedDraws()[0].device, &device);
    EXPECT_EQ(RecordedDraws()[1].attribId, 1u);
    const MeshData* data = RecordedDraws()[0].mesh;
    ASSERT_NE(data, nullptr);
    EXPECT_EQ(data->attributeTable.size(), 2u);

    mesh->Release();
    mesh = nullptr;
    ASSERT_EQ(RecordedGpuReleases().size(), 1u);
    EXPECT_EQ(RecordedGpuReleases()[0], &data->gpu);
}

TEST_F(MeshLoad, LocksShowTheD3dxLayouts)
{
    ASSERT_EQ(Load(Wide(folder.Write("sample.x", kSampleModel))), D3D_OK);
    void* vertices = nullptr;
    ASSERT_EQ(mesh->LockVertexBuffer(D3DLOCK_READONLY, &vertices), D3D_OK);
    // Vertex 4: position, normal, diffuse, texture coordinates.
    const auto* bytes = static_cast<const uint8_t*>(vertices) + 4 * 36;
    float position[3], normal[3], texcoord[2];
    D3DCOLOR diffuse;
    std::memcpy(position, bytes, 12);
    std::memcpy(normal, bytes + 12, 12);
    std::memcpy(&diffuse, bytes + 24, 4);
    std::memcpy(texcoord, bytes + 28, 8);
    EXPECT_FLOAT_EQ(position[0], 3.0f);
    EXPECT_FLOAT_EQ(normal[2], -1.0f);
    EXPECT_EQ(diffuse, D3DCOLOR_ARGB(128, 255, 0, 64));
    EXPECT_EQ(texcoord[0], 0.5f);
    EXPECT_EQ(mesh->UnlockVertexBuffer(), D3D_OK);
    EXPECT_EQ(mesh->UnlockVertexBuffer(), D3DERR_INVALIDCALL);

    void* indices = nullptr;
    ASSERT_EQ(mesh->LockIndexBuffer(D3DLOCK_READONLY, &indices), D3D_OK);
    const auto* words = static_cast<const uint16_t*>(indices);
    EXPECT_EQ(std::vector<uint16_t>(words, words + 12), (std::vector<uint16_t>{0, 4, 1, 0, 1, 2, 0, 2, 3, 1, 4, 2}));
    EXPECT_EQ(mesh->UnlockIndexBuffer(), D3D_OK);

    DWORD* attributes = nullptr;
    ASSERT_EQ(mesh->LockAttributeBuffer(D3DLOCK_READONLY, &attributes), D3D_OK);
    EXPECT_EQ(std::vector<DWORD>(attributes, attributes + 4), (std::vector<DWORD>{0, 1, 1, 1}));
    EXPECT_EQ(mesh->UnlockAttributeBuffer(), D3D_OK);

    // As D3DX: the faces come sorted by attribute, yet a loaded mesh has no attribute table.
    DWORD size = 99;
    ASSERT_EQ(mesh->GetAttributeTable(nullptr, &size), D3D_OK);
    EXPECT_EQ(size, 0u);
}

TEST_F(MeshLoad, WritingThroughALockChangesTheMeshAndDropsItsUpload)
{
    ASSERT_EQ(Load(Wide(folder.Write("sample.x", kSampleModel))), D3D_OK);
    void* vertices = nullptr;
    ASSERT_EQ(mesh->LockVertexBuffer(0, &vertices), D3D_OK);
    const float moved = 42.0f;
    std::memcpy(vertices, &moved, 4);
    ASSERT_EQ(mesh->UnlockVertexBuffer(), D3D_OK);
    EXPECT_EQ(RecordedGpuReleases().size(), 1u);

    void* indices = nullptr;
    ASSERT_EQ(mesh->LockIndexBuffer(0, &indices), D3D_OK);
    static_cast<uint16_t*>(indices)[0] = 3;
    ASSERT_EQ(mesh->UnlockIndexBuffer(), D3D_OK);
    EXPECT_EQ(RecordedGpuReleases().size(), 2u);

    mesh->DrawSubset(0);
    ASSERT_EQ(RecordedDraws().size(), 1u);
    const MeshData& data = *RecordedDraws()[0].mesh;
    EXPECT_EQ(data.vertices[0].position[0], 42.0f);
    EXPECT_EQ(data.indices[0], 3u);

    // A writable attribute lock may reorder faces: the table goes, as in D3DX.
    DWORD* attributes = nullptr;
    ASSERT_EQ(mesh->LockAttributeBuffer(0, &attributes), D3D_OK);
    ASSERT_EQ(mesh->UnlockAttributeBuffer(), D3D_OK);
    DWORD size = 99;
    ASSERT_EQ(mesh->GetAttributeTable(nullptr, &size), D3D_OK);
    EXPECT_EQ(size, 0u);
}

TEST_F(MeshLoad, BadCallsAndFilesGiveD3dxCodes)
{
    const std::wstring good = Wide(folder.Write("sample.x", kSampleModel));
    EXPECT_EQ(D3DXLoadMeshFromXW(good.c_str(), D3DXMESH_MANAGED, nullptr, nullptr, &materials, nullptr, &materialCount,
                                 &mesh),
              D3DERR_INVALIDCALL);
    EXPECT_EQ(
        D3DXLoadMeshFromXW(nullptr, D3DXMESH_MANAGED, &device, nullptr, &materials, nullptr, &materialCount, &mesh),
        D3DERR_INVALIDCALL);
    EXPECT_EQ(D3DXLoadMeshFromXW(good.c_str(), D3DXMESH_MANAGED, &device, nullptr, &materials, nullptr, &materialCount,
                                 nullptr),
              D3DERR_INVALIDCALL);
    EXPECT_EQ(Load(Wide(folder.path / "missing.x")), D3DXERR_INVALIDDATA);
    EXPECT_EQ(Load(Wide(folder.path)), D3DXERR_INVALIDDATA);
    EXPECT_EQ(Load(Wide(folder.Write("empty.x", ""))), D3DXERR_INVALIDDATA);
    EXPECT_EQ(Load(Wide(folder.Write("text.x", "just some words\n"))), D3DXFERR_BADFILETYPE);
    EXPECT_EQ(mesh, nullptr);
    EXPECT_EQ(materials, nullptr);
}

TEST_F(MeshLoad, WindowsStylePathsFindTheFileWhateverTheCase)
{
    folder.Write("Models/Crate/Crate.x", kSampleModel);
    const std::wstring path = Wide(folder.path) + L"\\models\\CRATE\\crate.X";
    ASSERT_EQ(Load(path), D3D_OK);
    EXPECT_EQ(mesh->GetNumFaces(), 4u);
}

TEST_F(MeshLoad, AdjacencyAndNoMaterialOutputsWork)
{
    const std::wstring path = Wide(folder.Write("sample.x", kSampleModel));
    ID3DXBuffer* adjacency = nullptr;
    ID3DXBuffer* effects = reinterpret_cast<ID3DXBuffer*>(1);
    ASSERT_EQ(
        D3DXLoadMeshFromXW(path.c_str(), D3DXMESH_MANAGED, &device, &adjacency, nullptr, &effects, nullptr, &mesh),
        D3D_OK);
    // One effect instance per material, even without the materials asked for.
    ASSERT_NE(effects, nullptr);
    const auto* instance = static_cast<const D3DXEFFECTINSTANCE*>(effects->GetBufferPointer());
    EXPECT_EQ(instance[0].pEffectFilename, nullptr);
    ASSERT_GE(instance[0].NumDefaults, 5u);
    EXPECT_STREQ(instance[0].pDefaults[0].pParamName, "Diffuse");
    EXPECT_EQ(effects->Release(), 0u);
    ASSERT_NE(adjacency, nullptr);
    ASSERT_EQ(adjacency->GetBufferSize(), 4 * 3 * sizeof(DWORD));
    const auto* links = static_cast<const DWORD*>(adjacency->GetBufferPointer());
    // Face 1 (0,1,2) and face 2 (0,2,3) share the quad's diagonal.
    EXPECT_EQ(links[1 * 3 + 2], 2u);
    EXPECT_EQ(links[2 * 3 + 0], 1u);
    EXPECT_EQ(adjacency->AddRef(), 2u);
    EXPECT_EQ(adjacency->Release(), 1u);
    EXPECT_EQ(adjacency->Release(), 0u);
}

} // namespace
