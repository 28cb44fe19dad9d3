#include "platform/text.h"

namespace zev {

unsigned char UpCase1252(unsigned char c) {
  if (c >= 'a' && c <= 'z') return static_cast<unsigned char>(c - 32);
  // Latin-1 letters: 0xE0..0xFE map to 0xC0..0xDE, except the division sign 0xF7.
  if (c >= 0xE0 && c <= 0xFE && c != 0xF7) return static_cast<unsigned char>(c - 32);
  switch (c) {
    case 0x9A: return 0x8A;  // s caron
    case 0x9C: return 0x8C;  // oe
    case 0x9E: return 0x8E;  // z caron
    case 0xFF: return 0x9F;  // y diaeresis
    default: return c;
  }
}

unsigned char LowCase1252(unsigned char c) {
  if (c >= 'A' && c <= 'Z') return static_cast<unsigned char>(c + 32);
  if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return static_cast<unsigned char>(c + 32);
  switch (c) {
    case 0x8A: return 0x9A;
    case 0x8C: return 0x9C;
    case 0x8E: return 0x9E;
    case 0x9F: return 0xFF;
    default: return c;
  }
}

std::string UpperCase(std::string s) {
  for (char& c : s) c = static_cast<char>(UpCase1252(static_cast<unsigned char>(c)));
  return s;
}

std::string LowerCase(std::string s) {
  for (char& c : s) c = static_cast<char>(LowCase1252(static_cast<unsigned char>(c)));
  return s;
}

bool SameText(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (UpCase1252(static_cast<unsigned char>(a[i])) != UpCase1252(static_cast<unsigned char>(b[i]))) return false;
  return true;
}

}  // namespace zev
