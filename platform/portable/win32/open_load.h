// Which model load (load_scope.h) is open, by number.
#pragma once

#include <cstdint>

namespace portable {

// Numbers a new load and makes it the open one; never 0.
uint64_t NumberNextLoad();
// Ends the load `number`; false, and nothing changed, when another is open.
bool EndOpenLoad(uint64_t number);
// The open load's number; 0 when none is open.
uint64_t OpenLoadNumber();

} // namespace portable
