// Windows-style paths on a case-sensitive file system.
#include <fcntl.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

#include <gtest/gtest.h>

#include "platform/portable/win32/crt_files.h"
#include "platform/portable/win32/load_scope.h"
#include "platform/portable/win32/path_open.h"
#include "tests/support/scratch_folder.h"

using namespace portable;

namespace {
namespace fs = std::filesystem;

class PathOpenTest : public testing::Test {
protected:
    void SetUp() override
    {
        folder.Write("Models/Crate/Crate.x", "crate");
        folder.Write("Models/Crate/crate.BMP", "texture");
        folder.Write("Models/Level/level.x", "level");
        folder.Write("Models/Level/Caf\xC3\xA9.png", "accented");
        previous = fs::current_path();
        fs::current_path(root);
    }

    void TearDown() override { fs::current_path(previous); }

    static std::string Content(const std::string& path)
    {
        std::ifstream file(path);
        std::string text;
        std::getline(file, text);
        return text;
    }

    ScratchFolder folder;
    const fs::path& root = folder.path;
    fs::path previous;
};

TEST_F(PathOpenTest, ResolvesBackslashesAndLetterCase)
{
    struct ResolveCase {
        std::string written;
        std::string resolved;
    };
    const ResolveCase cases[] = {
        {"Models\\Crate\\Crate.x", "Models/Crate/Crate.x"},
        {"models\\crate\\crate.bmp", "Models/Crate/crate.BMP"},
        {"MODELS/LEVEL/Level.X", "Models/Level/level.x"},
        {"Models\\Level\\CAF\xC3\x89.PNG", "Models/Level/Caf\xC3\xA9.png"},
        {".\\models\\..\\Models\\crate\\CRATE.x", "./Models/../Models/Crate/Crate.x"},
        {"Models\\\\Crate\\Crate.x", "Models/Crate/Crate.x"},
        {"Models\\Crate\\", "Models/Crate/"},
    };
    for (const ResolveCase& c : cases) {
        EXPECT_EQ(ResolvePath(std::string_view(c.written)), c.resolved) << c.written;
        if (c.resolved.back() != '/') {
            EXPECT_FALSE(Content(ResolvePath(std::string_view(c.written))).empty()) << c.written;
        }
    }
}

TEST_F(PathOpenTest, MissingPartsStayAsWrittenFromTheFirstMiss)
{
    EXPECT_EQ(ResolvePath(std::string_view("models\\Sniper\\sniper.x")), "Models/Sniper/sniper.x");
    EXPECT_EQ(ResolvePath(std::string_view("models\\crate\\new.txt")), "Models/Crate/new.txt");
    EXPECT_EQ(ResolvePath(std::string_view("")), "");
}

TEST_F(PathOpenTest, AbsolutePathsResolveFromTheRoot)
{
    const std::string written = (root / "MODELS" / "crate" / "crate.x").string();
    EXPECT_EQ(ResolvePath(std::string_view(written)), (root / "Models" / "Crate" / "Crate.x").string());
}

TEST_F(PathOpenTest, ExactNameWinsOverOtherCases)
{
    folder.Write("Models/Crate/crate.x", "lower");
    EXPECT_EQ(Content(ResolvePath(std::string_view("Models\\Crate\\crate.x"))), "lower");
    EXPECT_EQ(Content(ResolvePath(std::string_view("Models\\Crate\\Crate.x"))), "crate");
    // Neither written form exists: the first match in byte order is taken.
    EXPECT_EQ(ResolvePath(std::string_view("Models\\Crate\\CRATE.X")), "Models/Crate/Crate.x");
}

// A folder's listing is kept for later names; what changed in the folder
// since (a file renamed away, a new one) is still found.
TEST_F(PathOpenTest, ChangesToAFolderListedBeforeAreSeen)
{
    EXPECT_EQ(ResolvePath(std::string_view("Models\\Crate\\CRATE.BMP")), "Models/Crate/crate.BMP");
    std::filesystem::rename(root / "Models/Crate/crate.BMP", root / "Models/Crate/Wood.bmp");
    folder.Write("Models/Crate/Crate.Bmp", "renamed");
    folder.Write("Models/Crate/New.x", "new");
    EXPECT_EQ(ResolvePath(std::string_view("Models\\Crate\\CRATE.BMP")), "Models/Crate/Crate.Bmp");
    EXPECT_EQ(ResolvePath(std::string_view("Models\\Crate\\new.X")), "Models/Crate/New.x");
    EXPECT_EQ(ResolvePath(std::string_view("Models\\Crate\\WOOD.BMP")), "Models/Crate/Wood.bmp");
}

// Past the system's path length (4096 bytes) nothing can be opened, so
// nothing is looked up: the rest stays as written.
TEST_F(PathOpenTest, LongNamesResolveAsWrittenPastTheSystemsLimit)
{
    std::string dots;
    for (int i = 0; i < 3000; ++i) dots += ".\\";
    const std::string resolved = ResolvePath(std::string_view(dots + "models\\crate\\crate.x"));
    EXPECT_EQ(resolved.size(), 6000 + 20u);
    EXPECT_EQ(resolved.substr(resolved.size() - 21), "/models/crate/crate.x");
}

// Empty files name000000 .. in `folder`.
void MakeFiles(const fs::path& folder, int count)
{
    fs::create_directories(folder);
    char name[32];
    for (int i = 0; i < count; ++i) {
        std::snprintf(name, sizeof name, "/name%06d", i);
        const int fd = ::open((folder.string() + name).c_str(), O_CREAT | O_WRONLY | O_CLOEXEC, 0600);
        ASSERT_GE(fd, 0);
        ::close(fd);
    }
}

// Waits (5 s at most) until the file system's clock has left the tick of the
// folder's last change: from then on its times show any later change.
void WaitUntilSettled(const fs::path& folder)
{
    struct stat info {};
    ASSERT_EQ(::stat(folder.c_str(), &info), 0);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    timespec now{};
    while (::clock_gettime(CLOCK_REALTIME_COARSE, &now) == 0 && std::chrono::steady_clock::now() < deadline) {
        if (now.tv_sec > info.st_ctim.tv_sec
            || (now.tv_sec == info.st_ctim.tv_sec && now.tv_nsec > info.st_ctim.tv_nsec))
            return;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    FAIL() << "the clock did not move on";
}

// Within a load, a folder is read once however often names are looked up in
// it, found or not, and however large it is: past 65,536 entries too, and a
// name climbing in and out of it 40 times finds what it names. A change to
// the folder is seen.
TEST_F(PathOpenTest, AFolderIsListedOncePerLoadWhateverItsSize)
{
    MakeFiles(root / "Big", 70000);
    folder.Write("Big/Sub/Tex.png", "texture");
    WaitUntilSettled(root / "Big");
    WaitUntilSettled(root / "Big/Sub");
    const uint64_t load = OpenLoad();
    std::string climb = "big\\", climbed = "Big/";
    for (int i = 0; i < 40; ++i) {
        climb += "sub\\..\\";
        climbed += "Sub/../";
    }
    EXPECT_EQ(ResolvePath(std::string_view(climb + "sub\\TEX.PNG")), climbed + "Sub/Tex.png");
    const uint64_t listed = FoldersListed();
    for (int i = 0; i < 200; ++i) {
        EXPECT_EQ(ResolvePath(std::string_view("BIG\\MISSING.PNG")), "Big/MISSING.PNG");
        EXPECT_EQ(ResolvePath(std::string_view("BIG\\NAME012345")), "Big/name012345");
    }
    EXPECT_EQ(FoldersListed(), listed);

    folder.Write("Big/Missing.png", "new");
    EXPECT_EQ(ResolvePath(std::string_view("BIG\\MISSING.PNG")), "Big/Missing.png");
    EXPECT_EQ(FoldersListed(), listed + 1);
    CloseLoad(load);
}

TEST_F(PathOpenTest, OpensWidePaths)
{
    FILE* file = OpenWindowsPath(L"models\\LEVEL\\caf\u00C9.png", "rb");
    ASSERT_NE(file, nullptr);
    char text[16] = {};
    EXPECT_EQ(std::fread(text, 1, sizeof(text) - 1, file), 8u);
    EXPECT_STREQ(text, "accented");
    std::fclose(file);
    EXPECT_EQ(OpenWindowsPath(L"Models\\none.x", "rb"), nullptr);
}

TEST_F(PathOpenTest, CreatesFilesInTheMatchingDirectory)
{
    FILE* file = OpenWindowsPath(L"MODELS\\crate\\out.txt", "wb");
    ASSERT_NE(file, nullptr);
    std::fputs("written", file);
    std::fclose(file);
    EXPECT_EQ(Content((root / "Models" / "Crate" / "out.txt").string()), "written");
}

TEST_F(PathOpenTest, SharedOpeningTakesFilesOnlyAsWindowsDoes)
{
    ASSERT_EQ(::mkfifo((root / "pipe").c_str(), 0600), 0);
    struct OpenCase {
        const char* name;
        const char* mode;
        int error; // 0: opens
    };
    const OpenCase cases[] = {
        {"models\\crate\\CRATE.x", "rb", 0},
        {"Models\\Crate\\new.txt", "w", 0},
        {"Models", "rb", EACCES}, // a folder: Windows cannot open one as a file
        {"Models\\Crate", "w", EACCES},
        {"pipe", "rb", EACCES}, // refused at once, without waiting for a writer
        {"pipe", "wb", EACCES}, // or for a reader
        {"none.ini", "rb", ENOENT},
        {"Models\\Crate\\Crate.x", "q", EINVAL},
    };
    for (const OpenCase& c : cases) {
        errno = 0;
        FILE* file = _fsopen(c.name, c.mode, _SH_DENYNO);
        EXPECT_EQ(file != nullptr, c.error == 0) << c.name;
        if (file != nullptr)
            std::fclose(file);
        else
            EXPECT_EQ(errno, c.error) << c.name;
    }
    FILE* file = _fsopen("MODELS\\LEVEL\\LEVEL.X", "rb", _SH_DENYNO);
    ASSERT_NE(file, nullptr);
    char text[8] = {};
    EXPECT_EQ(std::fread(text, 1, sizeof(text) - 1, file), 5u);
    EXPECT_STREQ(text, "level");
    std::fclose(file);
}
} // namespace
