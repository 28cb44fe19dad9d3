#include "platform/file_stream.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "platform/attributes.h"
#include "platform/dos_time.h"
#include "platform/error.h"
#include "platform/folder_index.h"
#include "platform/machine.h"
#include "platform/share_locks.h"

namespace zev::platform {
namespace {

// The sharing part of a mode as the rights it leaves to others; compat is as strict as exclusive.
bool DecodeShare(std::uint16_t share, ShareRequest& request) {
  switch (share) {
    case fmShareCompat:
    case fmShareExclusive: request.denyRead = request.denyWrite = true; return true;
    case fmShareDenyWrite: request.denyWrite = true; return true;
    case fmShareDenyRead: request.denyRead = true; return true;
    case fmShareDenyNone: return true;
    default: return false;
  }
}

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

}  // namespace

FileStream::FileStream(const std::string& windowsPath, std::uint16_t mode) : name_(windowsPath) {
  if (mode == fmCreate) {
    std::filesystem::path host;
    try {
      host = Machine::Current().ToHostPathNoFollow(windowsPath);
    } catch (const Exception&) {
      throw EFCreateError(windowsPath);
    }
    fd_ = OpenRegular(host, O_RDWR | O_CREAT, 0666);
    // Replacing is writing: a read-only file stays as it is, whoever runs the program. Windows
    // also refuses to replace a hidden or system file with a plain new one.
    if (fd_ < 0 || (DescriptorAttributes(fd_) & (faReadOnly | faHidden | faSysFile)) ||
        !AcquireShare(fd_, ShareRequest{true, true, true, true}) || !EmptyFile(fd_)) {
      if (fd_ >= 0) ::close(fd_);
      throw EFCreateError(windowsPath);
    }
    ClearStoredAttributes(fd_);  // a replaced file has the attributes of a new one
    NoteEntryAdded(host);
    canRead_ = canWrite_ = true;
    return;
  }

  ShareRequest request;
  const std::uint16_t access = mode & 0x03;
  if ((mode & ~0xF3u) != 0 || access == 3 || !DecodeShare(mode & 0xF0, request)) throw EFOpenError(windowsPath);
  request.read = access != fmOpenWrite;
  request.write = access != fmOpenRead;
  std::filesystem::path host;
  try {
    host = Machine::Current().ToHostPath(windowsPath);
  } catch (const Exception&) {
    throw EFOpenError(windowsPath);
  }
  fd_ = OpenRegular(host, request.write ? O_RDWR : O_RDONLY, 0);
  if (fd_ < 0 || (request.write && (DescriptorAttributes(fd_) & faReadOnly)) || !AcquireShare(fd_, request)) {
    if (fd_ >= 0) ::close(fd_);
    throw EFOpenError(windowsPath);
  }
  canRead_ = request.read;
  canWrite_ = request.write;
}

FileStream::~FileStream() {
  WritePending();
  if (fd_ >= 0) ::close(fd_);  // also ends this opener's sharing locks
}

void FileStream::GatherWrites(std::size_t size) {
  if (!canWrite_) return;
  WritePending();
  gatherSize_ = size;
  pending_.reserve(size);
}

void FileStream::Flush() {
  if (!WritePending()) throw EWriteError();
}

bool FileStream::WritePending() {
  if (!pending_.empty()) {
    if (WriteThrough(pending_.data(), pending_.size()) != pending_.size()) writeFailed_ = true;
    pending_.clear();
  }
  return !writeFailed_;
}

void FileStream::ReadAhead(std::size_t size) {
  if (!canRead_ || canWrite_ || size == 0 || readAheadSize_ != 0) return;
  ahead_ = std::make_unique_for_overwrite<std::uint8_t[]>(size);
  readAheadSize_ = size;
}

std::size_t FileStream::Read(void* buffer, std::size_t count) {
  if (!canRead_) return 0;
  WritePending();
  if (readAheadSize_ == 0) return ReadThrough(buffer, count);
  auto* out = static_cast<std::uint8_t*>(buffer);
  std::size_t done = 0;
  while (done < count) {
    if (aheadPos_ == aheadEnd_) {
      if (count - done >= readAheadSize_) return done + ReadThrough(out + done, count - done);
      aheadEnd_ = ReadThrough(ahead_.get(), readAheadSize_);
      aheadPos_ = 0;
      if (aheadEnd_ == 0) break;
    }
    const std::size_t n = std::min(count - done, aheadEnd_ - aheadPos_);
    std::memcpy(out + done, ahead_.get() + aheadPos_, n);
    aheadPos_ += n;
    done += n;
  }
  return done;
}

std::size_t FileStream::ReadThrough(void* buffer, std::size_t count) {
  auto* out = static_cast<char*>(buffer);
  std::size_t done = 0;
  while (done < count) {
    const ssize_t n = ::read(fd_, out + done, count - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    done += static_cast<std::size_t>(n);
  }
  return done;
}

std::size_t FileStream::Write(const void* buffer, std::size_t count) {
  if (!canWrite_) return 0;
  if (gatherSize_ == 0) return WriteThrough(buffer, count);
  if ((pending_.size() + count > gatherSize_ || writeFailed_) && !WritePending()) return 0;
  if (count >= gatherSize_) return WriteThrough(buffer, count);
  const auto* in = static_cast<const std::uint8_t*>(buffer);
  pending_.insert(pending_.end(), in, in + count);
  return count;
}

std::size_t FileStream::WriteThrough(const void* buffer, std::size_t count) {
  const auto* in = static_cast<const char*>(buffer);
  std::size_t done = 0;
  while (done < count) {
    const ssize_t n = ::write(fd_, in + done, count - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    done += static_cast<std::size_t>(n);
  }
  return done;
}

std::int64_t FileStream::Seek(std::int64_t offset, SeekOrigin origin) {
  WritePending();
  if (aheadEnd_ != 0) {
    // The descriptor stands at the end of the bytes read ahead. A target among them is served
    // from them; any other drops them.
    const off_t end = ::lseek(fd_, 0, SEEK_CUR);
    if (end < 0) throw EStreamError("Stream seek error");
    const std::int64_t start = end - static_cast<std::int64_t>(aheadEnd_);
    const std::int64_t here = start + static_cast<std::int64_t>(aheadPos_);
    if (origin != SeekOrigin::End) {
      const std::int64_t target = origin == SeekOrigin::Begin ? offset : here + offset;
      if (target >= start && target <= end) {
        aheadPos_ = static_cast<std::size_t>(target - start);
        return target;
      }
      if (origin == SeekOrigin::Current) {
        offset = target;
        origin = SeekOrigin::Begin;
      }
    }
    aheadPos_ = aheadEnd_ = 0;
  }
  const int whence = origin == SeekOrigin::Begin ? SEEK_SET : origin == SeekOrigin::Current ? SEEK_CUR : SEEK_END;
  const off_t position = ::lseek(fd_, static_cast<off_t>(offset), whence);
  if (position < 0) throw EStreamError("Stream seek error");
  return position;
}

std::int64_t FileStream::Size() {
  WritePending();
  struct stat st;
  if (::fstat(fd_, &st) != 0) return 0;
  return st.st_size;
}

bool FileStream::SetSize(std::int64_t size) {
  WritePending();
  return canWrite_ && size >= 0 && ::ftruncate(fd_, static_cast<off_t>(size)) == 0;
}

bool FileStream::SetDosDateTime(std::int32_t packed) {
  const auto time = FromDosDateTime(packed);
  if (!time) return false;
  WritePending();  // a later write would set the time again
  struct timespec times[2];
  times[0].tv_sec = 0;
  times[0].tv_nsec = UTIME_OMIT;  // only the modification time, as on Windows
  times[1].tv_sec = *time;
  times[1].tv_nsec = 0;
  return ::futimens(fd_, times) == 0;
}

std::int32_t FileStream::GetDosDateTime() {
  WritePending();
  struct stat st;
  if (::fstat(fd_, &st) != 0) return -1;
  return ToDosDateTime(st.st_mtime);
}

}  // namespace zev::platform
