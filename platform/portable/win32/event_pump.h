// The event pump: SDL's pending events into the thread's message queue, and
// the windows that another client destroyed meanwhile destroyed here too.
#pragma once

namespace portable {

// Moves pending SDL events into the message queue (PeekMessageW does this on every call).
void PumpEvents();

} // namespace portable
