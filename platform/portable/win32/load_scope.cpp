#include "platform/portable/win32/load_scope.h"

#include <atomic>

#include "platform/portable/win32/path_open.h"

namespace portable {

namespace {
std::atomic<uint64_t> g_lastLoad{0};
std::atomic<uint64_t> g_openLoad{0};
} // namespace

uint64_t OpenLoad()
{
    const uint64_t number = ++g_lastLoad;
    g_openLoad = number;
    TrimFolderListings();
    return number;
}

void CloseLoad(uint64_t number)
{
    uint64_t open = number;
    if (g_openLoad.compare_exchange_strong(open, 0)) TrimFolderListings();
}

uint64_t OpenLoadNumber() { return g_openLoad.load(); }

} // namespace portable
