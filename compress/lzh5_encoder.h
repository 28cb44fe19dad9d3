// LZH5 encoder (method 4).
#pragma once

namespace zev::compress {

// Runs inside RunCodec until the frame's input ends.
void LZH5Compress();

}  // namespace zev::compress
