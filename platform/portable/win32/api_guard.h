// Entry points of the layer never let a C++ exception out to their caller:
// what the body throws becomes the failure result the real API gives.
#pragma once

#include <new>
#include <utility>

#include "platform/portable/win32/types.h"

namespace portable {

// Runs body(); a std::bad_alloc gives outOfMemory, any other exception failure.
template <typename Result, typename Body>
Result GuardedCall(Result outOfMemory, Result failure, Body&& body) noexcept
{
    try {
        return std::forward<Body>(body)();
    } catch (const std::bad_alloc&) {
        return outOfMemory;
    } catch (...) {
        return failure;
    }
}

// The common HRESULT form: E_OUTOFMEMORY when memory runs out, E_FAIL otherwise.
template <typename Body>
HRESULT GuardedHresult(Body&& body) noexcept
{
    return GuardedCall<HRESULT>(E_OUTOFMEMORY, E_FAIL, std::forward<Body>(body));
}

} // namespace portable
