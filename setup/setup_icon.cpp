#include "setup/setup_icon.h"

namespace zev::setup {
namespace {

constexpr std::uint32_t kOpaque = 0xFF000000;

void Fill(ui::TPicture& p, int x0, int y0, int x1, int y1, std::uint32_t bgr) {
  for (int y = y0; y < y1; ++y)
    for (int x = x0; x < x1; ++x) p.Pixels[static_cast<std::size_t>(y) * p.Width + x] = kOpaque | bgr;
}

}  // namespace

std::shared_ptr<const ui::TPicture> SetupIcon() {
  auto icon = std::make_shared<ui::TPicture>();
  icon->Width = 32;
  icon->Height = 32;
  icon->Pixels.assign(32 * 32, 0);  // transparent
  Fill(*icon, 2, 2, 30, 30, 0x202020);    // outline
  Fill(*icon, 3, 3, 29, 29, 0x8C3A1E);    // disk body, dark blue
  Fill(*icon, 9, 3, 23, 12, 0xC8C8C8);    // metal shutter
  Fill(*icon, 18, 5, 21, 10, 0x8C3A1E);   // shutter window
  Fill(*icon, 7, 16, 25, 29, 0xF4F4F4);   // label
  Fill(*icon, 9, 19, 23, 20, 0xC06030);   // label lines
  Fill(*icon, 9, 22, 21, 23, 0xC06030);
  Fill(*icon, 9, 25, 18, 26, 0xC06030);
  icon->Pixels[2] = 0;                     // cut corner at the top left, as on a disk
  return icon;
}

}  // namespace zev::setup
