#include "ui/fltk/fltk_canvas.h"

#include <FL/Fl.H>
#include <FL/Fl_RGB_Image.H>
#include <FL/fl_draw.H>
#include <FL/x.H>
// X11 defines None, which the model uses as a name.
#undef None

#include <deque>
#include <map>
#include <vector>

#include "platform/path_names.h"

namespace zev::ui::fltk {
namespace {

// FLTK keeps a pointer to each font name it is given, so the names live here for good.
std::deque<std::string>& FontNames() {
  static std::deque<std::string> names;
  return names;
}

// The RGBA bytes of a picture, as Fl_RGB_Image takes them (it does not copy).
std::vector<unsigned char> RgbaBytes(const TPicture& picture) {
  std::vector<unsigned char> bytes;
  bytes.reserve(picture.Pixels.size() * 4);
  for (std::uint32_t pixel : picture.Pixels) {
    bytes.push_back(static_cast<unsigned char>(pixel & 0xFF));
    bytes.push_back(static_cast<unsigned char>((pixel >> 8) & 0xFF));
    bytes.push_back(static_cast<unsigned char>((pixel >> 16) & 0xFF));
    bytes.push_back(static_cast<unsigned char>(pixel >> 24));
  }
  return bytes;
}

bool ValidPicture(const TPicture& picture) {
  return !picture.Empty() &&
         picture.Pixels.size() == static_cast<std::size_t>(picture.Width) * static_cast<std::size_t>(picture.Height);
}

void DrawRgba(int x, int y, const TPicture& picture, bool inactive) {
  if (!ValidPicture(picture)) return;
  const std::vector<unsigned char> bytes = RgbaBytes(picture);
  Fl_RGB_Image image(bytes.data(), picture.Width, picture.Height, 4);
  if (inactive) image.inactive();
  image.draw(x, y);
}

// A bitmap made by CreateBitmap: an X pixmap that every operation draws into.
class OffscreenCanvas : public FlCanvas {
 public:
  OffscreenCanvas(int width, int height, Fl_Offscreen pixmap) : FlCanvas(width, height), pixmap_(pixmap) {}
  ~OffscreenCanvas() override { fl_delete_offscreen(pixmap_); }

  void FillRect(int left, int top, int right, int bottom) override {
    fl_begin_offscreen(pixmap_);
    FlCanvas::FillRect(left, top, right, bottom);
    fl_end_offscreen();
  }
  void Ellipse(int left, int top, int right, int bottom) override {
    fl_begin_offscreen(pixmap_);
    FlCanvas::Ellipse(left, top, right, bottom);
    fl_end_offscreen();
  }
  void TextOut(int x, int y, const std::string& text) override {
    fl_begin_offscreen(pixmap_);
    FlCanvas::TextOut(x, y, text);
    fl_end_offscreen();
  }
  void DrawPicture(int x, int y, const TPicture& picture) override {
    fl_begin_offscreen(pixmap_);
    FlCanvas::DrawPicture(x, y, picture);
    fl_end_offscreen();
  }
  std::unique_ptr<Canvas> CreateBitmap(int, int) override { return nullptr; }
  void Draw(int, int, Canvas&) override {}

  Fl_Offscreen Pixmap() const { return pixmap_; }

 private:
  Fl_Offscreen pixmap_;
};

}  // namespace

std::string ToUtf8(const std::string& text1252) { return platform::Win1252ToUtf8(text1252); }

int FontIndex(const TFont& font) {
  // FontPattern gives "Family" or "Family:bold"; FLTK's Xft names carry the style as a first
  // character (' ' plain, 'B' bold) before the family.
  static std::map<std::string, int> indices;
  const std::string pattern = FontPattern(font);
  auto found = indices.find(pattern);
  if (found != indices.end()) return found->second;
  std::string family = pattern;
  bool bold = false;
  if (const std::size_t colon = family.find(':'); colon != std::string::npos) {
    bold = family.find("bold", colon) != std::string::npos;
    family.resize(colon);
  }
  FontNames().push_back((bold ? "B" : " ") + family);
  const int index = FL_FREE_FONT + static_cast<int>(indices.size());
  Fl::set_font(static_cast<Fl_Font>(index), FontNames().back().c_str());
  indices.emplace(pattern, index);
  return index;
}

void SelectColor(TColor color) {
  const TColor rgb = ColorToRGB(color);
  fl_color(RedOf(rgb), GreenOf(rgb), BlueOf(rgb));
}

void SelectFont(const TFont& font) {
  // The model's height is the em size in pixels, which is what Xft takes as the pixel size.
  int size = font.Height < 0 ? -font.Height : font.Height;
  if (size < 1) size = 1;
  if (size > 512) size = 512;
  fl_font(static_cast<Fl_Font>(FontIndex(font)), static_cast<Fl_Fontsize>(size));
  SelectColor(font.Color);
}

void FlCanvas::FillRect(int left, int top, int right, int bottom) {
  if (Brush.Style == TBrushStyle::bsClear || right <= left || bottom <= top) return;
  SelectColor(Brush.Color);
  fl_rectf(OriginX() + left, OriginY() + top, right - left, bottom - top);
}

void FlCanvas::Ellipse(int left, int top, int right, int bottom) {
  if (right <= left || bottom <= top) return;
  const int x = OriginX() + left, y = OriginY() + top, w = right - left, h = bottom - top;
  if (Brush.Style != TBrushStyle::bsClear) {
    SelectColor(Brush.Color);
    fl_pie(x, y, w, h, 0.0, 360.0);
  }
  if (Pen.Style != TPenStyle::psClear) {
    SelectColor(Pen.Color);
    fl_arc(x, y, w, h, 0.0, 360.0);
  }
}

void FlCanvas::TextOut(int x, int y, const std::string& text) {
  if (text.empty()) return;
  SelectFont(Font);
  const std::string utf8 = ToUtf8(text);
  // The model places the top of the character cell; FLTK draws on the baseline.
  fl_draw(utf8.c_str(), static_cast<int>(utf8.size()), OriginX() + x, OriginY() + y + fl_height() - fl_descent());
}

TextSize FlCanvas::TextExtent(const std::string& text) {
  SelectFont(Font);
  const std::string utf8 = ToUtf8(text);
  return {static_cast<int>(fl_width(utf8.c_str(), static_cast<int>(utf8.size())) + 0.5), fl_height()};
}

void FlCanvas::DrawPicture(int x, int y, const TPicture& picture) {
  DrawRgba(OriginX() + x, OriginY() + y, picture, false);
}

void FlCanvas::DrawPictureInactive(int x, int y, const TPicture& picture) {
  DrawRgba(OriginX() + x, OriginY() + y, picture, true);
}

std::unique_ptr<Canvas> FlCanvas::CreateBitmap(int width, int height) {
  // Refused as the graphics system refuses what it cannot hold; the caller then draws directly.
  if (width <= 0 || height <= 0 || static_cast<std::int64_t>(width) * height > kMaxBitmapPixels) return nullptr;
  if (!fl_display) return nullptr;
  const Fl_Offscreen pixmap = fl_create_offscreen(width, height);
  if (!pixmap) return nullptr;
  return std::make_unique<OffscreenCanvas>(width, height, pixmap);
}

void FlCanvas::Draw(int x, int y, Canvas& bitmap) {
  auto* offscreen = dynamic_cast<OffscreenCanvas*>(&bitmap);
  if (!offscreen) return;
  fl_copy_offscreen(OriginX() + x, OriginY() + y, offscreen->Width(), offscreen->Height(), offscreen->Pixmap(), 0, 0);
}

}  // namespace zev::ui::fltk
