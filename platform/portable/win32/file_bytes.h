// Whole files in memory, named the Windows way.
#pragma once

#include <cstddef>
#include <string_view>

namespace portable {

// A file's bytes, read into memory of their own: nothing that happens to the
// file afterwards (cut short, rewritten) reaches them. Move-only.
struct FileBytes {
    FileBytes() = default;
    FileBytes(const FileBytes&) = delete;
    FileBytes& operator=(const FileBytes&) = delete;
    FileBytes(FileBytes&& other) noexcept;
    FileBytes& operator=(FileBytes&& other) noexcept;
    ~FileBytes();

    const char* data() const { return block; }
    size_t size() const { return length; }
    bool empty() const { return length == 0; }
    void Clear();

    char* block = nullptr; // an anonymous mapping of `length` bytes, or null
    size_t length = 0;
};

// Reads a regular file (backslashes and any letter case resolved, symbolic
// links followed): exactly the size it has when opened. False when it cannot
// be opened, is not a regular file (a folder, device, pipe or socket, which
// are never waited on), is larger than `limit` bytes, or ends before that size
// (cut short while it is read).
bool ReadWholeFile(std::wstring_view path, FileBytes& bytes, size_t limit = size_t{1} << 31);
// The same for a path as the file system names it.
bool ReadWholeFile(const char* path, FileBytes& bytes, size_t limit = size_t{1} << 31);

} // namespace portable
