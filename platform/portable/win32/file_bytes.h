// Whole files in memory, named the Windows way.
#pragma once

#include <cstddef>
#include <string_view>
#include <vector>

namespace portable {

// A file's bytes: a read-only mapping of a regular file, or a copy read from
// any other kind. Move-only; the mapping goes with the record.
struct FileBytes {
    FileBytes() = default;
    FileBytes(const FileBytes&) = delete;
    FileBytes& operator=(const FileBytes&) = delete;
    FileBytes(FileBytes&& other) noexcept;
    FileBytes& operator=(FileBytes&& other) noexcept;
    ~FileBytes();

    const char* data() const { return mapping != nullptr ? static_cast<const char*>(mapping) : copy.data(); }
    size_t size() const { return mapping != nullptr ? mappedSize : copy.size(); }
    bool empty() const { return size() == 0; }
    void Clear();

    void* mapping = nullptr;
    size_t mappedSize = 0;
    std::vector<char> copy;
};

// Reads the file (backslashes and any letter case resolved); false when it
// cannot be opened or read, or is larger than `limit` bytes.
bool ReadWholeFile(std::wstring_view path, FileBytes& bytes, size_t limit = size_t{1} << 31);

} // namespace portable
