#include "platform/scoped_machine.h"

#include <cstdlib>
#include <string>
#include <system_error>

#include "platform/error.h"

namespace fs = std::filesystem;

namespace zev::platform {

ScopedMachine::ScopedMachine() : saved_(Machine::Current()) {
  std::string templ = (fs::temp_directory_path() / "zev-machine-XXXXXX").string();
  if (!::mkdtemp(templ.data())) throw Exception("Cannot create a temporary machine folder");
  root_ = templ;
  fs::create_directories(StartDir());
  Machine::Current().Configure(MachineDir(), StartDir());
}

ScopedMachine::~ScopedMachine() {
  Machine::Current() = saved_;
  // Read-only files are only protected by the layer; the host may remove them.
  std::error_code ec;
  fs::remove_all(root_, ec);
}

fs::path ScopedMachine::Host(const std::string& windowsPath) const {
  return Machine::Current().ToHostPath(windowsPath);
}

}  // namespace zev::platform
