#include "platform/profile_file.h"

#include <filesystem>

#include "platform/attributes.h"
#include "platform/machine.h"
#include "platform/profile.h"
#include "platform/whole_file.h"

namespace zev::platform {

namespace {

std::uint64_t g_filesWritten = 0;

std::optional<std::filesystem::path> HostPath(const std::string& windowsPath) {
  try {
    return Machine::Current().ToHostPath(windowsPath);
  } catch (const std::exception&) {
    return std::nullopt;
  }
}

}  // namespace

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

std::optional<std::filesystem::path> ProfileHostPath(const std::string& fileName) {
  const std::optional<std::string> windowsPath = ProfilePath(fileName);
  if (!windowsPath) return std::nullopt;
  return HostPath(*windowsPath);
}

bool UpdateProfile(const std::string& fileName, const std::function<bool(IniFile& ini, bool& changed)>& edit) {
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

}  // namespace zev::platform
