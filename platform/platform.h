// The platform boundary: the Win32, Direct3D 9 and D3DX 9 names of the SDK
// that the program may use. The ones it does use are those the test fake
// (tests/fake/) implements. On Windows this is the SDK itself; elsewhere the
// portable layer declares the same names with the SDK's values, and keeps
// its own helpers in namespace portable, out of the program's sight.
#pragma once

#if defined(_WIN32)
#include "platform/windows/sdk.h"
#else
#include "platform/portable/win32/types.h"
#include "platform/portable/win32/crt_files.h"
#include "platform/portable/win32/api.h"
#include "platform/portable/d3d9/types.h"
#include "platform/portable/d3d9/api.h"
#include "platform/portable/d3dx/math.h"
#include "platform/portable/d3dx/api.h"
#endif
