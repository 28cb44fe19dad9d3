// The expansion stage on a full disk: a disk that fills during the expansion, or a set that
// cannot fit, ends the stage with its error (root only: it needs a small tmpfs mount).
#include <algorithm>
#include <memory>

#include "tests/setup/setup_fixture.h"
#include "tests/support/small_disk_posix.h"

namespace zev::setup::testing {
namespace {

class SmallTempStage : public SetupFixture {
 protected:
  // Mounts a small disk on the Windows directory's Temp folder until the test ends. Returns why it
  // could not (the test then skips), or nothing.
  std::string MountSmallTemp(std::size_t kibibytes) {
    const fs::path temp = machine.DriveC() / "WINDOWS" / "Temp";
    fs::create_directories(temp);
    smallTemp_ = std::make_unique<zev::testing::ScopedSmallDisk>(temp, kibibytes);
    return smallTemp_->Problem();
  }

 private:
  std::unique_ptr<zev::testing::ScopedSmallDisk> smallTemp_;
};

TEST_F(SmallTempStage, FullDiskDuringExpansionEndsTheStageWithItsError) {
  if (const std::string why = MountSmallTemp(16); !why.empty()) GTEST_SKIP() << why;
  BuildSet({{{"small.txt", "fits"}, {"big.bin", RandomText(60000, 3)}}}, machine.StartDir(), segment::kDefaultSegSize);
  CreateForms();
  app->Run();
  EXPECT_FALSE(wizardShown);
  EXPECT_TRUE(main->ExpansionFailed);
  EXPECT_NE(main->ExpansionFailure, "");
  const auto texts = BoxTexts();
  EXPECT_NE(std::find(texts.begin(), texts.end(), "Error Expanding Files!!"), texts.end());
  // The set itself, which was already safe, is untouched.
  EXPECT_TRUE(fs::exists(machine.StartDir() / "zevsetup.001"));
}

// Members that fit on the private folder's disk one by one but not together: the stage compares
// the set's total with the free space before writing any of them, and says so.
TEST_F(SmallTempStage, SetLargerThanThePrivateFoldersDiskIsRefusedBeforeWriting) {
  if (const std::string why = MountSmallTemp(64); !why.empty()) GTEST_SKIP() << why;
  const std::string part(20000, 'a');
  BuildSet({{{"a.txt", part}, {"b.txt", part}, {"c.txt", part}, {"d.txt", part}}}, machine.StartDir(),
           segment::kDefaultSegSize);
  CreateForms();
  app->Run();
  EXPECT_FALSE(wizardShown);
  EXPECT_EQ(main->ExpansionFailure, "Not enough disk space to expand C:\\WINDOWS\\Temp\\z\\");
  const auto texts = BoxTexts();
  EXPECT_NE(std::find(texts.begin(), texts.end(), "Error Expanding Files!!"), texts.end());
}

}  // namespace
}  // namespace zev::setup::testing
