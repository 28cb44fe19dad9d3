// libFuzzer entry point: Lzh5Decode on arbitrary streams and the LZH5 round trip.
#include <cstddef>
#include <cstdint>

#include "tests/fuzz/codec_check.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  zev::fuzz::Enforce(zev::fuzz::CheckLzh5(data, size));
  return 0;
}
