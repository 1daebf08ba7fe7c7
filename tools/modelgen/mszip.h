// The MSZIP container of compressed .x files ("tzip" and "bzip").
//
// After the 16-byte header: the total uncompressed size (header included) as
// a 4-byte little-endian count, then blocks of at most 32 KiB of output, each
// as a 2-byte uncompressed size, a 2-byte compressed size that counts the
// "CK" signature, "CK", and one complete raw deflate stream. A block may
// refer back into the output of the block before it (that output is its
// preset dictionary).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace modelgen {

constexpr std::size_t kMszipBlockSize = 32768;

struct MszipOptions {
    // Compress each block with the previous block's output as its
    // dictionary. Off: every block stands alone, which readers that reset
    // the window between blocks can also decode.
    bool chainBlocks = false;
};

// header: the 16-byte header of the compressed file; payload: everything
// that follows the header in the uncompressed file.
std::vector<std::uint8_t> MszipCompress(std::string_view header, std::string_view payload,
                                        const MszipOptions& options);

}  // namespace modelgen
