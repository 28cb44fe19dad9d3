#include "platform/no_link_files.h"
#include "platform/no_link_path.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <optional>

#include "platform/descriptor_posix.h"
#include "platform/error.h"
#include "platform/folder_index_posix.h"
#include "platform/machine.h"
#include "platform/path_names.h"
#include "platform/share_locks_posix.h"
#include "platform/text.h"

namespace fs = std::filesystem;

namespace zev::platform {
namespace {

// Seconds from 1601-01-01 (where Windows counts file times from) to 1970-01-01.
constexpr std::int64_t kEpochDifference = 11644473600;

std::int64_t WindowsFileTime(const struct timespec& t) {
  return (static_cast<std::int64_t>(t.tv_sec) + kEpochDifference) * 10000000 + t.tv_nsec / 100;
}

// One walk down a path: what stands at its end, and the open folder that holds it, so that the
// caller acts on the entry inside that folder.
struct Walk {
  EntryFacts facts;
  Descriptor parent;    // the folder that holds the last component; invalid for a drive root
  std::string name;     // the last component's host name as found
  fs::path host;        // the entry's host path
  fs::path root;        // the drive's folder
  struct stat st {};    // the entry's own status (File, Folder, Other)
  bool driveRoot = false;
};

Walk Refuse(Walk walk, std::string problem) {
  walk.facts.kind = EntryKind::Refused;
  walk.facts.problem = std::move(problem);
  return walk;
}

Walk WalkNoLinks(const std::string& windowsPath) {
  Walk walk;
  NoLinkPath placed;
  if (std::string problem = PlaceNoLinkPath(windowsPath, placed); !problem.empty())
    return Refuse(std::move(walk), std::move(problem));
  const std::string& full = placed.full;
  const std::vector<std::string>& parts = placed.parts;

  walk.root = walk.host = placed.driveFolder;
  Descriptor dir(::open(walk.root.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
  if (!dir.valid()) return walk;  // the drive's folder is missing: so is everything on it
  if (parts.empty()) {
    walk.driveRoot = true;
    walk.facts.kind = ::fstat(dir.get(), &walk.st) == 0 ? EntryKind::Folder : EntryKind::Missing;
    return walk;
  }
  std::string reached = full.substr(0, 2);
  for (std::size_t i = 0; i < parts.size(); ++i) {
    const bool last = i + 1 == parts.size();
    reached += "\\" + parts[i];
    const std::string hostName = Win1252ToUtf8(parts[i]);
    const std::optional<std::string> found = FindEntryNoCase(dir.get(), hostName, parts[i]);
    struct stat st;
    if (!found || ::fstatat(dir.get(), found->c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
      if (last) {
        walk.parent = std::move(dir);
        walk.name = hostName;
        walk.host /= hostName;
      }
      return walk;  // Missing
    }
    walk.host /= *found;
    if (S_ISLNK(st.st_mode)) {
      walk.facts.kind = EntryKind::Link;
      walk.facts.problem = reached + " is a symbolic link";
      return walk;
    }
    if (last) {
      walk.st = st;
      walk.name = *found;
      walk.parent = std::move(dir);
      if (S_ISREG(st.st_mode)) {
        walk.facts.kind = EntryKind::File;
        walk.facts.size = static_cast<std::int64_t>(st.st_size);
        walk.facts.modified = WindowsFileTime(st.st_mtim);
      } else if (S_ISDIR(st.st_mode)) {
        walk.facts.kind = EntryKind::Folder;
        ++walk.facts.existingFolders;
      } else {
        walk.facts.kind = EntryKind::Other;
      }
      return walk;
    }
    if (!S_ISDIR(st.st_mode)) return walk;  // a file on the way: nothing below it exists
    Descriptor next(::openat(dir.get(), found->c_str(), O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (!next.valid()) {
      // Swapped for a link since it was looked at, or gone.
      if (errno == ELOOP || errno == ENOTDIR) {
        walk.facts.kind = EntryKind::Link;
        walk.facts.problem = reached + " is a symbolic link";
      }
      return walk;
    }
    ++walk.facts.existingFolders;
    dir = std::move(next);
  }
  return walk;
}

// True when the entry is the folder of a mapped drive (a drive may be mapped inside another).
bool IsDriveFolder(const struct stat& st) {
  for (char letter : Machine::Current().Drives()) {
    struct stat drive;
    const auto folder = Machine::Current().DriveFolder(letter);
    if (folder && ::stat(folder->c_str(), &drive) == 0 && drive.st_dev == st.st_dev && drive.st_ino == st.st_ino)
      return true;
  }
  return false;
}



}  // namespace

EntryFacts LookUpNoLinks(const std::string& windowsPath) { return WalkNoLinks(windowsPath).facts; }

RemoveResult RemoveFileNoLinks(const std::string& windowsPath, const EntryFacts* expected) {
  const Walk walk = WalkNoLinks(windowsPath);
  if (walk.facts.kind != EntryKind::File) return NotThere(walk.facts, windowsPath, "a file");
  if (expected && (expected->size != walk.facts.size || expected->modified != walk.facts.modified))
    return Result(RemoveOutcome::Changed);
  // Windows does not delete a file that someone holds open; without read permission there is no
  // descriptor to ask with, and nobody here can have it open through this program either.
  Descriptor file(::openat(walk.parent.get(), walk.name.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
  if (file.valid()) {
    struct stat st;
    if (::fstat(file.get(), &st) != 0 || st.st_dev != walk.st.st_dev || st.st_ino != walk.st.st_ino)
      return Result(RemoveOutcome::Changed);
    if (IsOpenElsewhere(file.get())) return Result(RemoveOutcome::Failed, "in use by another program");
  }
  if (::unlinkat(walk.parent.get(), walk.name.c_str(), 0) != 0) return Result(RemoveOutcome::Failed, std::strerror(errno));
  NoteEntryRemoved(walk.host);
  return Result(RemoveOutcome::Removed);
}

RemoveResult RemoveFolderNoLinks(const std::string& windowsPath) {
  const Walk walk = WalkNoLinks(windowsPath);
  if (walk.facts.kind != EntryKind::Folder) return NotThere(walk.facts, windowsPath, "a folder");
  if (walk.driveRoot || IsDriveFolder(walk.st)) return Result(RemoveOutcome::Refused, windowsPath + " is a drive");
  if (::unlinkat(walk.parent.get(), walk.name.c_str(), AT_REMOVEDIR) != 0) {
    if (errno == ENOTEMPTY || errno == EEXIST) return Result(RemoveOutcome::NotEmpty);
    return Result(RemoveOutcome::Failed, std::strerror(errno));
  }
  NoteEntryRemoved(walk.host);
  return Result(RemoveOutcome::Removed);
}

std::vector<FolderEntry> ListFolderNoLinks(const std::string& windowsPath, std::size_t maxEntries, bool& complete) {
  std::vector<FolderEntry> entries;
  complete = false;
  const Walk walk = WalkNoLinks(windowsPath);
  if (walk.facts.kind != EntryKind::Folder) return entries;
  const int fd = walk.driveRoot ? ::open(walk.root.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)
                                : ::openat(walk.parent.get(), walk.name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  DIR* dir = fd >= 0 ? ::fdopendir(fd) : nullptr;
  if (!dir) {
    if (fd >= 0) ::close(fd);
    return entries;
  }
  complete = true;
  while (const struct dirent* entry = ::readdir(dir)) {
    const std::string hostName = entry->d_name;
    if (hostName == "." || hostName == "..") continue;
    if (entries.size() >= maxEntries) {
      complete = false;
      break;
    }
    FolderEntry item;
    struct stat st;
    if (::fstatat(::dirfd(dir), hostName.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) continue;  // gone meanwhile
    item.kind = S_ISLNK(st.st_mode)  ? EntryKind::Link
                : S_ISREG(st.st_mode) ? EntryKind::File
                : S_ISDIR(st.st_mode) ? EntryKind::Folder
                                      : EntryKind::Other;
    const std::optional<std::string> ansi = Utf8ToWin1252(hostName);
    item.windowsName = ansi && IsValidWindowsName(*ansi);
    item.name = item.windowsName ? *ansi : hostName;
    entries.push_back(std::move(item));
  }
  ::closedir(dir);
  return entries;
}

std::string ReadFileNoLinks(const std::string& windowsPath, std::size_t maxBytes, std::string& content) {
  content.clear();
  const Walk walk = WalkNoLinks(windowsPath);
  if (walk.facts.kind == EntryKind::Missing) return windowsPath + " does not exist";
  if (walk.facts.kind == EntryKind::Link || walk.facts.kind == EntryKind::Refused) return walk.facts.problem;
  if (walk.facts.kind != EntryKind::File) return windowsPath + " is not a file";
  Descriptor file(::openat(walk.parent.get(), walk.name.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
  struct stat st;
  if (!file.valid() || ::fstat(file.get(), &st) != 0) return windowsPath + ": " + std::strerror(errno);
  if (!S_ISREG(st.st_mode)) return windowsPath + " is not a file";
  if (static_cast<std::uint64_t>(st.st_size) > maxBytes)
    return windowsPath + " is larger than " + std::to_string(maxBytes) + " bytes";
  // The size may still change while it is read; no more than the limit is ever taken.
  char buffer[65536];
  for (;;) {
    const ssize_t n = ::read(file.get(), buffer, sizeof buffer);
    if (n < 0) {
      if (errno == EINTR) continue;
      return windowsPath + ": " + std::strerror(errno);
    }
    if (n == 0) break;
    if (content.size() + static_cast<std::size_t>(n) > maxBytes) {
      content.clear();
      return windowsPath + " is larger than " + std::to_string(maxBytes) + " bytes";
    }
    content.append(buffer, static_cast<std::size_t>(n));
  }
  return "";
}

}  // namespace zev::platform
