// The expansion stage run through the program's forms: flat expansion into the temporary
// folder, disks in one folder or side by side, missing disks, abort, failures and clean-up.
#include "setup/unzip.h"

#include <algorithm>
#include <system_error>

#include "platform/attributes.h"
#include "setup/run_outcome.h"

#include "platform/folder_index.h"
#include "tests/setup/setup_fixture.h"

namespace zev::setup::testing {
namespace {

using platform::ModalResult;

class UnzipTest : public SetupFixture {
 protected:
  // Two archives with members in sub-folders, big and random enough for several segments.
  std::vector<std::vector<std::pair<std::string, std::string>>> Package() {
    return {{{"license.txt", "Licence\r\nline 2\r\n"}, {"bin\\tool.exe", RandomText(30000, 1)}},
            {{"docs\\deep\\manual.txt", RandomText(12000, 2)}, {"readme.txt", "hello"}}};
  }
  std::map<std::string, std::string> Expected() {
    std::map<std::string, std::string> files;
    for (const auto& group : Package())
      for (const auto& [name, content] : group) files[name.substr(name.find_last_of('\\') + 1)] = content;
    return files;
  }
  void Run() {
    CreateForms();
    app->Run();
  }
  // Runs the program, clicking the expansion window once its first file is under way, and
  // answers the abort question; returns whether the click happened.
  bool RunClickingDuringTheExpansion(ModalResult answer) {
    CreateForms();
    bool clicked = false;
    backend.onPoll = [&] {
      if (!clicked && main->Unzip && !unzip->Label2.Caption.empty()) {
        clicked = true;
        unzip->Click();
      }
    };
    backend.script = {answer};
    app->Run();
    return clicked;
  }
};

TEST_F(UnzipTest, SetInTheStartFolderExpandsFlatWithoutAnyMessage) {
  WriteHostFile(machine.StartDir() / "install.cfg", "[Files]\na=tool.exe~<INSTALLDIR>\nb=manual.txt~<INSTALLDIR>\n");
  ASSERT_GE(BuildSet(Package(), machine.StartDir()), 3u);
  Run();
  EXPECT_TRUE(wizardShown);
  EXPECT_EQ(tempFilesAtWizard, Expected());
  EXPECT_TRUE(backend.boxes.empty()) << BoxTexts().front();
  EXPECT_FALSE(main->ExpansionFailed);
  EXPECT_EQ(backend.shownForms, (std::vector<std::string>{"MainSetup", "Unzip", "ZEV"}));
  EXPECT_FALSE(fs::exists(TempHost())) << "cleared when the main screen closed";
  EXPECT_EQ(app->Now(), 5000) << "3000 ms to the stage, 2000 ms to the expansion";
  EXPECT_FALSE(EndBeforeTheWizard(*main, wizardShown));
}

TEST_F(UnzipTest, ProgressCountsFilesAgainstTheFilesSection) {
  WriteHostFile(machine.StartDir() / "install.cfg", "[Files]\na=tool.exe~<INSTALLDIR>\nb=x~<INSTALLDIR>\n");
  BuildSet(Package(), machine.StartDir());
  CreateForms();
  int maxSeen = 0, barMax = -1;
  backend.onPoll = [&] {
    if (unzip && main->Unzip) {
      maxSeen = std::max(maxSeen, unzip->ProgressBar2.Position());
      barMax = unzip->ProgressBar2.Max;
    }
  };
  app->Run();
  EXPECT_EQ(barMax, 2);
  EXPECT_EQ(maxSeen, 2) << "four files written, the bar stops at its end";
}

TEST_F(UnzipTest, DisksInSideBySideFoldersAreInsertedWithoutAMessage) {
#ifdef _WIN32
  GTEST_SKIP() << "Windows reads a disk by its folder's own path, and these lie on no drive of the test's machine";
#endif
  const fs::path set = machine.Root() / "set";
  const std::size_t segments = BuildSet(Package(), set);
  ASSERT_GE(segments, 3u);
  // disk1 is the start folder; the others lie beside it, named in any case.
  const fs::path disk1 = machine.Root() / "disk1";
  for (std::size_t n = 1; n <= segments; ++n) {
    const fs::path folder = n == 1 ? disk1 : machine.Root() / (n == 2 ? "DISK2" : "disk" + std::to_string(n));
    fs::create_directories(folder);
    char name[16];
    std::snprintf(name, sizeof name, "zevsetup.%03zu", n);
    fs::rename(set / name, folder / name);
  }
  WriteHostFile(disk1 / "install.cfg", "[Setup - Main]\nHeader=x\n");
  // Many other folders beside them: a disk change looks its folder up by name. Only the folder
  // named in another case makes the parent folder be read, once; the other readings are of the
  // few folders the stage writes into, whatever the number of disks.
  for (int i = 0; i < 300; ++i) fs::create_directories(machine.Root() / ("other" + std::to_string(i)));
  machine.machine().MapDrive('A', disk1);
  const std::uint64_t listings = platform::FolderListings();
  Run();
  EXPECT_TRUE(wizardShown);
  EXPECT_EQ(tempFilesAtWizard, Expected());
  EXPECT_TRUE(backend.boxes.empty());
  EXPECT_EQ(*machine.machine().DriveFolder('A'), disk1) << "A: is the start folder again";
  EXPECT_LE(platform::FolderListings() - listings, 10u);
}

TEST_F(UnzipTest, MissingSegmentGivesTheDiskMessageTwiceThenTheReadersBox) {
  const std::size_t segments = BuildSet(Package(), machine.StartDir());
  ASSERT_GE(segments, 3u);
  fs::remove(machine.StartDir() / "zevsetup.002");
  std::vector<std::string> notices, log;
  std::vector<platform::Cursor> cursors;
  app->OnNotice = [&](const std::string& line) { notices.push_back(line); };
  app->OnLog = [&](const std::string& line) { log.push_back(line); };
  const std::vector<ModalResult> answers = {ModalResult::OK, ModalResult::OK, ModalResult::Cancel};
  backend.answerer = [&](const ui::BoxRequest&) {
    cursors.push_back(app->GetCursor());
    return cursors.size() <= answers.size() ? answers[cursors.size() - 1] : ModalResult::OK;
  };
  Run();
  // Beside the box, the person at this host learns which file is missing and where A: is.
  EXPECT_EQ(notices, std::vector<std::string>{"disk #2 is missing: A:\\ZEVSetup.002 was not found; A: is the folder " +
                                               machine.StartDir().string()});
  // The hour glass shows while the stage works (the reader sets the arrow for its own prompt).
  ASSERT_GE(cursors.size(), 2u);
  EXPECT_EQ(cursors[0], platform::Cursor::HourGlass);
  EXPECT_EQ(app->GetCursor(), platform::Cursor::Default);
  // The log gives the cause behind "Error Expanding Files!!".
  EXPECT_TRUE(std::any_of(log.begin(), log.end(), [](const std::string& line) {
    return line.find("expansion failed: the segment file zevsetup.002 was not found") != std::string::npos;
  })) << ::testing::PrintToString(log);
  EXPECT_FALSE(wizardShown);
  const std::vector<std::string> texts = BoxTexts();
  ASSERT_EQ(texts.size(), 4u);
  EXPECT_EQ(texts[0], "Please Insert Disk #2 into Floppy Drive.");
  EXPECT_EQ(texts[1], "Please Insert Disk #2 into Floppy Drive.");
  EXPECT_EQ(texts[2].rfind("Unable to locate \"zevsetup.002\" on this segment!", 0), 0u) << texts[2];
  EXPECT_EQ(backend.boxes[2].box.buttons, platform::mbOK | platform::mbCancel);
  EXPECT_EQ(texts[3], "Error Expanding Files!!");
  EXPECT_TRUE(main->ExpansionFailed);
  EXPECT_NE(main->ExpansionFailure.find("zevsetup.002"), std::string::npos) << main->ExpansionFailure;
  EXPECT_FALSE(fs::exists(TempHost())) << "the files of the first segment were cleared at exit";
}

TEST_F(UnzipTest, DiskInsertedWhileTheMessageIsOpenContinuesThePass) {
  BuildSet(Package(), machine.StartDir());
  const fs::path saved = machine.Root() / "saved.002";
  fs::rename(machine.StartDir() / "zevsetup.002", saved);
  backend.answerer = [&](const ui::BoxRequest&) {
    fs::rename(saved, machine.StartDir() / "zevsetup.002");
    return ModalResult::OK;
  };
  Run();
  EXPECT_EQ(BoxTexts(), std::vector<std::string>{"Please Insert Disk #2 into Floppy Drive."});
  EXPECT_EQ(tempFilesAtWizard, Expected());
}

TEST_F(UnzipTest, AbortDuringTheExpansionEndsWithoutTheWizardAndRemovesTheFolder) {
  BuildSet(Package(), machine.StartDir());
  EXPECT_TRUE(RunClickingDuringTheExpansion(ModalResult::Abort));
  EXPECT_FALSE(wizardShown);
  ASSERT_GE(backend.boxes.size(), 1u);
  EXPECT_EQ(backend.boxes[0].box.text, "Abort Setup Process ?");
  EXPECT_EQ(backend.boxes[0].box.buttons, platform::mbNo | platform::mbAbort);
  // Random members are stored, not compressed, and report no progress, so the pass may finish
  // its last member before it can be stopped; either way the wizard never opens.
  EXPECT_TRUE(main->ExpansionCancelled);
  EXPECT_FALSE(fs::exists(TempHost()));
  EXPECT_EQ(EndBeforeTheWizard(*main, wizardShown)->code, kSetupCancelled);
}

TEST_F(UnzipTest, QuittingBeforeTheWizardIsACancellation) {
  BuildSet(Package(), machine.StartDir());
  CreateForms();
  // The icon is double-clicked while the main screen waits for the expansion stage.
  backend.onPoll = [&] {
    if (main->Timer1.Enabled()) main->Image1.DblClick();
  };
  app->Run();
  EXPECT_FALSE(wizardShown);
  EXPECT_EQ(backend.shownForms, std::vector<std::string>{"MainSetup"});
  const std::optional<TEarlyEnd> end = EndBeforeTheWizard(*main, wizardShown);
  ASSERT_TRUE(end);
  EXPECT_EQ(end->code, kSetupCancelled);
  EXPECT_EQ(end->message, "setup was cancelled before the wizard was shown: nothing was installed");
}

TEST_F(UnzipTest, StartedOutsideTheFirstDisksFolderNamesTheHostFolder) {
  Run();
  EXPECT_FALSE(wizardShown);
  const std::optional<TEarlyEnd> end = EndBeforeTheWizard(*main, wizardShown);
  ASSERT_TRUE(end);
  EXPECT_EQ(end->code, kSetupFailed);
  EXPECT_EQ(end->message, "no zevsetup.001 in " + machine.StartDir().string() +
                              ": setup starts in the first disk's folder, the one that holds install.cfg and zevsetup.001");
}

TEST_F(UnzipTest, NoAtTheAbortQuestionLetsTheExpansionContinue) {
  BuildSet(Package(), machine.StartDir());
  EXPECT_TRUE(RunClickingDuringTheExpansion(ModalResult::No));
  EXPECT_TRUE(wizardShown);
  EXPECT_EQ(tempFilesAtWizard, Expected());
}

TEST_F(UnzipTest, DamagedSetFailsAndLeavesNoFolderUnlessItHoldsASubfolder) {
  BuildSet(Package(), machine.StartDir());
  WriteHostFile(machine.StartDir() / "zevsetup.002", "SSeg but broken");
  Run();
  EXPECT_FALSE(wizardShown);
  EXPECT_EQ(BoxTexts().back(), "Error Expanding Files!!");
  EXPECT_FALSE(main->ExpansionCancelled);
  EXPECT_FALSE(fs::exists(TempHost()));
  EXPECT_EQ(EndBeforeTheWizard(*main, wizardShown)->code, kSetupFailed);

  // A sub-folder cannot be deleted by the clearing: the folder stays, the files go.
  backend.boxes.clear();
  fs::create_directories(TempHost() / "sub");
  WriteHostFile(TempHost() / "file.txt", "x");
  main->Config.TempDir = "C:\\WINDOWS\\Temp\\z";
  main->ClearTempFolder();
  EXPECT_TRUE(fs::exists(TempHost() / "sub"));
  EXPECT_FALSE(fs::exists(TempHost() / "file.txt"));
}

TEST_F(UnzipTest, MembersWithoutAFileNameAreSkipped) {
  CreateForms();
  main->FormCreate();
  std::string path = "C:\\APP\\..";
  unzip->SegCompEZ1CheckFile(path, compress::cmExpanding);
  EXPECT_EQ(path, "");
  path = "C:\\APP\\dir\\";
  unzip->SegCompEZ1CheckFile(path, compress::cmExpanding);
  EXPECT_EQ(path, "");
  path = "C:\\APP\\bin\\tool.exe";
  unzip->SegCompEZ1CheckFile(path, compress::cmExpanding);
  EXPECT_EQ(path, "C:\\WINDOWS\\Temp\\z\\tool.exe");
  path = "D:tool2.exe";
  unzip->SegCompEZ1CheckFile(path, compress::cmExpanding);
  EXPECT_EQ(path, "C:\\WINDOWS\\Temp\\z\\tool2.exe");
  EXPECT_EQ(unzip->SkippedMembers.size(), 2u);
  EXPECT_EQ(unzip->Label2.Caption, "tool2.exe");
}

class MainSetupTest : public SetupFixture {};

TEST_F(MainSetupTest, StartDirectoryAndTemporaryFolder) {
  CreateForms();
  EXPECT_EQ(main->Config.StartDir, "A:\\");
  EXPECT_EQ(main->Config.TempDir, "C:\\WINDOWS\\Temp\\z");
  EXPECT_EQ(main->Config.WinDrive, "C:\\");
#ifndef _WIN32
  // Windows keeps the folder private by its access list, not by permission bits.
  EXPECT_EQ(fs::status(TempHost()).permissions() & fs::perms::all, fs::perms::owner_all)
      << "private to the current user";
#endif
  fs::create_directories(machine.DriveC() / "SETUP");
  machine.machine().SetCurrentDirectory("C:\\SETUP");
  main->FormCreate();
  EXPECT_EQ(main->Config.StartDir, "C:\\SETUP\\");
  EXPECT_EQ(main->ConfigFileName(), "C:\\SETUP\\install.cfg");
}

TEST_F(MainSetupTest, ClearingRemovesReadOnlyFilesAndTheFolder) {
  CreateForms();
  WriteHostFile(TempHost() / "a.txt", "a");
  WriteHostFile(TempHost() / "ro.dll", "b");
  ASSERT_TRUE(platform::SetFileAttributes("C:\\WINDOWS\\Temp\\z\\ro.dll", platform::faReadOnly));
  main->ClearTempFolder();
  EXPECT_FALSE(fs::exists(TempHost()));
}

TEST_F(MainSetupTest, ALinkInPlaceOfTheTemporaryFolderIsRefusedAndNotFollowed) {
  fs::create_directories(machine.DriveC() / "WINDOWS" / "Temp");
  fs::create_directories(machine.DriveC() / "precious");
  WriteHostFile(machine.DriveC() / "precious" / "keep.txt", "keep");
  std::error_code linkError;
  fs::create_directory_symlink(machine.DriveC() / "precious", TempHost(), linkError);
  if (linkError) GTEST_SKIP() << "this host makes no symbolic links for this user";
  CreateForms();
  EXPECT_NE(main->TempFolderProblem.find("symbolic link"), std::string::npos) << main->TempFolderProblem;
  main->ClearTempFolder();
  EXPECT_TRUE(fs::exists(machine.DriveC() / "precious" / "keep.txt"));
}

TEST_F(MainSetupTest, DoubleClickOnTheIconEndsTheProgramThroughClose) {
  CreateForms();
  main->Show();
  WriteHostFile(TempHost() / "left.txt", "x");
  main->Image1.DblClick();
  EXPECT_TRUE(app->Terminated());
  EXPECT_FALSE(fs::exists(TempHost()));
}

}  // namespace
}  // namespace zev::setup::testing
