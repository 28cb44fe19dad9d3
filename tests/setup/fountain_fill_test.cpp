// The gradient's band geometry and colours, its palette cache, and the main screen as drawn.
#include "setup/fountain_fill.h"

#include <gtest/gtest.h>

#include "tests/setup/setup_fixture.h"
#include "ui/canvas.h"
#include "ui/headless_backend.h"
#include "ui/mul_div.h"
#include "ui/png_io.h"

namespace zev::setup::testing {
namespace {

// Records every rectangle and ellipse instead of drawing; can refuse bitmaps.
class RecordingCanvas : public ui::RasterCanvas {
 public:
  RecordingCanvas(int w, int h) : RasterCanvas(w, h) {}
  struct Shape {
    int left, top, right, bottom;
    ui::TColor color;
  };
  std::vector<Shape> rects, ellipses;
  bool refuseBitmaps = false;
  void FillRect(int l, int t, int r, int b) override {
    rects.push_back({l, t, r, b, Brush.Color});
    RasterCanvas::FillRect(l, t, r, b);
  }
  void Ellipse(int l, int t, int r, int b) override {
    ellipses.push_back({l, t, r, b, Brush.Color});
    RasterCanvas::Ellipse(l, t, r, b);
  }
  std::unique_ptr<ui::Canvas> CreateBitmap(int w, int h) override {
    if (refuseBitmaps) return nullptr;
    return std::make_unique<RecordingCanvas>(w, h);
  }
};

TEST(FountainFillTest, HorizontalBandsOf255StepsCover600RowsExactly) {
  RecordingCanvas canvas(10, 600);
  const auto palette = MakeFillPalette(ui::clBlue, ui::clBlack, 255);
  FillGradient(canvas, ui::clBlue, ui::clBlack, palette.get(), 10, 600, TFountainStyle::fsHorizontal, 255);
  ASSERT_EQ(canvas.rects.size(), 255u);
  int expectedTop = 0;
  for (std::size_t i = 0; i < canvas.rects.size(); ++i) {
    const auto& r = canvas.rects[i];
    EXPECT_EQ(r.top, expectedTop);
    EXPECT_EQ(r.bottom, ui::MulDiv(static_cast<int>(i) + 1, 600, 255));
    EXPECT_TRUE(r.bottom - r.top == 2 || r.bottom - r.top == 3) << "band " << i;
    EXPECT_EQ(r.left, 0);
    EXPECT_EQ(r.right, 10);
    EXPECT_EQ(r.color & ui::kPaletteRelativeFlag, ui::kPaletteRelativeFlag);
    expectedTop = r.bottom;
  }
  EXPECT_EQ(expectedTop, 600);
  EXPECT_EQ(canvas.Pixel(0, 0), ui::clBlue);
  EXPECT_EQ(canvas.Pixel(0, 599), ui::clBlack);
  EXPECT_EQ(canvas.Pen.Style, ui::TPenStyle::psSolid) << "pen restored";
}

TEST(FountainFillTest, BandColoursRunFromStartToEndWithRoundedSteps) {
  EXPECT_EQ(FillBandColor(ui::clBlue, ui::clBlack, 255, 0), ui::clBlue);
  EXPECT_EQ(FillBandColor(ui::clBlue, ui::clBlack, 255, 254), ui::clBlack);
  // Blue 255 -> 0 over 3 bands: 255 + MulDiv(1, -255, 2) = 255 - 128 (-127.5 rounds away from zero).
  EXPECT_EQ(FillBandColor(ui::clBlue, ui::clBlack, 3, 1), ui::MakeRGB(0, 0, 127));
  EXPECT_EQ(FillBandColor(0x000010, 0x0000F0, 2, 1), 0x0000F0u);
  EXPECT_EQ(FillBandColor(ui::clBtnFace, ui::clWhite, 2, 0), 0xC0C0C0u) << "system colours resolved";
}

TEST(FountainFillTest, StepsAreClampedAndSettersDiscardThePalette) {
  TFountainFill fill("f");
  EXPECT_EQ(fill.Steps(), 20);
  EXPECT_EQ(fill.FromColor(), 0xFFFF00u);
  EXPECT_EQ(fill.Width, 50);
  fill.SetSteps(0);
  EXPECT_EQ(fill.Steps(), 1);
  fill.SetSteps(1000);
  EXPECT_EQ(fill.Steps(), 255);
  ui::RasterCanvas canvas(50, 50);
  fill.Paint(canvas);
  ASSERT_NE(fill.Palette(), nullptr);
  EXPECT_EQ(fill.Palette()->Entries.size(), 255u);
  EXPECT_EQ(fill.Palette()->Version, 0x300);
  const int before = fill.Invalidations();
  fill.SetStyle(TFountainStyle::fsVertical);
  EXPECT_NE(fill.Palette(), nullptr) << "the layout does not change the colours";
  fill.SetFromColor(ui::clRed);
  EXPECT_EQ(fill.Palette(), nullptr);
  fill.SetFromColor(ui::clRed);
  fill.SetDrawOnScreen(true);
  EXPECT_EQ(fill.Invalidations(), before + 2);
}

TEST(FountainFillTest, OneStepOrEqualColoursGiveASolidFillAndNoPalette) {
  for (int steps : {1, 255}) {
    TFountainFill fill("f");
    fill.SetSteps(steps);
    fill.SetFromColor(steps == 1 ? ui::clRed : 0x123456);
    fill.SetToColor(steps == 1 ? ui::clBlack : 0x123456);
    RecordingCanvas canvas(50, 50);
    fill.SetDrawOnScreen(true);
    fill.Paint(canvas);
    EXPECT_EQ(fill.Palette(), nullptr);
    ASSERT_EQ(canvas.rects.size(), 1u);
    EXPECT_EQ(canvas.Pixel(49, 49), steps == 1 ? ui::clRed : 0x123456u);
  }
}

TEST(FountainFillTest, CircularBandsShrinkFromTheDiagonal) {
  EXPECT_EQ(CircularDiameter(300, 400), 500);  // 500.5 rounds to even
  EXPECT_EQ(CircularDiameter(3, 4), 6);        // 5.5 -> 6
  RecordingCanvas canvas(300, 400);
  FillGradient(canvas, ui::clRed, ui::clBlue, nullptr, 300, 400, TFountainStyle::fsCircular, 10);
  ASSERT_EQ(canvas.ellipses.size(), 10u);
  const auto& first = canvas.ellipses.front();
  EXPECT_EQ(first.left, -100);
  EXPECT_EQ(first.top, -50);
  EXPECT_EQ(first.right, 400);
  EXPECT_EQ(first.bottom, 450);
  EXPECT_EQ(first.color, ui::clRed);
  const auto& last = canvas.ellipses.back();
  EXPECT_EQ(last.right - last.left, 50);
  EXPECT_EQ(canvas.Pixel(150, 200), ui::clBlue);
  EXPECT_EQ(canvas.Pixel(0, 0), ui::clRed);
}

TEST(FountainFillTest, VerticalBandsRunLeftToRight) {
  RecordingCanvas canvas(100, 5);
  FillGradient(canvas, ui::clBlack, ui::clWhite, nullptr, 100, 5, TFountainStyle::fsVertical, 4);
  ASSERT_EQ(canvas.rects.size(), 4u);
  EXPECT_EQ(canvas.rects[1].left, 25);
  EXPECT_EQ(canvas.rects[1].right, 50);
  EXPECT_EQ(canvas.Pixel(99, 0), ui::clWhite);
  EXPECT_EQ(canvas.Pixel(30, 4), ui::MakeRGB(85, 85, 85));
}

TEST(FountainFillTest, DrawsThroughABitmapAndFallsBackWhenThereIsNone) {
  for (bool refuse : {false, true}) {
    RecordingCanvas canvas(20, 20);
    canvas.refuseBitmaps = refuse;
    const auto palette = MakeFillPalette(ui::clRed, ui::clBlue, 4);
    DrawFill(canvas, ui::clRed, ui::clBlue, false, palette.get(), 20, 20, TFountainStyle::fsHorizontal, 4);
    EXPECT_EQ(canvas.rects.size(), refuse ? 4u : 0u) << "through a bitmap the target sees no rectangles";
    EXPECT_EQ(canvas.SelectedPalette(), palette.get());
    EXPECT_EQ(canvas.Pixel(0, 0), ui::clRed);
    EXPECT_EQ(canvas.Pixel(0, 19), ui::clBlue);
  }
}

class MainScreenPictureTest : public SetupFixture {};

TEST_F(MainScreenPictureTest, PreviewShowsGradientHeadersWithShadowsIconAndFooter) {
  WriteHostFile(machine.StartDir() / "install.cfg",
            "[Setup - Main]\nDither From=0x0000FF\nDither To=0x00FF00\nHeader=ZEV\nHeader Font Color=0\n"
            "Header Font Shadow=0xFFFFFF\nHeader2=Second line\nHeader2 Font Color=0xFF0000\n");
  TMainSetup& form = app->CreateForm<TMainSetup>();
  form.Show();
  const auto png = std::getenv("ZEV_KEEP_PNG") ? std::filesystem::path(std::getenv("ZEV_KEEP_PNG")) : machine.Root() / "main.png";
  ui::WritePng(png, ui::RenderForm(form));
  const ui::RasterImage image = ui::ReadPng(png);
  ASSERT_EQ(image.width, 800);
  ASSERT_EQ(image.height, 600);
  // The gradient: red at the top right corner (away from the texts), green at the bottom.
  EXPECT_EQ(image.Pixel(700, 300 - 300), ui::clRed);
  EXPECT_EQ(image.Pixel(5, 599), ui::clLime);
  // Header: black text with its white shadow, which shows up and left of the text. Over the
  // red backdrop, light pixels (green and blue high) can only be shadow.
  long blackX = 0, blackY = 0, black = 0, lightX = 0, lightY = 0, light = 0;
  for (int y = form.Setup_Header.Top; y < form.Setup_Header.Top + form.Setup_Header.Height; ++y)
    for (int x = form.Setup_Header.Left; x < form.Setup_Header.Left + form.Setup_Header.Width; ++x) {
      const ui::TColor p = image.Pixel(x, y);
      if (p == ui::clBlack) ++black, blackX += x, blackY += y;
      if (ui::GreenOf(p) >= 0xA0 && ui::BlueOf(p) >= 0xA0) ++light, lightX += x, lightY += y;
    }
  ASSERT_GT(black, 50);
  ASSERT_GT(light, 20) << "the shadow shows";
  EXPECT_LT(static_cast<double>(lightX) / light, static_cast<double>(blackX) / black);
  EXPECT_LT(static_cast<double>(lightY) / light, static_cast<double>(blackY) / black);
  // Second header: blue text below the first.
  int blue = 0;
  for (int y = form.Setup_Header2.Top; y < form.Setup_Header2.Top + form.Setup_Header2.Height; ++y)
    for (int x = form.Setup_Header2.Left; x < form.Setup_Header2.Left + form.Setup_Header2.Width; ++x)
      blue += image.Pixel(x, y) == ui::clBlue;
  EXPECT_GT(blue, 10);
  EXPECT_EQ(form.Setup_Header2.Top, form.Setup_Header.Top + form.Setup_Header.Height + 2);
  // Icon: half an icon from the right edge, top 8; its label is near-white.
  EXPECT_EQ(form.Image1.Left, 800 - 48);
  EXPECT_EQ(image.Pixel(form.Image1.Left + 15, 8 + 20), 0xF4F4F4u);
  // Footer: white text centred 10 pixels above the bottom.
  EXPECT_EQ(form.Setup_Copyright.Top, 600 - form.Setup_Copyright.Height - 10);
  int footer = 0, left = 800, right = 0;
  for (int y = form.Setup_Copyright.Top; y < 590; ++y)
    for (int x = 0; x < 800; ++x)
      if (image.Pixel(x, y) == ui::clWhite) {
        ++footer;
        left = std::min(left, x);
        right = std::max(right, x);
      }
  EXPECT_GT(footer, 50);
  EXPECT_NEAR((left + right) / 2, 400, 6);
}

}  // namespace
}  // namespace zev::setup::testing
