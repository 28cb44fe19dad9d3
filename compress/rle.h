// Run-length codec (method 1): escape byte 0x94, runs of 3..255 equal bytes.
#pragma once

namespace zev::compress {

// Both run inside RunCodec until the frame's input ends.
void RleEncode();
void RleDecode();

}  // namespace zev::compress
