// The portable ID3DXBuffer: a block of memory with a reference count.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/portable/d3dx/api.h"

namespace portable {

// A buffer of `size` zero bytes, holding one reference; null when out of memory.
ID3DXBuffer* CreateBuffer(size_t size);

// Has `action(argument)` run when the buffer (one CreateBuffer made) goes,
// once its last reference is released.
void SetReleaseAction(ID3DXBuffer* buffer, void (*action)(uint64_t) noexcept, uint64_t argument);

} // namespace portable
