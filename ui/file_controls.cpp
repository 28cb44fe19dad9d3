#include "ui/file_controls.h"

#include <algorithm>
#include <cctype>

#include "platform/files.h"
#include "platform/fs_utils.h"
#include "platform/machine.h"

namespace zev::ui {
namespace {

// The components of a full path: "C:\" then each folder name.
std::vector<std::string> Levels(const std::string& path) {
  std::vector<std::string> levels;
  if (path.size() < 3) return levels;
  levels.push_back(path.substr(0, 3));
  std::string rest = path.substr(3);
  while (!rest.empty()) {
    std::string head;
    platform::SplitField(rest, '\\', head);
    if (head == rest) {
      if (!head.empty()) levels.push_back(head);
      break;
    }
    if (!head.empty()) levels.push_back(head);
  }
  return levels;
}

}  // namespace

TDriveComboBox::TDriveComboBox(std::string name) : TControl(std::move(name)) {
  Color = clWindow;
  TabStop = true;
  Update();
}

void TDriveComboBox::Update() {
  Items.Clear();
  for (char letter : platform::Machine::Current().Drives())
    Items.Add(std::string(1, static_cast<char>(std::tolower(static_cast<unsigned char>(letter)))) + ":");
}

void TDriveComboBox::SetDrive(char letter) {
  const char upper = static_cast<char>(std::toupper(static_cast<unsigned char>(letter)));
  if (!platform::Machine::Current().DriveFolder(upper)) return;
  if (upper == drive_) {
    // The drive chosen again: its folders may have changed since the list was read.
    if (DirList) DirList->Update();
    return;
  }
  drive_ = upper;
  if (DirList) DirList->SetDirectory(std::string(1, upper) + ":\\");
  if (OnChange) OnChange();
}

void TDriveComboBox::Paint(Canvas& canvas) {
  TControl::Paint(canvas);
  canvas.Font = Font;
  const std::string text = std::string(1, static_cast<char>(std::tolower(static_cast<unsigned char>(drive_)))) + ":";
  canvas.TextOut(3, 2, text);
  if (Focused() && CanFocus()) canvas.DrawFocusRect(2, 1, 4 + canvas.TextExtent(text).cx, Height - 1, clWindowText);
}

TDirectoryListBox::TDirectoryListBox(std::string name) : TControl(std::move(name)) {
  Color = clWindow;
  TabStop = true;
}

bool TDirectoryListBox::SetDirectory(const std::string& path) {
  std::string full;
  try {
    full = platform::Machine::Current().ExpandFileName(path);
  } catch (const std::exception&) {
    return false;
  }
  if (!platform::IsDirectory(full)) return false;
  const bool changed = full != directory_;
  directory_ = full;
  Update();
  if (changed && OnChange) OnChange();
  return true;
}

void TDirectoryListBox::Update() {
  Items.Clear();
  const std::vector<std::string> levels = Levels(directory_);
  for (const std::string& level : levels) Items.Add(level);
  levels_ = static_cast<int>(levels.size());
  ItemIndex = levels_ - 1;
  if (directory_.empty()) return;
  const std::string base = directory_.back() == '\\' ? directory_ : directory_ + "\\";
  for (const platform::SearchRec& entry : platform::FindFiles(base + "*.*", platform::faDirectory))
    if ((entry.Attr & platform::faDirectory) && entry.Name != "." && entry.Name != "..") Items.Add(entry.Name);
}

std::string TDirectoryListBox::ItemPath(int index) const {
  if (index < 0 || static_cast<std::size_t>(index) >= Items.Count()) return {};
  std::string path;
  const int last = index < levels_ ? index : levels_ - 1;
  for (int i = 0; i <= last; ++i) {
    if (i > 1) path += '\\';
    path += Items[static_cast<std::size_t>(i)];
  }
  if (index >= levels_) {
    if (path.back() != '\\') path += '\\';
    path += Items[static_cast<std::size_t>(index)];
  }
  return path;
}

void TDirectoryListBox::OpenItem(int index) {
  const std::string path = ItemPath(index);
  if (!path.empty()) SetDirectory(path);
}

void TDirectoryListBox::DblClick() {
  if (!Reachable()) return;
  OpenItem(ItemIndex);
  if (OnDblClick) OnDblClick();
}

void TDirectoryListBox::Paint(Canvas& canvas) {
  TControl::Paint(canvas);
  canvas.Font = Font;
  const int lineHeight = std::max(1, canvas.TextExtent("Xg").cy);
  for (std::size_t i = 0; i < Items.Count(); ++i) {
    const int y = 2 + static_cast<int>(i) * lineHeight;
    if (y >= Height) break;
    const int indent = 3 + 8 * static_cast<int>(i < static_cast<std::size_t>(levels_) ? i : levels_);
    canvas.TextOut(indent, y, Items[i]);
  }
  if (Focused() && CanFocus() && ItemIndex >= 0) {
    const int y = 2 + ItemIndex * lineHeight;
    canvas.DrawFocusRect(1, y, Width - 1, std::min(Height - 1, y + lineHeight), clWindowText);
  }
}

}  // namespace zev::ui
