// Each system test runs in a fresh temporary working directory against a
// freshly reset fake platform, and tears down every process-wide object.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "app/application.h"
#include "scene/entity.h"
#include "tests/fake/fake_platform.h"
#include "tests/support/scratch_folder.h"

class SystemTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // The lines of log.txt without their time stamps; CR LF line ends expected.
    std::vector<std::string> LogMessages() const;
    // The same after the first, "Log created.".
    std::vector<std::string> LogAfterFirstLine() const;
    // The raw bytes of log.txt.
    std::string LogBytes() const;

    // A display with the modes 640x480@60, 800x600@60, 800x600@75, 1024x768@60.
    static void ScriptCommonModes();
    // Scripts the four models (one textured material each), loadable, with their textures.
    static void ScriptModels();
    // The application with the fake's device, font, models and scene in place;
    // the extra modes are listed after the common ones.
    Application* StartedApplication(const std::vector<D3DDISPLAYMODE>& extraModes = {});
    // The scene's entities drawn with the model of that path, in list order.
    static std::vector<Entity*> EntitiesWithModel(Application* application, const wchar_t* modelPath);
    // The spinning figure, the one entity drawn with the sniper model; null (and a failure) if there is none.
    static Entity* Figure(Application* application);

    ScratchFolder scratch;
    const std::filesystem::path& directory = scratch.path;
    std::filesystem::path previousDirectory;
};

D3DXMATERIAL MakeMaterial(float r, float g, float b, float a);
