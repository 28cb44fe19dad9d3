#include "setup/wizard_glyphs.h"

#include <algorithm>
#include <array>
#include <cstdlib>

namespace zev::setup {
namespace {

constexpr int kSize = 16;
constexpr std::uint32_t kOpaque = 0xFF000000;

void Dot(ui::TPicture& p, int x, int y, std::uint32_t bgr) {
  if (x >= 0 && y >= 0 && x < p.Width && y < p.Height) p.Pixels[static_cast<std::size_t>(y) * p.Width + x] = kOpaque | bgr;
}

// A line two pixels thick from (x0, y0) to (x1, y1).
void Line(ui::TPicture& p, int x0, int y0, int x1, int y1, std::uint32_t bgr) {
  const int steps = std::max(std::abs(x1 - x0), std::abs(y1 - y0));
  for (int i = 0; i <= steps; ++i) {
    const int x = steps ? x0 + (x1 - x0) * i / steps : x0;
    const int y = steps ? y0 + (y1 - y0) * i / steps : y0;
    Dot(p, x, y, bgr);
    Dot(p, x + 1, y, bgr);
  }
}

// A solid arrow head pointing left (dir -1) or right (dir 1), with a shaft.
void Arrow(ui::TPicture& p, int dir, std::uint32_t bgr) {
  for (int i = 0; i < 6; ++i)
    for (int y = 8 - i; y <= 7 + i; ++y) Dot(p, dir > 0 ? 13 - i : 2 + i, y, bgr);
  for (int x = 3; x <= 12; ++x)
    for (int y = 6; y <= 9; ++y)
      if (dir > 0 ? x < 9 : x > 6) Dot(p, x, y, bgr);
}

std::shared_ptr<const ui::TPicture> Make(TGlyphKind kind) {
  auto p = std::make_shared<ui::TPicture>();
  p->Width = kSize;
  p->Height = kSize;
  p->Pixels.assign(kSize * kSize, 0);
  switch (kind) {
    case TGlyphKind::gkOK:
      Line(*p, 2, 8, 6, 12, 0x008000);
      Line(*p, 6, 12, 13, 3, 0x008000);
      break;
    case TGlyphKind::gkCancel:
      Line(*p, 3, 3, 12, 12, 0x0000C0);
      Line(*p, 12, 3, 3, 12, 0x0000C0);
      break;
    case TGlyphKind::gkBack:
      Arrow(*p, -1, 0x800000);
      break;
    case TGlyphKind::gkNext:
      Arrow(*p, 1, 0x800000);
      break;
    case TGlyphKind::gkInstall:  // a disk, as on the program's icon
      for (int y = 2; y < 14; ++y)
        for (int x = 2; x < 14; ++x) Dot(*p, x, y, 0x8C3A1E);
      for (int y = 2; y < 6; ++y)
        for (int x = 5; x < 11; ++x) Dot(*p, x, y, 0xC8C8C8);
      for (int y = 8; y < 14; ++y)
        for (int x = 4; x < 12; ++x) Dot(*p, x, y, 0xF4F4F4);
      break;
    case TGlyphKind::gkBrowse:  // an open folder
      for (int y = 4; y < 13; ++y)
        for (int x = 1; x < 14; ++x)
          if (y > 4 || x <= 6) Dot(*p, x, y, 0x00C0E0);
      for (int x = 1; x < 14; ++x) Dot(*p, x, 12, 0x006080);
      break;
  }
  return p;
}

}  // namespace

std::shared_ptr<const ui::TPicture> WizardGlyph(TGlyphKind kind) {
  static const std::array<std::shared_ptr<const ui::TPicture>, 6> glyphs = {
      Make(TGlyphKind::gkOK),      Make(TGlyphKind::gkCancel),  Make(TGlyphKind::gkBack),
      Make(TGlyphKind::gkNext),    Make(TGlyphKind::gkInstall), Make(TGlyphKind::gkBrowse)};
  return glyphs[static_cast<std::size_t>(kind)];
}

}  // namespace zev::setup
