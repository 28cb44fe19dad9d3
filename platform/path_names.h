// Names as the program sees them (8-bit Windows-1252) and as the host stores them (UTF-8), and the
// Windows rules for what a name may hold and how a wildcard pattern matches it.
#pragma once

#include <optional>
#include <string>

namespace zev::platform {

// Every Windows-1252 byte has a UTF-8 form (the five unassigned bytes become U+0081 ...).
std::string Win1252ToUtf8(const std::string& text);
// nullopt when text is not valid UTF-8 or holds a character outside Windows-1252.
std::optional<std::string> Utf8ToWin1252(const std::string& text);

// True when name (Windows-1252) can be one component of a Windows path: not empty, not "." or
// "..", and free of \ / : * ? " < > | and control characters.
bool IsValidWindowsName(const std::string& name);

// Case-insensitive wildcard match of one name: "*" any run, "?" any one character, and a pattern
// ending in ".*" also matches the name without an extension (so "*.*" matches every name).
bool MatchesMask(const std::string& name, const std::string& mask);

// True for "\" and "/", the separators of a Windows path.
inline bool IsPathSeparator(char c) { return c == '\\' || c == '/'; }

}  // namespace zev::platform
