// The configuration record that install.cfg fills, and the profile reads it is made of.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/ini_file.h"
#include "platform/string_list.h"

namespace zev::setup {

// The fields the main screen keeps for the whole run; the expansion stage, the wizard and the
// installation worker read them.
struct TInstallConfig {
  std::string StartDir;  // ends in "\"
  std::string TempDir;   // no trailing "\"
  std::string WinDrive;  // "C:\"
  std::int32_t InstallDisks = 0;
  std::string InstallDir;
  std::string IniFileName;
  std::string LaunchProgram;
  std::string FolderName;
  bool AddToProgramFiles = false;
  bool WorkStationPrompt = false;
  TStringList DirectoryEntries;
  TStringList FileEntries;
  TStringList DesktopEntries;
  TStringList IniSetupEntries;
  TStringList WorkStationEntries;

  // The default destination: WinDrive + "Program Files\" + InstallDir, or WinDrive + InstallDir.
  std::string DefaultInstallDir() const;
  // True when the launch program is offered as a choice: set, and not a setup program.
  bool LaunchChoiceOffered() const;
  // Empties the five lists (the main screen does it when it closes).
  void ClearLists();
};

// True when a launch entry names a setup program, which is started whatever the user chose: its
// file name (not a folder on the way to it, nor a directory key before it) contains "SETUP.".
bool NamesSetupProgram(const std::string& launchProgram);

// install.cfg parsed once, answering as the profile functions would (values cut to 1023
// characters, a missing key giving the default without its trailing blanks, integers by the
// program's rule). Asking the profile functions key by key would read the whole file again for
// every entry, which turns a package of a few thousand files into minutes of start-up.
class TConfigFile {
 public:
  explicit TConfigFile(const std::string& fileName);
  std::string String(const std::string& section, const std::string& key, const std::string& defaultValue) const;
  std::int32_t Int(const std::string& section, const std::string& key, std::int32_t defaultValue) const;

 private:
  std::string text_;
  platform::IniFile ini_;
};

// Reads a value as the configuration reader does: a 1024-character buffer, so at most 1023
// characters.
std::string ReadConfigString(const std::string& fileName, const std::string& section, const std::string& key,
                             const std::string& defaultValue);
std::int32_t ReadConfigInt(const std::string& fileName, const std::string& section, const std::string& key,
                           std::int32_t defaultValue);
// Every key name of a section, in file order. It starts with the usual 8192-character buffer
// and asks again with a larger one until the buffer can hold every name the file could list,
// so a long list section is never cut short.
std::vector<std::string> ReadSectionKeys(const std::string& fileName, const std::string& section);

}  // namespace zev::setup
