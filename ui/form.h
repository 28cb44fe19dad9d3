// A form: a top-level window with its controls as named members, its events, and its part in
// the application's modal loops.
#pragma once

#include <functional>
#include <string>

#include "platform/host.h"
#include "ui/control.h"

namespace zev::ui {

class Application;

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

 protected:
  void Resized() override;

 private:
  friend class Application;
  Application& application_;
  bool modal_ = false;
};

}  // namespace zev::ui
