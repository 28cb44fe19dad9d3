#include "setup/fountain_fill.h"

#include <algorithm>
#include <cfenv>
#include <cmath>

#include "ui/mul_div.h"

namespace zev::setup {

using ui::ColorToRGB;
using ui::MulDiv;
using ui::TColor;

TColor FillBandColor(TColor start, TColor end, int n, int i) {
  const TColor from = ColorToRGB(start), to = ColorToRGB(end);
  // Only n >= 2 has bands to step between; anything less is the start colour.
  if (n < 2) return from;
  auto channel = [&](unsigned a, unsigned b) {
    return static_cast<unsigned>(static_cast<int>(a) + MulDiv(i, static_cast<int>(b) - static_cast<int>(a), n - 1)) &
           0xFF;
  };
  return ui::MakeRGB(channel(ui::RedOf(from), ui::RedOf(to)), channel(ui::GreenOf(from), ui::GreenOf(to)),
                     channel(ui::BlueOf(from), ui::BlueOf(to)));
}

std::unique_ptr<ui::TPalette> MakeFillPalette(TColor start, TColor end, int n) {
  if (n < 2 || ColorToRGB(start) == ColorToRGB(end)) return nullptr;
  auto palette = std::make_unique<ui::TPalette>();
  palette->Version = 0x300;
  for (int k = 0; k < n; ++k) palette->Entries.push_back(FillBandColor(start, end, n, k));
  return palette;
}

int CircularDiameter(int width, int height) {
  const double diagonal = std::sqrt(static_cast<double>(width) * width + static_cast<double>(height) * height);
  // nearbyint rounds in the current mode, which is to nearest with halves to even.
  return static_cast<int>(std::nearbyint(diagonal + 0.5));
}

void FillGradient(ui::Canvas& canvas, TColor start, TColor end, const ui::TPalette* palette, int width, int height,
                  TFountainStyle style, int n) {
  const ui::TPenStyle savedPen = canvas.Pen.Style;
  const ui::TBrush savedBrush = canvas.Brush;
  canvas.Brush.Style = ui::TBrushStyle::bsSolid;
  if (n < 2 || ColorToRGB(start) == ColorToRGB(end)) {
    canvas.Brush.Color = start;
    canvas.FillRect(0, 0, width, height);
    canvas.Brush = savedBrush;
    canvas.Pen.Style = savedPen;
    return;
  }
  canvas.Pen.Style = ui::TPenStyle::psClear;
  const int diameter = style == TFountainStyle::fsCircular ? CircularDiameter(width, height) : 0;
  for (int i = 0; i < n; ++i) {
    TColor color = FillBandColor(start, end, n, i);
    if (palette) color |= ui::kPaletteRelativeFlag;
    canvas.Brush.Color = color;
    switch (style) {
      case TFountainStyle::fsHorizontal:
        canvas.FillRect(0, MulDiv(i, height, n), width, MulDiv(i + 1, height, n));
        break;
      case TFountainStyle::fsVertical:
        canvas.FillRect(MulDiv(i, width, n), 0, MulDiv(i + 1, width, n), height);
        break;
      case TFountainStyle::fsCircular: {
        const int d = MulDiv(n - i, diameter, n);
        const int left = width / 2 - d / 2, top = height / 2 - d / 2;
        canvas.Ellipse(left, top, left + d, top + d);
        break;
      }
    }
  }
  canvas.Pen.Style = savedPen;
  canvas.Brush = savedBrush;
}

void DrawFill(ui::Canvas& canvas, TColor start, TColor end, bool drawOnScreen, const ui::TPalette* palette, int width,
              int height, TFountainStyle style, int n) {
  if (!drawOnScreen) {
    if (std::unique_ptr<ui::Canvas> bitmap = canvas.CreateBitmap(width, height)) {
      const ui::TPalette* previous = palette ? bitmap->SelectPalette(palette) : nullptr;
      FillGradient(*bitmap, start, end, palette, width, height, style, n);
      if (palette) bitmap->SelectPalette(previous);
      canvas.CopyMode = ui::TCopyMode::cmSrcCopy;
      if (palette) canvas.SelectPalette(palette);
      canvas.Draw(0, 0, *bitmap);
      return;
    }
    // Out of resources for the bitmap: draw directly instead.
  }
  if (palette) canvas.SelectPalette(palette);
  FillGradient(canvas, start, end, palette, width, height, style, n);
}

TFountainFill::TFountainFill(std::string name) : TControl(std::move(name)) {
  Width = 50;
  Height = 50;
}

void TFountainFill::SetFromColor(TColor value) {
  if (value == fromColor_) return;
  fromColor_ = value;
  DeletePalette();
  Invalidate();
}

void TFountainFill::SetToColor(TColor value) {
  if (value == toColor_) return;
  toColor_ = value;
  DeletePalette();
  Invalidate();
}

void TFountainFill::SetUsePalette(bool value) {
  if (value == usePalette_) return;
  usePalette_ = value;
  DeletePalette();
  Invalidate();
}

void TFountainFill::SetSteps(int value) {
  value = std::clamp(value, 1, 255);
  if (value == steps_) return;
  steps_ = value;
  DeletePalette();
  Invalidate();
}

void TFountainFill::SetStyle(TFountainStyle value) {
  if (value == style_) return;
  style_ = value;
  Invalidate();
}

void TFountainFill::Paint(ui::Canvas& canvas) {
  if (usePalette_ && !palette_) palette_ = MakeFillPalette(fromColor_, toColor_, steps_);
  DrawFill(canvas, fromColor_, toColor_, drawOnScreen_, palette_.get(), Width, Height, style_, steps_);
}

}  // namespace zev::setup
