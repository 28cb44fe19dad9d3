// TFountainFill: the windowless gradient control behind the main screen. Bands of colour from
// FromColor to ToColor, horizontal, vertical or as shrinking circles, painted through an
// off-screen bitmap with a cached logical palette of the band colours.
#pragma once

#include <cstdint>
#include <memory>

#include "ui/canvas.h"
#include "ui/control.h"

namespace zev::setup {

enum class TFountainStyle { fsHorizontal = 0, fsVertical = 1, fsCircular = 2 };

// Colour of band i of n: each of red, green and blue moves from start to end by MulDiv steps,
// modulo 256. Both colours are resolved to plain RGB first.
ui::TColor FillBandColor(ui::TColor start, ui::TColor end, int n, int i);
// The palette of the n band colours; none when n is below 2 or both colours are the same RGB.
std::unique_ptr<ui::TPalette> MakeFillPalette(ui::TColor start, ui::TColor end, int n);
// Paints the bands directly onto the canvas (a solid fill in start when n < 2 or the colours
// are equal), restoring the canvas's pen style and brush afterwards.
void FillGradient(ui::Canvas& canvas, ui::TColor start, ui::TColor end, const ui::TPalette* palette, int width,
                  int height, TFountainStyle style, int n);
// Paints through an off-screen bitmap unless drawOnScreen, falling back to direct drawing when
// no bitmap can be had.
void DrawFill(ui::Canvas& canvas, ui::TColor start, ui::TColor end, bool drawOnScreen, const ui::TPalette* palette,
              int width, int height, TFountainStyle style, int n);
// The diameter of the largest circle: the diagonal plus 0.5, rounded half to even.
int CircularDiameter(int width, int height);

class TFountainFill : public ui::TControl {
 public:
  explicit TFountainFill(std::string name);

  bool DrawOnScreen() const { return drawOnScreen_; }
  ui::TColor FromColor() const { return fromColor_; }
  int Steps() const { return steps_; }
  TFountainStyle Style() const { return style_; }
  ui::TColor ToColor() const { return toColor_; }
  bool UsePalette() const { return usePalette_; }

  void SetDrawOnScreen(bool value) { drawOnScreen_ = value; }
  void SetFromColor(ui::TColor value);
  void SetSteps(int value);  // clamped to 1..255
  void SetStyle(TFountainStyle value);
  void SetToColor(ui::TColor value);
  void SetUsePalette(bool value);

  // The cached palette, nullptr until the next paint makes it (or when none is needed).
  const ui::TPalette* Palette() const { return palette_.get(); }
  // How often a setter asked for a repaint; a display repaints the control then.
  int Invalidations() const { return invalidations_; }
  // The background is never erased: the bands cover every pixel.
  bool EraseBackground() const { return false; }

  void Paint(ui::Canvas& canvas) override;

 private:
  void Invalidate() { ++invalidations_; }
  void DeletePalette() { palette_.reset(); }

  bool drawOnScreen_ = false;
  ui::TColor fromColor_ = 0xFFFF00;
  int steps_ = 20;
  TFountainStyle style_ = TFountainStyle::fsHorizontal;
  ui::TColor toColor_ = 0;
  bool usePalette_ = true;
  std::unique_ptr<ui::TPalette> palette_;
  int invalidations_ = 0;
};

}  // namespace zev::setup
