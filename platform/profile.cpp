#include "platform/profile.h"

#include <filesystem>
#include <optional>

#include "platform/attributes.h"
#include "platform/ini_file.h"
#include "platform/machine.h"
#include "platform/whole_file.h"

namespace zev::platform {

namespace {

std::uint64_t g_filesWritten = 0;

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

// Loads the profile for reading; a file that is missing or cannot be read reads as empty, as
// Windows then answers with the defaults.
IniFile LoadForReading(const std::string& fileName) {
  const std::optional<std::string> windowsPath = ProfilePath(fileName);
  if (!windowsPath) return IniFile();
  return IniFile::Parse(ReadWholeFile(*windowsPath).value_or(std::string()));
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

  std::string content;
  const HostRead read = ReadHostFile(*hostPath, content);
  if (read == HostRead::Failed) return false;
  IniFile ini = IniFile::Parse(content);
  bool changed = true;
  if (!edit(ini, changed)) return false;
  if (!changed) return true;

  if (read == HostRead::Read) {
    // Windows refuses to replace a read-only file, whoever asks; checked through the attribute
    // word so that it holds when running as root as well.
    const std::uint32_t attributes = GetFileAttributes(*windowsPath);
    if (attributes == kInvalidAttributes || (attributes & (faReadOnly | faDirectory)) != 0) return false;
  }
  if (!RewriteHostFile(*hostPath, ini.Serialise())) return false;
  ++g_filesWritten;
  return true;
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
  std::string content;
  if (ReadHostFile(*hostPath, content) == HostRead::Failed) return false;
  image = IniFile::Parse(content);
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
