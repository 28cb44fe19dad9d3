#include "platform/disk_folders.h"

#include <system_error>

#include "platform/folder_index.h"

namespace fs = std::filesystem;

namespace zev::platform {

std::optional<fs::path> FindDiskFolder(const fs::path& parent, unsigned number, const std::string& segmentFile) {
  const auto folder = FindHostEntryNoCase(parent, "disk" + std::to_string(number));
  if (!folder) return std::nullopt;
  const fs::path disk = parent / *folder;
  std::error_code error;
  if (!fs::is_directory(disk, error)) return std::nullopt;
  const auto file = FindHostEntryNoCase(disk, segmentFile);
  if (!file || !fs::is_regular_file(disk / *file, error)) return std::nullopt;
  return disk;
}

}  // namespace zev::platform
