#include "assets/mesh.h"

#include "support/log.h"

namespace {
constexpr int kTextureNameCapacity = 512;

// The texture name in UTF-16, or false when it does not convert or does not
// fit; the name is then widened byte by byte, for the failure line only.
bool WidenTextureName(const char* name, std::wstring& wide)
{
    wchar_t buffer[kTextureNameCapacity];
    const int length = MultiByteToWideChar(CP_ACP, 0, name, -1, buffer, kTextureNameCapacity);
    if (length <= 0) {
        wide.clear();
        for (const char* c = name; *c != '\0'; ++c) wide += static_cast<wchar_t>(static_cast<unsigned char>(*c));
        return false;
    }
    wide.assign(buffer, static_cast<size_t>(length - 1));
    return true;
}
} // namespace

std::wstring ModelDirectory(const std::wstring& path)
{
    const size_t slash = path.rfind(L'\\');
    return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash + 1);
}

Mesh::~Mesh()
{
    if (d3dxMesh != nullptr) d3dxMesh->Release();
    for (MeshMaterial& entry : materials) {
        if (entry.texture != nullptr) entry.texture->Release();
    }
}

bool Mesh::LoadFromFile(const std::wstring& path)
{
    ID3DXBuffer* materialBuffer = nullptr;
    DWORD materialCount = 0;
    if (FAILED(D3DXLoadMeshFromXW(path.c_str(), D3DXMESH_MANAGED, device, nullptr, &materialBuffer, nullptr,
                                  &materialCount, &d3dxMesh))) {
        d3dxMesh = nullptr;
        Log::Instance()->Write(L"FAILED: Couldn't load mesh \"" + path + L"\".");
        return false;
    }

    materials.assign(materialCount, MeshMaterial{});
    if (materialCount > 0 && materialBuffer != nullptr) {
        const auto* fileMaterials = static_cast<const D3DXMATERIAL*>(materialBuffer->GetBufferPointer());
        const std::wstring directory = ModelDirectory(path);
        for (DWORD i = 0; i < materialCount; ++i) {
            MeshMaterial& entry = materials[i];
            entry.material = fileMaterials[i].MatD3D;
            entry.material.Ambient = entry.material.Diffuse;
            if (fileMaterials[i].pTextureFilename == nullptr) continue;

            std::wstring name;
            const bool converted = WidenTextureName(fileMaterials[i].pTextureFilename, name);
            const std::wstring texturePath = directory + name;
            if (!converted
                || FAILED(D3DXCreateTextureFromFileExW(device, texturePath.c_str(), D3DX_DEFAULT, D3DX_DEFAULT,
                                                       D3DX_DEFAULT, 0, D3DFMT_UNKNOWN, D3DPOOL_MANAGED, D3DX_DEFAULT,
                                                       D3DX_DEFAULT, 0, nullptr, nullptr, &entry.texture))) {
                entry.texture = nullptr;
                Log::Instance()->Write(L"FAILED: Couldn't load texture \"" + texturePath + L"\".");
            }
        }
    }
    if (materialBuffer != nullptr) materialBuffer->Release();
    return true;
}

void Mesh::DrawSubsets() const
{
    for (DWORD i = 0; i < materials.size(); ++i) {
        device->SetMaterial(&materials[i].material);
        device->SetTexture(0, materials[i].texture);
        d3dxMesh->DrawSubset(i);
    }
}
