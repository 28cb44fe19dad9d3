#include "ui/hash_canvas.h"

namespace zev::ui {

void HashCanvas::Add(std::uint64_t value) {
  // FNV-1a over the value's bytes.
  for (int i = 0; i < 8; ++i) {
    *state_ ^= (value >> (8 * i)) & 0xFF;
    *state_ *= 0x100000001B3ULL;
  }
}

void HashCanvas::Add(const std::string& text) {
  Add(text.size());
  for (unsigned char c : text) {
    *state_ ^= c;
    *state_ *= 0x100000001B3ULL;
  }
}

void HashCanvas::FillRect(int left, int top, int right, int bottom) {
  Add(1);
  Add(static_cast<std::uint64_t>(Brush.Style == TBrushStyle::bsClear ? 0 : 1) << 32 | Brush.Color);
  for (int v : {OriginX() + left, OriginY() + top, right - left, bottom - top}) Add(static_cast<std::uint64_t>(v));
}

void HashCanvas::Ellipse(int left, int top, int right, int bottom) {
  Add(2);
  Add(static_cast<std::uint64_t>(Brush.Style == TBrushStyle::bsClear ? 0 : 1) << 32 | Brush.Color);
  Add(static_cast<std::uint64_t>(Pen.Style == TPenStyle::psClear ? 0 : 1) << 32 | Pen.Color);
  for (int v : {OriginX() + left, OriginY() + top, right - left, bottom - top}) Add(static_cast<std::uint64_t>(v));
}

void HashCanvas::TextOut(int x, int y, const std::string& text) {
  Add(3);
  Add(Font.Name);
  Add(static_cast<std::uint64_t>(Font.Height) << 32 | Font.Color);
  Add(Font.Bold ? 1 : 0);
  Add(static_cast<std::uint64_t>(OriginX() + x) << 32 | static_cast<std::uint32_t>(OriginY() + y));
  Add(text);
}

TextSize HashCanvas::TextExtent(const std::string& text) {
  // Any size that depends only on the text and font will do: the hash only has to change when
  // they change.
  const int h = Font.Height < 0 ? -Font.Height : Font.Height;
  return {static_cast<int>(text.size()) * (h / 2 + 1), h + h / 4 + 1};
}

void HashCanvas::DrawPicture(int x, int y, const TPicture& picture) {
  Add(4);
  Add(reinterpret_cast<std::uintptr_t>(&picture));
  Add(static_cast<std::uint64_t>(OriginX() + x) << 32 | static_cast<std::uint32_t>(OriginY() + y));
}

std::unique_ptr<Canvas> HashCanvas::CreateBitmap(int width, int height) {
  Add(5);
  Add(static_cast<std::uint64_t>(width) << 32 | static_cast<std::uint32_t>(height));
  return std::make_unique<HashCanvas>(state_);
}

void HashCanvas::Draw(int x, int y, Canvas&) {
  Add(6);
  Add(static_cast<std::uint64_t>(OriginX() + x) << 32 | static_cast<std::uint32_t>(OriginY() + y));
}

}  // namespace zev::ui
