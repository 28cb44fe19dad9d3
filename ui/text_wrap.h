// Word wrapping as a multi-line text control does it: each line of the text is a paragraph of
// its own, broken after the last blank that lets the line fit the width; a word wider than the
// whole width is broken between characters.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace zev::ui {

// The width of a piece of text in pixels.
using TextMeasure = std::function<int(const std::string&)>;

// The lines as shown within width pixels. Every input line starts a new output line; an empty
// line stays one empty line. Blanks at a break stay at the end of the line they follow.
std::vector<std::string> WrapLines(const std::vector<std::string>& lines, int width, const TextMeasure& measure);

}  // namespace zev::ui
