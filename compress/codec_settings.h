// What a caller chooses for one codec run: progress reports, the key, the output bounds and the
// LZH5 level.
#pragma once

#include <cstdint>
#include <functional>

#include "compress/method.h"

namespace zev::compress {

// Called once per input block with the percentage read so far; setting it to -1 aborts.
using ShowProgressHandler = std::function<void(std::int32_t& percentageDone)>;

struct CodecSettings {
  ShowProgressHandler onShowProgress;
  std::int32_t key = 0;
  // Compression may write at most as many bytes as it reads. Tests and benchmarks lift the
  // budget to see an encoder's whole output for inputs it cannot shrink.
  bool limitOutputToInput = true;
  // Which LZH5 encoder compresses (method 4 only).
  CompressionLevel level = CompressionLevel::Exact;
  // Expansion may write at most the declared size. LZH and LZH5 stop there by themselves; an RLE
  // stream holds no size of its own, so without this bound a few bytes of runs could write far
  // more than the archive declares (and than its free-space check allowed for).
  bool limitOutputToDeclaredSize = false;
};

}  // namespace zev::compress
