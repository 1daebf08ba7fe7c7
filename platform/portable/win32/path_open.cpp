#include "platform/portable/win32/path_open.h"

#include <dirent.h>
#include <limits.h>
#include <sys/stat.h>

#include <time.h>

#include <algorithm>
#include <atomic>
#include <list>
#include <memory>
#include <mutex>
#include <random>
#include <utility>
#include <vector>

#include "platform/portable/win32/open_load.h"
#include "platform/portable/win32/wide_text.h"

namespace portable {

namespace {
// Longer paths cannot be opened: past it nothing is looked up.
constexpr size_t kMaxSystemPath = PATH_MAX;
// Directory entries one resolution may read; past it the rest is kept as
// written. Listings are kept (see CaseLookup), so this is about the size of
// the folders a path goes through, not about how often it goes through them.
constexpr size_t kMaxEntriesRead = size_t{1} << 24;
// Listings kept outside a load, most recent first; those of the open load are
// kept whatever their size until it closes.
constexpr size_t kKeptBytesOutsideLoads = size_t{8} << 20;

// Calls `take` with each code point of UTF-8 text with Latin letters (ASCII
// and Latin-1) in lower case; bytes that are not valid UTF-8 stand for themselves.
template <typename Take>
void ForEachFolded(std::string_view text, Take take)
{
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
        take(code);
        i += length;
    }
}

void Fold(std::string_view text, std::u32string& folded)
{
    folded.clear();
    ForEachFolded(text, [&](char32_t code) { folded += code; });
}

// Hashes are keyed by a number drawn per process: no folder can choose names that fall together.
uint64_t HashKey()
{
    static const uint64_t key = [] {
        std::random_device device;
        return (uint64_t{device()} << 32) ^ device();
    }();
    return key;
}

uint32_t FoldedHash(const std::u32string& folded)
{
    uint64_t hash = HashKey();
    for (const char32_t code : folded) hash = (hash ^ code) * 0x100000001b3ull;
    hash ^= hash >> 33;
    hash *= 0xff51afd7ed558ccdull;
    hash ^= hash >> 33;
    return static_cast<uint32_t>(hash);
}

std::atomic<uint64_t> g_foldersListed{0};

// Whether a folder changed at `time` may change again without its times
// showing it, for a listing begun at `start`: changed in the clock's tick the
// listing began in or later, or within two seconds on a file system that keeps
// whole seconds (or two) only.
bool Racy(const timespec& time, const timespec& start)
{
    if (time.tv_sec > start.tv_sec || (time.tv_sec == start.tv_sec && time.tv_nsec >= start.tv_nsec)) return true;
    return time.tv_nsec == 0 && time.tv_sec + 2 >= start.tv_sec;
}

bool Exists(const std::string& path)
{
    struct stat info {};
    return ::lstat(path.c_str(), &info) == 0;
}

// A directory's entry names and what tells the directory apart from a later
// one (its inode number may be reused) or from itself changed. The names are
// held once, one after another; a table of their folded names' hashes finds
// each in constant time.
struct Listing {
    dev_t device = 0;
    ino_t inode = 0;
    timespec modified{};
    timespec changed{};
    // Listed in the second of its last change: a change made just after may
    // have left its times as they were, so what it lacks is listed again.
    bool racy = true;
    uint64_t load = 0;           // the load that used it last
    std::string names;           // each name followed by a NUL
    std::vector<uint64_t> slots; // hash << 32 | (offset + 1); 0: empty
    size_t Bytes() const { return sizeof(Listing) + names.capacity() + slots.capacity() * sizeof(uint64_t); }

    bool Lists(const struct stat& info) const
    {
        return device == info.st_dev && inode == info.st_ino && modified.tv_sec == info.st_mtim.tv_sec
            && modified.tv_nsec == info.st_mtim.tv_nsec && changed.tv_sec == info.st_ctim.tv_sec
            && changed.tv_nsec == info.st_ctim.tv_nsec;
    }

    std::string_view NameAt(uint64_t slot) const
    {
        return std::string_view(names.c_str() + ((slot & 0xffffffffu) - 1));
    }
};

// The first entry (in byte order) whose name folds to `wanted`, or empty.
std::string Lookup(const Listing& listing, const std::u32string& wanted)
{
    if (listing.slots.empty()) return {};
    const uint32_t hash = FoldedHash(wanted);
    const size_t mask = listing.slots.size() - 1;
    std::u32string folded;
    for (size_t i = hash & mask;; i = (i + 1) & mask) {
        const uint64_t slot = listing.slots[i];
        if (slot == 0) return {};
        if (static_cast<uint32_t>(slot >> 32) != hash) continue;
        Fold(listing.NameAt(slot), folded);
        if (folded == wanted) return std::string(listing.NameAt(slot));
    }
}

// Fills the table from the names; where names fold alike, the first in byte order stands for them.
void BuildTable(Listing& listing, const std::vector<uint32_t>& offsets)
{
    size_t capacity = 16;
    while (capacity < offsets.size() * 2) capacity *= 2;
    listing.slots.assign(capacity, 0);
    const size_t mask = capacity - 1;
    std::u32string folded, other;
    for (const uint32_t offset : offsets) {
        const std::string_view name(listing.names.c_str() + offset);
        Fold(name, folded);
        const uint32_t hash = FoldedHash(folded);
        const uint64_t slot = (uint64_t{hash} << 32) | (uint64_t{offset} + 1);
        for (size_t i = hash & mask;; i = (i + 1) & mask) {
            uint64_t& held = listing.slots[i];
            if (held == 0) {
                held = slot;
                break;
            }
            if (static_cast<uint32_t>(held >> 32) != hash) continue;
            Fold(listing.NameAt(held), other);
            if (other != folded) continue;
            if (name < listing.NameAt(held)) held = slot;
            break;
        }
    }
}

// The listings kept, most recent first, shared by every thread.
struct KeptListings {
    std::mutex mutex;
    std::list<std::shared_ptr<Listing>> listings;
    size_t bytes = 0;
};

KeptListings& Kept()
{
    static KeptListings* kept = new KeptListings; // never destroyed: workers may resolve while the process exits
    return *kept;
}

// Drops listings of no open load, oldest first, past kKeptBytesOutsideLoads. Lock held.
void Trim(KeptListings& kept, uint64_t load)
{
    size_t others = 0;
    for (auto it = kept.listings.begin(); it != kept.listings.end();) {
        const size_t bytes = (*it)->Bytes();
        if (load != 0 && (*it)->load == load) {
            ++it;
            continue;
        }
        if (others + bytes > kKeptBytesOutsideLoads) {
            kept.bytes -= bytes;
            it = kept.listings.erase(it);
            continue;
        }
        others += bytes;
        ++it;
    }
}

// One resolution's look-ups without regard to case. A folder's listing is
// kept while the folder is unchanged (the same inode, modification and
// change times): later names, whether in it or not, are looked up in it
// without reading the folder again.
class CaseLookup {
public:
    // The entry of `directory` matching `name` without regard to case, or empty.
    std::string Find(const std::string& directory, std::string_view name)
    {
        const char* path = directory.empty() ? "." : directory.c_str();
        // Read before the folder's times: a change after it is stamped no earlier.
        timespec start{};
        ::clock_gettime(CLOCK_REALTIME_COARSE, &start);
        DIR* stream = ::opendir(path);
        if (stream == nullptr) return {};
        struct stat info {};
        const bool identified = ::fstat(::dirfd(stream), &info) == 0;
        std::u32string wanted;
        Fold(name, wanted);
        if (identified) {
            const std::shared_ptr<Listing> listing = KeptListing(info);
            if (listing) {
                const std::string match = Lookup(*listing, wanted);
                // A name gone since, or one a racy listing lacks, is listed again.
                if (match.empty() ? !listing->racy : Exists(directory.empty() ? match : directory + "/" + match)) {
                    ::closedir(stream);
                    return match;
                }
            }
        }
        auto listing = std::make_shared<Listing>();
        listing->device = info.st_dev;
        listing->inode = info.st_ino;
        listing->modified = info.st_mtim;
        listing->changed = info.st_ctim;
        listing->racy = Racy(info.st_mtim, start) || Racy(info.st_ctim, start);
        ++g_foldersListed;
        std::vector<uint32_t> offsets;
        // Most file systems give a folder a size no smaller than its names: room for them at once.
        if (identified && info.st_size > 0) {
            listing->names.reserve(static_cast<size_t>(std::min<off_t>(info.st_size, off_t{256} << 20)));
        }
        while (const dirent* entry = ::readdir(stream)) {
            const std::string_view entryName(entry->d_name);
            if (entriesRead++ >= kMaxEntriesRead || listing->names.size() + entryName.size() + 1 > UINT32_MAX) {
                ::closedir(stream);
                return {};
            }
            offsets.push_back(static_cast<uint32_t>(listing->names.size()));
            listing->names += entryName;
            listing->names += '\0';
        }
        ::closedir(stream);
        if (listing->names.capacity() / 2 > listing->names.size() + 4096) listing->names.shrink_to_fit();
        BuildTable(*listing, offsets);
        std::string match = Lookup(*listing, wanted);
        if (identified) Keep(std::move(listing));
        return match;
    }

private:
    size_t entriesRead = 0;

    static std::shared_ptr<Listing> KeptListing(const struct stat& info)
    {
        KeptListings& kept = Kept();
        const std::lock_guard<std::mutex> lock(kept.mutex);
        for (auto it = kept.listings.begin(); it != kept.listings.end(); ++it) {
            if (!(*it)->Lists(info)) continue;
            kept.listings.splice(kept.listings.begin(), kept.listings, it);
            const uint64_t load = OpenLoadNumber();
            if (load != 0) kept.listings.front()->load = load;
            return kept.listings.front();
        }
        return nullptr;
    }

    static void Keep(std::shared_ptr<Listing>&& listing)
    {
        KeptListings& kept = Kept();
        const uint64_t load = OpenLoadNumber();
        listing->load = load;
        const std::lock_guard<std::mutex> lock(kept.mutex);
        std::erase_if(kept.listings, [&](const std::shared_ptr<Listing>& old) {
            if (old->device != listing->device || old->inode != listing->inode) return false;
            kept.bytes -= old->Bytes();
            return true;
        });
        kept.bytes += listing->Bytes();
        kept.listings.push_front(std::move(listing));
        Trim(kept, load);
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

uint64_t FoldersListed() { return g_foldersListed.load(); }

void TrimFolderListings()
{
    KeptListings& kept = Kept();
    const std::lock_guard<std::mutex> lock(kept.mutex);
    Trim(kept, OpenLoadNumber());
}

} // namespace portable
