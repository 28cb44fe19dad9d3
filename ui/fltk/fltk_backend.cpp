#include "ui/fltk/fltk_backend.h"

#include <FL/Fl.H>
#include <FL/x.H>
#include <X11/Xlib.h>
// X11 defines None, which the model uses as a name.
#undef None

#include <algorithm>
#include <cstdlib>
#include <memory>

#include "ui/fltk/dialogs.h"
#include "ui/font_renderer.h"
#include "ui/fltk/form_window.h"
#include "ui/window_backend.h"

namespace zev::ui {

bool WindowsAvailable() { return fltk::FltkBackend::DisplayAvailable(); }

std::unique_ptr<Backend> MakeWindowBackend() { return std::make_unique<fltk::FltkBackend>(); }

}  // namespace zev::ui

namespace zev::ui::fltk {
namespace {

// Long operations let messages through after every block; past this rate a pass costs more
// than it shows, so closer passes only run what the application queued.
constexpr std::int64_t kPollInterval = 10;

// The longest wait without a timer: a loop that waits for a click comes round this often.
constexpr double kIdleWait = 0.5;

}  // namespace

bool FltkBackend::DisplayAvailable() {
  const char* name = std::getenv("DISPLAY");
  if (!name || !*name) return false;
  Display* display = XOpenDisplay(name);
  if (!display) return false;
  XCloseDisplay(display);
  return true;
}

FltkBackend::FltkBackend() : start_(std::chrono::steady_clock::now()) {
  // FLTK ends the process when it cannot open the display, so ask first.
  if (!DisplayAvailable()) throw ENoDisplay("no display: $DISPLAY is not set or the display cannot be opened");
  fl_open_display();
  FontRenderer::Instance().KeepFontconfigAtExit();
  Fl::visual(FL_RGB);
  Fl::scheme("base");
  Fl::background(0xC0, 0xC0, 0xC0);
  Fl::scrollbar_size(16);
}

FltkBackend::~FltkBackend() {
  for (auto& window : windows_) {
    window->hide();
    window.reset();
  }
  windows_.clear();
  Fl::flush();
}

std::int64_t FltkBackend::Now() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start_).count();
}

void FltkBackend::SyncAll() {
  // A copy: syncing does not change the list, but be safe against a window going meanwhile.
  std::vector<FormWindow*> windows;
  for (const auto& window : windows_) windows.push_back(window.get());
  for (FormWindow* window : windows) window->Sync();
}

void FltkBackend::Poll() {
  const std::int64_t now = Now();
  if (now - lastPoll_ < kPollInterval) return;
  lastPoll_ = now;
  SyncAll();
  Fl::check();
}

bool FltkBackend::Wait(std::optional<std::int64_t> deadline) {
  if (!deadline && windows_.empty()) return false;  // nothing shown, no timer: nothing can come
  SyncAll();
  double seconds = kIdleWait;
  if (deadline) seconds = std::clamp(static_cast<double>(*deadline - Now()) / 1000.0, 0.0, kIdleWait);
  Fl::wait(seconds);
  lastPoll_ = -1000;  // the next Poll runs in full
  return true;
}

platform::ModalResult FltkBackend::MessageBox(const BoxRequest& box) {
  SyncAll();
  return RunMessageBox(box);
}

bool FltkBackend::InputQuery(const std::string& caption, const std::string& prompt, std::string& value) {
  SyncAll();
  return RunInputQuery(caption, prompt, value);
}

void FltkBackend::FormShown(TForm& form) {
  if (WindowOf(form)) return;
  FormWindow* window = windows_.emplace_back(std::make_unique<FormWindow>(form)).get();
  window->show();
  window->SetAppCursor(cursor_);
  Fl::flush();
}

void FltkBackend::FormHidden(TForm& form) {
  auto it = std::find_if(windows_.begin(), windows_.end(), [&](const auto& w) { return &w->Form() == &form; });
  if (it == windows_.end()) return;
  FormWindow* window = it->release();
  windows_.erase(it);
  window->Detach();
  window->hide();
  // FLTK may still be inside this window's event handling: it deletes it when that is over.
  Fl::delete_widget(window);
  Fl::flush();
}

void FltkBackend::Repaint() {
  SyncAll();
  Fl::flush();
}

void FltkBackend::CursorChanged(platform::Cursor cursor) {
  cursor_ = cursor;
  for (const auto& window : windows_) window->SetAppCursor(cursor);
  Fl::flush();
}

int FltkBackend::ScreenWidth() const { return Fl::w(); }
int FltkBackend::ScreenHeight() const { return Fl::h(); }

FormWindow* FltkBackend::WindowOf(const TForm& form) const {
  for (const auto& window : windows_)
    if (&window->Form() == &form) return window.get();
  return nullptr;
}

}  // namespace zev::ui::fltk
