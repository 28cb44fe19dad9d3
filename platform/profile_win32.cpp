// The profile functions on Windows: the system's own, given the file by its place on the machine
// (which follows a drive the program substituted, and puts a bare name in the Windows directory as
// the system would). The project's INI code still checks what is written, so that a name or value
// cannot add lines of its own to the file.
#include <windows.h>
// The names below are this layer's functions; the system's are called by their ANSI names.
#undef GetPrivateProfileString
#undef WritePrivateProfileString

#include <string>
#include <vector>

#include "platform/ansi_win32.h"
#include "platform/ini_file.h"
#include "platform/profile.h"
#include "platform/profile_file.h"

namespace zev::platform {

namespace {

// The system lists key names up to a buffer's end and then cuts the last one; a listing is read
// whole by growing the buffer until it ends before the last two characters. Larger listings than
// this are read as far as this goes.
constexpr std::size_t kMaxKeyListing = std::size_t{16} << 20;

// The key names of a section, or with no section the section names.
std::vector<std::string> ReadListing(const char* section, const std::string& systemName) {
  std::vector<char> buffer(kProfileKeyListBufferSize);
  DWORD length = 0;
  for (;;) {
    length = ::GetPrivateProfileStringA(section, nullptr, "", buffer.data(), static_cast<DWORD>(buffer.size()),
                                        systemName.c_str());
    if (length + 2 < buffer.size() || buffer.size() >= kMaxKeyListing) break;
    buffer.resize(buffer.size() * 2);
  }
  std::vector<std::string> names;
  const char* end = buffer.data() + length;
  for (const char* name = buffer.data(); name < end && *name != '\0';) {
    const std::string text(name);
    name += text.size() + 1;
    // A listing that reached the cap ends in a cut name.
    if (name <= end) names.push_back(text);
  }
  return names;
}

std::size_t CountSections(const std::string& section, const std::string& systemName) {
  std::size_t count = 0;
  for (const std::string& name : ReadListing(nullptr, systemName))
    if (ProfileNamesEqual(TrimProfileBlanks(name), TrimProfileBlanks(section))) ++count;
  return count;
}

// The file's name for the system; empty, which the system reads as a missing file and refuses to
// write, when the machine cannot place it.
std::string SystemName(const std::string& fileName) {
  const std::optional<std::filesystem::path> host = ProfileHostPath(fileName);
  return host ? Ansi(*host) : std::string();
}

}  // namespace

std::vector<std::string> ReadProfileKeyNames(const std::string& section, const std::string& fileName) {
  return ReadListing(section.c_str(), SystemName(fileName));
}

std::string ReadProfileValue(const std::string& section, const std::string& key, const std::string& defaultValue,
                             std::uint32_t bufferSize, const std::string& fileName) {
  std::vector<char> buffer(bufferSize);
  const DWORD length = ::GetPrivateProfileStringA(section.c_str(), key.c_str(), defaultValue.c_str(), buffer.data(),
                                                  bufferSize, SystemName(fileName).c_str());
  return std::string(buffer.data(), length < bufferSize ? length : bufferSize - 1);
}

bool WritePrivateProfileString(const std::string& section, const std::string& key, const std::string& value,
                               const std::string& fileName) {
  // The system writes what it is given: a line break in a name or the value would add lines.
  if (!IniFile::IsValidSectionName(section) || !IniFile::IsValidKeyName(key) || !IniFile::IsValidValue(value))
    return false;
  const std::string systemName = SystemName(fileName);
  if (systemName.empty() || !ProfileWriteProblem(fileName).empty()) return false;
  return ::WritePrivateProfileStringA(section.c_str(), key.c_str(), value.c_str(), systemName.c_str()) != 0;
}

bool ErasePrivateProfileSection(const std::string& section, const std::string& fileName) {
  const std::string systemName = SystemName(fileName);
  if (systemName.empty() || !ProfileWriteProblem(fileName).empty()) return false;
  // The system erases the first section of the name only, and the next one would then be read in
  // its place: an earlier installation's list would come back. Each one goes.
  for (std::size_t left = CountSections(section, systemName); left > 0; --left)
    if (!::WritePrivateProfileStringA(section.c_str(), nullptr, nullptr, systemName.c_str())) return false;
  return true;
}

}  // namespace zev::platform
