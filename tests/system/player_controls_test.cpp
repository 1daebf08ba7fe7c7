// Keys to velocity, with precedence in each pair, and Escape.
#include <cmath>

#include "scene/scene.h"
#include "tests/system/system_fixture.h"

namespace {
struct KeyRow {
    const char* label;
    std::vector<int> keys;
    float x, y, z;
};

class PlayerControls : public SystemTest, public ::testing::WithParamInterface<KeyRow> {};

constexpr float kDiagonal2 = 35.355339f; // 50 / sqrt(2)
constexpr float kDiagonal3 = 28.867513f; // 50 / sqrt(3)
} // namespace

TEST_P(PlayerControls, SetVelocityFromHeldKeys)
{
    Application* application = StartedApplication();
    application->scene->player->velocity = Vec3(9, 9, 9);
    for (int key : GetParam().keys) application->keyStates[static_cast<size_t>(key)] = 1;
    application->ApplyPlayerControls();
    const Vec3& velocity = application->scene->player->velocity;
    EXPECT_NEAR(velocity.x, GetParam().x, 1e-4f);
    EXPECT_NEAR(velocity.y, GetParam().y, 1e-4f);
    EXPECT_NEAR(velocity.z, GetParam().z, 1e-4f);
    EXPECT_TRUE(fake::CallsStartingWith("PostQuitMessage").empty());
}

INSTANTIATE_TEST_SUITE_P(
    Keys, PlayerControls,
    ::testing::Values(KeyRow{"None", {}, 0, 0, 0}, KeyRow{"W", {'W'}, 0, 0, 50}, KeyRow{"Up", {VK_UP}, 0, 0, 50},
                      KeyRow{"S", {'S'}, 0, 0, -50}, KeyRow{"Down", {VK_DOWN}, 0, 0, -50},
                      KeyRow{"A", {'A'}, -50, 0, 0}, KeyRow{"Left", {VK_LEFT}, -50, 0, 0}, KeyRow{"D", {'D'}, 50, 0, 0},
                      KeyRow{"Right", {VK_RIGHT}, 50, 0, 0}, KeyRow{"PageUp", {VK_PRIOR}, 0, 50, 0},
                      KeyRow{"PageDown", {VK_NEXT}, 0, -50, 0}, KeyRow{"WAndS", {'W', 'S'}, 0, 0, 50},
                      KeyRow{"DownAndUp", {VK_DOWN, VK_UP}, 0, 0, 50}, KeyRow{"AAndD", {'A', 'D'}, -50, 0, 0},
                      KeyRow{"PageUpAndPageDown", {VK_PRIOR, VK_NEXT}, 0, 50, 0},
                      KeyRow{"WAndUpDoNotAdd", {'W', VK_UP}, 0, 0, 50},
                      KeyRow{"WAndD", {'W', 'D'}, kDiagonal2, 0, kDiagonal2},
                      KeyRow{"WAAndPageUp", {'W', 'A', VK_PRIOR}, -kDiagonal3, kDiagonal3, kDiagonal3},
                      KeyRow{"LowercaseCodesAreNotLetters", {'w', 'a'}, 0, 0, 0}),
    [](const ::testing::TestParamInfo<KeyRow>& row) { return std::string(row.param.label); });

using PlayerControlsTest = SystemTest;

TEST_F(PlayerControlsTest, MovementFollowsTheHeadingButNotThePitch)
{
    Application* application = StartedApplication();
    Look(*application->scene->camera, 1.5707964f, 1.0f);
    application->keyStates['W'] = 1;
    application->ApplyPlayerControls();
    const Vec3& velocity = application->scene->player->velocity;
    EXPECT_NEAR(velocity.x, 50, 1e-4f);
    EXPECT_NEAR(velocity.y, 0, 1e-4f);
    EXPECT_NEAR(velocity.z, 0, 1e-4f);
}

TEST_F(PlayerControlsTest, EscapeLogsAndPostsQuitYetStillSetsTheVelocity)
{
    Application* application = StartedApplication();
    application->keyStates[VK_ESCAPE] = 1;
    application->keyStates['W'] = 1;
    application->ApplyPlayerControls();
    EXPECT_EQ(LogMessages().back(), "Terminating... bye!");
    EXPECT_EQ(fake::CallsStartingWith("PostQuitMessage"), std::vector<std::string>{"PostQuitMessage(0)"});
    EXPECT_EQ(application->scene->player->velocity, Vec3(0, 0, 50));
    application->ApplyPlayerControls(); // held on: said again
    EXPECT_EQ(fake::CallsStartingWith("PostQuitMessage").size(), 2u);
}

TEST_F(PlayerControlsTest, TheSpeedStaysFiftyOnLongRunsOfTurning)
{
    Application* application = StartedApplication();
    application->keyStates['W'] = 1;
    application->keyStates['D'] = 1;
    for (int i = 0; i < 5000; ++i) {
        Look(*application->scene->camera, 0.0137f, 0.0f);
        application->ApplyPlayerControls();
        const Vec3& v = application->scene->player->velocity;
        ASSERT_NEAR(std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z), 50.0f, 1e-3f);
    }
}
