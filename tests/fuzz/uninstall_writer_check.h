// Properties of the uninstall list as the installation worker writes it. The input is
// NUL-separated: the destination directory, the program folder name, the option letters ('S'
// folder in the Start Menu, 'D' folder on the Desktop, 'O' answer No to every question), then
// list entries, each led by its list's letter: 'D' Directories, 'F' Files, 'L' Desktop, an
// existing uninstall.cfg after 'U'. The worker runs on a fresh machine over those lists.
//
// Only the program's own errors may end the run. A finished run has written every record of the
// list (the installation folder's "*.*", each file of a <SUB/<ALT folder, each shortcut's
// folders and links, the folder's "Name") where it reads back as written; a run that stopped on
// "Unable to write to" its uninstall.cfg did so at a record the INI writer refuses, with every
// record before it in place, or where the list cannot be written at all. The list lives only in the installation folder's uninstall.cfg (none
// anywhere without an <INSTALLDIR> entry), and every file the run wrote lies in a folder of the
// directory table or among the links in the Windows directory.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "platform/error.h"
#include "platform/fs_utils.h"
#include "platform/ini_file.h"
#include "platform/machine.h"
#include "platform/path_names.h"
#include "platform/profile.h"
#include "platform/shell.h"
#include "platform/text.h"
#include "setup/change_dir.h"
#include "setup/install_config.h"
#include "setup/install_worker.h"
#include "setup/wizard.h"
#include "tests/fuzz/fuzz_support.h"
#include "tests/fuzz/ini_writer_check.h"
#include "tests/support/recording_launcher.h"
#include "tests/support/scoped_machine.h"
#include "ui/application.h"
#include "ui/headless_backend.h"

namespace zev::fuzz {

// The lists a single input stands for.
struct UninstallInput {
  std::string destination = "C:\\Program Files\\MyApp";
  std::string folder = "Tools";
  bool folderStartMenu = false;
  bool folderDesktop = false;
  bool answerNo = false;
  std::vector<std::string> directories, files, links;
  std::string existingList;
  bool hasExistingList = false;
};

inline UninstallInput ParseUninstallInput(const std::uint8_t* data, std::size_t size) {
  const std::vector<std::string> parts = SplitAtNul(data, size);
  UninstallInput in;
  if (parts.size() > 0) in.destination = parts[0];
  if (parts.size() > 1) in.folder = parts[1];
  if (parts.size() > 2) {
    in.folderStartMenu = parts[2].find('S') != std::string::npos;
    in.folderDesktop = parts[2].find('D') != std::string::npos;
    in.answerNo = parts[2].find('O') != std::string::npos;
  }
  // A few entries of each list are enough to reach every rule; more only slow each run down.
  constexpr std::size_t kMaxEntries = 12;
  for (std::size_t i = 3; i < parts.size(); ++i) {
    if (parts[i].empty()) continue;
    const std::string rest = parts[i].substr(1);
    switch (parts[i][0]) {
      case 'D': if (in.directories.size() < kMaxEntries) in.directories.push_back(rest); break;
      case 'F': if (in.files.size() < kMaxEntries) in.files.push_back(rest); break;
      case 'L': if (in.links.size() < kMaxEntries) in.links.push_back(rest); break;
      case 'U': in.existingList = rest; in.hasExistingList = true; break;
      default: break;
    }
  }
  return in;
}

// One record of the uninstall list: section, key, value.
struct UninstallRecord {
  std::string section, key, value;
};

// The directory table as the worker resolves it: key as written (upper-cased) and its folder.
struct ResolvedRow {
  std::string upperKey, directory;
};

inline std::vector<ResolvedRow> ResolveRows(const UninstallInput& in, std::string& installDir) {
  std::vector<ResolvedRow> rows;
  for (std::string entry : in.directories) {
    std::string key;
    platform::SplitField(entry, '~', key);
    const std::string directory = setup::ResolveDirectoryKey(key, entry, in.destination, "C:\\");
    if (UpperCase(key) == "<INSTALLDIR>" && installDir.empty()) installDir = directory;
    rows.push_back({UpperCase(key), directory});
  }
  return rows;
}

// The records a run over these lists writes, in the order it writes them.
inline std::vector<UninstallRecord> ExpectedRecords(const UninstallInput& in, const std::vector<ResolvedRow>& rows,
                                                    const std::string& installDir) {
  std::vector<UninstallRecord> records;
  if (installDir.empty()) return records;
  records.push_back({"UNINS", installDir + "\\*.*", ""});
  for (const ResolvedRow& row : rows) {
    const bool listed = row.upperKey.find("<SUB") != std::string::npos || row.upperKey.find("<ALT") != std::string::npos;
    if (!listed) continue;
    for (std::string entry : in.files) {
      std::string source, key;
      platform::SplitField(entry, '~', source);
      platform::SplitField(entry, '~', key);
      const std::string name = platform::FileNamePart(source);
      if (UpperCase(key) != row.upperKey || !platform::FileNameProblem(source).empty()) continue;
      records.push_back({"UNINS", row.directory + "\\" + name, ""});
    }
  }
  const std::string win = platform::WindowsDirectory();
  for (const ResolvedRow& row : rows) {
    for (const std::string& text : in.links) {
      const setup::TDesktopEntry entry = setup::SplitDesktopEntry(text);
      std::string key, path;
      setup::SplitKeyAndPath(entry.target, key, path);
      if (UpperCase(key) != row.upperKey) continue;
      const std::string& f = in.folder;
      records.push_back({"Name", "Name", f});
      if (in.folderDesktop) {
        records.push_back({"Folders", win + "\\Desktop\\" + f, ""});
        records.push_back({"UNINS", win + "\\Desktop\\" + f + "\\" + entry.name + ".*", ""});
      }
      if (entry.offerDesktop && !in.answerNo) records.push_back({"UNINS", win + "\\Desktop\\" + entry.name + ".*", ""});
      if (entry.offerStartMenu && !in.answerNo) records.push_back({"UNINS", win + "\\Start Menu\\" + entry.name + ".*", ""});
      if (in.folderStartMenu) {
        records.push_back({"Folders", win + "\\Start Menu\\" + f, ""});
        records.push_back({"UNINS", win + "\\Start Menu\\" + f + "\\" + entry.name + ".*", ""});
      }
      records.push_back({"Folders", win + "\\Start Menu\\Programs\\" + f, ""});
      records.push_back({"UNINS", win + "\\Start Menu\\Programs\\" + f + "\\" + entry.name + ".*", ""});
    }
  }
  return records;
}

// The host folder a Windows path stands for, normalised; empty when it has none.
inline std::filesystem::path HostFolder(const std::string& windowsPath) {
  try {
    return platform::Machine::Current().ToHostPath(windowsPath).lexically_normal();
  } catch (const std::exception&) {
    return {};
  }
}

inline bool IsBelow(const std::filesystem::path& path, const std::filesystem::path& folder) {
  if (folder.empty()) return false;
  const std::string p = path.lexically_normal().generic_string(), f = folder.generic_string();
  const std::string prefix = !f.empty() && f.back() == '/' ? f : f + "/";
  return p.compare(0, prefix.size(), prefix) == 0;
}

// Needs a machine (ScopedMachine) that the check may clear and fill.
inline Verdict CheckUninstallWriter(platform::ScopedMachine& machine, const std::uint8_t* data, std::size_t size) {
  namespace fs = std::filesystem;
  const UninstallInput in = ParseUninstallInput(data, size);
  // A hostile destination may ask for much: the files of a run stay small.
  ScopedFileSizeLimit limit(kOutputLimit);

  RemoveChildren(machine.DriveC());
  RemoveChildren(machine.StartDir());
  std::error_code ec;
  fs::create_directories(machine.DriveC() / "WINDOWS" / "Desktop", ec);
  fs::create_directories(machine.DriveC() / "WINDOWS" / "Start Menu" / "Programs", ec);
  WriteHostFile(machine.StartDir() / "install.exe", "setup program");
  WriteHostFile(machine.StartDir() / "install.cfg", "[Setup - Main]\r\n");
  const fs::path temp = machine.DriveC() / "WINDOWS" / "Temp" / "z";
  fs::create_directories(temp, ec);
  // The expanded files: those whose names are plain host names are there to copy.
  for (std::string entry : in.files) {
    std::string source;
    platform::SplitField(entry, '~', source);
    const std::string name = platform::FileNamePart(source);
    if (name.empty() || name == "." || name == ".." || name.size() > 200 ||
        name.find_first_of(std::string("/\\:\0", 4)) != std::string::npos)
      continue;
    WriteHostFile(temp / name, name);
  }

  std::string installDir;
  const std::vector<ResolvedRow> rows = ResolveRows(in, installDir);
  const std::string listFile = installDir.empty() ? std::string() : installDir + "\\uninstall.cfg";
  const fs::path listHost = listFile.empty() ? fs::path() : HostFolder(listFile);
  if (in.hasExistingList && !listHost.empty() && IsBelow(listHost, machine.DriveC())) {
    fs::create_directories(listHost.parent_path(), ec);
    std::ofstream(listHost, std::ios::binary) << in.existingList;
  }
  const std::vector<std::string> before = TreeBelow(machine.Root());

  // The wizard as the user leaves it on the ready page; the worker runs as Install runs it, but
  // outside Install's own handler, so that a foreign exception shows as one.
  platform::RecordingLauncher launcher;
  platform::Launcher* previousLauncher = platform::SetLauncher(&launcher);
  std::string stop;
  bool stopped = false;
  Verdict escaped;
  {
    ui::HeadlessBackend backend{800, 600};
    backend.answerer = [&](const ui::BoxRequest&) {
      return in.answerNo ? platform::ModalResult::No : platform::ModalResult::Yes;
    };
    auto app = std::make_unique<ui::Application>(backend);
    setup::TInstallConfig config;
    config.StartDir = "A:\\";
    config.TempDir = "C:\\WINDOWS\\Temp\\z";
    config.WinDrive = "C:\\";
    for (const std::string& e : in.directories) config.DirectoryEntries.Add(e);
    for (const std::string& e : in.files) config.FileEntries.Add(e);
    for (const std::string& e : in.links) config.DesktopEntries.Add(e);
    app->CreateForm<ui::TForm>("MainSetup");
    setup::TForm3& form3 = app->CreateForm<setup::TForm3>();
    setup::TZEV& wizard = app->CreateForm<setup::TZEV>(config, form3);
    escaped = OnlyOwnExceptions("showing the wizard", [&] { wizard.Show(); });
    if (escaped.empty()) {
      wizard.Label1.SetCaption(in.destination);
      wizard.CreateFolder.SetText(in.folder);
      wizard.Shortcuts1.Folder = wizard.CreateFolder.Text;
      wizard.Shortcuts1.FolderStartMenu = in.folderStartMenu;
      wizard.Shortcuts1.FolderDesktop = in.folderDesktop;
      escaped = OnlyOwnExceptions(
          "the installation worker",
          [&] {
            try {
              wizard.RunInstall();
            } catch (const Exception& e) {
              stop = e.what();
              throw;
            }
          },
          &stopped);
    }
  }
  platform::SetLauncher(previousLauncher);
  if (!escaped.empty()) return escaped;
  const std::vector<std::string> after = TreeBelow(machine.Root());

  // Where the run stops, as the writer decides it: at the first record it refuses.
  const std::vector<UninstallRecord> records = ExpectedRecords(in, rows, installDir);
  std::size_t refusedAt = records.size();
  {
    platform::IniFile scratch = platform::IniFile::Parse("");
    for (std::size_t i = 0; i < records.size() && refusedAt == records.size(); ++i)
      if (!scratch.SetValue(records[i].section, records[i].key, records[i].value)) refusedAt = i;
  }
  const bool listRefused = stopped && stop == "Unable to write to " + listFile;
  if (!stopped && refusedAt < records.size())
    return "the run finished although the record [" + records[refusedAt].section + "] " + records[refusedAt].key +
           " cannot be written";
  // A stop on the list's error is sound where the list cannot be written at all (a name the
  // machine refuses, a file in the folder's place); elsewhere it must come at a refused record.
  // A stop for another reason (a folder that cannot be made) may come before any record.
  bool checkRecords = !stopped;
  if (listRefused && platform::WritePrivateProfileString("UNINS", "probe", "", listFile)) {
    if (refusedAt == records.size()) return "the run stopped on \"" + stop + "\" although the list can be written there";
    checkRecords = true;
  }
  if (checkRecords) {
    for (std::size_t i = 0; i < refusedAt; ++i) {
      std::string value;
      platform::GetPrivateProfileString(records[i].section, records[i].key, "\x01missing", value, 1 << 20, listFile);
      if (value != AsRead(records[i].value))
        return "record [" + records[i].section + "] " + records[i].key + " read back as \"" + value + "\"" +
               (stopped ? " (the run stopped: " + stop + ")" : "");
    }
  }

  // Nothing written elsewhere: the list only at its place, other files in the table's folders or
  // the Windows directory (links).
  std::vector<fs::path> allowed;
  for (const ResolvedRow& row : rows) allowed.push_back(HostFolder(row.directory));
  const fs::path windows = (machine.DriveC() / "WINDOWS").lexically_normal();
  const std::set<std::string> old(before.begin(), before.end());
  for (const std::string& rel : after) {
    const fs::path path = (machine.Root() / rel).lexically_normal();
    if (old.count(rel) || !fs::is_regular_file(fs::symlink_status(path, ec))) continue;
    std::string lower = path.filename().string();
    for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    const bool inTable = std::any_of(allowed.begin(), allowed.end(), [&](const fs::path& folder) {
      return !folder.empty() && path.parent_path() == folder;
    });
    if (lower == "uninstall.cfg" && path != listHost && !inTable) return "an uninstall list was written at " + rel;
    if (!inTable && !IsBelow(path, windows)) return "a file was written outside the installation's folders: " + rel;
  }
  return {};
}

}  // namespace zev::fuzz
