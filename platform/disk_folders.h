// Where the next disk of a set is found when the disks were copied into folders side by side
// (disk1, disk2, ...) rather than inserted into a drive one after another.
#pragma once

#include <filesystem>
#include <optional>
#include <string>

namespace zev::platform {

// The folder "disk<number>" in parent (any case) when it holds the regular file segmentFile (a
// UTF-8 name, any case); nothing otherwise. Each name is looked up by itself: a disk change
// never reads every folder beside the set.
std::optional<std::filesystem::path> FindDiskFolder(const std::filesystem::path& parent, unsigned number,
                                                    const std::string& segmentFile);

// The disk change of one reading of a set, started from startDir (a Windows path ending in "\").
// On Linux, where the first disk is the drive A:, the drive is re-pointed at the folder of the
// disk asked for, so that the disk reads under the start directory's own name, and put back when
// the change ends. On Windows, where a drive letter cannot be re-pointed, the folder is read by
// its own name. (disk_folders_posix.cpp, disk_folders_win32.cpp)
class DiskFolderChange {
 public:
  explicit DiskFolderChange(std::string startDir);
  ~DiskFolderChange();
  DiskFolderChange(const DiskFolderChange&) = delete;
  DiskFolderChange& operator=(const DiskFolderChange&) = delete;

  // True when disks are looked for beside the start folder at all.
  bool LooksBeside() const { return !startFolder_.empty(); }
  // Makes disk number, whose segment file is segmentFile, the one read: the Windows directory
  // (ending in "\") that now holds the file, or nothing when no folder beside the first disk does.
  // Says what was done in the sentence moved.
  std::optional<std::string> Insert(unsigned number, const std::string& segmentFile, std::string& moved);
  // Ends the change: the start directory is the first disk again. Says what was done, or nothing.
  std::string Restore();

 private:
  std::string startDir_;
  std::filesystem::path startFolder_;  // the start folder on the host; empty when not looked beside
  bool moved_ = false;
};

}  // namespace zev::platform
