#include "platform/portable/file_bytes.h"

#include <cstdio>
#include <memory>

#include "platform/portable/path_open.h"

namespace {
struct FileCloser {
    void operator()(FILE* file) const { std::fclose(file); }
};
} // namespace

bool ReadWholeFile(std::wstring_view path, std::vector<char>& bytes, size_t limit)
{
    bytes.clear();
    std::unique_ptr<FILE, FileCloser> file(PortableOpenFile(path, "rb"));
    if (file == nullptr) return false;
    if (std::fseek(file.get(), 0, SEEK_END) == 0) {
        const long size = std::ftell(file.get());
        if (size > 0 && static_cast<unsigned long>(size) <= limit) bytes.reserve(static_cast<size_t>(size));
        std::rewind(file.get());
    }
    // Read in chunks all the same: the size of a special file is not known in advance.
    char chunk[65536];
    for (;;) {
        const size_t got = std::fread(chunk, 1, sizeof chunk, file.get());
        if (got > 0) {
            if (bytes.size() + got > limit) return false;
            bytes.insert(bytes.end(), chunk, chunk + got);
        }
        if (got < sizeof chunk) break;
    }
    return std::ferror(file.get()) == 0;
}
