// The standard controls the setup forms are built from.
#pragma once

#include <memory>
#include <string>

#include "platform/host.h"
#include "platform/string_list.h"
#include "ui/control.h"
#include "ui/picture.h"
#include "ui/text_wrap.h"

namespace zev::ui {

enum class TAlignment { taLeftJustify, taCenter, taRightJustify };

// A line of text. With AutoSize it takes the size of its text in its font.
class TLabel : public TControl {
 public:
  explicit TLabel(std::string name);
  TAlignment Alignment = TAlignment::taLeftJustify;
  bool AutoSize = true;

  void SetCaption(std::string caption);
  // Sets the size from the caption and font (when AutoSize is on).
  virtual void AdjustSize();
  void Paint(Canvas& canvas) override;

 protected:
  // Left edge of the text inside the label for its alignment.
  int TextLeft(Canvas& canvas) const;
};

// A label that draws its text twice: in ShadowColor at the text position, then in the font
// colour one pixel right and down, so the shadow shows above and to the left.
class TShadowLabel : public TLabel {
 public:
  using TLabel::TLabel;
  TColor ShadowColor = clWhite;

  void AdjustSize() override;
  void Paint(Canvas& canvas) override;
};

// A flat push button with an optional glyph left of its caption. A ModalResult other than None
// closes the modal form it lies on when clicked. Enter presses the form's Default button (unless
// another button has the focus), Escape its Cancel button.
class TButton : public TControl {
 public:
  explicit TButton(std::string name);
  bool Flat = true;
  bool Default = false;
  bool Cancel = false;
  std::shared_ptr<const TPicture> Glyph;
  platform::ModalResult ModalResult = platform::ModalResult::None;

  void Click() override;
  void Paint(Canvas& canvas) override;
};

class TCheckBox : public TControl {
 public:
  explicit TCheckBox(std::string name);
  bool Checked = false;
  void Click() override;  // toggles, then runs OnClick
  void Paint(Canvas& canvas) override;
};

// Checking a radio button unchecks the other radio buttons of the same parent.
class TRadioButton : public TControl {
 public:
  explicit TRadioButton(std::string name);
  bool Checked() const { return checked_; }
  void SetChecked(bool checked);
  void Click() override;  // checks, then runs OnClick
  void Paint(Canvas& canvas) override;

 private:
  bool checked_ = false;
};

class TEdit : public TControl {
 public:
  explicit TEdit(std::string name);
  std::string Text;
  bool ReadOnly = false;
  TNotifyEvent OnChange;
  void SetText(std::string text);  // runs OnChange when the text changes
  void Paint(Canvas& canvas) override;
};

class TMemo : public TControl {
 public:
  explicit TMemo(std::string name);
  TStringList Lines;
  bool ReadOnly = false;
  bool Borderless = false;
  bool ScrollBars = false;  // both; a memo that scrolls sideways does not wrap
  bool WordWrap = true;
  // Whether long lines are wrapped at word boundaries within the width.
  bool WrapsLines() const { return WordWrap && !ScrollBars; }
  // Where the text starts (a pixel right of the frame) and how wide it may run (to the frame).
  int TextLeft() const { return Borderless ? 1 : 3; }
  int TextWidth() const { return Width - (Borderless ? 1 : 5); }
  // The lines as shown, wrapped when the memo wraps, measured as given.
  std::vector<std::string> ShownLines(const TextMeasure& measure) const;
  void Paint(Canvas& canvas) override;
};

class TListBox : public TControl {
 public:
  explicit TListBox(std::string name);
  TStringList Items;
  int ItemIndex = -1;  // -1: nothing selected
  // The selected entry's text, empty without a selection.
  std::string SelectedText() const;
  void Paint(Canvas& canvas) override;
};

class TProgressBar : public TControl {
 public:
  explicit TProgressBar(std::string name);
  int Min = 0;
  int Max = 100;
  // The position, kept within Min..Max as the control keeps it.
  int Position() const { return position_; }
  void SetPosition(int position);
  void StepBy(int delta) { SetPosition(position_ + delta); }
  void SetMax(int max);
  void Paint(Canvas& canvas) override;

 private:
  int position_ = 0;
};

class TPanel : public TWinControl {
 public:
  explicit TPanel(std::string name);
  bool TopLine = false;  // a line along the top edge, as over a button bar
  void Paint(Canvas& canvas) override;
};

// A frame with its caption set into the top edge. Aligned children fill the inside of the
// frame, below the caption when there is one.
class TGroupBox : public TWinControl {
 public:
  explicit TGroupBox(std::string name);
  void Paint(Canvas& canvas) override;

 protected:
  TRect ClientRect() const override;
};

class TImage : public TControl {
 public:
  explicit TImage(std::string name);
  std::shared_ptr<const TPicture> Picture;
  void Paint(Canvas& canvas) override;
};

// One page of a notebook.
class TPage : public TWinControl {
 public:
  explicit TPage(std::string name);
};

// A stack of pages of which one shows at a time.
class TNotebook : public TWinControl {
 public:
  explicit TNotebook(std::string name);
  TNotifyEvent OnPageChanged;

  // Appends a page (a member of the same form) with the caption given.
  void AddPage(TPage& page, std::string caption);
  int PageCount() const { return static_cast<int>(pages_.size()); }
  TPage& Page(int index) { return *pages_.at(static_cast<std::size_t>(index)); }
  int PageIndex() const { return pageIndex_; }
  // Shows the page; indices outside the pages are ignored. Runs OnPageChanged on a change.
  void SetPageIndex(int index);

 private:
  std::vector<TPage*> pages_;
  int pageIndex_ = -1;
};

}  // namespace zev::ui
