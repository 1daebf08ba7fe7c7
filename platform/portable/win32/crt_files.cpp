#include "platform/portable/win32/crt_files.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>

#include "platform/portable/win32/api_guard.h"
#include "platform/portable/win32/path_open.h"

using namespace portable;

namespace {
int OpenFlags(const char* mode)
{
    const bool update = std::string_view(mode).find('+') != std::string_view::npos;
    switch (mode[0]) {
    case 'r': return update ? O_RDWR : O_RDONLY;
    case 'w': return (update ? O_RDWR : O_WRONLY) | O_CREAT | O_TRUNC;
    case 'a': return (update ? O_RDWR : O_WRONLY) | O_CREAT | O_APPEND;
    default: return -1;
    }
}

FILE* OpenShared(const char* filename, const char* mode)
{
    const int flags = OpenFlags(mode);
    if (flags < 0) {
        errno = EINVAL;
        return nullptr;
    }
    const std::string path = ResolvePath(std::string_view(filename));
    const int descriptor = ::open(path.c_str(), flags | O_NONBLOCK | O_CLOEXEC, 0666);
    if (descriptor < 0) {
        // A folder, or a pipe that nobody reads (opened for writing), is not a file.
        if (errno == EISDIR || errno == ENXIO) errno = EACCES;
        return nullptr;
    }
    struct stat info {};
    if (::fstat(descriptor, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(descriptor);
        errno = EACCES;
        return nullptr;
    }
    ::fcntl(descriptor, F_SETFL, ::fcntl(descriptor, F_GETFL) & ~O_NONBLOCK);
    FILE* file = ::fdopen(descriptor, mode);
    if (file == nullptr) ::close(descriptor);
    return file;
}
} // namespace

FILE* _fsopen(const char* filename, const char* mode, int)
{
    if (filename == nullptr || mode == nullptr) {
        errno = EINVAL;
        return nullptr;
    }
    return GuardedCall<FILE*>(nullptr, nullptr, [&] { return OpenShared(filename, mode); });
}
