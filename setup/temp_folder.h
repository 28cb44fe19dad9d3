// The private temporary folder has a fixed name, so anyone could prepare it beforehand: it is
// used only when it is a real directory of the current user, and is kept closed to others.
#pragma once

#include <string>

namespace zev::setup {

// Empty when the folder is missing or is a directory (not a link) owned by the current user;
// otherwise the reason it must not be used.
std::string CheckTempFolder(const std::string& tempDir);
// Creates the folder and its missing parents, then checks it as above and limits it to the
// current user (mode 0700). Returns the reason it must not be used, or empty (also when it
// could not be created: the expansion reports that when it writes into it).
std::string MakePrivateTempFolder(const std::string& tempDir);

}  // namespace zev::setup
