#include <windows.h>

#include "platform/attributes.h"
#include "platform/ansi_win32.h"

namespace zev::platform {

// The system's own word, as it stands; the directory bit is the system's to set.
std::uint32_t HostFileAttributes(const std::filesystem::path& hostPath) {
  return ::GetFileAttributesA(Ansi(hostPath).c_str());
}

bool SetHostFileAttributes(const std::filesystem::path& host, std::uint32_t attributes) {
  const std::string name = Ansi(host);
  const DWORD word = attributes & ~faDirectory;
  // The other bits go first, read-only last: Wine keeps hidden and system in an extended
  // attribute of the host's, which it cannot write once it has made the file read-only. On
  // Windows the first call changes nothing that the second does not.
  if ((word & faReadOnly) && !::SetFileAttributesA(name.c_str(), word & ~faReadOnly)) return false;
  return ::SetFileAttributesA(name.c_str(), word) != 0;
}

}  // namespace zev::platform
