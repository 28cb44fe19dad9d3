#include "setup/uninstall_rules.h"

#include "platform/error.h"
#include "platform/fs_utils.h"
#include "platform/machine.h"
#include "platform/path_names.h"
#include "platform/shell.h"
#include "platform/text.h"

namespace zev::setup {

bool IsBelow(const std::string& inner, const std::string& outer) {
  if (inner.size() <= outer.size() || !SameText(inner.substr(0, outer.size()), outer)) return false;
  return outer.back() == '\\' || inner[outer.size()] == '\\';
}

bool IsShortcutFile(const std::string& path) {
  const std::string upper = UpperCase(platform::FileNamePart(path));
  auto endsWith = [&](const char* extension) {
    const std::string e = extension;
    return upper.size() > e.size() && upper.compare(upper.size() - e.size(), e.size(), e) == 0;
  };
  return endsWith(".LNK") || endsWith(".PIF");
}

TPlaces TPlaces::For(const std::string& installDir) {
  TPlaces places;
  places.installDir = installDir;
  places.windowsDir = platform::WindowsDirectory();
  const platform::ShellFolders shell = platform::GetShellFolders();
  places.desktop = shell.desktop;
  places.startMenu = shell.startMenu;
  places.programs = shell.programs;
  return places;
}

std::string TPlaces::FileRefusal(const std::string& path, TRecordSource source) const {
  if (IsBelow(path, installDir)) return "";
  if (IsShortcutFile(path) && (IsBelow(path, desktop) || IsBelow(path, startMenu))) return "";
  if (source == TRecordSource::rsManifest) {
    if (IsBelow(path, windowsDir)) return "";
    return "outside the installation folder and the Windows folder";
  }
  return "outside the installation folder, and no shortcut in the Desktop or the Start Menu";
}

TPlaces::TFolderVerdict TPlaces::FolderVerdict(const std::string& path, TRecordSource source, std::string& why) const {
  why.clear();
  if (path.size() <= 3 || SameText(path, windowsDir) || SameText(path, desktop) || SameText(path, startMenu) ||
      SameText(path, programs)) {
    why = "a folder that every installation shares";
    return TFolderVerdict::fvStays;
  }
  if (IsBelow(installDir, path)) {
    why = "it holds the installation folder";
    return TFolderVerdict::fvStays;
  }
  if (SameText(path, installDir) || IsBelow(path, installDir) || IsBelow(path, desktop) || IsBelow(path, startMenu))
    return TFolderVerdict::fvRemove;
  if (source == TRecordSource::rsManifest && IsBelow(path, windowsDir)) return TFolderVerdict::fvRemove;
  why = "outside the installation folder, the Desktop and the Start Menu";
  return TFolderVerdict::fvRefused;
}

std::string TPlaces::InstallDirRefusal() const {
  if (installDir.size() <= 3) return "it is a drive's root folder";
  if (SameText(installDir, windowsDir) || SameText(installDir, desktop) || SameText(installDir, startMenu) ||
      SameText(installDir, programs) || IsBelow(windowsDir, installDir))
    return "it is a folder that every installation shares";
  return "";
}

TUninstallKey ReadUninstallKey(const std::string& key) {
  TUninstallKey result;
  auto refuse = [&](std::string problem) {
    result.form = TUninstallKey::ukRefused;
    result.problem = std::move(problem);
    return result;
  };
  if (!IsFullWindowsPath(key)) return refuse("not a full path with a drive letter");
  std::string full;
  try {
    full = platform::Machine::Current().ExpandFileName(key);
  } catch (const Exception& e) {
    return refuse(e.Message());
  }
  const std::string name = platform::FileNamePart(full);
  std::string folder = full.substr(0, full.size() - name.size());
  if (folder.size() > 3) folder.pop_back();  // the "\" before the name; a root keeps its own
  if (name.empty()) return refuse("names no file");
  if (folder.find_first_of("*?") != std::string::npos) return refuse("a wildcard in a folder name");
  if (name == "*.*") {
    result.form = TUninstallKey::ukAllFiles;
    result.path = folder;
    return result;
  }
  if (name.find_first_of("*?") != std::string::npos) {
    const std::string base = name.size() > 2 ? name.substr(0, name.size() - 2) : "";
    if (base.empty() || name.compare(base.size(), 2, ".*") != 0 || base.find_first_of("*?") != std::string::npos)
      return refuse("a wildcard that the installation never writes");
    result.form = TUninstallKey::ukShortcuts;
    result.path = folder;
    result.name = base;
    return result;
  }
  result.form = TUninstallKey::ukFile;
  result.path = full;
  return result;
}

}  // namespace zev::setup
