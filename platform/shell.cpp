#include "platform/shell.h"

#include <algorithm>
#include <initializer_list>

namespace zev::platform {
namespace {

SystemLauncher& SystemLauncherInstance() {
  static SystemLauncher launcher;
  return launcher;
}

Launcher* g_launcher = nullptr;

std::vector<std::string>& RunnerCommand() {
  static std::vector<std::string> command;
  return command;
}

}  // namespace

std::string LowerExtension(const std::string& name) {
  const std::size_t dot = name.find_last_of(".\\/:");
  if (dot == std::string::npos || name[dot] != '.') return {};
  std::string extension = name.substr(dot + 1);
  for (char& c : extension)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return extension;
}

bool HasExtension(const std::string& name, std::initializer_list<const char*> extensions) {
  const std::string extension = LowerExtension(name);
  return std::any_of(extensions.begin(), extensions.end(), [&](const char* e) { return extension == e; });
}

std::vector<std::string> SplitParameters(const std::string& parameters) {
  std::vector<std::string> args;
  std::string current;
  bool inQuotes = false, haveArg = false;
  for (char c : parameters) {
    if (c == '"') {
      inQuotes = !inQuotes;
      haveArg = true;
    } else if ((c == ' ' || c == '\t') && !inQuotes) {
      if (haveArg) args.push_back(current);
      current.clear();
      haveArg = false;
    } else {
      current += c;
      haveArg = true;
    }
  }
  if (haveArg) args.push_back(current);
  return args;
}

bool IsWindowsProgramName(const std::string& name) {
  return HasExtension(name, {"exe", "com", "bat", "cmd", "pif", "scr", "lnk", "msi", "cpl", "msc", "hta",
                                      "vbs", "vbe", "js", "jse", "wsf", "wsh"});
}

void SetProgramRunner(const std::string& command) { RunnerCommand() = SplitParameters(command); }

const std::vector<std::string>& ProgramRunner() { return RunnerCommand(); }

Launcher& CurrentLauncher() { return g_launcher ? *g_launcher : SystemLauncherInstance(); }

Launcher* SetLauncher(Launcher* launcher) {
  Launcher* previous = g_launcher;
  g_launcher = launcher;
  return previous;
}

std::string ShellExecute(const std::string& file, const std::string& parameters, const std::string& directory,
                         int showCommand, bool userChose) {
  return CurrentLauncher().Launch(LaunchRequest{file, parameters, directory, showCommand, userChose});
}

ShellFolders StandInShellFolders(const std::string& windowsDirectory) {
  return {windowsDirectory + "\\Desktop", windowsDirectory + "\\Start Menu",
          windowsDirectory + "\\Start Menu\\Programs"};
}

}  // namespace zev::platform
