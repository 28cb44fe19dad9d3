// Adaptive-Huffman LZ codec (method 2).
#pragma once

#include <cstdint>

namespace zev::compress {

// Both run inside RunCodec. The encoder runs until the frame's input ends; the decoder
// produces exactly outputSize bytes, and raises ETruncatedData for a stream that consumes bits
// beyond the end of its input.
void LzhEncode();
void LzhDecode(std::int32_t outputSize);

}  // namespace zev::compress
