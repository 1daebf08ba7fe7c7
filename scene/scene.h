// Everything drawn in 3D: the camera, the player, the sky and the entities.
#pragma once

#include <cstdint>
#include <vector>

#include "scene/camera.h"
#include "scene/entity.h"

struct Scene {
    IDirect3DDevice9* device = nullptr;
    Camera* camera = nullptr;
    Entity* player = nullptr;
    Entity* skybox = nullptr;
    std::vector<Entity*> entities;

    explicit Scene(IDirect3DDevice9* sceneDevice) : device(sceneDevice) {}
    ~Scene();
    Scene(const Scene&) = delete;
    Scene& operator=(const Scene&) = delete;

    // Integrates every entity, then puts the eye and the sky on the player.
    void Update(uint32_t elapsedMs);
    // View, projection and states, the sky unlit, then the entities lit.
    void Draw();
};
