// The platform boundary: every Win32, Direct3D 9 and D3DX 9 name the program
// uses. On Windows it is the SDK itself; elsewhere the portable layer declares
// the same names with the same values.
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
