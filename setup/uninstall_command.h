// The command that removes an installation, as the user types it at a shell.
#pragma once

#include <string>

namespace zev::setup {

// The text quoted for a POSIX shell: in single quotes, each single quote written as '\''.
std::string ShellQuoted(const std::string& text);

// "zev-setup --uninstall 'C:\Apps\Tool'" followed by options (already quoted, each with a
// leading blank), which name the machine as the installing program was told it.
std::string UninstallCommand(const std::string& installDir, const std::string& options = "");

}  // namespace zev::setup
