// Windows only: the GDI fonts behind the font renderer, which the Win32 backend draws with too,
// so that what is measured is what is drawn.
#pragma once

#include <string>

#include "ui/font.h"

struct HFONT__;

namespace zev::ui {

// The GDI font for a model font, made with CreateFontA on first use and kept for the process.
// The height is the character (em) height in pixels, clamped to what a form can sensibly ask.
HFONT__* GdiFont(const TFont& font);
// A Windows-1252 text as the wide-character calls take it: drawn through them, it shows the same
// whatever the system's ANSI code page.
std::wstring WideText(const std::string& text1252);

}  // namespace zev::ui
