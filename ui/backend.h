// What the application needs from whatever shows its forms: a clock, a way to wait for the next
// event, the boxes a person answers, and notice of forms shown and hidden.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "platform/host.h"

namespace zev::ui {

class TForm;

// One message box as a backend is asked to show it.
struct BoxRequest {
  std::string text;
  std::string title;
  platform::MsgKind kind = platform::MsgKind::Information;
  unsigned buttons = platform::mbOK;
};

class Backend {
 public:
  virtual ~Backend() = default;

  // Milliseconds on the backend's clock.
  virtual std::int64_t Now() = 0;
  // Handles whatever input is pending (clicks, repaints) without waiting.
  virtual void Poll() = 0;
  // Waits for input or until the deadline (none: until input comes). False when nothing can
  // ever come: a headless backend without a deadline, where waiting would never end.
  virtual bool Wait(std::optional<std::int64_t> deadline) = 0;

  virtual platform::ModalResult MessageBox(const BoxRequest& box) = 0;
  virtual bool InputQuery(const std::string& caption, const std::string& prompt, std::string& value) = 0;

  virtual void FormShown(TForm& form) = 0;
  virtual void FormHidden(TForm& form) = 0;
  virtual void Repaint() = 0;
  // The application's mouse cursor changed (the hour glass while it is busy).
  virtual void CursorChanged(platform::Cursor) {}
  virtual int ScreenWidth() const = 0;
  virtual int ScreenHeight() const = 0;
};

// The buttons of a box in the order a box shows them: Yes, No, OK, Cancel, Abort, Retry,
// Ignore. The first is the forward choice, the last the safe one (No, Cancel or Abort).
platform::ModalResult FirstButton(unsigned buttons);
platform::ModalResult LastButton(unsigned buttons);
// True when the result is one of the buttons.
bool HasButton(unsigned buttons, platform::ModalResult result);
// "OK", "Cancel" ...; and back, without regard to case (None for an unknown name).
std::string ButtonName(platform::ModalResult result);
platform::ModalResult ButtonFromName(const std::string& name);

}  // namespace zev::ui
