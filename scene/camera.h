// The first-person camera: heading and elevation from the mouse, the eye on
// its target, and the projection parameters.
#pragma once

#include "scene/entity.h"

// A little short of pi/2, so the view never looks straight up or down.
constexpr float kPitchLimit = 1.4959966f;

struct Camera {
    float yaw = 0.0f;
    float pitch = 0.0f;
    Vec3 eye{0.0f, 0.0f, 0.0f};
    Vec3 up{0.0f, 1.0f, 0.0f};
    float fov = 1.0471976f;
    float aspect = 1.0f;
    float nearPlane = 1.0f;
    float farPlane = 1500.0f;
    Entity* target = nullptr;
};

// Turns the camera and its target's heading; clamps the pitch.
void Look(Camera& camera, float dx, float dy);
// Left-handed look-at matrix from yaw, pitch and eye.
D3DXMATRIX BuildViewMatrix(const Camera& camera);
