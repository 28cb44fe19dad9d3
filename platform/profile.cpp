#include "platform/profile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <optional>
#include <random>

#include "platform/attributes.h"
#include "platform/folder_index.h"
#include "platform/ini_file.h"
#include "platform/machine.h"

namespace zev::platform {

namespace {

constexpr const char* kDosAttributeName = "user.DOSATTRIB";

std::uint64_t g_filesWritten = 0;

// Closes a descriptor on every path out of a function.
class FileDescriptor {
 public:
  explicit FileDescriptor(int fd = -1) : fd_(fd) {}
  ~FileDescriptor() {
    if (fd_ >= 0) ::close(fd_);
  }
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;
  int get() const { return fd_; }
  // Closes now, reporting whether the close (and so the last write) succeeded.
  bool Close() {
    const int fd = fd_;
    fd_ = -1;
    return fd < 0 || ::close(fd) == 0;
  }

 private:
  int fd_;
};

// The full Windows path of a profile file: a bare name lies in the Windows directory, anything
// with a folder or drive is taken from the current directory. Nothing for a name that is empty or
// that the machine cannot place.
std::optional<std::string> ProfilePath(const std::string& fileName) {
  if (fileName.empty()) return std::nullopt;
  try {
    Machine& machine = Machine::Current();
    if (fileName.find_first_of("\\/:") == std::string::npos) return machine.WindowsDirectory() + "\\" + fileName;
    return machine.ExpandFileName(fileName);
  } catch (const std::exception&) {
    return std::nullopt;
  }
}

std::optional<std::filesystem::path> HostPath(const std::string& windowsPath) {
  try {
    return Machine::Current().ToHostPath(windowsPath);
  } catch (const std::exception&) {
    return std::nullopt;
  }
}

// The file as it stands on the host: its bytes and its status, or nothing when it is missing.
struct HostFile {
  bool exists = false;
  std::string content;
  struct stat status {};
  std::string dosAttribute;  // the raw extended attribute, empty when the file has none
};

// Reads the whole file, and its DOS attributes when asked. False when it exists but is no regular
// file or cannot be read; a missing file is no failure.
bool ReadHostFile(const std::filesystem::path& path, HostFile& file, bool withAttribute) {
  // Non-blocking, so that a pipe or device put where the file should be is refused below rather
  // than waiting for a writer; it makes no difference to a regular file.
  FileDescriptor fd(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
  if (fd.get() < 0) return errno == ENOENT;
  if (::fstat(fd.get(), &file.status) != 0 || !S_ISREG(file.status.st_mode)) return false;
  file.exists = true;
  char buffer[8192];
  for (;;) {
    const ssize_t n = ::read(fd.get(), buffer, sizeof buffer);
    if (n == 0) break;
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    file.content.append(buffer, static_cast<std::size_t>(n));
  }
  if (!withAttribute) return true;
  // Other tools store more than the attribute word here (a binary record after it), so the value
  // is copied whole, whatever its size.
  for (int attempt = 0; attempt < 3; ++attempt) {
    const ssize_t size = ::fgetxattr(fd.get(), kDosAttributeName, nullptr, 0);
    if (size <= 0) break;
    file.dosAttribute.resize(static_cast<std::size_t>(size));
    const ssize_t length = ::fgetxattr(fd.get(), kDosAttributeName, file.dosAttribute.data(), file.dosAttribute.size());
    if (length >= 0) {
      file.dosAttribute.resize(static_cast<std::size_t>(length));
      return true;
    }
    file.dosAttribute.clear();
    if (errno != ERANGE) return false;  // present but unreadable: better not to drop it
  }
  return true;
}

// Loads the profile for reading; a file that is missing or cannot be read reads as empty, as
// Windows then answers with the defaults.
IniFile LoadForReading(const std::string& fileName) {
  const std::optional<std::string> windowsPath = ProfilePath(fileName);
  if (!windowsPath) return IniFile();
  const std::optional<std::filesystem::path> hostPath = HostPath(*windowsPath);
  if (!hostPath) return IniFile();
  HostFile file;
  if (!ReadHostFile(*hostPath, file, false)) return IniFile();
  return IniFile::Parse(file.content);
}

bool WriteAll(int fd, const std::string& data) {
  std::size_t done = 0;
  while (done < data.size()) {
    const ssize_t n = ::write(fd, data.data() + done, data.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    done += static_cast<std::size_t>(n);
  }
  return true;
}

// Creates a new, empty temporary file beside target (never through a link) and returns its
// descriptor, or -1.
int CreateTemporary(const std::filesystem::path& target, mode_t mode, std::filesystem::path& temporary) {
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

// Replaces the file's content through a temporary file in the same folder and a rename, so that
// a reader sees either the old file or the new one, and a failed write leaves the old one as it
// was. The replacement keeps the original's mode, owner and DOS attributes.
bool ReplaceHostFile(const std::filesystem::path& path, const HostFile& original, const std::string& content) {
  const mode_t mode = original.exists ? (original.status.st_mode & 07777) : 0666;
  std::filesystem::path temporary;
  FileDescriptor fd(CreateTemporary(path, mode, temporary));
  if (fd.get() < 0) return false;

  bool ok = WriteAll(fd.get(), content);
  if (ok && original.exists) {
    // Owner first: changing it may clear the set-id bits that the mode then restores. A process
    // that may not give files away keeps itself as owner, which is all it could do anyway.
    if (::fchown(fd.get(), original.status.st_uid, original.status.st_gid) != 0 && errno != EPERM) ok = false;
    if (ok && ::fchmod(fd.get(), mode) != 0) ok = false;
    if (ok && !original.dosAttribute.empty() &&
        ::fsetxattr(fd.get(), kDosAttributeName, original.dosAttribute.data(), original.dosAttribute.size(), 0) != 0) {
      ok = false;
    }
  }
  if (ok && ::fsync(fd.get()) != 0) ok = false;
  if (!fd.Close()) ok = false;
  if (ok && ::rename(temporary.c_str(), path.c_str()) != 0) ok = false;
  if (!ok) {
    ::unlink(temporary.c_str());
    return false;
  }
  NoteEntryAdded(path);
  ++g_filesWritten;
  // Make the rename itself durable; the content is already in place, so a failure here is no
  // failure of the write.
  FileDescriptor folder(::open(path.parent_path().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (folder.get() >= 0) ::fsync(folder.get());
  return true;
}

// Loads the profile, applies edit to it and writes it back. edit returns false to refuse the
// change (nothing is written and the call fails) and sets changed to false when there is nothing
// to write (the call succeeds without touching the file).
template <class Edit>
bool UpdateProfile(const std::string& fileName, Edit edit) {
  const std::optional<std::string> windowsPath = ProfilePath(fileName);
  // Setup media are read, never written: a package cannot make its INI file the start folder's
  // own files (or a file below it, outside the machine).
  if (!windowsPath || Machine::Current().IsMedia((*windowsPath)[0])) return false;
  const std::optional<std::filesystem::path> hostPath = HostPath(*windowsPath);
  if (!hostPath) return false;

  HostFile original;
  if (!ReadHostFile(*hostPath, original, true)) return false;
  IniFile ini = IniFile::Parse(original.content);
  bool changed = true;
  if (!edit(ini, changed)) return false;
  if (!changed) return true;

  if (original.exists) {
    // Windows refuses to replace a read-only file, whoever asks; checked through the attribute
    // word so that it holds when running as root as well.
    const std::uint32_t attributes = GetFileAttributes(*windowsPath);
    if (attributes == kInvalidAttributes || (attributes & (faReadOnly | faDirectory)) != 0) return false;
  }
  return ReplaceHostFile(*hostPath, original, ini.Serialise());
}

bool IsHexDigit(char c, std::uint32_t& digit) {
  if (c >= '0' && c <= '9') digit = static_cast<std::uint32_t>(c - '0');
  else if (c >= 'a' && c <= 'f') digit = static_cast<std::uint32_t>(c - 'a' + 10);
  else if (c >= 'A' && c <= 'F') digit = static_cast<std::uint32_t>(c - 'A' + 10);
  else return false;
  return true;
}

std::int32_t ParseHex(std::string_view digits, std::int32_t defaultValue) {
  if (digits.empty()) return defaultValue;
  std::uint64_t value = 0;
  for (char c : digits) {
    std::uint32_t digit = 0;
    if (!IsHexDigit(c, digit)) return defaultValue;
    value = value * 16 + digit;
    if (value > 0xFFFFFFFFu) return defaultValue;
  }
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(value));
}

std::int32_t ParseDecimal(std::string_view text, std::int32_t defaultValue) {
  bool negative = false;
  if (!text.empty() && (text.front() == '-' || text.front() == '+')) {
    negative = text.front() == '-';
    text.remove_prefix(1);
  }
  if (text.empty()) return defaultValue;
  const std::int64_t limit = negative ? 2147483648LL : 2147483647LL;
  std::int64_t value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return defaultValue;
    value = value * 10 + (c - '0');
    if (value > limit) return defaultValue;
  }
  return static_cast<std::int32_t>(negative ? -value : value);
}

}  // namespace

std::int32_t ParseProfileInt(const std::string& text, std::int32_t defaultValue) {
  const std::string_view view(text);
  if (!view.empty() && view.front() == '$') return ParseHex(view.substr(1), defaultValue);
  if (view.size() > 2 && view[0] == '0' && (view[1] == 'x' || view[1] == 'X')) return ParseHex(view.substr(2), defaultValue);
  return ParseDecimal(view, defaultValue);
}

std::uint32_t GetPrivateProfileString(const std::string& section, const std::string& key,
                                      const std::string& defaultValue, std::string& value,
                                      std::uint32_t bufferSize, const std::string& fileName) {
  value.clear();
  if (bufferSize == 0) return 0;
  if (key.empty()) {
    for (const std::string& name : GetPrivateProfileKeyNames(section, bufferSize, fileName)) {
      value += name;
      value += '\0';
    }
    return static_cast<std::uint32_t>(value.size());
  }
  const std::optional<std::string> found = LoadForReading(fileName).Value(section, key);
  if (found) {
    value = *found;
  } else {
    // Windows drops the default's trailing blanks before copying it.
    value = defaultValue;
    while (!value.empty() && (value.back() == ' ' || value.back() == '\t')) value.pop_back();
  }
  if (value.size() > bufferSize - 1) value.resize(bufferSize - 1);
  return static_cast<std::uint32_t>(value.size());
}

std::vector<std::string> GetPrivateProfileKeyNames(const std::string& section, std::uint32_t bufferSize,
                                                   const std::string& fileName) {
  std::vector<std::string> names = LoadForReading(fileName).KeyNames(section);
  // The list needs its closing NUL; each name needs its own.
  std::uint64_t used = 1;
  std::size_t fitting = 0;
  while (fitting < names.size() && used + names[fitting].size() + 1 <= bufferSize) {
    used += names[fitting].size() + 1;
    ++fitting;
  }
  names.resize(fitting);
  return names;
}

std::int32_t GetPrivateProfileInt(const std::string& section, const std::string& key, std::int32_t defaultValue,
                                  const std::string& fileName) {
  std::string text;
  GetPrivateProfileString(section, key, "", text, kProfileValueBufferSize, fileName);
  return ParseProfileInt(text, defaultValue);
}

bool WritePrivateProfileString(const std::string& section, const std::string& key, const std::string& value,
                               const std::string& fileName) {
  return UpdateProfile(fileName, [&](IniFile& ini, bool&) { return ini.SetValue(section, key, value); });
}

std::string ProfileWriteProblem(const std::string& fileName) {
  if (fileName.empty()) return "no INI file is named";
  const std::optional<std::string> windowsPath = ProfilePath(fileName);
  if (!windowsPath) return "the INI file " + fileName + " cannot be placed on the machine";
  const char drive = (*windowsPath)[0];
  if (Machine::Current().IsMedia(drive))
    return "the INI file " + fileName + " resolves to " + *windowsPath + ", on the setup disk " + drive +
           ":, which setup never writes";
  try {
    Machine::Current().ToHostPath(*windowsPath);
  } catch (const std::exception& e) {
    return "the INI file " + fileName + " cannot be written: " + e.what();
  }
  return {};
}

bool ReadPrivateProfile(const std::string& fileName, IniFile& image) {
  const std::optional<std::string> windowsPath = ProfilePath(fileName);
  if (!windowsPath) return false;
  const std::optional<std::filesystem::path> hostPath = HostPath(*windowsPath);
  if (!hostPath) return false;
  HostFile file;
  if (!ReadHostFile(*hostPath, file, false)) return false;
  image = IniFile::Parse(file.content);
  return true;
}

bool WritePrivateProfile(const std::string& fileName, const IniFile& image) {
  return UpdateProfile(fileName, [&](IniFile& ini, bool&) {
    ini = image;
    return true;
  });
}

std::uint64_t ProfileFilesWritten() { return g_filesWritten; }

bool ErasePrivateProfileSection(const std::string& section, const std::string& fileName) {
  return UpdateProfile(fileName, [&](IniFile& ini, bool& changed) {
    changed = ini.EraseSection(section);
    return true;
  });
}

}  // namespace zev::platform
