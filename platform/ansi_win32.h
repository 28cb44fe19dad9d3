// The ANSI code page between the program's 8-bit names and the UTF-16 that std::filesystem keeps
// on Windows, for the *_win32.cpp files of platform/ alone. (std::filesystem itself converts
// narrow text through the C locale, which maps bytes 0x80..0x9F to the wrong characters.)
#pragma once

#include <windows.h>

#include <filesystem>
#include <optional>
#include <string>

namespace zev::platform {

inline std::wstring WideFromAnsi(const std::string& text) {
  if (text.empty()) return {};
  const int size = static_cast<int>(text.size());
  const int length = ::MultiByteToWideChar(CP_ACP, 0, text.data(), size, nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(length > 0 ? length : 0), L'\0');
  if (length > 0) ::MultiByteToWideChar(CP_ACP, 0, text.data(), size, wide.data(), length);
  return wide;
}

// Nothing when a character has no ANSI form.
inline std::optional<std::string> AnsiFromWide(const std::wstring& wide) {
  if (wide.empty()) return std::string();
  const int size = static_cast<int>(wide.size());
  BOOL defaulted = FALSE;
  const int length =
      ::WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.data(), size, nullptr, 0, nullptr, &defaulted);
  if (length <= 0 || defaulted) return std::nullopt;
  std::string text(static_cast<std::size_t>(length), '\0');
  ::WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.data(), size, text.data(), length, nullptr, &defaulted);
  if (defaulted) return std::nullopt;
  return text;
}

// The ANSI form of a host path for the "A" functions; empty (which every one of them refuses)
// when the path has no such form.
inline std::string Ansi(const std::filesystem::path& host) { return AnsiFromWide(host.native()).value_or(""); }

}  // namespace zev::platform
