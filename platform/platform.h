// The platform boundary: every Win32, Direct3D 9 and D3DX 9 name the program
// uses. On Windows it is the SDK itself; elsewhere the portable layer declares
// the same names with the same values.
#pragma once

#if defined(_WIN32)
#include "platform/windows/sdk.h"
#else
#include "platform/portable/win_types.h"
#include "platform/portable/crt_files.h"
#include "platform/portable/win_api.h"
#include "platform/portable/d3d9_types.h"
#include "platform/portable/d3d9_api.h"
#include "platform/portable/d3dx9_math.h"
#include "platform/portable/d3dx9_api.h"
#endif
