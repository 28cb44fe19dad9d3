#include "platform/shell.h"

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <system_error>

#include "platform/error.h"
#include "platform/machine.h"

namespace fs = std::filesystem;

namespace zev::platform {
namespace {

SystemLauncher& SystemLauncherInstance() {
  static SystemLauncher launcher;
  return launcher;
}

Launcher* g_launcher = nullptr;

std::optional<fs::path> FindInPath(const char* program) {
  const char* path = std::getenv("PATH");
  if (!path) return std::nullopt;
  std::string dirs = path;
  std::size_t start = 0;
  while (start <= dirs.size()) {
    std::size_t end = dirs.find(':', start);
    if (end == std::string::npos) end = dirs.size();
    fs::path candidate = fs::path(dirs.substr(start, end - start)) / program;
    if (end > start && ::access(candidate.c_str(), X_OK) == 0) return candidate;
    start = end + 1;
  }
  return std::nullopt;
}

// Starts argv detached: the intermediate child exits at once, so the program never has to reap
// the started one and it outlives us. Everything is prepared before fork; the children only call
// async-signal-safe functions.
void SpawnDetached(const std::vector<std::string>& args, const fs::path& workingDir) {
  std::vector<char*> argv;
  for (const auto& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
  argv.push_back(nullptr);
  const std::string dir = workingDir.string();
  const pid_t child = ::fork();
  if (child < 0) return;
  if (child == 0) {
    ::setsid();
    if (::fork() == 0) {
      if (!dir.empty() && ::chdir(dir.c_str()) != 0) ::_exit(127);
      ::execv(argv[0], argv.data());
      ::_exit(127);
    }
    ::_exit(0);
  }
  int status;
  while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
  }
}

}  // namespace

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

void SystemLauncher::Launch(const LaunchRequest& request) {
  try {
    Machine& machine = Machine::Current();
    const fs::path target = machine.ToHostPath(request.file);
    const fs::path workingDir =
        request.directory.empty() ? target.parent_path() : machine.ToHostPath(request.directory);
    struct stat st;
    if (::stat(target.c_str(), &st) != 0) return;
    if (S_ISREG(st.st_mode) && ::access(target.c_str(), X_OK) == 0) {
      std::vector<std::string> args{target.string()};
      for (auto& arg : SplitParameters(request.parameters)) args.push_back(std::move(arg));
      SpawnDetached(args, workingDir);
    } else if (auto opener = FindInPath("xdg-open")) {
      SpawnDetached({opener->string(), target.string()}, workingDir);
    }
  } catch (const Exception&) {
    // A target that cannot be reached starts nothing, silently, as the shell's callers expect.
  }
}

Launcher& CurrentLauncher() { return g_launcher ? *g_launcher : SystemLauncherInstance(); }

Launcher* SetLauncher(Launcher* launcher) {
  Launcher* previous = g_launcher;
  g_launcher = launcher;
  return previous;
}

void ShellExecute(const std::string& file, const std::string& parameters, const std::string& directory,
                  int showCommand) {
  CurrentLauncher().Launch(LaunchRequest{file, parameters, directory, showCommand});
}

}  // namespace zev::platform
