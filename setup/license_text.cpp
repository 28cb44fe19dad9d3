#include "setup/license_text.h"

#include <memory>

#include "platform/error.h"
#include "platform/file_stream.h"

namespace zev::setup {

LicenseText LoadLicenseText(const std::string& windowsPath) {
  LicenseText result;
  // One byte more than is kept tells whether the file goes on.
  std::string text(kLicenseMaxBytes + 1, '\0');
  try {
    platform::FileStream file(windowsPath, platform::fmOpenRead | platform::fmShareDenyNone);
    std::size_t got = 0;
    while (got < text.size()) {
      const std::size_t n = file.Read(text.data() + got, text.size() - got);
      if (n == 0) break;
      got += n;
    }
    text.resize(got);
  } catch (const Exception&) {
    return result;
  }
  if (text.size() > kLicenseMaxBytes) {
    text.resize(kLicenseMaxBytes);
    result.cut = true;
  }
  // Adds a line while there is room; false once the text is cut there.
  auto add = [&result](std::string&& line) {
    if (result.lines.size() == kLicenseMaxLines) {
      result.cut = true;
      return false;
    }
    result.lines.push_back(std::move(line));
    return true;
  };
  std::string line;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c != '\r' && c != '\n') {
      line += c;
      continue;
    }
    if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
    if (!add(std::move(line))) return result;
    line.clear();
  }
  if (!line.empty()) add(std::move(line));
  return result;
}

}  // namespace zev::setup
