#include "platform/portable/win32/frame_stamps.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <ctime>

namespace portable {

namespace {
// A quarter of an hour of frames at 60 Hz, with their input.
constexpr size_t kCapacity = 1u << 18;

// By FrameStamp.
const char* const kNames[] = {"key", "motion", "frame", "present", "finished", "retrace", "swapped"};

struct Stamp {
    int64_t ns;
    FrameStamp kind;
};

struct StampStore {
    bool checked = false;
    const char* path = nullptr;
    Stamp* stamps = nullptr;
    size_t count = 0;
    size_t dropped = 0;
};

StampStore& Store()
{
    static StampStore store;
    return store;
}

void WriteStamps()
{
    const StampStore& store = Store();
    std::FILE* file = std::fopen(store.path, "w");
    if (file == nullptr) {
        std::fprintf(stderr, "frame stamps: %s cannot be written\n", store.path);
        return;
    }
    for (size_t i = 0; i < store.count; ++i) {
        std::fprintf(file, "%s %lld\n", kNames[static_cast<size_t>(store.stamps[i].kind)],
                     static_cast<long long>(store.stamps[i].ns));
    }
    if (store.dropped > 0) std::fprintf(file, "dropped %zu\n", store.dropped);
    std::fclose(file);
}

// The store when stamps are asked for, else null.
StampStore* ActiveStore()
{
    StampStore& store = Store();
    if (!store.checked) {
        store.checked = true;
        const char* path = std::getenv("WALKTHROUGH_FRAME_STAMPS");
        if (path != nullptr && path[0] != '\0') {
            store.stamps = static_cast<Stamp*>(std::calloc(kCapacity, sizeof(Stamp)));
            if (store.stamps != nullptr) {
                store.path = path;
                std::atexit(WriteStamps);
            }
        }
    }
    return store.stamps != nullptr ? &store : nullptr;
}

} // namespace

void StampFrame(FrameStamp kind)
{
    StampStore* store = ActiveStore();
    if (store == nullptr) return;
    if (store->count == kCapacity) {
        ++store->dropped;
        return;
    }
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    store->stamps[store->count++] = Stamp{static_cast<int64_t>(now.tv_sec) * 1000000000 + now.tv_nsec, kind};
}

void StampInputEvent(const SDL_Event& event)
{
    if (event.type == SDL_KEYDOWN && event.key.repeat == 0) {
        StampFrame(FrameStamp::KeyDown);
    } else if (event.type == SDL_MOUSEMOTION) {
        StampFrame(FrameStamp::Motion);
    }
}

} // namespace portable
