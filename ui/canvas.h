// Where controls draw: a small canvas with a brush, a pen and a font. Rectangles cover the
// pixels from their left/top edge up to but not including their right/bottom edge; an ellipse
// covers the pixels whose centres lie inside the ellipse inscribed in its bounding box.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "ui/color.h"
#include "ui/font.h"
#include "ui/font_renderer.h"
#include "ui/picture.h"

namespace zev::ui {

enum class TBrushStyle { bsSolid, bsClear };
enum class TPenStyle { psSolid, psClear };
enum class TCopyMode { cmSrcCopy };

struct TBrush {
  TColor Color = clWhite;
  TBrushStyle Style = TBrushStyle::bsSolid;
};

struct TPen {
  TColor Color = clBlack;
  TPenStyle Style = TPenStyle::psSolid;
};

// A logical palette: its version and its entries (0x00BBGGRR, flags 0).
struct TPalette {
  std::uint16_t Version = 0x300;
  std::vector<TColor> Entries;
};

class Canvas {
 public:
  virtual ~Canvas() = default;

  TBrush Brush;
  TPen Pen;
  TFont Font;
  TCopyMode CopyMode = TCopyMode::cmSrcCopy;

  virtual int Width() const = 0;
  virtual int Height() const = 0;

  // Drawing positions are relative to the origin (a control's top left corner on its form).
  void SetOrigin(int x, int y) { originX_ = x, originY_ = y; }
  int OriginX() const { return originX_; }
  int OriginY() const { return originY_; }

  // Fills with the brush colour (nothing with a clear brush).
  virtual void FillRect(int left, int top, int right, int bottom) = 0;
  // Fills the inscribed ellipse with the brush and outlines it with the pen unless clear.
  virtual void Ellipse(int left, int top, int right, int bottom) = 0;
  // Draws the text in the font's colour with the top left of its cell at (x, y); the
  // background stays as it is.
  virtual void TextOut(int x, int y, const std::string& text) = 0;
  virtual TextSize TextExtent(const std::string& text) = 0;
  // Draws a picture, leaving its transparent pixels alone.
  virtual void DrawPicture(int x, int y, const TPicture& picture) = 0;
  // The dotted rectangle of a focused control: every other pixel along the inside of the
  // rectangle's edges, starting at its top left corner, in the colour given.
  void DrawFocusRect(int left, int top, int right, int bottom, TColor color);
  // A frame one pixel wide along the inside of the rectangle's edges: top and left in one
  // colour, bottom and right in the other, so that it looks raised or sunken. The brush is left
  // as it was.
  void DrawFrame(int left, int top, int right, int bottom, TColor topLeft, TColor bottomRight);

  // An off-screen bitmap compatible with this canvas, or nullptr when the graphics system has no
  // resources left for it.
  virtual std::unique_ptr<Canvas> CreateBitmap(int width, int height) = 0;
  // Copies a bitmap made by CreateBitmap onto this canvas at (x, y).
  virtual void Draw(int x, int y, Canvas& bitmap) = 0;

  // Selects a palette as foreground palette and realises it; returns the previous one.
  const TPalette* SelectPalette(const TPalette* palette) {
    const TPalette* previous = palette_;
    palette_ = palette;
    ++paletteSelections_;
    return previous;
  }
  const TPalette* SelectedPalette() const { return palette_; }
  int PaletteSelections() const { return paletteSelections_; }

 private:
  int originX_ = 0;
  int originY_ = 0;
  const TPalette* palette_ = nullptr;
  int paletteSelections_ = 0;
};

// An RGB raster, 8 bits per channel, row by row.
struct RasterImage {
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> rgb;

  RasterImage() = default;
  RasterImage(int w, int h, TColor fill = clBlack);
  TColor Pixel(int x, int y) const;  // 0x00BBGGRR
  void SetPixel(int x, int y, TColor rgbColor);
};

// The headless canvas: draws into a RasterImage, true colour, so palettes need no mapping.
class RasterCanvas : public Canvas {
 public:
  RasterCanvas(int width, int height, TColor fill = clBlack);

  int Width() const override { return image_.width; }
  int Height() const override { return image_.height; }
  void FillRect(int left, int top, int right, int bottom) override;
  void Ellipse(int left, int top, int right, int bottom) override;
  void TextOut(int x, int y, const std::string& text) override;
  TextSize TextExtent(const std::string& text) override;
  void DrawPicture(int x, int y, const TPicture& picture) override;
  std::unique_ptr<Canvas> CreateBitmap(int width, int height) override;
  void Draw(int x, int y, Canvas& bitmap) override;

  const RasterImage& Image() const { return image_; }
  TColor Pixel(int x, int y) const { return image_.Pixel(x, y); }
  // Counts of operations, for tests that check what was drawn and how.
  int FillRectCalls() const { return fillRectCalls_; }
  int EllipseCalls() const { return ellipseCalls_; }

 private:
  void Blend(int x, int y, TColor rgbColor, unsigned alpha);

  RasterImage image_;
  int fillRectCalls_ = 0;
  int ellipseCalls_ = 0;
};

// Larger bitmaps than this are refused as the graphics system would refuse them.
constexpr std::int64_t kMaxBitmapPixels = 64LL * 1024 * 1024;

}  // namespace zev::ui
