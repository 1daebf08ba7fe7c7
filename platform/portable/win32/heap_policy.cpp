// The layer's threads (texture workers, fontconfig's load) allocate and free
// large blocks: texels freed once the device has them, a device's buffers
// freed on Reset. glibc never hands back the free top of a thread's own
// arena, so such an arena would stay resident for good; on the main heap the
// memory goes back to the system when it is trimmed, which the layer does
// right after such blocks go (the driver's copies, aligned and a little
// larger, would not fit in their place).
#include "platform/portable/win32/heap_policy.h"

#include <malloc.h>

namespace portable {

void KeepThreadsOnMainHeap() { mallopt(M_ARENA_MAX, 1); }

void ReturnFreeHeapToSystem() { malloc_trim(0); }

} // namespace portable
