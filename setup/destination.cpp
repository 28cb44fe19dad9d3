#include "setup/destination.h"

#include <cctype>
#include <exception>

#include "platform/files.h"
#include "platform/fs_utils.h"
#include "platform/machine.h"

namespace zev::setup {
namespace {

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

// Characters that no file or folder name can hold.
bool IsForbidden(char c) {
  return static_cast<unsigned char>(c) < 0x20 || c == ':' || c == '*' || c == '?' || c == '"' || c == '<' ||
         c == '>' || c == '|';
}

}  // namespace

bool IsFullPath(const std::string& path) {
  return path.size() >= 3 && std::isalpha(static_cast<unsigned char>(path[0])) && path[1] == ':' &&
         IsSeparator(path[2]);
}

std::string DestinationProblem(const std::string& destination) {
  const std::string quoted = "\"" + destination + "\"";
  if (destination.find_first_not_of(' ') == std::string::npos)
    return "No destination directory is given. Please choose one, such as C:\\Program Files\\MyApp.";
  if (!IsFullPath(destination))
    return "The destination " + quoted + " is not a full path. It must begin with a drive, such as C:\\.";
  const char drive = static_cast<char>(std::toupper(static_cast<unsigned char>(destination[0])));
  if (!platform::Machine::Current().DriveFolder(drive))
    return "The destination " + quoted + " is on drive " + std::string(1, drive) + ":, which does not exist.";
  for (std::size_t i = 2; i < destination.size(); ++i)
    if (IsForbidden(destination[i]))
      return "The destination " + quoted +
             " contains a character that a directory name cannot hold (control characters and : * ? \" < > |).";

  // Down from the root while the folders exist: the first part that is a file blocks the way.
  try {
    std::string path = destination.substr(0, 3);
    for (std::size_t start = 3; start < destination.size();) {
      std::size_t end = start;
      while (end < destination.size() && !IsSeparator(destination[end])) ++end;
      if (end > start) {
        if (path.back() != '\\') path += '\\';
        path += destination.substr(start, end - start);
        if (platform::FileExists(path)) {
          const bool last = destination.find_first_not_of("\\/", end) == std::string::npos;
          return last ? "The destination " + quoted + " is a file, not a directory."
                      : "The destination " + quoted + " cannot be created: " + path + " is a file.";
        }
        if (!platform::IsDirectory(path)) break;  // the rest is made by the installation
      }
      start = end + 1;
    }
  } catch (const std::exception& e) {
    return "The destination " + quoted + " cannot be used: " + e.what();
  }
  return "";
}

}  // namespace zev::setup
