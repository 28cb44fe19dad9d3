#include "ui/accelerator.h"

#include <cctype>

namespace zev::ui {

std::string StripAccelerator(const std::string& caption, std::size_t& underline) {
  std::string text;
  underline = std::string::npos;
  for (std::size_t i = 0; i < caption.size(); ++i) {
    if (caption[i] == '&' && i + 1 < caption.size()) {
      ++i;
      if (caption[i] != '&' && underline == std::string::npos) underline = text.size();
    }
    text += caption[i];
  }
  return text;
}

char AcceleratorOf(const std::string& caption) {
  std::size_t underline;
  const std::string text = StripAccelerator(caption, underline);
  if (underline == std::string::npos) return 0;
  return static_cast<char>(std::toupper(static_cast<unsigned char>(text[underline])));
}

}  // namespace zev::ui
