#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <random>

#include "platform/attributes_posix.h"
#include "platform/descriptor_posix.h"
#include "platform/folder_index_posix.h"
#include "platform/whole_file.h"

namespace fs = std::filesystem;

namespace zev::platform {
namespace {

// Opens without blocking, so that a pipe or device put where the file should be is refused
// rather than waited on; it makes no difference to a regular file.
int OpenForReading(const fs::path& path) { return ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC); }

bool IsRegular(int fd, struct stat& status) { return ::fstat(fd, &status) == 0 && S_ISREG(status.st_mode); }

bool ReadAll(int fd, std::string& content) {
  char buffer[8192];
  for (;;) {
    const ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n == 0) return true;
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    content.append(buffer, static_cast<std::size_t>(n));
  }
}

bool WriteAll(int fd, const std::string& data) { return WriteFully(fd, data.data(), data.size()) == data.size(); }

// Creates a new, empty temporary file beside target (never through a link) and returns its
// descriptor, or -1.
int CreateTemporary(const fs::path& target, mode_t mode, fs::path& temporary) {
  static std::minstd_rand generator(static_cast<std::minstd_rand::result_type>(::getpid()) ^
                                    static_cast<std::minstd_rand::result_type>(std::random_device()()));
  for (int attempt = 0; attempt < 100; ++attempt) {
    // A short name of its own rather than the target's name with a suffix, which could pass the
    // longest name the file system allows.
    temporary = target.parent_path() / ("~zev" + std::to_string(generator() % 100000000) + ".tmp");
    const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode);
    if (fd >= 0 || errno != EEXIST) return fd;
  }
  return -1;
}

// What a replacement keeps of the file it replaces.
struct Original {
  bool exists = false;
  struct stat status {};
  std::string attribute;  // the raw extended attribute, empty when the file has none
};

bool ReadOriginal(const fs::path& path, Original& original) {
  Descriptor fd(OpenForReading(path));
  if (!fd.valid()) return errno == ENOENT;
  if (!IsRegular(fd.get(), original.status)) return false;
  const std::optional<std::string> attribute = StoredAttributeValue(fd.get());
  if (!attribute) return false;
  original.attribute = *attribute;
  original.exists = true;
  return true;
}

}  // namespace

HostRead ReadHostFile(const fs::path& host, std::string& content) {
  content.clear();
  Descriptor fd(OpenForReading(host));
  if (!fd.valid()) return errno == ENOENT ? HostRead::Missing : HostRead::Failed;
  struct stat status;
  if (!IsRegular(fd.get(), status) || !ReadAll(fd.get(), content)) return HostRead::Failed;
  return HostRead::Read;
}

bool RewriteHostFile(const fs::path& path, const std::string& content) {
  Original original;
  if (!ReadOriginal(path, original)) return false;
  const mode_t mode = original.exists ? (original.status.st_mode & 07777) : 0666;
  fs::path temporary;
  Descriptor fd(CreateTemporary(path, mode, temporary));
  if (!fd.valid()) return false;

  bool ok = WriteAll(fd.get(), content);
  if (ok && original.exists) {
    // Owner first: changing it may clear the set-id bits that the mode then restores. A process
    // that may not give files away keeps itself as owner, which is all it could do anyway.
    if (::fchown(fd.get(), original.status.st_uid, original.status.st_gid) != 0 && errno != EPERM) ok = false;
    if (ok && ::fchmod(fd.get(), mode) != 0) ok = false;
    if (ok && !SetStoredAttributeValue(fd.get(), original.attribute)) ok = false;
  }
  if (ok && ::fsync(fd.get()) != 0) ok = false;
  if (!fd.Close()) ok = false;
  if (ok && ::rename(temporary.c_str(), path.c_str()) != 0) ok = false;
  if (!ok) {
    ::unlink(temporary.c_str());
    return false;
  }
  NoteEntryAdded(path);
  // Make the rename itself durable; the content is already in place, so a failure here is no
  // failure of the write.
  Descriptor folder(::open(path.parent_path().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (folder.valid()) ::fsync(folder.get());
  return true;
}

}  // namespace zev::platform
