#include "platform/path_names.h"

#include <cstdint>
#include <string>

#include "platform/text.h"

namespace zev::platform {
namespace {

// Code points of 0x80..0x9F; the unassigned bytes keep their C1 control code point so that every
// byte survives a round trip.
constexpr char32_t kHighControls[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

char32_t CodePointOf(unsigned char c) {
  if (c >= 0x80 && c <= 0x9F) return kHighControls[c - 0x80];
  return c;
}

std::optional<unsigned char> ByteOf(char32_t cp) {
  if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) return static_cast<unsigned char>(cp);
  for (unsigned i = 0; i < 32; ++i)
    if (kHighControls[i] == cp) return static_cast<unsigned char>(0x80 + i);
  return std::nullopt;
}

void AppendUtf8(std::string& out, char32_t cp) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

bool MatchFrom(const std::string& name, std::size_t n, const std::string& mask, std::size_t m) {
  // Iterative glob with one backtrack point: linear enough for any name length, no recursion.
  std::size_t starMask = std::string::npos, starName = 0;
  while (n < name.size()) {
    if (m < mask.size() && mask[m] == '*') {
      starMask = m++;
      starName = n;
    } else if (m < mask.size() &&
               (mask[m] == '?' || UpCase1252(static_cast<unsigned char>(mask[m])) ==
                                      UpCase1252(static_cast<unsigned char>(name[n])))) {
      ++m;
      ++n;
    } else if (starMask != std::string::npos) {
      m = starMask + 1;
      n = ++starName;
    } else {
      return false;
    }
  }
  while (m < mask.size() && mask[m] == '*') ++m;
  return m == mask.size();
}

}  // namespace

std::string Win1252ToUtf8(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) AppendUtf8(out, CodePointOf(static_cast<unsigned char>(c)));
  return out;
}

std::optional<std::string> Utf8ToWin1252(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  std::size_t i = 0;
  while (i < text.size()) {
    auto lead = static_cast<unsigned char>(text[i]);
    char32_t cp;
    std::size_t extra;
    if (lead < 0x80) {
      cp = lead;
      extra = 0;
    } else if (lead >= 0xC2 && lead <= 0xDF) {
      cp = lead & 0x1F;
      extra = 1;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
      cp = lead & 0x0F;
      extra = 2;
    } else {
      return std::nullopt;  // invalid lead byte, or a code point beyond the BMP: never 1252
    }
    if (extra > text.size() - i - 1) return std::nullopt;  // truncated sequence
    for (std::size_t k = 1; k <= extra; ++k) {
      auto cont = static_cast<unsigned char>(text[i + k]);
      if ((cont & 0xC0) != 0x80) return std::nullopt;
      cp = (cp << 6) | (cont & 0x3F);
    }
    if (extra == 2 && cp < 0x800) return std::nullopt;  // overlong
    auto byte = ByteOf(cp);
    if (!byte) return std::nullopt;
    out += static_cast<char>(*byte);
    i += extra + 1;
  }
  return out;
}

bool IsValidWindowsName(const std::string& name) {
  if (name.empty() || name == "." || name == "..") return false;
  for (char ch : name) {
    auto c = static_cast<unsigned char>(ch);
    if (c < 0x20 || c == 0x7F) return false;
    if (CodePointOf(c) >= 0x80 && CodePointOf(c) <= 0x9F) return false;  // unassigned bytes: C1 controls
    switch (c) {
      case '\\': case '/': case ':': case '*': case '?': case '"': case '<': case '>': case '|':
        return false;
      default:
        break;
    }
  }
  return true;
}

std::string FolderPart(const std::string& name) {
  std::size_t i = name.size();
  while (i > 0 && !IsPathSeparator(name[i - 1]) && name[i - 1] != ':') --i;
  return name.substr(0, i);
}

std::string FileNamePart(const std::string& name) { return name.substr(FolderPart(name).size()); }

std::string FileNameProblem(const std::string& name) {
  if (name.size() > kMaxPathLength) return "the name is longer than " + std::to_string(kMaxPathLength) + " characters";
  const std::string file = FileNamePart(name);
  if (file.empty()) return "the name ends in a folder, it names no file";
  if (file == "." || file == "..") return "the name ends in \"" + file + "\", it names no file";
  if (file.size() > kMaxNameLength) return "the file name is longer than " + std::to_string(kMaxNameLength) + " characters";
  if (!IsValidWindowsName(file)) return "the file name holds a character that no file name may hold";
  return {};
}

bool MatchesMask(const std::string& name, const std::string& mask) {
  if (MatchFrom(name, 0, mask, 0)) return true;
  // "name.*" also stands for "name" without any extension.
  if (mask.size() >= 2 && mask.compare(mask.size() - 2, 2, ".*") == 0 && name.find('.') == std::string::npos)
    return MatchFrom(name, 0, mask.substr(0, mask.size() - 2), 0);
  return false;
}

}  // namespace zev::platform
