#include "setup/temp_folder.h"

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "platform/fs_utils.h"
#include "platform/machine.h"

namespace zev::setup {
namespace {

// Empty also when the folder is missing: a folder that could not be created goes unnoticed
// here, and whoever writes into it later reports the failure.
std::string Check(const std::string& tempDir, std::filesystem::path* hostPath, bool* exists) {
  std::filesystem::path host;
  try {
    host = platform::Machine::Current().ToHostPathNoFollow(tempDir);
  } catch (const std::exception& e) {
    return "The temporary folder " + tempDir + " cannot be used: " + e.what();
  }
  if (hostPath) *hostPath = host;
  struct stat st {};
  if (::lstat(host.c_str(), &st) != 0) return {};
  if (exists) *exists = true;
  if (S_ISLNK(st.st_mode))
    return "The temporary folder " + tempDir + " (" + host.string() + ") is a symbolic link; remove it and run again";
  if (!S_ISDIR(st.st_mode))
    return "The temporary folder " + tempDir + " (" + host.string() + ") is not a directory; remove it and run again";
  if (st.st_uid != ::geteuid())
    return "The temporary folder " + tempDir + " (" + host.string() +
           ") belongs to another user; remove it and run again";
  return {};
}

}  // namespace

std::string CheckTempFolder(const std::string& tempDir) { return Check(tempDir, nullptr, nullptr); }

std::string MakePrivateTempFolder(const std::string& tempDir) {
  if (std::string problem = Check(tempDir, nullptr, nullptr); !problem.empty()) return problem;
  try {
    platform::MakeDirPath(tempDir);
  } catch (const std::exception&) {
    // Reported below: the folder is then missing.
  }
  std::filesystem::path host;
  bool exists = false;
  if (std::string problem = Check(tempDir, &host, &exists); !problem.empty()) return problem;
  if (exists && ::chmod(host.c_str(), S_IRWXU) != 0)
    return "The temporary folder " + tempDir + " (" + host.string() + ") cannot be made private";
  return {};
}

}  // namespace zev::setup
