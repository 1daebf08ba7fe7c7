// Whole files in memory, named the Windows way.
#pragma once

#include <sys/types.h>
#include <time.h>

#include <cstddef>
#include <cstdint>
#include <string>
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

// What tells one file apart from another and from itself changed.
struct FileIdentity {
    dev_t device = 0;
    ino_t inode = 0;
    uint64_t size = 0;
    timespec modified{};

    bool operator==(const FileIdentity& other) const
    {
        return device == other.device && inode == other.inode && size == other.size
            && modified.tv_sec == other.modified.tv_sec && modified.tv_nsec == other.modified.tv_nsec;
    }
};

// A regular file opened for reading, without blocking; closed when it goes. Move-only.
struct OpenedFile {
    OpenedFile() = default;
    OpenedFile(const OpenedFile&) = delete;
    OpenedFile& operator=(const OpenedFile&) = delete;
    OpenedFile(OpenedFile&& other) noexcept;
    OpenedFile& operator=(OpenedFile&& other) noexcept;
    ~OpenedFile();

    int fd = -1;
    FileIdentity identity; // as it was when opened
};

// Opens a regular file (symbolic links followed) as ReadWholeFile does; false
// for anything else, which is never waited on.
bool OpenRegularFile(const char* path, OpenedFile& file);
// The file's first min(count, its size when opened) bytes; false when it ends before them.
bool ReadFileStart(const OpenedFile& file, size_t count, FileBytes& bytes);

// Reads a regular file (backslashes and any letter case resolved, symbolic
// links followed): exactly the size it has when opened. False when it cannot
// be opened, is not a regular file (a folder, device, pipe or socket, which
// are never waited on), is larger than `limit` bytes, or ends before that size
// (cut short while it is read).
bool ReadWholeFile(std::wstring_view path, FileBytes& bytes, size_t limit = size_t{1} << 31);
// The same for a path as the file system names it.
bool ReadWholeFile(const char* path, FileBytes& bytes, size_t limit = size_t{1} << 31);

} // namespace portable
