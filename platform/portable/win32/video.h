// SDL's video subsystem: started on first use, shut down at exit.
#pragma once

namespace portable {

// Starts SDL's video subsystem once; false when no display can be opened.
// Background threads start after it: SDL forks while its video starts
// (D-Bus's launcher), and a thread running meanwhile can leave the child
// stuck on a lock it held, with SDL waiting for the child.
bool InitVideo();

} // namespace portable
