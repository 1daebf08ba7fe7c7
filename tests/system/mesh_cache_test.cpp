// One load per path, the preload order and its stop at the first failure.
#include "assets/mesh.h"
#include "tests/system/system_fixture.h"

namespace {
class MeshCacheTest : public SystemTest {
protected:
    Application* application = nullptr;
    void SetUp() override
    {
        SystemTest::SetUp();
        ScriptCommonModes();
        ScriptModels();
        application = Application::Instance();
        ASSERT_TRUE(application->CreateMainWindow());
        ASSERT_TRUE(application->CreateDirect3D());
    }
    std::vector<std::string> ModelLines()
    {
        std::vector<std::string> lines;
        for (const std::string& message : LogMessages())
            if (message.find("Models") != std::string::npos) lines.push_back(message);
        return lines;
    }
};
} // namespace

TEST_F(MeshCacheTest, PreloadLoadsTheFourModelsInOrder)
{
    ASSERT_TRUE(application->PreloadMeshes());
    EXPECT_EQ(ModelLines(),
              (std::vector<std::string>{
                  "Successfully loaded Models\\Crate\\Crate.x", "Successfully loaded Models\\Level\\Level.x",
                  "Successfully loaded Models\\Sniper\\Sniper.x", "Successfully loaded Models\\Skybox\\Skybox.x"}));
    EXPECT_EQ(application->meshCache.size(), 4u);
    EXPECT_EQ(application->GetMesh(L"Models\\Crate\\Crate.x")->device, application->device);
}

TEST_F(MeshCacheTest, EachPathLoadsOnceAndKeysAreCaseSensitive)
{
    fake::State().models[L"models\\crate\\crate.x"] = fake::State().models[L"Models\\Crate\\Crate.x"];
    ASSERT_TRUE(application->LoadMesh(L"Models\\Crate\\Crate.x"));
    Mesh* first = application->GetMesh(L"Models\\Crate\\Crate.x");
    ASSERT_TRUE(application->LoadMesh(L"Models\\Crate\\Crate.x"));
    EXPECT_EQ(application->GetMesh(L"Models\\Crate\\Crate.x"), first);
    EXPECT_EQ(fake::State().meshLoads.size(), 1u);
    EXPECT_EQ(ModelLines().size(), 1u);

    ASSERT_TRUE(application->LoadMesh(L"models\\crate\\crate.x"));
    EXPECT_EQ(fake::State().meshLoads.size(), 2u);
    EXPECT_EQ(application->meshCache.size(), 2u);
}

TEST_F(MeshCacheTest, TextureFailuresComeBeforeTheSuccessLine)
{
    fake::State().textures.clear();
    ASSERT_TRUE(application->LoadMesh(L"Models\\Crate\\Crate.x"));
    EXPECT_EQ(ModelLines(),
              (std::vector<std::string>{"FAILED: Couldn't load texture \"Models\\Crate\\wood.png\".",
                                        "Successfully loaded Models\\Crate\\Crate.x"}));
}

TEST_F(MeshCacheTest, AMissingLevelStopsThePreload)
{
    fake::State().models.erase(L"Models\\Level\\Level.x");
    EXPECT_FALSE(application->PreloadMeshes());
    EXPECT_EQ(ModelLines(),
              (std::vector<std::string>{"Successfully loaded Models\\Crate\\Crate.x",
                                        "FAILED: Couldn't load mesh \"Models\\Level\\Level.x\"."}));
    EXPECT_EQ(fake::State().meshLoads,
              (std::vector<std::wstring>{L"Models\\Crate\\Crate.x", L"Models\\Level\\Level.x"}));
    EXPECT_EQ(application->meshCache.size(), 1u);
    EXPECT_EQ(application->GetMesh(L"Models\\Level\\Level.x"), nullptr);
}

TEST_F(MeshCacheTest, FailuresAreNotRememberedAndGetMeshNeverLoads)
{
    EXPECT_EQ(application->GetMesh(L"Models\\Crate\\Crate.x"), nullptr);
    EXPECT_TRUE(application->meshCache.empty());
    EXPECT_TRUE(fake::State().meshLoads.empty());

    EXPECT_FALSE(application->LoadMesh(L"nothing.x"));
    EXPECT_FALSE(application->LoadMesh(L"nothing.x"));
    EXPECT_EQ(fake::State().meshLoads.size(), 2u);
    EXPECT_EQ(ModelLines().size(), 0u);
    const auto messages = LogMessages();
    EXPECT_EQ(std::count(messages.begin(), messages.end(), "FAILED: Couldn't load mesh \"nothing.x\"."), 2);
    EXPECT_TRUE(application->meshCache.empty());
}
