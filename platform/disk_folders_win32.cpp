// The Windows disk change: each disk's folder is read by its own name.
#include "platform/disk_folders.h"

#include "platform/machine.h"

namespace zev::platform {

DiskFolderChange::DiskFolderChange(std::string startDir) : startDir_(std::move(startDir)) {
  try {
    std::filesystem::path start = Machine::Current().ToHostPath(startDir_);
    if (!start.has_filename()) start = start.parent_path();
    // A drive's root has no folders beside it.
    if (start.has_relative_path()) startFolder_ = start;
  } catch (const std::exception&) {
    // A start directory the machine cannot place has no neighbours either.
  }
}

DiskFolderChange::~DiskFolderChange() = default;

std::optional<std::string> DiskFolderChange::Insert(unsigned number, const std::string& segmentFile,
                                                    std::string& moved) {
  if (!LooksBeside()) return std::nullopt;
  const auto disk = FindDiskFolder(startFolder_.parent_path(), number, segmentFile);
  if (!disk) return std::nullopt;
  try {
    const std::string folder = Machine::Current().ToWindowsPath(*disk) + "\\";
    moved = "disk " + std::to_string(number) + " is read from " + folder;
    return folder;
  } catch (const std::exception&) {
    return std::nullopt;
  }
}

std::string DiskFolderChange::Restore() { return {}; }

}  // namespace zev::platform
