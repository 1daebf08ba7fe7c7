#include "platform/portable/win32/file_bytes.h"

#include <sys/mman.h>
#include <sys/stat.h>

#include <cstdio>
#include <memory>
#include <utility>

#include "platform/portable/win32/path_open.h"

namespace portable {

namespace {
struct FileCloser {
    void operator()(FILE* file) const { std::fclose(file); }
};
} // namespace

FileBytes::FileBytes(FileBytes&& other) noexcept
    : mapping(std::exchange(other.mapping, nullptr)), mappedSize(std::exchange(other.mappedSize, 0)),
      copy(std::move(other.copy))
{
}

FileBytes& FileBytes::operator=(FileBytes&& other) noexcept
{
    if (this != &other) {
        Clear();
        mapping = std::exchange(other.mapping, nullptr);
        mappedSize = std::exchange(other.mappedSize, 0);
        copy = std::move(other.copy);
    }
    return *this;
}

FileBytes::~FileBytes() { Clear(); }

void FileBytes::Clear()
{
    if (mapping != nullptr) munmap(mapping, mappedSize);
    mapping = nullptr;
    mappedSize = 0;
    copy = std::vector<char>();
}

bool ReadWholeFile(std::wstring_view path, FileBytes& bytes, size_t limit)
{
    bytes.Clear();
    std::unique_ptr<FILE, FileCloser> file(OpenWindowsPath(path, "rb"));
    if (file == nullptr) return false;
    struct stat status{};
    if (fstat(fileno(file.get()), &status) == 0 && S_ISREG(status.st_mode) && status.st_size > 0) {
        const auto size = static_cast<unsigned long long>(status.st_size);
        if (size > limit) return false;
        // Mapped with its pages read in at once: no copy, and no fault per page later.
        void* mapping = mmap(nullptr, static_cast<size_t>(size), PROT_READ, MAP_PRIVATE | MAP_POPULATE,
                             fileno(file.get()), 0);
        if (mapping != MAP_FAILED) {
            bytes.mapping = mapping;
            bytes.mappedSize = static_cast<size_t>(size);
            return true;
        }
    }
    // Read in chunks otherwise: the size of a special file is not known in advance.
    char chunk[65536];
    for (;;) {
        const size_t got = std::fread(chunk, 1, sizeof chunk, file.get());
        if (got > 0) {
            if (bytes.copy.size() + got > limit) return false;
            bytes.copy.insert(bytes.copy.end(), chunk, chunk + got);
        }
        if (got < sizeof chunk) break;
    }
    return std::ferror(file.get()) == 0;
}

} // namespace portable
