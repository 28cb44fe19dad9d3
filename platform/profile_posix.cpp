// The profile functions' Linux stand-in: Windows' rules over the project's own INI code, on the
// machine's folders.
#include <optional>

#include "platform/ini_file.h"
#include "platform/profile.h"
#include "platform/profile_file.h"
#include "platform/whole_file.h"

namespace zev::platform {

namespace {

// Loads the profile for reading; a file that is missing or cannot be read reads as empty, as
// Windows then answers with the defaults.
IniFile LoadForReading(const std::string& fileName) {
  const std::optional<std::string> windowsPath = ProfilePath(fileName);
  if (!windowsPath) return IniFile();
  return IniFile::Parse(ReadWholeFile(*windowsPath).value_or(std::string()));
}

}  // namespace

std::string ReadProfileValue(const std::string& section, const std::string& key, const std::string& defaultValue,
                             std::uint32_t bufferSize, const std::string& fileName) {
  std::string value;
  if (const std::optional<std::string> found = LoadForReading(fileName).Value(section, key)) {
    value = *found;
  } else {
    // Windows drops the default's trailing blanks before copying it.
    value = defaultValue;
    while (!value.empty() && (value.back() == ' ' || value.back() == '\t')) value.pop_back();
  }
  if (value.size() > bufferSize - 1) value.resize(bufferSize - 1);
  return value;
}

std::vector<std::string> ReadProfileKeyNames(const std::string& section, const std::string& fileName) {
  return LoadForReading(fileName).KeyNames(section);
}

bool WritePrivateProfileString(const std::string& section, const std::string& key, const std::string& value,
                               const std::string& fileName) {
  return UpdateProfile(fileName, [&](IniFile& ini, bool&) { return ini.SetValue(section, key, value); });
}

bool ErasePrivateProfileSection(const std::string& section, const std::string& fileName) {
  return UpdateProfile(fileName, [&](IniFile& ini, bool& changed) {
    changed = ini.EraseSection(section);
    return true;
  });
}

}  // namespace zev::platform
