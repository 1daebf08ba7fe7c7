// The C runtime's file opening with a sharing mode, as on Windows.
#pragma once

#include <cstdio>

#define _SH_DENYRW 0x10
#define _SH_DENYWR 0x20
#define _SH_DENYRD 0x30
#define _SH_DENYNO 0x40

// fopen of a Windows-style path (see ResolvePath). Nothing here locks
// a file against other processes, so every sharing mode shares everything.
// As on Windows, only a file opens: a directory, or anything else that is not
// a regular file, fails with errno EACCES (and a FIFO is never waited on).
FILE* _fsopen(const char* filename, const char* mode, int shareFlag);
