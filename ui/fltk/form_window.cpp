#include "ui/fltk/form_window.h"

#include <FL/Fl.H>
#include <FL/Fl_Browser.H>
#include <FL/Fl_Choice.H>
#include <FL/Fl_Hold_Browser.H>
#include <FL/Fl_Input.H>
#include <FL/fl_draw.H>
// X11 defines None, which the model uses as a name.
#undef None

#include <algorithm>
#include <cctype>

#include <optional>
#include <type_traits>

#include "platform/path_names.h"
#include "ui/accelerator.h"
#include "ui/application.h"
#include "ui/file_controls.h"
#include "ui/fltk/fltk_canvas.h"
#include "ui/fltk/window_frame.h"
#include "ui/std_controls.h"

namespace zev::ui::fltk {
namespace {

Fl_Color FlColor(TColor color) {
  const TColor rgb = ColorToRGB(color);
  return fl_rgb_color(RedOf(rgb), GreenOf(rgb), BlueOf(rgb));
}

Fl_Fontsize FlSize(const TFont& font) {
  const int h = font.Height < 0 ? -font.Height : font.Height;
  return static_cast<Fl_Fontsize>(std::clamp(h, 1, 512));
}

// What the widget's font and colours come from, folded into one number.
std::uint64_t LookOf(const TControl& control) {
  std::uint64_t h = 0xCBF29CE484222325ULL;
  HashCanvas hash(&h);
  hash.Add(control.Font.Name);
  hash.Add(static_cast<std::uint64_t>(control.Font.Height) << 32 | control.Font.Color);
  hash.Add(static_cast<std::uint64_t>(control.Font.Bold) << 32 | control.Color);
  return h;
}

// A browser line shown as plain text: "@." stops FLTK from reading formatting codes.
std::string PlainLine(const std::string& text1252) {
  // An empty line would be drawn lower than a line of text.
  return "@." + (text1252.empty() ? std::string(" ") : ToUtf8(text1252));
}

// The key of the event being handled as the forms see it; none for keys they never take.
std::optional<TKeyPress> KeyOfEvent() {
  const int k = Fl::event_key();
  TKey key = 0;
  switch (k) {
    case FL_Tab:
    case 0xFE20:  // ISO_Left_Tab: what X reports for Shift+Tab
      key = vkTab;
      break;
    case FL_Enter:
    case FL_KP_Enter:
      key = vkReturn;
      break;
    case FL_Escape: key = vkEscape; break;
    case ' ': key = vkSpace; break;
    case FL_Left: key = vkLeft; break;
    case FL_Up: key = vkUp; break;
    case FL_Right: key = vkRight; break;
    case FL_Down: key = vkDown; break;
    case FL_Home: key = vkHome; break;
    case FL_End: key = vkEnd; break;
    default:
      if (k >= 'a' && k <= 'z') key = static_cast<TKey>(k - 'a' + 'A');
      else if (k >= '0' && k <= '9') key = static_cast<TKey>(k);
      else return std::nullopt;
  }
  unsigned shift = ssNone;
  if (Fl::event_state(FL_SHIFT)) shift |= ssShift;
  if (Fl::event_state(FL_ALT)) shift |= ssAlt;
  if (Fl::event_state(FL_CTRL)) shift |= ssCtrl;
  return TKeyPress{key, shift};
}

// A native widget of a form window: its keys go to the form first (the window queues them and
// hands back those the form leaves to the widget), taking FLTK's focus gives the form's focus
// to its control, and a list reports clicks and double clicks when the button is released
// (FLTK counts the second click of a double click then).
template <class Widget>
class NativeWidget : public Widget {
 public:
  explicit NativeWidget(TControl& control) : Widget(0, 0, 10, 10), control_(control) {}

  int handle(int event) override {
    auto* window = dynamic_cast<FormWindow*>(this->window());
    if (!window) return Widget::handle(event);
    switch (event) {
      case FL_KEYBOARD:
        if (window->QueueKey()) return 1;
        break;
      case FL_FOCUS:
        window->NativeFocused(control_);
        break;
      case FL_PUSH:
        // A press focuses the control, as on Windows (FLTK's lists do not take the focus so).
        if (control_.CanFocus() && Fl::focus() != this) this->take_focus();
        doubleClick_ = Fl::event_button() == FL_LEFT_MOUSE && Fl::event_clicks() > 0;
        onItems_ = false;
        if constexpr (std::is_base_of_v<Fl_Browser_, Widget>) {
          // A press on the scroll bar is no click on an entry.
          int x, y, w, h;
          this->bbox(x, y, w, h);
          onItems_ = Fl::event_inside(x, y, w, h) != 0;
        }
        break;
      case FL_RELEASE: {
        const int handled = Widget::handle(event);
        if (onItems_ && Fl::event_button() == FL_LEFT_MOUSE) window->Post(&control_, doubleClick_);
        doubleClick_ = onItems_ = false;
        return handled;
      }
      default:
        break;
    }
    return Widget::handle(event);
  }

 protected:
  TControl& control_;

 private:
  bool doubleClick_ = false;
  bool onItems_ = false;  // the press was on a list's entries
};

// A memo: a browser without selection that scrolls with the keys a text view scrolls with, and
// shows the focus rectangle along its inside while it has the focus.
class MemoView : public NativeWidget<Fl_Browser> {
 public:
  using NativeWidget::NativeWidget;

  void draw() override {
    NativeWidget::draw();
    if (Fl::focus() == this) draw_focus(box(), x(), y(), w(), h());
  }

 protected:
  // A line as the model's memo places it: one pixel right of the frame, so that text wrapped
  // to the memo's width fits.
  void item_draw(void* item, int x, int y, int w, int h) const override {
    const char* text = item_text(item);
    if (text[0] == '@' && text[1] == '.') text += 2;
    fl_font(textfont(), textsize());
    fl_color(active_r() ? textcolor() : fl_inactive(textcolor()));
    fl_draw(text, x + 1, y, w - 1, h, Fl_Align(FL_ALIGN_LEFT | FL_ALIGN_CLIP), nullptr, 0);
  }

 public:
  int handle(int event) override {
    if (event == FL_FOCUS || event == FL_UNFOCUS) {
      // FLTK's plain browser refuses the focus; a memo takes it, to scroll with the keys.
      NativeWidget::handle(event);
      redraw();
      return 1;
    }
    if (event != FL_KEYBOARD) return NativeWidget::handle(event);
    if (auto* window = dynamic_cast<FormWindow*>(this->window()); window && window->QueueKey()) return 1;
    const int lines = std::max(1, size());
    const int page = std::max(1, h() / std::max(1, incr_height()) - 1);
    int top = topline();
    switch (Fl::event_key()) {
      case FL_Up: --top; break;
      case FL_Down: ++top; break;
      case FL_Page_Up: top -= page; break;
      case FL_Page_Down: top += page; break;
      case FL_Home: top = 1; break;
      case FL_End: top = lines; break;
      default: return NativeWidget::handle(event);
    }
    topline(std::clamp(top, 1, lines));
    return 1;
  }
};

// How many entries of a directory list are levels of its path: the root and each folder.
int PathLevels(const std::string& directory) {
  if (directory.size() < 3) return 0;
  int levels = 1;
  const std::string rest = directory.substr(3);
  bool inName = false;
  for (char c : rest) {
    if (c == '\\') {
      inName = false;
    } else if (!inName) {
      inName = true;
      ++levels;
    }
  }
  return levels;
}

}  // namespace

void ClientPosition(const TControl& control, int& x, int& y) {
  x = y = 0;
  for (const TControl* c = &control; c && !dynamic_cast<const TForm*>(c); c = c->Parent()) {
    x += c->Left;
    y += c->Top;
  }
}

namespace {

// The frame a form's border style asks for; none for a borderless or sizeable form, whose
// frame FLTK sets up itself.
std::optional<FrameKind> FrameOf(const TForm& form) {
  switch (form.BorderStyle) {
    case TBorderStyle::bsToolWindow: return FrameKind::Tool;
    case TBorderStyle::bsDialog: return FrameKind::Dialog;
    case TBorderStyle::bsSingle: return FrameKind::Normal;
    default: return std::nullopt;
  }
}

}  // namespace

FormWindow::FormWindow(TForm& form)
    : Fl_Double_Window(form.Left, form.Top, std::max(1, form.Width), std::max(1, form.Height)), form_(form) {
  begin();
  AddNatives(form);
  end();
  modelLeft_ = form.Left, modelTop_ = form.Top, modelWidth_ = form.Width, modelHeight_ = form.Height;
  if (form.BorderStyle == TBorderStyle::bsNone) border(0);
  if (form.BorderStyle != TBorderStyle::bsSizeable) size_range(w(), h(), w(), h());
  if (form.IsModal()) set_modal();
  xclass("zev-setup");
  callback(WindowCallback, this);
  label_ = ToUtf8(form.Caption.empty() ? form.App().Title : form.Caption);
  label(label_.c_str());
  Sync();
}

FormWindow::~FormWindow() = default;

void FormWindow::show() {
  const auto frame = FrameOf(form_);
  if (!frame || shown()) {
    Fl_Double_Window::show();
    return;
  }
  const WindowManagerHold hold;
  Fl_Double_Window::show();
  AskForFrame(*this, *frame, form_.BorderIcons);
}

void FormWindow::SetAppCursor(platform::Cursor shape) {
  appCursor_ = shape;
  hover_ = nullptr;  // the next move sets the cursor for what lies under the mouse
  cursor(shape == platform::Cursor::HourGlass ? FL_CURSOR_WAIT : FL_CURSOR_DEFAULT);
}

void FormWindow::Detach() {
  detached_ = true;
  alive_.reset();
  for (Native& native : natives_) native.widget->hide();
  natives_.clear();
  pressed_ = hover_ = nullptr;
}

void FormWindow::AddNatives(TWinControl& parent) {
  for (TControl* control : parent.Controls()) {
    Native native;
    native.control = control;
    if (dynamic_cast<TEdit*>(control)) {
      auto* input = new NativeWidget<Fl_Input>(*control);
      input->when(FL_WHEN_CHANGED);
      input->callback(
          [](Fl_Widget* widget, void* data) {
            auto* edit = static_cast<TEdit*>(data);
            const std::string utf8 = static_cast<Fl_Input*>(widget)->value();
            // The text belongs to the control as soon as it is typed, as in a real edit; the
            // change event follows as a message.
            edit->Text = platform::Utf8ToWin1252(utf8).value_or(edit->Text);
            auto* window = static_cast<FormWindow*>(widget->window());
            for (Native& n : window->natives_)
              if (n.control == edit) n.text = edit->Text;
            std::weak_ptr<int> alive = window->alive_;
            window->form_.App().Post([alive, edit] {
              if (alive.lock() && edit->OnChange) edit->OnChange();
            });
          },
          control);
      native.widget = input;
    } else if (dynamic_cast<TMemo*>(control)) {
      native.widget = new MemoView(*control);
    } else if (dynamic_cast<TListBox*>(control) || dynamic_cast<TDirectoryListBox*>(control)) {
      auto* browser = new NativeWidget<Fl_Hold_Browser>(*control);
      browser->when(FL_WHEN_CHANGED | FL_WHEN_NOT_CHANGED);
      // The selection follows the mouse (and the keys the form leaves to the list) at once.
      browser->callback(
          [](Fl_Widget* widget, void* data) {
            auto* control = static_cast<TControl*>(data);
            auto* window = static_cast<FormWindow*>(widget->window());
            const int index = static_cast<Fl_Browser*>(widget)->value() - 1;
            if (auto* list = dynamic_cast<TListBox*>(control)) list->ItemIndex = index;
            if (auto* dirs = dynamic_cast<TDirectoryListBox*>(control)) dirs->ItemIndex = index;
            for (Native& n : window->natives_)
              if (n.control == control) n.index = index;
          },
          control);
      native.widget = browser;
    } else if (dynamic_cast<TDriveComboBox*>(control)) {
      auto* choice = new NativeWidget<Fl_Choice>(*control);
      // Choosing the drive already shown counts too: it reads the folders again.
      choice->when(FL_WHEN_RELEASE | FL_WHEN_NOT_CHANGED);
      choice->callback(
          [](Fl_Widget* widget, void* data) {
            auto* combo = static_cast<TDriveComboBox*>(data);
            auto* window = static_cast<FormWindow*>(widget->window());
            const int index = static_cast<Fl_Choice*>(widget)->value();
            if (index < 0 || static_cast<std::size_t>(index) >= combo->Items.Count()) return;
            const char letter = combo->Items[static_cast<std::size_t>(index)][0];
            std::weak_ptr<int> alive = window->alive_;
            window->form_.App().Post([alive, combo, letter] {
              if (alive.lock() && combo->Showing() && combo->Enabled) combo->SetDrive(letter);
            });
          },
          control);
      native.widget = choice;
    }
    if (native.widget) {
      native.widget->hide();
      natives_.push_back(std::move(native));
    }
    if (auto* container = dynamic_cast<TWinControl*>(control)) AddNatives(*container);
  }
}

FormWindow::Native* FormWindow::NativeOf(const TControl* control) {
  for (Native& native : natives_)
    if (native.control == control) return &native;
  return nullptr;
}

bool FormWindow::IsNative(const TControl* control) const {
  return std::any_of(natives_.begin(), natives_.end(), [&](const Native& n) { return n.control == control; });
}

void FormWindow::SyncNative(Native& native) {
  TControl& control = *native.control;
  Fl_Widget& widget = *native.widget;
  int x, y;
  ClientPosition(control, x, y);
  if (widget.x() != x || widget.y() != y || widget.w() != control.Width || widget.h() != control.Height)
    widget.resize(x, y, std::max(1, control.Width), std::max(1, control.Height));
  if (control.Showing() != (widget.visible() != 0)) {
    if (control.Showing()) widget.show();
    else widget.hide();
  }
  if (control.Enabled != (widget.active() != 0)) {
    if (control.Enabled) widget.activate();
    else widget.deactivate();
  }
  const std::uint64_t look = LookOf(control);
  const bool restyle = look != native.look;
  native.look = look;

  if (auto* edit = dynamic_cast<TEdit*>(&control)) {
    auto& input = static_cast<Fl_Input&>(widget);
    if (restyle) {
      input.textfont(static_cast<Fl_Font>(FontIndex(control.Font)));
      input.textsize(FlSize(control.Font));
      input.textcolor(FlColor(control.Font.Color));
      input.color(FlColor(control.Color));
      input.box(FL_DOWN_BOX);
      input.redraw();
    }
    input.readonly(edit->ReadOnly ? 1 : 0);
    if (edit->Text != native.text) {
      native.text = edit->Text;
      input.value(ToUtf8(edit->Text).c_str());
    }
    return;
  }
  if (auto* combo = dynamic_cast<TDriveComboBox*>(&control)) {
    auto& choice = static_cast<Fl_Choice&>(widget);
    if (restyle) {
      choice.textfont(static_cast<Fl_Font>(FontIndex(control.Font)));
      choice.textsize(FlSize(control.Font));
      choice.color(FlColor(control.Color));
      choice.down_box(FL_BORDER_BOX);
    }
    if (combo->Items.Strings() != native.shown) {
      native.shown = combo->Items.Strings();
      choice.clear();
      for (const std::string& item : native.shown) choice.add(ToUtf8(item).c_str(), 0, nullptr, nullptr, 0);
      native.index = -2;
    }
    int index = -1;
    for (std::size_t i = 0; i < native.shown.size(); ++i)
      if (!native.shown[i].empty() &&
          std::toupper(static_cast<unsigned char>(native.shown[i][0])) == static_cast<unsigned char>(combo->Drive()))
        index = static_cast<int>(i);
    if (index != native.index) {
      native.index = index;
      if (index >= 0) choice.value(index);
    }
    return;
  }

  auto& browser = static_cast<Fl_Browser&>(widget);
  if (restyle) {
    browser.textfont(static_cast<Fl_Font>(FontIndex(control.Font)));
    browser.textsize(FlSize(control.Font));
    browser.textcolor(FlColor(control.Font.Color));
    browser.color(FlColor(control.Color), FlColor(clHighlight));
    native.shown.clear();
    native.shown.push_back(std::string(1, '\0'));  // forces the lines to be given again
  }
  if (dynamic_cast<TMemo*>(&control)) {
    SyncMemo(native);
    return;
  }
  browser.box(FL_DOWN_BOX);
  int selected = -1;
  std::vector<std::string> items;
  if (auto* list = dynamic_cast<TListBox*>(&control)) {
    items = list->Items.Strings();
    selected = list->ItemIndex;
  } else if (auto* dirs = dynamic_cast<TDirectoryListBox*>(&control)) {
    // The path's levels step inwards one by one; its sub-folders sit one step further in.
    const int levels = PathLevels(dirs->Directory());
    for (std::size_t i = 0; i < dirs->Items.Count(); ++i) {
      const int depth = static_cast<int>(i) < levels ? static_cast<int>(i) : levels;
      items.push_back(std::string(static_cast<std::size_t>(depth) * 2, ' ') + dirs->Items[i]);
    }
    selected = dirs->ItemIndex;
  }
  if (items != native.shown) {
    browser.clear();
    for (const std::string& item : items) browser.add(PlainLine(item).c_str());
    native.shown = items;
    native.index = -2;
  }
  if (selected != native.index) {
    native.index = selected;
    browser.value(selected >= 0 && selected < browser.size() ? selected + 1 : 0);
    if (selected >= 0) browser.make_visible(selected + 1);
  }
}

void FormWindow::SyncMemo(Native& native) {
  auto& memo = static_cast<TMemo&>(*native.control);
  auto& browser = static_cast<Fl_Browser&>(*native.widget);
  browser.box(memo.Borderless ? FL_FLAT_BOX : FL_DOWN_BOX);
  browser.has_scrollbar(memo.ScrollBars ? Fl_Browser_::BOTH : 0);
  const std::vector<std::string>& lines = memo.Lines.Strings();
  const int wrapWidth = memo.WrapsLines() ? memo.TextWidth() : -1;
  if (lines == native.shown && wrapWidth == native.wrapWidth) return;
  // A memo that only grew is a log: it follows its last line. Anything else starts at the top.
  const bool appended = !native.shown.empty() && native.shown.size() < lines.size() &&
                        std::equal(native.shown.begin(), native.shown.end(), lines.begin());
  fl_font(static_cast<Fl_Font>(FontIndex(memo.Font)), FlSize(memo.Font));
  const std::vector<std::string> shown = memo.ShownLines([](const std::string& text) {
    const std::string utf8 = ToUtf8(text);
    return static_cast<int>(fl_width(utf8.c_str(), static_cast<int>(utf8.size())) + 0.5);
  });
  browser.clear();
  for (const std::string& line : shown) browser.add(PlainLine(line).c_str());
  if (appended) browser.bottomline(browser.size());
  else browser.topline(1);
  native.shown = lines;
  native.wrapWidth = wrapWidth;
}

void FormWindow::Sync() {
  if (detached_) return;
  if (form_.Left != modelLeft_ || form_.Top != modelTop_ || form_.Width != modelWidth_ ||
      form_.Height != modelHeight_) {
    modelLeft_ = form_.Left, modelTop_ = form_.Top, modelWidth_ = form_.Width, modelHeight_ = form_.Height;
    if (form_.BorderStyle != TBorderStyle::bsSizeable) {
      size_range(modelWidth_, modelHeight_, modelWidth_, modelHeight_);
      // FLTK rewrites the window manager hints with a new size range.
      if (const auto frame = FrameOf(form_); frame && shown()) AskForFrame(*this, *frame, form_.BorderIcons);
    }
    resize(modelLeft_, modelTop_, std::max(1, modelWidth_), std::max(1, modelHeight_));
  }
  const std::string label = ToUtf8(form_.Caption.empty() ? form_.App().Title : form_.Caption);
  if (label != label_) {
    label_ = label;
    this->label(label_.c_str());
  }
  for (Native& native : natives_) SyncNative(native);
  ApplyFocus(false);
  const std::uint64_t hash = PaintHash();
  if (!everSynced_ || hash != painted_) {
    everSynced_ = true;
    painted_ = hash;
    redraw();
  }
}

std::uint64_t FormWindow::PaintHash() {
  std::uint64_t state = 0xCBF29CE484222325ULL;
  HashCanvas canvas(&state);
  const bool visible = form_.Visible;
  form_.Visible = true;
  PaintControl(form_, canvas, 0, 0, false);
  form_.Visible = visible;
  canvas.Add(reinterpret_cast<std::uintptr_t>(hover_));
  canvas.Add(reinterpret_cast<std::uintptr_t>(pressed_));
  return state;
}

void FormWindow::PaintControl(TControl& control, Canvas& canvas, int x, int y, bool clip) {
  if (!control.Visible || IsNative(&control)) return;
  if (clip) fl_push_clip(x, y, control.Width, control.Height);
  canvas.SetOrigin(x, y);
  if (auto* button = dynamic_cast<TButton*>(&control)) PaintButton(*button, canvas);
  else control.Paint(canvas);
  if (auto* container = dynamic_cast<TWinControl*>(&control))
    for (TControl* child : container->Controls())
      PaintControl(*child, canvas, x + child->Left, y + child->Top, clip);
  if (clip) fl_pop_clip();
}

void FormWindow::PaintButton(TButton& button, Canvas& canvas) {
  const int w = button.Width, h = button.Height;
  const bool down = pressed_ == &button && hover_ == &button && button.Enabled;
  canvas.Brush.Style = TBrushStyle::bsSolid;
  canvas.Brush.Color = button.Color;
  canvas.FillRect(0, 0, w, h);
  if (!button.Flat) {
    // A raised bevel two pixels deep, pressed in while held down.
    if (down) {
      canvas.DrawFrame(0, 0, w, h, cl3DDkShadow, clBtnHighlight);
      canvas.DrawFrame(1, 1, w - 1, h - 1, clBtnShadow, clBtnFace);
    } else {
      canvas.DrawFrame(0, 0, w, h, clBtnHighlight, cl3DDkShadow);
      canvas.DrawFrame(1, 1, w - 1, h - 1, clBtnFace, clBtnShadow);
    }
  } else if (button.Enabled && (hover_ == &button || pressed_ == &button)) {
    // A flat button shows its edge only under the mouse.
    if (down) canvas.DrawFrame(0, 0, w, h, clBtnShadow, clBtnHighlight);
    else canvas.DrawFrame(0, 0, w, h, clBtnHighlight, clBtnShadow);
  }

  std::size_t underline;
  const std::string text = StripAccelerator(button.Caption, underline);
  canvas.Font = button.Font;
  const TextSize size = canvas.TextExtent(text);
  const bool glyph = button.Glyph && !button.Glyph->Empty();
  const int glyphWidth = glyph ? button.Glyph->Width + 4 : 0;
  const int shift = down ? 1 : 0;
  // Glyph and caption together, centred.
  int x = std::max(2, (w - glyphWidth - size.cx) / 2) + shift;
  if (glyph) {
    const int gy = (h - button.Glyph->Height) / 2 + shift;
    if (auto* fl = dynamic_cast<FlCanvas*>(&canvas); fl && !button.Enabled) fl->DrawPictureInactive(x, gy, *button.Glyph);
    else canvas.DrawPicture(x, gy, *button.Glyph);
    x += glyphWidth;
  }
  const int ty = (h - size.cy) / 2 + shift;
  auto drawText = [&](int dx, int dy, TColor color) {
    canvas.Font.Color = color;
    canvas.TextOut(x + dx, ty + dy, text);
    if (underline != std::string::npos) {
      const int left = canvas.TextExtent(text.substr(0, underline)).cx;
      const int right = canvas.TextExtent(text.substr(0, underline + 1)).cx;
      canvas.Brush.Color = color;
      canvas.FillRect(x + dx + left, ty + dy + size.cy - 2, x + dx + right, ty + dy + size.cy - 1);
    }
  };
  if (button.Enabled) {
    drawText(0, 0, button.Font.Color);
  } else {
    // Disabled text is engraved: white below right, grey on top.
    drawText(1, 1, clBtnHighlight);
    drawText(0, 0, clBtnShadow);
  }
  if (button.Focused() && button.CanFocus()) canvas.DrawFocusRect(3 + shift, 3 + shift, w - 3 + shift, h - 3 + shift, clWindowText);
  if (auto* hash = dynamic_cast<HashCanvas*>(&canvas)) hash->Add(button.Enabled ? 1 : 0);
}

void FormWindow::draw() {
  if (detached_) return;
  if (damage() & ~FL_DAMAGE_CHILD) {
    FlCanvas canvas(w(), h());
    const bool visible = form_.Visible;
    form_.Visible = true;
    PaintControl(form_, canvas, 0, 0, true);
    form_.Visible = visible;
  }
  draw_children();
}

TControl* FormWindow::ControlAt(int x, int y) {
  // Depth first, topmost child first.
  struct Finder {
    FormWindow& window;
    TControl* Find(TControl& control, int left, int top, int px, int py) {
      if (!control.Visible) return nullptr;
      if (px < left || py < top || px >= left + control.Width || py >= top + control.Height) return nullptr;
      if (auto* container = dynamic_cast<TWinControl*>(&control)) {
        const auto& children = container->Controls();
        for (auto it = children.rbegin(); it != children.rend(); ++it)
          if (TControl* hit = Find(**it, left + (*it)->Left, top + (*it)->Top, px, py)) return hit;
      }
      return &control;
    }
  } finder{*this};
  TControl* hit = finder.Find(form_, 0, 0, x, y);
  return hit ? hit : &form_;
}

void FormWindow::Post(TControl* control, bool doubleClick) {
  std::weak_ptr<int> alive = alive_;
  form_.App().Post([alive, control, doubleClick] {
    if (!alive.lock()) return;
    if (doubleClick) control->DblClick();
    else control->Click();
  });
}

void FormWindow::UpdateHover(int x, int y) {
  TControl* hit = Fl::belowmouse() == this || Fl::belowmouse() == nullptr ? ControlAt(x, y) : nullptr;
  if (hit && IsNative(hit)) hit = nullptr;
  if (hit != hover_) {
    hover_ = hit;
    if (appCursor_ == platform::Cursor::HourGlass) cursor(FL_CURSOR_WAIT);
    else cursor(hit && hit->Cursor == TCursor::crHandPoint ? FL_CURSOR_HAND : FL_CURSOR_DEFAULT);
  }
}

bool FormWindow::QueueKey() {
  if (detached_ || replaying_) return false;
  // Every key waits its turn behind the clicks and keys before it, as window messages do: what
  // it means depends on what they did (where the focus went, which page shows).
  PendingKey key{KeyOfEvent(), Fl::e_keysym, Fl::e_original_keysym, Fl::e_state,
                 std::string(Fl::event_text() ? Fl::event_text() : "", static_cast<std::size_t>(Fl::event_length()))};
  std::weak_ptr<int> alive = alive_;
  form_.App().Post([this, alive, key] {
    if (alive.lock()) RunKey(key);
  });
  return true;
}

void FormWindow::RunKey(const PendingKey& key) {
  if (key.press && form_.KeyDown(*key.press)) {
    Sync();
    return;
  }
  // The form leaves the key to its focused control: a text field types it, a list or memo
  // scrolls. It is handed over as FLTK would have, with the event as it was.
  TControl* focus = form_.ActiveControl();
  Native* native = focus && focus->CanFocus() ? NativeOf(focus) : nullptr;
  if (!native) return;
  std::string text = key.text;
  const int keysym = Fl::e_keysym, originalKeysym = Fl::e_original_keysym, state = Fl::e_state;
  char* const savedText = Fl::e_text;
  const int length = Fl::e_length;
  Fl::e_keysym = key.keysym;
  Fl::e_original_keysym = key.originalKeysym;
  Fl::e_state = key.state;
  Fl::e_text = text.data();
  Fl::e_length = static_cast<int>(text.size());
  replaying_ = true;
  native->widget->handle(FL_KEYBOARD);
  replaying_ = false;
  Fl::e_keysym = keysym, Fl::e_original_keysym = originalKeysym, Fl::e_state = state;
  Fl::e_text = savedText, Fl::e_length = length;
}

void FormWindow::NativeFocused(TControl& control) {
  if (!detached_ && control.CanFocus()) form_.SetActiveControl(&control);
}

void FormWindow::ApplyFocus(bool force) {
  if (detached_ || (!force && !contains(Fl::focus()))) return;  // the keyboard is elsewhere
  TControl* focus = form_.ActiveControl();
  Native* native = focus && focus->CanFocus() ? NativeOf(focus) : nullptr;
  Fl_Widget* want = native ? native->widget : this;
  if (Fl::focus() == want) return;
  if (want == this || !want->take_focus()) Fl::focus(this);
}

int FormWindow::handle(int event) {
  if (detached_) return 0;
  switch (event) {
    case FL_FOCUS:
      // The window got the keyboard: it goes where the form has its focus, not to FLTK's
      // choice of the first widget.
      ApplyFocus(true);
      return 1;
    case FL_UNFOCUS:
      return 1;
    case FL_PUSH: {
      if (Fl_Double_Window::handle(event)) return 1;  // a native widget took it
      if (Fl::event_button() != FL_LEFT_MOUSE) return 1;
      TControl* hit = ControlAt(Fl::event_x(), Fl::event_y());
      pressed_ = hit;
      hover_ = hit;
      pressedDouble_ = false;
      // A control that takes the focus takes it with the press, as a button does on Windows.
      if (hit->CanFocus()) {
        form_.SetActiveControl(hit);
        Fl::focus(this);
      }
      // A button takes a quick second press as another click; other controls see a double click.
      if (Fl::event_clicks() > 0 && !dynamic_cast<TButton*>(hit)) {
        pressedDouble_ = true;
        Post(hit, true);
      }
      Sync();
      return 1;
    }
    case FL_DRAG:
      if (!pressed_) return Fl_Double_Window::handle(event);
      UpdateHover(Fl::event_x(), Fl::event_y());
      Sync();
      return 1;
    case FL_RELEASE: {
      if (!pressed_) return Fl_Double_Window::handle(event);
      TControl* target = pressed_;
      pressed_ = nullptr;
      UpdateHover(Fl::event_x(), Fl::event_y());
      if (!pressedDouble_ && ControlAt(Fl::event_x(), Fl::event_y()) == target) Post(target, false);
      Sync();
      return 1;
    }
    case FL_ENTER:
    case FL_MOVE:
      Fl_Double_Window::handle(event);
      UpdateHover(Fl::event_x(), Fl::event_y());
      Sync();
      return 1;
    case FL_LEAVE:
      Fl_Double_Window::handle(event);
      hover_ = nullptr;
      cursor(appCursor_ == platform::Cursor::HourGlass ? FL_CURSOR_WAIT : FL_CURSOR_DEFAULT);
      Sync();
      return 1;
    case FL_KEYBOARD:
      // The form's keys, with a painted control focused. FLTK's own moving of the focus
      // between the widgets never sees them: it would bypass the form's tab order.
      return QueueKey() ? 1 : 0;
    default:
      return Fl_Double_Window::handle(event);
  }
}

void FormWindow::WindowCallback(Fl_Widget* widget, void*) {
  auto* window = static_cast<FormWindow*>(widget);
  if (window->detached_) return;
  // Escape does not close a form (its Cancel button is the form's business); the close box
  // does, as the system's close command would. A form without border icons should have no
  // close box; where a window manager draws one anyway, it acts as a click on the form.
  if (Fl::event() == FL_SHORTCUT && Fl::event_key() == FL_Escape) return;
  if (window->form_.BorderStyle == TBorderStyle::bsNone) return;
  std::weak_ptr<int> alive = window->alive_;
  TForm* form = &window->form_;
  const bool closes = form->BorderIcons;
  window->form_.App().Post([alive, form, closes] {
    if (!alive.lock()) return;
    if (closes) form->Close();
    else form->Click();
  });
}

}  // namespace zev::ui::fltk
