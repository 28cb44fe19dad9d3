#include "ui/font_renderer.h"

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <memory>

#include "platform/path_names.h"
#include "platform/text.h"

namespace zev::ui {

// A face that fontconfig chose, open in FreeType.
struct FontRenderer::Face {
  Face(FT_Face opened, std::string path) : face(opened), file(std::move(path)) {}
  ~Face() { FT_Done_Face(face); }
  Face(const Face&) = delete;
  Face& operator=(const Face&) = delete;

  FT_Face face;
  std::string file;
};

void FontRenderer::LibraryRelease::operator()(FT_LibraryRec_* library) const { FT_Done_FreeType(library); }

namespace {

// Beyond this a "font size" from a configuration file is a mistake, not a wish for a glyph the
// size of a wall; rendering clamps to it so that no input can ask for gigantic bitmaps.
constexpr int kMaxPixelHeight = 512;

struct PatternRelease {
  void operator()(FcPattern* pattern) const { FcPatternDestroy(pattern); }
};
using PatternHandle = std::unique_ptr<FcPattern, PatternRelease>;

int ClampedHeight(const TFont& font) {
  const int h = font.Height < 0 ? -font.Height : font.Height;
  return std::clamp(h, 1, kMaxPixelHeight);
}

// Unicode code points of a Windows-1252 text.
std::u32string CodePoints(const std::string& text1252) {
  const std::string utf8 = platform::Win1252ToUtf8(text1252);
  std::u32string out;
  for (std::size_t i = 0; i < utf8.size();) {
    const unsigned char c = static_cast<unsigned char>(utf8[i]);
    char32_t cp = c;
    std::size_t extra = 0;
    if (c >= 0xF0) cp = c & 0x07, extra = 3;
    else if (c >= 0xE0) cp = c & 0x0F, extra = 2;
    else if (c >= 0xC0) cp = c & 0x1F, extra = 1;
    for (std::size_t k = 1; k <= extra && i + k < utf8.size(); ++k)
      cp = (cp << 6) | (static_cast<unsigned char>(utf8[i + k]) & 0x3F);
    out.push_back(cp);
    i += extra + 1;
  }
  return out;
}

}  // namespace

std::string FontPattern(const TFont& font) {
  const std::string name = LowerCase(font.Name);
  std::string pattern;
  bool bold = font.Bold;
  if (name == "impact") {
    pattern = "DejaVu Sans Condensed";
    bold = true;
  } else if (name == "times new roman") {
    pattern = "Liberation Serif";
  } else if (name == "ms sans serif") {
    pattern = "Liberation Sans";
  } else {
    // Characters with a meaning in fontconfig patterns are dropped, so a name cannot add options.
    for (char c : font.Name)
      if (c != ':' && c != '=' && c != '\\' && c != ',' && c != '-') pattern += c;
    if (pattern.empty()) pattern = "Liberation Sans";
  }
  if (bold) pattern += ":bold";
  return pattern;
}

FontRenderer& FontRenderer::Instance() {
  static FontRenderer renderer;
  return renderer;
}

FontRenderer::~FontRenderer() {
  faces_.clear();
  library_.reset();
  // Releases fontconfig's default configuration, which it otherwise keeps until the process
  // ends; nothing else in the program uses fontconfig.
  if (usedFontconfig_ && releaseFontconfig_) FcFini();
}

FontRenderer::Face* FontRenderer::FaceFor(const TFont& font) {
  if (!library_ && !libraryFailed_) {
    FT_Library library = nullptr;
    if (FT_Init_FreeType(&library) == 0) library_.reset(library);
    else libraryFailed_ = true;
  }
  if (!library_) return nullptr;
  const std::string pattern = FontPattern(font);
  auto found = faces_.find(pattern);
  if (found != faces_.end()) return found->second.get();

  std::unique_ptr<Face> result;
  usedFontconfig_ = true;
  const PatternHandle query(FcNameParse(reinterpret_cast<const FcChar8*>(pattern.c_str())));
  if (query) {
    FcConfigSubstitute(nullptr, query.get(), FcMatchPattern);
    FcDefaultSubstitute(query.get());
    FcResult matchResult = FcResultNoMatch;
    const PatternHandle match(FcFontMatch(nullptr, query.get(), &matchResult));
    FcChar8* file = nullptr;
    int index = 0;
    if (match && FcPatternGetString(match.get(), FC_FILE, 0, &file) == FcResultMatch) {
      FcPatternGetInteger(match.get(), FC_INDEX, 0, &index);
      FT_Face face = nullptr;
      if (FT_New_Face(library_.get(), reinterpret_cast<const char*>(file), index, &face) == 0)
        result = std::make_unique<Face>(face, reinterpret_cast<const char*>(file));
    }
  }
  return (faces_[pattern] = std::move(result)).get();
}

std::string FontRenderer::FontFile(const TFont& font) {
  Face* face = FaceFor(font);
  return face ? face->file : std::string();
}

TextSize FontRenderer::Measure(const TFont& font, const std::string& text1252) {
  const int height = ClampedHeight(font);
  Face* face = FaceFor(font);
  if (!face || FT_Set_Pixel_Sizes(face->face, 0, static_cast<FT_UInt>(height)) != 0)
    return {static_cast<int>(text1252.size()) * (height * 3 / 5), height + height / 5};
  TextSize size;
  const FT_Size_Metrics& metrics = face->face->size->metrics;
  size.cy = static_cast<int>((metrics.ascender - metrics.descender + 63) >> 6);
  for (char32_t cp : CodePoints(text1252)) {
    if (FT_Load_Char(face->face, cp, FT_LOAD_DEFAULT) != 0) continue;
    size.cx += static_cast<int>((face->face->glyph->advance.x + 32) >> 6);
  }
  return size;
}

bool FontRenderer::Render(const TFont& font, const std::string& text1252, int x, int y,
                          const std::function<void(int, int, std::uint8_t)>& plot) {
  Face* face = FaceFor(font);
  if (!face || FT_Set_Pixel_Sizes(face->face, 0, static_cast<FT_UInt>(ClampedHeight(font))) != 0) return false;
  const int baseline = y + static_cast<int>((face->face->size->metrics.ascender + 63) >> 6);
  int penX = x;
  for (char32_t cp : CodePoints(text1252)) {
    if (FT_Load_Char(face->face, cp, FT_LOAD_RENDER) != 0) continue;
    const FT_GlyphSlot glyph = face->face->glyph;
    const FT_Bitmap& bitmap = glyph->bitmap;
    if (bitmap.pixel_mode == FT_PIXEL_MODE_GRAY) {
      const int left = penX + glyph->bitmap_left;
      const int top = baseline - glyph->bitmap_top;
      for (unsigned row = 0; row < bitmap.rows; ++row) {
        const unsigned char* line = bitmap.buffer + static_cast<std::ptrdiff_t>(row) * bitmap.pitch;
        for (unsigned col = 0; col < bitmap.width; ++col)
          if (line[col]) plot(left + static_cast<int>(col), top + static_cast<int>(row), line[col]);
      }
    }
    penX += static_cast<int>((glyph->advance.x + 32) >> 6);
  }
  return true;
}

}  // namespace zev::ui
