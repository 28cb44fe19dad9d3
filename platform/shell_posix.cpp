#include "platform/shell.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <optional>

#include "platform/descriptor_posix.h"
#include "platform/error.h"
#include "platform/machine.h"

namespace fs = std::filesystem;

namespace zev::platform {
namespace {

std::optional<fs::path> FindInPath(const std::string& program) {
  if (program.find('/') != std::string::npos) {
    if (::access(program.c_str(), X_OK) == 0) return fs::path(program);
    return std::nullopt;
  }
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

// Why the host would run the file itself rather than show it, or empty. A Windows program starts
// with "MZ" and a batch file is text, so a file that starts like an ELF binary or a "#!" script
// is a host program whatever its name says; a runner such as wine would start those natively.
std::string HostExecutableReason(const fs::path& target) {
  const Descriptor fd(::open(target.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
  if (!fd.valid()) return "it cannot be read";
  unsigned char head[4] = {};
  const ssize_t n = ::read(fd.get(), head, sizeof head);
  if (n >= 2 && head[0] == '#' && head[1] == '!') return "it is a host script";
  if (n == 4 && head[0] == 0x7F && head[1] == 'E' && head[2] == 'L' && head[3] == 'F') return "it is a host executable";
  return {};
}

// Why a document must not go to the desktop's opener, or empty: the opener runs what it takes for
// a program (an executable file, a .desktop entry, a Java archive, an installer package).
std::string DisguisedProgramReason(const fs::path& target, const struct stat& st) {
  if (st.st_mode & 0111) return "it has the execute bit";
  const std::string name = target.filename().string();
  if (HasExtension(name, {"desktop", "jar", "appimage", "flatpakref", "flatpakrepo", "deb", "rpm", "sh", "run"}))
    return "the desktop would run a ." + LowerExtension(name) + " file";
  return HostExecutableReason(target);
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

ShellFolders GetShellFolders() { return StandInShellFolders(Machine::Current().WindowsDirectory()); }

std::string SystemLauncher::Launch(const LaunchRequest& request) {
  fs::path target, workingDir;
  try {
    Machine& machine = Machine::Current();
    target = machine.ToHostPath(request.file);
    workingDir = request.directory.empty() ? target.parent_path() : machine.ToHostPath(request.directory);
  } catch (const Exception& e) {
    return "not started: " + e.Message();
  }
  struct stat st;
  if (::stat(target.c_str(), &st) != 0) return "not started: " + request.file + " does not exist";
  if (!S_ISREG(st.st_mode)) return "not started: " + request.file + " is not a file";

  if (IsWindowsProgramName(request.file)) {
    const std::vector<std::string>& runner = ProgramRunner();
    if (runner.empty())
      return "not started: " + request.file + " is a Windows program and no program runner is configured";
    if (std::string reason = HostExecutableReason(target); !reason.empty())
      return "not started: " + request.file + " is no Windows program (" + reason + ")";
    auto program = FindInPath(runner[0]);
    if (!program) return "not started: the program runner " + runner[0] + " was not found";
    std::vector<std::string> args{program->string()};
    args.insert(args.end(), runner.begin() + 1, runner.end());
    args.push_back(target.string());
    for (auto& arg : SplitParameters(request.parameters)) args.push_back(std::move(arg));
    SpawnDetached(args, workingDir);
    return "handed to " + runner[0] + ": " + target.string();
  }

  if (!request.userChose) return "not opened: " + request.file + " is a document and the user did not ask to open it";
  if (std::string reason = DisguisedProgramReason(target, st); !reason.empty())
    return "not opened: " + request.file + " would start a host program (" + reason + ")";
  auto opener = FindInPath("xdg-open");
  if (!opener) return "not opened: xdg-open is not installed";
  SpawnDetached({opener->string(), target.string()}, workingDir);
  return "opened with xdg-open: " + target.string();
}

}  // namespace zev::platform
