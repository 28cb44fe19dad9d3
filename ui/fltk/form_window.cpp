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

#include "platform/path_names.h"
#include "ui/application.h"
#include "ui/file_controls.h"
#include "ui/fltk/fltk_canvas.h"
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

// The text of a caption without its accelerator marks, and the position of the underlined
// letter (npos when there is none). "&&" stands for a literal "&".
std::string StripAccelerator(const std::string& caption, std::size_t& underline) {
  std::string text;
  underline = std::string::npos;
  for (std::size_t i = 0; i < caption.size(); ++i) {
    if (caption[i] == '&' && i + 1 < caption.size()) {
      ++i;
      if (caption[i] != '&' && underline == std::string::npos) underline = text.size();
    }
    text += caption[i];
  }
  return text;
}

char AcceleratorOf(const std::string& caption) {
  std::size_t underline;
  const std::string text = StripAccelerator(caption, underline);
  if (underline == std::string::npos) return 0;
  return static_cast<char>(std::tolower(static_cast<unsigned char>(text[underline])));
}

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

void Frame(Canvas& canvas, int width, int height, TColor topLeft, TColor bottomRight) {
  canvas.Brush.Style = TBrushStyle::bsSolid;
  canvas.Brush.Color = topLeft;
  canvas.FillRect(0, 0, width, 1);
  canvas.FillRect(0, 0, 1, height);
  canvas.Brush.Color = bottomRight;
  canvas.FillRect(0, height - 1, width, height);
  canvas.FillRect(width - 1, 0, width, height);
}

}  // namespace

void ClientPosition(const TControl& control, int& x, int& y) {
  x = y = 0;
  for (const TControl* c = &control; c && !dynamic_cast<const TForm*>(c); c = c->Parent()) {
    x += c->Left;
    y += c->Top;
  }
}

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
      auto* input = new Fl_Input(0, 0, 10, 10);
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
      auto* browser = new Fl_Browser(0, 0, 10, 10);
      native.widget = browser;
    } else if (dynamic_cast<TListBox*>(control) || dynamic_cast<TDirectoryListBox*>(control)) {
      auto* browser = new Fl_Hold_Browser(0, 0, 10, 10);
      browser->when(FL_WHEN_CHANGED | FL_WHEN_NOT_CHANGED);
      browser->callback(
          [](Fl_Widget* widget, void* data) {
            auto* control = static_cast<TControl*>(data);
            auto* window = static_cast<FormWindow*>(widget->window());
            const int index = static_cast<Fl_Browser*>(widget)->value() - 1;
            if (auto* list = dynamic_cast<TListBox*>(control)) list->ItemIndex = index;
            if (auto* dirs = dynamic_cast<TDirectoryListBox*>(control)) dirs->ItemIndex = index;
            for (Native& n : window->natives_)
              if (n.control == control) n.index = index;
            const bool pushed = Fl::event() == FL_PUSH;
            if (pushed && Fl::event_clicks() > 0) window->Post(control, true);
            else if (Fl::event() == FL_RELEASE) window->Post(control, false);
          },
          control);
      native.widget = browser;
    } else if (dynamic_cast<TDriveComboBox*>(control)) {
      auto* choice = new Fl_Choice(0, 0, 10, 10);
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
  if (auto* memo = dynamic_cast<TMemo*>(&control)) {
    browser.box(memo->Borderless ? FL_FLAT_BOX : FL_DOWN_BOX);
    browser.has_scrollbar(memo->ScrollBars ? Fl_Browser_::BOTH : 0);
    const std::vector<std::string>& lines = memo->Lines.Strings();
    if (lines != native.shown) {
      // A memo that only grew is a log: it follows its last line. Anything else starts at the top.
      const bool appended = !native.shown.empty() && native.shown.size() < lines.size() &&
                            std::equal(native.shown.begin(), native.shown.end(), lines.begin());
      browser.clear();
      for (const std::string& line : lines) browser.add(PlainLine(line).c_str());
      if (appended) browser.bottomline(browser.size());
      else browser.topline(1);
      native.shown = lines;
    }
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

void FormWindow::Sync() {
  if (detached_) return;
  if (form_.Left != modelLeft_ || form_.Top != modelTop_ || form_.Width != modelWidth_ ||
      form_.Height != modelHeight_) {
    modelLeft_ = form_.Left, modelTop_ = form_.Top, modelWidth_ = form_.Width, modelHeight_ = form_.Height;
    if (form_.BorderStyle != TBorderStyle::bsSizeable) size_range(modelWidth_, modelHeight_, modelWidth_, modelHeight_);
    resize(modelLeft_, modelTop_, std::max(1, modelWidth_), std::max(1, modelHeight_));
  }
  const std::string label = ToUtf8(form_.Caption.empty() ? form_.App().Title : form_.Caption);
  if (label != label_) {
    label_ = label;
    this->label(label_.c_str());
  }
  for (Native& native : natives_) SyncNative(native);
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
      Frame(canvas, w, h, cl3DDkShadow, clBtnHighlight);
      canvas.SetOrigin(canvas.OriginX() + 1, canvas.OriginY() + 1);
      Frame(canvas, w - 2, h - 2, clBtnShadow, clBtnFace);
      canvas.SetOrigin(canvas.OriginX() - 1, canvas.OriginY() - 1);
    } else {
      Frame(canvas, w, h, clBtnHighlight, cl3DDkShadow);
      canvas.SetOrigin(canvas.OriginX() + 1, canvas.OriginY() + 1);
      Frame(canvas, w - 2, h - 2, clBtnFace, clBtnShadow);
      canvas.SetOrigin(canvas.OriginX() - 1, canvas.OriginY() - 1);
    }
  } else if (button.Enabled && (hover_ == &button || pressed_ == &button)) {
    // A flat button shows its edge only under the mouse.
    if (down) Frame(canvas, w, h, clBtnShadow, clBtnHighlight);
    else Frame(canvas, w, h, clBtnHighlight, clBtnShadow);
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
    cursor(hit && hit->Cursor == TCursor::crHandPoint ? FL_CURSOR_HAND : FL_CURSOR_DEFAULT);
  }
}

bool FormWindow::HandleAccelerator() {
  if (!Fl::event_state(FL_ALT)) return false;
  const int key = Fl::event_key();
  if (key < 'a' || key > 'z') return false;
  struct Finder {
    char key;
    TControl* Find(TWinControl& parent) {
      for (TControl* control : parent.Controls()) {
        if (!control->Showing() || !control->Enabled) continue;
        const bool clickable = dynamic_cast<TButton*>(control) || dynamic_cast<TCheckBox*>(control) ||
                               dynamic_cast<TRadioButton*>(control);
        if (clickable && AcceleratorOf(control->Caption) == key) return control;
        if (auto* container = dynamic_cast<TWinControl*>(control))
          if (TControl* found = Find(*container)) return found;
      }
      return nullptr;
    }
  } finder{static_cast<char>(key)};
  TControl* target = finder.Find(form_);
  if (!target) return false;
  Post(target, false);
  return true;
}

int FormWindow::handle(int event) {
  if (detached_) return 0;
  switch (event) {
    case FL_PUSH: {
      if (Fl_Double_Window::handle(event)) return 1;  // a native widget took it
      if (Fl::event_button() != FL_LEFT_MOUSE) return 1;
      TControl* hit = ControlAt(Fl::event_x(), Fl::event_y());
      pressed_ = hit;
      hover_ = hit;
      pressedDouble_ = false;
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
      cursor(FL_CURSOR_DEFAULT);
      Sync();
      return 1;
    case FL_KEYBOARD:
    case FL_SHORTCUT:
      if (HandleAccelerator()) return 1;
      return Fl_Double_Window::handle(event);
    default:
      return Fl_Double_Window::handle(event);
  }
}

void FormWindow::WindowCallback(Fl_Widget* widget, void*) {
  auto* window = static_cast<FormWindow*>(widget);
  if (window->detached_) return;
  // Escape does not close a form; the close box does, as the system's close command would,
  // where the form has one.
  if (Fl::event() == FL_SHORTCUT && Fl::event_key() == FL_Escape) return;
  if (!window->form_.BorderIcons || window->form_.BorderStyle == TBorderStyle::bsNone) return;
  std::weak_ptr<int> alive = window->alive_;
  TForm* form = &window->form_;
  window->form_.App().Post([alive, form] {
    if (alive.lock()) form->Close();
  });
}

}  // namespace zev::ui::fltk
