#include "scene/scene.h"

#include "scene/render_states.h"

Scene::~Scene()
{
    for (Entity* entity : entities) delete entity;
    delete skybox;
    delete camera;
}

void Scene::Update(uint32_t elapsedMs)
{
    const float dt = static_cast<float>(static_cast<double>(elapsedMs) / 1000.0);
    for (Entity* entity : entities) entity->Integrate(dt);
    if (camera->target != nullptr) camera->eye = camera->target->position;
    skybox->position = player->position;
}

void Scene::Draw()
{
    const D3DXMATRIX view = BuildViewMatrix(*camera);
    device->SetTransform(D3DTS_VIEW, &view);
    D3DXMATRIX projection;
    D3DXMatrixPerspectiveFovLH(&projection, camera->fov, camera->aspect, camera->nearPlane, camera->farPlane);
    device->SetTransform(D3DTS_PROJECTION, &projection);

    SetSkyStates(device);
    skybox->Draw();

    SetEntityStates(device);
    for (Entity* entity : entities) entity->Draw();
}
