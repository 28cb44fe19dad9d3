// One real window for one shown form. The form's controls are painted from their state with
// GDI; the few that take typing, scrolling or a drop-down are real Windows controls kept in step
// with their control (native_controls.h). Clicks and keys go back to the form as posted
// messages, so a handler never runs inside the window procedure. The keyboard focus is the
// form's: the window gives the system's focus to the native control that has it, and keeps it
// itself for a painted control.
#pragma once

#include "ui/win32/windows_api.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/host.h"
#include "ui/canvas.h"
#include "ui/form.h"
#include "ui/form_view.h"
#include "ui/win32/native_controls.h"

namespace zev::ui::win32 {

class FormWindow : public NativeHost {
 public:
  // Makes the window, hidden, owned by owner (nullptr: none).
  FormWindow(TForm& form, HWND owner);
  ~FormWindow() override;
  FormWindow(const FormWindow&) = delete;
  FormWindow& operator=(const FormWindow&) = delete;

  TForm& Form() const { return form_; }
  HWND Handle() const { return handle_; }
  void Show();
  // Brings the window and its controls in step with the form's state; repaints when the
  // picture the form would paint has changed.
  void Sync();
  // The hash of what the form paints now (natively shown controls excepted).
  std::uint64_t PaintHash();
  // Shows the hour glass over the whole window while the application is busy.
  void SetAppCursor(platform::Cursor cursor);
  // The client area as it shows on the screen now, native controls included.
  RasterImage Capture();

  // A key pressed in this window or one of its controls, taken from the message queue: it
  // goes to the form first, as a posted message, and what the form does not take is then
  // handed to the focused native control. False when the window leaves the key alone.
  bool QueueKey(const MSG& message);

  void NativeFocused(TControl& control) override;
  void Post(TControl* control, bool doubleClick) override;
  void PostWhileShown(std::function<void()> message) override;

 private:
  // A key as the queue held it, kept until the form's turn comes.
  struct PendingKey {
    std::optional<TKeyPress> press;  // none for keys the form never takes
    MSG message;
    BYTE keyboard[256];  // the state of every key when it was pressed, for the characters it types
  };

  static LRESULT CALLBACK Procedure(HWND handle, UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT Message(UINT message, WPARAM wParam, LPARAM lParam);
  void Paint();
  void RunKey(const PendingKey& key);
  void AddNatives(TWinControl& parent);
  NativeControl* NativeOf(const TControl* control) const;
  NativeControl* NativeWithHandle(HWND handle) const;
  // Puts the system's focus where the form's is, when the keyboard is this window's (or force).
  void ApplyFocus(bool force);
  // How the form is painted now: natives left out, the buttons under the mouse and held down.
  WindowPaint HowToPaint() const;
  void Press(int x, int y, bool doubleClick);
  void Release(int x, int y);
  void UpdateHover(int x, int y);
  // Places the window so that its client area has the form's place and size.
  void Place();

  TForm& form_;
  HWND handle_ = nullptr;
  std::vector<std::unique_ptr<NativeControl>> natives_;
  WindowMessages messages_{form_};
  std::uint64_t painted_ = 0;
  bool everSynced_ = false;
  int modelLeft_ = 0, modelTop_ = 0, modelWidth_ = 0, modelHeight_ = 0;
  std::string caption_;
  TControl* pressed_ = nullptr;
  TControl* hover_ = nullptr;
  bool pressedDouble_ = false;
  bool tracking_ = false;  // the window asked to hear when the mouse leaves it
  platform::Cursor appCursor_ = platform::Cursor::Default;
};

}  // namespace zev::ui::win32
