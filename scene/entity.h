// A placed, moving instance of a model.
#pragma once

#include <cstdint>

#include "platform/platform.h"

struct Mesh;

// Positions in world units; a rotation holds (yaw, pitch, roll) in (x, y, z).
using Vec3 = D3DXVECTOR3;

struct Entity {
    Mesh* mesh;
    Vec3 position;
    Vec3 velocity;
    Vec3 acceleration;
    Vec3 rotation;
    Vec3 angularVelocity;
    Vec3 angularAcceleration;
    Vec3 right;
    Vec3 up;
    Vec3 forward;
    uint8_t visible;

    // Motion at rest, axes along x, y and z, visible. Leaves mesh to the creator.
    Entity* Init();
    // Stores the rotation and rebuilds right, up and forward from it.
    void SetRotation(const Vec3& newRotation);
    // Renormalises the stored axes and copies them out.
    void GetAxes(Vec3& outRight, Vec3& outUp, Vec3& outForward);
    // One constant-acceleration step of dt seconds, in single precision.
    void Integrate(float dt);
    // World transform rotation x translation, then every subset of the mesh.
    void Draw() const;
};
