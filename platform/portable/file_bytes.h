// Whole files read into memory, named the Windows way.
#pragma once

#include <cstddef>
#include <string_view>
#include <vector>

// Reads the file (backslashes and any letter case resolved); false when it
// cannot be opened or read, or is larger than `limit` bytes.
bool ReadWholeFile(std::wstring_view path, std::vector<char>& bytes, size_t limit = size_t{1} << 31);
