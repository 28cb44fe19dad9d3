#include "platform/profile.h"

#include <string_view>

#include "platform/profile_file.h"

namespace zev::platform {

namespace {

bool IsHexDigit(char c, std::uint32_t& digit) {
  if (c >= '0' && c <= '9') digit = static_cast<std::uint32_t>(c - '0');
  else if (c >= 'a' && c <= 'f') digit = static_cast<std::uint32_t>(c - 'a' + 10);
  else if (c >= 'A' && c <= 'F') digit = static_cast<std::uint32_t>(c - 'A' + 10);
  else return false;
  return true;
}

std::int32_t ParseHex(std::string_view digits, std::int32_t defaultValue) {
  if (digits.empty()) return defaultValue;
  std::uint64_t value = 0;
  for (char c : digits) {
    std::uint32_t digit = 0;
    if (!IsHexDigit(c, digit)) return defaultValue;
    value = value * 16 + digit;
    if (value > 0xFFFFFFFFu) return defaultValue;
  }
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(value));
}

std::int32_t ParseDecimal(std::string_view text, std::int32_t defaultValue) {
  bool negative = false;
  if (!text.empty() && (text.front() == '-' || text.front() == '+')) {
    negative = text.front() == '-';
    text.remove_prefix(1);
  }
  if (text.empty()) return defaultValue;
  const std::int64_t limit = negative ? 2147483648LL : 2147483647LL;
  std::int64_t value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return defaultValue;
    value = value * 10 + (c - '0');
    if (value > limit) return defaultValue;
  }
  return static_cast<std::int32_t>(negative ? -value : value);
}

}  // namespace

std::int32_t ParseProfileInt(const std::string& text, std::int32_t defaultValue) {
  const std::string_view view(text);
  if (!view.empty() && view.front() == '$') return ParseHex(view.substr(1), defaultValue);
  if (view.size() > 2 && view[0] == '0' && (view[1] == 'x' || view[1] == 'X')) return ParseHex(view.substr(2), defaultValue);
  return ParseDecimal(view, defaultValue);
}

std::uint32_t GetPrivateProfileString(const std::string& section, const std::string& key,
                                      const std::string& defaultValue, std::string& value,
                                      std::uint32_t bufferSize, const std::string& fileName) {
  value.clear();
  if (bufferSize == 0) return 0;
  if (key.empty()) {
    for (const std::string& name : GetPrivateProfileKeyNames(section, bufferSize, fileName)) {
      value += name;
      value += '\0';
    }
  } else {
    value = ReadProfileValue(section, key, defaultValue, bufferSize, fileName);
  }
  return static_cast<std::uint32_t>(value.size());
}

std::vector<std::string> GetPrivateProfileKeyNames(const std::string& section, std::uint32_t bufferSize,
                                                   const std::string& fileName) {
  std::vector<std::string> names = ReadProfileKeyNames(section, fileName);
  // Windows would cut the last name that does not fit; a cut name is no key of the section, so
  // the listing ends before it instead.
  // The list needs its closing NUL; each name needs its own.
  std::uint64_t used = 1;
  std::size_t fitting = 0;
  while (fitting < names.size() && used + names[fitting].size() + 1 <= bufferSize) {
    used += names[fitting].size() + 1;
    ++fitting;
  }
  names.resize(fitting);
  return names;
}

std::int32_t GetPrivateProfileInt(const std::string& section, const std::string& key, std::int32_t defaultValue,
                                  const std::string& fileName) {
  std::string text;
  GetPrivateProfileString(section, key, "", text, kProfileValueBufferSize, fileName);
  return ParseProfileInt(text, defaultValue);
}

}  // namespace zev::platform
