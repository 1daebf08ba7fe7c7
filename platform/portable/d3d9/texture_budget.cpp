#include "platform/portable/d3d9/texture_budget.h"

#include <atomic>
#include <utility>

namespace portable {

namespace {
std::atomic<uint64_t> g_used{0};
} // namespace

TextureMemory::TextureMemory(TextureMemory&& other) noexcept : bytes(std::exchange(other.bytes, 0)) {}

TextureMemory& TextureMemory::operator=(TextureMemory&& other) noexcept
{
    if (this != &other) {
        Release();
        bytes = std::exchange(other.bytes, 0);
    }
    return *this;
}

bool TextureMemory::Grow(uint64_t more)
{
    uint64_t used = g_used.load();
    do {
        if (more > kTextureMemoryBudget || used > kTextureMemoryBudget - more) return false;
    } while (!g_used.compare_exchange_weak(used, used + more));
    bytes += more;
    return true;
}

void TextureMemory::ShrinkTo(uint64_t keep)
{
    if (keep >= bytes) return;
    g_used -= bytes - keep;
    bytes = keep;
}

uint64_t TextureMemoryInUse() { return g_used.load(); }

} // namespace portable
