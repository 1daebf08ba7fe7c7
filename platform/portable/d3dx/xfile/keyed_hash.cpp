#include "platform/portable/d3dx/xfile/keyed_hash.h"

#include <sys/random.h>

#include <chrono>

namespace portable {

uint64_t HashKey()
{
    static const uint64_t key = [] {
        uint64_t drawn = 0;
        if (getrandom(&drawn, sizeof drawn, GRND_NONBLOCK) != static_cast<ssize_t>(sizeof drawn)) {
            // Without the system's random numbers: the clock and where this process lies in memory.
            drawn = static_cast<uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count())
                    ^ reinterpret_cast<uintptr_t>(&drawn);
        }
        return drawn;
    }();
    return key;
}

} // namespace portable
