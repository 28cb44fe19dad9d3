// The installation worker: directory resolution, copies and their questions, the uninstall list
// in a fresh and in a re-used file, shortcuts and their questions, INI values, the workstation
// list, the program started at the end, errors that stop the run and failures that do not.
#include "setup/install_worker.h"

#include "platform/files.h"
#include "platform/fs_utils.h"
#include "platform/machine.h"
#include "platform/profile.h"
#include "setup/install_manifest.h"
#include "tests/setup/setup_fixture.h"

namespace zev::setup::testing {
namespace {

using platform::ModalResult;

constexpr const char* kDest = "C:\\Program Files\\MyApp";

class InstallWorkerTest : public SetupFixture {
 protected:
  InstallWorkerTest() {
    PutSetupProgram();
    config.FolderName = "Tools";
  }

  static void Set(TStringList& list, const std::vector<std::string>& entries) {
    list.Clear();
    for (const std::string& e : entries) list.Add(e);
  }

  // Shows the wizard, applies the choices, presses Install and returns once the worker is done.
  void Install(const std::string& destination = kDest) {
    if (!wizard) ShowWizard();
    wizard->Label1.SetCaption(destination);
    if (beforeInstall) beforeInstall();
    wizard->installClick();
  }
  std::function<void()> beforeInstall;

  std::string Uninstall(const std::string& dir = kDest) { return ReadHostFile(Host(dir + "\\uninstall.cfg")); }
  // The manifest's records as "kind path" lines, in file order.
  std::vector<std::string> Manifest(const std::string& dir = kDest) {
    const TManifest manifest = ParseManifest(ReadHostFile(Host(dir + "\\uninstall.zev")));
    EXPECT_TRUE(manifest.valid);
    EXPECT_TRUE(manifest.problems.empty());
    std::vector<std::string> lines;
    for (const TManifestRecord& record : manifest.records)
      lines.push_back(FormatRecord(record).substr(0, FormatRecord(record).find('\t')) + " " + record.path);
    return lines;
  }
  std::string Win(const std::string& rest) const { return "C:\\WINDOWS" + rest; }
};

TEST(InstallWorkerParts, DirectoryKeysResolveByTheFirstRuleThatHolds) {
  platform::ScopedMachine machine;
  EXPECT_EQ(ResolveDirectoryKey("<WINDOWS>", "anything", kDest, "C:\\"), "C:\\WINDOWS");
  EXPECT_EQ(ResolveDirectoryKey("<windows_system>", "x", kDest, "C:\\"), "C:\\WINDOWS\\System");
  EXPECT_EQ(ResolveDirectoryKey("<ProgramFiles>", "x", kDest, "C:\\"), "C:\\Program Files");
  EXPECT_EQ(ResolveDirectoryKey("<INSTALLDIR>", "x", kDest, "C:\\"), kDest);
  EXPECT_EQ(ResolveDirectoryKey("<sub1>", "Data", kDest, "C:\\"), std::string(kDest) + "\\Data");
  EXPECT_EQ(ResolveDirectoryKey("X<ALT>", "Alt", kDest, "C:\\"), std::string(kDest) + "\\Alt");
  EXPECT_EQ(ResolveDirectoryKey("BASE", "Tools", kDest, "C:\\"), "C:\\Tools");
  // <SUB wins over the label rule even inside a longer key; an exact-key rule needs the whole key.
  EXPECT_EQ(ResolveDirectoryKey("<WINDOWS><SUB", "S", kDest, "C:\\"), std::string(kDest) + "\\S");
}

TEST(InstallWorkerParts, EntriesSplitAsTheWorkerReadsThem) {
  auto d = SplitDesktopEntry("My App~<INSTALLDIR>app.exe~X~");
  EXPECT_EQ(d.name, "My App");
  EXPECT_EQ(d.target, "<INSTALLDIR>app.exe");
  EXPECT_TRUE(d.offerDesktop);
  EXPECT_FALSE(d.offerStartMenu);
  d = SplitDesktopEntry("A~<INSTALLDIR>a.exe~~X");
  EXPECT_FALSE(d.offerDesktop);
  EXPECT_TRUE(d.offerStartMenu);
  d = SplitDesktopEntry("A~<INSTALLDIR>a.exe");  // two fields: neither
  EXPECT_FALSE(d.offerDesktop || d.offerStartMenu);
  d = SplitDesktopEntry("A~<INSTALLDIR>a.exe~X");  // three fields with X: both
  EXPECT_TRUE(d.offerDesktop && d.offerStartMenu);
  d = SplitDesktopEntry("A~<INSTALLDIR>a.exe~x~x");  // upper case only
  EXPECT_FALSE(d.offerDesktop || d.offerStartMenu);

  std::string key, path;
  SplitKeyAndPath("<INSTALLDIR>bin\\a>b.exe", key, path);
  EXPECT_EQ(key, "<INSTALLDIR>");
  EXPECT_EQ(path, "bin\\a>b.exe");
  SplitKeyAndPath("no key", key, path);
  EXPECT_EQ(key, "");
  EXPECT_EQ(path, "no key");
}

TEST_F(InstallWorkerTest, DirectoriesAreCreatedListedAndStartTheUninstallList) {
  Set(config.DirectoryEntries, {"<INSTALLDIR>~", "<SUB1>~Data", "<WINDOWS>~anything", "<WINDOWS_SYSTEM>~",
                                "<PROGRAMFILES>~", "BASE~Tools"});
  Install();
  EXPECT_EQ(wizard->Memo5.Lines.Strings(),
            (std::vector<std::string>{kDest, std::string(kDest) + "\\Data", "C:\\WINDOWS", "C:\\WINDOWS\\System",
                                      "C:\\Program Files", "C:\\Tools"}));
  for (const std::string& dir : wizard->Memo5.Lines.Strings()) EXPECT_TRUE(platform::IsDirectory(dir)) << dir;
  EXPECT_EQ(Uninstall(), "[UNINS]\r\nC:\\Program Files\\MyApp\\*.*=\r\n");
  EXPECT_EQ(ReadHostFile(Host(std::string(kDest) + "\\install.exe")), "setup program");
  EXPECT_EQ(ReadHostFile(Host(std::string(kDest) + "\\install.cfg")), "[Setup - Main]\r\n");
  EXPECT_EQ(wizard->Notebook1.PageIndex(), kPageInstall);
  EXPECT_TRUE(wizard->InstallCompleted);
  EXPECT_TRUE(mainClosed);
  EXPECT_TRUE(backend.boxes.empty());
}

TEST_F(InstallWorkerTest, FreshUninstallListHoldsEverySectionInItsOrder) {
  Set(config.DirectoryEntries, {"<INSTALLDIR>~", "<SUB1>~Data", "<ALT1>~Alt", "<WINDOWS>~"});
  Set(config.FileEntries, {"bin\\app.exe~<INSTALLDIR>~X", "readme.txt~<SUB1>~X", "extra.dat~<ALT1>~X",
                           "sys.dll~<WINDOWS>~X"});
  Set(config.DesktopEntries, {"My App~<INSTALLDIR>app.exe~X~X"});
  for (const char* name : {"app.exe", "readme.txt", "extra.dat", "sys.dll"}) PutTemp(name, name);
  backend.script = {ModalResult::Yes, ModalResult::Yes};
  beforeInstall = [this] {
    wizard->CheckBox1.Checked = true;
    wizard->CheckBox2.Checked = true;
  };
  Install();
  const std::string d = kDest;
  EXPECT_EQ(Uninstall(), "[UNINS]\r\n" + d + "\\*.*=\r\n" + d + "\\Data\\readme.txt=\r\n" + d +
                             "\\Alt\\extra.dat=\r\n" + Win("\\Desktop\\Tools\\My App.*=\r\n") +
                             Win("\\Desktop\\My App.*=\r\n") + Win("\\Start Menu\\My App.*=\r\n") +
                             Win("\\Start Menu\\Tools\\My App.*=\r\n") +
                             Win("\\Start Menu\\Programs\\Tools\\My App.*=\r\n") + "[Name]\r\nName=Tools\r\n" +
                             "[Folders]\r\n" + Win("\\Desktop\\Tools=\r\n") + Win("\\Start Menu\\Tools=\r\n") +
                             Win("\\Start Menu\\Programs\\Tools=\r\n"));
  EXPECT_EQ(ReadHostFile(Host(d + "\\app.exe")), "app.exe");
  EXPECT_EQ(ReadHostFile(Host("C:\\WINDOWS\\sys.dll")), "sys.dll");
  for (const char* link : {"\\Desktop\\Tools\\My App.lnk", "\\Desktop\\My App.lnk", "\\Start Menu\\My App.lnk",
                           "\\Start Menu\\Tools\\My App.lnk", "\\Start Menu\\Programs\\Tools\\My App.lnk"})
    EXPECT_TRUE(platform::FileExists(Win(link))) << link;
  EXPECT_EQ(BoxTexts(), (std::vector<std::string>{"Add My App to Desktop?", "Add My App to Start Menu?"}));
  EXPECT_EQ(backend.boxes[0].box.title, "Confirm");
}

TEST_F(InstallWorkerTest, ReusedUninstallListLosesOldEntriesAndKeepsOtherSections) {
  WriteHostFile(Host(kDest) / "uninstall.cfg",
              "[Name]\r\nName=Old\r\n[UNINS]\r\nC:\\Old\\*.*=\r\n[Custom]\r\nkeep=1\r\n[Folders]\r\nC:\\Old=\r\n");
  Set(config.DirectoryEntries, {"<INSTALLDIR>~"});
  Set(config.DesktopEntries, {"Ed~<INSTALLDIR>ed.exe"});
  Install();
  EXPECT_EQ(Uninstall(), "[Name]\r\nName=Tools\r\n[Custom]\r\nkeep=1\r\n[UNINS]\r\n" + std::string(kDest) +
                             "\\*.*=\r\n" + Win("\\Start Menu\\Programs\\Tools\\Ed.*=\r\n") + "[Folders]\r\n" +
                             Win("\\Start Menu\\Programs\\Tools=\r\n"));
}

// The list is kept in memory and written where a failure must not lose it: 10,000 records cost a
// few writes of the file, not one each (which made 8,000 entries take minutes and write 850 MB).
TEST_F(InstallWorkerTest, UninstallListIsWrittenAFewTimesForTenThousandRecords) {
  Set(config.DirectoryEntries, {"<INSTALLDIR>~", "<SUB1>~Data"});
  std::vector<std::string> files;
  for (int i = 0; i < 10000; ++i) files.push_back("f" + std::to_string(i) + ".txt~<SUB1>~X");
  Set(config.FileEntries, files);
  const std::uint64_t before = platform::ProfileFilesWritten();
  Install();
  EXPECT_LE(platform::ProfileFilesWritten() - before, 2u);
  const std::string list = Uninstall();
  EXPECT_NE(list.find(std::string(kDest) + "\\Data\\f0.txt=\r\n"), std::string::npos);
  EXPECT_NE(list.find(std::string(kDest) + "\\Data\\f9999.txt=\r\n"), std::string::npos);
}

// Before each question the list is on disk: a user who ends the program at the box keeps it.
TEST_F(InstallWorkerTest, UninstallListIsOnDiskBeforeEachQuestion) {
  Set(config.DirectoryEntries, {"<INSTALLDIR>~", "<SUB1>~Data"});
  Set(config.FileEntries, {"a.txt~<SUB1>~X", "b.txt~<SUB1>~"});
  PutTemp("a.txt", "a");
  PutTemp("b.txt", "b");
  WriteHostFile(Host(kDest) / "Data" / "b.txt", "old");
  std::string listAtQuestion;
  backend.answerer = [&](const ui::BoxRequest&) {
    listAtQuestion = Uninstall();
    return ModalResult::No;
  };
  Install();
  EXPECT_EQ(listAtQuestion, "[UNINS]\r\n" + std::string(kDest) + "\\*.*=\r\n" + kDest + "\\Data\\a.txt=\r\n");
}

// A directory entry 505 levels deep is longer than MAX_PATH: it is refused at once (not walked
// level by level, which took seconds per entry), named in the log, and its files are reported.
TEST_F(InstallWorkerTest, DirectoryPastMaxPathIsRefusedAtOnce) {
  std::string deep;
  for (int i = 0; i < 505; ++i) deep += (i ? "\\" : "") + std::string("a");
  Set(config.DirectoryEntries, {"<INSTALLDIR>~", "<SUB1>~" + deep});
  Set(config.FileEntries, {"f.txt~<SUB1>~X"});
  PutTemp("f.txt", "f");
  const std::uint64_t before = platform::Machine::Current().ComponentLookups();
  Install();
  EXPECT_LT(platform::Machine::Current().ComponentLookups() - before, 200u);
  EXPECT_NE(std::find_if(log.begin(), log.end(),
                         [](const std::string& line) {
                           return line.find("directory not created: Path longer than 259 characters") != std::string::npos;
                         }),
            log.end());
  ASSERT_EQ(wizard->InstallFailures.size(), 1u);
  EXPECT_FALSE(fs::exists(Host(kDest) / "a"));
}

TEST_F(InstallWorkerTest, OverwriteIsAskedOnlyWithoutTheMarkAndOnlyForExistingTargets) {
  Set(config.DirectoryEntries, {"<INSTALLDIR>~"});
  Set(config.FileEntries, {"d:\\build\\app.exe~<INSTALLDIR>~", "lib.dll~<INSTALLDIR>~X", "new.txt~<INSTALLDIR>~",
                           "keep.txt~<INSTALLDIR>~x"});
  for (const char* name : {"app.exe", "lib.dll", "new.txt", "keep.txt"}) {
    PutTemp(name, std::string("new ") + name);
    if (std::string(name) != "new.txt") WriteHostFile(Host(kDest) / name, "old");
  }
  backend.script = {ModalResult::Yes, ModalResult::No};
  Install();
  EXPECT_EQ(BoxTexts(), (std::vector<std::string>{"File Already Exists (app.exe). Overwrite?",
                                                  "File Already Exists (keep.txt). Overwrite?"}));
  EXPECT_EQ(backend.boxes[0].box.buttons, platform::mbYes | platform::mbNo);
  EXPECT_EQ(ReadHostFile(Host(kDest) / "app.exe"), "new app.exe");  // from TempDir, not d:\build
  EXPECT_EQ(ReadHostFile(Host(kDest) / "lib.dll"), "new lib.dll");
  EXPECT_EQ(ReadHostFile(Host(kDest) / "new.txt"), "new new.txt");
  EXPECT_EQ(ReadHostFile(Host(kDest) / "keep.txt"), "old");
  EXPECT_TRUE(wizard->InstallFailures.empty());
}

TEST_F(InstallWorkerTest, SubAndAltFilesAreRecordedEvenWhenKept) {
  Set(config.DirectoryEntries, {"<INSTALLDIR>~", "<SUB1>~Data", "<ALT2>~Alt"});
  Set(config.FileEntries, {"readme.txt~<SUB1>~", "alt.txt~<ALT2>~"});
  PutTemp("readme.txt", "new");
  PutTemp("alt.txt", "new");
  WriteHostFile(Host(kDest) / "Data" / "readme.txt", "old");
  WriteHostFile(Host(kDest) / "Alt" / "alt.txt", "old");
  backend.script = {ModalResult::No, ModalResult::No};
  Install();
  EXPECT_EQ(ReadHostFile(Host(kDest) / "Data" / "readme.txt"), "old");
  EXPECT_EQ(Uninstall(), "[UNINS]\r\n" + std::string(kDest) + "\\*.*=\r\n" + kDest + "\\Data\\readme.txt=\r\n" +
                             kDest + "\\Alt\\alt.txt=\r\n");
}

TEST_F(InstallWorkerTest, EntriesAreHandledOncePerMatchingDirectoryGroupedByDirectory) {
  Set(config.DirectoryEntries, {"<INSTALLDIR>~", "<SUB1>~One", "<sub1>~Two"});
  Set(config.FileEntries, {"a.txt~<SUB1>~", "lost.txt~<NOWHERE>~", "b.txt~<INSTALLDIR>~X"});
  for (const char* name : {"a.txt", "lost.txt", "b.txt"}) PutTemp(name, name);
  WriteHostFile(Host(kDest) / "One" / "a.txt", "old");
  WriteHostFile(Host(kDest) / "Two" / "a.txt", "old");
  backend.answerer = [&](const ui::BoxRequest&) { return ModalResult::Yes; };
  Install();
  // The key <sub1> matches <SUB1> without regard to case: two groups, two questions, two copies.
  EXPECT_EQ(BoxTexts().size(), 2u);
  EXPECT_EQ(ReadHostFile(Host(kDest) / "One" / "a.txt"), "a.txt");
  EXPECT_EQ(ReadHostFile(Host(kDest) / "Two" / "a.txt"), "a.txt");
  EXPECT_FALSE(fs::exists(Host(kDest) / "lost.txt"));
  EXPECT_EQ(Uninstall().find("lost.txt"), std::string::npos);
  std::vector<std::string> copied;
  for (const std::string& line : log)
    if (line.find("copied ") != std::string::npos && line.find(".txt") != std::string::npos) copied.push_back(line.substr(10));
  EXPECT_EQ(copied, (std::vector<std::string>{"copied b.txt to " + std::string(kDest),
                                              "copied a.txt to " + std::string(kDest) + "\\One",
                                              "copied a.txt to " + std::string(kDest) + "\\Two"}));
}

TEST_F(InstallWorkerTest, ShortcutQuestionsFollowTheFlagsAndNoStillMakesTheFolderLink) {
  Set(config.DirectoryEntries, {"<INSTALLDIR>~"});
  Set(config.DesktopEntries, {"Two~<INSTALLDIR>two.exe", "Three~<INSTALLDIR>three.exe~X",
                              "My App~<INSTALLDIR>app.exe~X~"});
  backend.answerer = [](const ui::BoxRequest&) { return ModalResult::No; };
  Install();
  EXPECT_EQ(BoxTexts(), (std::vector<std::string>{"Add Three to Desktop?", "Add Three to Start Menu?",
                                                  "Add My App to Desktop?"}));
  EXPECT_TRUE(platform::FileExists(Win("\\Start Menu\\Programs\\Tools\\My App.lnk")));
  EXPECT_FALSE(platform::FileExists(Win("\\Desktop\\My App.lnk")));
  EXPECT_FALSE(fs::exists(Host(Win("\\Desktop\\Tools"))));
  EXPECT_EQ(Uninstall(), "[UNINS]\r\n" + std::string(kDest) + "\\*.*=\r\n" +
                             Win("\\Start Menu\\Programs\\Tools\\Two.*=\r\n") +
                             Win("\\Start Menu\\Programs\\Tools\\Three.*=\r\n") +
                             Win("\\Start Menu\\Programs\\Tools\\My App.*=\r\n") + "[Name]\r\nName=Tools\r\n" +
                             "[Folders]\r\n" + Win("\\Start Menu\\Programs\\Tools=\r\n"));
  EXPECT_EQ(wizard->Shortcuts1.RunProgram, std::string(kDest) + "\\app.exe");
  EXPECT_EQ(wizard->source.Caption, "Creating Icons and Folders");
  EXPECT_EQ(wizard->Dest.Caption, "Tools");
}

TEST_F(InstallWorkerTest, IniValuesAreWrittenPerMatchingDirectory) {
  config.IniFileName = "myapp.ini";
  Set(config.DirectoryEntries, {"<INSTALLDIR>~", "<SUB1>~Data"});
  Set(config.IniSetupEntries, {"Paths~Home~<INSTALLDIR>data", "Paths~Data~<SUB1>", "Paths~None~<OTHER>x"});
  Install();
  EXPECT_EQ(ReadHostFile(Host("C:\\WINDOWS\\myapp.ini")),
            "[Paths]\r\nHome=" + std::string(kDest) + "\\data\r\nData=" + kDest + "\\Data\\\r\n");
}

// The INI file resolves as the profile functions resolve it; one on the setup disk (A:, the start
// folder) is refused before anything is installed, while a drive the user mapped stays writable.
// A key that would not read back as written stops the run without becoming a line of the file.
struct IniCase {
  std::string iniFile;
  std::string entry;
  std::string written;  // Windows path of the file that receives the value; "" when refused
  std::string error;    // how the stop is reported; "" when the run finishes
};

class IniTargetTest : public InstallWorkerTest, public ::testing::WithParamInterface<IniCase> {};

TEST_P(IniTargetTest, IniFileOnTheSetupDiskIsRefused) {
  const IniCase& c = GetParam();
  machine.machine().SetMedia('A', true);
  fs::create_directories(machine.Root() / "user");
  machine.machine().MapDrive('D', machine.Root() / "user");
  WriteHostFile(machine.StartDir() / "evil.sh", "#!/bin/sh\n");
  config.IniFileName = c.iniFile;
  Set(config.DirectoryEntries, {"<INSTALLDIR>~"});
  Set(config.IniSetupEntries, {c.entry});
  Install();
  EXPECT_EQ(wizard->InstallError.rfind(c.error, 0), 0u) << wizard->InstallError;
  EXPECT_EQ(wizard->InstallCompleted, c.error.empty());
  EXPECT_EQ(ReadHostFile(machine.StartDir() / "evil.sh"), "#!/bin/sh\n");
  if (!c.written.empty()) {
    EXPECT_EQ(ReadHostFile(Host(c.written)), "[Paths]\r\nHome=" + std::string(kDest) + "\\data\r\n");
  } else {
    EXPECT_FALSE(fs::exists(Host("C:\\WINDOWS\\app.ini")));
    // A refused file stops the run before anything is installed; a refused key where it comes.
    EXPECT_EQ(fs::exists(Host(kDest)), c.error.rfind("Unable", 0) == 0);
  }
}

INSTANTIATE_TEST_SUITE_P(
    IniFiles, IniTargetTest,
    ::testing::Values(IniCase{"app.ini", "Paths~Home~<INSTALLDIR>data", "C:\\WINDOWS\\app.ini", ""},
                      IniCase{"C:\\app.ini", "Paths~Home~<INSTALLDIR>data", "C:\\app.ini", ""},
                      IniCase{"D:\\app.ini", "Paths~Home~<INSTALLDIR>data", "D:\\app.ini", ""},
                      IniCase{"A:\\evil.sh", "Paths~Home~<INSTALLDIR>data", "",
                              "the INI file A:\\evil.sh resolves to A:\\evil.sh, on the setup disk A:"},
                      IniCase{"evil.sh\\..\\evil.sh", "Paths~Home~<INSTALLDIR>data", "", "the INI file evil.sh"},
                      IniCase{"..\\..\\..\\evil.sh", "Paths~Home~<INSTALLDIR>data", "", "the INI file ..\\"},
                      IniCase{"app.ini", "Paths~rm -rf x=y~<INSTALLDIR>data", "", "Unable to write to app.ini"},
                      IniCase{"app.ini", "Paths~a\rb~<INSTALLDIR>data", "", "Unable to write to app.ini"}));

TEST_F(InstallWorkerTest, NetworkWorkstationCopiesOnlyTheWorkStationList) {
  Set(config.DirectoryEntries, {"<INSTALLDIR>~"});
  Set(config.FileEntries, {"full.exe~<INSTALLDIR>~X"});
  Set(config.WorkStationEntries, {"ws.exe~<INSTALLDIR>", "ws.ini~<INSTALLDIR>~X"});
  for (const char* name : {"full.exe", "ws.exe", "ws.ini"}) PutTemp(name, name);
  WriteHostFile(Host(kDest) / "ws.exe", "old");
  WriteHostFile(Host(kDest) / "ws.ini", "old");
  backend.script = {ModalResult::No};
  beforeInstall = [this] { wizard->min.SetChecked(true); };
  Install();
  EXPECT_FALSE(fs::exists(Host(kDest) / "full.exe"));
  EXPECT_EQ(ReadHostFile(Host(kDest) / "ws.exe"), "old");
  EXPECT_EQ(ReadHostFile(Host(kDest) / "ws.ini"), "ws.ini");
  EXPECT_EQ(BoxTexts(), std::vector<std::string>{"File Already Exists (ws.exe). Overwrite?"});
  EXPECT_EQ(wizard->ProgressBar1.Max, 3);  // every list counts, whichever is copied
}

TEST_F(InstallWorkerTest, LaunchProgramIsRewrittenAndStartedAsChosen) {
  Set(config.DirectoryEntries, {"<INSTALLDIR>~"});
  config.LaunchProgram = "<INSTALLDIR>app.exe";
  beforeInstall = [this] { wizard->RadioButton1.SetChecked(true); };
  Install("C:\\MyApp");
  EXPECT_EQ(config.LaunchProgram, "C:\\MyApp\\app.exe");
  ASSERT_EQ(launcher.requests.size(), 1u);
  EXPECT_EQ(launcher.requests[0].file, "C:\\MyApp\\app.exe");
  EXPECT_EQ(launcher.requests[0].directory, "C:\\MyApp");
  EXPECT_EQ(launcher.requests[0].showCommand, 5);
}

TEST_F(InstallWorkerTest, OtherProgramsAreStartedOnlyWhenChosen) {
  Set(config.DirectoryEntries, {"<INSTALLDIR>~"});
  config.LaunchProgram = "<INSTALLDIR>app.exe";
  Install("C:\\MyApp");  // "Return to Windows" stays checked
  EXPECT_TRUE(launcher.requests.empty());
}

TEST_F(InstallWorkerTest, SetupProgramIsStartedWhateverWasChosen) {
  Set(config.DirectoryEntries, {"<INSTALLDIR>~"});
  config.LaunchProgram = "<INSTALLDIR>setup.exe";
  Install("C:\\MyApp");
  EXPECT_FALSE(wizard->RadioButton1.Checked());
  ASSERT_EQ(launcher.requests.size(), 1u);
  EXPECT_EQ(launcher.requests[0].file, "C:\\MyApp\\setup.exe");
}

// Only the file name of the resolved launch path makes a setup program that starts unasked; what
// is started is asked for only when the user chose it, which is what lets the shell open a
// document.
struct LaunchCase {
  std::string launch;
  bool chosen;
  bool started;
};

class LaunchChoiceTest : public InstallWorkerTest, public ::testing::WithParamInterface<LaunchCase> {};

TEST_P(LaunchChoiceTest, OnlyASetupFileNameStartsAProgramUnasked) {
  const LaunchCase& c = GetParam();
  Set(config.DirectoryEntries, {"<INSTALLDIR>~"});
  config.LaunchProgram = c.launch;
  beforeInstall = [&] { wizard->RadioButton1.SetChecked(c.chosen); };
  Install("C:\\MyApp");
  ASSERT_EQ(launcher.requests.size(), c.started ? 1u : 0u);
  if (c.started) {
    EXPECT_EQ(launcher.requests[0].userChose, c.chosen);
  }
}

INSTANTIATE_TEST_SUITE_P(LaunchEntries, LaunchChoiceTest,
                         ::testing::Values(LaunchCase{"A:\\SETUP.\\..\\install.exe", false, false},
                                           LaunchCase{"<INSTALLDIR>SETUP.OLD\\app.exe", false, false},
                                           LaunchCase{"<INSTALLDIR>bin/setup.exe", false, true},
                                           LaunchCase{"<INSTALLDIR>readme.txt", true, true},
                                           LaunchCase{"<INSTALLDIR>readme.txt", false, false}));

// File entries are cut at "\\", "/" and ":" alike: a "/" path names its last part in the temporary
// folder and lands in the entry's directory; a name that is no file is refused and not recorded.
TEST_F(InstallWorkerTest, FileEntriesUseTheOneNameSplit) {
  Set(config.DirectoryEntries, {"<INSTALLDIR>~", "<SUB1>~Data"});
  Set(config.FileEntries, {"x/../../../../WINDOWS/win.ini~<SUB1>~X", "sub\\..~<SUB1>~X", "dir/~<SUB1>~X",
                           "a*b~<SUB1>~X"});
  PutTemp("win.ini", "package");
  WriteHostFile(machine.DriveC() / "WINDOWS" / "win.ini", "user");
  Install();
  EXPECT_EQ(ReadHostFile(Host(std::string(kDest) + "\\Data\\win.ini")), "package");
  EXPECT_EQ(ReadHostFile(machine.DriveC() / "WINDOWS" / "win.ini"), "user");
  EXPECT_EQ(Uninstall(), "[UNINS]\r\n" + std::string(kDest) + "\\*.*=\r\n" + std::string(kDest) +
                             "\\Data\\win.ini=\r\n");
  ASSERT_EQ(wizard->InstallFailures.size(), 3u);
  EXPECT_EQ(wizard->InstallFailures[0], "sub\\..: the name ends in \"..\", it names no file");
}

TEST_F(InstallWorkerTest, MissingSetupProgramStopsTheRunOnTheInstallPageKeepingTheWork) {
  fs::remove(machine.StartDir() / "install.exe");
  Set(config.DirectoryEntries, {"<INSTALLDIR>~", "<SUB1>~Data"});
  Set(config.FileEntries, {"a.txt~<INSTALLDIR>~X"});
  PutTemp("a.txt", "a");
  Install();
  EXPECT_EQ(BoxTexts(), std::vector<std::string>{"Cannot open file A:\\install.exe"});
  EXPECT_EQ(wizard->InstallError, "Cannot open file A:\\install.exe");
  EXPECT_FALSE(wizard->InstallCompleted);
  EXPECT_TRUE(wizard->Visible);
  EXPECT_FALSE(mainClosed);
  EXPECT_EQ(wizard->Notebook1.PageIndex(), kPageInstall);
  EXPECT_TRUE(platform::IsDirectory(std::string(kDest) + "\\Data"));
  EXPECT_EQ(Uninstall(), "[UNINS]\r\n" + std::string(kDest) + "\\*.*=\r\n");
  EXPECT_FALSE(fs::exists(Host(kDest) / "a.txt"));
  // The manifest holds what was done before the run stopped.
  EXPECT_EQ(Manifest(), (std::vector<std::string>{"folder C:\\Program Files", "folder " + std::string(kDest),
                                                  "folder " + std::string(kDest) + "\\Data"}));
  // No second run, and no way back to the ready page; Cancel leaves.
  wizard->install.Visible = true;
  wizard->install.Click();
  wizard->back.Click();
  EXPECT_EQ(wizard->Notebook1.PageIndex(), kPageInstall);
  EXPECT_EQ(backend.boxes.size(), 1u);
  wizard->cancel.Click();
  EXPECT_TRUE(wizard->Cancelled);
  EXPECT_TRUE(mainClosed);
}

TEST_F(InstallWorkerTest, EmptyDestinationIsAnErrorThatStopsTheRun) {
  Set(config.DirectoryEntries, {"<INSTALLDIR>~"});
  Install("");
  EXPECT_EQ(wizard->InstallError, "Unable to create directory");
  EXPECT_FALSE(wizard->InstallCompleted);
}

TEST_F(InstallWorkerTest, FailedCopiesAndShortcutsGoOnAndAreReportedAtTheEnd) {
  Set(config.DirectoryEntries, {"<INSTALLDIR>~", "<SUB1>~Data"});
  Set(config.FileEntries, {"missing.txt~<SUB1>~", "ok.txt~<INSTALLDIR>~X", "..~<SUB1>~X"});
  Set(config.DesktopEntries, {"My App~<INSTALLDIR>app.exe"});
  PutTemp("ok.txt", "ok");
  beforeInstall = [this] { wizard->CreateFolder.SetText("Bad:Folder"); };
  Install();
  EXPECT_TRUE(wizard->InstallCompleted);
  EXPECT_TRUE(mainClosed);
  EXPECT_EQ(ReadHostFile(Host(kDest) / "ok.txt"), "ok");
  ASSERT_EQ(wizard->InstallFailures.size(), 3u);
  EXPECT_NE(wizard->InstallFailures[0].find("Data\\missing.txt: Cannot open file C:\\WINDOWS\\Temp\\z\\missing.txt"),
            std::string::npos);
  EXPECT_NE(wizard->InstallFailures[1].find("it names no file"), std::string::npos);
  EXPECT_NE(wizard->InstallFailures[2].find("shortcut My App"), std::string::npos);
  ASSERT_EQ(backend.boxes.size(), 1u);
  EXPECT_EQ(backend.boxes[0].box.title, "Setup");
  EXPECT_NE(backend.boxes[0].box.text.find("missing.txt"), std::string::npos);
  EXPECT_NE(backend.boxes[0].box.text.find("My App"), std::string::npos);
  // The box and the log name the command that removes what was installed.
  const std::string command = "zev-setup --uninstall 'C:\\Program Files\\MyApp'";
  EXPECT_NE(backend.boxes[0].box.text.find("\n\nTo remove what was installed:\n" + command), std::string::npos);
  EXPECT_NE(std::find(log.begin(), log.end(), "[  0.000] to remove what was installed: " + command), log.end());
  // Still recorded as the run describes; the unsafe name is not.
  const std::string cfg = Uninstall();
  EXPECT_NE(cfg.find(std::string(kDest) + "\\Data\\missing.txt="), std::string::npos);
  EXPECT_NE(cfg.find("Bad:Folder\\My App.*="), std::string::npos);
  EXPECT_EQ(cfg.find("\\..="), std::string::npos);
}

// The manifest lists what the run placed: the folders it created (not those that were there),
// every file it copied with its size, the links it saved, and not the file the user kept.
TEST_F(InstallWorkerTest, ManifestRecordsWhatWasPlacedAndNotWhatWasKept) {
  Set(config.DirectoryEntries, {"<INSTALLDIR>~", "<SUB1>~Data", "<WINDOWS_SYSTEM>~"});
  Set(config.FileEntries, {"app.exe~<INSTALLDIR>~X", "mine.txt~<INSTALLDIR>~", "d.txt~<SUB1>~", "s.dll~<WINDOWS_SYSTEM>~"});
  Set(config.DesktopEntries, {"My App~<INSTALLDIR>app.exe~X~"});
  for (const char* name : {"app.exe", "mine.txt", "d.txt", "s.dll"}) PutTemp(name, name);
  WriteHostFile(Host("C:\\Program Files") / "other.txt", "there before");
  WriteHostFile(Host(kDest) / "mine.txt", "the user's own");  // the folder was there before, too
  backend.script = {ModalResult::No, ModalResult::Yes};  // keep mine.txt; a Desktop link
  Install();
  const std::string d = kDest;
  EXPECT_EQ(Manifest(), (std::vector<std::string>{
                            "folder " + d + "\\Data", "folder C:\\WINDOWS\\System",
                            "file " + d + "\\install.exe", "file " + d + "\\install.cfg", "file " + d + "\\app.exe",
                            "file " + d + "\\Data\\d.txt", "file C:\\WINDOWS\\System\\s.dll",
                            "link C:\\WINDOWS\\Start Menu\\Programs\\Tools\\My App.lnk",
                            "link C:\\WINDOWS\\Desktop\\My App.lnk", "folder C:\\WINDOWS\\Start Menu\\Programs\\Tools"}));
  const TManifest manifest = ParseManifest(ReadHostFile(Host(d + "\\uninstall.zev")));
  EXPECT_EQ(manifest.records[4].size, 7);  // app.exe
  EXPECT_EQ(ReadHostFile(Host(d) / "uninstall.zev").substr(0, 32), std::string(kManifestHeader) + "\r\n");
}

// Installing again into the same folder keeps the earlier records: a file the user now keeps
// (No) is still the one the first run placed.
TEST_F(InstallWorkerTest, ManifestOfAnEarlierInstallationIsCarriedOver) {
  Set(config.DirectoryEntries, {"<INSTALLDIR>~"});
  Set(config.FileEntries, {"a.txt~<INSTALLDIR>~"});
  PutTemp("a.txt", "a");
  Install();
  const std::string first = ReadHostFile(Host(kDest) / "uninstall.zev");
  app.reset();
  wizard = nullptr;
  app = std::make_unique<ui::Application>(backend);
  backend.script = {ModalResult::No};
  Install();
  EXPECT_EQ(BoxTexts(), std::vector<std::string>{"File Already Exists (a.txt). Overwrite?"});
  const std::string second = ReadHostFile(Host(kDest) / "uninstall.zev");
  const std::string aRecord = first.substr(first.find("file\t1\t"));
  EXPECT_NE(second.find(aRecord.substr(0, aRecord.find('\n'))), std::string::npos);
  EXPECT_EQ(Manifest(), (std::vector<std::string>{"folder C:\\Program Files", "folder " + std::string(kDest),
                                                  "file " + std::string(kDest) + "\\install.exe",
                                                  "file " + std::string(kDest) + "\\install.cfg",
                                                  "file " + std::string(kDest) + "\\a.txt"}));
}

TEST_F(InstallWorkerTest, WithoutInstallDirNothingGoesToAnArbitraryPlace) {
  Set(config.DirectoryEntries, {"<WINDOWS>~", "BASE~Tools"});
  Set(config.FileEntries, {"t.exe~BASE~X"});
  Set(config.DesktopEntries, {"T~BASEt.exe"});  // no ">" : its key is empty and matches nothing
  PutTemp("t.exe", "t");
  Install();
  EXPECT_TRUE(wizard->InstallCompleted);
  EXPECT_EQ(ReadHostFile(Host("C:\\Tools\\t.exe")), "t");
  EXPECT_FALSE(fs::exists(Host(kDest)));
  for (const auto& entry : fs::recursive_directory_iterator(machine.Root())) {
    EXPECT_NE(entry.path().filename(), "uninstall.cfg") << entry.path();
    if (entry.path().filename() == "install.exe") {
      EXPECT_EQ(entry.path(), machine.StartDir() / "install.exe");
    }
  }
}

TEST_F(InstallWorkerTest, ButtonsPressedWhileTheWorkerRunsDoNoHarm) {
  Set(config.DirectoryEntries, {"<INSTALLDIR>~"});
  Set(config.FileEntries, {"a.txt~<INSTALLDIR>~X", "b.txt~<INSTALLDIR>~X"});
  PutTemp("a.txt", "a");
  PutTemp("b.txt", "b");
  int clicks = 0;
  backend.onPoll = [&] {
    if (!wizard || !wizard->Installing()) return;
    ++clicks;
    wizard->install.Visible = true;
    wizard->install.Click();
    wizard->back.Click();
    wizard->cancel.Click();
    wizard->next.Click();
  };
  Install();
  EXPECT_GT(clicks, 0);
  EXPECT_FALSE(wizard->Cancelled);
  EXPECT_TRUE(wizard->InstallCompleted);
  EXPECT_EQ(ReadHostFile(Host(kDest) / "b.txt"), "b");
  int runs = 0;
  for (const std::string& line : log) runs += line.find("installation finished") != std::string::npos;
  EXPECT_EQ(runs, 1);
}

}  // namespace
}  // namespace zev::setup::testing
