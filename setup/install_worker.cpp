#include "setup/install_worker.h"

#include <string>
#include <vector>

#include "platform/error.h"
#include "platform/files.h"
#include "platform/fs_utils.h"
#include "platform/machine.h"
#include "platform/path_names.h"
#include "platform/profile.h"
#include "platform/shell.h"
#include "platform/text.h"
#include "setup/install_manifest.h"
#include "setup/uninstall_command.h"
#include "setup/uninstall_list.h"
#include "setup/wizard.h"

namespace zev::setup {

std::string ResolveDirectoryKey(const std::string& key, const std::string& path, const std::string& destination,
                                const std::string& winDrive) {
  const std::string upper = UpperCase(key);
  if (upper == "<WINDOWS>") return platform::WindowsDirectory();
  if (upper == "<WINDOWS_SYSTEM>") return platform::WindowsDirectory() + "\\System";
  if (upper == "<PROGRAMFILES>") return winDrive + "Program Files";
  if (upper == "<INSTALLDIR>") return destination;
  if (upper.find("<SUB") != std::string::npos || upper.find("<ALT") != std::string::npos)
    return destination + "\\" + path;
  return winDrive + path;
}

void SplitKeyAndPath(const std::string& target, std::string& key, std::string& path) {
  const std::size_t p = target.find('>');
  if (p == std::string::npos) {
    key.clear();
    path = target;
    return;
  }
  key = target.substr(0, p + 1);
  path = target.substr(p + 1);
}

TDesktopEntry SplitDesktopEntry(std::string entry) {
  TDesktopEntry result;
  std::string desktopFlag;
  platform::SplitField(entry, '~', result.name);
  platform::SplitField(entry, '~', result.target);
  platform::SplitField(entry, '~', desktopFlag);
  result.offerDesktop = desktopFlag == "X";
  result.offerStartMenu = entry == "X";
  return result;
}

namespace {

using platform::ModalResult;

// One resolved "Directories" entry: the key as written and its directory.
struct DirectoryRow {
  std::string key;
  std::string upperKey;
  std::string directory;
};

// One run of the worker over the wizard's controls and the configuration record.
class InstallRun {
 public:
  explicit InstallRun(TZEV& wizard) : w_(wizard), config_(wizard.Config()), app_(wizard.App()) {}

  void Run() {
    const int total = static_cast<int>(config_.FileEntries.Count() + config_.DesktopEntries.Count() +
                                       config_.IniSetupEntries.Count() + config_.WorkStationEntries.Count());
    w_.InstallProgress().Min = 0;
    w_.InstallProgress().SetMax(total);

    // An INI file that may not be written stops the run before anything is installed.
    if (!config_.IniSetupEntries.Empty()) {
      if (std::string problem = platform::ProfileWriteProblem(config_.IniFileName); !problem.empty())
        throw Exception(problem);
    }
    try {
      ResolveDirectories();
      const TStringList& files = w_.min.Checked() ? config_.WorkStationEntries : config_.FileEntries;
      if (w_.min.Checked()) app_.Log("network workstation installation: the WorkStation list is copied");
      CopyCompanions();
      CopyFiles(files);
      CreateShortcuts();
      WriteIniValues();
      uninstall_.Flush();
    } catch (...) {
      // What the list recorded so far stays on disk when the run stops, as every write did.
      try {
        if (uninstall_.IsOpen()) uninstall_.Flush();
      } catch (const std::exception&) {
        // The error that stopped the run is the one to report.
      }
      throw;
    }
    StartLaunchProgram();

    app_.ProcessMessages();
    ReportFailures();
    w_.InstallCompleted = true;
    app_.Log("installation finished");
    w_.Close();
  }

 private:
  void ProcessMessages() { app_.ProcessMessages(); }

  bool Ask(const std::string& question) {
    // The user may end the program while the box is open: the list must be on disk by then.
    uninstall_.Flush();
    return app_.MessageBox(question, "Confirm", platform::MsgKind::Confirmation, platform::mbYes | platform::mbNo) ==
           ModalResult::Yes;
  }

  void Fail(const std::string& what, const std::string& why) {
    w_.InstallFailures.push_back(what + ": " + why);
    app_.Log("failed: " + what + ": " + why);
  }

  // Writes a key of the uninstall list. Without an installation directory there is no list, and
  // nothing is written anywhere else in its place.
  void Uninstall(const std::string& section, const std::string& key, const std::string& value = "") {
    if (uninstall_.IsOpen()) uninstall_.Write(section, key, value);
  }

  // MakeDirPath, but a folder that cannot be made (too long a path, a file in the way) is named
  // in the log; the copies into it then fail and are reported with the rest. The levels it
  // creates go into the manifest.
  void MakeDirectory(const std::string& directory) {
    TFolderWatch watch;
    watch.Add(directory);
    try {
      platform::ForceDirectories(directory);
    } catch (const Exception& e) {
      if (directory.empty()) throw;
      app_.Log("directory not created: " + e.Message());
    }
    watch.RecordCreated(manifest_);
    CheckManifest();
  }

  // The manifest records what was placed beside the uninstall list; a record that cannot be
  // written makes the later removal incomplete, which the user is told once.
  void Placed(TRecordKind kind, const std::string& path) {
    if (kind == TRecordKind::rkLink) manifest_.RecordLink(path);
    else manifest_.RecordFile(path);
    CheckManifest();
  }
  void CheckManifest() {
    if (const std::string problem = manifest_.TakeProblem(); !problem.empty()) Fail(kManifestName, problem);
  }

  void ResolveDirectories() {
    for (std::string entry : config_.DirectoryEntries.Strings()) {
      std::string key;
      platform::SplitField(entry, '~', key);
      const std::string directory = ResolveDirectoryKey(key, entry, w_.Destination(), config_.WinDrive);
      const std::string upper = UpperCase(key);
      if (upper == "<INSTALLDIR>") {
        if (installDir_.empty()) {
          installDir_ = directory;
          MakeDirectory(installDir_);
          uninstall_.Open(installDir_ + "\\uninstall.cfg", installDir_);
          manifest_.Open(installDir_);
          CheckManifest();
          w_.UninstallFolder = installDir_;
        } else {
          // The list stays the one opened first; a second entry only adds its row.
          app_.Log("a second <INSTALLDIR> entry does not reopen the uninstall list");
        }
      }
      rows_.push_back({key, upper, directory});
      w_.InstallLog().Lines.Add(directory);
      MakeDirectory(directory);
      app_.Log("directory " + key + " = " + directory);

      // A launch entry is a directory key followed directly by the program's path.
      if (!key.empty() && config_.LaunchProgram.find(key) != std::string::npos)
        config_.LaunchProgram = directory + "\\" + config_.LaunchProgram.substr(key.size());
    }
    if (installDir_.empty())
      app_.Log("no <INSTALLDIR> entry: no uninstall list is written and the setup files are not copied");
  }

  void CopyCompanions() {
    if (installDir_.empty()) return;
    for (const char* name : {"install.exe", "install.cfg"}) {
      platform::CopyOneFile(config_.StartDir + name, installDir_);
      Placed(TRecordKind::rkFile, installDir_ + "\\" + name);
      app_.Log("copied " + config_.StartDir + name + " to " + installDir_);
    }
  }

  void CopyFiles(const TStringList& files) {
    for (const DirectoryRow& row : rows_) {
      for (std::size_t j = 0; j < files.Count(); ++j) {
        std::string entry = files[j], source, key;
        platform::SplitField(entry, '~', source);
        platform::SplitField(entry, '~', key);
        const std::string& flag = entry;
        const std::string name = platform::FileNamePart(source);
        if (UpperCase(key) != row.upperKey) continue;

        w_.InstallProgress().SetPosition(static_cast<int>(j));
        ProcessMessages();
        w_.source.SetCaption(name);
        w_.Dest.SetCaption(row.directory);
        ProcessMessages();

        if (const std::string problem = platform::FileNameProblem(source); !problem.empty()) {
          // Copying it could name the folder itself, its parent or a file elsewhere, and
          // recording it would hand an uninstaller that place.
          Fail(source, problem);
          continue;
        }
        const std::string target = row.directory + "\\" + name;
        bool copy = true;
        if (flag != "X" && platform::FileExists(target))
          copy = Ask("File Already Exists (" + name + "). Overwrite?");
        if (copy) {
          try {
            platform::CopyOneFile(config_.TempDir + "\\" + name, row.directory);
            Placed(TRecordKind::rkFile, target);
            app_.Log("copied " + name + " to " + row.directory);
          } catch (const std::exception& e) {
            Fail(target, e.what());
          }
        } else {
          app_.Log("kept the existing " + target);
        }
        // Recorded whether or not it was copied: the user's No keeps a file that the package
        // still owns. An <ALT key writes the same key once more, which leaves one entry.
        if (row.upperKey.find("<SUB") != std::string::npos) Uninstall("UNINS", target);
        if (row.upperKey.find("<ALT") != std::string::npos) Uninstall("UNINS", target);
      }
    }
  }

  void CreateShortcuts() {
    shortcut::TShortcuts& links = w_.Shortcuts1;
    for (const DirectoryRow& row : rows_) {
      for (std::size_t j = 0; j < config_.DesktopEntries.Count(); ++j) {
        const TDesktopEntry entry = SplitDesktopEntry(config_.DesktopEntries[j]);
        std::string key, programPath;
        SplitKeyAndPath(entry.target, key, programPath);
        if (UpperCase(key) != row.upperKey) continue;

        const std::string folder = w_.CreateFolder.Text;
        w_.source.SetCaption("Creating Icons and Folders");
        w_.Dest.SetCaption(folder);
        ProcessMessages();
        w_.InstallProgress().SetPosition(static_cast<int>(j));
        ProcessMessages();

        links.Folder = folder;
        links.ProgramName = entry.name;
        links.RunProgram = row.directory + "\\" + programPath;
        links.Desktop = entry.offerDesktop && Ask("Add " + entry.name + " to Desktop?");
        links.StartMenu = entry.offerStartMenu && Ask("Add " + entry.name + " to Start Menu?");

        // The places the links go to, read afresh for each entry as the Windows directory was.
        const platform::ShellFolders places = platform::GetShellFolders();
        Uninstall("Name", "Name", folder);
        if (links.FolderDesktop) {
          Uninstall("Folders", places.desktop + "\\" + folder);
          Uninstall("UNINS", places.desktop + "\\" + folder + "\\" + entry.name + ".*");
        }
        if (links.Desktop) Uninstall("UNINS", places.desktop + "\\" + entry.name + ".*");
        if (links.StartMenu) Uninstall("UNINS", places.startMenu + "\\" + entry.name + ".*");
        if (links.FolderStartMenu) {
          Uninstall("Folders", places.startMenu + "\\" + folder);
          Uninstall("UNINS", places.startMenu + "\\" + folder + "\\" + entry.name + ".*");
        }
        Uninstall("Folders", places.programs + "\\" + folder);
        Uninstall("UNINS", places.programs + "\\" + folder + "\\" + entry.name + ".*");

        // The program folders CreateShortcut makes, and every link it saves, go into the manifest.
        TFolderWatch watch;
        for (const std::string& file : links.LinkFiles()) watch.Add(platform::FolderPart(file));
        links.OnLinkSaved = [this](const std::string& file) { Placed(TRecordKind::rkLink, file); };
        try {
          links.CreateShortcut();
          app_.Log("shortcut " + entry.name + " to " + links.RunProgram);
        } catch (const std::exception& e) {
          Fail("shortcut " + entry.name, e.what());
        }
        links.OnLinkSaved = nullptr;
        watch.RecordCreated(manifest_);
        CheckManifest();
      }
    }
  }

  void WriteIniValues() {
    if (config_.IniSetupEntries.Empty()) return;
    for (const DirectoryRow& row : rows_) {
      for (std::size_t j = 0; j < config_.IniSetupEntries.Count(); ++j) {
        std::string entry = config_.IniSetupEntries[j], section, ident, key, path;
        platform::SplitField(entry, '~', section);
        platform::SplitField(entry, '~', ident);
        SplitKeyAndPath(entry, key, path);
        if (UpperCase(key) != row.upperKey) continue;
        w_.InstallProgress().SetPosition(static_cast<int>(j));
        ProcessMessages();
        const std::string value = row.directory + "\\" + path;
        // A key or value that would not read back as written (a line break, "=" in the key ...)
        // is refused by the profile rules rather than becoming a line of its own in the file.
        if (!platform::WritePrivateProfileString(section, ident, value, config_.IniFileName))
          throw platform::EProfileWriteError(config_.IniFileName);
        app_.Log("INI value [" + section + "] " + ident + "=" + value + " in " + config_.IniFileName);
      }
    }
  }

  // Only the file name of the resolved path can make a setup program: "A:\SETUP.\..\x.exe" or a
  // folder "SETUP.OLD" on the way does not. The shell starts no host file either way; the log
  // says what became of the start.
  void StartLaunchProgram() {
    const std::string& program = config_.LaunchProgram;
    if (program.empty()) return;
    std::string resolved = program;
    try {
      resolved = platform::Machine::Current().ExpandFileName(program);
    } catch (const std::exception&) {
      // A path the machine cannot place is judged as written; the shell refuses it anyway.
    }
    const bool chosen = w_.LaunchChoice().Checked();
    if (!chosen && !NamesSetupProgram(resolved)) {
      app_.Log("program start not chosen: " + program);
      return;
    }
    app_.Log("program start " + program + ": " + platform::StartProgram(program, "", installDir_, 5, chosen));
  }

  // One box at the end names everything that could not be installed, so that missing files
  // never pass for a finished installation, and how to remove what was.
  void ReportFailures() {
    if (w_.InstallFailures.empty()) return;
    std::string text = "The following files and shortcuts could not be installed:";
    for (const std::string& failure : w_.InstallFailures) text += "\n" + failure;
    if (!installDir_.empty()) {
      const std::string command = UninstallCommand(installDir_, w_.UninstallOptions);
      app_.Log("to remove what was installed: " + command);
      text += "\n\nTo remove what was installed:\n" + command;
    }
    app_.MessageBox(text, "Setup", platform::MsgKind::Warning, platform::mbOK);
  }

  TZEV& w_;
  TInstallConfig& config_;
  ui::Application& app_;
  std::vector<DirectoryRow> rows_;
  std::string installDir_;
  TUninstallList uninstall_;
  TManifestWriter manifest_;
};

}  // namespace

void TZEV::RunInstall() { InstallRun(*this).Run(); }

}  // namespace zev::setup
