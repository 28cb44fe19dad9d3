// Properties of the INI model and ReadInstallConfig, fed arbitrary install.cfg files: parsing
// and writing the text back gives the same bytes; every key the model lists has a value;
// ReadInstallConfig reads every key of every list section (one entry per key line, values cut to
// 1023 characters, each "Files" entry with its overwrite marker) and the same values as the model.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "platform/ini_file.h"
#include "platform/machine.h"
#include "setup/main_setup.h"
#include "tests/fuzz/fuzz_support.h"
#include "ui/application.h"
#include "ui/headless_backend.h"

namespace zev::fuzz {

// Needs a machine (ScopedMachine): install.cfg goes into the start folder, A:.
inline Verdict CheckIniReader(const std::uint8_t* data, std::size_t size) {
  namespace fs = std::filesystem;
  const std::string text(reinterpret_cast<const char*>(data), size);
  const platform::IniFile ini = platform::IniFile::Parse(text);
  if (ini.Serialise() != text) return "IniFile: parse and serialise changed the text";

  const fs::path start = *platform::Machine::Current().DriveFolder('A');
  WriteHostFile(start / "install.cfg", text);
  ui::HeadlessBackend backend{640, 480};
  ui::Application app(backend);
  auto& main = app.CreateForm<setup::TMainSetup>();
  Verdict v = OnlyOwnExceptions("ReadInstallConfig", [&] { main.ReadInstallConfig(); });
  if (!v.empty()) return v;

  // A key name with a NUL byte cannot pass through the NUL-separated key listing whole (it
  // reads as several names), and an empty name ends that listing: counts are compared only
  // for sections without such names.
  auto cleanNames = [](const std::vector<std::string>& names) {
    for (const std::string& n : names)
      if (n.empty() || n.find('\0') != std::string::npos) return false;
    return true;
  };
  struct ListSection {
    const char* name;
    const TStringList& list;
  };
  const ListSection sections[] = {{"Directories", main.Config.DirectoryEntries},
                                  {"Files", main.Config.FileEntries},
                                  {"Desktop", main.Config.DesktopEntries},
                                  {"INI - Setup", main.Config.IniSetupEntries},
                                  {"WorkStation", main.Config.WorkStationEntries}};
  for (const auto& section : sections) {
    const std::vector<std::string> keys = ini.KeyNames(section.name);
    if (cleanNames(keys) && section.list.Count() != keys.size())
      return std::string(section.name) + ": " + std::to_string(section.list.Count()) + " entries read from " +
             std::to_string(keys.size()) + " key lines";
    const bool files = std::string_view(section.name) == "Files";
    for (std::size_t i = 0; i < section.list.Count(); ++i) {
      const std::string& entry = section.list[i];
      if (entry.size() > 1023 + (files ? 2 : 0)) return std::string(section.name) + ": entry longer than 1023 characters";
      if (files && (entry.empty() || entry.back() != '~') && (entry.size() < 2 || entry.compare(entry.size() - 2, 2, "~X") != 0))
        return "Files: entry without its overwrite marker: " + entry;
      if (cleanNames(keys) && !ini.Value(section.name, keys[i])) return std::string(section.name) + ": listed key without a value";
    }
  }
  for (const std::string* value : {&main.Config.InstallDir, &main.Config.IniFileName, &main.Config.LaunchProgram, &main.Config.FolderName})
    if (value->size() > 1023) return "a setting longer than 1023 characters";
  const std::string installDir = ini.Value("Setup - Main", "Install Dir").value_or("").substr(0, 1023);
  if (main.Config.InstallDir != installDir && installDir.find('\0') == std::string::npos)
    return "Install Dir read as \"" + main.Config.InstallDir + "\", the INI model has \"" + installDir + "\"";
  return {};
}

}  // namespace zev::fuzz
