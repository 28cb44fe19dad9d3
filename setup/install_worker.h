// The pieces of the installation worker (TZEV::RunInstall) that stand on their own: how a
// directory key resolves, how list entries split, and the names it records in uninstall.cfg.
#pragma once

#include <string>

namespace zev::setup {

// The directory a "Directories" entry stands for. key is the entry's key as written, path what
// follows its "~", destination the wizard's destination directory. The first rule that holds
// wins: <WINDOWS>, <WINDOWS_SYSTEM>, <PROGRAMFILES>, <INSTALLDIR>, a key containing <SUB or <ALT
// (destination + "\" + path), anything else (winDrive + path). Keys are compared upper-cased.
std::string ResolveDirectoryKey(const std::string& key, const std::string& path, const std::string& destination,
                                const std::string& winDrive);

// A directory key followed directly by a path ("<INSTALLDIR>bin\app.exe"): the key up to and
// including the first ">", and the rest. Without a ">" the key is empty and the path is all.
void SplitKeyAndPath(const std::string& target, std::string& key, std::string& path);

// A "Desktop" entry cut into its fields: name ~ target ~ desktop flag ~ Start Menu flag. The last
// field is what remains after the third cut, so an entry of three fields reads its third field
// twice, and an entry of two fields reads its target as both flags.
struct TDesktopEntry {
  std::string name;
  std::string target;
  bool offerDesktop = false;
  bool offerStartMenu = false;
};
TDesktopEntry SplitDesktopEntry(std::string entry);


}  // namespace zev::setup
