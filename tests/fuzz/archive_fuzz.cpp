// libFuzzer entry point: TCompress listing and expansion of an archive in memory.
#include <cstddef>
#include <cstdint>

#include "tests/fuzz/archive_check.h"
#include "tests/support/scoped_machine.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static zev::platform::ScopedMachine machine;
  zev::fuzz::Enforce(zev::fuzz::CheckArchive(data, size));
  return 0;
}
