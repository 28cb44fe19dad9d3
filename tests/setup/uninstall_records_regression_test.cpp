// Replays, through the removal fuzz target's property check, every input kept in
// data/regressions/uninstall_records/ and the checked-in seeds.
#include <gtest/gtest.h>

#include <filesystem>

#include "tests/fuzz/uninstall_records_check.h"
#include "tests/support/scoped_machine.h"

namespace zev::fuzz {
namespace {

namespace fs = std::filesystem;

TEST(UninstallRecordsRegression, KeptAndSeedInputs) {
  platform::ScopedMachine machine;
  const fs::path data = fs::path(__FILE__).parent_path() / "data";
  int replayed = 0;
  for (const fs::path& folder : {data / "regressions" / "uninstall_records", data / ".." / ".." / "fuzz" / "corpus" / "uninstall_records"}) {
    for (const auto& [name, bytes] : FilesIn(folder)) {
      EXPECT_EQ(CheckUninstallRecords(machine, bytes.data(), bytes.size()), "") << folder.filename() << "/" << name;
      ++replayed;
    }
  }
  EXPECT_GE(replayed, 4);
}

// The check sees a removal happen: the true records of the seeds take the package's files.
TEST(UninstallRecordsRegression, TheTrueRecordsRemoveThePackage) {
  platform::ScopedMachine machine;
  const fs::path seeds = fs::path(__FILE__).parent_path() / ".." / "fuzz" / "corpus" / "uninstall_records";
  const Bytes withManifest = ReadHostBytes(seeds / "with-manifest");
  ASSERT_FALSE(withManifest.empty());
  EXPECT_EQ(CheckUninstallRecords(machine, withManifest.data(), withManifest.size()), "");
  EXPECT_FALSE(fs::exists(machine.DriveC() / "App" / "a.txt"));
  EXPECT_FALSE(fs::exists(machine.DriveC() / "WINDOWS" / "System"));
  EXPECT_FALSE(fs::exists(machine.DriveC() / "WINDOWS" / "Desktop" / "A.lnk"));
  EXPECT_TRUE(fs::exists(machine.DriveC() / "App" / "sub" / "b.txt"));  // recorded only by uninstall.cfg
  EXPECT_TRUE(fs::is_symlink(machine.DriveC() / "App" / "lnk"));
}

}  // namespace
}  // namespace zev::fuzz
