// Files named the Windows way: backslash separators and any letter case.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

namespace portable {

// The file system path for a Windows-style path: backslashes become slashes,
// and each component that does not exist as written takes the name of an
// entry of its directory that matches it without regard to case (the first in
// byte order when several do). From the first component that matches nothing
// on, the path is kept as written, so that the result can still be created.
std::string ResolvePath(std::string_view path);
// The same for a wide path (one wchar_t per code point); the result is UTF-8.
std::string ResolvePath(std::wstring_view path);
// std::fopen of the resolved path.
FILE* OpenWindowsPath(std::wstring_view path, const char* mode);
// Lets go of the listings kept for loads no longer open, past the small share kept outside loads.
void TrimFolderListings();
// How many times a folder has been read for a look-up, since the start.
uint64_t FoldersListed();

} // namespace portable
