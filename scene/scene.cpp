#include "scene/scene.h"

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

    device->SetSamplerState(0, D3DSAMP_MINFILTER, D3DTEXF_LINEAR);
    device->SetSamplerState(0, D3DSAMP_MAGFILTER, D3DTEXF_LINEAR);
    device->SetSamplerState(0, D3DSAMP_MIPFILTER, D3DTEXF_LINEAR);
    device->SetRenderState(D3DRS_LIGHTING, FALSE);
    device->SetRenderState(D3DRS_ZENABLE, D3DZB_TRUE);
    device->SetRenderState(D3DRS_ZWRITEENABLE, FALSE);
    skybox->Draw();

    device->SetRenderState(D3DRS_LIGHTING, TRUE);
    device->SetRenderState(D3DRS_AMBIENT, 0xFFFFFFFF);
    device->SetRenderState(D3DRS_ZENABLE, D3DZB_TRUE);
    device->SetRenderState(D3DRS_ZWRITEENABLE, TRUE);
    for (Entity* entity : entities) entity->Draw();
}
