// A model load, as the file look-ups see it: from the moment a model's
// materials are handed out until its textures are loaded (its materials
// buffer released, or the next model's load). What is learnt about files
// during one (folder listings, files that failed) is kept for its whole length
// and let go when it closes.
#pragma once

#include <cstdint>

namespace portable {

// Closes the load open, if any, and opens a new one; returns its number (never 0).
uint64_t OpenLoad();
// Closes the load `number` if it is still the open one.
void CloseLoad(uint64_t number);

} // namespace portable
