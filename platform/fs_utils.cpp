#include "platform/fs_utils.h"

#include <vector>

#include "platform/error.h"
#include "platform/files.h"
#include "platform/machine.h"
#include "platform/path_names.h"
#include "platform/shell.h"

namespace zev::platform {
namespace {

bool IsDelimiter(char c) { return IsPathSeparator(c) || c == ':'; }

// Everything up to and including the last separator or drive colon.
std::string DirectoryPart(const std::string& path) {
  std::size_t i = path.size();
  while (i > 0 && !IsDelimiter(path[i - 1])) --i;
  return path.substr(0, i);
}

// The text after the last separator or drive colon.
std::string NamePart(const std::string& path) { return path.substr(DirectoryPart(path).size()); }

}  // namespace

bool IsDirectory(const std::string& path) {
  const std::uint32_t attributes = GetFileAttributes(path);
  return attributes != kInvalidAttributes && (attributes & faDirectory);
}

void MakeDirPath(const std::string& dir) {
  if (dir.empty()) throw Exception("Unable to create directory");
  // Walk up to the first folder that exists (or a root), then create downwards. A loop rather
  // than recursion: a path of thousands of components must not exhaust the stack.
  std::vector<std::string> missing;
  std::string current = dir;
  for (;;) {
    if (!current.empty() && IsPathSeparator(current.back())) current.pop_back();
    if (current.size() < 3 || IsDirectory(current) || DirectoryPart(current) == current) break;
    missing.push_back(current);
    current = DirectoryPart(current);
  }
  // Failures are not reported here: the caller notices when it writes into the folder.
  for (auto it = missing.rbegin(); it != missing.rend(); ++it) CreateDirectory(*it);
}

bool HasAttributes(const std::string& path, std::uint16_t bits) {
  return (GetFileAttributes(path) & bits) == bits;
}

void CopyOneFile(const std::string& source, const std::string& dest) {
  std::string target = Machine::Current().ExpandFileName(dest);
  if (HasAttributes(target, faDirectory)) {
    if (!IsPathSeparator(target.back())) target += '\\';
    target += NamePart(source);
  }
  FileStream input(source, fmOpenRead | fmShareDenyWrite);
  FileStream output(target, fmCreate);  // throws EFCreateError(target); input closes on unwinding
  std::vector<char> buffer(8192);
  for (;;) {
    const std::size_t n = input.Read(buffer.data(), buffer.size());
    // A short write (a full disk) must not pass for a finished copy.
    if (n > 0) output.WriteBuffer(buffer.data(), n);
    if (n < buffer.size()) break;
  }
}

void StartProgram(const std::string& file, const std::string& parameters, const std::string& directory,
                  int showCommand) {
  // No fixed-size buffers on the way: strings of any length reach the shell whole.
  ShellExecute(file, parameters, directory, showCommand);
}

void SplitField(std::string& text, char delimiter, std::string& head) {
  const std::size_t p = text.find(delimiter);
  if (p == std::string::npos) {
    head = text;
    return;
  }
  head = text.substr(0, p);
  text.erase(0, p + 1);
}

std::string WindowsDirectory() { return Machine::Current().WindowsDirectory(); }

}  // namespace zev::platform
