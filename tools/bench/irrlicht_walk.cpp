// The walk-through's scene drawn by Irrlicht 1.8, for comparison with the
// program: the same four models from Models/ placed the same way, the same
// projection, clear color, states and overlay lines, full screen at 800x600
// with OpenGL, paced at 60 Hz the way the program paces itself (a frame every
// 1000 / 60 = 16 whole milliseconds, the processor yielded while none is
// due). The camera starts at (0, 25, -250) looking along +z and walks forward
// at 50 units per second from the first frame, or with --walk-with-w only
// while W is held. Escape ends it, or the end of --seconds N.
//   irrlicht_walk [--seconds N] [--walk-with-w]
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <ctime>

#include <sched.h>

#include <irrlicht.h>

using namespace irr;

namespace {
constexpr u32 kWidth = 800;
constexpr u32 kHeight = 600;
constexpr u32 kRefreshRate = 60;
constexpr u32 kFrameInterval = 1000 / kRefreshRate;
constexpr f32 kSpeed = 50.0f;
constexpr f32 kFigureYawDegreesPerSecond = 45.0f;
const video::SColor kClearColor(255, 128, 128, 128);
const core::vector3df kStart(0.0f, 25.0f, -250.0f);

uint32_t NowMs()
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<uint32_t>(static_cast<uint64_t>(now.tv_sec) * 1000u
                                 + static_cast<uint64_t>(now.tv_nsec) / 1000000u);
}

bool IsLater(uint32_t a, uint32_t b) { return static_cast<int32_t>(a - b) > 0; }

class KeyReceiver : public IEventReceiver {
public:
    bool OnEvent(const SEvent& event) override
    {
        if (event.EventType != EET_KEY_INPUT_EVENT) return false;
        if (event.KeyInput.Key == KEY_ESCAPE && event.KeyInput.PressedDown) escape = true;
        if (event.KeyInput.Key == KEY_KEY_W) wHeld = event.KeyInput.PressedDown;
        return false;
    }
    bool escape = false;
    bool wHeld = false;
};

// The sky: drawn before everything else (the sky-box pass), unlit, depth
// tested against the cleared buffer but not written, kept centred on the eye.
class SkyNode : public scene::ISceneNode {
public:
    SkyNode(scene::IMesh* mesh, scene::ISceneManager* manager)
        : ISceneNode(manager->getRootSceneNode(), manager, -1), mesh_(mesh)
    {
        mesh_->grab();
        setAutomaticCulling(scene::EAC_OFF);
        for (u32 i = 0; i < mesh_->getMeshBufferCount(); ++i) {
            video::SMaterial& material = mesh_->getMeshBuffer(i)->getMaterial();
            material.Lighting = false;
            material.ZWriteEnable = false;
            material.ZBuffer = video::ECFN_LESSEQUAL;
            material.setFlag(video::EMF_TRILINEAR_FILTER, true);
            material.setFlag(video::EMF_BILINEAR_FILTER, false);
        }
    }
    ~SkyNode() override { mesh_->drop(); }
    SkyNode(const SkyNode&) = delete;
    SkyNode& operator=(const SkyNode&) = delete;

    void OnRegisterSceneNode() override
    {
        if (IsVisible) SceneManager->registerNodeForRendering(this, scene::ESNRP_SKY_BOX);
        ISceneNode::OnRegisterSceneNode();
    }

    void render() override
    {
        video::IVideoDriver* driver = SceneManager->getVideoDriver();
        driver->setTransform(video::ETS_WORLD, AbsoluteTransformation);
        for (u32 i = 0; i < mesh_->getMeshBufferCount(); ++i) {
            scene::IMeshBuffer* buffer = mesh_->getMeshBuffer(i);
            driver->setMaterial(buffer->getMaterial());
            driver->drawMeshBuffer(buffer);
        }
    }

    const core::aabbox3d<f32>& getBoundingBox() const override { return mesh_->getBoundingBox(); }
    u32 getMaterialCount() const override { return mesh_->getMeshBufferCount(); }
    video::SMaterial& getMaterial(u32 i) override { return mesh_->getMeshBuffer(i)->getMaterial(); }

private:
    scene::IMesh* mesh_;
};

scene::IMesh* LoadMesh(scene::ISceneManager* manager, const char* path)
{
    scene::IAnimatedMesh* animated = manager->getMesh(path);
    if (animated == nullptr || animated->getMeshBufferCount() == 0) {
        std::fprintf(stderr, "irrlicht_walk: cannot load %s\n", path);
        return nullptr;
    }
    return animated->getMesh(0);
}

// Lit by a white ambient term whose material ambient is its diffuse color,
// depth tested and written, trilinear filtering.
scene::IMeshSceneNode* AddEntity(scene::ISceneManager* manager, scene::IMesh* mesh, const core::vector3df& position,
                                 f32 yawRadians)
{
    scene::IMeshSceneNode* node = manager->addMeshSceneNode(mesh, nullptr, -1, position,
                                                            core::vector3df(0.0f, yawRadians * core::RADTODEG, 0.0f));
    for (u32 i = 0; i < node->getMaterialCount(); ++i) {
        video::SMaterial& material = node->getMaterial(i);
        material.Lighting = true;
        material.AmbientColor = material.DiffuseColor;
        material.ZWriteEnable = true;
        material.ZBuffer = video::ECFN_LESSEQUAL;
        material.setFlag(video::EMF_TRILINEAR_FILTER, true);
        material.setFlag(video::EMF_BILINEAR_FILTER, false);
    }
    return node;
}

bool ReadArguments(int argc, char** argv, double& seconds, bool& walkWithW)
{
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--walk-with-w") == 0) {
            walkWithW = true;
        } else if (std::strcmp(argv[i], "--seconds") == 0 && i + 1 < argc) {
            char* end = nullptr;
            seconds = std::strtod(argv[++i], &end);
            if (end == argv[i] || *end != '\0' || seconds <= 0) return false;
        } else {
            return false;
        }
    }
    return true;
}
} // namespace

int main(int argc, char** argv)
{
    double seconds = 0;
    bool walkWithW = false;
    if (!ReadArguments(argc, argv, seconds, walkWithW)) {
        std::fprintf(stderr, "usage: irrlicht_walk [--seconds N] [--walk-with-w]\n");
        return 2;
    }

    KeyReceiver receiver;
    SIrrlichtCreationParameters parameters;
    parameters.DriverType = video::EDT_OPENGL;
    parameters.WindowSize = core::dimension2d<u32>(kWidth, kHeight);
    parameters.Bits = 32;
    parameters.ZBufferBits = 16;
    parameters.Fullscreen = true;
    parameters.Vsync = false;
    parameters.Doublebuffer = true;
    parameters.EventReceiver = &receiver;
    IrrlichtDevice* device = createDeviceEx(parameters);
    if (device == nullptr) {
        std::fprintf(stderr, "irrlicht_walk: no OpenGL device at %ux%u full screen\n", kWidth, kHeight);
        return 1;
    }
    device->setWindowCaption(L"Irrlicht Walk");
    device->getCursorControl()->setVisible(false);
    video::IVideoDriver* driver = device->getVideoDriver();
    scene::ISceneManager* manager = device->getSceneManager();
    driver->setTextureCreationFlag(video::ETCF_ALWAYS_32_BIT, true);
    driver->setTextureCreationFlag(video::ETCF_CREATE_MIP_MAPS, true);

    scene::IMesh* skyMesh = LoadMesh(manager, "Models/Skybox/Skybox.x");
    scene::IMesh* levelMesh = LoadMesh(manager, "Models/Level/Level.x");
    scene::IMesh* crateMesh = LoadMesh(manager, "Models/Crate/Crate.x");
    scene::IMesh* figureMesh = LoadMesh(manager, "Models/Sniper/Sniper.x");
    if (skyMesh == nullptr || levelMesh == nullptr || crateMesh == nullptr || figureMesh == nullptr) {
        device->drop();
        return 1;
    }

    manager->setAmbientLight(video::SColorf(1.0f, 1.0f, 1.0f, 1.0f));
    auto* sky = new SkyNode(skyMesh, manager);
    sky->setPosition(core::vector3df(0.0f, 25.0f, 0.0f));
    sky->drop();
    scene::IMeshSceneNode* player = AddEntity(manager, crateMesh, kStart, 0.0f);
    AddEntity(manager, levelMesh, core::vector3df(0.0f, 0.0f, 0.0f), 0.0f);
    AddEntity(manager, crateMesh, core::vector3df(0.0f, 5.0f, -20.0f), 1.0471976f);
    AddEntity(manager, crateMesh, core::vector3df(10.0f, 5.0f, 20.0f), 0.62831855f);
    scene::IMeshSceneNode* figure = AddEntity(manager, figureMesh, core::vector3df(0.0f, 5.0f, 120.0f), 0.0f);

    scene::ICameraSceneNode* camera = manager->addCameraSceneNode(nullptr, kStart, kStart + core::vector3df(0, 0, 1));
    camera->setFOV(1.0471976f);
    camera->setAspectRatio(static_cast<f32>(static_cast<double>(kWidth) / static_cast<double>(kHeight)));
    camera->setNearValue(1.0f);
    camera->setFarValue(1500.0f);

    gui::IGUIFont* font = device->getGUIEnvironment()->getBuiltInFont();
    const video::SColor yellow(255, 255, 255, 0), white(255, 255, 255, 255);
    wchar_t modeLine[64];
    std::swprintf(modeLine, 64, L"%u x %u @ %u Hz", kWidth, kHeight, kRefreshRate);
    wchar_t fpsLine[64] = L"FPS: 0";

    const uint32_t start = NowMs();
    uint32_t lastUpdate = start, nextFrame = start + kFrameInterval, lastFpsSample = start, frames = 0;
    core::vector3df eye = kStart;
    f32 figureYaw = 0.0f;
    while (device->run() && !receiver.escape) {
        const uint32_t now = NowMs();
        if (seconds > 0 && static_cast<double>(now - start) >= seconds * 1000.0) break;
        const float sinceSample = static_cast<float>(now - lastFpsSample) / 1000.0f;
        if (sinceSample > 1.0f) {
            std::swprintf(fpsLine, 64, L"FPS: %g", static_cast<double>(static_cast<float>(frames) / sinceSample));
            lastFpsSample = now;
            frames = 0;
        }
        if (!IsLater(now, nextFrame)) {
            sched_yield();
            continue;
        }

        ++frames;
        const f32 dt = static_cast<f32>(static_cast<double>(now - lastUpdate) / 1000.0);
        if (!walkWithW || receiver.wHeld) eye.Z += kSpeed * dt;
        figureYaw += kFigureYawDegreesPerSecond * dt;
        player->setPosition(eye);
        sky->setPosition(eye);
        figure->setRotation(core::vector3df(0.0f, figureYaw, 0.0f));
        camera->setPosition(eye);
        camera->setTarget(eye + core::vector3df(0.0f, 0.0f, 1.0f));

        driver->beginScene(true, true, kClearColor);
        manager->drawAll();
        font->draw(L"Press 'Esc' to quit.", core::rect<s32>(10, 10, 200, 30), yellow);
        font->draw(L"Press W, A, S, D, PgUp and PgDn to move.", core::rect<s32>(10, 30, 200, 50), yellow);
        font->draw(modeLine, core::rect<s32>(10, 55, 200, 75), white);
        font->draw(fpsLine, core::rect<s32>(10, 75, 200, 95), white);
        driver->endScene();

        nextFrame += kFrameInterval;
        lastUpdate = now;
        if (IsLater(now, nextFrame)) nextFrame = now + kFrameInterval;
    }
    device->drop();
    return 0;
}
