// DDS files hold their levels as they are or in DXT1 to DXT5 (BC1 to BC3)
// blocks; the blocks decode to B, G, R, A bytes. The DDS reader itself is
// one of decode.h's decoders.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/portable/d3d9/types.h"

namespace portable {

// Bytes of one 4x4 block: 8 for DXT1, 16 for the others.
size_t DxtBlockBytes(D3DFORMAT format);

// Decodes one block into 16 texels, row by row, 4 bytes each.
void DecodeDxtBlock(D3DFORMAT format, const uint8_t* block, uint8_t texels[64]);

// Decodes a whole level of width x height texels from its blocks; `out`
// holds width * height * 4 bytes. `data` holds every block of the level.
void DecodeDxtLevel(D3DFORMAT format, const uint8_t* data, uint32_t width, uint32_t height, uint8_t* out);

} // namespace portable
