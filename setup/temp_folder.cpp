#include "setup/temp_folder.h"

#include "platform/fs_utils.h"
#include "platform/private_folder.h"

namespace zev::setup {
namespace {

// The reason the folder must not be used, or empty. Empty also when the folder is missing: a
// folder that could not be created goes unnoticed here, and whoever writes into it later reports
// the failure.
std::string Check(const std::string& tempDir, platform::PrivateFolderCheck& check) {
  try {
    check = platform::CheckPrivateFolder(tempDir);
  } catch (const std::exception& e) {
    return "The temporary folder " + tempDir + " cannot be used: " + e.what();
  }
  const std::string folder = "The temporary folder " + tempDir + " (" + check.host.string() + ")";
  switch (check.standing) {
    case platform::FolderStanding::Link: return folder + " is a symbolic link; remove it and run again";
    case platform::FolderStanding::NotAFolder: return folder + " is not a directory; remove it and run again";
    case platform::FolderStanding::OthersFolder: return folder + " belongs to another user; remove it and run again";
    case platform::FolderStanding::Missing:
    case platform::FolderStanding::Own: break;
  }
  return {};
}

}  // namespace

std::string CheckTempFolder(const std::string& tempDir) {
  platform::PrivateFolderCheck check;
  return Check(tempDir, check);
}

std::string MakePrivateTempFolder(const std::string& tempDir) {
  platform::PrivateFolderCheck check;
  if (std::string problem = Check(tempDir, check); !problem.empty()) return problem;
  try {
    platform::MakeDirPath(tempDir);
  } catch (const std::exception&) {
    // Reported below: the folder is then missing.
  }
  if (std::string problem = Check(tempDir, check); !problem.empty()) return problem;
  if (check.standing == platform::FolderStanding::Own && !platform::MakeFolderPrivate(tempDir))
    return "The temporary folder " + tempDir + " (" + check.host.string() + ") cannot be made private";
  return {};
}

}  // namespace zev::setup
