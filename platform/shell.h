// Starting a program or opening a document through the shell. A package is a stranger's work, so
// nothing here ever executes a host file: a Windows program goes to the runner the user
// configured (wine, say) or nowhere, and a document is opened by the desktop only when the user
// asked for it. The launcher is replaceable so tests can record what would have been started.
#pragma once

#include <initializer_list>
#include <string>
#include <vector>

namespace zev::platform {

struct LaunchRequest {
  std::string file;        // Windows path of the program or document
  std::string parameters;  // command-line parameters, blank separated, "double quotes" group
  std::string directory;   // Windows path of the working directory; "" for the file's folder
  int showCommand = 0;
  // The user asked for this start (the wizard's launch choice). Documents are opened only then.
  bool userChose = false;
};

class Launcher {
 public:
  virtual ~Launcher() = default;
  // Starts the request detached and says in a sentence what was done, for the log. Failures
  // are not errors: the callers go on whatever happened.
  virtual std::string Launch(const LaunchRequest& request) = 0;
};

// On Linux (shell_posix.cpp) a Windows program (by its extension) goes to the program runner
// when one is configured and is otherwise only named in the outcome. A document chosen by the
// user goes to xdg-open unless it is a host program in disguise: a file with an execute bit, a
// .desktop entry, or one that starts like a host executable or script. On Windows
// (shell_win32.cpp) the shell starts the file with its default action, as the user expects of
// an installed program; the rule of what may be started at all is the caller's.
class SystemLauncher : public Launcher {
 public:
  std::string Launch(const LaunchRequest& request) override;
};

// The places shell links go: full Windows paths without a trailing "\". On Linux they lie below
// the Windows directory (Desktop, Start Menu, Start Menu\Programs); on Windows they are the
// shell's folders for all users, so that the links show where users look for them.
struct ShellFolders {
  std::string desktop;
  std::string startMenu;
  std::string programs;
};
ShellFolders GetShellFolders();
// The folders as a machine folder lays them out beneath its Windows directory.
ShellFolders StandInShellFolders(const std::string& windowsDirectory);

// The launcher in use: a SystemLauncher until another is installed.
Launcher& CurrentLauncher();
// Installs a launcher (nullptr restores the system one); returns the previous one.
Launcher* SetLauncher(Launcher* launcher);

// The command that Windows programs are handed to, split like a command line ("wine", or
// "/opt/wine/bin/wine --flag"); the program's host path and its parameters follow it. Empty (the
// default) starts no program at all.
void SetProgramRunner(const std::string& command);
const std::vector<std::string>& ProgramRunner();

// True when the name's extension makes it something Windows would run rather than open.
bool IsWindowsProgramName(const std::string& name);

// Opens file with its default action through the current launcher; returns the outcome.
std::string ShellExecute(const std::string& file, const std::string& parameters, const std::string& directory,
                         int showCommand, bool userChose = false);

// Splits a Windows-style parameter string into arguments: blanks separate, double quotes group.
std::vector<std::string> SplitParameters(const std::string& parameters);

// The extension of a name, lower-cased (ASCII only: every extension that matters here is), and
// whether it is one of a list.
std::string LowerExtension(const std::string& name);
bool HasExtension(const std::string& name, std::initializer_list<const char*> extensions);

}  // namespace zev::platform
