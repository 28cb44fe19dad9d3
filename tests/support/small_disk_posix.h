// A small file system of its own mounted on a folder while the object lives, so that a test can
// fill a disk. Mounting needs root: where it cannot be made, Problem() says why (the test skips)
// and the folder stays as it was.
#pragma once

#include <cstddef>
#include <filesystem>
#include <string>

namespace zev::testing {

class ScopedSmallDisk {
 public:
  ScopedSmallDisk(const std::filesystem::path& folder, std::size_t kibibytes);
  ~ScopedSmallDisk();
  ScopedSmallDisk(const ScopedSmallDisk&) = delete;
  ScopedSmallDisk& operator=(const ScopedSmallDisk&) = delete;

  // Empty once the disk is mounted.
  const std::string& Problem() const { return problem_; }

 private:
  std::filesystem::path folder_;
  std::string problem_;
};

}  // namespace zev::testing
