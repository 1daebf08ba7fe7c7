#include "scene/entity.h"

#include "assets/mesh.h"

namespace {
// position + velocity * dt - acceleration * h, each operation in single precision.
Vec3 Advance(const Vec3& position, const Vec3& velocity, const Vec3& acceleration, float dt, float h)
{
    auto step = [&](float p, float v, float a) {
        const float moved = p + v * dt;
        const float correction = a * h;
        return moved - correction;
    };
    return Vec3(step(position.x, velocity.x, acceleration.x), step(position.y, velocity.y, acceleration.y),
                step(position.z, velocity.z, acceleration.z));
}

Vec3 AddScaled(const Vec3& base, const Vec3& rate, float dt)
{
    const Vec3 t(rate.x * dt, rate.y * dt, rate.z * dt);
    return Vec3(base.x + t.x, base.y + t.y, base.z + t.z);
}
} // namespace

Entity* Entity::Init()
{
    position = velocity = acceleration = Vec3(0.0f, 0.0f, 0.0f);
    rotation = angularVelocity = angularAcceleration = Vec3(0.0f, 0.0f, 0.0f);
    right = Vec3(1.0f, 0.0f, 0.0f);
    up = Vec3(0.0f, 1.0f, 0.0f);
    forward = Vec3(0.0f, 0.0f, 1.0f);
    visible = 1;
    return this;
}

void Entity::SetRotation(const Vec3& newRotation)
{
    rotation = newRotation;
    D3DXMATRIX m;
    D3DXMatrixRotationYawPitchRoll(&m, rotation.x, rotation.y, rotation.z);
    const Vec3 unitX(1.0f, 0.0f, 0.0f), unitY(0.0f, 1.0f, 0.0f), unitZ(0.0f, 0.0f, 1.0f);
    D3DXVec3TransformCoord(&right, &unitX, &m);
    D3DXVec3TransformCoord(&up, &unitY, &m);
    D3DXVec3TransformCoord(&forward, &unitZ, &m);
}

void Entity::GetAxes(Vec3& outRight, Vec3& outUp, Vec3& outForward)
{
    D3DXVec3Normalize(&right, &right);
    D3DXVec3Normalize(&up, &up);
    D3DXVec3Normalize(&forward, &forward);
    outRight = right;
    outUp = up;
    outForward = forward;
}

void Entity::Integrate(float dt)
{
    const float h = static_cast<float>(0.5 * static_cast<double>(dt) * static_cast<double>(dt));

    velocity = AddScaled(velocity, acceleration, dt);
    position = Advance(position, velocity, acceleration, dt, h);

    angularVelocity = AddScaled(angularVelocity, angularAcceleration, dt);
    SetRotation(Advance(rotation, angularVelocity, angularAcceleration, dt, h));
}

void Entity::Draw() const
{
    if (visible == 0) return;

    D3DXMATRIX translation, rotationMatrix, world;
    D3DXMatrixTranslation(&translation, position.x, position.y, position.z);
    D3DXMatrixRotationYawPitchRoll(&rotationMatrix, rotation.x, rotation.y, rotation.z);
    D3DXMatrixIdentity(&world);
    D3DXMatrixMultiply(&world, &world, &rotationMatrix);
    D3DXMatrixMultiply(&world, &world, &translation);

    mesh->device->SetTransform(D3DTS_WORLD, &world);
    mesh->DrawSubsets();
}
