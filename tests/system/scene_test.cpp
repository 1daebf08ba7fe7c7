// The fixed scene: its layout, the per-frame update and the draw order.
#include <cmath>
#include <cstring>

#include "scene/scene.h"
#include "tests/system/system_fixture.h"

namespace {
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
};

uint32_t Bits(float value)
{
    uint32_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}
} // namespace

TEST_F(SceneTest, BuildPlacesTheFixedContent)
{
    ASSERT_EQ(scene->entities.size(), 5u);
    Entity* player = scene->entities[0];
    EXPECT_EQ(scene->player, player);
    EXPECT_EQ(player->position, Vec3(0, 25, -250));
    EXPECT_EQ(scene->entities[1]->position, Vec3(0, 0, 0));
    EXPECT_EQ(scene->entities[2]->position, Vec3(0, 5, -20));
    EXPECT_EQ(Bits(scene->entities[2]->rotation.x), 0x3F860A92u);
    EXPECT_EQ(scene->entities[3]->position, Vec3(10, 5, 20));
    EXPECT_EQ(Bits(scene->entities[3]->rotation.x), 0x3F20D97Cu);
    EXPECT_EQ(scene->entities[4]->position, Vec3(0, 5, 120));
    EXPECT_EQ(Bits(scene->entities[4]->angularVelocity.x), 0x3F490FDBu);
    EXPECT_EQ(scene->entities[4]->rotation, Vec3(0, 0, 0));
    EXPECT_EQ(scene->skybox->position, Vec3(0, 25, 0));
    EXPECT_EQ(std::count(scene->entities.begin(), scene->entities.end(), scene->skybox), 0);

    Mesh* crate = application->GetMesh(L"Models\\Crate\\Crate.x");
    EXPECT_EQ(player->mesh, crate);
    EXPECT_EQ(scene->entities[2]->mesh, crate);
    EXPECT_EQ(scene->entities[3]->mesh, crate);
    EXPECT_EQ(scene->entities[1]->mesh, application->GetMesh(L"Models\\Level\\Level.x"));
    EXPECT_EQ(scene->entities[4]->mesh, application->GetMesh(L"Models\\Sniper\\Sniper.x"));
    EXPECT_EQ(scene->skybox->mesh, application->GetMesh(L"Models\\Skybox\\Skybox.x"));

    EXPECT_EQ(scene->camera->target, player);
    EXPECT_EQ(scene->camera->eye, Vec3(0, 55, 0));
    EXPECT_EQ(scene->camera->aspect, 1.3333334f);
    EXPECT_EQ(scene->device, application->device);
}

TEST_F(SceneTest, UpdateTurnsTheFigureAndPutsEyeAndSkyOnThePlayer)
{
    scene->player->velocity = Vec3(0, 0, 50);
    scene->Update(1000);
    EXPECT_FLOAT_EQ(scene->entities[4]->rotation.x, 0.7853982f);
    EXPECT_EQ(scene->player->position, Vec3(0, 25, -200));
    EXPECT_EQ(scene->camera->eye, scene->player->position);
    EXPECT_EQ(scene->skybox->position, scene->player->position);
    EXPECT_EQ(scene->entities[2]->position, Vec3(0, 5, -20));
    EXPECT_EQ(scene->entities[1]->position, Vec3(0, 0, 0));

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

TEST_F(SceneTest, DrawSetsViewProjectionAndStatesThenSkyThenEntities)
{
    scene->Update(0);
    const size_t mark = fake::State().calls.size();
    scene->Draw();
    const auto calls = fake::CallsSince(mark);
    const std::vector<std::string> head = {
        "SetTransform(2)",
        "SetTransform(3)",
        "SetSamplerState(0,6,2)",
        "SetSamplerState(0,5,2)",
        "SetSamplerState(0,7,2)",
        "SetRenderState(137,00000000)",
        "SetRenderState(7,00000001)",
        "SetRenderState(14,00000000)",
        "SetTransform(256)",
        "SetMaterial",
        "SetTexture(0,Texture:Models\\Skybox\\sky.png)",
        "DrawSubset(Mesh:Models\\Skybox\\Skybox.x,0)",
        "SetRenderState(137,00000001)",
        "SetRenderState(139,ffffffff)",
        "SetRenderState(7,00000001)",
        "SetRenderState(14,00000001)",
    };
    ASSERT_GE(calls.size(), head.size());
    EXPECT_EQ(std::vector<std::string>(calls.begin(), calls.begin() + static_cast<std::ptrdiff_t>(head.size())), head);

    std::vector<std::string> drawn;
    for (size_t i = head.size(); i < calls.size(); ++i)
        if (calls[i].rfind("DrawSubset", 0) == 0) drawn.push_back(calls[i]);
    EXPECT_EQ(drawn, (std::vector<std::string>{"DrawSubset(Mesh:Models\\Crate\\Crate.x,0)",
                                               "DrawSubset(Mesh:Models\\Level\\Level.x,0)",
                                               "DrawSubset(Mesh:Models\\Crate\\Crate.x,0)",
                                               "DrawSubset(Mesh:Models\\Crate\\Crate.x,0)",
                                               "DrawSubset(Mesh:Models\\Sniper\\Sniper.x,0)"}));

    // The view is the camera's; the projection is the fixed perspective.
    D3DXMATRIX expectedView = BuildViewMatrix(*scene->camera);
    EXPECT_EQ(D3DXMATRIX(fake::State().viewTransform), expectedView);
    D3DXMATRIX expectedProjection;
    D3DXMatrixPerspectiveFovLH(&expectedProjection, 1.0471976f, 1.3333334f, 1.0f, 1500.0f);
    EXPECT_EQ(D3DXMATRIX(fake::State().projectionTransform), expectedProjection);
}

TEST_F(SceneTest, DestructionFreesEveryEntityOnceAndTouchesNoDeviceObject)
{
    const size_t mark = fake::State().calls.size();
    delete application->scene;
    application->scene = nullptr;
    EXPECT_TRUE(fake::CallsSince(mark).empty());
}
