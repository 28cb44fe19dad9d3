#include "ui/win32/native_controls.h"

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "platform/path_names.h"
#include "ui/file_controls.h"
#include "ui/form_view.h"
#include "ui/gdi_font.h"
#include "ui/std_controls.h"
#include "ui/win32/gdi_canvas.h"

namespace zev::ui::win32 {
namespace {

}  // namespace

std::optional<std::string> WindowText(HWND handle) {
  const int length = GetWindowTextLengthW(handle);
  std::wstring wide(static_cast<std::size_t>(std::max(length, 0)) + 1, L'\0');
  const int got = GetWindowTextW(handle, wide.data(), length + 1);
  wide.resize(static_cast<std::size_t>(std::max(got, 0)));
  if (wide.empty()) return std::string();
  const int size = WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0, nullptr, nullptr);
  std::string utf8(static_cast<std::size_t>(std::max(size, 0)), '\0');
  WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), utf8.data(), size, nullptr, nullptr);
  return platform::Utf8ToWin1252(utf8);
}

namespace {

bool SameFont(const TFont& a, const TFont& b) {
  return a.Name == b.Name && a.Height == b.Height && a.Color == b.Color && a.Bold == b.Bold;
}

HWND MakeChild(const wchar_t* windowClass, DWORD style, DWORD exStyle, HWND parent, int extraHeight = 0) {
  return CreateWindowExW(exStyle, windowClass, L"", WS_CHILD | WS_CLIPSIBLINGS | style, 0, 0, 10, 10 + extraHeight,
                         parent, nullptr, GetModuleHandleW(nullptr), nullptr);
}

// The adapters, one per kind: each is made with its control, the window and its new control,
// and keeps the control in step in SyncContent.

// A text field. Typing changes the control's text at once, as in a real edit; the change event
// follows as a message.
class EditNative final : public NativeControl {
 public:
  EditNative(TEdit& edit, NativeHost& host, HWND parent)
      : NativeControl(edit, host, MakeChild(L"EDIT", ES_AUTOHSCROLL, WS_EX_CLIENTEDGE, parent)), edit_(edit) {}

  void Command(int code) override {
    if (code != EN_CHANGE || syncing_) return;
    edit_.Text = WindowText(Handle()).value_or(edit_.Text);
    text_ = edit_.Text;
    TEdit* edit = &edit_;
    host_.PostWhileShown([edit] {
      if (edit->OnChange) edit->OnChange();
    });
  }

 private:
  void SyncContent(bool) override {
    SendMessageW(Handle(), EM_SETREADONLY, edit_.ReadOnly ? TRUE : FALSE, 0);
    if (edit_.Text == text_) return;
    text_ = edit_.Text;
    SetWindowTextW(Handle(), WideText(text_).c_str());
  }

  TEdit& edit_;
  std::string text_;  // the text last given
};

// A memo: a read-only multi-line edit that wraps its lines at word boundaries within its width,
// or scrolls both ways when it has scroll bars (without them the keys still scroll it). A memo that only grew is a log: it follows its last line. Anything
// else starts at the top.
class MemoNative final : public NativeControl {
 public:
  MemoNative(TMemo& memo, NativeHost& host, HWND parent)
      : NativeControl(memo, host,
                      MakeChild(L"EDIT",
                                ES_MULTILINE | ES_READONLY |
                                    (memo.ScrollBars ? WS_VSCROLL | WS_HSCROLL | ES_AUTOHSCROLL | ES_AUTOVSCROLL : 0),
                                0, parent)),
        memo_(memo) {
    // As much text as the log may grow to, not the edit's first 32 KB.
    SendMessageW(Handle(), EM_SETLIMITTEXT, 0, 0);
  }

 private:
  void SyncContent(bool restyle) override {
    const LONG_PTR exStyle = GetWindowLongPtrW(Handle(), GWL_EXSTYLE);
    const LONG_PTR wanted = memo_.Borderless ? exStyle & ~WS_EX_CLIENTEDGE : exStyle | WS_EX_CLIENTEDGE;
    if (wanted != exStyle) {
      SetWindowLongPtrW(Handle(), GWL_EXSTYLE, wanted);
      SetWindowPos(Handle(), nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_FRAMECHANGED);
    }
    if (restyle) shown_.reset();
    const std::vector<std::string>& lines = memo_.Lines.Strings();
    if (shown_ == lines) return;
    const bool appended = shown_ && !shown_->empty() && shown_->size() < lines.size() &&
                          std::equal(shown_->begin(), shown_->end(), lines.begin());
    if (appended) {
      std::string added;
      for (std::size_t i = shown_->size(); i < lines.size(); ++i) added += "\r\n" + lines[i];
      const LRESULT end = SendMessageW(Handle(), WM_GETTEXTLENGTH, 0, 0);
      SendMessageW(Handle(), EM_SETSEL, static_cast<WPARAM>(end), end);
      SendMessageW(Handle(), EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(WideText(added).c_str()));
      SendMessageW(Handle(), EM_SCROLLCARET, 0, 0);
    } else {
      std::string text;
      for (std::size_t i = 0; i < lines.size(); ++i) text += (i ? "\r\n" : "") + lines[i];
      SetWindowTextW(Handle(), WideText(text).c_str());
      SendMessageW(Handle(), EM_SETSEL, 0, 0);
      SendMessageW(Handle(), EM_SCROLLCARET, 0, 0);
    }
    shown_ = lines;
  }

  TMemo& memo_;
  std::optional<std::vector<std::string>> shown_;  // the lines last given; none: give them again
};

// A list of entries of which one may be selected. The selection follows the mouse at once; a
// press on an entry reports a click when the button is released, a double click on the
// release after it.
class ListNative : public NativeControl {
 public:
  ListNative(TControl& control, NativeHost& host, HWND parent)
      : NativeControl(control, host,
                      MakeChild(L"LISTBOX", WS_VSCROLL | LBS_NOINTEGRALHEIGHT | LBS_HASSTRINGS, WS_EX_CLIENTEDGE,
                                parent)) {}

 protected:
  // The entries as shown, and the control's selection (-1: none).
  virtual std::vector<std::string> Entries() const = 0;
  virtual int& Selection() = 0;

 private:
  void SyncContent(bool) final {
    const std::vector<std::string> entries = Entries();
    if (shown_ != entries) {
      SendMessageW(Handle(), LB_RESETCONTENT, 0, 0);
      for (const std::string& entry : entries)
        SendMessageW(Handle(), LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(WideText(entry).c_str()));
      shown_ = entries;
      index_ = -2;
    }
    const int selected = Selection();
    if (selected != index_) {
      index_ = selected;
      SendMessageW(Handle(), LB_SETCURSEL, static_cast<WPARAM>(selected >= 0 ? selected : -1), 0);
    }
  }

  LRESULT Message(UINT message, WPARAM wParam, LPARAM lParam) override {
    switch (message) {
      case WM_LBUTTONDOWN:
      case WM_LBUTTONDBLCLK: {
        const LRESULT result = Original(message, wParam, lParam);
        // A press on the scroll bar comes as a non-client message: this one is on the entries,
        // or below the last of them.
        const LRESULT item = SendMessageW(Handle(), LB_ITEMFROMPOINT, 0, lParam);
        onItems_ = HIWORD(item) == 0;
        doubleClick_ = message == WM_LBUTTONDBLCLK;
        const LRESULT selected = SendMessageW(Handle(), LB_GETCURSEL, 0, 0);
        index_ = Selection() = selected == LB_ERR ? -1 : static_cast<int>(selected);
        return result;
      }
      case WM_LBUTTONUP: {
        const LRESULT result = Original(message, wParam, lParam);
        if (onItems_) host_.Post(&Control(), doubleClick_);
        onItems_ = doubleClick_ = false;
        return result;
      }
      default:
        return NativeControl::Message(message, wParam, lParam);
    }
  }

  std::optional<std::vector<std::string>> shown_;  // the entries last given; none: give them again
  int index_ = -2;                                 // the selection last given
  bool onItems_ = false;
  bool doubleClick_ = false;
};

class ListBoxNative final : public ListNative {
 public:
  ListBoxNative(TListBox& list, NativeHost& host, HWND parent) : ListNative(list, host, parent), list_(list) {}

 private:
  std::vector<std::string> Entries() const override { return list_.Items.Strings(); }
  int& Selection() override { return list_.ItemIndex; }

  TListBox& list_;
};

class DirectoryListNative final : public ListNative {
 public:
  DirectoryListNative(TDirectoryListBox& dirs, NativeHost& host, HWND parent)
      : ListNative(dirs, host, parent), dirs_(dirs) {}

 private:
  std::vector<std::string> Entries() const override { return IndentedEntries(dirs_); }
  int& Selection() override { return dirs_.ItemIndex; }

  TDirectoryListBox& dirs_;
};

// The drive combo. Choosing a drive posts it to the control; choosing the drive already shown
// counts too, since it reads the folders again.
class DriveNative final : public NativeControl {
 public:
  // The list drops down below the field, room for a dozen drives.
  static constexpr int kDropHeight = 200;

  DriveNative(TDriveComboBox& combo, NativeHost& host, HWND parent)
      : NativeControl(combo, host, MakeChild(L"COMBOBOX", CBS_DROPDOWNLIST | WS_VSCROLL, 0, parent, kDropHeight)),
        combo_(combo) {}

  void Command(int code) override {
    if (code != CBN_SELENDOK || syncing_) return;
    const LRESULT index = SendMessageW(Handle(), CB_GETCURSEL, 0, 0);
    if (index < 0 || static_cast<std::size_t>(index) >= combo_.Items.Count()) return;
    const char letter = combo_.Items[static_cast<std::size_t>(index)][0];
    TDriveComboBox* combo = &combo_;
    host_.PostWhileShown([combo, letter] {
      if (combo->Showing() && combo->Enabled) combo->SetDrive(letter);
    });
  }

  bool KeepsKeys() const override { return SendMessageW(Handle(), CB_GETDROPPEDSTATE, 0, 0) != 0; }

 private:
  void SyncContent(bool restyle) override {
    if (restyle) {
      // The field is as high as the control; the edge takes three pixels above and below.
      SendMessageW(Handle(), CB_SETITEMHEIGHT, static_cast<WPARAM>(-1), std::max(1, combo_.Height - 6));
    }
    if (combo_.Items.Strings() != shown_) {
      shown_ = combo_.Items.Strings();
      SendMessageW(Handle(), CB_RESETCONTENT, 0, 0);
      for (const std::string& item : shown_)
        SendMessageW(Handle(), CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(WideText(item).c_str()));
      index_ = -2;
    }
    const int index = DriveIndex(combo_);
    if (index != index_) {
      index_ = index;
      SendMessageW(Handle(), CB_SETCURSEL, static_cast<WPARAM>(index), 0);
    }
  }

  TDriveComboBox& combo_;
  std::vector<std::string> shown_;  // the drives last given
  int index_ = -2;                  // the selection last given
};

// Makes the adapter Native when the control is a Model.
template <class Native, class Model>
std::unique_ptr<NativeControl> Create(TControl& control, NativeHost& host, HWND parent) {
  auto* model = dynamic_cast<Model*>(&control);
  if (!model) return nullptr;
  return std::make_unique<Native>(*model, host, parent);
}

// Every kind shown natively, one row each; a control matches one kind at most.
using Factory = std::unique_ptr<NativeControl> (*)(TControl&, NativeHost&, HWND);
constexpr Factory kKinds[] = {
    Create<EditNative, TEdit>,
    Create<MemoNative, TMemo>,
    Create<ListBoxNative, TListBox>,
    Create<DirectoryListNative, TDirectoryListBox>,
    Create<DriveNative, TDriveComboBox>,
};

}  // namespace

NativeControl::NativeControl(TControl& control, NativeHost& host, HWND handle)
    : host_(host), control_(control), handle_(handle) {
  if (!handle_) return;
  SetWindowLongPtrW(handle_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  original_ = reinterpret_cast<WNDPROC>(
      SetWindowLongPtrW(handle_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&NativeControl::Subclass)));
}

NativeControl::~NativeControl() {
  if (handle_) {
    SetWindowLongPtrW(handle_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(original_));
    SetWindowLongPtrW(handle_, GWLP_USERDATA, 0);
    DestroyWindow(handle_);
  }
  if (brush_) DeleteObject(brush_);
}

LRESULT CALLBACK NativeControl::Subclass(HWND handle, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* self = reinterpret_cast<NativeControl*>(GetWindowLongPtrW(handle, GWLP_USERDATA));
  if (!self) return DefWindowProcW(handle, message, wParam, lParam);
  if (message == WM_SETFOCUS) self->host_.NativeFocused(self->control_);
  return self->Message(message, wParam, lParam);
}

LRESULT NativeControl::Message(UINT message, WPARAM wParam, LPARAM lParam) { return Original(message, wParam, lParam); }

LRESULT NativeControl::Original(UINT message, WPARAM wParam, LPARAM lParam) {
  return CallWindowProcW(original_, handle_, message, wParam, lParam);
}

HBRUSH NativeControl::Colors(HDC dc) {
  SetTextColor(dc, GdiColor(control_.Font.Color));
  SetBkColor(dc, GdiColor(control_.Color));
  if (!brush_) brush_ = CreateSolidBrush(GdiColor(control_.Color));
  return brush_;
}

void NativeControl::Sync() {
  if (!handle_) return;
  syncing_ = true;
  int x, y;
  ClientPosition(control_, x, y);
  RECT now;
  GetWindowRect(handle_, &now);
  MapWindowPoints(nullptr, GetParent(handle_), reinterpret_cast<POINT*>(&now), 2);
  const int height = std::max(1, control_.Height) + (dynamic_cast<TDriveComboBox*>(&control_) ? DriveNative::kDropHeight : 0);
  if (now.left != x || now.top != y || now.right - now.left != std::max(1, control_.Width) || now.bottom - now.top != height)
    SetWindowPos(handle_, nullptr, x, y, std::max(1, control_.Width), height, SWP_NOZORDER | SWP_NOACTIVATE);
  if (control_.Showing() != (IsWindowVisible(handle_) != FALSE)) ShowWindow(handle_, control_.Showing() ? SW_SHOWNA : SW_HIDE);
  const bool enabled = control_.EnabledChain();
  if (enabled != (IsWindowEnabled(handle_) != FALSE)) EnableWindow(handle_, enabled ? TRUE : FALSE);
  const bool restyle = !styled_ || !SameFont(font_, control_.Font) || color_ != control_.Color;
  if (restyle) {
    styled_ = true;
    font_ = control_.Font;
    color_ = control_.Color;
    if (brush_) DeleteObject(brush_);
    brush_ = nullptr;
    SendMessageW(handle_, WM_SETFONT, reinterpret_cast<WPARAM>(GdiFont(control_.Font)), FALSE);
    InvalidateRect(handle_, nullptr, TRUE);
  }
  SyncContent(restyle);
  syncing_ = false;
}

std::unique_ptr<NativeControl> CreateNative(TControl& control, NativeHost& host, HWND parent) {
  for (Factory create : kKinds)
    if (auto native = create(control, host, parent)) return native;
  return nullptr;
}

}  // namespace zev::ui::win32
