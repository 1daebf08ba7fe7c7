#include "platform/portable/win32/open_load.h"

#include <atomic>

namespace portable {

namespace {
std::atomic<uint64_t> g_lastLoad{0};
std::atomic<uint64_t> g_openLoad{0};
} // namespace

uint64_t NumberNextLoad()
{
    const uint64_t number = ++g_lastLoad;
    g_openLoad = number;
    return number;
}

bool EndOpenLoad(uint64_t number)
{
    uint64_t open = number;
    return g_openLoad.compare_exchange_strong(open, 0);
}

uint64_t OpenLoadNumber() { return g_openLoad.load(); }

} // namespace portable
