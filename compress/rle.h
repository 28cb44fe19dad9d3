// Run-length codec (method 1): escape byte 0x94, runs of 3..255 equal bytes.
#pragma once

#include <cstdint>

#include "compress/codec_table.h"

namespace zev::compress {

// The entry points of compress/codec_table.h. Both run until the frame's input ends; neither
// uses its second argument.
void RleEncode(CodecFrame& frame, CompressionLevel level);
void RleDecode(CodecFrame& frame, std::int32_t outputSize);

}  // namespace zev::compress
