// Held keys to the player's velocity; Escape ends the program.
#include "app/application.h"
#include "scene/scene.h"
#include "support/log.h"

namespace {
constexpr float kPlayerSpeed = 50.0f;
}

void Application::ApplyPlayerControls()
{
    const auto down = [this](int key) { return keyStates[static_cast<size_t>(key)] != 0; };

    if (down(VK_ESCAPE)) {
        Log::Instance()->Write(L"Terminating... bye!");
        PostQuitMessage(0);
    }
    if (scene == nullptr || scene->player == nullptr) return;

    Vec3 right, up, forward;
    scene->player->GetAxes(right, up, forward);

    Vec3 direction(0.0f, 0.0f, 0.0f);
    if (down('W') || down(VK_UP)) {
        direction += forward;
    } else if (down('S') || down(VK_DOWN)) {
        direction -= forward;
    }
    if (down('A') || down(VK_LEFT)) {
        direction -= right;
    } else if (down('D') || down(VK_RIGHT)) {
        direction += right;
    }
    if (down(VK_PRIOR)) {
        direction += up;
    } else if (down(VK_NEXT)) {
        direction -= up;
    }
    D3DXVec3Normalize(&direction, &direction);
    scene->player->velocity = direction * kPlayerSpeed;
}
