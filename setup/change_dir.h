// TForm3: the small modal dialog in which the user picks or types the destination directory.
// The wizard's Browse button fills Edit1, shows the dialog, and takes Edit1 back on OK. The
// dialog neither checks nor creates the directory; the installation worker creates it.
//
// The controls keep the form's fixed names; what the numbered ones are:
//   GroupBox1: Memo1   how to use the dialog
//   Label1, Edit1      "File Location": the directory, the caller's on entry and the result on OK
//   Label2, DirectoryListBox1  "Directories": the folders, moving Edit1 along
//   Label3, DriveComboBox1     "Drives:"
//   BitBtn1, BitBtn2   OK (the default button) and Cancel
// The logic reads and writes them through the named accessors below.
#pragma once

#include <string>
#include <utility>

#include "ui/application.h"
#include "ui/file_controls.h"
#include "ui/form.h"
#include "ui/std_controls.h"

namespace zev::setup {

class TForm3 : public ui::TForm {
 public:
  explicit TForm3(ui::Application& application);

  ui::TGroupBox GroupBox1{"GroupBox1"};
  ui::TMemo Memo1{"Memo1"};
  ui::TLabel Label1{"Label1"};
  ui::TEdit Edit1{"Edit1"};
  ui::TLabel Label2{"Label2"};
  ui::TDirectoryListBox DirectoryListBox1{"DirectoryListBox1"};
  ui::TLabel Label3{"Label3"};
  ui::TDriveComboBox DriveComboBox1{"DriveComboBox1"};
  ui::TButton BitBtn1{"BitBtn1"};
  ui::TButton BitBtn2{"BitBtn2"};

  // The named accessors of the numbered controls.
  const std::string& Path() const { return Edit1.Text; }
  void SetPath(std::string path) { Edit1.SetText(std::move(path)); }
  ui::TDirectoryListBox& Directories() { return DirectoryListBox1; }
  ui::TDriveComboBox& Drives() { return DriveComboBox1; }
  ui::TButton& OkButton() { return BitBtn1; }

  void FormShow();
  void DirectoryListBox1Change();

 private:
  // Set while FormShow moves the list, so that moving it does not replace the caller's text.
  bool showing_ = false;
};

}  // namespace zev::setup
