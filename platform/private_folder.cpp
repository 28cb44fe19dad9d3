#include "platform/private_folder.h"

#include <random>
#include <system_error>

#include "platform/error.h"
#include "platform/machine.h"

namespace fs = std::filesystem;

namespace zev::platform {

ScopedTempDir::ScopedTempDir(const std::string& prefix) {
  std::random_device seed;
  std::mt19937 random(seed());
  std::uniform_int_distribution<int> letter(0, 25);
  std::error_code error;
  const fs::path base = fs::temp_directory_path(error);
  // A name someone else took is tried again under another; any other failure is final.
  for (int attempt = 0; !error && attempt < 100; ++attempt) {
    std::string name = prefix;
    for (int i = 0; i < 8; ++i) name += static_cast<char>('a' + letter(random));
    bool taken = false;
    if (CreatePrivateHostFolder(base / name, taken)) {
      path_ = base / name;
      return;
    }
    if (!taken) break;
  }
  throw Exception("cannot create a temporary folder");
}

ScopedTempDir::~ScopedTempDir() {
  std::error_code ignored;
  fs::remove_all(path_, ignored);
}

PrivateFolderCheck CheckPrivateFolder(const std::string& windowsPath) {
  PrivateFolderCheck check;
  check.host = Machine::Current().ToHostPathNoFollow(windowsPath);
  check.standing = HostFolderStanding(check.host);
  return check;
}

bool MakeFolderPrivate(const std::string& windowsPath) {
  try {
    return RestrictHostFolder(Machine::Current().ToHostPathNoFollow(windowsPath));
  } catch (const Exception&) {
    return false;
  }
}

}  // namespace zev::platform
