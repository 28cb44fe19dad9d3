// Program start and the shell's folders on Windows.
#include <windows.h>
#include <objbase.h>
#include <shellapi.h>
#include <shlobj.h>
// This layer's function of the same name is the one defined below.
#undef ShellExecute

#include <cstdint>
#include <string>

#include "platform/error.h"
#include "platform/machine.h"
#include "platform/path_names.h"
#include "platform/shell.h"

namespace zev::platform {
namespace {

// The shell starts some files through handlers that expect COM on the calling thread.
class ComScope {
 public:
  ComScope() : initialised_(SUCCEEDED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE))) {}
  ~ComScope() {
    if (initialised_) ::CoUninitialize();
  }
  ComScope(const ComScope&) = delete;
  ComScope& operator=(const ComScope&) = delete;

 private:
  bool initialised_;
};

// One of the shell's folders, created when missing; thrown when the system has none.
std::string ShellFolder(int csidl, const char* what) {
  char path[MAX_PATH] = {};
  if (FAILED(::SHGetFolderPathA(nullptr, csidl | CSIDL_FLAG_CREATE, nullptr, SHGFP_TYPE_CURRENT, path)))
    throw Exception(std::string("the system names no ") + what + " folder");
  std::string folder = path;
  if (folder.size() > 3 && folder.back() == '\\') folder.pop_back();
  return folder;
}

// The shell's failures below 32, in words.
std::string ShellFailure(std::intptr_t code) {
  switch (code) {
    case 0:
    case SE_ERR_OOM:
      return "the system is out of memory";
    case ERROR_FILE_NOT_FOUND:
      return "the file was not found";
    case ERROR_PATH_NOT_FOUND:
      return "the folder was not found";
    case ERROR_BAD_FORMAT:
      return "it is no valid program";
    case SE_ERR_ACCESSDENIED:
      return "access was denied";
    case SE_ERR_NOASSOC:
      return "no program is associated with it";
    default:
      return "the shell refused it (" + std::to_string(code) + ")";
  }
}

}  // namespace

ShellFolders GetShellFolders() {
  // A machine whose C: is a folder (tests) keeps the folders of the stand-in beneath its WINDOWS
  // folder, so nothing is written into the system's own.
  Machine& machine = Machine::Current();
  if (!machine.HasSystemWindowsDirectory()) return StandInShellFolders(machine.WindowsDirectory());
  // The installer runs as an administrator and installs for every user of the machine.
  return {ShellFolder(CSIDL_COMMON_DESKTOPDIRECTORY, "Desktop"), ShellFolder(CSIDL_COMMON_STARTMENU, "Start Menu"),
          ShellFolder(CSIDL_COMMON_PROGRAMS, "Programs")};
}

std::string SystemLauncher::Launch(const LaunchRequest& request) {
  const std::string directory = request.directory.empty() ? FolderPart(request.file) : request.directory;
  const ComScope com;
  const auto result = reinterpret_cast<std::intptr_t>(
      ::ShellExecuteA(nullptr, nullptr, request.file.c_str(), request.parameters.empty() ? nullptr : request.parameters.c_str(),
                      directory.empty() ? nullptr : directory.c_str(), request.showCommand));
  if (result <= 32) return "not started: " + request.file + ": " + ShellFailure(result);
  return "started: " + request.file;
}

}  // namespace zev::platform
