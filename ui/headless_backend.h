// The backend without a display: time is a virtual clock that jumps to the next timer instead of
// waiting, boxes are answered from a script (tests) or by an answering function (an unattended
// run's answers file), and every box and input box is recorded.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "ui/backend.h"
#include "ui/canvas.h"

namespace zev::ui {

class HeadlessBackend : public Backend {
 public:
  struct ShownBox {
    BoxRequest box;
    platform::ModalResult answer;
    std::int64_t time;
  };
  struct ShownQuery {
    std::string caption;
    std::string prompt;
    std::string initial;
    bool ok;
  };
  struct InputAnswer {
    bool ok;
    std::string text;
  };

  HeadlessBackend(int screenWidth = 800, int screenHeight = 600);

  // Box answers taken in order. Once the script is empty the answerer decides; without one, the
  // box gets its last button (the safe choice).
  std::deque<platform::ModalResult> script;
  std::function<platform::ModalResult(const BoxRequest&)> answerer;
  std::deque<InputAnswer> inputScript;  // when empty, an input box is cancelled
  // Runs on every Poll: tests use it to click while a long operation runs.
  std::function<void()> onPoll;

  std::vector<ShownBox> boxes;
  std::vector<ShownQuery> queries;
  std::vector<std::string> shownForms;  // names, in the order they were shown
  int polls = 0;

  std::int64_t Now() override { return clock_; }
  void Advance(std::int64_t milliseconds) { clock_ += milliseconds; }
  void Poll() override;
  bool Wait(std::optional<std::int64_t> deadline) override;
  platform::ModalResult MessageBox(const BoxRequest& box) override;
  bool InputQuery(const std::string& caption, const std::string& prompt, std::string& value) override;
  void FormShown(TForm& form) override;
  void FormHidden(TForm&) override {}
  void Repaint() override { ++repaints; }
  int ScreenWidth() const override { return screenWidth_; }
  int ScreenHeight() const override { return screenHeight_; }
  int repaints = 0;

 private:
  std::int64_t clock_ = 0;
  int screenWidth_;
  int screenHeight_;
};

// Draws a form and its controls, back to front, into a raster of the form's size.
RasterImage RenderForm(TForm& form);

}  // namespace zev::ui
