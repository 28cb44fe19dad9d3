// The two file-system controls of a directory chooser: a drive combo box and a directory list
// that shows the path of the current directory and its sub-folders.
#pragma once

#include <string>

#include "ui/std_controls.h"

namespace zev::ui {

class TDirectoryListBox;

class TDriveComboBox : public TControl {
 public:
  explicit TDriveComboBox(std::string name);
  // Drive letters of the machine, as "a:", "c:" ...
  TStringList Items;
  TDirectoryListBox* DirList = nullptr;  // follows the drive when set
  TNotifyEvent OnChange;

  char Drive() const { return drive_; }
  // Selects a mapped drive (either case); other letters are ignored. Moves DirList to the
  // drive's current directory (its root) and runs OnChange on a change; the drive it already
  // has reads DirList's folders again.
  void SetDrive(char letter);
  // Reads the drive list again.
  void Update();
  void Paint(Canvas& canvas) override;

 private:
  char drive_ = 'C';
};

class TDirectoryListBox : public TControl {
 public:
  explicit TDirectoryListBox(std::string name);
  // The path's levels from the root down to the directory, then its sub-folders, sorted.
  TStringList Items;
  int ItemIndex = -1;
  TNotifyEvent OnChange;

  const std::string& Directory() const { return directory_; }
  // Changes to an existing directory (full or relative Windows path); false and no change when
  // it does not exist. Runs OnChange on a change.
  bool SetDirectory(const std::string& path);
  // The full path an entry stands for.
  std::string ItemPath(int index) const;
  // Opens the entry (as a double click does): the directory becomes that entry's path.
  void OpenItem(int index);
  void DblClick() override;
  void Update();
  void Paint(Canvas& canvas) override;

 private:
  std::string directory_;
  int levels_ = 0;  // how many of Items are levels of the path
};

}  // namespace zev::ui
