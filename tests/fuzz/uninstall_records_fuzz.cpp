// libFuzzer entry point: a removal driven by an arbitrary uninstall.cfg and uninstall.zev.
#include <cstddef>
#include <cstdint>

#include "tests/fuzz/uninstall_records_check.h"
#include "tests/support/scoped_machine.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static zev::platform::ScopedMachine machine;
  zev::fuzz::Enforce(zev::fuzz::CheckUninstallRecords(machine, data, size));
  return 0;
}
