// The expansion stage against hostile sets: stored names that climb, are absolute, carry a drive,
// use "/", hold control characters or are empty all land flat in the private folder or are
// skipped, and nothing is written anywhere else.
#include "tests/setup/setup_fixture.h"

namespace zev::setup::testing {
namespace {

class HostileStage : public SetupFixture {
 protected:
  // One archive whose members are stored under the given names, in a set of one segment in the
  // start folder.
  void BuildHostileSet(const std::vector<std::pair<std::string, std::string>>& members) {
    BuildSet({members}, machine.StartDir(), segment::kDefaultSegSize);
  }

  // Files on drive C: outside the private folder, the Windows folder's own files and the
  // build folders of this test.
  std::vector<std::string> StrayFiles() const {
    std::vector<std::string> stray;
    for (const auto& entry : fs::recursive_directory_iterator(machine.DriveC())) {
      if (!entry.is_regular_file()) continue;
      const std::string rel = entry.path().lexically_relative(machine.DriveC()).generic_string();
      if (rel.rfind("src/", 0) == 0 || rel.rfind("build/", 0) == 0 || rel.rfind("WINDOWS/", 0) == 0) continue;
      stray.push_back(rel);
    }
    for (const auto& entry : fs::directory_iterator(machine.Root()))
      if (entry.path().filename() != "machine" && entry.path().filename() != "start") stray.push_back(entry.path().string());
    return stray;
  }
};

TEST_F(HostileStage, UnsafeNamesLandFlatInThePrivateFolderOrAreSkipped) {
  BuildHostileSet({{"license.txt", "licence"},
                   {"..\\..\\climb.txt", "climb"},
                   {"\\abs.txt", "absolute"},
                   {"C:\\drive.txt", "drive"},
                   {"dir/slash.txt", "slash"},
                   {"ctl\x01\x1b.txt", "control"},  // no valid file name: refused
                   {"sub\\..", "dots"},
                   {"x/../../../../WINDOWS/win.ini", "climb by slash"},
                   {"/../../../Apps/Demo/zevdemo.txt", "rooted slash"},
                   {"dir\\", "folder only"},
                   {std::string(300, 'n'), "too long"},
                   {"", "empty"}});
  WriteHostFile(machine.DriveC() / "WINDOWS" / "win.ini", "the user's");
  int skipped = 0;
  app->OnLog = [&](const std::string& line) { skipped += line.find("member skipped") != std::string::npos; };
  CreateForms();
  app->Run();
  ASSERT_TRUE(wizardShown) << main->ExpansionFailure;
  EXPECT_EQ(tempFilesAtWizard.at("license.txt"), "licence");
  EXPECT_EQ(tempFilesAtWizard.at("climb.txt"), "climb");
  EXPECT_EQ(tempFilesAtWizard.at("abs.txt"), "absolute");
  EXPECT_EQ(tempFilesAtWizard.at("drive.txt"), "drive");
  // "/" separates like "\": only the file-name part is kept, inside the private folder.
  EXPECT_EQ(tempFilesAtWizard.at("slash.txt"), "slash");
  EXPECT_EQ(tempFilesAtWizard.at("win.ini"), "climb by slash");
  EXPECT_EQ(tempFilesAtWizard.at("zevdemo.txt"), "rooted slash");
  EXPECT_EQ(ReadHostFile(machine.DriveC() / "WINDOWS" / "win.ini"), "the user's");
  EXPECT_FALSE(fs::exists(machine.DriveC() / "Apps"));
  EXPECT_EQ(tempFilesAtWizard.count(std::string(300, 'n')), 0u);
  // Refused: the control characters, "sub\\..", "dir\\", the long name and the empty one.
  EXPECT_EQ(skipped, 5);
  // No name may come out as the folder itself or its parent.
  for (const auto& [name, content] : tempFilesAtWizard) EXPECT_TRUE(name != "." && name != ".." && !name.empty());
  EXPECT_EQ(StrayFiles(), std::vector<std::string>{});
}

}  // namespace
}  // namespace zev::setup::testing
