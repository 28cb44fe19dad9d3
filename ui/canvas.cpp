#include "ui/canvas.h"

#include <algorithm>
#include <cmath>

#include "platform/error.h"

namespace zev::ui {

RasterImage::RasterImage(int w, int h, TColor fill) {
  if (w < 0 || h < 0 || static_cast<std::int64_t>(w) * h > kMaxBitmapPixels)
    throw Exception("Invalid image size " + std::to_string(w) + "x" + std::to_string(h));
  width = w;
  height = h;
  rgb.resize(static_cast<std::size_t>(w) * h * 3);
  const TColor c = ColorToRGB(fill);
  for (std::size_t i = 0; i < rgb.size(); i += 3) {
    rgb[i] = RedOf(c);
    rgb[i + 1] = GreenOf(c);
    rgb[i + 2] = BlueOf(c);
  }
}

TColor RasterImage::Pixel(int x, int y) const {
  const std::size_t i = (static_cast<std::size_t>(y) * width + x) * 3;
  return MakeRGB(rgb[i], rgb[i + 1], rgb[i + 2]);
}

void RasterImage::SetPixel(int x, int y, TColor c) {
  const std::size_t i = (static_cast<std::size_t>(y) * width + x) * 3;
  rgb[i] = RedOf(c);
  rgb[i + 1] = GreenOf(c);
  rgb[i + 2] = BlueOf(c);
}

void Canvas::DrawFocusRect(int left, int top, int right, int bottom, TColor color) {
  if (right - left < 1 || bottom - top < 1) return;
  const TBrush saved = Brush;
  Brush = {color, TBrushStyle::bsSolid};
  // A checkerboard along the edges: a pixel is set when its distance from the top left corner,
  // across plus down, is even, so the dots of all four edges keep one rhythm.
  auto dot = [&](int x, int y) {
    if ((x - left + y - top) % 2 == 0) FillRect(x, y, x + 1, y + 1);
  };
  for (int x = left; x < right; ++x) {
    dot(x, top);
    if (bottom - 1 > top) dot(x, bottom - 1);
  }
  for (int y = top + 1; y < bottom - 1; ++y) {
    dot(left, y);
    if (right - 1 > left) dot(right - 1, y);
  }
  Brush = saved;
}

void Canvas::DrawFrame(int left, int top, int right, int bottom, TColor topLeft, TColor bottomRight) {
  const TBrush saved = Brush;
  Brush = {topLeft, TBrushStyle::bsSolid};
  FillRect(left, top, right, top + 1);
  FillRect(left, top, left + 1, bottom);
  Brush.Color = bottomRight;
  FillRect(left, bottom - 1, right, bottom);
  FillRect(right - 1, top, right, bottom);
  Brush = saved;
}

RasterCanvas::RasterCanvas(int width, int height, TColor fill) : image_(width, height, fill) {}

void RasterCanvas::Blend(int x, int y, TColor c, unsigned alpha) {
  if (x < 0 || y < 0 || x >= image_.width || y >= image_.height || alpha == 0) return;
  if (alpha >= 255) {
    image_.SetPixel(x, y, c);
    return;
  }
  const TColor old = image_.Pixel(x, y);
  auto mix = [alpha](unsigned from, unsigned to) { return (from * (255 - alpha) + to * alpha + 127) / 255; };
  image_.SetPixel(x, y, MakeRGB(mix(RedOf(old), RedOf(c)), mix(GreenOf(old), GreenOf(c)), mix(BlueOf(old), BlueOf(c))));
}

void RasterCanvas::FillRect(int left, int top, int right, int bottom) {
  ++fillRectCalls_;
  if (Brush.Style == TBrushStyle::bsClear) return;
  const TColor c = ColorToRGB(Brush.Color);
  const int x0 = std::max(left + OriginX(), 0), x1 = std::min(right + OriginX(), image_.width);
  const int y0 = std::max(top + OriginY(), 0), y1 = std::min(bottom + OriginY(), image_.height);
  for (int y = y0; y < y1; ++y)
    for (int x = x0; x < x1; ++x) image_.SetPixel(x, y, c);
}

void RasterCanvas::Ellipse(int left, int top, int right, int bottom) {
  ++ellipseCalls_;
  const double cx = (left + right) / 2.0, cy = (top + bottom) / 2.0;
  const double rx = (right - left) / 2.0, ry = (bottom - top) / 2.0;
  if (rx <= 0 || ry <= 0) return;
  const bool fill = Brush.Style != TBrushStyle::bsClear, outline = Pen.Style != TPenStyle::psClear;
  const TColor brush = ColorToRGB(Brush.Color), pen = ColorToRGB(Pen.Color);
  auto inside = [](double dx, double dy, double ax, double ay) {
    return ax > 0 && ay > 0 && (dx * dx) / (ax * ax) + (dy * dy) / (ay * ay) <= 1.0;
  };
  const int y0 = std::max(top, -OriginY()), y1 = std::min(bottom, image_.height - OriginY());
  const int x0 = std::max(left, -OriginX()), x1 = std::min(right, image_.width - OriginX());
  for (int y = y0; y < y1; ++y) {
    const double dy = y + 0.5 - cy;
    for (int x = x0; x < x1; ++x) {
      const double dx = x + 0.5 - cx;
      if (!inside(dx, dy, rx, ry)) continue;
      if (outline && !inside(dx, dy, rx - 1, ry - 1)) image_.SetPixel(x + OriginX(), y + OriginY(), pen);
      else if (fill) image_.SetPixel(x + OriginX(), y + OriginY(), brush);
    }
  }
}

void RasterCanvas::TextOut(int x, int y, const std::string& text) {
  const TColor c = ColorToRGB(Font.Color);
  FontRenderer::Instance().Render(Font, text, x + OriginX(), y + OriginY(),
                                  [&](int px, int py, std::uint8_t coverage) { Blend(px, py, c, coverage); });
}

TextSize RasterCanvas::TextExtent(const std::string& text) { return FontRenderer::Instance().Measure(Font, text); }

void RasterCanvas::DrawPicture(int x, int y, const TPicture& picture) {
  for (int py = 0; py < picture.Height; ++py)
    for (int px = 0; px < picture.Width; ++px) {
      const std::uint32_t p = picture.At(px, py);
      Blend(x + px + OriginX(), y + py + OriginY(), p & 0xFFFFFF, p >> 24);
    }
}

std::unique_ptr<Canvas> RasterCanvas::CreateBitmap(int width, int height) {
  if (width < 0 || height < 0 || static_cast<std::int64_t>(width) * height > kMaxBitmapPixels) return nullptr;
  return std::make_unique<RasterCanvas>(width, height);
}

void RasterCanvas::Draw(int x, int y, Canvas& bitmap) {
  auto* raster = dynamic_cast<RasterCanvas*>(&bitmap);
  if (!raster) return;
  const RasterImage& source = raster->Image();
  for (int sy = 0; sy < source.height; ++sy) {
    const int ty = y + sy + OriginY();
    if (ty < 0 || ty >= image_.height) continue;
    for (int sx = 0; sx < source.width; ++sx) {
      const int tx = x + sx + OriginX();
      if (tx >= 0 && tx < image_.width) image_.SetPixel(tx, ty, source.Pixel(sx, sy));
    }
  }
}

}  // namespace zev::ui
