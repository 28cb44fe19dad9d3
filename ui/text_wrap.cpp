#include "ui/text_wrap.h"

namespace zev::ui {
namespace {

// Where the line that starts at start ends: after the last blank that lets it fit (blanks at
// the break hang past the width), else after as many characters as fit, at least one so that
// the text always moves on. Found by halving, so that a long line costs few measurements.
std::size_t BreakPoint(const std::string& text, std::size_t start, int width, const TextMeasure& measure) {
  if (measure(text.substr(start)) <= width) return text.size();
  std::size_t fits = start + 1;
  for (std::size_t low = start + 1, high = text.size() - 1; low <= high;) {
    const std::size_t middle = low + (high - low) / 2;
    if (measure(text.substr(start, middle - start)) <= width) {
      fits = middle;
      low = middle + 1;
    } else {
      high = middle - 1;
    }
  }
  std::size_t end = fits;
  while (end < text.size() && text[end] == ' ') ++end;
  if (end > fits || text[fits - 1] == ' ') return end;
  const std::size_t blank = text.find_last_of(' ', fits - 1);
  if (blank != std::string::npos && blank >= start) return blank + 1;
  return fits;  // one word wider than the line
}

}  // namespace

std::vector<std::string> WrapLines(const std::vector<std::string>& lines, int width, const TextMeasure& measure) {
  std::vector<std::string> shown;
  for (const std::string& line : lines) {
    if (line.empty()) shown.emplace_back();
    for (std::size_t start = 0; start < line.size();) {
      const std::size_t end = BreakPoint(line, start, width, measure);
      shown.push_back(line.substr(start, end - start));
      start = end;
    }
  }
  return shown;
}

}  // namespace zev::ui
