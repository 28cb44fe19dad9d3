// The installation worker on a full disk: drive E: is a 64 KiB tmpfs (mounted when the test runs
// as root, skipped otherwise) and the package's payload does not fit. The failed copy is named in
// the failures, and what an earlier installation left on that drive is not lost.
#include <memory>
#include <string>

#include "tests/setup/setup_fixture.h"
#include "tests/support/small_disk_posix.h"

namespace zev::setup::testing {
namespace {

using platform::ModalResult;

class FullDiskInstallTest : public SetupFixture {
 protected:
  void SetUp() override {
    target = machine.Root() / "target";
    fs::create_directories(target);
    disk = std::make_unique<zev::testing::ScopedSmallDisk>(target, 64);
    if (!disk->Problem().empty()) GTEST_SKIP() << disk->Problem();
    machine.machine().MapDrive('E', target);
    PutSetupProgram();
    config.DirectoryEntries.Add("<INSTALLDIR>~");
    config.DirectoryEntries.Add("<SUB1>~data");
    config.FileEntries.Add("app.exe~<INSTALLDIR>");
    config.FileEntries.Add("data\\payload.bin~<SUB1>");
    PutTemp("app.exe", "the program");
    PutTemp("payload.bin", std::string(200000, 'p'));
  }
  void Install() {
    ShowWizard();
    wizard->Label1.SetCaption("E:\\App");
    wizard->installClick();
  }

  fs::path target;
  std::unique_ptr<zev::testing::ScopedSmallDisk> disk;
};

// The copy that fills the disk is reported with its target and leaves no partial file, the run
// goes on with the same records, and the files copied before it are whole.
TEST_F(FullDiskInstallTest, TheCopyThatFillsTheDiskIsReportedAndEarlierCopiesStayWhole) {
  WriteHostFile(target / "Other" / "keep.txt", "installed before");
  Install();
  ASSERT_EQ(wizard->InstallFailures.size(), 1u) << wizard->InstallError;
  EXPECT_EQ(wizard->InstallFailures[0].rfind("E:\\App\\data\\payload.bin: ", 0), 0u) << wizard->InstallFailures[0];
  EXPECT_FALSE(fs::exists(target / "App" / "data" / "payload.bin"));
  EXPECT_EQ(ReadHostFile(target / "App" / "app.exe"), "the program");
  EXPECT_EQ(ReadHostFile(target / "App" / "install.exe"), "setup program");
  EXPECT_EQ(ReadHostFile(target / "App" / "uninstall.cfg"), "[UNINS]\r\nE:\\App\\*.*=\r\nE:\\App\\data\\payload.bin=\r\n");
  EXPECT_EQ(ReadHostFile(target / "Other" / "keep.txt"), "installed before");
  EXPECT_EQ(ReadHostFile(TempHost() / "payload.bin").size(), 200000u);
}

// An earlier installation's file that the user agreed to replace is still there, whole, when its
// replacement does not fit: a copy written over the target in place would leave the head of the
// new file and neither version.
TEST_F(FullDiskInstallTest, AReplacedFileOfAnEarlierInstallationSurvivesAFullDisk) {
  WriteHostFile(target / "App" / "data" / "payload.bin", "payload, installed before");
  backend.script = {ModalResult::Yes};  // "File Already Exists (payload.bin). Overwrite?"
  Install();
  ASSERT_EQ(wizard->InstallFailures.size(), 1u);
  const std::string kept = ReadHostFile(target / "App" / "data" / "payload.bin");
  EXPECT_TRUE(kept == "payload, installed before") << "left: " << kept.size() << " bytes, \"" << kept.substr(0, 16) << "...\"";
}

}  // namespace
}  // namespace zev::setup::testing
