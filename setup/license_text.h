// The licence text the wizard shows, read with bounds: a package may hold any license.txt, and a
// line costs the memo far more memory than its bytes.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace zev::setup {

inline constexpr std::size_t kLicenseMaxBytes = 1 << 20;
inline constexpr std::size_t kLicenseMaxLines = 10000;

struct LicenseText {
  std::vector<std::string> lines;
  // The file held more than kLicenseMaxBytes bytes or kLicenseMaxLines lines; the rest is left out.
  bool cut = false;
};

// The lines of the file as a memo loads them: CR LF, LF and CR each end a line, and a final line
// break adds no empty line. A file that cannot be read gives no lines.
LicenseText LoadLicenseText(const std::string& windowsPath);

}  // namespace zev::setup
