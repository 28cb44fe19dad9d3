// libFuzzer entry point: the installation worker writing its uninstall list from arbitrary
// directory, file and shortcut entries, destinations and folder names.
#include <cstddef>
#include <cstdint>

#include "tests/fuzz/uninstall_writer_check.h"
#include "tests/support/scoped_machine.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static zev::platform::ScopedMachine machine;
  zev::fuzz::Enforce(zev::fuzz::CheckUninstallWriter(machine, data, size));
  return 0;
}
