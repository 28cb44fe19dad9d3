// libFuzzer entry point: TSegCompEZ reading a segment set given as in-memory files.
#include <cstddef>
#include <cstdint>

#include "tests/fuzz/segment_check.h"
#include "tests/support/scoped_machine.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static zev::platform::ScopedMachine machine;
  zev::fuzz::Enforce(zev::fuzz::CheckSegmentSet(data, size));
  return 0;
}
