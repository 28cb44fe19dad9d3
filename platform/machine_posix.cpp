#include "platform/machine.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <system_error>

#include "platform/descriptor_posix.h"
#include "platform/error.h"
#include "platform/folder_index_posix.h"
#include "platform/path_names.h"

namespace fs = std::filesystem;

namespace zev::platform {
namespace {

int OpenFolder(const fs::path& path) { return ::open(path.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC); }
int OpenFolderAt(int dirFd, const std::string& name) {
  return ::openat(dirFd, name.c_str(), O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
}

}  // namespace

fs::path Machine::DefaultMachineDir() {
  if (const char* dir = std::getenv("ZEV_MACHINE"); dir && *dir) return dir;
  // The XDG rules ignore a relative XDG_DATA_HOME.
  if (const char* data = std::getenv("XDG_DATA_HOME"); data && *data == '/') return fs::path(data) / "zev-setup" / "machine";
  const char* home = std::getenv("HOME");
  return fs::path(home && *home ? home : "/") / ".local" / "share" / "zev-setup" / "machine";
}

// Linux has no drive letters: every drive is a folder mapped by name.
void Machine::MapHostDrives() {}
std::optional<std::string> Machine::HostWindowsDirectory() { return std::nullopt; }

// One walk down from the drive's root with an open handle on each folder: every component costs
// one look-up in its own folder, however deep it lies. (Resolving each level from the root again
// made creating a path of depth d cost d^3.)
fs::path Machine::Walk(const fs::path& root, const std::vector<std::string>& parts, WalkMode mode,
                       const std::string& full) const {
  fs::path current = root;
  Descriptor folder(OpenFolder(root));
  if (mode == WalkMode::Create && !folder.valid())
    throw Exception("Cannot create folder " + Shortened(full) + ": drive " + full[0] + ": is missing");
  for (std::size_t i = 0; i < parts.size(); ++i) {
    {
      std::lock_guard lock(cacheLock_.mutex);
      ++lookups_;
    }
    const std::string hostName = Win1252ToUtf8(parts[i]);
    std::optional<std::string> found;
    if (folder.valid()) found = FindEntryNoCase(folder.get(), hostName, parts[i]);
    if (!found && mode == WalkMode::Create) {
      if (::mkdirat(folder.get(), hostName.c_str(), 0777) != 0 && errno != EEXIST)
        throw Exception("Cannot create folder " + Shortened(full) + ": " + std::strerror(errno));
      NoteEntryAddedAt(folder.get(), hostName);
      found = hostName;
    }
    if (!found) {
      // Nothing below a missing component can exist: keep the names as given.
      folder.Reset();
      current /= hostName;
      continue;
    }
    fs::path next = current / *found;
    const bool last = i + 1 == parts.size();
    struct stat st;
    if (::fstatat(folder.get(), found->c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) st.st_mode = 0;
    if (S_ISLNK(st.st_mode) && (mode != WalkMode::KeepLastLink || !last)) {
      // Follow the whole chain of links, and refuse to leave the drive's folder through it.
      std::error_code ec;
      fs::path target = fs::weakly_canonical(next, ec);
      if (ec || !IsInside(target, root)) throw Exception("Path leads outside drive " + std::string(1, full[0]) + ": " + full);
      next = target;
      folder.Reset(OpenFolder(target));
    } else if (S_ISDIR(st.st_mode)) {
      folder.Reset(OpenFolderAt(folder.get(), *found));
    } else {
      folder.Reset();
    }
    if (mode == WalkMode::Create && !folder.valid())
      throw Exception("Cannot create folder " + Shortened(full) + ": " + Shortened(next.string()) + " is no folder");
    current = next;
  }
  return current;
}

}  // namespace zev::platform
