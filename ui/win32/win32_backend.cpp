#include "ui/win32/win32_backend.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "ui/application.h"
#include "ui/png_io.h"
#include "ui/win32/dialogs.h"
#include "ui/win32/form_window.h"
#include "ui/window_backend.h"

namespace zev::ui {

bool WindowsAvailable() { return true; }

std::unique_ptr<Backend> MakeWindowBackend() {
  // Screenshots of a run's pages, for comparing the windows with those of other systems.
  std::optional<std::filesystem::path> screenshots;
  if (const char* folder = std::getenv("ZEV_SCREENSHOTS"); folder && *folder) screenshots = folder;
  return std::make_unique<win32::Win32Backend>(screenshots);
}

}  // namespace zev::ui

namespace zev::ui::win32 {
namespace {

// Long operations let messages through after every block; past this rate a pass costs more
// than it shows, so closer passes only run what the application queued.
constexpr std::int64_t kPollInterval = 10;

// The longest wait without a timer: a loop that waits for a click comes round this often.
constexpr std::int64_t kIdleWait = 500;

}  // namespace

Win32Backend::InputBlock::InputBlock(const Win32Backend& backend, HWND except) {
  for (const auto& window : backend.windows_)
    if (window->Handle() != except && IsWindowEnabled(window->Handle())) {
      EnableWindow(window->Handle(), FALSE);
      disabled_.push_back(window->Handle());
    }
}

Win32Backend::InputBlock::~InputBlock() {
  for (HWND handle : disabled_)
    if (IsWindow(handle)) EnableWindow(handle, TRUE);
}

Win32Backend::Win32Backend(std::optional<std::filesystem::path> screenshots)
    : start_(std::chrono::steady_clock::now()), screenshots_(std::move(screenshots)) {}

Win32Backend::~Win32Backend() {
  modal_.clear();
  while (!windows_.empty()) windows_.pop_back();
}

std::int64_t Win32Backend::Now() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start_).count();
}

void Win32Backend::SyncAll() {
  for (const auto& window : windows_) window->Sync();
}

FormWindow* Win32Backend::WindowFor(HWND handle) const {
  for (const auto& window : windows_)
    if (window->Handle() == handle || IsChild(window->Handle(), handle)) return window.get();
  return nullptr;
}

HWND Win32Backend::ActiveHandle() const {
  for (auto it = windows_.rbegin(); it != windows_.rend(); ++it)
    if (IsWindowEnabled((*it)->Handle())) return (*it)->Handle();
  return windows_.empty() ? nullptr : windows_.back()->Handle();
}

void Win32Backend::Dispatch() {
  MSG message;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    if (message.message == WM_KEYDOWN || message.message == WM_SYSKEYDOWN)
      if (FormWindow* window = WindowFor(message.hwnd); window && window->QueueKey(message)) continue;
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
}

void Win32Backend::Poll() {
  const std::int64_t now = Now();
  if (now - lastPoll_ < kPollInterval) return;
  lastPoll_ = now;
  SyncAll();
  Dispatch();
}

bool Win32Backend::Wait(std::optional<std::int64_t> deadline) {
  if (!deadline && windows_.empty()) return false;  // nothing shown, no timer: nothing can come
  SyncAll();
  if (screenshots_) TakeScreenshots();
  std::int64_t wait = kIdleWait;
  if (deadline) wait = std::clamp<std::int64_t>(*deadline - Now(), 0, kIdleWait);
  MsgWaitForMultipleObjectsEx(0, nullptr, static_cast<DWORD>(wait), QS_ALLINPUT, MWMO_INPUTAVAILABLE);
  Dispatch();
  lastPoll_ = -1000;  // the next Poll runs in full
  return true;
}

platform::ModalResult Win32Backend::MessageBox(const BoxRequest& box) {
  SyncAll();
  const HWND owner = ActiveHandle();
  const InputBlock block(*this, owner);
  return RunMessageBox(owner, box);
}

bool Win32Backend::InputQuery(const std::string& caption, const std::string& prompt, std::string& value) {
  SyncAll();
  const HWND owner = ActiveHandle();
  bool ok;
  {
    const InputBlock block(*this, nullptr);
    ok = RunInputQuery(owner, caption, prompt, value);
  }
  if (owner) SetForegroundWindow(owner);
  return ok;
}

void Win32Backend::FormShown(TForm& form) {
  if (WindowOf(form)) return;
  // The tool windows and boxes stay above the main screen that fills the screen.
  const TForm* main = form.App().MainForm();
  const FormWindow* mainWindow = main && main != &form ? WindowOf(*main) : nullptr;
  auto window = std::make_unique<FormWindow>(form, mainWindow ? mainWindow->Handle() : nullptr);
  if (form.IsModal()) modal_[&form] = std::make_unique<InputBlock>(*this, window->Handle());
  window->SetAppCursor(cursor_);
  window->Show();
  windows_.push_back(std::move(window));
}

void Win32Backend::FormHidden(TForm& form) {
  auto it = std::find_if(windows_.begin(), windows_.end(), [&](const auto& w) { return &w->Form() == &form; });
  if (it == windows_.end()) return;
  // The windows taken off input go back first, so that the system can hand the activation to
  // one of them when this one goes.
  modal_.erase(&form);
  const HWND handle = (*it)->Handle();
  // A window takes the windows it owns with it: they stay, on their own.
  for (const auto& window : windows_)
    if (GetWindow(window->Handle(), GW_OWNER) == handle) SetWindowLongPtrW(window->Handle(), GWLP_HWNDPARENT, 0);
  windows_.erase(it);
}

void Win32Backend::Repaint() {
  SyncAll();
  for (const auto& window : windows_) UpdateWindow(window->Handle());
}

void Win32Backend::CursorChanged(platform::Cursor cursor) {
  cursor_ = cursor;
  for (const auto& window : windows_) window->SetAppCursor(cursor);
}

int Win32Backend::ScreenWidth() const { return GetSystemMetrics(SM_CXSCREEN); }
int Win32Backend::ScreenHeight() const { return GetSystemMetrics(SM_CYSCREEN); }

FormWindow* Win32Backend::WindowOf(const TForm& form) const {
  for (const auto& window : windows_)
    if (&window->Form() == &form) return window.get();
  return nullptr;
}

RasterImage Win32Backend::Capture(const TForm& form) {
  FormWindow* window = WindowOf(form);
  return window ? window->Capture() : RasterImage();
}

void Win32Backend::TakeScreenshots() {
  for (const auto& window : windows_) {
    const std::uint64_t hash = window->PaintHash();
    const std::string& name = window->Form().Name;
    if (auto found = shot_.find(name); found != shot_.end() && found->second == hash) continue;
    shot_[name] = hash;
    char number[16];
    std::snprintf(number, sizeof number, "%02d-", ++shots_);
    try {
      WritePng(*screenshots_ / (number + name + ".png"), window->Capture());
    } catch (const std::exception& e) {
      std::fprintf(stderr, "zev-setup: %s\n", e.what());
      screenshots_.reset();  // one report is enough
      return;
    }
  }
}

}  // namespace zev::ui::win32
