// Text without the Windows fonts: fontconfig finds a face for each Windows font name (with fixed
// substitutes for the names the forms use), FreeType measures and rasterises it. On Windows GDI
// does all three with the fonts by name (font_renderer_win32.cpp).
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>

#include "ui/font.h"

// FreeType's library handle, kept opaque so that users need no FreeType headers.
struct FT_LibraryRec_;

namespace zev::ui {

struct TextSize {
  int cx = 0;
  int cy = 0;
};

// The fontconfig pattern that stands in for a Windows font: "Impact" -> DejaVu Sans Condensed
// Bold, "Times New Roman" -> Liberation Serif, "MS Sans Serif" -> Liberation Sans; any other
// name is asked for as it is. Bold adds the bold weight. On Windows, which has the fonts, it is
// the face name itself (":bold" added for the bold weight).
std::string FontPattern(const TFont& font);

class FontRenderer {
 public:
  // One renderer per process: FreeType and the face cache are set up on first use.
  static FontRenderer& Instance();
  ~FontRenderer();
  FontRenderer(const FontRenderer&) = delete;
  FontRenderer& operator=(const FontRenderer&) = delete;

  // The font file that fontconfig chose, or empty when none could be loaded.
  std::string FontFile(const TFont& font);
  // Width of the text (sum of advances) and height of the character cell (ascent + descent).
  // Without a usable face the size is estimated from the pixel height.
  TextSize Measure(const TFont& font, const std::string& text1252);
  // Rasterises the text with the top left corner of its cell at (x, y): plot(x, y, coverage)
  // for each touched pixel, coverage 1..255. False when no face could be loaded.
  bool Render(const TFont& font, const std::string& text1252, int x, int y,
              const std::function<void(int, int, std::uint8_t)>& plot);
  // Another user of fontconfig in the process (Xft, for the FLTK backend's text) still holds
  // its configuration at exit, so it must not be released then.
  void KeepFontconfigAtExit() { releaseFontconfig_ = false; }

 private:
  FontRenderer() = default;
  struct Face;
  struct LibraryRelease {
    void operator()(FT_LibraryRec_* library) const;
  };
  Face* FaceFor(const TFont& font);

  // The faces go before the library that made them: they are declared after it.
  std::unique_ptr<FT_LibraryRec_, LibraryRelease> library_;
  bool libraryFailed_ = false;
  bool usedFontconfig_ = false;
  bool releaseFontconfig_ = true;
  std::map<std::string, std::unique_ptr<Face>> faces_;  // by pattern; empty when the pattern found nothing
};

}  // namespace zev::ui
