#include "scene/camera.h"

void Look(Camera& camera, float dx, float dy)
{
    camera.yaw = camera.yaw + dx;
    if (camera.target != nullptr) {
        const Vec3& old = camera.target->rotation;
        camera.target->SetRotation(Vec3(camera.yaw, old.y, old.z));
    }
    camera.pitch = camera.pitch + dy;
    if (camera.pitch > kPitchLimit) {
        camera.pitch = kPitchLimit;
    } else if (camera.pitch < -kPitchLimit) {
        camera.pitch = -kPitchLimit;
    }
}

D3DXMATRIX BuildViewMatrix(const Camera& camera)
{
    D3DXMATRIX rotation;
    D3DXMatrixRotationYawPitchRoll(&rotation, camera.yaw, camera.pitch, 0.0f);
    const Vec3 ahead(0.0f, 0.0f, 1.0f);
    Vec3 direction;
    D3DXVec3TransformCoord(&direction, &ahead, &rotation);
    const Vec3 at(camera.eye.x + direction.x, camera.eye.y + direction.y, camera.eye.z + direction.z);
    D3DXMATRIX view;
    D3DXMatrixLookAtLH(&view, &camera.eye, &at, &camera.up);
    return view;
}
