#include "platform/files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <limits>
#include <optional>
#include <system_error>

#include "platform/dos_time.h"
#include "platform/error.h"
#include "platform/folder_index.h"
#include "platform/machine.h"
#include "platform/path_names.h"
#include "platform/share_locks.h"
#include "platform/text.h"

namespace fs = std::filesystem;

namespace zev::platform {
namespace {

// Host path of a Windows path, or nothing when it cannot be reached: these calls report failure
// instead of throwing.
std::optional<fs::path> HostOf(const std::string& path, bool follow = true) {
  try {
    return follow ? Machine::Current().ToHostPath(path) : Machine::Current().ToHostPathNoFollow(path);
  } catch (const Exception&) {
    return std::nullopt;
  }
}

std::optional<struct stat> StatOf(const std::string& path) {
  auto host = HostOf(path);
  struct stat st;
  if (!host || ::stat(host->c_str(), &st) != 0) return std::nullopt;
  return st;
}

// The bytes a statvfs result leaves to the user. Both factors are 64-bit unsigned; the product is
// capped instead of wrapping on an absurdly large volume.
std::int64_t AvailableBytes(const struct statvfs& vfs) {
  const auto limit = static_cast<unsigned long long>(std::numeric_limits<std::int64_t>::max());
  const unsigned long long blocks = vfs.f_bavail, size = vfs.f_frsize;
  if (size != 0 && blocks > limit / size) return std::numeric_limits<std::int64_t>::max();
  return static_cast<std::int64_t>(blocks * size);
}

bool IsDriveRoot(const fs::path& host) {
  for (char letter : Machine::Current().Drives()) {
    auto folder = Machine::Current().DriveFolder(letter);
    std::error_code ec;
    if (folder && fs::equivalent(*folder, host, ec)) return true;
  }
  return false;
}

}  // namespace

bool FileExists(const std::string& path) {
  auto st = StatOf(path);
  return st && !S_ISDIR(st->st_mode);
}

std::int64_t FileSize(const std::string& path) {
  auto st = StatOf(path);
  return st && !S_ISDIR(st->st_mode) ? static_cast<std::int64_t>(st->st_size) : -1;
}

std::int32_t FileAge(const std::string& path) {
  auto st = StatOf(path);
  return st && !S_ISDIR(st->st_mode) ? ToDosDateTime(st->st_mtime) : -1;
}

namespace {

// As on Windows, a read-only file or one that someone holds open cannot be deleted or replaced.
// A link counts as itself, never as what it points to.
bool MayRemove(const fs::path& host) {
  struct stat st;
  if (::lstat(host.c_str(), &st) != 0 || S_ISDIR(st.st_mode)) return false;
  if (!S_ISREG(st.st_mode)) return true;
  const int fd = ::open(host.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return false;
  const bool kept = (DescriptorAttributes(fd) & faReadOnly) || IsOpenElsewhere(fd);
  ::close(fd);
  return !kept;
}

}  // namespace

bool DeleteFile(const std::string& path) {
  auto host = HostOf(path, false);
  if (!host || !MayRemove(*host) || ::unlink(host->c_str()) != 0) return false;
  NoteEntryRemoved(*host);
  return true;
}

bool ReplaceFile(const std::string& source, const std::string& target) {
  auto from = HostOf(source, false);
  auto to = HostOf(target, false);
  if (!from || !to || !MayRemove(*from)) return false;
  struct stat st;
  if (::lstat(to->c_str(), &st) == 0 && !MayRemove(*to)) return false;
  if (::rename(from->c_str(), to->c_str()) != 0) return false;
  NoteEntryRemoved(*from);
  NoteEntryAdded(*to);
  return true;
}

bool CreateDirectory(const std::string& path) {
  auto host = HostOf(path, false);
  if (!host || ::mkdir(host->c_str(), 0777) != 0) return false;
  NoteEntryAdded(*host);
  return true;
}

bool RemoveDirectory(const std::string& path) {
  auto host = HostOf(path, false);
  struct stat st;
  if (!host || ::lstat(host->c_str(), &st) != 0 || !S_ISDIR(st.st_mode) || IsDriveRoot(*host)) return false;
  if (::rmdir(host->c_str()) != 0) return false;
  NoteEntryRemoved(*host);
  return true;
}

std::int64_t DiskFree(int drive) {
  Machine& machine = Machine::Current();
  char letter;
  if (drive == 0) {
    const std::string current = machine.CurrentDirectory();
    if (current.empty()) return -1;
    letter = current[0];
  } else if (drive >= 1 && drive <= 26) {
    letter = static_cast<char>('A' + drive - 1);
  } else {
    return -1;
  }
  auto folder = machine.DriveFolder(letter);
  struct statvfs vfs;
  if (!folder || ::statvfs(folder->c_str(), &vfs) != 0) return -1;
  return AvailableBytes(vfs);
}

std::int64_t DiskFreeAt(const std::string& path) {
  auto host = HostOf(path, false);
  if (!host) return -1;
  // What does not exist yet will be made in its nearest existing folder, on that folder's file
  // system (a mount below the drive's folder has its own).
  fs::path at = *host;
  struct statvfs vfs;
  while (::statvfs(at.c_str(), &vfs) != 0) {
    if ((errno != ENOENT && errno != ENOTDIR) || at == at.parent_path()) return -1;
    at = at.parent_path();
  }
  return AvailableBytes(vfs);
}

std::vector<SearchRec> FindFiles(const std::string& pattern, std::uint32_t attributeMask) {
  std::vector<SearchRec> found;
  std::string folder, mask;
  try {
    const std::string full = Machine::Current().ExpandFileName(pattern);
    // A pattern that ends in a separator names no entries, as on Windows.
    if (!pattern.empty() && IsPathSeparator(pattern.back())) return found;
    const std::size_t cut = full.find_last_of('\\');
    folder = full.substr(0, cut == 2 ? 3 : cut);
    mask = full.substr(cut + 1);
  } catch (const Exception&) {
    return found;
  }
  if (mask.empty()) return found;
  auto host = HostOf(folder);
  std::error_code ec;
  if (!host || !fs::is_directory(*host, ec)) return found;

  const std::uint32_t excluded = ~attributeMask & (faHidden | faSysFile | faVolumeID | faDirectory);
  auto consider = [&](const std::string& name, std::optional<fs::path> real) {
    if (!MatchesMask(name, mask)) return;
    // Entries are reached through the machine again, so a link that leaves the drive is left out.
    if (!real) real = HostOf(folder + (folder.size() == 3 ? "" : "\\") + name);
    struct stat st;
    if (!real || ::stat(real->c_str(), &st) != 0) return;
    const std::uint32_t attributes = HostFileAttributes(*real);
    if (attributes == kInvalidAttributes || (attributes & excluded)) return;
    SearchRec rec;
    rec.Name = name;
    rec.Attr = attributes;
    rec.Size = S_ISDIR(st.st_mode) ? 0 : static_cast<std::int64_t>(st.st_size);
    rec.Time = ToDosDateTime(st.st_mtime);
    found.push_back(std::move(rec));
  };

  if (folder.size() > 3) {
    consider(".", *host);
    consider("..", host->parent_path());
  }
  for (fs::directory_iterator it(*host, ec), end; !ec && it != end; it.increment(ec)) {
    auto name = Utf8ToWin1252(it->path().filename().string());
    if (name && IsValidWindowsName(*name)) consider(*name, std::nullopt);
  }
  std::sort(found.begin(), found.end(), [](const SearchRec& a, const SearchRec& b) {
    const std::string ua = UpperCase(a.Name), ub = UpperCase(b.Name);
    return ua != ub ? ua < ub : a.Name < b.Name;
  });
  return found;
}

}  // namespace zev::platform
