#include "ui/headless_backend.h"

#include "ui/form.h"

namespace zev::ui {

using platform::ModalResult;

HeadlessBackend::HeadlessBackend(int screenWidth, int screenHeight)
    : screenWidth_(screenWidth), screenHeight_(screenHeight) {}

void HeadlessBackend::Poll() {
  ++polls;
  if (onPoll) onPoll();
}

bool HeadlessBackend::Wait(std::optional<std::int64_t> deadline) {
  // Nobody will ever click: only a timer can still make something happen.
  if (!deadline) return false;
  if (*deadline > clock_) clock_ = *deadline;
  return true;
}

ModalResult HeadlessBackend::MessageBox(const BoxRequest& box) {
  ModalResult answer;
  if (!script.empty()) {
    answer = script.front();
    script.pop_front();
  } else if (answerer) {
    answer = answerer(box);
  } else {
    answer = LastButton(box.buttons);
  }
  boxes.push_back({box, answer, clock_});
  return answer;
}

bool HeadlessBackend::InputQuery(const std::string& caption, const std::string& prompt, std::string& value) {
  const std::string initial = value;
  bool ok = false;
  if (!inputScript.empty()) {
    ok = inputScript.front().ok;
    if (ok) value = inputScript.front().text;
    inputScript.pop_front();
  }
  queries.push_back({caption, prompt, initial, ok});
  return ok;
}

void HeadlessBackend::FormShown(TForm& form) { shownForms.push_back(form.Name); }

RasterImage RenderForm(TForm& form) {
  RasterCanvas canvas(form.Width, form.Height, ColorToRGB(form.Color));
  // The form itself is painted as the bottom layer; its Visible flag does not matter here.
  const bool visible = form.Visible;
  form.Visible = true;
  PaintTree(form, canvas, 0, 0);
  form.Visible = visible;
  return canvas.Image();
}

}  // namespace zev::ui
