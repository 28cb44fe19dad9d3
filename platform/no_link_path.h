// What both host sides of no_link_files.h share: placing the path on the machine before the walk,
// and what a walk that found something else means for a removal. For those files alone.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "platform/no_link_files.h"

namespace zev::platform {

struct NoLinkPath {
  std::string full;                   // the full Windows path
  std::filesystem::path driveFolder;  // the host folder of its drive
  std::vector<std::string> parts;     // its components below the drive's root
};

// Places windowsPath on the machine; empty when it can be walked, else why not.
std::string PlaceNoLinkPath(const std::string& windowsPath, NoLinkPath& path);

inline RemoveResult Result(RemoveOutcome outcome, std::string problem = "") { return {outcome, std::move(problem)}; }

// What a walk that ended at facts, somewhere else than at the wanted kind of entry, means for a
// removal.
RemoveResult NotThere(const EntryFacts& facts, const std::string& windowsPath, const char* wanted);

}  // namespace zev::platform
