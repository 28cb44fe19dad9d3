// libFuzzer entry point: the INI writer fed arbitrary sections, keys and values.
#include <cstddef>
#include <cstdint>

#include "tests/fuzz/ini_writer_check.h"
#include "tests/support/scoped_machine.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static zev::platform::ScopedMachine machine;
  zev::fuzz::Enforce(zev::fuzz::CheckIniWriter(data, size));
  return 0;
}
