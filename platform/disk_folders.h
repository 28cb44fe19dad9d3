// Where the next disk of a set is found when the disks were copied into folders side by side
// (disk1, disk2, ...) rather than inserted into a drive one after another.
#pragma once

#include <filesystem>
#include <optional>
#include <string>

namespace zev::platform {

// The folder "disk<number>" in parent (any case) when it holds the regular file segmentFile (a
// UTF-8 name, any case); nothing otherwise. Each name is looked up by itself: a disk change
// never reads every folder beside the set. Linux re-points the set's drive at the folder found;
// Windows, where a drive letter cannot be re-pointed, reads the folder by its name.
std::optional<std::filesystem::path> FindDiskFolder(const std::filesystem::path& parent, unsigned number,
                                                    const std::string& segmentFile);

}  // namespace zev::platform
