// LZH5 decoder (method 4): 8 KiB window, static Huffman codes sent per block.
#pragma once

#include <cstdint>

namespace zev::compress {

// Runs inside RunCodec and produces exactly outputSize bytes (a last match that runs past it is
// cut). Raises ELZHBadDecodeTable for a code-length list that is not a complete prefix code or
// that would reach outside the decoder's tables, and ETruncatedData for a stream that consumes
// bits beyond the end of its input.
void LZH5Expand(std::int32_t outputSize);

}  // namespace zev::compress
