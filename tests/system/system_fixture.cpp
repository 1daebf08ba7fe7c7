#include "tests/system/system_fixture.h"

#include <fstream>
#include <iterator>
#include <sstream>

#include "app/clock.h"
#include "scene/scene.h"
#include "support/log.h"

void SystemTest::SetUp()
{
    previousDirectory = std::filesystem::current_path();
    std::filesystem::current_path(directory);
    fake::Reset();
}

void SystemTest::TearDown()
{
    Application::Destroy();
    Clock::Destroy();
    if (Log* log = Log::Existing()) log->Close();
    std::filesystem::current_path(previousDirectory);
}

std::string SystemTest::LogBytes() const
{
    std::ifstream file(directory / "log.txt", std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
}

std::vector<std::string> SystemTest::LogMessages() const
{
    std::vector<std::string> messages;
    const std::string bytes = LogBytes();
    size_t start = 0;
    while (start < bytes.size()) {
        const size_t end = bytes.find("\r\n", start);
        EXPECT_NE(end, std::string::npos) << "line without CR LF";
        if (end == std::string::npos) break;
        const std::string line = bytes.substr(start, end - start);
        messages.push_back(line.size() >= 11 ? line.substr(11) : line);
        start = end + 2;
    }
    return messages;
}

std::vector<std::string> SystemTest::LogAfterFirstLine() const
{
    std::vector<std::string> messages = LogMessages();
    if (!messages.empty()) messages.erase(messages.begin());
    return messages;
}

void SystemTest::ScriptCommonModes()
{
    fake::State().modes = {{640, 480, 60, D3DFMT_X8R8G8B8},
                           {800, 600, 60, D3DFMT_X8R8G8B8},
                           {800, 600, 75, D3DFMT_X8R8G8B8},
                           {1024, 768, 60, D3DFMT_X8R8G8B8}};
}

D3DXMATERIAL MakeMaterial(float r, float g, float b, float a)
{
    D3DXMATERIAL material{};
    material.MatD3D.Diffuse = {r, g, b, a};
    material.MatD3D.Ambient = {0.2f, 0.2f, 0.2f, 1.0f};
    material.MatD3D.Specular = {0.5f, 0.5f, 0.5f, 1.0f};
    material.MatD3D.Emissive = {0.0f, 0.1f, 0.0f, 1.0f};
    material.MatD3D.Power = 8.0f;
    return material;
}

void SystemTest::ScriptModels()
{
    const struct {
        const wchar_t* path;
        const char* texture;
        const wchar_t* texturePath;
    } models[] = {
        {L"Models\\Crate\\Crate.x", "wood.png", L"Models\\Crate\\wood.png"},
        {L"Models\\Level\\Level.x", "stone.png", L"Models\\Level\\stone.png"},
        {L"Models\\Sniper\\Sniper.x", "cloth.png", L"Models\\Sniper\\cloth.png"},
        {L"Models\\Skybox\\Skybox.x", "sky.png", L"Models\\Skybox\\sky.png"},
    };
    for (const auto& model : models) {
        fake::Model scripted;
        scripted.materials = {MakeMaterial(1, 1, 1, 1)};
        scripted.textureNames = {model.texture};
        fake::State().models[model.path] = scripted;
        fake::State().textures.insert(model.texturePath);
    }
}

Application* SystemTest::StartedApplication(const std::vector<D3DDISPLAYMODE>& extraModes)
{
    ScriptCommonModes();
    ScriptModels();
    fake::State().modes.insert(fake::State().modes.end(), extraModes.begin(), extraModes.end());
    Application* application = Application::Instance();
    EXPECT_TRUE(application->Initialize(reinterpret_cast<HINSTANCE>(0x400000)));
    return application;
}

std::vector<Entity*> SystemTest::EntitiesWithModel(Application* application, const wchar_t* modelPath)
{
    std::vector<Entity*> found;
    const Mesh* mesh = application->GetMesh(modelPath);
    for (Entity* entity : application->scene->entities)
        if (entity->mesh == mesh) found.push_back(entity);
    return found;
}

Entity* SystemTest::Figure(Application* application)
{
    const std::vector<Entity*> figures = EntitiesWithModel(application, L"Models\\Sniper\\Sniper.x");
    EXPECT_EQ(figures.size(), 1u);
    return figures.empty() ? nullptr : figures.front();
}
