#include "ui/fltk/dialogs.h"

#include <FL/Fl.H>
#include <FL/Fl_Button.H>
#include <FL/Fl_Double_Window.H>
#include <FL/Fl_Input.H>
#include <FL/fl_draw.H>
// X11 defines None, which the model uses as a name.
#undef None

#include <algorithm>
#include <vector>

#include "platform/path_names.h"
#include "ui/fltk/fltk_canvas.h"
#include "ui/fltk/window_frame.h"

namespace zev::ui::fltk {
namespace {

using platform::ModalResult;

const TFont kBoxFont{"MS Sans Serif", 12, clWindowText, false};
constexpr int kButtonWidth = 75, kButtonHeight = 23, kGap = 6, kMargin = 12;

std::vector<std::string> SplitLines(const std::string& text) {
  std::vector<std::string> lines(1);
  for (char c : text) {
    if (c == '\r') continue;
    if (c == '\n') lines.emplace_back();
    else lines.back() += c;
  }
  return lines;
}

// Lines of text drawn as they are: no symbol or shortcut codes, unlike a widget label.
class TextLines : public Fl_Widget {
 public:
  TextLines(int x, int y, int w, int h, std::vector<std::string> lines)
      : Fl_Widget(x, y, w, h), lines_(std::move(lines)) {}
  void draw() override {
    SelectFont(kBoxFont);
    int baseline = y() + fl_height() - fl_descent();
    for (const std::string& line : lines_) {
      const std::string utf8 = ToUtf8(line);
      fl_draw(utf8.c_str(), static_cast<int>(utf8.size()), x(), baseline);
      baseline += fl_height();
    }
  }

 private:
  std::vector<std::string> lines_;
};

// The 32-pixel sign beside a box's text: a question mark for a confirmation, an exclamation
// mark on a yellow triangle for a warning, a white cross on red for an error, an "i" otherwise.
class KindIcon : public Fl_Widget {
 public:
  KindIcon(int x, int y, platform::MsgKind kind) : Fl_Widget(x, y, 32, 32), kind_(kind) {}
  void draw() override {
    const int x0 = x(), y0 = y();
    const char* mark = "i";
    if (kind_ == platform::MsgKind::Warning) {
      fl_color(fl_rgb_color(255, 255, 0));
      fl_polygon(x0 + 16, y0 + 1, x0 + 31, y0 + 30, x0 + 1, y0 + 30);
      fl_color(FL_BLACK);
      fl_loop(x0 + 16, y0 + 1, x0 + 31, y0 + 30, x0 + 1, y0 + 30);
      mark = "!";
    } else {
      fl_color(kind_ == platform::MsgKind::Error ? fl_rgb_color(255, 0, 0) : fl_rgb_color(255, 255, 255));
      fl_pie(x0, y0, 31, 31, 0, 360);
      fl_color(kind_ == platform::MsgKind::Error ? fl_rgb_color(128, 0, 0) : fl_rgb_color(0, 0, 128));
      fl_arc(x0, y0, 31, 31, 0, 360);
      if (kind_ == platform::MsgKind::Confirmation) mark = "?";
      if (kind_ == platform::MsgKind::Error) mark = "X";
    }
    SelectFont({"Times New Roman", 22, clBlack, true});
    fl_color(kind_ == platform::MsgKind::Error ? FL_WHITE
                                               : (kind_ == platform::MsgKind::Warning ? FL_BLACK : fl_rgb_color(0, 0, 255)));
    const int tw = static_cast<int>(fl_width(mark));
    fl_draw(mark, x0 + 16 - tw / 2, y0 + (kind_ == platform::MsgKind::Warning ? 27 : 24));
  }

 private:
  platform::MsgKind kind_;
};

// A dialog window that answers Enter with its default button and Escape with its cancel one.
class DialogWindow : public Fl_Double_Window {
 public:
  using Fl_Double_Window::Fl_Double_Window;
  Fl_Button* enterButton = nullptr;
  Fl_Button* escapeButton = nullptr;
  ModalResult result = ModalResult::None;
  // A button's callback: its argument is the answer it gives.
  static void Answer(Fl_Widget* button, void*) {
    auto* window = static_cast<DialogWindow*>(button->window());
    window->result = static_cast<ModalResult>(button->argument());
    window->hide();
  }
  int handle(int event) override {
    if (event == FL_SHORTCUT || event == FL_KEYBOARD) {
      if ((Fl::event_key() == FL_Enter || Fl::event_key() == FL_KP_Enter) && enterButton) {
        Fl_Widget* focused = Fl::focus();
        // A focused button takes Enter for itself.
        if (focused && focused != enterButton && dynamic_cast<Fl_Button*>(focused)) focused->do_callback();
        else enterButton->do_callback();
        return 1;
      }
    }
    return Fl_Double_Window::handle(event);
  }
};

void StyleButton(Fl_Button& button) {
  button.labelfont(static_cast<Fl_Font>(FontIndex(kBoxFont)));
  button.labelsize(kBoxFont.Height);
  button.color(fl_rgb_color(0xC0, 0xC0, 0xC0));
  button.box(FL_UP_BOX);
  button.down_box(FL_DOWN_BOX);
}

void StyleWindow(Fl_Double_Window& window) {
  window.color(fl_rgb_color(0xC0, 0xC0, 0xC0));
  window.xclass("zev-box");
  window.set_modal();
  window.size_range(window.w(), window.h(), window.w(), window.h());
  window.position((Fl::w() - window.w()) / 2, (Fl::h() - window.h()) / 2);
}

const char* Label(ModalResult result) {
  switch (result) {
    case ModalResult::Yes: return "&Yes";
    case ModalResult::No: return "&No";
    case ModalResult::OK: return "OK";
    case ModalResult::Cancel: return "Cancel";
    case ModalResult::Abort: return "&Abort";
    case ModalResult::Retry: return "&Retry";
    case ModalResult::Ignore: return "&Ignore";
    default: return "";
  }
}

}  // namespace

ModalResult RunMessageBox(const BoxRequest& box) {
  const std::vector<ModalResult> order = {ModalResult::Yes,   ModalResult::No,    ModalResult::OK,
                                          ModalResult::Cancel, ModalResult::Abort, ModalResult::Retry,
                                          ModalResult::Ignore};
  std::vector<ModalResult> buttons;
  for (ModalResult r : order)
    if (HasButton(box.buttons, r)) buttons.push_back(r);
  if (buttons.empty()) buttons.push_back(ModalResult::OK);

  const std::vector<std::string> lines = SplitLines(box.text);
  fl_font(static_cast<Fl_Font>(FontIndex(kBoxFont)), kBoxFont.Height);
  int textWidth = 0;
  for (const std::string& line : lines) {
    const std::string utf8 = ToUtf8(line);
    textWidth = std::max(textWidth, static_cast<int>(fl_width(utf8.c_str(), static_cast<int>(utf8.size())) + 1));
  }
  const int textHeight = fl_height() * static_cast<int>(lines.size());
  const int textLeft = kMargin + 32 + kMargin;
  const int buttonsWidth = static_cast<int>(buttons.size()) * (kButtonWidth + kGap) - kGap;
  const int width = std::min(std::max({textLeft + textWidth + kMargin, buttonsWidth + 2 * kMargin, 180}), Fl::w());
  const int buttonsTop = std::max(kMargin + 32, kMargin + 8 + textHeight) + kMargin;
  const int height = buttonsTop + kButtonHeight + kMargin;

  const std::string title = ToUtf8(box.title);
  DialogWindow window(width, height, title.c_str());
  // The window owns the widgets made between begin() and end(), and deletes them with itself.
  window.begin();
  new KindIcon(kMargin, kMargin, box.kind);
  new TextLines(textLeft, kMargin + std::max(0, (32 - textHeight) / 2), textWidth, textHeight, lines);
  int x = (width - buttonsWidth) / 2;
  for (ModalResult r : buttons) {
    auto* button = new Fl_Button(x, buttonsTop, kButtonWidth, kButtonHeight, Label(r));
    StyleButton(*button);
    button->callback(DialogWindow::Answer, reinterpret_cast<void*>(static_cast<long>(r)));
    if (!window.enterButton) window.enterButton = button;
    if (r == ModalResult::Cancel || (buttons.size() == 1 && r == ModalResult::OK)) window.escapeButton = button;
    x += kButtonWidth + kGap;
  }
  window.end();
  StyleWindow(window);
  // Escape and the close box answer as the box's cancel button; without one they do nothing.
  window.callback(
      [](Fl_Widget* widget, void*) {
        auto* w = static_cast<DialogWindow*>(widget);
        if (w->escapeButton) w->escapeButton->do_callback();
      },
      nullptr);
  {
    const WindowManagerHold hold;
    window.show();
    AskForFrame(window, FrameKind::Dialog, window.escapeButton != nullptr);
  }
  if (window.enterButton) window.enterButton->take_focus();
  while (window.result == ModalResult::None && window.shown()) Fl::wait();
  window.hide();
  return window.result == ModalResult::None ? LastButton(box.buttons) : window.result;
}

bool RunInputQuery(const std::string& caption, const std::string& prompt, std::string& value) {
  constexpr int width = 320;
  fl_font(static_cast<Fl_Font>(FontIndex(kBoxFont)), kBoxFont.Height);
  const int promptHeight = fl_height();
  const int inputTop = kMargin + promptHeight + 4;
  const int buttonsTop = inputTop + 24 + kMargin;
  const int height = buttonsTop + kButtonHeight + kMargin;

  const std::string title = ToUtf8(caption);
  DialogWindow window(width, height, title.c_str());
  window.begin();  // owns the widgets made until end()
  new TextLines(kMargin, kMargin, width - 2 * kMargin, promptHeight, {prompt});
  auto* input = new Fl_Input(kMargin, inputTop, width - 2 * kMargin, 24);
  input->textfont(static_cast<Fl_Font>(FontIndex(kBoxFont)));
  input->textsize(kBoxFont.Height);
  input->value(ToUtf8(value).c_str());
  const int okLeft = width - kMargin - 2 * kButtonWidth - kGap;
  auto* ok = new Fl_Button(okLeft, buttonsTop, kButtonWidth, kButtonHeight, "OK");
  auto* cancel = new Fl_Button(okLeft + kButtonWidth + kGap, buttonsTop, kButtonWidth, kButtonHeight, "Cancel");
  for (Fl_Button* button : {ok, cancel}) {
    StyleButton(*button);
    button->callback(DialogWindow::Answer);
  }
  ok->argument(static_cast<long>(ModalResult::OK));
  cancel->argument(static_cast<long>(ModalResult::Cancel));
  window.enterButton = ok;
  window.escapeButton = cancel;
  window.end();
  StyleWindow(window);
  window.callback([](Fl_Widget* widget, void*) { static_cast<DialogWindow*>(widget)->escapeButton->do_callback(); },
                  nullptr);
  {
    const WindowManagerHold hold;
    window.show();
    AskForFrame(window, FrameKind::Dialog, true);
  }
  input->take_focus();
  input->position(input->size(), 0);
  while (window.result == ModalResult::None && window.shown()) Fl::wait();
  window.hide();
  if (window.result != ModalResult::OK) return false;
  value = platform::Utf8ToWin1252(input->value()).value_or(value);
  return true;
}

}  // namespace zev::ui::fltk
