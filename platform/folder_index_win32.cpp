#include <windows.h>

#include "platform/folder_index.h"
#include "platform/handle_win32.h"
#include "platform/host_names.h"

namespace fs = std::filesystem;

namespace zev::platform {

// The file system finds names without regard to case itself: the look-up only learns the entry's
// own spelling.
std::optional<std::string> FindHostEntryNoCase(const fs::path& folder, const std::string& name) {
  // A wildcard would make the look-up a search.
  if (name.empty() || name.find_first_of("*?") != std::string::npos) return std::nullopt;
  WIN32_FIND_DATAW found;
  const HANDLE search = ::FindFirstFileW((folder / HostName(name)).c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return std::nullopt;
  ::FindClose(search);
  return WindowsName(found.cFileName);
}

// No folder is ever read to find a name.
std::uint64_t FolderListings() { return 0; }

}  // namespace zev::platform
