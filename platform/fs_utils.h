// The small file-system routines the setup program's forms and components share.
#pragma once

#include <cstdint>
#include <string>

#include "platform/shell.h"

namespace zev::platform {

// True when path exists and is a directory.
bool IsDirectory(const std::string& path);
// Creates dir and every missing parent. An empty dir raises zev::Exception("Unable to create
// directory"); a drive root does nothing; a folder that cannot be created is not reported.
void MakeDirPath(const std::string& dir);
// The same, but a folder that cannot be created raises zev::Exception saying why.
void ForceDirectories(const std::string& dir);
// True when every bit of bits is set on path; a missing path has every bit set.
bool HasAttributes(const std::string& path, std::uint16_t bits);
// Copies source to dest, or into dest when dest is a directory (or missing). Raises
// EFOpenError(source) or EFCreateError(target) when a file cannot be opened or created, and
// EWriteError when the copy cannot be written completely.
void CopyOneFile(const std::string& source, const std::string& dest);
// Opens file with the shell's default action and says what was done (see platform/shell.h: no
// host file is ever executed); failures are not errors. userChose: the user asked for this start.
// Strings of any length reach the shell whole. Inline, so that the file routines here do not tie
// every program that copies a file to the shell.
inline std::string StartProgram(const std::string& file, const std::string& parameters, const std::string& directory,
                                int showCommand, bool userChose = false) {
  return ShellExecute(file, parameters, directory, showCommand, userChose);
}
// Cuts the first field off text at delimiter into head; without a delimiter head is the whole text
// and text stays as it is.
void SplitField(std::string& text, char delimiter, std::string& head);
// The Windows directory without a trailing "\".
std::string WindowsDirectory();

}  // namespace zev::platform
