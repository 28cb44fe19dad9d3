#include "platform/disk_folders.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <random>
#include <string>

#include "platform/files.h"
#include "platform/machine.h"
#include "tests/support/host_files.h"
#ifndef _WIN32
#include "tests/support/scoped_machine.h"
#endif

namespace zev::platform {
namespace {

namespace fs = std::filesystem;
using testing::WriteHostFile;

// Disk folders side by side, started from the first: on Linux the start folder is A:, on Windows
// the folder is where it lies on the system's own drive.
class DiskFolders : public ::testing::Test {
 protected:
#ifdef _WIN32
  DiskFolders()
      : saved_(Machine::Current()),
        root_(fs::temp_directory_path() / ("zev-disks-" + std::to_string(std::random_device()()))) {
    fs::create_directories(Start());
    Machine::Current().Configure({}, Start());
  }
  ~DiskFolders() override {
    Machine::Current() = saved_;
    std::error_code ignored;
    fs::remove_all(root_, ignored);
  }
  fs::path Root() const { return root_; }
  fs::path Start() const { return root_ / "disk1"; }

 private:
  Machine saved_;
  fs::path root_;
#else
  fs::path Root() const { return machine_.Root(); }
  fs::path Start() const { return machine_.StartDir(); }

 private:
  ScopedMachine machine_;
#endif

 protected:
  std::string StartDir() const {
    const std::string current = Machine::Current().CurrentDirectory();
    return current.back() == '\\' ? current : current + "\\";
  }
};

TEST_F(DiskFolders, NextDiskIsReadFromTheFolderBesideTheFirst) {
  WriteHostFile(Start() / "zevsetup.001", "1");
  WriteHostFile(Root() / "Disk2" / "ZEVSETUP.002", "2");
  WriteHostFile(Root() / "disk3" / "other.txt", "not the segment");
  fs::create_directories(Root() / "disk4" / "zevsetup.004");  // a folder, not the segment file
  const std::string start = StartDir();

  DiskFolderChange change(start);
  EXPECT_TRUE(change.LooksBeside());
  std::string moved;
  const std::optional<std::string> second = change.Insert(2, "zevsetup.002", moved);
  ASSERT_TRUE(second.has_value());
  EXPECT_EQ(second->back(), '\\');
  EXPECT_TRUE(FileExists(*second + "zevsetup.002")) << *second;
  EXPECT_NE(moved, "");
  EXPECT_FALSE(change.Insert(3, "zevsetup.003", moved).has_value());
  EXPECT_FALSE(change.Insert(4, "zevsetup.004", moved).has_value());
  EXPECT_FALSE(change.Insert(5, "zevsetup.005", moved).has_value());

  change.Restore();
  EXPECT_TRUE(FileExists(start + "zevsetup.001"));
}

}  // namespace
}  // namespace zev::platform
