#include "ui/form.h"

#include "ui/application.h"
#include "ui/std_controls.h"

namespace zev::ui {

TForm::TForm(Application& application, std::string name) : TWinControl(std::move(name)), application_(application) {
  Visible = false;
  Font.Name = "MS Sans Serif";
  Font.Height = 11;
}

TForm::~TForm() = default;

void TForm::Show() {
  if (Visible) return;
  if (WindowState == TWindowState::wsMaximized)
    SetBounds(0, 0, application_.ScreenWidth(), application_.ScreenHeight());
  else if (Position == TPosition::poScreenCenter)
    SetBounds((application_.ScreenWidth() - Width) / 2, (application_.ScreenHeight() - Height) / 2, Width, Height);
  Visible = true;
  application_.FormShown(*this);
  if (OnShow) OnShow();
  // A form opens with the focus on its default button, or without one on its first control
  // that takes the focus.
  if (TButton* button = DefaultButton(); button && button->CanFocus())
    SetActiveControl(button);
  else
    FocusFirstIn(*this);
}

void TForm::Hide() {
  if (!Visible) return;
  Visible = false;
  application_.FormHidden(*this);
}

TCloseAction TForm::DoClose(TCloseAction action) {
  if (OnClose) OnClose(action);
  return action;
}

void TForm::Close() {
  if (modal_) {
    ModalResult = platform::ModalResult::Cancel;
    return;
  }
  const TCloseAction action = DoClose(TCloseAction::caHide);
  if (action == TCloseAction::caNone) return;
  if (application_.MainForm() == this) {
    Hide();
    application_.Terminate();
  } else if (action == TCloseAction::caFree) {
    application_.Release(*this);
  } else {
    Hide();
  }
}

void TForm::Resized() {
  TWinControl::Resized();
  if (OnResize) OnResize();
}

}  // namespace zev::ui
