// How the process's heap (glibc's malloc) is used: one arena for every
// thread, and free memory handed back to the system where large blocks have
// just been freed.
#pragma once

namespace portable {

// Threads started after this allocate from the main heap. Call it before
// starting a thread that allocates.
void KeepThreadsOnMainHeap();
// Hands the main heap's free memory back to the system.
void ReturnFreeHeapToSystem();

} // namespace portable
