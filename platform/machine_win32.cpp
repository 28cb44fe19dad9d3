#include <windows.h>

#include <system_error>

#include "platform/ansi_win32.h"
#include "platform/error.h"
#include "platform/host_names.h"
#include "platform/machine.h"

namespace fs = std::filesystem;

namespace zev::platform {

fs::path Machine::DefaultMachineDir() { return {}; }

void Machine::MapHostDrives() {
  // A drive without its disk (an empty floppy or card reader) is reported as missing to the
  // program, which asks for the disk itself, rather than by a box of the system's.
  ::SetErrorMode(::SetErrorMode(0) | SEM_FAILCRITICALERRORS);
  const DWORD present = ::GetLogicalDrives();
  for (int i = 0; i < 26; ++i) {
    if (!(present & (DWORD{1} << i))) continue;
    const char letter = static_cast<char>('A' + i);
    drives_[letter] = fs::path(std::wstring{static_cast<wchar_t>(letter), L':', L'\\'});
    hostDrives_.insert(letter);
  }
}

std::optional<std::string> Machine::HostWindowsDirectory() {
  char folder[MAX_PATH + 1];
  const UINT length = ::GetWindowsDirectoryA(folder, sizeof folder);
  if (length < 3 || length >= sizeof folder || folder[1] != ':') return std::nullopt;
  return std::string(folder, length);
}

// The file system finds names without regard to case itself, and a link on the way is the
// system's to follow, as for every program: the path is the drive's folder and the names as given.
fs::path Machine::Walk(const fs::path& root, const std::vector<std::string>& parts, WalkMode mode,
                       const std::string& full) const {
  fs::path current = root;
  if (mode == WalkMode::Create) {
    const DWORD attributes = ::GetFileAttributesA(Ansi(root).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY))
      throw Exception("Cannot create folder " + Shortened(full) + ": drive " + full[0] + ": is missing");
  }
  for (const std::string& part : parts) {
    {
      std::lock_guard lock(cacheLock_.mutex);
      ++lookups_;
    }
    current /= HostName(part);
    if (mode != WalkMode::Create) continue;
    const std::string host = Ansi(current);
    if (!::CreateDirectoryA(host.c_str(), nullptr)) {
      const DWORD error = ::GetLastError();
      if (error != ERROR_ALREADY_EXISTS)
        throw Exception("Cannot create folder " + Shortened(full) + ": " + std::system_category().message(static_cast<int>(error)));
    }
    const DWORD attributes = ::GetFileAttributesA(host.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY))
      throw Exception("Cannot create folder " + Shortened(full) + ": " + Shortened(host) + " is no folder");
  }
  return current;
}

}  // namespace zev::platform
