// Folders for the current user alone: a throw-away one for the length of a scope, and the checks
// that a folder of a fixed name, which anyone could have made beforehand, really is one.
#pragma once

#include <filesystem>
#include <string>

namespace zev::platform {

// A new, empty folder in the host's temporary folder that only the current user may enter,
// removed with everything in it when the object goes. Its name is the prefix and eight lower-case
// letters: the segment reader keeps its folder names in lower case, and a name in mixed case
// would make every look-up below it search the parent for a match ignoring case.
class ScopedTempDir {
 public:
  // Throws zev::Exception("cannot create a temporary folder") when no folder can be made.
  explicit ScopedTempDir(const std::string& prefix);
  ~ScopedTempDir();
  ScopedTempDir(const ScopedTempDir&) = delete;
  ScopedTempDir& operator=(const ScopedTempDir&) = delete;

  const std::filesystem::path& Path() const { return path_; }

 private:
  std::filesystem::path path_;
};

// What stands where a private folder is wanted.
enum class FolderStanding {
  Missing,      // nothing: it can be made
  Own,          // a folder (not a link to one) of the current user
  Link,         // a symbolic link, wherever it points
  NotAFolder,   // a file or anything else that is no folder
  OthersFolder  // a folder of another user
};

struct PrivateFolderCheck {
  FolderStanding standing = FolderStanding::Missing;
  std::filesystem::path host;  // where it lies on the host, for messages
};

// How the folder at windowsPath stands; a link in its last component is looked at, not followed.
// Throws zev::Exception when the path cannot be placed on the machine.
PrivateFolderCheck CheckPrivateFolder(const std::string& windowsPath);
// Closes an existing folder to everyone but its owner; false when that fails or the path cannot
// be placed.
bool MakeFolderPrivate(const std::string& windowsPath);

// The host side, for the rest of platform/ (private_folder_posix.cpp; a Windows build needs
// private_folder_win32.cpp). They report failure by their results.
//
// Creates folder for the current user alone. False when it cannot; taken then says whether
// something of that name was there already.
bool CreatePrivateHostFolder(const std::filesystem::path& folder, bool& taken);
FolderStanding HostFolderStanding(const std::filesystem::path& folder);
bool RestrictHostFolder(const std::filesystem::path& folder);

}  // namespace zev::platform
