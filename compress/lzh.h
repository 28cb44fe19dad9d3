// Adaptive-Huffman LZ codec (method 2).
#pragma once

#include <cstdint>

#include "compress/codec_table.h"

namespace zev::compress {

// The entry points of compress/codec_table.h. The encoder runs until the frame's input ends (the
// level is not used); the decoder produces exactly outputSize bytes, and raises ETruncatedData
// for a stream that consumes bits beyond the end of its input.
void LzhEncode(CodecFrame& frame, CompressionLevel level);
void LzhDecode(CodecFrame& frame, std::int32_t outputSize);

}  // namespace zev::compress
