// libFuzzer entry point: the RLE decoder on arbitrary streams and the RLE round trip.
#include <cstddef>
#include <cstdint>

#include "tests/fuzz/codec_check.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  zev::fuzz::Enforce(zev::fuzz::CheckRle(data, size));
  return 0;
}
