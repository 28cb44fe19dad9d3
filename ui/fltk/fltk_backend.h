// The backend with real windows (FLTK 1.3 on X11): every shown form becomes a window that is
// kept in step with the form's state on each pass of the message loop, clicks and keys go back
// to the controls, timers run on the real clock, and message boxes and the input box are modal
// windows of their own.
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/error.h"
#include "ui/backend.h"

namespace zev::ui::fltk {

class FormWindow;

// Raised when no display can be opened.
class ENoDisplay : public Exception {
  using Exception::Exception;
};

class FltkBackend : public Backend {
 public:
  // Opens the display named by $DISPLAY; throws ENoDisplay when there is none.
  FltkBackend();
  ~FltkBackend() override;
  FltkBackend(const FltkBackend&) = delete;
  FltkBackend& operator=(const FltkBackend&) = delete;

  // True when $DISPLAY names a display that accepts a connection.
  static bool DisplayAvailable();

  std::int64_t Now() override;
  void Poll() override;
  bool Wait(std::optional<std::int64_t> deadline) override;
  platform::ModalResult MessageBox(const BoxRequest& box) override;
  bool InputQuery(const std::string& caption, const std::string& prompt, std::string& value) override;
  void FormShown(TForm& form) override;
  void FormHidden(TForm& form) override;
  void Repaint() override;
  void CursorChanged(platform::Cursor cursor) override;
  int ScreenWidth() const override;
  int ScreenHeight() const override;

  // The window of a shown form, or nullptr.
  FormWindow* WindowOf(const TForm& form) const;

 private:
  void SyncAll();

  std::chrono::steady_clock::time_point start_;
  std::int64_t lastPoll_ = -1000;
  // The windows of the forms that show. A hidden form's window is handed to FLTK, which deletes
  // it once it is done with it.
  std::vector<std::unique_ptr<FormWindow>> windows_;
  platform::Cursor cursor_ = platform::Cursor::Default;
};

}  // namespace zev::ui::fltk
