#include "ui/std_controls.h"

#include <algorithm>

#include "ui/form.h"

namespace zev::ui {
namespace {

// A sunken or raised frame one pixel wide, as the classic controls have.
void Frame(Canvas& canvas, int width, int height, TColor topLeft, TColor bottomRight) {
  canvas.Brush.Style = TBrushStyle::bsSolid;
  canvas.Brush.Color = topLeft;
  canvas.FillRect(0, 0, width, 1);
  canvas.FillRect(0, 0, 1, height);
  canvas.Brush.Color = bottomRight;
  canvas.FillRect(0, height - 1, width, height);
  canvas.FillRect(width - 1, 0, width, height);
}

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

TButton::TButton(std::string name) : TControl(std::move(name)) {}

void TButton::Click() {
  if (!Showing() || !Enabled) return;
  if (ModalResult != platform::ModalResult::None)
    if (TForm* form = OwnerForm()) form->ModalResult = ModalResult;
  if (OnClick) OnClick();
}

void TButton::Paint(Canvas& canvas) {
  Fill(canvas, Color, 0, 0, Width, Height);
  if (!Flat) Frame(canvas, Width, Height, clBtnHighlight, clBtnShadow);
  int x = 4;
  if (Glyph && !Glyph->Empty()) {
    canvas.DrawPicture(x, (Height - Glyph->Height) / 2, *Glyph);
    x += Glyph->Width + 4;
  }
  canvas.Font = Font;
  const TextSize size = canvas.TextExtent(Caption);
  DrawText(canvas, *this, x, (Height - size.cy) / 2, Caption);
}

TCheckBox::TCheckBox(std::string name) : TControl(std::move(name)) {}

void TCheckBox::Click() {
  if (!Showing() || !Enabled) return;
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
  Frame(canvas, box, box, clBtnShadow, clBtnHighlight);
  if (Checked) Fill(canvas, clWindowText, 3, 3, box - 3, box - 3);
  canvas.SetOrigin(canvas.OriginX(), canvas.OriginY() - top);
  DrawText(canvas, *this, box + 4, (Height - canvas.TextExtent(Caption).cy) / 2, Caption);
}

TRadioButton::TRadioButton(std::string name) : TControl(std::move(name)) {}

void TRadioButton::SetChecked(bool checked) {
  checked_ = checked;
  if (!checked || !Parent()) return;
  for (TControl* sibling : Parent()->Controls())
    if (auto* radio = dynamic_cast<TRadioButton*>(sibling); radio && radio != this) radio->checked_ = false;
}

void TRadioButton::Click() {
  if (!Showing() || !Enabled) return;
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
  DrawText(canvas, *this, box + 4, (Height - canvas.TextExtent(Caption).cy) / 2, Caption);
}

TEdit::TEdit(std::string name) : TControl(std::move(name)) { Color = clWindow; }

void TEdit::SetText(std::string text) {
  if (text == Text) return;
  Text = std::move(text);
  if (OnChange) OnChange();
}

void TEdit::Paint(Canvas& canvas) {
  Fill(canvas, Color, 0, 0, Width, Height);
  Frame(canvas, Width, Height, clBtnShadow, clBtnHighlight);
  DrawText(canvas, *this, 3, 2, this->Text);
}

TMemo::TMemo(std::string name) : TControl(std::move(name)) { Color = clWindow; }

void TMemo::Paint(Canvas& canvas) {
  Fill(canvas, Color, 0, 0, Width, Height);
  if (!Borderless) Frame(canvas, Width, Height, clBtnShadow, clBtnHighlight);
  canvas.Font = Font;
  const int lineHeight = std::max(1, canvas.TextExtent("Xg").cy);
  for (std::size_t i = 0; i < Lines.Count(); ++i) {
    const int y = 2 + static_cast<int>(i) * lineHeight;
    if (y >= Height) break;
    DrawText(canvas, *this, 3, y, Lines[i]);
  }
}

TListBox::TListBox(std::string name) : TControl(std::move(name)) { Color = clWindow; }

std::string TListBox::SelectedText() const {
  if (ItemIndex < 0 || static_cast<std::size_t>(ItemIndex) >= Items.Count()) return {};
  return Items[static_cast<std::size_t>(ItemIndex)];
}

void TListBox::Paint(Canvas& canvas) {
  Fill(canvas, Color, 0, 0, Width, Height);
  Frame(canvas, Width, Height, clBtnShadow, clBtnHighlight);
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
}

TProgressBar::TProgressBar(std::string name) : TControl(std::move(name)) {}

void TProgressBar::SetPosition(int position) { position_ = std::clamp(position, Min, std::max(Min, Max)); }

void TProgressBar::SetMax(int max) {
  Max = max;
  SetPosition(position_);
}

void TProgressBar::Paint(Canvas& canvas) {
  Fill(canvas, Color, 0, 0, Width, Height);
  Frame(canvas, Width, Height, clBtnShadow, clBtnHighlight);
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

void TGroupBox::Paint(Canvas& canvas) {
  Fill(canvas, Color, 0, 0, Width, Height);
  canvas.Font = Font;
  const int textHeight = canvas.TextExtent(Caption).cy;
  canvas.SetOrigin(canvas.OriginX(), canvas.OriginY() + textHeight / 2);
  Frame(canvas, Width, Height - textHeight / 2, clBtnShadow, clBtnHighlight);
  canvas.SetOrigin(canvas.OriginX(), canvas.OriginY() - textHeight / 2);
  Fill(canvas, Color, 8, 0, 8 + canvas.TextExtent(Caption).cx, textHeight);
  DrawText(canvas, *this, 8, 0, Caption);
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
  if (OnPageChanged) OnPageChanged();
}

}  // namespace zev::ui
