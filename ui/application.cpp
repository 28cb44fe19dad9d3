#include "ui/application.h"

#include <algorithm>
#include <cstdio>

namespace zev::ui {

using platform::ModalResult;

Application::Application(Backend& backend) : backend_(backend) { previousHost_ = platform::SetHost(this); }

Application::~Application() {
  // Forms go in reverse order of creation, so later forms that point at earlier ones go first.
  while (!forms_.empty()) forms_.pop_back();
  platform::SetHost(previousHost_);
}

void Application::Log(const std::string& line) {
  if (!OnLog) return;
  // One event per line: line breaks inside a box text are shown escaped.
  std::string text;
  for (char c : line) {
    if (c == '\n') text += "\\n";
    else if (c == '\r') text += "\\r";
    else text += c;
  }
  char stamp[32];
  std::snprintf(stamp, sizeof stamp, "[%7.3f] ", static_cast<double>(backend_.Now()) / 1000.0);
  OnLog(stamp + text);
}

void Application::Notice(const std::string& line) {
  Log(line);
  if (OnNotice) OnNotice(line);
  else std::fprintf(stderr, "%s\n", line.c_str());
}

void Application::SetCursor(platform::Cursor cursor) {
  if (cursor == cursor_) return;
  cursor_ = cursor;
  backend_.CursorChanged(cursor);
}

void Application::FormShown(TForm& form) {
  showing_.erase(std::remove(showing_.begin(), showing_.end(), &form), showing_.end());
  showing_.push_back(&form);
  backend_.FormShown(form);
}

void Application::FormHidden(TForm& form) {
  showing_.erase(std::remove(showing_.begin(), showing_.end(), &form), showing_.end());
  backend_.FormHidden(form);
}

void Application::Adopt(std::unique_ptr<TForm> form) {
  if (!mainForm_) mainForm_ = form.get();
  forms_.push_back(std::move(form));
}

void Application::FreeForm(TForm& form) {
  if (&form == mainForm_) mainForm_ = nullptr;
  if (form.Visible) FormHidden(form);
  auto it = std::find_if(forms_.begin(), forms_.end(), [&](const auto& f) { return f.get() == &form; });
  if (it != forms_.end()) forms_.erase(it);
}

void Application::Release(TForm& form) {
  TForm* target = &form;
  Post([this, target] {
    auto it = std::find_if(forms_.begin(), forms_.end(), [&](const auto& f) { return f.get() == target; });
    if (it != forms_.end()) FreeForm(*target);
  });
}

void Application::RemoveTimer(TTimer& timer) {
  timers_.erase(std::remove(timers_.begin(), timers_.end(), &timer), timers_.end());
}

void Application::Post(std::function<void()> message) { messages_.push_back(std::move(message)); }

std::optional<std::int64_t> Application::NextDue() const {
  std::optional<std::int64_t> next;
  for (const TTimer* timer : timers_)
    if (timer->enabled_ && !timer->running_ && timer->interval_ > 0 && timer->OnTimer)
      if (!next || timer->due_ < *next) next = timer->due_;
  return next;
}

bool Application::RunPending() {
  bool ran = false;
  while (!messages_.empty()) {
    auto message = std::move(messages_.front());
    messages_.pop_front();
    message();
    ran = true;
  }
  // Timers that are due now, earliest first; each fires once per pass. A copy of the list,
  // since a handler may create or destroy timers.
  const std::int64_t now = backend_.Now();
  std::vector<TTimer*> due;
  for (TTimer* timer : timers_)
    if (timer->enabled_ && !timer->running_ && timer->interval_ > 0 && timer->OnTimer && timer->due_ <= now)
      due.push_back(timer);
  std::stable_sort(due.begin(), due.end(), [](const TTimer* a, const TTimer* b) { return a->due_ < b->due_; });
  for (TTimer* timer : due) {
    if (std::find(timers_.begin(), timers_.end(), timer) == timers_.end()) continue;  // destroyed meanwhile
    if (!timer->enabled_ || timer->running_ || timer->due_ > now) continue;
    timer->due_ = now + timer->interval_;
    timer->running_ = true;
    struct Reset {
      Application* app;
      TTimer* timer;
      ~Reset() {
        if (std::find(app->timers_.begin(), app->timers_.end(), timer) != app->timers_.end()) timer->running_ = false;
      }
    } reset{this, timer};
    timer->OnTimer();
    ran = true;
  }
  return ran;
}

void Application::ProcessMessages() {
  backend_.Poll();
  RunPending();
}

void Application::HandleMessage() {
  backend_.Poll();
  if (RunPending()) return;
  if (!backend_.Wait(NextDue()))
    throw EStalled("Nothing is left that could happen while a window waits for input");
  backend_.Poll();
  RunPending();
}

void Application::Run() {
  if (mainForm_ && !terminated_) mainForm_->Show();
  while (!terminated_ && mainForm_) HandleMessage();
}

ModalResult Application::ShowModal(TForm& form) {
  form.ModalResult = ModalResult::None;
  form.modal_ = true;
  form.Show();
  struct EndModal {
    TForm& form;
    ~EndModal() {
      form.modal_ = false;
      form.Hide();
    }
  } endModal{form};
  for (;;) {
    if (terminated_) form.ModalResult = ModalResult::Cancel;
    if (form.ModalResult != ModalResult::None) {
      // As the system does: OnClose may refuse (caNone) and keep the form open.
      if (form.DoClose(TCloseAction::caHide) != TCloseAction::caNone || terminated_) break;
      form.ModalResult = ModalResult::None;
    }
    HandleMessage();
  }
  return form.ModalResult;
}

ModalResult Application::MessageBox(const std::string& text, const std::string& title, platform::MsgKind kind,
                                    unsigned buttons) {
  BoxRequest box{text, title.empty() ? Title : title, kind, buttons};
  const ModalResult answer = backend_.MessageBox(box);
  Log("box \"" + text + "\" [" + box.title + "] -> " + ButtonName(answer));
  return answer;
}

bool Application::InputQuery(const std::string& caption, const std::string& prompt, std::string& value) {
  const bool ok = backend_.InputQuery(caption, prompt, value);
  Log("input \"" + caption + "\" -> " + (ok ? "OK \"" + value + "\"" : std::string("Cancel")));
  return ok;
}

}  // namespace zev::ui
