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

std::vector<std::string> MachineDriveItems(const std::vector<std::string>& items) {
  std::vector<std::string> own;
  for (const std::string& item : items) {
    const auto folder = item.empty() ? std::nullopt : Machine::Current().DriveFolder(item[0]);
    const bool hostDrive = folder && folder->root_path() == *folder;
    if (!hostDrive) own.push_back(item);
  }
  return own;
}

}  // namespace zev::platform
