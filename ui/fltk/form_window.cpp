#include "ui/fltk/form_window.h"

#include <FL/Fl.H>
#include <FL/fl_draw.H>
// X11 defines None, which the model uses as a name.
#undef None

#include <algorithm>
#include <optional>

#include "ui/application.h"
#include "ui/fltk/fltk_canvas.h"
#include "ui/fltk/window_frame.h"
#include "ui/form_view.h"
#include "ui/std_controls.h"

namespace zev::ui::fltk {
namespace {

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
  messages_.Cut();
  for (const auto& native : natives_) native->Widget().hide();
  natives_.clear();
  pressed_ = hover_ = nullptr;
}

void FormWindow::AddNatives(TWinControl& parent) {
  for (TControl* control : parent.Controls()) {
    if (auto native = CreateNative(*control, *this)) natives_.push_back(std::move(native));
    if (auto* container = dynamic_cast<TWinControl*>(control)) AddNatives(*container);
  }
}

NativeControl* FormWindow::NativeOf(const TControl* control) {
  for (const auto& native : natives_)
    if (&native->Control() == control) return native.get();
  return nullptr;
}

bool FormWindow::IsNative(const TControl* control) const {
  return std::any_of(natives_.begin(), natives_.end(), [&](const auto& n) { return &n->Control() == control; });
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
  for (const auto& native : natives_) native->Sync();
  ApplyFocus(false);
  const std::uint64_t hash = PaintHash();
  if (!everSynced_ || hash != painted_) {
    everSynced_ = true;
    painted_ = hash;
    redraw();
  }
}

std::uint64_t FormWindow::PaintHash() { return FormPaintHash(form_, HowToPaint()); }

WindowPaint FormWindow::HowToPaint() const {
  WindowPaint how;
  how.isNative = [this](const TControl& control) { return IsNative(&control); };
  how.hover = hover_;
  how.pressed = pressed_;
  how.greyGlyph = [](Canvas& canvas, int x, int y, const TPicture& glyph) {
    if (auto* fl = dynamic_cast<FlCanvas*>(&canvas)) fl->DrawPictureInactive(x, y, glyph);
    else canvas.DrawPicture(x, y, glyph);
  };
  return how;
}

void FormWindow::draw() {
  if (detached_) return;
  if (damage() & ~FL_DAMAGE_CHILD) {
    FlCanvas canvas(w(), h());
    // Each control paints within its own rectangle.
    struct FlClipper : Clipper {
      void Push(int x, int y, int width, int height) override { fl_push_clip(x, y, width, height); }
      void Pop() override { fl_pop_clip(); }
    } clipper;
    WindowPaint how = HowToPaint();
    how.clipper = &clipper;
    PaintForm(form_, canvas, how);
  }
  draw_children();
}

TControl* FormWindow::ControlAt(int x, int y) { return ui::ControlAt(form_, x, y); }

void FormWindow::PostWhileShown(std::function<void()> message) { messages_.PostWhileShown(std::move(message)); }

void FormWindow::Post(TControl* control, bool doubleClick) { messages_.Post(control, doubleClick); }

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
  PostWhileShown([this, key] { RunKey(key); });
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
  NativeControl* native = focus && focus->CanFocus() ? NativeOf(focus) : nullptr;
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
  native->Widget().handle(FL_KEYBOARD);
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
  NativeControl* native = focus && focus->CanFocus() ? NativeOf(focus) : nullptr;
  Fl_Widget* want = native ? &native->Widget() : this;
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
  TForm* form = &window->form_;
  const bool closes = form->BorderIcons;
  window->PostWhileShown([form, closes] {
    if (closes) form->Close();
    else form->Click();
  });
}

}  // namespace zev::ui::fltk
