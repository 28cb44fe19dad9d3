// A timer of a form: fires OnTimer every Interval milliseconds while enabled, on the clock of
// the application's backend (a virtual clock when headless).
#pragma once

#include <cstdint>
#include <string>

#include "ui/control.h"

namespace zev::ui {

class Application;

class TTimer {
 public:
  TTimer(Application& application, std::string name);
  ~TTimer();
  TTimer(const TTimer&) = delete;
  TTimer& operator=(const TTimer&) = delete;

  std::string Name;
  TNotifyEvent OnTimer;

  bool Enabled() const { return enabled_; }
  // Enabling (re)starts the interval from now.
  void SetEnabled(bool enabled);
  int Interval() const { return interval_; }
  void SetInterval(int milliseconds);

  // When it fires next on the application's clock; meaningful while enabled.
  std::int64_t Due() const { return due_; }

 private:
  friend class Application;
  void Restart();

  Application& application_;
  bool enabled_ = true;
  int interval_ = 1000;
  std::int64_t due_ = 0;
  bool running_ = false;  // its handler is running: it does not fire again inside itself
};

}  // namespace zev::ui
