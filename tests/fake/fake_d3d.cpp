// Fake Direct3D 9 and D3DX: recorded device calls and scripted results.
#include <cstdio>
#include <cstring>

#include "platform/portable/win32/com_object.h"
#include "tests/fake/fake_platform.h"

using fake::Ascii;
using fake::State;

namespace {
void Record(const std::string& call) { State().calls.push_back(call); }

std::string Hex(DWORD value)
{
    char text[16];
    std::snprintf(text, sizeof text, "%08x", static_cast<unsigned>(value));
    return text;
}

HRESULT Next(std::deque<HRESULT>& script, HRESULT otherwise)
{
    if (script.empty()) return otherwise;
    const HRESULT result = script.front();
    script.pop_front();
    return result;
}

// Every fake object counts as live until its last Release, which is recorded.
template <typename Interface>
struct Counted : portable::RefCounted<Interface> {
    std::string name;

    explicit Counted(std::string objectName) : name(std::move(objectName)) { ++State().liveObjects; }
    ~Counted() override
    {
        Record("Release(" + name + ")");
        --State().liveObjects;
    }
};

struct FakeTexture final : Counted<IDirect3DTexture9> {
    using Counted::Counted;
    DWORD GetLevelCount() override { return 1; }
};

struct FakeBuffer final : Counted<ID3DXBuffer> {
    std::vector<unsigned char> bytes;
    using Counted::Counted;
    void* GetBufferPointer() override { return bytes.data(); }
    DWORD GetBufferSize() override { return static_cast<DWORD>(bytes.size()); }
};

struct FakeMesh final : Counted<ID3DXMesh> {
    using Counted::Counted;
    HRESULT DrawSubset(DWORD attribId) override
    {
        Record("DrawSubset(" + name + "," + std::to_string(attribId) + ")");
        return D3D_OK;
    }
    DWORD GetNumFaces() override { return 0; }
    DWORD GetNumVertices() override { return 0; }
    DWORD GetFVF() override { return D3DFVF_XYZ; }
    DWORD GetNumBytesPerVertex() override { return 12; }
    DWORD GetOptions() override { return D3DXMESH_MANAGED; }
    HRESULT LockVertexBuffer(DWORD, LPVOID*) override { return D3DERR_INVALIDCALL; }
    HRESULT UnlockVertexBuffer() override { return D3DERR_INVALIDCALL; }
    HRESULT LockIndexBuffer(DWORD, LPVOID*) override { return D3DERR_INVALIDCALL; }
    HRESULT UnlockIndexBuffer() override { return D3DERR_INVALIDCALL; }
    HRESULT GetAttributeTable(D3DXATTRIBUTERANGE*, DWORD* size) override
    {
        *size = 0;
        return D3D_OK;
    }
    HRESULT LockAttributeBuffer(DWORD, DWORD**) override { return D3DERR_INVALIDCALL; }
    HRESULT UnlockAttributeBuffer() override { return D3DERR_INVALIDCALL; }
};

struct FakeFont final : Counted<ID3DXFont> {
    FakeFont() : Counted("Font") { ++State().liveFonts; }
    ~FakeFont() override { --State().liveFonts; }
    INT DrawTextW(ID3DXSprite* sprite, LPCWSTR text, INT count, LPRECT rect, DWORD format, D3DCOLOR color) override
    {
        Record("DrawTextW(" + Ascii(text) + "|" + std::to_string(count) + "|" + std::to_string(rect->left) + ","
               + std::to_string(rect->top) + "," + std::to_string(rect->right) + "," + std::to_string(rect->bottom)
               + "|" + std::to_string(format) + "|" + Hex(color) + (sprite ? "|sprite" : "") + ")");
        return 18;
    }
};

struct FakeDevice final : Counted<IDirect3DDevice9> {
    FakeDevice() : Counted("Device") {}
    bool inScene = false;

    HRESULT TestCooperativeLevel() override
    {
        Record("TestCooperativeLevel");
        return Next(State().cooperativeResults, D3D_OK);
    }
    HRESULT Reset(D3DPRESENT_PARAMETERS* parameters) override
    {
        Record("Reset");
        // As Direct3D: no reset while default-pool resources such as a font's are alive.
        if (State().liveFonts > 0) return D3DERR_INVALIDCALL;
        if (std::memcmp(parameters, &State().createdWith, sizeof(D3DPRESENT_PARAMETERS)) != 0)
            return D3DERR_INVALIDCALL;
        return Next(State().resetResults, D3D_OK);
    }
    HRESULT Present(const RECT* source, const RECT* dest, HWND window, const RGNDATA* region) override
    {
        Record(source || dest || window || region ? "Present(args)" : "Present");
        return Next(State().presentResults, D3D_OK);
    }
    HRESULT BeginScene() override
    {
        Record("BeginScene");
        if (inScene) return D3DERR_INVALIDCALL;
        const HRESULT result = Next(State().beginSceneResults, D3D_OK);
        inScene = SUCCEEDED(result);
        return result;
    }
    HRESULT EndScene() override
    {
        Record("EndScene");
        if (!inScene) return D3DERR_INVALIDCALL;
        inScene = false;
        return D3D_OK;
    }
    HRESULT Clear(DWORD count, const D3DRECT* rects, DWORD flags, D3DCOLOR color, float z, DWORD stencil) override
    {
        char text[96];
        std::snprintf(text, sizeof text, "Clear(%u,%s,%u,%s,%g,%u)", static_cast<unsigned>(count),
                      rects ? "rects" : "null", static_cast<unsigned>(flags), Hex(color).c_str(),
                      static_cast<double>(z), static_cast<unsigned>(stencil));
        Record(text);
        return D3D_OK;
    }
    HRESULT SetTransform(D3DTRANSFORMSTATETYPE state, const D3DMATRIX* matrix) override
    {
        Record("SetTransform("
               + fake::Named(
                   static_cast<unsigned>(state),
                   {{D3DTS_VIEW, "D3DTS_VIEW"}, {D3DTS_PROJECTION, "D3DTS_PROJECTION"}, {D3DTS_WORLD, "D3DTS_WORLD"}})
               + ")");
        if (state == D3DTS_WORLD) State().worldTransforms.push_back(*matrix);
        if (state == D3DTS_VIEW) State().viewTransform = *matrix;
        if (state == D3DTS_PROJECTION) State().projectionTransform = *matrix;
        return D3D_OK;
    }
    HRESULT SetMaterial(const D3DMATERIAL9* material) override
    {
        Record("SetMaterial");
        State().materialsSet.push_back(*material);
        return D3D_OK;
    }
    HRESULT SetRenderState(D3DRENDERSTATETYPE state, DWORD value) override
    {
        Record("SetRenderState("
               + fake::Named(static_cast<unsigned>(state),
                             {{D3DRS_ZENABLE, "D3DRS_ZENABLE"},
                              {D3DRS_ZWRITEENABLE, "D3DRS_ZWRITEENABLE"},
                              {D3DRS_LIGHTING, "D3DRS_LIGHTING"},
                              {D3DRS_AMBIENT, "D3DRS_AMBIENT"}})
               + "," + (value < 0x10000 ? std::to_string(value) : fake::Named(value, {})) + ")");
        return D3D_OK;
    }
    HRESULT SetTexture(DWORD stage, IDirect3DBaseTexture9* texture) override
    {
        const std::string textureName = texture ? static_cast<FakeTexture*>(texture)->name : std::string("null");
        Record("SetTexture(" + std::to_string(stage) + "," + textureName + ")");
        return D3D_OK;
    }
    HRESULT SetSamplerState(DWORD sampler, D3DSAMPLERSTATETYPE type, DWORD value) override
    {
        Record("SetSamplerState(" + std::to_string(sampler) + ","
               + fake::Named(static_cast<unsigned>(type),
                             {{D3DSAMP_MAGFILTER, "D3DSAMP_MAGFILTER"},
                              {D3DSAMP_MINFILTER, "D3DSAMP_MINFILTER"},
                              {D3DSAMP_MIPFILTER, "D3DSAMP_MIPFILTER"}})
               + "," + fake::Named(value, {{D3DTEXF_LINEAR, "D3DTEXF_LINEAR"}}) + ")");
        return D3D_OK;
    }
};

struct FakeDirect3D final : Counted<IDirect3D9> {
    FakeDirect3D() : Counted("Direct3D") {}

    UINT GetAdapterModeCount(UINT adapter, D3DFORMAT format) override
    {
        Record("GetAdapterModeCount(" + std::to_string(adapter) + "," + std::to_string(static_cast<int>(format)) + ")");
        return static_cast<UINT>(State().modes.size());
    }
    HRESULT EnumAdapterModes(UINT adapter, D3DFORMAT format, UINT mode, D3DDISPLAYMODE* displayMode) override
    {
        Record("EnumAdapterModes(" + std::to_string(adapter) + "," + std::to_string(static_cast<int>(format)) + ","
               + std::to_string(mode) + ")");
        if (static_cast<int>(mode) == State().enumFailsAt || mode >= State().modes.size()) return D3DERR_INVALIDCALL;
        *displayMode = State().modes[mode];
        return D3D_OK;
    }
    HRESULT CreateDevice(UINT adapter, D3DDEVTYPE type, HWND focus, DWORD behaviour, D3DPRESENT_PARAMETERS* parameters,
                         IDirect3DDevice9** device) override
    {
        Record("CreateDevice(" + std::to_string(adapter) + ","
               + fake::Named(static_cast<unsigned>(type), {{D3DDEVTYPE_HAL, "D3DDEVTYPE_HAL"}}) + ","
               + fake::WindowName(focus) + ","
               + fake::Named(behaviour, {{D3DCREATE_HARDWARE_VERTEXPROCESSING, "D3DCREATE_HARDWARE_VERTEXPROCESSING"}})
               + ")");
        State().createdWith = *parameters;
        if (FAILED(State().createDeviceResult)) return State().createDeviceResult;
        *device = new FakeDevice;
        return D3D_OK;
    }
};
} // namespace

IDirect3D9* WINAPI Direct3DCreate9(UINT sdkVersion)
{
    Record("Direct3DCreate9(" + std::to_string(sdkVersion) + ")");
    if (State().direct3dCreateFails) return nullptr;
    return new FakeDirect3D;
}

HRESULT WINAPI D3DXCreateFontW(IDirect3DDevice9* device, INT height, UINT width, UINT weight, UINT mipLevels,
                               BOOL italic, DWORD charSet, DWORD precision, DWORD quality, DWORD pitchAndFamily,
                               LPCWSTR faceName, ID3DXFont** font)
{
    char text[160];
    std::snprintf(text, sizeof text, "D3DXCreateFontW(%d,%u,%u,%u,%d,%u,%u,%u,%u,%s)", height, width, weight, mipLevels,
                  italic, static_cast<unsigned>(charSet), static_cast<unsigned>(precision),
                  static_cast<unsigned>(quality), static_cast<unsigned>(pitchAndFamily), Ascii(faceName).c_str());
    Record(text);
    if (device == nullptr) return D3DERR_INVALIDCALL;
    const HRESULT result = Next(State().fontResults, D3D_OK);
    if (FAILED(result)) return result;
    *font = new FakeFont;
    return D3D_OK;
}

HRESULT WINAPI D3DXLoadMeshFromXW(LPCWSTR fileName, DWORD options, IDirect3DDevice9*, ID3DXBuffer** adjacency,
                                  ID3DXBuffer** materials, ID3DXBuffer** effectInstances, DWORD* materialCount,
                                  ID3DXMesh** mesh)
{
    Record("D3DXLoadMeshFromXW(" + Ascii(fileName) + ")");
    State().meshLoads.push_back(fileName);
    State().meshLoadOptions.push_back(options);
    if (adjacency != nullptr || effectInstances != nullptr) return D3DERR_INVALIDCALL;
    const auto found = State().models.find(fileName);
    if (found == State().models.end()) return D3DXERR_INVALIDDATA;

    const fake::Model& model = found->second;
    auto* buffer = new FakeBuffer("Buffer");
    // Material records first, then the texture names they point at.
    const size_t recordBytes = model.materials.size() * sizeof(D3DXMATERIAL);
    size_t nameBytes = 0;
    for (const std::string& name : model.textureNames) nameBytes += name.size() + 1;
    buffer->bytes.resize(recordBytes + nameBytes);
    auto* records = reinterpret_cast<D3DXMATERIAL*>(buffer->bytes.data());
    char* names = reinterpret_cast<char*>(buffer->bytes.data() + recordBytes);
    for (size_t i = 0; i < model.materials.size(); ++i) {
        records[i] = model.materials[i];
        records[i].pTextureFilename = nullptr;
        const std::string& name = i < model.textureNames.size() ? model.textureNames[i] : std::string();
        if (!name.empty()) {
            std::memcpy(names, name.c_str(), name.size() + 1);
            records[i].pTextureFilename = names;
            names += name.size() + 1;
        }
    }
    *materials = buffer;
    *materialCount = static_cast<DWORD>(model.materials.size());
    *mesh = new FakeMesh("Mesh:" + Ascii(fileName));
    return D3D_OK;
}

HRESULT WINAPI D3DXCreateTextureFromFileExW(IDirect3DDevice9*, LPCWSTR srcFile, UINT width, UINT height, UINT mipLevels,
                                            DWORD usage, D3DFORMAT format, D3DPOOL pool, DWORD filter, DWORD mipFilter,
                                            D3DCOLOR colorKey, D3DXIMAGE_INFO* info, PALETTEENTRY* palette,
                                            IDirect3DTexture9** texture)
{
    char text[96];
    std::snprintf(text, sizeof text, "|%x,%x,%x,%u,%d,%d,%x,%x,%u,%s,%s)", width, height, mipLevels,
                  static_cast<unsigned>(usage), static_cast<int>(format), static_cast<int>(pool),
                  static_cast<unsigned>(filter), static_cast<unsigned>(mipFilter), static_cast<unsigned>(colorKey),
                  info ? "info" : "null", palette ? "palette" : "null");
    Record("D3DXCreateTextureFromFileExW(" + Ascii(srcFile) + text);
    State().textureLoads.push_back(srcFile);
    if (State().textures.count(srcFile) == 0) return D3DXERR_INVALIDDATA;
    *texture = new FakeTexture("Texture:" + Ascii(srcFile));
    return D3D_OK;
}
