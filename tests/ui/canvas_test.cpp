// Drawing rules of the raster canvas, FreeType text with the font substitutes, and PNG files.
#include "ui/canvas.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "platform/error.h"
#include "platform/private_folder.h"
#include "tests/support/host_files.h"
#include "ui/font_renderer.h"
#include "ui/mul_div.h"
#include "ui/png_io.h"

namespace zev::ui {
namespace {

TEST(MulDivTest, RoundsHalvesAwayFromZeroIn64Bits) {
  EXPECT_EQ(MulDiv(1, 600, 255), 2);     // 2.35
  EXPECT_EQ(MulDiv(3, 600, 255), 7);     // 7.06
  EXPECT_EQ(MulDiv(1, 5, 2), 3);         // 2.5 -> 3
  EXPECT_EQ(MulDiv(-1, 5, 2), -3);       // -2.5 -> -3
  EXPECT_EQ(MulDiv(1, -5, -2), 3);
  EXPECT_EQ(MulDiv(65536, 65536, 65536), 65536);  // the product passes 32 bits
  EXPECT_EQ(MulDiv(7, 9, 0), -1);
  EXPECT_EQ(MulDiv(0x7FFFFFFF, 4, 1), -1);
}

TEST(ColorTest, SystemColoursResolveThroughTheClassicTable) {
  EXPECT_EQ(ColorToRGB(clBtnFace), 0xC0C0C0u);
  EXPECT_EQ(ColorToRGB(clWindow), 0xFFFFFFu);
  EXPECT_EQ(ColorToRGB(clWindowText), 0u);
  EXPECT_EQ(ColorToRGB(0x800000FF), 0u) << "unknown index";
  EXPECT_EQ(ColorToRGB(0x02123456), 0x123456u) << "palette-relative flag dropped";
}

TEST(RasterCanvasTest, RectanglesExcludeTheirRightAndBottomEdges) {
  RasterCanvas canvas(10, 10, clWhite);
  canvas.Brush.Color = clRed;
  canvas.FillRect(2, 3, 5, 6);
  EXPECT_EQ(canvas.Pixel(2, 3), clRed);
  EXPECT_EQ(canvas.Pixel(4, 5), clRed);
  EXPECT_EQ(canvas.Pixel(5, 5), clWhite);
  EXPECT_EQ(canvas.Pixel(4, 6), clWhite);
  EXPECT_EQ(canvas.Pixel(1, 3), clWhite);
  canvas.FillRect(-100, -100, 1, 1);  // clipped, no crash
  EXPECT_EQ(canvas.Pixel(0, 0), clRed);
  canvas.SetOrigin(8, 8);
  canvas.Brush.Color = clBlue;
  canvas.FillRect(0, 0, 100, 100);
  EXPECT_EQ(canvas.Pixel(9, 9), clBlue);
  EXPECT_EQ(canvas.Pixel(7, 9), clWhite);
}

TEST(RasterCanvasTest, EllipseCoversThePixelsWhoseCentresLieInside) {
  RasterCanvas canvas(10, 10, clWhite);
  canvas.Brush.Color = clBlack;
  canvas.Pen.Style = TPenStyle::psClear;
  canvas.Ellipse(0, 0, 10, 10);
  EXPECT_EQ(canvas.Pixel(5, 5), clBlack);
  EXPECT_EQ(canvas.Pixel(0, 5), clBlack);   // centre (0.5, 5.5): inside
  EXPECT_EQ(canvas.Pixel(0, 0), clWhite);   // centre (0.5, 0.5): outside
  EXPECT_EQ(canvas.Pixel(1, 1), clBlack);   // (1.5, 1.5): 2 * 3.5^2 / 25 = 0.98, inside
  EXPECT_EQ(canvas.Pixel(0, 1), clWhite);   // (0.5, 1.5): (4.5^2 + 3.5^2) / 25 = 1.3, outside
  int covered = 0;
  for (int y = 0; y < 10; ++y)
    for (int x = 0; x < 10; ++x) covered += canvas.Pixel(x, y) == clBlack;
  EXPECT_GT(covered, 70);
  EXPECT_LT(covered, 82);
}

TEST(FontTest, PointsAndPixelsConvertAt96PerInch) {
  TFont font;
  font.SetSize(26);
  EXPECT_EQ(font.Height, 35);
  EXPECT_EQ(font.Size(), 26);
  font.SetSize(10);
  EXPECT_EQ(font.Height, 13);
}

TEST(FontRendererTest, WindowsFontsAreSubstituted) {
#ifdef _WIN32
  GTEST_SKIP() << "Windows has the fonts by their own names: only Linux substitutes them";
#endif
  EXPECT_EQ(FontPattern({"Impact", 35, clBlack, false}), "DejaVu Sans Condensed:bold");
  EXPECT_EQ(FontPattern({"times new roman", 13, clBlack, false}), "Liberation Serif");
  EXPECT_EQ(FontPattern({"MS Sans Serif", 11, clBlack, true}), "Liberation Sans:bold");
  EXPECT_EQ(FontPattern({"Evil:style=x", 11, clBlack, false}), "Evilstylex");
  const std::string impact = FontRenderer::Instance().FontFile({"Impact", 35, clBlack, false});
  EXPECT_EQ(std::filesystem::path(impact).filename(), "DejaVuSansCondensed-Bold.ttf");
  const std::string serif = FontRenderer::Instance().FontFile({"Times New Roman", 13, clBlack, false});
  EXPECT_EQ(std::filesystem::path(serif).filename(), "LiberationSerif-Regular.ttf");
}

TEST(FontRendererTest, TextIsDrawnInTheFontColourAndMeasured) {
  RasterCanvas canvas(200, 60, clWhite);
  canvas.Font = {"Impact", 35, clRed, false};
  const TextSize size = canvas.TextExtent("ZEV");
  EXPECT_GT(size.cx, 40);
  EXPECT_GE(size.cy, 35);
  canvas.TextOut(5, 5, "ZEV");
  int red = 0, outside = 0;
  for (int y = 0; y < 60; ++y)
    for (int x = 0; x < 200; ++x) {
      if (canvas.Pixel(x, y) == clRed) ++red;
      // Glyphs may overhang their advance by a pixel at the right, never above, below or left.
      if (canvas.Pixel(x, y) != clWhite && (x < 5 || x >= 5 + size.cx + 2 || y < 5 || y >= 5 + size.cy)) ++outside;
    }
  EXPECT_GT(red, 100);
  EXPECT_EQ(outside, 0);
  const TextSize huge = FontRenderer::Instance().Measure({"Impact", 1000000, clRed, false}, "x");
  EXPECT_LE(huge.cy, 1024) << "absurd sizes are clamped";
}

TEST(PngTest, RoundTripKeepsEveryPixelAndBadFilesAreReported) {
  RasterImage image(3, 2, clWhite);
  image.SetPixel(0, 0, 0x123456);
  image.SetPixel(2, 1, clBlue);
  const platform::ScopedTempDir folder("zev-png-");
  const auto file = folder.Path() / "image.png";
  WritePng(file, image);
  const RasterImage back = ReadPng(file);
  ASSERT_EQ(back.width, 3);
  ASSERT_EQ(back.height, 2);
  EXPECT_EQ(back.rgb, image.rgb);
  zev::testing::WriteHostFile(file, "\x89PNG\r\n\x1a\n garbage");
  EXPECT_THROW(ReadPng(file), Exception);
  std::filesystem::remove(file);
  EXPECT_THROW(ReadPng(file), Exception);
  EXPECT_THROW(WritePng("/nonexistent-dir/x.png", image), Exception);
}


// A small raster drawn by a test, compared with a picture of it: '.' the background, 'L' and
// 'R' the two frame colours, 'x' the focus dots.
std::vector<std::string> Picture(const RasterCanvas& canvas) {
  std::vector<std::string> rows;
  for (int y = 0; y < canvas.Height(); ++y) {
    std::string row;
    for (int x = 0; x < canvas.Width(); ++x) {
      const TColor c = canvas.Pixel(x, y);
      row += c == clWhite ? '.' : c == clRed ? 'L' : c == clBlue ? 'R' : c == clLime ? 'x' : '?';
    }
    rows.push_back(row);
  }
  return rows;
}

struct EdgeCase {
  const char* name;
  bool focus;  // DrawFocusRect, else DrawFrame
  int left, top, right, bottom;
  std::vector<std::string> picture;
};

void PrintTo(const EdgeCase& c, std::ostream* out) { *out << c.name; }

class EdgeTest : public ::testing::TestWithParam<EdgeCase> {};

TEST_P(EdgeTest, FramesAndFocusRectanglesRunAlongTheInsideOfTheirEdges) {
  const EdgeCase& c = GetParam();
  RasterCanvas canvas(6, 5, clWhite);
  canvas.Brush = {clNavy, TBrushStyle::bsClear};
  if (c.focus) canvas.DrawFocusRect(c.left, c.top, c.right, c.bottom, clLime);
  else canvas.DrawFrame(c.left, c.top, c.right, c.bottom, clRed, clBlue);
  EXPECT_EQ(Picture(canvas), c.picture);
  EXPECT_EQ(canvas.Brush.Color, clNavy) << "the brush is left as it was";
  EXPECT_EQ(canvas.Brush.Style, TBrushStyle::bsClear);
}

INSTANTIATE_TEST_SUITE_P(
    Edges, EdgeTest,
    ::testing::Values(
        EdgeCase{"Frame", false, 1, 1, 5, 4, {"......", ".LLLR.", ".L..R.", ".RRRR.", "......"}},
        EdgeCase{"OnePixelFrame", false, 2, 2, 3, 3, {"......", "......", "..R...", "......", "......"}},
        EdgeCase{"FrameCutAtTheCanvas", false, -2, -2, 3, 3, {"..R...", "..R...", "RRR...", "......", "......"}},
        EdgeCase{"EmptyFrame", false, 3, 3, 3, 3, {"......", "......", "......", "......", "......"}},
        EdgeCase{"FocusDotsKeepOneRhythm", true, 0, 0, 6, 5, {"x.x.x.", ".....x", "x.....", ".....x", "x.x.x."}},
        EdgeCase{"FocusOnePixelWide", true, 1, 1, 2, 4, {"......", ".x....", "......", ".x....", "......"}},
        EdgeCase{"EmptyFocus", true, 2, 2, 2, 4, {"......", "......", "......", "......", "......"}}));

TEST(RasterCanvasTest, PicturesBlendByTheirAlphaAtTheOrigin) {
  RasterCanvas canvas(5, 1, clBlack);
  TPicture picture{3, 1, {0x000000FF, 0xFFFF0000, 0x80FFFFFF}};  // clear red, opaque blue, half white
  canvas.SetOrigin(1, 0);
  canvas.DrawPicture(0, 0, picture);
  EXPECT_EQ(canvas.Pixel(0, 0), clBlack);
  EXPECT_EQ(canvas.Pixel(1, 0), clBlack) << "a transparent pixel leaves the canvas alone";
  EXPECT_EQ(canvas.Pixel(2, 0), clBlue);
  EXPECT_EQ(canvas.Pixel(3, 0), 0x808080u);
  EXPECT_EQ(canvas.Pixel(4, 0), clBlack);
}

TEST(RasterCanvasTest, BitmapsAreRefusedBeyondTheLimitAndDrawnClipped) {
  RasterCanvas canvas(4, 4, clBlack);
  EXPECT_EQ(canvas.CreateBitmap(-1, 5), nullptr);
  EXPECT_EQ(canvas.CreateBitmap(5, -1), nullptr);
  EXPECT_EQ(canvas.CreateBitmap(static_cast<int>(kMaxBitmapPixels / 2 + 1), 2), nullptr);
  EXPECT_THROW(RasterImage(static_cast<int>(kMaxBitmapPixels / 2 + 1), 2), Exception);
  EXPECT_THROW(RasterImage(-1, 1), Exception);
  auto bitmap = canvas.CreateBitmap(3, 3);
  ASSERT_NE(bitmap, nullptr);
  bitmap->Brush.Color = clBlue;
  bitmap->FillRect(0, 0, 3, 3);
  canvas.Draw(-1, -1, *bitmap);
  canvas.Draw(3, 3, *bitmap);
  int blue = 0;
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 4; ++x) blue += canvas.Pixel(x, y) == clBlue;
  EXPECT_EQ(blue, 5);
  EXPECT_EQ(canvas.Pixel(1, 1), clBlue);
  EXPECT_EQ(canvas.Pixel(3, 3), clBlue);
  EXPECT_EQ(canvas.Pixel(2, 2), clBlack);
}

}  // namespace
}  // namespace zev::ui
