// The backend with real windows on Windows (Win32 and GDI): every shown form becomes a window
// that is kept in step with the form's state on each pass of the message loop, clicks and keys
// go back to the controls, timers run on the real clock, and the message boxes are the
// system's. While a form is modal, or a box shows, the other forms' windows take no input.
#pragma once

#include "ui/win32/windows_api.h"

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "ui/backend.h"
#include "ui/canvas.h"

namespace zev::ui::win32 {

class FormWindow;

class Win32Backend : public Backend {
 public:
  // With a folder for screenshots, each new picture a form window shows while the program
  // waits for input is written there as NN-FormName.png: the pages of a run, one by one.
  explicit Win32Backend(std::optional<std::filesystem::path> screenshots = std::nullopt);
  ~Win32Backend() override;
  Win32Backend(const Win32Backend&) = delete;
  Win32Backend& operator=(const Win32Backend&) = delete;

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
  // The form's client area as it shows on the screen now.
  RasterImage Capture(const TForm& form);

 private:
  // Keeps every form window but those given from taking input while it lives, then gives it
  // back to those it took it from.
  class InputBlock {
   public:
    InputBlock(const Win32Backend& backend, HWND except);
    ~InputBlock();
    InputBlock(const InputBlock&) = delete;
    InputBlock& operator=(const InputBlock&) = delete;

   private:
    std::vector<HWND> disabled_;
  };

  void SyncAll();
  // Handles the window messages waiting in the queue; the keys of form windows go to their forms.
  void Dispatch();
  FormWindow* WindowFor(HWND handle) const;
  // The window boxes belong to: the form the keys go to.
  HWND ActiveHandle() const;
  void TakeScreenshots();

  std::chrono::steady_clock::time_point start_;
  std::int64_t lastPoll_ = -1000;
  std::vector<std::unique_ptr<FormWindow>> windows_;  // in the order they were shown
  std::map<const TForm*, std::unique_ptr<InputBlock>> modal_;
  platform::Cursor cursor_ = platform::Cursor::Default;
  std::optional<std::filesystem::path> screenshots_;
  std::map<std::string, std::uint64_t> shot_;  // per form name, the picture last written
  int shots_ = 0;
};

}  // namespace zev::ui::win32
