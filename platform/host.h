// What the lower layers may ask of the user interface: let the windows breathe, show a message
// box, ask for a line of text. ui::Application implements it; tests use a ScriptedHost.
#pragma once

#include <string>

namespace zev::platform {

// Buttons of a message box, combined as a set.
enum MsgButton : unsigned {
  mbYes = 1u << 0,
  mbNo = 1u << 1,
  mbOK = 1u << 2,
  mbCancel = 1u << 3,
  mbAbort = 1u << 4,
  mbRetry = 1u << 5,
  mbIgnore = 1u << 6,
};

// The look of a message box: confirmations ask, warnings warn, errors report a failure.
enum class MsgKind { Information, Confirmation, Warning, Error };

// The button that closed a modal window or box; None while it is still open.
enum class ModalResult { None, OK, Cancel, Abort, Retry, Ignore, Yes, No };

enum class Cursor { Default, Arrow, HourGlass };

class Host {
 public:
  virtual ~Host() = default;

  // Handles pending window messages: repaints, clicks, timers.
  virtual void ProcessMessages() = 0;
  // Shows a modal message box and returns the button pressed.
  virtual ModalResult MessageBox(const std::string& text, const std::string& title, MsgKind kind,
                                 unsigned buttons) = 0;
  // Shows a one-line input box; true on OK, with value holding the text typed.
  virtual bool InputQuery(const std::string& caption, const std::string& prompt, std::string& value) = 0;
  // Repaints every visible window now.
  virtual void Repaint() = 0;
  virtual Cursor GetCursor() = 0;
  virtual void SetCursor(Cursor cursor) = 0;
};

// The host the program runs under. Until one is installed, a host without a user answers every
// box with its first button in the order Yes, OK, Abort, Retry, Ignore, No, Cancel.
Host& CurrentHost();
// Installs a host (nullptr restores the default); returns the previous one.
Host* SetHost(Host* host);

// Installs a host for the lifetime of a scope.
class ScopedHost {
 public:
  explicit ScopedHost(Host& host) : previous_(SetHost(&host)) {}
  ~ScopedHost() { SetHost(previous_); }
  ScopedHost(const ScopedHost&) = delete;
  ScopedHost& operator=(const ScopedHost&) = delete;

 private:
  Host* previous_;
};

// The first button of a set, in the order Yes, OK, Abort, Retry, Ignore, No, Cancel.
ModalResult DefaultButton(unsigned buttons);

}  // namespace zev::platform
