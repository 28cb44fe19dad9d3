// zev-setup: the setup program.
#include <string>
#include <vector>

#include "platform/process.h"
#include "setup/program.h"

int main(int argc, char** argv) {
  zev::platform::TreatFileSizeLimitAsWriteError();
  std::vector<std::string> args(argv + 1, argv + argc);
  return zev::setup::RunSetupProgram(args);
}
