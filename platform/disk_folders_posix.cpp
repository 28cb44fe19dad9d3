// The Linux disk change: the start folder is the drive A:, re-pointed at the folder of each disk.
#include "platform/disk_folders.h"

#include "platform/machine.h"
#include "platform/text.h"

namespace zev::platform {

DiskFolderChange::DiskFolderChange(std::string startDir) : startDir_(std::move(startDir)) {
  if (!SameText(startDir_, "A:\\")) return;
  if (auto host = Machine::Current().DriveFolder('A')) startFolder_ = *host;
}

DiskFolderChange::~DiskFolderChange() { Restore(); }

std::optional<std::string> DiskFolderChange::Insert(unsigned number, const std::string& segmentFile,
                                                    std::string& moved) {
  if (!LooksBeside()) return std::nullopt;
  const auto disk = FindDiskFolder(startFolder_.parent_path(), number, segmentFile);
  if (!disk) return std::nullopt;
  Machine::Current().MapDrive('A', *disk);
  moved_ = true;
  moved = "disk " + std::to_string(number) + " inserted: A: is now " + disk->string();
  return startDir_;
}

std::string DiskFolderChange::Restore() {
  if (!moved_) return {};
  moved_ = false;
  Machine::Current().MapDrive('A', startFolder_);
  return "A: is the start folder again: " + startFolder_.string();
}

}  // namespace zev::platform
