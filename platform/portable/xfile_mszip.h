// MSZIP, the compression of "tzip" and "bzip" .x files: blocks of raw
// deflate data, each using the previous block's output as its dictionary.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// Inflates the blocks that follow the 16-byte .x header. `data` starts at the
// 4-byte total size (which counts the header too). False on any damage.
bool InflateMsZip(const uint8_t* data, size_t size, std::vector<char>& out);
