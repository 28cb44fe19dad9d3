#include "platform/file_stream.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/attributes.h"
#include "platform/attributes_posix.h"
#include "platform/descriptor_posix.h"
#include "platform/folder_index_posix.h"
#include "platform/share_locks_posix.h"

namespace zev::platform {
namespace {

// Opens without following a link at the path and without blocking on a FIFO; only regular files
// are accepted. Descriptors are always opened for reading too where possible, because the sharing
// locks need it; the stream itself restricts what the caller may do.
int OpenRegular(const std::filesystem::path& host, int flags, mode_t mode) {
  const int common = O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC;
  int fd = ::open(host.c_str(), flags | common, mode);
  if (fd < 0 && errno == EACCES && (flags & O_ACCMODE) == O_RDWR && !(flags & O_CREAT))
    fd = ::open(host.c_str(), (flags & ~O_ACCMODE) | O_WRONLY | common, mode);
  if (fd < 0) return -1;
  struct stat st;
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    return -1;
  }
  return fd;
}

// Cuts the file to nothing. A file that is empty already is left alone: ext4 takes a truncation
// to zero as the first half of a replace-by-truncate and then writes the whole new contents back
// to disk synchronously when the file is closed, which a freshly created file does not need.
bool EmptyFile(int fd) {
  struct stat st;
  if (::fstat(fd, &st) != 0) return false;
  return st.st_size == 0 || ::ftruncate(fd, 0) == 0;
}

// The descriptor a stream holds as its handle.
int Fd(std::intptr_t handle) { return static_cast<int>(handle); }

}  // namespace

bool FileStream::CreateHost(const std::filesystem::path& host) {
  const int fd = OpenRegular(host, O_RDWR | O_CREAT, 0666);
  // Replacing is writing: a read-only file stays as it is, whoever runs the program. Windows
  // also refuses to replace a hidden or system file with a plain new one.
  if (fd < 0 || (DescriptorAttributes(fd) & (faReadOnly | faHidden | faSysFile)) ||
      !AcquireShare(fd, ShareRequest{true, true, true, true}) || !EmptyFile(fd)) {
    if (fd >= 0) ::close(fd);
    return false;
  }
  ClearStoredAttributes(fd);  // a replaced file has the attributes of a new one
  NoteEntryAdded(host);
  handle_ = fd;
  return true;
}

bool FileStream::OpenHost(const std::filesystem::path& host, const ShareRequest& request) {
  const int fd = OpenRegular(host, request.write ? O_RDWR : O_RDONLY, 0);
  if (fd < 0 || (request.write && (DescriptorAttributes(fd) & faReadOnly)) || !AcquireShare(fd, request)) {
    if (fd >= 0) ::close(fd);
    return false;
  }
  handle_ = fd;
  return true;
}

void FileStream::CloseHost() {
  if (handle_ >= 0) ::close(Fd(handle_));  // also ends this opener's sharing locks
  handle_ = -1;
}

std::size_t FileStream::ReadThrough(void* buffer, std::size_t count) {
  return ReadFully(Fd(handle_), buffer, count);
}

std::size_t FileStream::WriteThrough(const void* buffer, std::size_t count) {
  return WriteFully(Fd(handle_), buffer, count);
}

std::int64_t FileStream::SeekThrough(std::int64_t offset, SeekOrigin origin) {
  const int whence = origin == SeekOrigin::Begin ? SEEK_SET : origin == SeekOrigin::Current ? SEEK_CUR : SEEK_END;
  return ::lseek(Fd(handle_), static_cast<off_t>(offset), whence);
}

std::int64_t FileStream::SizeThrough() {
  struct stat st;
  return ::fstat(Fd(handle_), &st) == 0 ? static_cast<std::int64_t>(st.st_size) : -1;
}

bool FileStream::Truncate(std::int64_t size) { return ::ftruncate(Fd(handle_), static_cast<off_t>(size)) == 0; }

bool FileStream::SetModified(std::time_t time) {
  struct timespec times[2];
  times[0].tv_sec = 0;
  times[0].tv_nsec = UTIME_OMIT;  // only the modification time, as on Windows
  times[1].tv_sec = time;
  times[1].tv_nsec = 0;
  return ::futimens(Fd(handle_), times) == 0;
}

std::optional<std::time_t> FileStream::Modified() {
  struct stat st;
  if (::fstat(Fd(handle_), &st) != 0) return std::nullopt;
  return st.st_mtime;
}

}  // namespace zev::platform
