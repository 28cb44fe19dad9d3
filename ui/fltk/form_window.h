// One real window for one shown form. The form's controls are painted from their state with
// FLTK's drawing calls; the few that take typing, scrolling or a drop-down (edits, memos, list
// boxes, the directory list, the drive combo) are real FLTK widgets kept in step with their
// control. Clicks and keys go back to the form as posted window messages, so a handler never
// runs inside FLTK's own event dispatch. The keyboard focus is the form's: the window gives
// FLTK's focus to the native widget that has it, and keeps it itself for a painted control.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <FL/Fl_Double_Window.H>

#include "platform/host.h"
#include "ui/fltk/native_controls.h"
#include "ui/form.h"
#include "ui/form_view.h"

namespace zev::ui::fltk {

class FormWindow : public Fl_Double_Window, public NativeHost {
 public:
  explicit FormWindow(TForm& form);
  ~FormWindow() override;

  TForm& Form() const { return form_; }
  // Cuts the window off from its form, which may be freed now: FLTK deletes the window later and
  // may still send it events until then.
  void Detach();
  // Brings the window and its widgets in step with the form's state; repaints when the picture
  // the form would paint has changed.
  void Sync();
  // The hash of what the form paints now (natively shown controls excepted).
  std::uint64_t PaintHash();
  // Shows the hour glass over the whole window while the application is busy.
  void SetAppCursor(platform::Cursor cursor);

  void show() override;
  void draw() override;
  int handle(int event) override;

  // The control under a point of the client area: the topmost showing one, the form itself
  // when no control is there.
  TControl* ControlAt(int x, int y);

  // The key being pressed goes to the form first, as a posted message; what the form does not
  // take is then handed back to the focused native widget.
  bool QueueKey() override;
  void NativeFocused(TControl& control) override;
  void Post(TControl* control, bool doubleClick) override;
  void PostWhileShown(std::function<void()> message) override;

 private:
  // A key as FLTK reported it, kept until the form's turn comes.
  struct PendingKey {
    std::optional<TKeyPress> press;  // none for keys the form never takes
    int keysym, originalKeysym, state;
    std::string text;
  };

  void RunKey(const PendingKey& key);
  void AddNatives(TWinControl& parent);
  NativeControl* NativeOf(const TControl* control);
  // Puts FLTK's focus where the form's is, when the keyboard is this window's (or force).
  void ApplyFocus(bool force);
  // How the form is painted now: natives left out, the buttons under the mouse and held down.
  WindowPaint HowToPaint() const;
  bool IsNative(const TControl* control) const;
  void UpdateHover(int x, int y);
  static void WindowCallback(Fl_Widget* widget, void* data);

  TForm& form_;
  std::vector<std::unique_ptr<NativeControl>> natives_;
  WindowMessages messages_{form_};
  std::uint64_t painted_ = 0;
  bool everSynced_ = false;
  int modelLeft_ = 0, modelTop_ = 0, modelWidth_ = 0, modelHeight_ = 0;
  std::string label_;
  TControl* pressed_ = nullptr;
  TControl* hover_ = nullptr;
  bool pressedDouble_ = false;
  bool detached_ = false;
  bool replaying_ = false;
  platform::Cursor appCursor_ = platform::Cursor::Default;
};

}  // namespace zev::ui::fltk
