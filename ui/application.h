// The application object: owns the forms, runs the message loop and the modal loops, keeps the
// timers, shows message boxes, and is the platform's Host while it is installed.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/error.h"
#include "platform/host.h"
#include "ui/backend.h"
#include "ui/form.h"
#include "ui/timer.h"

namespace zev::ui {

// Raised when a loop waits for an event that can never come (headless, no timer left).
class EStalled : public Exception {
  using Exception::Exception;
};

class Application : public platform::Host {
 public:
  explicit Application(Backend& backend);
  ~Application() override;
  Application(const Application&) = delete;
  Application& operator=(const Application&) = delete;

  std::string Title;
  // Receives one line per event worth recording (boxes, stages, files); the time of the
  // backend's clock is put in front.
  std::function<void(const std::string&)> OnLog;
  void Log(const std::string& line);
  // Receives the lines meant for the person at the terminal (standard error), beside the box
  // that a window shows; written to standard error when unset. Each is logged as well.
  std::function<void(const std::string&)> OnNotice;
  void Notice(const std::string& line);

  // Creates a form owned by the application and runs its OnCreate; the first form created is
  // the main form. The form's constructor takes the application first.
  template <class T, class... Args>
  T& CreateForm(Args&&... args) {
    auto form = std::make_unique<T>(*this, std::forward<Args>(args)...);
    T& result = *form;
    Adopt(std::move(form));
    if (result.OnCreate) result.OnCreate();
    return result;
  }
  TForm* MainForm() const { return mainForm_; }
  // The form shown last of those still showing (a modal form over the one that opened it):
  // where the keys go. nullptr when none shows.
  TForm* ActiveForm() const { return showing_.empty() ? nullptr : showing_.back(); }
  // Destroys a form now (its pointer becomes invalid); Release does it once the current event
  // has finished.
  void FreeForm(TForm& form);
  void Release(TForm& form);

  // Shows the main form and handles messages until the application terminates.
  void Run();
  // Handles one message, waiting for it if none is pending. Throws EStalled when none can come.
  void HandleMessage();
  // Handles every pending message and due timer without waiting.
  void ProcessMessages() override;
  void Terminate() { terminated_ = true; }
  bool Terminated() const { return terminated_; }

  // Shows the form modally and returns its ModalResult; Cancel when the application terminates
  // meanwhile. OnClose runs when the loop ends.
  platform::ModalResult ShowModal(TForm& form);

  // Queues an action as a window message (a click, say), run by the next message handling.
  void Post(std::function<void()> message);

  platform::ModalResult MessageBox(const std::string& text, const std::string& title, platform::MsgKind kind,
                                   unsigned buttons) override;
  bool InputQuery(const std::string& caption, const std::string& prompt, std::string& value) override;
  void Repaint() override { backend_.Repaint(); }
  platform::Cursor GetCursor() override { return cursor_; }
  void SetCursor(platform::Cursor cursor) override;

  std::int64_t Now() { return backend_.Now(); }
  int ScreenWidth() const { return backend_.ScreenWidth(); }
  int ScreenHeight() const { return backend_.ScreenHeight(); }
  Backend& GetBackend() { return backend_; }

  // Called by forms and timers.
  void FormShown(TForm& form);
  void FormHidden(TForm& form);
  void AddTimer(TTimer& timer) { timers_.push_back(&timer); }
  void RemoveTimer(TTimer& timer);

 private:
  void Adopt(std::unique_ptr<TForm> form);
  // Runs posted messages and due timers; true when anything ran.
  bool RunPending();
  std::optional<std::int64_t> NextDue() const;

  Backend& backend_;
  std::vector<std::unique_ptr<TForm>> forms_;
  TForm* mainForm_ = nullptr;
  std::vector<TForm*> showing_;  // in the order they were shown
  std::vector<TTimer*> timers_;
  std::deque<std::function<void()>> messages_;
  bool terminated_ = false;
  platform::Cursor cursor_ = platform::Cursor::Default;
  platform::Host* previousHost_ = nullptr;
};

// Shows the hour glass while it lives, then the cursor there was before.
class TBusyCursor {
 public:
  explicit TBusyCursor(Application& app) : app_(app), saved_(app.GetCursor()) {
    app.SetCursor(platform::Cursor::HourGlass);
  }
  ~TBusyCursor() { app_.SetCursor(saved_); }
  TBusyCursor(const TBusyCursor&) = delete;
  TBusyCursor& operator=(const TBusyCursor&) = delete;

 private:
  Application& app_;
  platform::Cursor saved_;
};

}  // namespace zev::ui
