#include "ui/win32/gdi_canvas.h"

#include <algorithm>
#include <cstdint>
#include <vector>

#include "ui/gdi_font.h"

namespace zev::ui::win32 {
namespace {

// Draws within a device context and puts back what it selected when it goes.
class Selected {
 public:
  Selected(HDC dc, HGDIOBJ object) : dc_(dc), old_(SelectObject(dc, object)) {}
  ~Selected() { SelectObject(dc_, old_); }
  Selected(const Selected&) = delete;
  Selected& operator=(const Selected&) = delete;

 private:
  HDC dc_;
  HGDIOBJ old_;
};

// A GDI object deleted when it goes.
struct ObjectRelease {
  void operator()(void* object) const { DeleteObject(static_cast<HGDIOBJ>(object)); }
};
using Object = std::unique_ptr<void, ObjectRelease>;

// A memory bitmap made by CreateBitmap: a canvas over its own memory device context.
class BitmapCanvas : public GdiCanvas {
 public:
  BitmapCanvas(HDC memory, HBITMAP bitmap, int width, int height)
      : GdiCanvas(memory, width, height), bitmap_(bitmap), old_(SelectObject(memory, bitmap)) {}
  ~BitmapCanvas() override {
    SelectObject(DC(), old_);
    DeleteObject(bitmap_);
    DeleteDC(DC());
  }

 private:
  HBITMAP bitmap_;
  HGDIOBJ old_;
};

// A greyed glyph as a disabled button shows it: a third of its colour over the button face.
std::uint32_t Greyed(std::uint32_t pixel) {
  const TColor face = ColorToRGB(clBtnFace);
  auto mix = [](unsigned channel, unsigned grey) { return (channel + 2 * grey) / 3; };
  return (pixel & 0xFF000000) |
         MakeRGB(mix(RedOf(pixel), RedOf(face)), mix(GreenOf(pixel), GreenOf(face)), mix(BlueOf(pixel), BlueOf(face)));
}

}  // namespace

COLORREF GdiColor(TColor color) {
  const TColor rgb = ColorToRGB(color);
  return RGB(RedOf(rgb), GreenOf(rgb), BlueOf(rgb));
}

void GdiCanvas::FillRect(int left, int top, int right, int bottom) {
  if (Brush.Style == TBrushStyle::bsClear || right <= left || bottom <= top) return;
  const Object brush(CreateSolidBrush(GdiColor(Brush.Color)));
  const RECT rect{OriginX() + left, OriginY() + top, OriginX() + right, OriginY() + bottom};
  ::FillRect(dc_, &rect, static_cast<HBRUSH>(brush.get()));
}

void GdiCanvas::Ellipse(int left, int top, int right, int bottom) {
  if (right <= left || bottom <= top) return;
  const bool fill = Brush.Style != TBrushStyle::bsClear, outline = Pen.Style != TPenStyle::psClear;
  const Object brush(fill ? CreateSolidBrush(GdiColor(Brush.Color)) : nullptr);
  const Object pen(outline ? CreatePen(PS_SOLID, 1, GdiColor(Pen.Color)) : nullptr);
  const Selected withBrush(dc_, fill ? brush.get() : GetStockObject(NULL_BRUSH));
  const Selected withPen(dc_, outline ? pen.get() : GetStockObject(NULL_PEN));
  // Without a pen GDI leaves out the right and bottom edge; the box covers it again.
  const int grow = outline ? 0 : 1;
  ::Ellipse(dc_, OriginX() + left, OriginY() + top, OriginX() + right + grow, OriginY() + bottom + grow);
}

void GdiCanvas::TextOut(int x, int y, const std::string& text) {
  if (text.empty()) return;
  const std::wstring wide = WideText(text);
  const Selected font(dc_, GdiFont(Font));
  SetBkMode(dc_, TRANSPARENT);
  SetTextAlign(dc_, TA_LEFT | TA_TOP | TA_NOUPDATECP);
  SetTextColor(dc_, GdiColor(Font.Color));
  ::TextOutW(dc_, OriginX() + x, OriginY() + y, wide.data(), static_cast<int>(wide.size()));
}

TextSize GdiCanvas::TextExtent(const std::string& text) { return FontRenderer::Instance().Measure(Font, text); }

void GdiCanvas::DrawPicture(int x, int y, const TPicture& picture) { Blend(x, y, picture, false); }

void GdiCanvas::DrawPictureGreyed(int x, int y, const TPicture& picture) { Blend(x, y, picture, true); }

void GdiCanvas::Blend(int x, int y, const TPicture& picture, bool greyed) {
  if (picture.Empty() ||
      picture.Pixels.size() != static_cast<std::size_t>(picture.Width) * static_cast<std::size_t>(picture.Height))
    return;
  // AlphaBlend takes its source with the colours premultiplied by the alpha.
  void* bits = nullptr;
  const Object bitmap(TopDownBitmap(dc_, picture.Width, picture.Height, &bits));
  if (!bitmap) return;
  auto* out = static_cast<std::uint32_t*>(bits);
  for (std::size_t i = 0; i < picture.Pixels.size(); ++i) {
    const std::uint32_t pixel = greyed ? Greyed(picture.Pixels[i]) : picture.Pixels[i];
    const unsigned alpha = pixel >> 24;
    auto premultiplied = [alpha](unsigned channel) { return (channel * alpha + 127) / 255; };
    out[i] = alpha << 24 | premultiplied(RedOf(pixel)) << 16 | premultiplied(GreenOf(pixel)) << 8 |
             premultiplied(BlueOf(pixel));
  }
  const HDC memory = CreateCompatibleDC(dc_);
  {
    const Selected source(memory, bitmap.get());
    const BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
    AlphaBlend(dc_, OriginX() + x, OriginY() + y, picture.Width, picture.Height, memory, 0, 0, picture.Width,
               picture.Height, blend);
  }
  DeleteDC(memory);
}

std::unique_ptr<Canvas> GdiCanvas::CreateBitmap(int width, int height) {
  // Refused as the graphics system refuses what it cannot hold; the caller then draws directly.
  if (width <= 0 || height <= 0 || static_cast<std::int64_t>(width) * height > kMaxBitmapPixels) return nullptr;
  const HDC memory = CreateCompatibleDC(dc_);
  if (!memory) return nullptr;
  const HBITMAP bitmap = CreateCompatibleBitmap(dc_, width, height);
  if (!bitmap) {
    DeleteDC(memory);
    return nullptr;
  }
  return std::make_unique<BitmapCanvas>(memory, bitmap, width, height);
}

void GdiCanvas::Draw(int x, int y, Canvas& bitmap) {
  auto* source = dynamic_cast<BitmapCanvas*>(&bitmap);
  if (!source) return;
  BitBlt(dc_, OriginX() + x, OriginY() + y, source->Width(), source->Height(), source->DC(), 0, 0, SRCCOPY);
}

BufferedPaint::BufferedPaint(HDC target, int width, int height)
    : target_(target),
      memory_(CreateCompatibleDC(target)),
      bitmap_(CreateCompatibleBitmap(target, std::max(1, width), std::max(1, height))),
      old_(SelectObject(memory_, bitmap_)),
      canvas_(memory_, width, height) {}

BufferedPaint::~BufferedPaint() {
  BitBlt(target_, 0, 0, canvas_.Width(), canvas_.Height(), memory_, 0, 0, SRCCOPY);
  SelectObject(memory_, old_);
  DeleteObject(bitmap_);
  DeleteDC(memory_);
}

}  // namespace zev::ui::win32
