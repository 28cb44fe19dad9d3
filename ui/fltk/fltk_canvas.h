// The widget model's Canvas drawn with FLTK's own calls: fl_rectf and fl_pie for fills, Xft text
// through fl_draw in the fonts that stand in for the Windows ones, offscreen pixmaps for the
// bitmaps that a control paints into before copying them to the window.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "ui/canvas.h"
#include "ui/hash_canvas.h"

namespace zev::ui::fltk {

// The FLTK font number for a model font (its substitute face, bold when asked), registered with
// FLTK on first use.
int FontIndex(const TFont& font);
// Sets FLTK's current font and colour from a model font.
void SelectFont(const TFont& font);
// Sets FLTK's current colour from a model colour (system colours resolved).
void SelectColor(TColor color);
// The text as FLTK wants it (UTF-8) from the model's Windows-1252.
std::string ToUtf8(const std::string& text1252);

// Draws into the window FLTK is currently drawing (inside a draw() method), offset by the
// canvas origin.
class FlCanvas : public Canvas {
 public:
  FlCanvas(int width, int height) : width_(width), height_(height) {}

  int Width() const override { return width_; }
  int Height() const override { return height_; }
  void FillRect(int left, int top, int right, int bottom) override;
  void Ellipse(int left, int top, int right, int bottom) override;
  void TextOut(int x, int y, const std::string& text) override;
  TextSize TextExtent(const std::string& text) override;
  void DrawPicture(int x, int y, const TPicture& picture) override;
  std::unique_ptr<Canvas> CreateBitmap(int width, int height) override;
  void Draw(int x, int y, Canvas& bitmap) override;

  // Draws a picture greyed out, as a disabled button shows its glyph.
  void DrawPictureInactive(int x, int y, const TPicture& picture);

 private:
  int width_;
  int height_;
};

}  // namespace zev::ui::fltk
