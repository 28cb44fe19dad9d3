#include "setup/uninstall_command.h"

namespace zev::setup {

std::string ShellQuoted(const std::string& text) {
  std::string quoted = "'";
  for (const char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

std::string UninstallCommand(const std::string& installDir, const std::string& options) {
  return "zev-setup --uninstall " + ShellQuoted(installDir) + options;
}

}  // namespace zev::setup
