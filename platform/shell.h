// Starting a program or opening a document through the shell. The launcher is replaceable so
// tests can record what would have been started instead of starting it.
#pragma once

#include <string>
#include <vector>

namespace zev::platform {

struct LaunchRequest {
  std::string file;        // Windows path of the program or document
  std::string parameters;  // command-line parameters, blank separated, "double quotes" group
  std::string directory;   // Windows path of the working directory; "" for the file's folder
  int showCommand = 0;
};

class Launcher {
 public:
  virtual ~Launcher() = default;
  // Starts the request detached; failures are silent, as the callers expect.
  virtual void Launch(const LaunchRequest& request) = 0;
};

// Starts an executable file directly, anything else through xdg-open when it is installed.
class SystemLauncher : public Launcher {
 public:
  void Launch(const LaunchRequest& request) override;
};

// Records every request and starts nothing.
class RecordingLauncher : public Launcher {
 public:
  void Launch(const LaunchRequest& request) override { requests.push_back(request); }
  std::vector<LaunchRequest> requests;
};

// The launcher in use: a SystemLauncher until another is installed.
Launcher& CurrentLauncher();
// Installs a launcher (nullptr restores the system one); returns the previous one.
Launcher* SetLauncher(Launcher* launcher);

// Opens file with its default action through the current launcher.
void ShellExecute(const std::string& file, const std::string& parameters, const std::string& directory,
                  int showCommand);

// Splits a Windows-style parameter string into arguments: blanks separate, double quotes group.
std::vector<std::string> SplitParameters(const std::string& parameters);

}  // namespace zev::platform
