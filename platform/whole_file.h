// Files read and written whole: a small file (an INI file, a configuration) read into memory at
// once, and replaced at once so that a reader sees either the old file or the new one.
#pragma once

#include <filesystem>
#include <optional>
#include <string>

namespace zev::platform {

// The bytes of the file at windowsPath; nothing when it is missing, cannot be placed or read, or
// is no regular file (a pipe or a device put in its place is not waited on).
std::optional<std::string> ReadWholeFile(const std::string& windowsPath);

// The host side, for the rest of platform/ (whole_file_posix.cpp; a Windows build needs
// whole_file_win32.cpp). They report failure by their results.
enum class HostRead { Read, Missing, Failed };
// Reads the whole regular file at the host path into content. Missing is no failure: the callers
// take a missing file as an empty one that a write will create.
HostRead ReadHostFile(const std::filesystem::path& host, std::string& content);
// Replaces the file's content through a temporary file in the same folder and a rename, so that a
// failed write leaves the old file as it was. The new file keeps an existing one's mode, owner
// and DOS attributes; a missing file is created. False on any failure, or when what stands there
// is no regular file.
bool RewriteHostFile(const std::filesystem::path& host, const std::string& content);

}  // namespace zev::platform
