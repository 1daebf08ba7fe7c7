// Allocation failure on demand, for checking that entry points turn running
// out of memory into their failure result instead of letting an exception out.
// Linking allocation_failure.cpp replaces the global operator new.
#pragma once

#include <functional>

// Runs attempt() with the first allocation failing, then with the second
// failing, and so on, until a run makes no allocation fail (it ran through).
// attempt checks its own outcome. Returns how many runs were made.
int RunWithEachAllocationFailing(const std::function<void()>& attempt, int maxRuns = 200000);
