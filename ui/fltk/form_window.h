// One real window for one shown form. The form's controls are painted from their state with
// FLTK's drawing calls; the few that take typing, scrolling or a drop-down (edits, memos, list
// boxes, the directory list, the drive combo) are real FLTK widgets kept in step with their
// control. Clicks and keys go back to the form as posted window messages, so a handler never
// runs inside FLTK's own event dispatch. The keyboard focus is the form's: the window gives
// FLTK's focus to the native widget that has it, and keeps it itself for a painted control.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <FL/Fl_Double_Window.H>

#include "platform/host.h"
#include "ui/form.h"

class Fl_Widget;

namespace zev::ui {
class TButton;
}

namespace zev::ui::fltk {

class FormWindow : public Fl_Double_Window {
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

  // For the native widgets: the key being pressed goes to the form first, as a posted message;
  // what the form does not take is then handed back to the focused native widget. False while
  // a key is being handed back. And a native widget that took FLTK's focus gives the form's
  // focus to its control.
  bool QueueKey();
  void NativeFocused(TControl& control);
  // Posts a click or double click on a control.
  void Post(TControl* control, bool doubleClick);

 private:
  // A key as FLTK reported it, kept until the form's turn comes.
  struct PendingKey {
    std::optional<TKeyPress> press;  // none for keys the form never takes
    int keysym, originalKeysym, state;
    std::string text;
  };

  struct Native {
    TControl* control = nullptr;
    Fl_Widget* widget = nullptr;
    std::vector<std::string> shown;  // lines or items last given to the widget
    std::string text;                // the edit text last given
    int index = -2;                  // the selection last given
    int wrapWidth = -1;              // the width a memo's lines were wrapped to
    std::uint64_t look = 0;          // font and colour last given
  };

  void RunKey(const PendingKey& key);
  void AddNatives(TWinControl& parent);
  void SyncNative(Native& native);
  void SyncMemo(Native& native);
  Native* NativeOf(const TControl* control);
  // Puts FLTK's focus where the form's is, when the keyboard is this window's (or force).
  void ApplyFocus(bool force);
  void PaintControl(TControl& control, Canvas& canvas, int x, int y, bool clip);
  void PaintButton(TButton& button, Canvas& canvas);
  bool IsNative(const TControl* control) const;
  void UpdateHover(int x, int y);
  static void WindowCallback(Fl_Widget* widget, void* data);

  TForm& form_;
  std::vector<Native> natives_;
  std::shared_ptr<int> alive_ = std::make_shared<int>(0);
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

// Where a control lies in its form's client area.
void ClientPosition(const TControl& control, int& x, int& y);

}  // namespace zev::ui::fltk
