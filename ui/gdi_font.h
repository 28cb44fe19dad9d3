// Windows only: the GDI pieces behind the font renderer that the Win32 backend draws with too:
// the fonts, so that what is measured is what is drawn, and the bitmaps both read pixels from.
#pragma once

#include <string>

#include "ui/font.h"

struct HBITMAP__;
struct HDC__;
struct HFONT__;

namespace zev::ui {

// The GDI font for a model font, made with CreateFontA on first use and kept for the process.
// The height is the character (em) height in pixels, clamped to what a form can sensibly ask.
HFONT__* GdiFont(const TFont& font);
// A Windows-1252 text as the wide-character calls take it: drawn through them, it shows the same
// whatever the system's ANSI code page.
std::wstring WideText(const std::string& text1252);

// A 32-bit bitmap of the size given, compatible with dc, its rows top down and each pixel
// 0xAARRGGBB at *bits; nullptr when the system has no room for it.
HBITMAP__* TopDownBitmap(HDC__* dc, int width, int height, void** bits);

}  // namespace zev::ui
