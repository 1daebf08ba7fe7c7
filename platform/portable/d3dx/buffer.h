// The portable ID3DXBuffer: a block of memory with a reference count.
#pragma once

#include <cstddef>

#include "platform/portable/d3dx/api.h"

namespace portable {

// A buffer of `size` zero bytes, holding one reference; null when out of memory.
ID3DXBuffer* CreateBuffer(size_t size);

} // namespace portable
