// Allocation failure on demand, for checking that entry points turn running
// out of memory into their failure result instead of letting an exception out,
// and the count of what is allocated, for checking what they hold on the way.
// Linking allocation_failure.cpp replaces the global operator new.
#pragma once

#include <cstddef>
#include <functional>

// Runs attempt() with the first allocation failing, then with the second
// failing, and so on, until a run makes no allocation fail (it ran through).
// attempt checks its own outcome. Returns how many runs were made.
int RunWithEachAllocationFailing(const std::function<void()>& attempt, int maxRuns = 200000);

// Blocks from operator new not yet given back.
long LiveAllocations();

// The most bytes from operator new that were held at once while attempt()
// ran, beyond those held when it started.
size_t PeakAllocatedBytes(const std::function<void()>& attempt);
