// Test helper: the binary and compressed forms of a .x file written as text.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace portable {

// The binary form ("bin "), floats of `floatBits` (32 or 64) bits. Numbers
// with a '.' or an exponent become float lists, others integer lists.
std::string XTextToBinary(std::string_view text, unsigned floatBits = 32);

// The compressed form of a text or binary file: "txt " becomes "tzip", "bin "
// becomes "bzip", and the body is cut into MSZIP blocks of `blockSize` bytes.
std::string XCompress(std::string_view file, size_t blockSize = 32768);

// A compressed file ("tzip" or "bzip") whose body is `head`, `count` copies
// of `unit`, then `tail`. Blocks inside the run of copies are alike, so each
// is compressed once: a body of gigabytes takes a few megabytes. The unit's
// size must divide the 32768-byte block.
std::string XCompressRun(std::string_view format, std::string_view head, std::string_view unit, size_t count,
                         std::string_view tail);

} // namespace portable
