#include "ui/timer.h"

#include "ui/application.h"

namespace zev::ui {

TTimer::TTimer(Application& application, std::string name) : Name(std::move(name)), application_(application) {
  application_.AddTimer(*this);
  Restart();
}

TTimer::~TTimer() { application_.RemoveTimer(*this); }

void TTimer::Restart() { due_ = application_.Now() + interval_; }

void TTimer::SetEnabled(bool enabled) {
  if (enabled == enabled_) return;
  enabled_ = enabled;
  if (enabled) Restart();
}

void TTimer::SetInterval(int milliseconds) {
  if (milliseconds == interval_) return;
  interval_ = milliseconds;
  Restart();
}

}  // namespace zev::ui
