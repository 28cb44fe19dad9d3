// The zev-setup program: its command line, the machine it works on, the forms in their order,
// and the exit code that tells how the run ended.
#pragma once

#include <string>
#include <vector>

namespace zev::setup {

enum SetupExit { kSetupOk = 0, kSetupFailed = 1, kSetupUsage = 2, kSetupCancelled = 3 };

// Runs the program with its arguments (without the program name); returns the exit code.
int RunSetupProgram(const std::vector<std::string>& args);

}  // namespace zev::setup
