// Whole files for the loaders: regular files read, anything else refused.
#include <gtest/gtest.h>

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "platform/portable/win32/file_bytes.h"
#include "tests/support/scratch_folder.h"

using namespace portable;

namespace {

namespace fs = std::filesystem;

std::wstring Wide(const std::string& path) { return std::wstring(path.begin(), path.end()); }

class FileBytesTest : public ::testing::Test {
protected:
    std::string Write(const std::string& name, const std::string& content)
    {
        return scratch.Write(name, content).string();
    }

    ScratchFolder scratch;
    const fs::path& folder = scratch.path;
};

TEST_F(FileBytesTest, ARegularFileIsReadWithItsExactBytes)
{
    std::string content(3000000, '\0');
    for (size_t i = 0; i < content.size(); ++i) content[i] = static_cast<char>(i * 7 + i / 251);
    const std::string path = Write("Model.x", content);

    FileBytes bytes;
    ASSERT_TRUE(ReadWholeFile(Wide(path), bytes));
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

// A device, a pipe (with nothing writing to it), a folder or a socket is
// refused at once, never read or waited on; a link to a file reads the file.
TEST_F(FileBytesTest, OnlyRegularFilesAreRead)
{
    const fs::path pipe = folder / "pipe.png";
    ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
    const fs::path socketPath = folder / "socket.png";
    const int listener = socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::snprintf(address.sun_path, sizeof address.sun_path, "%s", socketPath.c_str());
    ASSERT_EQ(bind(listener, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
    fs::create_directory(folder / "folder.png");
    const std::string target = Write("real.png", "texels");
    fs::create_symlink(target, folder / "link.png");
    fs::create_symlink("/dev/zero", folder / "zero.png");

    for (const std::string name : {"pipe.png", "socket.png", "folder.png", "zero.png"}) {
        FileBytes bytes;
        EXPECT_FALSE(ReadWholeFile(Wide(folder.string() + "\\" + name), bytes)) << name;
        EXPECT_TRUE(bytes.empty()) << name;
    }
    for (const char* device : {"/dev/zero", "/dev/null"}) {
        FileBytes bytes;
        EXPECT_FALSE(ReadWholeFile(Wide(device), bytes)) << device;
    }
    FileBytes bytes;
    ASSERT_TRUE(ReadWholeFile(Wide(folder.string() + "\\LINK.png"), bytes));
    EXPECT_EQ(std::string(bytes.data(), bytes.size()), "texels");
    close(listener);
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
