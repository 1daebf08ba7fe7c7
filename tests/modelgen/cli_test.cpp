// Runs the modelgen program itself.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "tests/modelgen/test_files.h"
#include "tests/modelgen/x_read_back.h"
#include "tools/modelgen/asset_output.h"

namespace {

using modelgen_test::ReadBackX;
using modelgen_test::ReadBytes;

int RunModelgen(const std::string& arguments, const std::filesystem::path& log)
{
    const std::string command =
        std::string("\"") + MODELGEN_EXE + "\" " + arguments + " > \"" + log.string() + "\" 2>&1";
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(ModelgenProgram, WritesOneModelInAChosenEncoding)
{
    ScratchFolder t;
    const auto dir = t.path / "one";
    ASSERT_EQ(RunModelgen("--model crate --encoding bzip32 --out \"" + dir.string() + "\"", t.path / "log"), 0);
    const auto file = ReadBytes(dir / "Crate.x");
    ASSERT_GE(file.size(), 16u);
    EXPECT_EQ(std::string(file.begin(), file.begin() + 16), "xof 0303bzip0032");
    EXPECT_EQ(ReadBackX(file).model.faces.size(), 6u);
    EXPECT_TRUE(std::filesystem::exists(dir / "wood.png"));
}

TEST(ModelgenProgram, WritesAllModelsIntoTheirFolders)
{
    ScratchFolder t;
    ASSERT_EQ(RunModelgen("--out \"" + t.path.string() + "\" --no-textures", t.path / "log"), 0);
    for (const char* path : {"Crate/Crate.x", "Level/Level.x", "Sniper/Sniper.x", "Skybox/Skybox.x"})
        EXPECT_NO_THROW(ReadBackX(ReadBytes(t.path / path))) << path;
    EXPECT_FALSE(std::filesystem::exists(t.path / "Crate/wood.png"));
}

TEST(ModelgenProgram, WritesALargeModelWithItsTextures)
{
    ScratchFolder t;
    const auto file = t.path / "bench" / "big.x";
    std::filesystem::create_directories(file.parent_path());
    ASSERT_EQ(RunModelgen("--large 20000 --encoding bin64 --out \"" + file.string() + "\"", t.path / "log"), 0);
    const modelgen_test::ReadBack read = ReadBackX(ReadBytes(file));
    EXPECT_NEAR(static_cast<double>(read.model.faces.size()), 20000.0, 1000.0);
    EXPECT_EQ(read.model.materials.size(), 4u);
    for (const modelgen::Material& m : read.model.materials)
        EXPECT_TRUE(std::filesystem::exists(file.parent_path() / m.texture)) << m.texture;
}

TEST(ModelgenProgram, FailsClearly)
{
    ScratchFolder t;
    EXPECT_EQ(RunModelgen("--bogus", t.path / "log"), 2);
    const auto log = ReadBytes(t.path / "log");
    EXPECT_NE(std::string(log.begin(), log.end()).find("unknown argument: --bogus"), std::string::npos);

    modelgen::WriteFileBytes(t.path / "plain", {0});
    EXPECT_EQ(RunModelgen("--model crate --out \"" + (t.path / "plain" / "sub").string() + "\"", t.path / "log"), 1);
}

} // namespace
