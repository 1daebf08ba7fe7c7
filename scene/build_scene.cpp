// The fixed content of the walk-through.
#include "app/application.h"
#include "scene/scene.h"

namespace {
Entity* NewEntity(Application& application, const wchar_t* modelPath, const Vec3& position)
{
    Entity* entity = (new Entity)->Init();
    entity->mesh = application.GetMesh(modelPath);
    entity->position = position;
    return entity;
}
} // namespace

bool Application::BuildScene()
{
    scene = new Scene(device);

    Entity* player = NewEntity(*this, L"Models\\Crate\\Crate.x", Vec3(0.0f, 25.0f, -250.0f));
    scene->entities.push_back(player);
    scene->player = player;

    scene->entities.push_back(NewEntity(*this, L"Models\\Level\\Level.x", Vec3(0.0f, 0.0f, 0.0f)));

    scene->skybox = NewEntity(*this, L"Models\\Skybox\\Skybox.x", Vec3(0.0f, 25.0f, 0.0f));

    Entity* firstCrate = NewEntity(*this, L"Models\\Crate\\Crate.x", Vec3(0.0f, 5.0f, -20.0f));
    firstCrate->SetRotation(Vec3(1.0471976f, 0.0f, 0.0f));
    scene->entities.push_back(firstCrate);

    Entity* secondCrate = NewEntity(*this, L"Models\\Crate\\Crate.x", Vec3(10.0f, 5.0f, 20.0f));
    secondCrate->SetRotation(Vec3(0.62831855f, 0.0f, 0.0f));
    scene->entities.push_back(secondCrate);

    Entity* figure = NewEntity(*this, L"Models\\Sniper\\Sniper.x", Vec3(0.0f, 5.0f, 120.0f));
    figure->angularVelocity = Vec3(0.78539819f, 0.0f, 0.0f);
    scene->entities.push_back(figure);

    auto* camera = new Camera;
    camera->target = player;
    camera->aspect = static_cast<float>(static_cast<double>(width) / static_cast<double>(height));
    camera->eye = Vec3(0.0f, 55.0f, 0.0f);
    scene->camera = camera;
    return true;
}
