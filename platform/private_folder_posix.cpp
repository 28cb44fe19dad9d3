#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/private_folder.h"

namespace zev::platform {

bool CreatePrivateHostFolder(const std::filesystem::path& folder, bool& taken) {
  taken = false;
  if (::mkdir(folder.c_str(), S_IRWXU) == 0) return true;
  taken = errno == EEXIST;
  return false;
}

FolderStanding HostFolderStanding(const std::filesystem::path& folder) {
  struct stat st {};
  if (::lstat(folder.c_str(), &st) != 0) return FolderStanding::Missing;
  if (S_ISLNK(st.st_mode)) return FolderStanding::Link;
  if (!S_ISDIR(st.st_mode)) return FolderStanding::NotAFolder;
  return st.st_uid == ::geteuid() ? FolderStanding::Own : FolderStanding::OthersFolder;
}

bool RestrictHostFolder(const std::filesystem::path& folder) { return ::chmod(folder.c_str(), S_IRWXU) == 0; }

}  // namespace zev::platform
