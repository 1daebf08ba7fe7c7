#include "platform/portable/win32/path_open.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <vector>

#include "platform/portable/win32/wide_text.h"

namespace portable {

namespace {
// Code points of UTF-8 text with Latin letters (ASCII and Latin-1) in lower
// case; bytes that are not valid UTF-8 stand for themselves.
std::u32string Folded(std::string_view text)
{
    std::u32string folded;
    folded.reserve(text.size());
    size_t i = 0;
    while (i < text.size()) {
        const auto lead = static_cast<unsigned char>(text[i]);
        char32_t code = lead;
        size_t length = 1;
        if (lead >= 0xC2 && lead <= 0xDF && i + 1 < text.size() &&
            (static_cast<unsigned char>(text[i + 1]) & 0xC0) == 0x80) {
            code = ((lead & 0x1Fu) << 6) | (static_cast<unsigned char>(text[i + 1]) & 0x3Fu);
            length = 2;
        } else if (lead >= 0x80) {
            // Longer sequences hold no letters that fold here; compare them byte by byte.
            code = 0x110000u + lead;
        }
        if ((code >= U'A' && code <= U'Z') || (code >= 0xC0 && code <= 0xDE && code != 0xD7)) code += 0x20;
        folded += code;
        i += length;
    }
    return folded;
}

bool Exists(const std::string& path)
{
    struct stat info {};
    return ::lstat(path.c_str(), &info) == 0;
}

std::string Join(const std::string& directory, std::string_view name)
{
    if (directory.empty()) return std::string(name);
    if (directory.back() == '/') return directory + std::string(name);
    return directory + "/" + std::string(name);
}

// The entry of directory whose name matches name without regard to case, or empty.
std::string FindWithoutCase(const std::string& directory, std::string_view name)
{
    DIR* listing = ::opendir(directory.empty() ? "." : directory.c_str());
    if (listing == nullptr) return {};
    const std::u32string wanted = Folded(name);
    std::vector<std::string> matches;
    while (const dirent* entry = ::readdir(listing)) {
        const std::string_view entryName(entry->d_name);
        if (Folded(entryName) == wanted) matches.emplace_back(entryName);
    }
    ::closedir(listing);
    if (matches.empty()) return {};
    return *std::min_element(matches.begin(), matches.end());
}
} // namespace

std::string ResolvePath(std::string_view path)
{
    std::string written(path);
    std::replace(written.begin(), written.end(), '\\', '/');
    if (written.empty()) return written;

    std::string resolved = written.front() == '/' ? "/" : "";
    bool resolving = true;
    size_t start = 0;
    while (start <= written.size()) {
        size_t end = written.find('/', start);
        if (end == std::string::npos) end = written.size();
        const std::string_view component(written.data() + start, end - start);
        if (!component.empty()) {
            const std::string candidate = Join(resolved, component);
            if (!resolving || component == "." || component == ".." || Exists(candidate)) {
                resolved = candidate;
            } else {
                const std::string match = FindWithoutCase(resolved, component);
                resolving = !match.empty();
                resolved = resolving ? Join(resolved, match) : candidate;
            }
        }
        start = end + 1;
    }
    if (written.back() == '/' && resolved.back() != '/') resolved += '/';
    return resolved;
}

std::string ResolvePath(std::wstring_view path)
{
    return ResolvePath(std::string_view(WideToUtf8(path)));
}

FILE* OpenWindowsPath(std::wstring_view path, const char* mode)
{
    return std::fopen(ResolvePath(path).c_str(), mode);
}

} // namespace portable
