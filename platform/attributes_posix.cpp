#include <sys/stat.h>
#include <sys/xattr.h>

#include <cerrno>
#include <cstdio>

#include "platform/attributes.h"
#include "platform/attributes_posix.h"

namespace zev::platform {
namespace {

constexpr char kAttributeName[] = "user.DOSATTRIB";

// The stored word is ASCII "0x" + hex digits; anything may follow a NUL after it (other tools
// append binary data there), so only the leading text is read.
std::optional<std::uint32_t> ParseWord(const char* text, ssize_t length) {
  if (length < 3 || text[0] != '0' || (text[1] != 'x' && text[1] != 'X')) return std::nullopt;
  std::uint32_t word = 0;
  ssize_t i = 2;
  for (; i < length && i < 10; ++i) {
    const char c = text[i];
    int digit;
    if (c >= '0' && c <= '9') digit = c - '0';
    else if (c >= 'a' && c <= 'f') digit = c - 'a' + 10;
    else if (c >= 'A' && c <= 'F') digit = c - 'A' + 10;
    else break;
    word = word << 4 | static_cast<std::uint32_t>(digit);
  }
  if (i == 2) return std::nullopt;
  return word;
}

std::uint32_t Combine(const struct stat& st, std::optional<std::uint32_t> stored) {
  const bool directory = S_ISDIR(st.st_mode);
  std::uint32_t attributes = stored ? *stored & ~faDirectory : (directory ? 0 : faArchive);
  // Read-only is mirrored in the permission bits: a file nobody may write is read-only.
  if ((st.st_mode & 0222) == 0) attributes |= faReadOnly;
  if (directory) attributes |= faDirectory;
  return attributes;
}

}  // namespace

std::uint32_t HostFileAttributes(const std::filesystem::path& hostPath) {
  struct stat st;
  if (::stat(hostPath.c_str(), &st) != 0) return kInvalidAttributes;
  char text[64];
  const ssize_t n = ::getxattr(hostPath.c_str(), kAttributeName, text, sizeof text);
  return Combine(st, n > 0 ? ParseWord(text, n) : std::nullopt);
}

std::uint32_t DescriptorAttributes(int fd) {
  struct stat st;
  if (::fstat(fd, &st) != 0) return kInvalidAttributes;
  char text[64];
  const ssize_t n = ::fgetxattr(fd, kAttributeName, text, sizeof text);
  return Combine(st, n > 0 ? ParseWord(text, n) : std::nullopt);
}

void ClearStoredAttributes(int fd) { ::fremovexattr(fd, kAttributeName); }

std::optional<std::string> StoredAttributeValue(int fd) {
  // The value is copied whole, whatever its size; it may grow between the two calls.
  std::string value;
  for (int attempt = 0; attempt < 3; ++attempt) {
    const ssize_t size = ::fgetxattr(fd, kAttributeName, nullptr, 0);
    if (size <= 0) return std::string();
    value.resize(static_cast<std::size_t>(size));
    const ssize_t length = ::fgetxattr(fd, kAttributeName, value.data(), value.size());
    if (length >= 0) {
      value.resize(static_cast<std::size_t>(length));
      return value;
    }
    if (errno != ERANGE) return std::nullopt;  // present but unreadable: better not to drop it
  }
  return std::string();
}

bool SetStoredAttributeValue(int fd, const std::string& value) {
  return value.empty() || ::fsetxattr(fd, kAttributeName, value.data(), value.size(), 0) == 0;
}

bool SetHostFileAttributes(const std::filesystem::path& host, std::uint32_t attributes) {
  struct stat st;
  if (::stat(host.c_str(), &st) != 0) return false;
  char text[16];
  const int length = std::snprintf(text, sizeof text, "0x%02X", static_cast<unsigned>(attributes & ~faDirectory));
  // Read-only is mirrored in the write permission bits of files only: a directory without them
  // could not receive files, while Windows ignores the flag on directories.
  mode_t mode = st.st_mode & 07777;
  if (!S_ISDIR(st.st_mode)) {
    if (attributes & faReadOnly)
      mode &= static_cast<mode_t>(~0222);
    else if ((mode & 0222) == 0)
      mode |= S_IWUSR;
  }
  // Writing an extended attribute needs write permission (for anyone but root), so a file without
  // it is opened up for the moment.
  mode_t current = st.st_mode & 07777;
  if ((current & 0222) == 0) {
    if (::chmod(host.c_str(), current | S_IWUSR) != 0) return false;
    current |= S_IWUSR;
  }
  // A file system without user attributes still keeps read-only through the permission bits.
  const bool stored =
      ::setxattr(host.c_str(), kAttributeName, text, static_cast<std::size_t>(length), 0) == 0 || errno == ENOTSUP;
  if (current != mode && ::chmod(host.c_str(), mode) != 0) return false;
  return stored;
}

}  // namespace zev::platform
