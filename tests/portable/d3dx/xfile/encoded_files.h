// Test helper: .x files in the binary and compressed encodings, written with
// modelgen's writer. The tests state their models in text; odd binary files
// are put together token by token.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "tools/modelgen/x_stream.h"

namespace portable {

// The binary form ("bin ") of a text file, floats of `floatBits` (32 or 64)
// bits: the tokens of the text, as the reader's text tokenizer splits it,
// written again. Numbers in data gather into integer and float lists, the
// separators among and after them dropped; numbers in template declarations
// are integer tokens.
std::string XTextToBinary(std::string_view text, unsigned floatBits = 32);

// The compressed form of a text or binary file: "txt " becomes "tzip", "bin "
// becomes "bzip", and the body is cut into MSZIP blocks of `blockSize` bytes,
// each with the block before it as its dictionary.
std::string XCompress(std::string_view file, size_t blockSize = 32768);

// A compressed file ("tzip" or "bzip") whose body is `head`, `count` copies
// of `unit`, then `tail`. Blocks inside the run of copies are alike, so each
// is compressed once: a body of gigabytes takes a few megabytes. The unit's
// size must divide the 32768-byte block.
std::string XCompressRun(std::string_view format, std::string_view head, std::string_view unit, size_t count,
                         std::string_view tail);

// A binary file (32-bit floats) of what `write` puts down after the header.
std::string XBinaryFile(const std::function<void(modelgen::XStream&)>& write);

// A 32-bit number as the binary encoding stores it, for modelgen::WriteRaw.
std::string XU32(uint32_t value);

} // namespace portable
