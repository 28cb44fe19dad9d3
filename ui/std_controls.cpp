#include "ui/std_controls.h"

#include <algorithm>

#include "ui/accelerator.h"
#include "ui/form.h"

namespace zev::ui {
namespace {

void Fill(Canvas& canvas, TColor color, int left, int top, int right, int bottom) {
  canvas.Brush.Style = TBrushStyle::bsSolid;
  canvas.Brush.Color = color;
  canvas.FillRect(left, top, right, bottom);
}

void DrawText(Canvas& canvas, const TControl& control, int x, int y, const std::string& text) {
  canvas.Font = control.Font;
  if (!control.Enabled) canvas.Font.Color = clGrayText;
  canvas.TextOut(x, y, text);
}

// The caption of a check box or radio button right of its mark, with the focus rectangle
// around it while the control has the focus.
void DrawMarkCaption(Canvas& canvas, const TControl& control, int x) {
  canvas.Font = control.Font;
  const TextSize size = canvas.TextExtent(control.Caption);
  const int y = (control.Height - size.cy) / 2;
  DrawText(canvas, control, x, y, control.Caption);
  if (control.Focused() && control.CanFocus())
    canvas.DrawFocusRect(x - 1, std::max(0, y - 1), std::min(control.Width, x + size.cx + 1),
                         std::min(control.Height, y + size.cy + 1), clWindowText);
}

}  // namespace

TLabel::TLabel(std::string name) : TControl(std::move(name)) { Transparent = false; }

void TLabel::SetCaption(std::string caption) {
  Caption = std::move(caption);
  AdjustSize();
}

void TLabel::AdjustSize() {
  if (!AutoSize) return;
  const TextSize size = FontRenderer::Instance().Measure(Font, Caption);
  SetBounds(Left, Top, size.cx, size.cy);
}

int TLabel::TextLeft(Canvas& canvas) const {
  canvas.Font = Font;
  const int textWidth = canvas.TextExtent(Caption).cx;
  switch (Alignment) {
    case TAlignment::taCenter:
      return (Width - textWidth) / 2;
    case TAlignment::taRightJustify:
      return Width - textWidth;
    default:
      return 0;
  }
}

void TLabel::Paint(Canvas& canvas) {
  if (!Transparent) Fill(canvas, Color, 0, 0, Width, Height);
  DrawText(canvas, *this, TextLeft(canvas), 0, Caption);
}

void TShadowLabel::AdjustSize() {
  if (!AutoSize) return;
  // One pixel more each way for the offset text.
  const TextSize size = FontRenderer::Instance().Measure(Font, Caption);
  SetBounds(Left, Top, size.cx + 1, size.cy + 1);
}

void TShadowLabel::Paint(Canvas& canvas) {
  if (!Transparent) Fill(canvas, Color, 0, 0, Width, Height);
  const int x = TextLeft(canvas);
  canvas.Font = Font;
  canvas.Font.Color = ShadowColor;
  canvas.TextOut(x, 0, Caption);
  canvas.Font.Color = Font.Color;
  canvas.TextOut(x + 1, 1, Caption);
}

TButton::TButton(std::string name) : TControl(std::move(name)) { TabStop = true; }

void TButton::Click() {
  if (!Reachable()) return;
  if (ModalResult != platform::ModalResult::None)
    if (TForm* form = OwnerForm()) form->ModalResult = ModalResult;
  if (OnClick) OnClick();
}

void TButton::Paint(Canvas& canvas) {
  Fill(canvas, Color, 0, 0, Width, Height);
  if (!Flat) canvas.DrawFrame(0, 0, Width, Height, clBtnHighlight, clBtnShadow);
  int x = 4;
  if (Glyph && !Glyph->Empty()) {
    canvas.DrawPicture(x, (Height - Glyph->Height) / 2, *Glyph);
    x += Glyph->Width + 4;
  }
  std::size_t underline;
  const std::string text = StripAccelerator(Caption, underline);
  canvas.Font = Font;
  const TextSize size = canvas.TextExtent(text);
  const int y = (Height - size.cy) / 2;
  DrawText(canvas, *this, x, y, text);
  if (underline != std::string::npos) {
    const int left = x + canvas.TextExtent(text.substr(0, underline)).cx;
    const int right = x + canvas.TextExtent(text.substr(0, underline + 1)).cx;
    Fill(canvas, Enabled ? Font.Color : clGrayText, left, y + size.cy - 2, right, y + size.cy - 1);
  }
  if (Focused() && CanFocus()) canvas.DrawFocusRect(3, 3, Width - 3, Height - 3, clWindowText);
}

TCheckBox::TCheckBox(std::string name) : TControl(std::move(name)) { TabStop = true; }

void TCheckBox::Click() {
  if (!Reachable()) return;
  Checked = !Checked;
  if (OnClick) OnClick();
}

void TCheckBox::Paint(Canvas& canvas) {
  // The caption is measured below in this control's font, not whatever the canvas had last.
  canvas.Font = Font;
  if (!Transparent) Fill(canvas, Color, 0, 0, Width, Height);
  const int box = 13, top = (Height - box) / 2;
  canvas.SetOrigin(canvas.OriginX(), canvas.OriginY() + top);
  Fill(canvas, clWindow, 0, 0, box, box);
  canvas.DrawFrame(0, 0, box, box, clBtnShadow, clBtnHighlight);
  if (Checked) {
    // The tick: a stroke three pixels high, down to the right from (3,5) to (5,7), then up to
    // (9,3).
    const TColor ink = EnabledChain() ? clWindowText : clGrayText;
    for (int x = 3; x <= 9; ++x) {
      const int y = x <= 5 ? x + 2 : 12 - x;
      Fill(canvas, ink, x, y, x + 1, y + 3);
    }
  }
  canvas.SetOrigin(canvas.OriginX(), canvas.OriginY() - top);
  DrawMarkCaption(canvas, *this, box + 4);
}

TRadioButton::TRadioButton(std::string name) : TControl(std::move(name)) { TabStop = true; }

void TRadioButton::SetChecked(bool checked) {
  checked_ = checked;
  if (!checked || !Parent()) return;
  for (TControl* sibling : Parent()->Controls())
    if (auto* radio = dynamic_cast<TRadioButton*>(sibling); radio && radio != this) radio->checked_ = false;
}

void TRadioButton::Click() {
  if (!Reachable()) return;
  SetChecked(true);
  if (OnClick) OnClick();
}

void TRadioButton::Paint(Canvas& canvas) {
  canvas.Font = Font;
  if (!Transparent) Fill(canvas, Color, 0, 0, Width, Height);
  const int box = 12, top = (Height - box) / 2;
  canvas.Brush.Style = TBrushStyle::bsSolid;
  canvas.Brush.Color = clWindow;
  canvas.Pen.Style = TPenStyle::psSolid;
  canvas.Pen.Color = clBtnShadow;
  canvas.Ellipse(0, top, box, top + box);
  if (checked_) {
    canvas.Brush.Color = clWindowText;
    canvas.Pen.Style = TPenStyle::psClear;
    canvas.Ellipse(3, top + 3, box - 3, top + box - 3);
  }
  DrawMarkCaption(canvas, *this, box + 4);
}

TEdit::TEdit(std::string name) : TControl(std::move(name)) {
  Color = clWindow;
  TabStop = true;
}

void TEdit::SetText(std::string text) {
  if (text == Text) return;
  Text = std::move(text);
  if (OnChange) OnChange();
}

void TEdit::Paint(Canvas& canvas) {
  Fill(canvas, Color, 0, 0, Width, Height);
  canvas.DrawFrame(0, 0, Width, Height, clBtnShadow, clBtnHighlight);
  DrawText(canvas, *this, 3, 2, this->Text);
}

TMemo::TMemo(std::string name) : TControl(std::move(name)) {
  Color = clWindow;
  TabStop = true;
}

std::vector<std::string> TMemo::ShownLines(const TextMeasure& measure) const {
  if (!WrapsLines()) return Lines.Strings();
  return WrapLines(Lines.Strings(), TextWidth(), measure);
}

void TMemo::Paint(Canvas& canvas) {
  Fill(canvas, Color, 0, 0, Width, Height);
  if (!Borderless) canvas.DrawFrame(0, 0, Width, Height, clBtnShadow, clBtnHighlight);
  canvas.Font = Font;
  const int lineHeight = std::max(1, canvas.TextExtent("Xg").cy);
  const std::vector<std::string> lines = ShownLines([&](const std::string& text) { return canvas.TextExtent(text).cx; });
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const int y = 2 + static_cast<int>(i) * lineHeight;
    if (y >= Height) break;
    DrawText(canvas, *this, TextLeft(), y, lines[i]);
  }
}

TListBox::TListBox(std::string name) : TControl(std::move(name)) {
  Color = clWindow;
  TabStop = true;
}

std::string TListBox::SelectedText() const {
  if (ItemIndex < 0 || static_cast<std::size_t>(ItemIndex) >= Items.Count()) return {};
  return Items[static_cast<std::size_t>(ItemIndex)];
}

void TListBox::Paint(Canvas& canvas) {
  Fill(canvas, Color, 0, 0, Width, Height);
  canvas.DrawFrame(0, 0, Width, Height, clBtnShadow, clBtnHighlight);
  canvas.Font = Font;
  const int lineHeight = std::max(1, canvas.TextExtent("Xg").cy);
  for (std::size_t i = 0; i < Items.Count(); ++i) {
    const int y = 2 + static_cast<int>(i) * lineHeight;
    if (y >= Height) break;
    if (static_cast<int>(i) == ItemIndex) Fill(canvas, clHighlight, 1, y, Width - 1, y + lineHeight);
    canvas.Font = Font;
    if (static_cast<int>(i) == ItemIndex) canvas.Font.Color = clHighlightText;
    canvas.TextOut(3, y, Items[i]);
  }
  // The focus rectangle marks the entry the arrows move from: the selected one, else the first.
  if (Focused() && CanFocus()) {
    const int row = std::max(0, ItemIndex), y = 2 + row * lineHeight;
    canvas.DrawFocusRect(1, y, Width - 1, std::min(Height - 1, y + lineHeight),
                         row == ItemIndex ? clHighlightText : clWindowText);
  }
}

TProgressBar::TProgressBar(std::string name) : TControl(std::move(name)) {}

void TProgressBar::SetPosition(int position) { position_ = std::clamp(position, Min, std::max(Min, Max)); }

void TProgressBar::SetMax(int max) {
  Max = max;
  SetPosition(position_);
}

void TProgressBar::Paint(Canvas& canvas) {
  Fill(canvas, Color, 0, 0, Width, Height);
  canvas.DrawFrame(0, 0, Width, Height, clBtnShadow, clBtnHighlight);
  const long long range = static_cast<long long>(Max) - Min;
  if (range <= 0) return;
  const int filled = static_cast<int>((Width - 2) * (static_cast<long long>(position_) - Min) / range);
  Fill(canvas, clHighlight, 1, 1, 1 + filled, Height - 1);
}

TPanel::TPanel(std::string name) : TWinControl(std::move(name)) {}

void TPanel::Paint(Canvas& canvas) {
  Fill(canvas, Color, 0, 0, Width, Height);
  if (TopLine) {
    Fill(canvas, clBtnShadow, 0, 0, Width, 1);
    Fill(canvas, clBtnHighlight, 0, 1, Width, 2);
  }
}

TGroupBox::TGroupBox(std::string name) : TWinControl(std::move(name)) {}

namespace {

// The caption's height in the box's font; nothing without a caption.
int CaptionHeight(const TGroupBox& box) {
  return box.Caption.empty() ? 0 : FontRenderer::Instance().Measure(box.Font, box.Caption).cy;
}

}  // namespace

void TGroupBox::Paint(Canvas& canvas) {
  Fill(canvas, Color, 0, 0, Width, Height);
  canvas.Font = Font;
  const int captionHeight = Caption.empty() ? 0 : canvas.TextExtent(Caption).cy;
  const int frameTop = captionHeight / 2;
  // An etched frame: a shadow line with a highlight line one pixel right and down.
  canvas.SetOrigin(canvas.OriginX(), canvas.OriginY() + frameTop);
  const int h = Height - frameTop;
  Fill(canvas, clBtnShadow, 0, 0, Width - 1, 1);
  Fill(canvas, clBtnShadow, 0, 0, 1, h - 1);
  Fill(canvas, clBtnShadow, 0, h - 2, Width - 1, h - 1);
  Fill(canvas, clBtnShadow, Width - 2, 0, Width - 1, h - 1);
  Fill(canvas, clBtnHighlight, 1, 1, Width - 2, 2);
  Fill(canvas, clBtnHighlight, 1, 1, 2, h - 2);
  Fill(canvas, clBtnHighlight, 0, h - 1, Width, h);
  Fill(canvas, clBtnHighlight, Width - 1, 0, Width, h);
  canvas.SetOrigin(canvas.OriginX(), canvas.OriginY() - frameTop);
  if (Caption.empty()) return;
  Fill(canvas, Color, 8, 0, 8 + canvas.TextExtent(Caption).cx, captionHeight);
  DrawText(canvas, *this, 8, 0, Caption);
}

TWinControl::TRect TGroupBox::ClientRect() const {
  // Inside the outer line of the frame: a child that fills the box covers the inner line, and
  // keeps the width that text written for the box's size needs.
  return {1, std::max(1, CaptionHeight(*this)), std::max(1, Width - 1), std::max(1, Height - 1)};
}

TImage::TImage(std::string name) : TControl(std::move(name)) {}

void TImage::Paint(Canvas& canvas) {
  if (!Transparent) Fill(canvas, Color, 0, 0, Width, Height);
  if (Picture) canvas.DrawPicture(0, 0, *Picture);
}

TPage::TPage(std::string name) : TWinControl(std::move(name)) {}

TNotebook::TNotebook(std::string name) : TWinControl(std::move(name)) {}

void TNotebook::AddPage(TPage& page, std::string caption) {
  page.Caption = std::move(caption);
  InsertControl(page);
  page.SetBounds(0, 0, Width, Height);
  pages_.push_back(&page);
  if (pageIndex_ < 0) pageIndex_ = 0;
  for (std::size_t i = 0; i < pages_.size(); ++i) pages_[i]->Visible = static_cast<int>(i) == pageIndex_;
}

void TNotebook::SetPageIndex(int index) {
  if (index < 0 || index >= PageCount() || index == pageIndex_) return;
  pageIndex_ = index;
  for (std::size_t i = 0; i < pages_.size(); ++i) pages_[i]->Visible = static_cast<int>(i) == pageIndex_;
  // The page shown takes the focus to its first control, as a page of a dialog does.
  if (TForm* form = OwnerForm()) form->FocusFirstIn(*pages_[static_cast<std::size_t>(index)]);
  if (OnPageChanged) OnPageChanged();
}

}  // namespace zev::ui
