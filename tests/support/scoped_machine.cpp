#include "tests/support/scoped_machine.h"

#include <string>

namespace fs = std::filesystem;

namespace zev::platform {

ScopedMachine::ScopedMachine() : saved_(Machine::Current()), root_("zev-machine-") {
  fs::create_directories(StartDir());
  Machine::Current().Configure(MachineDir(), StartDir());
}

ScopedMachine::~ScopedMachine() {
  Machine::Current() = saved_;
  // The folder goes with root_: read-only files are only protected by the layer, and the host
  // may remove them.
}

fs::path ScopedMachine::Host(const std::string& windowsPath) const {
  return Machine::Current().ToHostPath(windowsPath);
}

}  // namespace zev::platform
