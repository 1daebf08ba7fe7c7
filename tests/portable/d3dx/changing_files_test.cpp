// Files that change while they load: cut short (a copy in progress, another
// program writing) or growing. Each file is changed right after the loader
// learns its size, the moment a mapped file would fault on its lost pages.
// fstat is replaced for this program to do it.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <filesystem>
#include <mutex>
#include <string>

#include "platform/portable/d3dx/texture_prefetch.h"
#include "platform/portable/win32/file_bytes.h"
#include "tests/portable/d3dx/image/test_files.h"
#include "tests/portable/d3dx/test_device.h"
#include "tests/portable/d3dx/test_files.h"

using namespace portable;

namespace {
enum class Change { None, CutShort, Grow };

std::mutex g_changeLock;
std::string g_changedFile; // changed at its next fstat, then no more
Change g_change = Change::None;

void ChangeAtNextFstat(const std::filesystem::path& file, Change change)
{
    std::lock_guard<std::mutex> lock(g_changeLock);
    g_changedFile = std::filesystem::canonical(file).string();
    g_change = change;
}

bool Changed()
{
    std::lock_guard<std::mutex> lock(g_changeLock);
    return g_change == Change::None;
}

void ChangeIfArmed(int fd, const struct stat& status)
{
    std::lock_guard<std::mutex> lock(g_changeLock);
    if (g_change == Change::None || !S_ISREG(status.st_mode)) return;
    char link[4096];
    const std::string self = "/proc/self/fd/" + std::to_string(fd);
    const ssize_t length = readlink(self.c_str(), link, sizeof link);
    if (length <= 0 || std::string(link, static_cast<size_t>(length)) != g_changedFile) return;
    if (g_change == Change::CutShort) {
        EXPECT_EQ(truncate(g_changedFile.c_str(), status.st_size / 2), 0);
    } else {
        const int out = open(g_changedFile.c_str(), O_WRONLY | O_APPEND);
        EXPECT_EQ(write(out, "appended", 8), 8);
        close(out);
    }
    g_change = Change::None;
}
} // namespace

extern "C" int fstat(int fd, struct stat* status) noexcept
{
    const int result = static_cast<int>(syscall(SYS_fstat, fd, status));
    if (result == 0) ChangeIfArmed(fd, *status);
    return result;
}

namespace {

std::string TexturedTriangle(const std::string& texture)
{
    return "xof 0303txt 0032\nMesh { 3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 3;0,1,2;;\n"
           " MeshMaterialList { 1; 1; 0;; Material { 1;1;1;1;; 0; 0;0;0;; 0;0;0;; TextureFilename { \""
        + texture + "\"; } } } }\n";
}

class ChangingFiles : public ::testing::Test {
protected:
    ScratchFolder folder;
    TestDevice device;

    HRESULT LoadMesh(const std::filesystem::path& path)
    {
        ID3DXMesh* mesh = nullptr;
        ID3DXBuffer* materials = nullptr;
        const HRESULT result = D3DXLoadMeshFromXW(Wide(path).c_str(), D3DXMESH_MANAGED, &device, nullptr, &materials,
                                                  nullptr, nullptr, &mesh);
        if (SUCCEEDED(result)) {
            // What was made ahead, before the names go.
            madeAhead = WaitForTexturesMadeAhead();
            mesh->Release();
            materials->Release();
        }
        return result;
    }

    HRESULT LoadTexture(const std::filesystem::path& path)
    {
        IDirect3DTexture9* texture = nullptr;
        const HRESULT result = D3DXCreateTextureFromFileExW(&device, Wide(path).c_str(), D3DX_DEFAULT, D3DX_DEFAULT,
                                                            D3DX_DEFAULT, 0, D3DFMT_UNKNOWN, D3DPOOL_MANAGED,
                                                            D3DX_DEFAULT, D3DX_DEFAULT, 0, nullptr, nullptr, &texture);
        if (texture != nullptr) texture->Release();
        return result;
    }

    size_t madeAhead = 0;
};

// Cut short after the loader learned its size: a failure code, never a fault.
TEST_F(ChangingFiles, AFileCutShortWhileItLoadsFails)
{
    std::string model = TexturedTriangle("none.png");
    model += std::string(200000, ' '); // pages beyond the cut
    const auto modelPath = folder.Write("model.x", model);
    ChangeAtNextFstat(modelPath, Change::CutShort);
    EXPECT_EQ(LoadMesh(modelPath), D3DXERR_INVALIDDATA);
    EXPECT_TRUE(Changed());

    const std::string png = MakePng(Pattern(512, 512), 3);
    const auto texturePath = folder.Write("wood.png", png);
    ChangeAtNextFstat(texturePath, Change::CutShort);
    EXPECT_EQ(LoadTexture(texturePath), D3DXERR_INVALIDDATA);
    EXPECT_TRUE(Changed());
}

// The same inside a worker that makes a model's texture ahead: nothing is
// made, and the program's own load of what is left fails.
TEST_F(ChangingFiles, ATextureCutShortWhileItIsMadeAheadIsNotMade)
{
    EnableTexturePrefetch(true);
    const auto texturePath = folder.Write("wood.png", MakePng(Pattern(512, 512), 3));
    const auto modelPath = folder.Write("model.x", TexturedTriangle("wood.png"));
    ChangeAtNextFstat(texturePath, Change::CutShort);
    EXPECT_EQ(LoadMesh(modelPath), D3D_OK);
    EXPECT_TRUE(Changed());
    EXPECT_EQ(madeAhead, 0u);
    EXPECT_EQ(LoadTexture(texturePath), D3DXERR_INVALIDDATA);
    EnableTexturePrefetch(false);
}

// A file that grows meanwhile is read as it was: what it gains is not read.
TEST_F(ChangingFiles, AFileGrowingWhileItIsReadIsReadAtItsFirstSize)
{
    const std::string content(100000, 'x');
    const auto path = folder.Write("growing.x", content);
    ChangeAtNextFstat(path, Change::Grow);
    FileBytes bytes;
    ASSERT_TRUE(ReadWholeFile(Wide(path), bytes));
    EXPECT_TRUE(Changed());
    EXPECT_EQ(std::string(bytes.data(), bytes.size()), content);
    EXPECT_EQ(std::filesystem::file_size(path), content.size() + 8);
}

// Names of things that are not files give the code of a missing file, at once.
TEST_F(ChangingFiles, ThingsThatAreNotFilesGiveTheCodeOfAMissingFile)
{
    ASSERT_EQ(mkfifo((folder.path / "pipe.png").c_str(), 0600), 0);
    ASSERT_EQ(mkfifo((folder.path / "pipe.x").c_str(), 0600), 0);
    std::filesystem::create_directory(folder.path / "folder.png");
    for (const char* name : {"absent.png", "pipe.png", "folder.png"}) {
        EXPECT_EQ(LoadTexture(folder.path / name), D3DXERR_INVALIDDATA) << name;
    }
    EXPECT_EQ(LoadTexture("/dev/zero"), D3DXERR_INVALIDDATA);
    EXPECT_EQ(LoadMesh(folder.path / "pipe.x"), D3DXERR_INVALIDDATA);
    EXPECT_EQ(LoadMesh(folder.path / "absent.x"), D3DXERR_INVALIDDATA);
}

} // namespace
