// The controls a form window shows as real Windows controls, because they take typing, scroll
// or drop down: edits (EDIT), memos (a read-only multi-line EDIT), list boxes and the directory
// list (LISTBOX), the drive combo (COMBOBOX). One adapter per kind keeps its control in step with
// the model's state (Sync); CreateNative makes the adapter and its control from a table with one
// row per kind. The window paints every other control itself.
#pragma once

#include "ui/win32/windows_api.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "ui/font.h"

namespace zev::ui {
class TControl;
}

namespace zev::ui::win32 {

// What a native control needs from the window it lies in: taking the focus gives the form's
// focus to its control, and clicks and changes reach the form as messages.
class NativeHost {
 public:
  virtual ~NativeHost() = default;
  virtual void NativeFocused(TControl& control) = 0;
  // Posts a click or double click on a control.
  virtual void Post(TControl* control, bool doubleClick) = 0;
  // Posts a message that runs only if the window still shows its form by then.
  virtual void PostWhileShown(std::function<void()> message) = 0;
};

class NativeControl {
 public:
  virtual ~NativeControl();
  NativeControl(const NativeControl&) = delete;
  NativeControl& operator=(const NativeControl&) = delete;

  TControl& Control() const { return control_; }
  HWND Handle() const { return handle_; }
  // Brings the control in step with the model: place and size, visibility, enabled state, font
  // and colours, and what the kind shows.
  void Sync();
  // A notification the control sent its window (the code of WM_COMMAND).
  virtual void Command(int) {}
  // The colours the control is drawn in (WM_CTLCOLOR...): sets them into the device context
  // and returns the background brush.
  HBRUSH Colors(HDC dc);
  // True while the control keeps the keys for itself (an open drop-down list).
  virtual bool KeepsKeys() const { return false; }

 protected:
  NativeControl(TControl& control, NativeHost& host, HWND handle);
  // What the kind shows; restyle when the control's font or colours changed since the last sync.
  virtual void SyncContent(bool restyle) = 0;
  // The control's own messages pass here first; the default hands them on to the control.
  virtual LRESULT Message(UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT Original(UINT message, WPARAM wParam, LPARAM lParam);

  NativeHost& host_;
  // Set while the adapter changes the control, whose notifications then are no user's doing.
  bool syncing_ = false;

 private:
  static LRESULT CALLBACK Subclass(HWND handle, UINT message, WPARAM wParam, LPARAM lParam);

  TControl& control_;
  HWND handle_;
  WNDPROC original_ = nullptr;
  TFont font_;            // the font last given
  TColor color_ = 0;      // the colour last given
  bool styled_ = false;   // whether font_ and color_ were given yet
  HBRUSH brush_ = nullptr;
};

// The text of a window (a control) in the model's Windows-1252; none when it holds a character
// that has no place there.
std::optional<std::string> WindowText(HWND handle);

// The adapter of a control that shows as a native control, a hidden child of parent until the
// first Sync; nullptr for a control the window paints.
std::unique_ptr<NativeControl> CreateNative(TControl& control, NativeHost& host, HWND parent);

}  // namespace zev::ui::win32
