// Colours as the forms store them: 0x00BBGGRR for plain colours (red in the low byte), or a
// system colour 0x80000000 | index that resolves through the classic Windows colour table.
#pragma once

#include <cstdint>

namespace zev::ui {

using TColor = std::uint32_t;

constexpr TColor clBlack = 0x000000, clWhite = 0xFFFFFF, clRed = 0x0000FF, clLime = 0x00FF00,
                 clBlue = 0xFF0000, clAqua = 0xFFFF00, clNavy = 0x800000, clGray = 0x808080,
                 clSilver = 0xC0C0C0;

constexpr TColor kSystemColorFlag = 0x80000000;
// Marks a colour as taken from the selected palette (the band colours of a gradient).
constexpr TColor kPaletteRelativeFlag = 0x02000000;

constexpr TColor clScrollBar = 0x80000000, clBackground = 0x80000001, clActiveCaption = 0x80000002,
                 clInactiveCaption = 0x80000003, clMenu = 0x80000004, clWindow = 0x80000005,
                 clWindowFrame = 0x80000006, clMenuText = 0x80000007, clWindowText = 0x80000008,
                 clCaptionText = 0x80000009, clActiveBorder = 0x8000000A, clInactiveBorder = 0x8000000B,
                 clAppWorkSpace = 0x8000000C, clHighlight = 0x8000000D, clHighlightText = 0x8000000E,
                 clBtnFace = 0x8000000F, clBtnShadow = 0x80000010, clGrayText = 0x80000011,
                 clBtnText = 0x80000012, clInactiveCaptionText = 0x80000013, clBtnHighlight = 0x80000014,
                 cl3DDkShadow = 0x80000015, cl3DLight = 0x80000016, clInfoText = 0x80000017,
                 clInfoBk = 0x80000018;

// The plain 0x00BBGGRR value: system colours are looked up (an unknown index gives black, as
// the system does), every other high-byte flag is dropped.
TColor ColorToRGB(TColor color);

inline std::uint8_t RedOf(TColor rgb) { return static_cast<std::uint8_t>(rgb & 0xFF); }
inline std::uint8_t GreenOf(TColor rgb) { return static_cast<std::uint8_t>((rgb >> 8) & 0xFF); }
inline std::uint8_t BlueOf(TColor rgb) { return static_cast<std::uint8_t>((rgb >> 16) & 0xFF); }
inline TColor MakeRGB(unsigned r, unsigned g, unsigned b) {
  return (r & 0xFF) | ((g & 0xFF) << 8) | ((b & 0xFF) << 16);
}

}  // namespace zev::ui
