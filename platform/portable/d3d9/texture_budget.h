// The memory that textures made from files may hold, for the whole program:
// every managed texture's texels (and, while one loads, its file and decoded
// image) count against one budget until the texture is released, so that a
// model naming many large textures cannot take the machine's memory.
#pragma once

#include <cstdint>

namespace portable {

// What every texture made from a file holds together, counted from before its
// file is read until the texture is released: about four 8192x8192 textures
// with their mip chains. A texture past it fails with E_OUTOFMEMORY.
constexpr uint64_t kTextureMemoryBudget = uint64_t{1536} << 20;

// The texture work of one model load (see load_scope.h): the bytes of the
// files read and four bytes for each texel of the images they hold, added up
// over its textures; a texture past it fails with E_OUTOFMEMORY. Real models
// use a few percent of it; without it, a model naming one large texture from
// each of a million materials would take days to load.
constexpr uint64_t kTextureWorkPerLoad = uint64_t{4} << 30;

// A share of the budget, given back when it goes. Move-only.
struct TextureMemory {
    uint64_t bytes = 0;

    TextureMemory() = default;
    TextureMemory(const TextureMemory&) = delete;
    TextureMemory& operator=(const TextureMemory&) = delete;
    TextureMemory(TextureMemory&& other) noexcept;
    TextureMemory& operator=(TextureMemory&& other) noexcept;
    ~TextureMemory() { Release(); }

    // Adds `more` bytes; false, and nothing added, past the budget.
    bool Grow(uint64_t more);
    // Gives back all but `keep` bytes.
    void ShrinkTo(uint64_t keep);
    void Release() { ShrinkTo(0); }
};

// What all shares hold now.
uint64_t TextureMemoryInUse();

} // namespace portable
