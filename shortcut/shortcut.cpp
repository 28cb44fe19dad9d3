#include "shortcut/shortcut.h"

#include <exception>
#include <vector>

#include "platform/error.h"
#include "platform/files.h"
#include "platform/fs_utils.h"
#include "platform/path_names.h"
#include "platform/shell.h"
#include "platform/text.h"
#include "shortcut/shell_link.h"

namespace zev::shortcut {
namespace {

// A name that is pasted into a path must stay one component: a separator or a ".." would put the
// link (and the folders made for it) outside the Start Menu or the Desktop, and the other
// characters are ones a Windows file name cannot hold.
bool IsSingleFileName(const std::string& name) {
  if (name.empty() || name.find_first_not_of('.') == std::string::npos) return false;
  for (const char c : name)
    if (static_cast<unsigned char>(c) < 0x20) return false;
  return name.find_first_of("\\/:*?\"<>|") == std::string::npos;
}

}  // namespace

TShortcuts::TShortcuts() { ScanProgramFolders(); }

void TShortcuts::ScanProgramFolders() {
  folderList_.Clear();
  const std::string pattern = platform::GetShellFolders().programs + "\\*.*";
  for (const platform::SearchRec& entry : platform::FindFiles(pattern, platform::faDirectory)) {
    const std::string upper = UpperCase(entry.Name);
    if (upper.empty() || upper.front() == '.' || upper.find(".LNK") != std::string::npos) continue;
    folderList_.Add(entry.Name);
  }
}

void TShortcuts::CreateShortcut() {
  if (!IsSingleFileName(ProgramName)) throw Exception("Invalid shortcut name: " + ProgramName);
  // No program folder at all is a choice too: the links then go straight into the places the
  // folder would have gone into.
  if (!Folder.empty() && !IsSingleFileName(Folder)) throw Exception("Invalid program folder name: " + Folder);
  // One link, encoded once; a target it cannot hold fails here, before any folder is made.
  const std::vector<std::uint8_t> link = BuildShellLink(RunProgram, platform::FolderPart(RunProgram));

  // A place that cannot be written must not cost the user the others, but neither may it pass
  // for success: the first failure is raised once every place has been tried.
  std::exception_ptr firstFailure;
  for (const Destination& d : Destinations()) {
    try {
      if (d.create && !platform::IsDirectory(d.directory)) platform::MakeDirPath(d.directory);
      SaveShellLink(d.directory + ProgramName + ".lnk", link);
      if (OnLinkSaved) OnLinkSaved(d.directory + ProgramName + ".lnk");
    } catch (const Exception&) {
      if (!firstFailure) firstFailure = std::current_exception();
    }
  }
  if (firstFailure) std::rethrow_exception(firstFailure);
}

std::vector<TShortcuts::Destination> TShortcuts::Destinations() const {
  const platform::ShellFolders places = platform::GetShellFolders();
  const std::string folder = Folder.empty() ? "" : Folder + "\\";
  std::vector<Destination> destinations;
  if (FolderDesktop || FolderStartMenu) {
    if (FolderDesktop) {
      destinations.push_back({places.desktop + "\\" + folder, true});
      destinations.push_back({places.programs + "\\" + folder, true});
    }
    if (FolderStartMenu) destinations.push_back({places.startMenu + "\\" + folder, true});
  } else {
    destinations.push_back({places.programs + "\\" + folder, true});
  }
  if (Desktop) destinations.push_back({places.desktop + "\\", false});
  if (StartMenu) destinations.push_back({places.startMenu + "\\", false});
  return destinations;
}

std::vector<std::string> TShortcuts::LinkFiles() const {
  std::vector<std::string> files;
  for (const Destination& d : Destinations()) files.push_back(d.directory + ProgramName + ".lnk");
  return files;
}

}  // namespace zev::shortcut
