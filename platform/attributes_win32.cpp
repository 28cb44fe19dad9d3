#include <windows.h>

#include "platform/attributes.h"
#include "platform/ansi_win32.h"

namespace zev::platform {

// The system's own word, as it stands; the directory bit is the system's to set.
std::uint32_t HostFileAttributes(const std::filesystem::path& hostPath) {
  return ::GetFileAttributesA(Ansi(hostPath).c_str());
}

bool SetHostFileAttributes(const std::filesystem::path& host, std::uint32_t attributes) {
  return ::SetFileAttributesA(Ansi(host).c_str(), attributes & ~faDirectory) != 0;
}

}  // namespace zev::platform
