#include "ui/fltk/native_controls.h"

#include <FL/Fl.H>
#include <FL/Fl_Browser.H>
#include <FL/Fl_Choice.H>
#include <FL/Fl_Hold_Browser.H>
#include <FL/Fl_Input.H>
#include <FL/fl_draw.H>
// X11 defines None, which the model uses as a name.
#undef None

#include <algorithm>
#include <optional>
#include <string>
#include <type_traits>
#include <vector>

#include "platform/path_names.h"
#include "ui/file_controls.h"
#include "ui/fltk/fltk_canvas.h"
#include "ui/form.h"
#include "ui/form_view.h"
#include "ui/std_controls.h"

namespace zev::ui::fltk {
namespace {

Fl_Color FlColor(TColor color) {
  const TColor rgb = ColorToRGB(color);
  return fl_rgb_color(RedOf(rgb), GreenOf(rgb), BlueOf(rgb));
}

Fl_Font FlFont(const TFont& font) { return static_cast<Fl_Font>(FontIndex(font)); }

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

// A widget's callback once its adapter is gone: the window was cut off from its form, and FLTK
// deletes the widget later.
void Ignore(Fl_Widget*, void*) {}

// A native widget of a form window: its keys go to the form first, taking FLTK's focus gives
// the form's focus to its control, and a list reports clicks and double clicks when the button
// is released (FLTK counts the second click of a double click then).
template <class Widget>
class NativeWidget : public Widget {
 public:
  NativeWidget(TControl& control, NativeHost& host) : Widget(0, 0, 10, 10), control_(control), host_(host) {}

  int handle(int event) override {
    switch (event) {
      case FL_KEYBOARD:
        if (host_.QueueKey()) return 1;
        break;
      case FL_FOCUS:
        host_.NativeFocused(control_);
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
        if (onItems_ && Fl::event_button() == FL_LEFT_MOUSE) host_.Post(&control_, doubleClick_);
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
  NativeHost& host_;

 private:
  bool doubleClick_ = false;
  bool onItems_ = false;  // the press was on a list's entries
};

// A memo's widget: a browser without selection that scrolls with the keys a text view scrolls
// with, and shows the focus rectangle along its inside while it has the focus.
class MemoView : public NativeWidget<Fl_Browser> {
 public:
  using NativeWidget::NativeWidget;

  void draw() override {
    NativeWidget::draw();
    if (Fl::focus() == this) draw_focus(box(), x(), y(), w(), h());
  }

  int handle(int event) override {
    if (event == FL_FOCUS || event == FL_UNFOCUS) {
      // FLTK's plain browser refuses the focus; a memo takes it, to scroll with the keys.
      NativeWidget::handle(event);
      redraw();
      return 1;
    }
    if (event != FL_KEYBOARD) return NativeWidget::handle(event);
    if (host_.QueueKey()) return 1;
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
};

// The font and colours of a memo's or a list's browser.
void StyleBrowser(Fl_Browser& browser, const TControl& control) {
  browser.textfont(FlFont(control.Font));
  browser.textsize(FlSize(control.Font));
  browser.textcolor(FlColor(control.Font.Color));
  browser.color(FlColor(control.Color), FlColor(clHighlight));
}

// The adapters, one per kind: each is made with its control, the window and its new widget, and
// keeps the widget in step in SyncContent.

// A text field. Typing changes the control's text at once, as in a real edit; the change event
// follows as a message.
class EditNative final : public NativeControl {
 public:
  EditNative(TEdit& edit, NativeHost& host, Fl_Input& input)
      : NativeControl(edit, input), edit_(edit), host_(host), input_(input) {
    input.when(FL_WHEN_CHANGED);
    input.callback(Typed, this);
  }

 private:
  void SyncContent(bool restyle) override {
    if (restyle) {
      input_.textfont(FlFont(edit_.Font));
      input_.textsize(FlSize(edit_.Font));
      input_.textcolor(FlColor(edit_.Font.Color));
      input_.color(FlColor(edit_.Color));
      input_.box(FL_DOWN_BOX);
      input_.redraw();
    }
    input_.readonly(edit_.ReadOnly ? 1 : 0);
    if (edit_.Text != text_) {
      text_ = edit_.Text;
      input_.value(ToUtf8(text_).c_str());
    }
  }

  static void Typed(Fl_Widget*, void* data) {
    auto& self = *static_cast<EditNative*>(data);
    self.edit_.Text = platform::Utf8ToWin1252(self.input_.value()).value_or(self.edit_.Text);
    self.text_ = self.edit_.Text;
    TEdit* edit = &self.edit_;
    self.host_.PostWhileShown([edit] {
      if (edit->OnChange) edit->OnChange();
    });
  }

  TEdit& edit_;
  NativeHost& host_;
  Fl_Input& input_;
  std::string text_;  // the text last given
};

// A memo, its lines wrapped as the model wraps them.
class MemoNative final : public NativeControl {
 public:
  MemoNative(TMemo& memo, NativeHost&, Fl_Browser& view) : NativeControl(memo, view), memo_(memo), view_(view) {}

 private:
  void SyncContent(bool restyle) override {
    if (restyle) {
      StyleBrowser(view_, memo_);
      shown_.reset();
    }
    view_.box(memo_.Borderless ? FL_FLAT_BOX : FL_DOWN_BOX);
    view_.has_scrollbar(memo_.ScrollBars ? Fl_Browser_::BOTH : 0);
    const std::vector<std::string>& lines = memo_.Lines.Strings();
    const int wrapWidth = memo_.WrapsLines() ? memo_.TextWidth() : -1;
    if (shown_ == lines && wrapWidth == wrapWidth_) return;
    // A memo that only grew is a log: it follows its last line. Anything else starts at the top.
    const bool appended = shown_ && !shown_->empty() && shown_->size() < lines.size() &&
                          std::equal(shown_->begin(), shown_->end(), lines.begin());
    fl_font(FlFont(memo_.Font), FlSize(memo_.Font));
    const std::vector<std::string> wrapped = memo_.ShownLines([](const std::string& text) {
      const std::string utf8 = ToUtf8(text);
      return static_cast<int>(fl_width(utf8.c_str(), static_cast<int>(utf8.size())) + 0.5);
    });
    view_.clear();
    for (const std::string& line : wrapped) view_.add(PlainLine(line).c_str());
    if (appended) view_.bottomline(view_.size());
    else view_.topline(1);
    shown_ = lines;
    wrapWidth_ = wrapWidth;
  }

  TMemo& memo_;
  Fl_Browser& view_;
  std::optional<std::vector<std::string>> shown_;  // the lines last given; none: give them again
  int wrapWidth_ = -1;                             // the width they were wrapped to
};

// A list of entries of which one may be selected. The selection follows the mouse (and the keys
// the form leaves to the list) at once.
class ListNative : public NativeControl {
 public:
  ListNative(TControl& control, Fl_Hold_Browser& browser) : NativeControl(control, browser), browser_(browser) {
    browser.when(FL_WHEN_CHANGED | FL_WHEN_NOT_CHANGED);
    browser.callback(Chosen, this);
  }

 protected:
  // The entries as shown, and the control's selection (-1: none).
  virtual std::vector<std::string> Entries() const = 0;
  virtual int& Selection() = 0;

 private:
  void SyncContent(bool restyle) final {
    if (restyle) {
      StyleBrowser(browser_, Control());
      shown_.reset();
    }
    browser_.box(FL_DOWN_BOX);
    const std::vector<std::string> entries = Entries();
    if (shown_ != entries) {
      browser_.clear();
      for (const std::string& entry : entries) browser_.add(PlainLine(entry).c_str());
      shown_ = entries;
      index_ = -2;
    }
    const int selected = Selection();
    if (selected != index_) {
      index_ = selected;
      browser_.value(selected >= 0 && selected < browser_.size() ? selected + 1 : 0);
      if (selected >= 0) browser_.make_visible(selected + 1);
    }
  }

  static void Chosen(Fl_Widget*, void* data) {
    auto& self = *static_cast<ListNative*>(data);
    self.index_ = self.Selection() = self.browser_.value() - 1;
  }

  Fl_Hold_Browser& browser_;
  std::optional<std::vector<std::string>> shown_;  // the entries last given; none: give them again
  int index_ = -2;                                 // the selection last given
};

class ListBoxNative final : public ListNative {
 public:
  ListBoxNative(TListBox& list, NativeHost&, Fl_Hold_Browser& browser) : ListNative(list, browser), list_(list) {}

 private:
  std::vector<std::string> Entries() const override { return list_.Items.Strings(); }
  int& Selection() override { return list_.ItemIndex; }

  TListBox& list_;
};

// The directory list: the path's levels step inwards one by one; its sub-folders sit one step
// further in.
class DirectoryListNative final : public ListNative {
 public:
  DirectoryListNative(TDirectoryListBox& dirs, NativeHost&, Fl_Hold_Browser& browser)
      : ListNative(dirs, browser), dirs_(dirs) {}

 private:
  std::vector<std::string> Entries() const override { return IndentedEntries(dirs_); }
  int& Selection() override { return dirs_.ItemIndex; }

  TDirectoryListBox& dirs_;
};

// The drive combo. Choosing a drive posts it to the control; choosing the drive already shown
// counts too, since it reads the folders again.
class DriveNative final : public NativeControl {
 public:
  DriveNative(TDriveComboBox& combo, NativeHost& host, Fl_Choice& choice)
      : NativeControl(combo, choice), combo_(combo), host_(host), choice_(choice) {
    choice.when(FL_WHEN_RELEASE | FL_WHEN_NOT_CHANGED);
    choice.callback(Chosen, this);
  }

 private:
  void SyncContent(bool restyle) override {
    if (restyle) {
      choice_.textfont(FlFont(combo_.Font));
      choice_.textsize(FlSize(combo_.Font));
      choice_.color(FlColor(combo_.Color));
      choice_.down_box(FL_BORDER_BOX);
    }
    if (combo_.Items.Strings() != shown_) {
      shown_ = combo_.Items.Strings();
      choice_.clear();
      for (const std::string& item : shown_) choice_.add(ToUtf8(item).c_str(), 0, nullptr, nullptr, 0);
      index_ = -2;
    }
    const int index = DriveIndex(combo_);
    if (index != index_) {
      index_ = index;
      if (index >= 0) choice_.value(index);
    }
  }

  static void Chosen(Fl_Widget*, void* data) {
    auto& self = *static_cast<DriveNative*>(data);
    const int index = self.choice_.value();
    if (index < 0 || static_cast<std::size_t>(index) >= self.combo_.Items.Count()) return;
    const char letter = self.combo_.Items[static_cast<std::size_t>(index)][0];
    TDriveComboBox* combo = &self.combo_;
    self.host_.PostWhileShown([combo, letter] {
      if (combo->Showing() && combo->Enabled) combo->SetDrive(letter);
    });
  }

  TDriveComboBox& combo_;
  NativeHost& host_;
  Fl_Choice& choice_;
  std::vector<std::string> shown_;  // the drives last given
  int index_ = -2;                  // the selection last given
};

// Makes the adapter Native when the control is a Model, shown by a new widget of type Widget.
// The widget is made with new: the FLTK group being built takes it and deletes it with the window.
template <class Native, class Model, class Widget>
std::unique_ptr<NativeControl> Create(TControl& control, NativeHost& host) {
  auto* model = dynamic_cast<Model*>(&control);
  if (!model) return nullptr;
  return std::make_unique<Native>(*model, host, *new Widget(*model, host));
}

// Every kind shown natively, one row each; a control matches one kind at most.
using Factory = std::unique_ptr<NativeControl> (*)(TControl&, NativeHost&);
constexpr Factory kKinds[] = {
    Create<EditNative, TEdit, NativeWidget<Fl_Input>>,
    Create<MemoNative, TMemo, MemoView>,
    Create<ListBoxNative, TListBox, NativeWidget<Fl_Hold_Browser>>,
    Create<DirectoryListNative, TDirectoryListBox, NativeWidget<Fl_Hold_Browser>>,
    Create<DriveNative, TDriveComboBox, NativeWidget<Fl_Choice>>,
};

}  // namespace

NativeControl::NativeControl(TControl& control, Fl_Widget& widget) : control_(control), widget_(widget) {
  widget.hide();
}

NativeControl::~NativeControl() { widget_.callback(Ignore); }

void NativeControl::Sync() {
  int x, y;
  ClientPosition(control_, x, y);
  if (widget_.x() != x || widget_.y() != y || widget_.w() != control_.Width || widget_.h() != control_.Height)
    widget_.resize(x, y, std::max(1, control_.Width), std::max(1, control_.Height));
  if (control_.Showing() != (widget_.visible() != 0)) {
    if (control_.Showing()) widget_.show();
    else widget_.hide();
  }
  if (control_.Enabled != (widget_.active() != 0)) {
    if (control_.Enabled) widget_.activate();
    else widget_.deactivate();
  }
  const std::uint64_t look = LookOf(control_);
  const bool restyle = look != look_;
  look_ = look;
  SyncContent(restyle);
}

std::unique_ptr<NativeControl> CreateNative(TControl& control, NativeHost& host) {
  for (Factory create : kKinds)
    if (auto native = create(control, host)) return native;
  return nullptr;
}

}  // namespace zev::ui::fltk
