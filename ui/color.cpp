#include "ui/color.h"

#include <array>

namespace zev::ui {
namespace {

// The classic Windows scheme, indexed by system colour number, as 0x00BBGGRR.
constexpr std::array<TColor, 25> kSystemColors = {
    0xC0C0C0,  // scroll bar
    0x808000,  // desktop background (teal)
    0x800000,  // active caption (navy)
    0x808080,  // inactive caption
    0xC0C0C0,  // menu
    0xFFFFFF,  // window
    0x000000,  // window frame
    0x000000,  // menu text
    0x000000,  // window text
    0xFFFFFF,  // caption text
    0xC0C0C0,  // active border
    0xC0C0C0,  // inactive border
    0x808080,  // application workspace
    0x800000,  // highlight
    0xFFFFFF,  // highlight text
    0xC0C0C0,  // button face
    0x808080,  // button shadow
    0x808080,  // grey text
    0x000000,  // button text
    0xC0C0C0,  // inactive caption text
    0xFFFFFF,  // button highlight
    0x000000,  // 3D dark shadow
    0xDFDFDF,  // 3D light
    0x000000,  // tooltip text
    0xE1FFFF,  // tooltip background
};

}  // namespace

TColor ColorToRGB(TColor color) {
  if (color & kSystemColorFlag) {
    const TColor index = color & 0xFF;
    return index < kSystemColors.size() ? kSystemColors[index] : clBlack;
  }
  return color & 0x00FFFFFF;
}

}  // namespace zev::ui
