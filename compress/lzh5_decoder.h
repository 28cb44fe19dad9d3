// LZH5 decoder (method 4): 8 KiB window, static Huffman codes sent per block.
#pragma once

#include <cstdint>

#include "compress/codec_table.h"

namespace zev::compress {

// The decoding entry point of compress/codec_table.h: produces exactly outputSize bytes (a last
// match that runs past it is cut). Raises ELZHBadDecodeTable for a code-length list that is not a
// complete prefix code or that would reach outside the decoder's tables, and ETruncatedData for a
// stream that consumes bits beyond the end of its input.
void Lzh5Decode(CodecFrame& frame, std::int32_t outputSize);

}  // namespace zev::compress
