#include "app/application.h"
#include "assets/mesh.h"
#include "support/log.h"

bool Application::LoadMesh(const std::wstring& path)
{
    if (meshCache.find(path) != meshCache.end()) return true;

    auto* mesh = new Mesh(device);
    if (!mesh->LoadFromFile(path)) {
        delete mesh;
        return false;
    }
    Log::Instance()->Write(L"Successfully loaded " + path);
    meshCache[path] = mesh;
    return true;
}

bool Application::PreloadMeshes()
{
    return LoadMesh(L"Models\\Crate\\Crate.x") && LoadMesh(L"Models\\Level\\Level.x")
        && LoadMesh(L"Models\\Sniper\\Sniper.x") && LoadMesh(L"Models\\Skybox\\Skybox.x");
}

Mesh* Application::GetMesh(const std::wstring& path)
{
    const auto entry = meshCache.find(path);
    return entry == meshCache.end() ? nullptr : entry->second;
}
