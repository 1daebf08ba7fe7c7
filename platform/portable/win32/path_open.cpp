#include "platform/portable/win32/path_open.h"

#include <dirent.h>
#include <limits.h>
#include <sys/stat.h>

#include <algorithm>
#include <list>
#include <utility>
#include <vector>

#include "platform/portable/win32/wide_text.h"

namespace portable {

namespace {
// Longer paths cannot be opened: past it nothing is looked up.
constexpr size_t kMaxSystemPath = PATH_MAX;
// Directory entries one resolution may read; past it the rest is kept as
// written. Listings of unchanged directories are kept (up to kMaxKeptEntries
// entries a thread), so that names climbing in and out of one folder list it once.
constexpr size_t kMaxEntriesRead = size_t{1} << 20;
constexpr size_t kMaxKeptEntries = size_t{1} << 16;

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
        if (lead >= 0xC2 && lead <= 0xDF && i + 1 < text.size()
            && (static_cast<unsigned char>(text[i + 1]) & 0xC0) == 0x80) {
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

// A directory's entries sorted by folded name, then by name, and what tells
// the directory apart from a later one (its inode number may be reused) or
// from itself changed.
struct Listing {
    dev_t device = 0;
    ino_t inode = 0;
    timespec modified{};
    timespec changed{};
    std::vector<std::pair<std::u32string, std::string>> entries;

    bool Lists(const struct stat& info) const
    {
        return device == info.st_dev && inode == info.st_ino && modified.tv_sec == info.st_mtim.tv_sec
            && modified.tv_nsec == info.st_mtim.tv_nsec && changed.tv_sec == info.st_ctim.tv_sec
            && changed.tv_nsec == info.st_ctim.tv_nsec;
    }
};

// The first entry (in byte order) whose name folds to `wanted`, or empty.
std::string Lookup(const Listing& listing, const std::u32string& wanted)
{
    const auto found = std::lower_bound(listing.entries.begin(), listing.entries.end(), wanted,
                                        [](const auto& entry, const std::u32string& key) { return entry.first < key; });
    return found != listing.entries.end() && found->first == wanted ? found->second : std::string();
}

// One resolution's look-ups without regard to case, with the listings this
// thread keeps, most recent first.
class CaseLookup {
public:
    // The entry of `directory` matching `name` without regard to case, or empty.
    std::string Find(const std::string& directory, std::string_view name)
    {
        const char* path = directory.empty() ? "." : directory.c_str();
        DIR* stream = ::opendir(path);
        if (stream == nullptr) return {};
        struct stat info {};
        const bool identified = ::fstat(::dirfd(stream), &info) == 0;
        const std::u32string wanted = Folded(name);
        std::list<Listing>& kept = Kept();
        for (auto it = kept.begin(); identified && it != kept.end(); ++it) {
            if (!it->Lists(info)) continue;
            kept.splice(kept.begin(), kept, it);
            const std::string match = Lookup(kept.front(), wanted);
            // A kept listing may be out of date: what it lacks, or names gone since, are listed again.
            if (!match.empty() && Exists(directory.empty() ? match : directory + "/" + match)) {
                ::closedir(stream);
                return match;
            }
            break;
        }
        Listing listing;
        listing.device = info.st_dev;
        listing.inode = info.st_ino;
        listing.modified = info.st_mtim;
        listing.changed = info.st_ctim;
        while (const dirent* entry = ::readdir(stream)) {
            if (entriesRead++ >= kMaxEntriesRead) {
                ::closedir(stream);
                return {};
            }
            const std::string_view entryName(entry->d_name);
            listing.entries.emplace_back(Folded(entryName), std::string(entryName));
        }
        ::closedir(stream);
        std::sort(listing.entries.begin(), listing.entries.end());
        std::string match = Lookup(listing, wanted);
        if (identified) Keep(std::move(listing));
        return match;
    }

private:
    size_t entriesRead = 0;

    static std::list<Listing>& Kept()
    {
        thread_local std::list<Listing> kept;
        return kept;
    }

    static void Keep(Listing&& listing)
    {
        std::list<Listing>& kept = Kept();
        std::erase_if(kept,
                      [&](const Listing& old) { return old.device == listing.device && old.inode == listing.inode; });
        if (listing.entries.size() > kMaxKeptEntries) return;
        kept.push_front(std::move(listing));
        size_t total = 0;
        for (auto it = kept.begin(); it != kept.end(); ++it) {
            total += it->entries.size();
            if (total > kMaxKeptEntries) {
                kept.erase(it, kept.end());
                break;
            }
        }
    }
};

// Appends `name` to `path` after a separator (none after an empty path or a slash).
void Append(std::string& path, std::string_view name)
{
    if (!path.empty() && path.back() != '/') path += '/';
    path += name;
}
} // namespace

std::string ResolvePath(std::string_view path)
{
    std::string written(path);
    std::replace(written.begin(), written.end(), '\\', '/');
    if (written.empty()) return written;

    // Each component is appended in place: the cost grows with the path's length.
    std::string resolved = written.front() == '/' ? "/" : "";
    CaseLookup lookup;
    bool resolving = true;
    size_t start = 0;
    while (start <= written.size()) {
        size_t end = written.find('/', start);
        if (end == std::string::npos) end = written.size();
        const std::string_view component(written.data() + start, end - start);
        if (!component.empty()) {
            const size_t before = resolved.size();
            Append(resolved, component);
            if (resolved.size() >= kMaxSystemPath) resolving = false;
            if (resolving && component != "." && component != ".." && !Exists(resolved)) {
                resolved.resize(before);
                const std::string match = lookup.Find(resolved, component);
                resolving = !match.empty();
                Append(resolved, resolving ? std::string_view(match) : component);
            }
        }
        start = end + 1;
    }
    if (written.back() == '/' && resolved.back() != '/') resolved += '/';
    return resolved;
}

std::string ResolvePath(std::wstring_view path) { return ResolvePath(std::string_view(WideToUtf8(path))); }

FILE* OpenWindowsPath(std::wstring_view path, const char* mode) { return std::fopen(ResolvePath(path).c_str(), mode); }

} // namespace portable
