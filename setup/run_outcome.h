// How a run of zev-setup that ended before its wizard opened is reported, and what is said when
// the program was started outside the first disk's folder.
#pragma once

#include <optional>
#include <string>

#include "setup/program.h"

namespace zev::setup {

class TMainSetup;

// The exit code and the line for standard error.
struct TEarlyEnd {
  SetupExit code;
  std::string message;
};

// How the run ended when the wizard was not reached: cancelled by the user (the expansion
// aborted, or the main screen closed before the wizard came), or failed. Empty when the wizard
// was reached.
std::optional<TEarlyEnd> EndBeforeTheWizard(const TMainSetup& main, bool wizardReached);

// Says that missing is not in the host folder and where setup is started instead.
std::string FirstDiskHint(const std::string& missing, const std::string& hostFolder);

// The host folder behind a folder of the machine, as the user knows it.
std::string HostFolderOf(const std::string& windowsFolder);

}  // namespace zev::setup
