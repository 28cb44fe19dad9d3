// Names as the program sees them (8-bit Windows-1252) and as the host stores them (UTF-8), and the
// Windows rules for what a name may hold and how a wildcard pattern matches it.
#pragma once

#include <cstddef>
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

// Windows' MAX_PATH: a full path and its terminating NUL fit in 260 characters. Stored names and
// paths on the machine's own drive are held to it.
constexpr std::size_t kMaxPathLength = 259;
// The longest single name Windows accepts.
constexpr std::size_t kMaxNameLength = 255;

// The one way a stored or configured name is cut into folder and file name: at its last "\",
// "/" or ":". FolderPart keeps that character; FileNamePart is the text after it.
std::string FolderPart(const std::string& name);
std::string FileNamePart(const std::string& name);
// Why the name cannot stand for one file: longer than kMaxPathLength, or a file-name part that
// is not one valid name (empty, "." or "..", a reserved or control character, too long). Empty
// when it can.
std::string FileNameProblem(const std::string& name);

}  // namespace zev::platform
