// What modelgen writes to disk: files, textures that decode at their size,
// identical bytes on every run, and the committed Models/ folder matching
// the generator.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>

#include "tests/modelgen/test_files.h"
#include "tests/modelgen/x_read_back.h"
#include "tools/modelgen/asset_output.h"
#include "tools/modelgen/assets.h"
#include "tools/modelgen/png_writer.h"

using namespace portable;

namespace {

using namespace modelgen;
using modelgen_test::ReadBytes;

OutputOptions Options(const std::string& encoding)
{
    OutputOptions options;
    options.encoding = *ParseXEncoding(encoding);
    return options;
}

TEST(AssetOutput, WritesTheModelAndDecodableTextures)
{
    ScratchFolder folder;
    for (const std::string& name : ModelNames()) {
        SCOPED_TRACE(name);
        const Asset asset = *BuildModelByName(name);
        const std::filesystem::path dir = folder.path / asset.folder;
        const std::vector<WrittenFile> files = WriteAsset(asset, dir, Options("text"));
        ASSERT_EQ(files.size(), 1 + asset.textures.size());
        for (const WrittenFile& file : files) EXPECT_EQ(std::filesystem::file_size(file.path), file.bytes);

        const modelgen_test::ReadBack read = modelgen_test::ReadBackX(ReadBytes(dir / asset.fileName));
        for (const XMaterial& material : read.mesh.materials) {
            if (!material.hasTexture) continue;
            // Looked up beside the model, as the program does.
            const std::filesystem::path texture = dir / material.texture;
            ASSERT_TRUE(std::filesystem::exists(texture)) << texture;
            const modelgen_test::DecodedImage image = modelgen_test::DecodeImage(ReadBytes(texture));
            ASSERT_FALSE(image.rgb.empty()) << texture;
            int expected = 0;
            for (const Texture& t : asset.textures)
                if (t.fileName == material.texture) expected = t.image.width;
            EXPECT_EQ(image.width, expected);
            EXPECT_EQ(image.height, expected);
            EXPECT_EQ(image.width & (image.width - 1), 0) << "power of two";
        }
    }
}

TEST(AssetOutput, NoTexturesWritesTheModelOnly)
{
    ScratchFolder folder;
    OutputOptions options = Options("bin32");
    options.textures = false;
    const std::vector<WrittenFile> files = WriteAsset(BuildCrate(), folder.path, options, "Box.x");
    ASSERT_EQ(files.size(), 1u);
    EXPECT_EQ(files[0].path, folder.path / "Box.x");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.path), std::filesystem::directory_iterator()),
              1);
}

TEST(AssetOutput, UnwritableFolderIsAnError)
{
    ScratchFolder folder;
    const std::filesystem::path blocker = folder.path / "file";
    WriteFileBytes(blocker, {1, 2, 3});
    EXPECT_THROW(WriteAsset(BuildCrate(), blocker / "sub", Options("text")), std::runtime_error);
}

TEST(AssetOutput, TwoRunsWriteIdenticalBytes)
{
    const auto run = [](const std::filesystem::path& root) {
        std::vector<WrittenFile> files;
        for (const std::string& name : ModelNames()) {
            const Asset asset = *BuildModelByName(name);
            for (const std::string encoding : {"text", "bzip64"}) {
                OutputOptions options = Options(encoding);
                options.textures = encoding == "text"; // the textures do not depend on the encoding
                for (WrittenFile& file : WriteAsset(asset, root / encoding / name, options)) files.push_back(file);
            }
        }
        return files;
    };
    ScratchFolder first;
    ScratchFolder second;
    const std::vector<WrittenFile> a = run(first.path);
    const std::vector<WrittenFile> b = run(second.path);
    ASSERT_EQ(a.size(), b.size());
    for (std::size_t i = 0; i < a.size(); ++i) {
        EXPECT_EQ(std::filesystem::relative(a[i].path, first.path), std::filesystem::relative(b[i].path, second.path));
        EXPECT_TRUE(ReadBytes(a[i].path) == ReadBytes(b[i].path)) << a[i].path;
    }
}

// The committed Models/ folder is what the generator makes: the .x files
// byte for byte, the textures pixel for pixel.
TEST(CommittedModels, MatchTheGenerator)
{
    const std::filesystem::path models = std::filesystem::path(MODELGEN_SOURCE_DIR) / "Models";
    for (const std::string& name : ModelNames()) {
        SCOPED_TRACE(name);
        const Asset asset = *BuildModelByName(name);
        const std::filesystem::path dir = models / asset.folder;
        ASSERT_TRUE(std::filesystem::exists(dir / asset.fileName)) << "regenerate with: modelgen --out Models";
        EXPECT_TRUE(ReadBytes(dir / asset.fileName) == WriteModelX(asset.model, *ParseXEncoding("text"), {}))
            << asset.fileName << " is stale; regenerate with: modelgen --out Models";
        for (const Texture& texture : asset.textures) {
            const modelgen_test::DecodedImage image = modelgen_test::DecodeImage(ReadBytes(dir / texture.fileName));
            EXPECT_EQ(image.width, texture.image.width) << texture.fileName;
            EXPECT_TRUE(image.rgb == texture.image.rgb) << texture.fileName << " is stale";
        }
    }
}

} // namespace
