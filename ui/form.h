// A form: a top-level window with its controls as named members, its events, and its part in
// the application's modal loops.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/host.h"
#include "ui/control.h"
#include "ui/keys.h"

namespace zev::ui {

class Application;
class TButton;

enum class TBorderStyle { bsNone, bsSingle, bsSizeable, bsDialog, bsToolWindow };
enum class TWindowState { wsNormal, wsMaximized };
enum class TPosition { poDesigned, poScreenCenter };
enum class TCloseAction { caNone, caHide, caFree };

class TForm : public TWinControl {
 public:
  TForm(Application& application, std::string name);
  ~TForm() override;

  TBorderStyle BorderStyle = TBorderStyle::bsSizeable;
  TWindowState WindowState = TWindowState::wsNormal;
  TPosition Position = TPosition::poDesigned;
  bool BorderIcons = true;
  // Set while the form is shown modally; any value but None ends the modal loop.
  platform::ModalResult ModalResult = platform::ModalResult::None;

  TNotifyEvent OnCreate;
  TNotifyEvent OnShow;
  TNotifyEvent OnResize;
  std::function<void(TCloseAction&)> OnClose;

  Application& App() const { return application_; }
  bool IsModal() const { return modal_; }

  // Client area size (the form's Width and Height are its client area).
  void SetClientSize(int width, int height) { SetBounds(Left, Top, width, height); }

  // Makes the form visible and runs OnShow (the first time and after each Hide).
  void Show();
  void Hide();
  // Closes as the system does: a modal form ends its loop with Cancel; otherwise OnClose
  // decides, and closing the main form ends the application.
  void Close();

  // Runs OnClose with the given default action and returns the action chosen.
  TCloseAction DoClose(TCloseAction action);

  // Keyboard focus. The focused control, or nullptr; it may have become hidden or disabled
  // since it was focused, which Tab then moves on from.
  TControl* ActiveControl() const { return activeControl_; }
  // Focuses a control of this form (nullptr: none). Runs no handler.
  void SetActiveControl(TControl* control);
  // The controls Tab visits, in order: depth first through the tab lists, those that can take
  // the focus now; of a group of radio buttons (the radio buttons of one parent) only the
  // checked one, or the first when none is checked.
  std::vector<TControl*> TabStops() const;
  // Moves the focus to the next (or previous) tab stop after the focused control, cycling.
  void SelectNext(bool forward);
  // Focuses the first tab stop within a part of the form, else the default button; used when a
  // notebook shows a page, and with the whole form when the form is shown.
  void FocusFirstIn(TWinControl& part);
  // The showing, enabled button marked Default (or Cancel), first in tab order; nullptr if none.
  TButton* DefaultButton() const;
  TButton* CancelButton() const;

  // Handles a key press as a dialog does (see KeyCommandFor); false when the form leaves the
  // key to the focused control (a text field types it).
  bool KeyDown(const TKeyPress& key);

  // Called when a control leaves the form's tree.
  void ControlRemoved(TControl& control);

 protected:
  void Resized() override;

 private:
  // What a key does: the control it acts on and how.
  struct TKeyCommand {
    enum Kind { kNone, kFocus, kClick, kFocusAndClick, kDblClick, kSelect } kind = kNone;
    TControl* control = nullptr;
    int item = -1;  // kSelect: the entry to select; kFocus: 1 forwards, -1 backwards
  };
  // The key rules: Tab and Shift+Tab move the focus; Enter double-clicks the selected entry of
  // a focused list, presses a focused button, else the default button; Escape presses the
  // cancel button; Space presses a focused button, check box or radio button; the arrows move
  // the check within a radio group and the selection of a list or drive box; Alt+letter
  // presses the control whose caption underlines that letter.
  TKeyCommand KeyCommandFor(const TKeyPress& key);
  TKeyCommand ArrowCommand(TControl& focus, TKey key);

  friend class Application;
  Application& application_;
  bool modal_ = false;
  TControl* activeControl_ = nullptr;
};

}  // namespace zev::ui
