// Writes the MSZIP container of compressed .x files ("tzip" and "bzip"); its
// layout is in platform/portable/d3dx/xfile/format.h.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/portable/d3dx/xfile/format.h"

namespace modelgen {

struct MszipOptions {
    // Compress each block with the previous block's output as its
    // dictionary. Off: every block stands alone, which readers that reset
    // the window between blocks can also decode.
    bool chainBlocks = false;
    // Bytes of the payload a block holds, 1 to xformat::kMszipMaxBlock; the
    // last block holds the rest.
    std::size_t blockSize = xformat::kMszipMaxBlock;
};

// header: the 16-byte header of the compressed file; payload: everything
// that follows the header in the uncompressed file.
std::vector<std::uint8_t> MszipCompress(std::string_view header, std::string_view payload, const MszipOptions& options);

// One block as it stands in the file, frame and deflate stream: `data` (at
// most xformat::kMszipMaxBlock bytes) compressed with `dictionary` preset,
// none when it is empty.
std::vector<std::uint8_t> MszipBlock(std::string_view data, std::string_view dictionary);

} // namespace modelgen
