// A small picture held in memory: an icon or a button glyph, with transparency.
#pragma once

#include <cstdint>
#include <vector>

namespace zev::ui {

struct TPicture {
  int Width = 0;
  int Height = 0;
  // Row by row, 0xAABBGGRR: alpha in the high byte (0 transparent, 255 opaque), then the colour
  // in the usual 0x00BBGGRR order.
  std::vector<std::uint32_t> Pixels;

  bool Empty() const { return Width <= 0 || Height <= 0; }
  std::uint32_t At(int x, int y) const { return Pixels[static_cast<std::size_t>(y) * Width + x]; }
};

}  // namespace zev::ui
