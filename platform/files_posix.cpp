#include "platform/files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <cerrno>
#include <limits>

#include "platform/attributes_posix.h"
#include "platform/descriptor_posix.h"
#include "platform/folder_index_posix.h"
#include "platform/share_locks_posix.h"

namespace fs = std::filesystem;

namespace zev::platform {
namespace {

// The bytes a statvfs result leaves to the user. Both factors are 64-bit unsigned; the product is
// capped instead of wrapping on an absurdly large volume.
std::int64_t AvailableBytes(const struct statvfs& vfs) {
  const auto limit = static_cast<unsigned long long>(std::numeric_limits<std::int64_t>::max());
  const unsigned long long blocks = vfs.f_bavail, size = vfs.f_frsize;
  if (size != 0 && blocks > limit / size) return std::numeric_limits<std::int64_t>::max();
  return static_cast<std::int64_t>(blocks * size);
}

// As on Windows, a read-only file or one that someone holds open cannot be deleted or replaced.
// A link counts as itself, never as what it points to.
bool MayRemove(const fs::path& host) {
  struct stat st;
  if (::lstat(host.c_str(), &st) != 0 || S_ISDIR(st.st_mode)) return false;
  if (!S_ISREG(st.st_mode)) return true;
  const Descriptor fd(::open(host.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
  if (!fd.valid()) return false;
  return !(DescriptorAttributes(fd.get()) & faReadOnly) && !IsOpenElsewhere(fd.get());
}

}  // namespace

std::optional<HostEntry> HostEntryOf(const fs::path& host) {
  struct stat st;
  if (::stat(host.c_str(), &st) != 0) return std::nullopt;
  return HostEntry{S_ISDIR(st.st_mode), static_cast<std::int64_t>(st.st_size), st.st_mtime};
}

bool DeleteHostFile(const fs::path& host) {
  if (!MayRemove(host) || ::unlink(host.c_str()) != 0) return false;
  NoteEntryRemoved(host);
  return true;
}

bool RenameHostFile(const fs::path& from, const fs::path& to) {
  if (!MayRemove(from)) return false;
  struct stat st;
  if (::lstat(to.c_str(), &st) == 0 && !MayRemove(to)) return false;
  if (::rename(from.c_str(), to.c_str()) != 0) return false;
  NoteEntryRemoved(from);
  NoteEntryAdded(to);
  return true;
}

bool CreateHostDirectory(const fs::path& host) {
  if (::mkdir(host.c_str(), 0777) != 0) return false;
  NoteEntryAdded(host);
  return true;
}

bool RemoveHostDirectory(const fs::path& host) {
  struct stat st;
  if (::lstat(host.c_str(), &st) != 0 || !S_ISDIR(st.st_mode) || ::rmdir(host.c_str()) != 0) return false;
  NoteEntryRemoved(host);
  return true;
}

std::int64_t HostFreeSpace(const fs::path& folder) {
  struct statvfs vfs;
  return ::statvfs(folder.c_str(), &vfs) == 0 ? AvailableBytes(vfs) : -1;
}

std::int64_t HostFreeSpaceFor(const fs::path& path) {
  // What does not exist yet will be made in its nearest existing folder, on that folder's file
  // system (a mount below the drive's folder has its own).
  fs::path at = path;
  struct statvfs vfs;
  while (::statvfs(at.c_str(), &vfs) != 0) {
    if ((errno != ENOENT && errno != ENOTDIR) || at == at.parent_path()) return -1;
    at = at.parent_path();
  }
  return AvailableBytes(vfs);
}

}  // namespace zev::platform
