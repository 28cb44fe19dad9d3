// Whether a destination directory can be installed to, checked before the wizard moves on from
// its destination page and before an unattended run starts with a Destination answer. The
// directory need not exist: the installation creates it.
#pragma once

#include <string>

namespace zev::setup {

// A full Windows path: a drive letter, a colon and a separator ("C:\..." or "C:/...").
bool IsFullPath(const std::string& path);

// "" when the destination can be installed to; otherwise a sentence naming the problem, as the
// user is shown it: no text, not a full path, a drive that does not exist, a character that no
// directory name can hold, or a file where a folder of the path would have to be.
std::string DestinationProblem(const std::string& destination);

}  // namespace zev::setup
