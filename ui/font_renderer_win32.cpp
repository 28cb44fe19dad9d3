// The font renderer on Windows: the system has the fonts the forms name, so GDI finds them by
// name, measures with GetTextExtentPoint32 and rasterises into a memory bitmap.
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <algorithm>
#include <map>
#include <memory>
#include <vector>

#include "platform/path_names.h"
#include "platform/text.h"
#include "ui/font_renderer.h"
#include "ui/gdi_font.h"

namespace zev::ui {

// The FreeType side of the shared header has no part here: nothing is ever loaded into it.
struct FontRenderer::Face {};
void FontRenderer::LibraryRelease::operator()(FT_LibraryRec_*) const {}

namespace {

// Beyond this a "font size" from a configuration file is a mistake, not a wish for a glyph the
// size of a wall.
constexpr int kMaxPixelHeight = 512;
// Text is rasterised this many characters at a time, so that no text, however long, asks for
// a bitmap larger than a few glyphs' worth.
constexpr std::size_t kRenderRun = 64;

int ClampedHeight(const TFont& font) {
  const int h = font.Height < 0 ? -font.Height : font.Height;
  return std::clamp(h, 1, kMaxPixelHeight);
}

// A face name as CreateFontA takes it: printable, at most 31 characters.
std::string FaceName(const TFont& font) {
  std::string name;
  for (char c : font.Name)
    if (static_cast<unsigned char>(c) >= 0x20 && name.size() < LF_FACESIZE - 1) name += c;
  return name.empty() ? std::string("MS Sans Serif") : name;
}

// The memory device context every measurement selects its font into.
HDC MeasureDC() {
  static const HDC dc = CreateCompatibleDC(nullptr);
  return dc;
}

TextSize MeasureWith(HFONT font, const std::wstring& text) {
  const HDC dc = MeasureDC();
  const HGDIOBJ old = SelectObject(dc, font);
  TEXTMETRICW metrics{};
  GetTextMetricsW(dc, &metrics);
  SIZE size{0, 0};
  if (!text.empty()) GetTextExtentPoint32W(dc, text.data(), static_cast<int>(text.size()), &size);
  SelectObject(dc, old);
  return {static_cast<int>(size.cx), static_cast<int>(metrics.tmHeight)};
}

}  // namespace

std::wstring WideText(const std::string& text1252) {
  const std::string utf8 = platform::Win1252ToUtf8(text1252);
  if (utf8.empty()) return {};
  const int length = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(std::max(length, 0)), L'\0');
  if (length > 0) MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), wide.data(), length);
  return wide;
}

HBITMAP__* TopDownBitmap(HDC__* dc, int width, int height, void** bits) {
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;  // negative: the first row is the top one
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  *bits = nullptr;
  const HBITMAP bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, bits, nullptr, 0);
  if (bitmap && !*bits) {
    DeleteObject(bitmap);
    return nullptr;
  }
  return bitmap;
}

HFONT__* GdiFont(const TFont& font) {
  struct FontRelease {
    void operator()(HFONT__* f) const { DeleteObject(f); }
  };
  static std::map<std::string, std::unique_ptr<HFONT__, FontRelease>> fonts;
  const int height = ClampedHeight(font);
  const std::string name = FaceName(font);
  const std::string key = LowerCase(name) + (font.Bold ? ":bold:" : ":") + std::to_string(height);
  auto found = fonts.find(key);
  if (found != fonts.end()) return found->second.get();
  // A negative height asks for the character height, the em size the forms give in pixels;
  // grey antialiasing, so that text rasterised for a bitmap has coverage rather than colour.
  HFONT handle = CreateFontA(-height, 0, 0, 0, font.Bold ? FW_BOLD : FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                             OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, ANTIALIASED_QUALITY, DEFAULT_PITCH | FF_DONTCARE,
                             name.c_str());
  if (!handle) handle = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
  return fonts.emplace(key, handle).first->second.get();
}

std::string FontPattern(const TFont& font) { return FaceName(font) + (font.Bold ? ":bold" : ""); }

FontRenderer& FontRenderer::Instance() {
  static FontRenderer renderer;
  return renderer;
}

FontRenderer::~FontRenderer() = default;

std::string FontRenderer::FontFile(const TFont& font) {
  // The face the system chose for the name: its own, or the substitute it maps the name to.
  const HDC dc = MeasureDC();
  const HGDIOBJ old = SelectObject(dc, GdiFont(font));
  char face[LF_FACESIZE] = {};
  const int length = GetTextFaceA(dc, LF_FACESIZE, face);
  SelectObject(dc, old);
  return length > 0 ? std::string(face) : std::string();
}

TextSize FontRenderer::Measure(const TFont& font, const std::string& text1252) {
  return MeasureWith(GdiFont(font), WideText(text1252));
}

bool FontRenderer::Render(const TFont& font, const std::string& text1252, int x, int y,
                          const std::function<void(int, int, std::uint8_t)>& plot) {
  const HFONT handle = GdiFont(font);
  const std::wstring text = WideText(text1252);
  const int height = ClampedHeight(font);
  // Glyphs may overhang their advance (bold, italic faces): room on either side.
  const int pad = height / 2 + 2;
  int penX = x;
  for (std::size_t start = 0; start < text.size(); start += kRenderRun) {
    const std::wstring run = text.substr(start, kRenderRun);
    const TextSize size = MeasureWith(handle, run);
    const int width = size.cx + 2 * pad, rows = size.cy;
    if (width <= 0 || rows <= 0) continue;
    // White text on black in a 32-bit bitmap: each pixel's green channel is the coverage.
    void* bits = nullptr;
    const HDC dc = MeasureDC();
    const HBITMAP bitmap = TopDownBitmap(dc, width, rows, &bits);
    if (!bitmap) return false;
    const HGDIOBJ oldBitmap = SelectObject(dc, bitmap);
    const HGDIOBJ oldFont = SelectObject(dc, handle);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, RGB(255, 255, 255));
    ::TextOutW(dc, pad, 0, run.data(), static_cast<int>(run.size()));
    GdiFlush();
    const auto* pixels = static_cast<const std::uint32_t*>(bits);
    for (int row = 0; row < rows; ++row)
      for (int col = 0; col < width; ++col)
        if (const auto coverage = static_cast<std::uint8_t>((pixels[row * width + col] >> 8) & 0xFF))
          plot(penX - pad + col, y + row, coverage);
    SelectObject(dc, oldFont);
    SelectObject(dc, oldBitmap);
    DeleteObject(bitmap);
    penX += size.cx;
  }
  return true;
}

}  // namespace zev::ui
