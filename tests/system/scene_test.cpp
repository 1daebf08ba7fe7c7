// The fixed scene: its layout, the per-frame update, what the view shows and
// the draw order.
#include <algorithm>
#include <cmath>
#include <utility>
#include <vector>

#include "scene/scene.h"
#include "tests/system/system_fixture.h"

namespace {
struct ScreenPoint {
    float x, y, z, w;
};

class SceneTest : public SystemTest {
protected:
    Application* application = nullptr;
    Scene* scene = nullptr;
    void SetUp() override
    {
        SystemTest::SetUp();
        application = StartedApplication();
        scene = application->scene;
        ASSERT_NE(scene, nullptr);
    }
    // The crates other than the player, which is drawn as one too.
    std::vector<Entity*> Crates() const
    {
        std::vector<Entity*> crates = EntitiesWithModel(application, L"Models\\Crate\\Crate.x");
        crates.erase(std::remove(crates.begin(), crates.end(), scene->player), crates.end());
        return crates;
    }
    // Where a world point lands with the view and projection of the last draw:
    // x and y from -1 to 1 across the screen, z from 0 (near) to 1 (far); w
    // is negative behind the viewer.
    static ScreenPoint OnScreen(const Vec3& p)
    {
        D3DXMATRIX m;
        const D3DXMATRIX view(fake::State().viewTransform), projection(fake::State().projectionTransform);
        D3DXMatrixMultiply(&m, &view, &projection);
        float c[4];
        for (int k = 0; k < 4; ++k) c[k] = p.x * m.m[0][k] + p.y * m.m[1][k] + p.z * m.m[2][k] + m.m[3][k];
        return {c[0] / c[3], c[1] / c[3], c[2] / c[3], c[3]};
    }
};
} // namespace

TEST_F(SceneTest, BuildPlacesTheFixedContent)
{
    const struct {
        const wchar_t* model;
        Vec3 position;
        float yaw, spin; // radians, radians per second
    } expected[] = {
        {L"Models\\Crate\\Crate.x", {0, 25, -250}, 0, 0}, // the player
        {L"Models\\Level\\Level.x", {0, 0, 0}, 0, 0},
        {L"Models\\Crate\\Crate.x", {0, 5, -20}, 1.0471976f, 0},    // pi/3
        {L"Models\\Crate\\Crate.x", {10, 5, 20}, 0.62831855f, 0},   // pi/5
        {L"Models\\Sniper\\Sniper.x", {0, 5, 120}, 0, 0.78539819f}, // pi/4 a second
    };
    ASSERT_EQ(scene->entities.size(), std::size(expected));
    EXPECT_EQ(scene->player, scene->entities[0]);
    for (size_t i = 0; i < std::size(expected); ++i) {
        SCOPED_TRACE(i);
        const Entity& entity = *scene->entities[i];
        EXPECT_EQ(entity.mesh, application->GetMesh(expected[i].model));
        EXPECT_EQ(entity.position, expected[i].position);
        EXPECT_EQ(entity.rotation, Vec3(expected[i].yaw, 0, 0));
        EXPECT_EQ(entity.angularVelocity, Vec3(expected[i].spin, 0, 0));
    }
    EXPECT_EQ(scene->skybox->mesh, application->GetMesh(L"Models\\Skybox\\Skybox.x"));
    EXPECT_EQ(scene->skybox->position, Vec3(0, 25, 0));
    EXPECT_EQ(std::count(scene->entities.begin(), scene->entities.end(), scene->skybox), 0);
}

TEST_F(SceneTest, UpdateTurnsTheFigureAndPutsEyeAndSkyOnThePlayer)
{
    Entity* figure = Figure(application);
    ASSERT_NE(figure, nullptr);
    std::vector<std::pair<const Entity*, Vec3>> placed; // all but the player
    for (const Entity* entity : scene->entities)
        if (entity != scene->player) placed.emplace_back(entity, entity->position);
    scene->player->velocity = Vec3(0, 0, 50);
    scene->Update(1000);
    EXPECT_FLOAT_EQ(figure->rotation.x, 0.7853982f);
    EXPECT_EQ(scene->player->position, Vec3(0, 25, -200));
    EXPECT_EQ(scene->camera->eye, scene->player->position);
    EXPECT_EQ(scene->skybox->position, scene->player->position);
    for (const auto& [entity, position] : placed) EXPECT_EQ(entity->position, position);

    scene->player->velocity = Vec3(0, 0, 0);
    scene->camera->eye = Vec3(9, 9, 9);
    scene->skybox->position = Vec3(9, 9, 9);
    scene->Update(0);
    EXPECT_EQ(scene->camera->eye, Vec3(0, 25, -200));
    EXPECT_EQ(scene->skybox->position, Vec3(0, 25, -200));
}

TEST_F(SceneTest, HugeElapsedTimeIsNotClampedAndStaysPositive)
{
    scene->player->velocity = Vec3(0, 0, 1);
    scene->Update(3'000'000'000u);
    EXPECT_FLOAT_EQ(scene->player->position.z, -250.0f + 3'000'000.0f);
}

// The first frame looks from the player along +z with a vertical field of
// view of 60 degrees, 4:3 at 800x600, from 1 to 1500 units ahead.
TEST_F(SceneTest, TheFirstFrameShowsTheCratesAheadInTheFixedPerspective)
{
    scene->Update(0);
    scene->Draw();
    const float tan30 = std::tan(1.0471976f / 2);
    const struct {
        Vec3 point;
        float x, y;
    } edges[] = {
        {{0, 25, -150}, 0, 0},                     // 100 ahead: the middle
        {{0, 25 + 100 * tan30, -150}, 0, 1},       // the top edge
        {{-100 * tan30 * 4 / 3, 25, -150}, -1, 0}, // the left edge
    };
    for (const auto& edge : edges) {
        const ScreenPoint at = OnScreen(edge.point);
        EXPECT_NEAR(at.x, edge.x, 1e-4f) << edge.point.x << "," << edge.point.y;
        EXPECT_NEAR(at.y, edge.y, 1e-4f) << edge.point.x << "," << edge.point.y;
    }
    EXPECT_NEAR(OnScreen(Vec3(0, 25, -249)).z, 0, 1e-4f); // the near plane
    EXPECT_NEAR(OnScreen(Vec3(0, 25, 1250)).z, 1, 1e-4f); // the far plane
    const std::vector<Entity*> crates = Crates();
    ASSERT_EQ(crates.size(), 2u);
    for (const Entity* crate : crates) {
        const ScreenPoint at = OnScreen(crate->position);
        EXPECT_LT(std::fabs(at.x), 0.5f) << crate->position.x;
        EXPECT_LT(std::fabs(at.y), 0.5f) << crate->position.x;
        EXPECT_GT(at.w, 0) << crate->position.x;
    }
    // Turned round, the crates are behind the viewer.
    Look(*scene->camera, 3.1415927f, 0);
    scene->Draw();
    for (const Entity* crate : crates) EXPECT_LT(OnScreen(crate->position).w, 0) << crate->position.x;
}

TEST_F(SceneTest, DrawSetsViewProjectionAndStatesThenSkyThenEntities)
{
    scene->Update(0);
    const size_t mark = fake::State().calls.size();
    scene->Draw();
    const auto calls = fake::CallsSince(mark);
    const std::vector<std::string> head = {
        "SetTransform(D3DTS_VIEW)",
        "SetTransform(D3DTS_PROJECTION)",
        "SetSamplerState(0,D3DSAMP_MINFILTER,D3DTEXF_LINEAR)",
        "SetSamplerState(0,D3DSAMP_MAGFILTER,D3DTEXF_LINEAR)",
        "SetSamplerState(0,D3DSAMP_MIPFILTER,D3DTEXF_LINEAR)",
        "SetRenderState(D3DRS_LIGHTING,0)",
        "SetRenderState(D3DRS_ZENABLE,1)",
        "SetRenderState(D3DRS_ZWRITEENABLE,0)",
        "SetTransform(D3DTS_WORLD)",
        "SetMaterial",
        "SetTexture(0,Texture:Models\\Skybox\\sky.png)",
        "DrawSubset(Mesh:Models\\Skybox\\Skybox.x,0)",
        "SetRenderState(D3DRS_LIGHTING,1)",
        "SetRenderState(D3DRS_AMBIENT,0xffffffff)",
        "SetRenderState(D3DRS_ZENABLE,1)",
        "SetRenderState(D3DRS_ZWRITEENABLE,1)",
    };
    ASSERT_GE(calls.size(), head.size());
    EXPECT_EQ(std::vector<std::string>(calls.begin(), calls.begin() + static_cast<std::ptrdiff_t>(head.size())), head);

    std::vector<std::string> drawn;
    for (size_t i = head.size(); i < calls.size(); ++i)
        if (calls[i].rfind("DrawSubset", 0) == 0) drawn.push_back(calls[i]);
    EXPECT_EQ(drawn,
              (std::vector<std::string>{
                  "DrawSubset(Mesh:Models\\Crate\\Crate.x,0)", "DrawSubset(Mesh:Models\\Level\\Level.x,0)",
                  "DrawSubset(Mesh:Models\\Crate\\Crate.x,0)", "DrawSubset(Mesh:Models\\Crate\\Crate.x,0)",
                  "DrawSubset(Mesh:Models\\Sniper\\Sniper.x,0)"}));
}

TEST_F(SceneTest, DestructionFreesEveryEntityOnceAndTouchesNoDeviceObject)
{
    const size_t mark = fake::State().calls.size();
    delete application->scene;
    application->scene = nullptr;
    EXPECT_TRUE(fake::CallsSince(mark).empty());
}
