// A model loaded from a .x file: the D3DX mesh and, per subset, its material
// and texture.
#pragma once

#include <string>
#include <vector>

#include "platform/platform.h"

struct MeshMaterial {
    D3DMATERIAL9 material{};
    IDirect3DTexture9* texture = nullptr;
};

struct Mesh {
    IDirect3DDevice9* device = nullptr;
    ID3DXMesh* d3dxMesh = nullptr;
    std::vector<MeshMaterial> materials;

    explicit Mesh(IDirect3DDevice9* meshDevice) : device(meshDevice) {}
    ~Mesh();
    Mesh(const Mesh&) = delete;
    Mesh& operator=(const Mesh&) = delete;

    // Loads the model and the textures its materials name, looked up beside
    // the model. False when the model itself does not load.
    bool LoadFromFile(const std::wstring& path);
    // Every subset with its material and texture.
    void DrawSubsets() const;
};

// The path up to and including its last backslash; empty without one.
std::wstring ModelDirectory(const std::wstring& path);
