// What Windows does with its own means: PNG files through the stb coders, text through GDI.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>

#include "platform/error.h"
#include "ui/canvas.h"
#include "ui/png_io.h"

namespace zev::ui {
namespace {

namespace fs = std::filesystem;

// A PNG signature and header chunk claiming the size given, and nothing after.
std::string PngHeader(std::uint32_t width, std::uint32_t height) {
  auto be = [](std::uint32_t v) {
    return std::string{static_cast<char>(v >> 24), static_cast<char>(v >> 16), static_cast<char>(v >> 8), static_cast<char>(v)};
  };
  // The chunk's CRC is not checked before the size is.
  return std::string("\x89PNG\r\n\x1a\n", 8) + be(13) + "IHDR" + be(width) + be(height) + std::string("\x08\x02\0\0\0", 5) +
         be(0);
}

TEST(PngTest, RoundTripKeepsEveryPixelAndBadFilesNameTheFile) {
  const fs::path folder = fs::temp_directory_path() / "zev-png-test";
  fs::create_directories(folder);
  RasterImage image(3, 2, clWhite);
  image.SetPixel(0, 0, 0x123456);
  image.SetPixel(2, 1, clBlue);
  const fs::path file = folder / "round.png";
  WritePng(file, image);
  const RasterImage back = ReadPng(file);
  ASSERT_EQ(back.width, 3);
  ASSERT_EQ(back.height, 2);
  EXPECT_EQ(back.rgb, image.rgb);

  struct Case {
    const char* name;
    std::string content;
    const char* message;
  };
  const Case cases[] = {
      {"garbage.png", std::string("\x89PNG\r\n\x1a\n garbage", 17), "damaged PNG data"},
      {"text.png", "not a picture", "not a PNG file"},
      {"huge.png", PngHeader(100000, 100000), "image too large"},
  };
  for (const Case& c : cases) {
    std::ofstream(folder / c.name, std::ios::binary | std::ios::trunc) << c.content;
    try {
      ReadPng(folder / c.name);
      ADD_FAILURE() << c.name << " was read";
    } catch (const Exception& e) {
      EXPECT_NE(std::string(e.what()).find(c.name), std::string::npos) << e.what();
      EXPECT_NE(std::string(e.what()).find(c.message), std::string::npos) << e.what();
    }
  }
  EXPECT_THROW(ReadPng(folder / "missing.png"), Exception);
  EXPECT_THROW(WritePng(folder / "no-folder" / "x.png", image), Exception);
  fs::remove_all(folder);
}

TEST(FontRendererTest, TextIsMeasuredAndDrawnByTheSystemWithinItsCell) {
  RasterCanvas canvas(200, 60, clWhite);
  canvas.Font = {"Impact", 35, clRed, false};
  const TextSize size = canvas.TextExtent("ZEV");
  EXPECT_GT(size.cx, 40);
  EXPECT_GE(size.cy, 35);
  EXPECT_EQ(canvas.TextExtent("ZEVZEV").cx, 2 * size.cx);
  canvas.TextOut(5, 5, "ZEV");
  int red = 0, outside = 0;
  for (int y = 0; y < 60; ++y)
    for (int x = 0; x < 200; ++x) {
      if (canvas.Pixel(x, y) == clRed) ++red;
      if (canvas.Pixel(x, y) != clWhite && (x < 4 || x >= 5 + size.cx + 2 || y < 5 || y >= 5 + size.cy)) ++outside;
    }
  EXPECT_GT(red, 100);
  EXPECT_EQ(outside, 0);
  EXPECT_LE(FontRenderer::Instance().Measure({"Impact", 1000000, clRed, false}, "x").cy, 1024) << "absurd sizes are clamped";
  // A text far longer than a bitmap is wide is drawn piece by piece.
  RasterCanvas wide(100, 20, clWhite);
  wide.Font = {"MS Sans Serif", 11, clBlack, false};
  wide.TextOut(0, 0, std::string(2000, 'W'));
  int inked = 0;
  for (int x = 0; x < 100; ++x) inked += wide.Pixel(x, 6) != clWhite;
  EXPECT_GT(inked, 10);
}

}  // namespace
}  // namespace zev::ui
