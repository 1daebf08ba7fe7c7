// Windows: the boundary is the SDK.
#pragma once

#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
#include <share.h>
#include <stdio.h>
#include <mmsystem.h>
#include <d3d9.h>
#include <d3dx9.h>
