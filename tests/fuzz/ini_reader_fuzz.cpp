// libFuzzer entry point: the INI model and ReadInstallConfig on arbitrary install.cfg files.
#include <cstddef>
#include <cstdint>

#include "tests/fuzz/ini_reader_check.h"
#include "tests/support/scoped_machine.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static zev::platform::ScopedMachine machine;
  zev::fuzz::Enforce(zev::fuzz::CheckIniReader(data, size));
  return 0;
}
