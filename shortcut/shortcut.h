// TShortcuts: lists the program folders of the Start Menu and puts shell links to an installed
// program into a program folder (Start Menu or Desktop) and, if asked, directly on the Desktop and
// into the Start Menu. The places are the host's (platform::GetShellFolders): program folders in
// <Programs>\<folder>, and the Start Menu and the Desktop themselves. On Linux they lie below the
// Windows directory: <windows>\Start Menu\Programs, <windows>\Start Menu, <windows>\Desktop.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/string_list.h"

namespace zev::shortcut {

class TShortcuts {
 public:
  // Fills FolderList from the machine as it is now.
  TShortcuts();

  std::string RunProgram;   // full path of the program the links start
  std::string Folder;       // program folder: one folder name, no path; empty for none
  std::string ProgramName;  // link file name without ".lnk"
  bool Desktop = false;          // also a link directly on the Desktop
  bool StartMenu = false;        // also a link directly in the Start Menu
  bool FolderDesktop = false;    // program folder on the Desktop (and below Programs)
  bool FolderStartMenu = false;  // program folder directly in the Start Menu

  // Names found in the Programs folder by the last ScanProgramFolders (folders and plain files,
  // without dot names and link files).
  const TStringList& FolderList() const { return folderList_; }

  // Refills FolderList. A missing Programs folder gives an empty list.
  void ScanProgramFolders();

  // Writes "<ProgramName>.lnk", a link to RunProgram whose working directory is RunProgram's
  // folder, to every destination the flags choose, in this order: with FolderDesktop the folder
  // Desktop\<Folder> and then Start Menu\Programs\<Folder>; with FolderStartMenu the folder
  // Start Menu\<Folder>; with neither of the two Start Menu\Programs\<Folder>; with Desktop the
  // Desktop; with StartMenu the Start Menu. Program folders are created when missing; the Desktop and the Start Menu are used as they are.
  // Existing links of the same name are replaced.
  //
  // An empty Folder means no program folder: its links go straight into the Programs folder, the
  // Desktop or the Start Menu, whichever the flags chose for the folder.
  //
  // Names and the target are checked before anything is created: a ProgramName, or a Folder that
  // is not empty, that is not a single valid file name (empty, ".", "..", holding
  // \ / : * ? " < > | or a control character) or a RunProgram that cannot be a link target raises
  // zev::Exception and nothing is written. A destination that cannot be written does not stop the others; once all have been
  // tried, the first such failure is raised.
  void CreateShortcut();

  // The link files CreateShortcut writes with the properties as they stand, in its order.
  std::vector<std::string> LinkFiles() const;

  // Runs after each link file CreateShortcut has saved, with the file's path: the installation
  // records what it placed.
  std::function<void(const std::string& linkFile)> OnLinkSaved;

 private:
  struct Destination {
    std::string directory;  // ends in "\"
    bool create;            // made when missing (a program folder)
  };
  std::vector<Destination> Destinations() const;

  TStringList folderList_;
};

}  // namespace zev::shortcut
