#include "setup/change_dir.h"

#include "setup/wizard_glyphs.h"

namespace zev::setup {
namespace {

// A raised button right of the lists that ends the dialog with its result.
void DialogButton(ui::TButton& button, int top, const char* caption, TGlyphKind glyph, platform::ModalResult result) {
  button.SetBounds(152, top, 75, 25);
  button.Caption = caption;
  button.Flat = false;
  button.Glyph = WizardGlyph(glyph);
  button.ModalResult = result;
}

}  // namespace

TForm3::TForm3(ui::Application& application) : ui::TForm(application, "Form3") {
  Caption = "Select Directory";
  BorderStyle = ui::TBorderStyle::bsDialog;
  Position = ui::TPosition::poScreenCenter;
  SetClientSize(238, 296);

  InsertControl(GroupBox1);
  GroupBox1.SetBounds(4, 0, 229, 85);
  GroupBox1.InsertControl(Memo1);
  Memo1.Align = ui::TAlign::alClient;
  Memo1.Borderless = true;
  Memo1.ReadOnly = true;
  Memo1.Color = GroupBox1.Color;
  Memo1.TabStop = false;
  Memo1.SetBounds(0, 0, 229, 85);
  for (const char* line : {"Double click on directory to open folder or type ", "directory location in box bellow.", "",
                           "if directory does not exists it will automaticaly be", "created."})
    Memo1.Lines.Add(line);

  InsertControl(Label1);
  Label1.Left = 4, Label1.Top = 92;
  Label1.SetCaption("File Location");
  InsertControl(Edit1);
  Edit1.SetBounds(4, 104, 225, 21);
  Edit1.Text = "C:\\Program Files";

  InsertControl(Label2);
  Label2.Left = 4, Label2.Top = 132;
  Label2.SetCaption("Directories");
  InsertControl(DirectoryListBox1);
  DirectoryListBox1.SetBounds(4, 148, 137, 97);

  InsertControl(Label3);
  Label3.Left = 4, Label3.Top = 256;
  Label3.SetCaption("Drives:");
  InsertControl(DriveComboBox1);
  DriveComboBox1.SetBounds(4, 268, 137, 21);
  DriveComboBox1.DirList = &DirectoryListBox1;

  InsertControl(BitBtn1);
  DialogButton(BitBtn1, 152, "&OK", TGlyphKind::gkOK, platform::ModalResult::OK);
  BitBtn1.Default = true;
  InsertControl(BitBtn2);
  DialogButton(BitBtn2, 192, "&Cancel", TGlyphKind::gkCancel, platform::ModalResult::Cancel);
  BitBtn2.Cancel = true;

  OnShow = [this] { FormShow(); };
  DirectoryListBox1.OnChange = [this] { DirectoryListBox1Change(); };
}

namespace {

// The folder above a path ("C:\a\b" -> "C:\a", "C:\a" -> "C:\"); "" above a root or a bare name.
std::string ParentFolder(std::string path) {
  while (path.size() > 3 && (path.back() == '\\' || path.back() == '/')) path.pop_back();
  const std::size_t cut = path.find_last_of("\\/");
  if (cut == std::string::npos || cut + 1 >= path.size()) return "";
  if (cut == 2 && path[1] == ':') return path.substr(0, 3);
  return path.substr(0, cut);
}

}  // namespace

void TForm3::FormShow() {
  // The list shows the caller's directory, or when it does not exist yet (a destination is
  // made by the installation) the nearest folder above it that does. On a drive that is not
  // mapped the list stays where it was, or shows the drive box's root the first time. The
  // caller's text stays in Edit1 either way.
  showing_ = true;
  bool moved = false;
  ui::TDirectoryListBox& directories = Directories();
  ui::TDriveComboBox& drives = Drives();
  for (std::string path = Path(); !moved && !path.empty(); path = ParentFolder(path))
    moved = directories.SetDirectory(path);
  if (!moved && directories.Directory().empty()) directories.SetDirectory(std::string(1, drives.Drive()) + ":\\");
  showing_ = false;
  if (moved && !directories.Directory().empty()) {
    // The drive box shows the list's drive without moving the list to that drive's root.
    drives.DirList = nullptr;
    drives.SetDrive(directories.Directory()[0]);
    drives.DirList = &directories;
  }
}

void TForm3::DirectoryListBox1Change() {
  if (showing_) return;
  SetPath(Directories().Directory());
}

}  // namespace zev::setup
