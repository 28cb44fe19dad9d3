#include "setup/install_config.h"

#include <algorithm>

#include "platform/files.h"
#include "platform/ini_file.h"
#include "platform/path_names.h"
#include "platform/profile.h"
#include "platform/text.h"
#include "platform/whole_file.h"

namespace zev::setup {

std::string TInstallConfig::DefaultInstallDir() const {
  return AddToProgramFiles ? WinDrive + "Program Files\\" + InstallDir : WinDrive + InstallDir;
}

bool NamesSetupProgram(const std::string& launchProgram) {
  std::string name = platform::FileNamePart(launchProgram);
  // A directory key written directly before the name ("<INSTALLDIR>setup.exe") is no part of it.
  if (const std::size_t key = name.rfind('>'); key != std::string::npos) name.erase(0, key + 1);
  return UpperCase(name).find("SETUP.") != std::string::npos;
}

bool TInstallConfig::LaunchChoiceOffered() const { return !LaunchProgram.empty() && !NamesSetupProgram(LaunchProgram); }

void TInstallConfig::ClearLists() {
  DirectoryEntries.Clear();
  FileEntries.Clear();
  DesktopEntries.Clear();
  IniSetupEntries.Clear();
  WorkStationEntries.Clear();
}

TConfigFile::TConfigFile(const std::string& fileName)
    // A file that is missing or cannot be read reads as empty, as with the profile functions.
    : text_(platform::ReadWholeFile(fileName).value_or(std::string())), ini_(platform::IniFile::Parse(text_)) {}

std::string TConfigFile::String(const std::string& section, const std::string& key,
                                const std::string& defaultValue) const {
  std::string value;
  if (std::optional<std::string> found = ini_.Value(section, key)) {
    value = *found;
  } else {
    value = defaultValue;
    while (!value.empty() && (value.back() == ' ' || value.back() == '\t')) value.pop_back();
  }
  if (value.size() > platform::kProfileValueBufferSize - 1) value.resize(platform::kProfileValueBufferSize - 1);
  return value;
}

std::int32_t TConfigFile::Int(const std::string& section, const std::string& key, std::int32_t defaultValue) const {
  return platform::ParseProfileInt(String(section, key, ""), defaultValue);
}

std::string ReadConfigString(const std::string& fileName, const std::string& section, const std::string& key,
                             const std::string& defaultValue) {
  std::string value;
  platform::GetPrivateProfileString(section, key, defaultValue, value, platform::kProfileValueBufferSize, fileName);
  return value;
}

std::int32_t ReadConfigInt(const std::string& fileName, const std::string& section, const std::string& key,
                           std::int32_t defaultValue) {
  return platform::GetPrivateProfileInt(section, key, defaultValue, fileName);
}

std::vector<std::string> ReadSectionKeys(const std::string& fileName, const std::string& section) {
  // Every listed name stands on a line of its own followed by "=", so the names with their NULs
  // and the closing NUL never need more than the file's size plus two characters; a buffer of
  // that size holds them all.
  const std::int64_t fileSize = platform::FileSize(fileName);
  std::uint64_t bufferSize = platform::kProfileKeyListBufferSize;
  for (;;) {
    std::string names;
    const std::uint32_t length = platform::GetPrivateProfileString(
        section, "", "", names, static_cast<std::uint32_t>(bufferSize), fileName);
    if (fileSize < 0 || bufferSize >= static_cast<std::uint64_t>(fileSize) + 2 || bufferSize >= 0x7FFFFFFF) {
      std::vector<std::string> keys;
      std::size_t start = 0;
      for (std::size_t i = 0; i < length; ++i)
        if (names[i] == '\0') {
          keys.push_back(names.substr(start, i - start));
          start = i + 1;
        }
      return keys;
    }
    bufferSize = std::min<std::uint64_t>(std::max<std::uint64_t>(bufferSize * 2, static_cast<std::uint64_t>(fileSize) + 2),
                                         0x7FFFFFFF);
  }
}

}  // namespace zev::setup
