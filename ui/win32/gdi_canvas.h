// The widget model's Canvas over a GDI device context: solid brushes and pens for fills and
// ellipses, the fonts by name (the font renderer's, so that what is measured is what is drawn),
// pictures blended by their alpha, and memory bitmaps for what a control paints before copying.
#pragma once

#include "ui/win32/windows_api.h"

#include <memory>
#include <string>

#include "ui/canvas.h"

namespace zev::ui::win32 {

// A model colour (system colours resolved) as GDI takes it.
COLORREF GdiColor(TColor color);

// Draws into a device context the caller owns, offset by the canvas origin.
class GdiCanvas : public Canvas {
 public:
  GdiCanvas(HDC dc, int width, int height) : dc_(dc), width_(width), height_(height) {}

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
  void DrawPictureGreyed(int x, int y, const TPicture& picture);
  HDC DC() const { return dc_; }

 private:
  void Blend(int x, int y, const TPicture& picture, bool greyed);

  HDC dc_;
  int width_;
  int height_;
};

// A window's client area drawn off screen and copied in one go, so that a repaint never shows
// half a picture.
class BufferedPaint {
 public:
  BufferedPaint(HDC target, int width, int height);
  ~BufferedPaint();
  BufferedPaint(const BufferedPaint&) = delete;
  BufferedPaint& operator=(const BufferedPaint&) = delete;
  // Where to draw; copies to the target when the object goes.
  GdiCanvas& Surface() { return canvas_; }

 private:
  HDC target_;
  HDC memory_;
  HBITMAP bitmap_;
  HGDIOBJ old_;
  GdiCanvas canvas_;
};

}  // namespace zev::ui::win32
