#include "platform/portable/win32/file_bytes.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <string>
#include <utility>

#include "platform/portable/win32/path_open.h"

namespace portable {

namespace {
constexpr size_t kHugePage = size_t{2} << 20;
// One read at most: Linux moves at most about 2 GiB a call.
constexpr size_t kMaxReadBytes = size_t{1} << 30;

// Memory for `size` bytes, in huge pages where the system offers them; null when out of memory.
char* MapBlock(size_t size)
{
    void* block = ::mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (block == MAP_FAILED) return nullptr;
    if (size >= kHugePage) ::madvise(block, size, MADV_HUGEPAGE);
    return static_cast<char*>(block);
}
} // namespace

FileBytes::FileBytes(FileBytes&& other) noexcept
    : block(std::exchange(other.block, nullptr)), length(std::exchange(other.length, 0))
{}

FileBytes& FileBytes::operator=(FileBytes&& other) noexcept
{
    if (this != &other) {
        Clear();
        block = std::exchange(other.block, nullptr);
        length = std::exchange(other.length, 0);
    }
    return *this;
}

FileBytes::~FileBytes() { Clear(); }

void FileBytes::Clear()
{
    if (block != nullptr) ::munmap(block, length);
    block = nullptr;
    length = 0;
}

OpenedFile::OpenedFile(OpenedFile&& other) noexcept : fd(std::exchange(other.fd, -1)), identity(other.identity) {}

OpenedFile& OpenedFile::operator=(OpenedFile&& other) noexcept
{
    if (this != &other) {
        if (fd >= 0) ::close(fd);
        fd = std::exchange(other.fd, -1);
        identity = other.identity;
    }
    return *this;
}

OpenedFile::~OpenedFile()
{
    if (fd >= 0) ::close(fd);
}

bool OpenRegularFile(const char* path, OpenedFile& file)
{
    file = OpenedFile{};
    // Only a regular file is opened: opening a device can act on it. Opened
    // without blocking, so that a pipe put in its place meanwhile is not
    // waited on, and checked again once open.
    struct stat status {};
    if (::stat(path, &status) != 0 || !S_ISREG(status.st_mode)) return false;
    OpenedFile opened;
    opened.fd = ::open(path, O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (opened.fd < 0 || ::fstat(opened.fd, &status) != 0 || !S_ISREG(status.st_mode) || status.st_size < 0) {
        return false;
    }
    opened.identity.device = status.st_dev;
    opened.identity.inode = status.st_ino;
    opened.identity.size = static_cast<uint64_t>(status.st_size);
    opened.identity.modified = status.st_mtim;
    file = std::move(opened);
    return true;
}

bool ReadFileStart(const OpenedFile& file, size_t count, FileBytes& bytes)
{
    bytes.Clear();
    const size_t size = static_cast<size_t>(std::min<uint64_t>(count, file.identity.size));
    if (size == 0) return true;
    // Read rather than mapped: a mapped file cut short by another program
    // would fault on its lost pages. The size is the one it had when opened;
    // what it gains meanwhile is not read.
    FileBytes read;
    read.block = MapBlock(size);
    if (read.block == nullptr) return false;
    read.length = size;
    size_t done = 0;
    while (done < read.length) {
        const ssize_t got =
            ::pread(file.fd, read.block + done, std::min(read.length - done, kMaxReadBytes), static_cast<off_t>(done));
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) return false;
        done += static_cast<size_t>(got);
    }
    bytes = std::move(read);
    return true;
}

bool ReadWholeFile(const char* path, FileBytes& bytes, size_t limit)
{
    bytes.Clear();
    OpenedFile file;
    if (!OpenRegularFile(path, file) || file.identity.size > limit) return false;
    return ReadFileStart(file, static_cast<size_t>(file.identity.size), bytes);
}

bool ReadWholeFile(std::wstring_view path, FileBytes& bytes, size_t limit)
{
    bytes.Clear();
    return ReadWholeFile(ResolvePath(path).c_str(), bytes, limit);
}

} // namespace portable
