#include "tests/support/small_disk_posix.h"

#include <sys/mount.h>
#include <unistd.h>

namespace zev::testing {

ScopedSmallDisk::ScopedSmallDisk(const std::filesystem::path& folder, std::size_t kibibytes) {
  if (::geteuid() != 0) {
    problem_ = "a small disk needs root to mount a tmpfs";
    return;
  }
  const std::string options = "size=" + std::to_string(kibibytes) + "k";
  if (::mount("tmpfs", folder.c_str(), "tmpfs", 0, options.c_str()) != 0) {
    problem_ = "a tmpfs could not be mounted at " + folder.string();
    return;
  }
  folder_ = folder;
}

ScopedSmallDisk::~ScopedSmallDisk() {
  // Detached rather than unmounted: a file a failed test left open must not keep the disk there.
  if (!folder_.empty()) ::umount2(folder_.c_str(), MNT_DETACH);
}

}  // namespace zev::testing
