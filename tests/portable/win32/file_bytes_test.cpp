// Whole files for the loaders: regular files mapped, other files read.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

#include "platform/portable/win32/file_bytes.h"

using namespace portable;

namespace {

namespace fs = std::filesystem;

std::wstring Wide(const std::string& path) { return std::wstring(path.begin(), path.end()); }

class FileBytesTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        folder = fs::temp_directory_path() / ("file_bytes_test_" + std::to_string(getpid()));
        fs::create_directories(folder);
    }
    void TearDown() override { fs::remove_all(folder); }

    std::string Write(const std::string& name, const std::string& content)
    {
        const fs::path path = folder / name;
        std::ofstream(path, std::ios::binary) << content;
        return path.string();
    }

    fs::path folder;
};

TEST_F(FileBytesTest, ARegularFileIsMappedWithItsExactBytes)
{
    std::string content(200000, '\0');
    for (size_t i = 0; i < content.size(); ++i) content[i] = static_cast<char>(i * 7 + i / 251);
    const std::string path = Write("Model.x", content);

    FileBytes bytes;
    ASSERT_TRUE(ReadWholeFile(Wide(path), bytes));
    EXPECT_NE(bytes.mapping, nullptr);
    ASSERT_EQ(bytes.size(), content.size());
    EXPECT_EQ(std::string(bytes.data(), bytes.size()), content);

    // Moving hands the mapping over; the moved-from record is empty.
    FileBytes moved = std::move(bytes);
    EXPECT_EQ(moved.size(), content.size());
    EXPECT_TRUE(bytes.empty());
    EXPECT_EQ(moved.data()[12345], content[12345]);
}

TEST_F(FileBytesTest, WindowsStylePathsAndOtherLetterCaseFindTheFile)
{
    Write("Crate.x", "xof 0303txt 0032");
    FileBytes bytes;
    ASSERT_TRUE(ReadWholeFile(Wide(folder.string() + "\\CRATE.X"), bytes));
    EXPECT_EQ(std::string(bytes.data(), bytes.size()), "xof 0303txt 0032");
}

TEST_F(FileBytesTest, FilesWithoutAKnownSizeAreReadWhole)
{
    // A pipe has no size in advance.
    const fs::path pipe = folder / "pipe";
    ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
    const std::string content(100000, 'p');
    std::FILE* writer = nullptr;
    std::thread feeder([&] {
        writer = std::fopen(pipe.c_str(), "wb");
        if (writer != nullptr) {
            std::fwrite(content.data(), 1, content.size(), writer);
            std::fclose(writer);
        }
    });
    FileBytes bytes;
    const bool read = ReadWholeFile(Wide(pipe.string()), bytes);
    feeder.join();
    ASSERT_TRUE(read);
    EXPECT_EQ(bytes.mapping, nullptr);
    EXPECT_EQ(std::string(bytes.data(), bytes.size()), content);
}

TEST_F(FileBytesTest, MissingEmptyAndOversizedFiles)
{
    FileBytes bytes;
    EXPECT_FALSE(ReadWholeFile(Wide((folder / "absent.x").string()), bytes));

    const std::string empty = Write("empty.x", "");
    ASSERT_TRUE(ReadWholeFile(Wide(empty), bytes));
    EXPECT_TRUE(bytes.empty());

    const std::string big = Write("big.x", std::string(5000, 'b'));
    EXPECT_FALSE(ReadWholeFile(Wide(big), bytes, 4999));
    EXPECT_TRUE(bytes.empty());
    EXPECT_TRUE(ReadWholeFile(Wide(big), bytes, 5000));
    EXPECT_EQ(bytes.size(), 5000u);
}

} // namespace
