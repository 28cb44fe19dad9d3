#include "platform/no_link_path.h"

#include <algorithm>

#include "platform/error.h"
#include "platform/machine.h"
#include "platform/path_names.h"

namespace zev::platform {

std::string PlaceNoLinkPath(const std::string& windowsPath, NoLinkPath& path) {
  try {
    path.full = Machine::Current().ExpandFileName(windowsPath);
  } catch (const Exception& e) {
    return e.Message();
  }
  const std::string& full = path.full;
  const auto folder = Machine::Current().DriveFolder(full[0]);
  if (!folder) return std::string("drive ") + full[0] + ": is not mapped: " + full;
  if (full[0] == 'C' && full.size() > kMaxPathLength)
    return "path longer than " + std::to_string(kMaxPathLength) + " characters: " + full;
  path.driveFolder = *folder;
  path.parts.clear();
  for (std::size_t start = 3; start < full.size();) {
    const std::size_t end = std::min(full.find('\\', start), full.size());
    path.parts.push_back(full.substr(start, end - start));
    start = end + 1;
  }
  for (const std::string& part : path.parts)
    if (!IsValidWindowsName(part)) return "invalid file name: " + full;
  return "";
}

RemoveResult NotThere(const EntryFacts& facts, const std::string& windowsPath, const char* wanted) {
  switch (facts.kind) {
    case EntryKind::Missing:
      return Result(RemoveOutcome::Missing);
    case EntryKind::Link:
    case EntryKind::Refused:
      return Result(RemoveOutcome::Refused, facts.problem);
    default:
      return Result(RemoveOutcome::Refused, windowsPath + " is not " + wanted);
  }
}

}  // namespace zev::platform
