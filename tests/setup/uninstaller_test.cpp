// Removing an installation: the rules of where anything may be removed, a removal after a real
// installation by the worker (with the manifest and, for an earlier version's installation,
// without), the user's files and edits kept, hostile records refused, a failed removal that can
// be run again, and the question, window and closing box of a removal.
#include "setup/uninstaller.h"

#include <algorithm>
#include <map>

#include "platform/attributes.h"
#include "platform/file_stream.h"
#include "platform/no_link_files.h"
#include "setup/program.h"
#include "setup/uninstall_window.h"
#include "tests/setup/setup_fixture.h"

namespace zev::setup::testing {
namespace {

using platform::ModalResult;

constexpr const char* kDest = "C:\\Apps\\Tool";

TEST(UninstallRules, FilesMayGoOnlyFromTheirPlaces) {
  platform::ScopedMachine machine;
  const TPlaces places = TPlaces::For(kDest);
  struct Case {
    const char* path;
    bool fromList;      // allowed when uninstall.cfg names it
    bool fromManifest;  // allowed when the manifest records it
  };
  const Case cases[] = {
      {"C:\\Apps\\Tool\\a.exe", true, true},
      {"C:\\APPS\\TOOL\\sub\\b.dat", true, true},
      {"C:\\Apps\\Tool", false, false},        // the folder itself is no file below it
      {"C:\\Apps\\Toolbox\\a.exe", false, false},  // a name that only begins alike
      {"C:\\Apps\\other.txt", false, false},
      {"C:\\WINDOWS\\Desktop\\Tool.lnk", true, true},
      {"C:\\WINDOWS\\Start Menu\\Programs\\Tools\\Tool.PIF", true, true},
      {"C:\\WINDOWS\\Desktop\\Tool.txt", false, true},
      {"C:\\WINDOWS\\win.ini", false, true},
      {"C:\\WINDOWS\\System\\shared.dll", false, true},
      {"C:\\WINDOWS", false, false},
      {"C:\\autoexec.bat", false, false},
      {"D:\\Apps\\Tool\\a.exe", false, false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(places.FileRefusal(c.path, TRecordSource::rsUninstallList).empty(), c.fromList) << c.path;
    EXPECT_EQ(places.FileRefusal(c.path, TRecordSource::rsManifest).empty(), c.fromManifest) << c.path;
  }
}

TEST(UninstallRules, FoldersThatOthersShareStayAndOthersAreRefused) {
  platform::ScopedMachine machine;
  const TPlaces places = TPlaces::For(kDest);
  using V = TPlaces::TFolderVerdict;
  struct Case {
    const char* path;
    V fromList;
    V fromManifest;
  };
  const Case cases[] = {
      {"C:\\Apps\\Tool", V::fvRemove, V::fvRemove},
      {"C:\\Apps\\Tool\\docs", V::fvRemove, V::fvRemove},
      {"C:\\Apps", V::fvStays, V::fvStays},  // above the installation folder
      {"C:\\", V::fvStays, V::fvStays},
      {"C:\\WINDOWS", V::fvStays, V::fvStays},
      {"C:\\WINDOWS\\Desktop", V::fvStays, V::fvStays},
      {"C:\\WINDOWS\\Start Menu", V::fvStays, V::fvStays},
      {"C:\\WINDOWS\\START MENU\\programs", V::fvStays, V::fvStays},
      {"C:\\WINDOWS\\Start Menu\\Programs\\Tools", V::fvRemove, V::fvRemove},
      {"C:\\WINDOWS\\Desktop\\Tools", V::fvRemove, V::fvRemove},
      {"C:\\WINDOWS\\System", V::fvRefused, V::fvRemove},
      {"C:\\Other", V::fvRefused, V::fvRefused},
  };
  for (const Case& c : cases) {
    std::string why;
    EXPECT_EQ(places.FolderVerdict(c.path, TRecordSource::rsUninstallList, why), c.fromList) << c.path;
    EXPECT_EQ(places.FolderVerdict(c.path, TRecordSource::rsManifest, why), c.fromManifest) << c.path;
    EXPECT_EQ(why.empty(), c.fromManifest == V::fvRemove) << c.path;
  }
  for (const char* dir : {"C:\\", "D:\\", "C:\\WINDOWS", "c:\\windows\\desktop", "C:\\WINDOWS\\Start Menu\\Programs"})
    EXPECT_FALSE(TPlaces::For(dir).InstallDirRefusal().empty()) << dir;
  EXPECT_TRUE(TPlaces::For("C:\\WINDOWS\\Tool").InstallDirRefusal().empty());
}

TEST(UninstallRules, KeysAreReadAsTheWorkerWritesThem) {
  platform::ScopedMachine machine;
  using F = TUninstallKey::TForm;
  struct Case {
    const char* key;
    F form;
    const char* path;
    const char* name;
  };
  const Case cases[] = {
      {"C:\\Apps\\Tool\\*.*", F::ukAllFiles, "C:\\Apps\\Tool", ""},
      {"C:\\*.*", F::ukAllFiles, "C:\\", ""},
      {"C:\\WINDOWS\\Desktop\\Tool.*", F::ukShortcuts, "C:\\WINDOWS\\Desktop", "Tool"},
      // An empty program folder name doubles the separator.
      {"C:\\WINDOWS\\Start Menu\\Programs\\\\Tool.*", F::ukShortcuts, "C:\\WINDOWS\\Start Menu\\Programs", "Tool"},
      {"c:/apps/tool/docs/../readme.txt", F::ukFile, "C:\\apps\\tool\\readme.txt", ""},
      {"C:\\Apps\\Tool\\..\\..\\WINDOWS\\win.ini", F::ukFile, "C:\\WINDOWS\\win.ini", ""},
      {"C:\\Apps\\*\\a.txt", F::ukRefused, "", ""},
      {"C:\\Apps\\Tool\\*.exe", F::ukRefused, "", ""},
      {"C:\\Apps\\Tool\\a?.txt", F::ukRefused, "", ""},
      {"C:\\Apps\\Tool\\.*", F::ukRefused, "", ""},
      {"C:\\Apps\\Tool\\*", F::ukRefused, "", ""},
      {"Apps\\Tool\\a.exe", F::ukRefused, "", ""},
      {"\\\\server\\share\\a.exe", F::ukRefused, "", ""},
      {"C:\\", F::ukRefused, "", ""},
  };
  for (const Case& c : cases) {
    const TUninstallKey key = ReadUninstallKey(c.key);
    EXPECT_EQ(key.form, c.form) << c.key;
    if (c.form == F::ukRefused) {
      EXPECT_FALSE(key.problem.empty()) << c.key;
      continue;
    }
    EXPECT_EQ(key.path, c.path) << c.key;
    EXPECT_EQ(key.name, c.name) << c.key;
  }
}

// An installation by the worker of a small package: files in the installation folder, in a
// sub-folder and in the Windows system folder, a link on the Desktop and one in a program folder.
class UninstallerTest : public SetupFixture {
 protected:
  UninstallerTest() {
    PutSetupProgram(
        "[Files]\r\nF1=bin\\app.exe~<INSTALLDIR>\r\nF2=lib.dll~<INSTALLDIR>\r\n"
        "F3=docs\\readme.txt~<SUB1>\r\nF4=shared.dll~<WINDOWS_SYSTEM>\r\n");
    config.FolderName = "Tools";
    config.DirectoryEntries.Add("<INSTALLDIR>~");
    config.DirectoryEntries.Add("<SUB1>~docs");
    config.DirectoryEntries.Add("<WINDOWS_SYSTEM>~");
    for (const char* entry : {"bin\\app.exe~<INSTALLDIR>~", "lib.dll~<INSTALLDIR>~", "docs\\readme.txt~<SUB1>~",
                              "shared.dll~<WINDOWS_SYSTEM>~"})
      config.FileEntries.Add(entry);
    config.DesktopEntries.Add("Tool~<INSTALLDIR>app.exe~X");
    for (const char* name : {"app.exe", "lib.dll", "readme.txt", "shared.dll"}) PutTemp(name, std::string("new ") + name);
  }

  // Installs with these answers (overwrite questions first, then Desktop and Start Menu).
  void Install(std::deque<ModalResult> answers = {ModalResult::Yes, ModalResult::No}) {
    ShowWizard();
    wizard->Label1.SetCaption(kDest);
    backend.script = std::move(answers);
    wizard->installClick();
    ASSERT_TRUE(wizard->InstallCompleted);
    backend.boxes.clear();
  }

  // Every entry of drive C: below the machine, as "path" (folders end in "/").
  std::set<std::string> Tree() const {
    std::set<std::string> tree;
    for (const auto& entry : fs::recursive_directory_iterator(machine.DriveC())) {
      const std::string path = fs::relative(entry.path(), machine.DriveC()).generic_string();
      tree.insert(entry.is_directory() && !entry.is_symlink() ? path + "/" : path);
    }
    return tree;
  }

  struct Outcome {
    std::vector<std::string> removed;
    std::map<std::string, std::string> kept;
  };
  Outcome Remove(bool dry = false, const std::string& dir = kDest) {
    TUninstaller uninstaller(dir);
    EXPECT_EQ(uninstaller.Load(), TUninstaller::TLoad::ldLoaded) << uninstaller.Problem();
    uninstaller.Run(dry);
    Outcome outcome;
    outcome.removed = uninstaller.Removed();
    for (const TKeptEntry& entry : uninstaller.Kept()) outcome.kept[entry.path] = entry.reason;
    return outcome;
  }

  std::set<std::string> treeBefore;
};

TEST_F(UninstallerTest, RemovesWhatWasPlacedAndKeepsWhatTheUserChangedOrAdded) {
  fs::create_directories(machine.DriveC() / "Apps");
  treeBefore = Tree();
  Install();
  // The user adds a file of their own, one on the Desktop named like the link, edits one file;
  // another installed file is made read-only.
  WriteHostFile(Host(kDest) / "notes.txt", "mine");
  WriteHostFile(Host("C:\\WINDOWS\\Desktop") / "Tool.txt", "mine too");
  WriteHostFile(Host(kDest) / "docs" / "readme.txt", "edited");
  ASSERT_TRUE(platform::SetFileAttributes(std::string(kDest) + "\\lib.dll", platform::faReadOnly));

  const std::set<std::string> installed = Tree();
  const Outcome dry = Remove(true);
  EXPECT_EQ(Tree(), installed);  // a dry run changes nothing
  const Outcome real = Remove();
  EXPECT_EQ(real.removed, dry.removed);
  EXPECT_EQ(real.kept, dry.kept);

  const std::string d = kDest;
  EXPECT_EQ(real.kept, (std::map<std::string, std::string>{
                           {d + "\\docs\\readme.txt", "changed since it was installed"},
                           {d + "\\notes.txt", "not placed by this installation"},
                           {d, "not empty"}}));
  std::set<std::string> expected = treeBefore;
  for (const char* left : {"Apps/Tool/", "Apps/Tool/notes.txt", "Apps/Tool/docs/", "Apps/Tool/docs/readme.txt",
                           "WINDOWS/Desktop/Tool.txt"})
    expected.insert(left);
  EXPECT_EQ(Tree(), expected);
  for (const char* gone : {"\\lib.dll", "\\app.exe", "\\install.exe", "\\install.cfg", "\\uninstall.cfg", "\\uninstall.zev"})
    EXPECT_NE(std::find(real.removed.begin(), real.removed.end(), d + gone), real.removed.end()) << gone;
}

TEST_F(UninstallerTest, ACompleteRemovalLeavesTheMachineAsItWas) {
  treeBefore = Tree();
  Install();
  const Outcome outcome = Remove();
  EXPECT_TRUE(outcome.kept.empty());
  // The parent folder the installation created stays: other things may go there.
  std::set<std::string> expected = treeBefore;
  expected.insert("Apps/");
  EXPECT_EQ(Tree(), expected);
  TUninstaller again(kDest);
  EXPECT_EQ(again.Load(), TUninstaller::TLoad::ldNothingToRemove);
  EXPECT_EQ(again.Problem(), "nothing to remove: C:\\Apps\\Tool does not exist");
}

TEST_F(UninstallerTest, TheUsersFileKeptAtAnOverwriteQuestionIsKeptAgain) {
  WriteHostFile(Host(kDest) / "lib.dll", "the user's own library");
  Install({ModalResult::No, ModalResult::No});  // keep lib.dll; no Desktop link
  const Outcome outcome = Remove();
  EXPECT_EQ(ReadHostFile(Host(kDest) / "lib.dll"), "the user's own library");
  EXPECT_EQ(outcome.kept.at(std::string(kDest) + "\\lib.dll"), "not placed by this installation");
  EXPECT_FALSE(fs::exists(Host(kDest) / "app.exe"));
}

TEST_F(UninstallerTest, WithoutAManifestTheUninstallListAloneIsFollowed) {
  Install();
  fs::remove(Host(kDest) / "uninstall.zev");
  WriteHostFile(Host(kDest) / "notes.txt", "mine");
  WriteHostFile(Host("C:\\WINDOWS\\Desktop") / "Tool.txt", "mine too");
  WriteHostFile(Host("C:\\WINDOWS\\Desktop") / "Tool.pif", "a shortcut file of that name");
  const Outcome outcome = Remove();
  // "*.*" took the files install.cfg names and the companions; readme.txt was a plain key;
  // "Tool.*" took the shortcut files. What the Windows system folder got is not recorded.
  for (const char* gone : {"lib.dll", "app.exe", "install.exe", "install.cfg", "uninstall.cfg", "docs"})
    EXPECT_FALSE(fs::exists(Host(kDest) / gone)) << gone;
  EXPECT_FALSE(fs::exists(Host("C:\\WINDOWS\\Desktop") / "Tool.lnk"));
  EXPECT_FALSE(fs::exists(Host("C:\\WINDOWS\\Desktop") / "Tool.pif"));
  EXPECT_EQ(ReadHostFile(Host("C:\\WINDOWS\\Desktop") / "Tool.txt"), "mine too");
  EXPECT_EQ(ReadHostFile(Host("C:\\WINDOWS\\System") / "shared.dll"), "new shared.dll");
  EXPECT_FALSE(fs::exists(Host("C:\\WINDOWS\\Start Menu\\Programs") / "Tools"));
  EXPECT_EQ(outcome.kept, (std::map<std::string, std::string>{
                              {std::string(kDest) + "\\notes.txt", "not placed by this installation"},
                              {kDest, "not empty"}}));
}

TEST_F(UninstallerTest, AFailedRemovalKeepsTheRecordsSoThatItCanRunAgain) {
  Install();
  {
    platform::FileStream holder(std::string(kDest) + "\\app.exe", platform::fmOpenRead | platform::fmShareDenyNone);
    const Outcome first = Remove();
    EXPECT_EQ(first.kept.at(std::string(kDest) + "\\app.exe"), "could not be removed: in use by another program");
    EXPECT_EQ(first.kept.at(std::string(kDest) + "\\uninstall.cfg"), "kept so that the removal can be run again");
    EXPECT_EQ(first.kept.at(std::string(kDest) + "\\uninstall.zev"), "kept so that the removal can be run again");
  }
  const Outcome second = Remove();
  EXPECT_TRUE(second.kept.empty());
  EXPECT_EQ(second.removed, (std::vector<std::string>{std::string(kDest) + "\\app.exe", std::string(kDest) + "\\uninstall.zev",
                                                      std::string(kDest) + "\\uninstall.cfg", kDest}));
}

// Hostile records: whatever uninstall.cfg or the manifest name, nothing outside the installation
// folder, the Desktop and the Start Menu is removed (and below the Windows folder only what the
// manifest lists with its exact size and time), and nothing through a link.
TEST_F(UninstallerTest, HostileRecordsRemoveNothingOutsideTheInstallation) {
  Install();
  WriteHostFile(Host("C:\\WINDOWS") / "win.ini", "[windows]\r\n");
  WriteHostFile(Host("C:\\") / "autoexec.bat", "@echo off\r\n");
  WriteHostFile(Host("C:\\Other") / "victim.txt", "not the package's");
  WriteHostFile(Host("C:\\WINDOWS\\Desktop") / "user.lnk", "the user's link");
  std::error_code linkError;
  fs::create_directory_symlink(Host("C:\\Other"), Host(kDest) / "link", linkError);
  if (linkError) GTEST_SKIP() << "this host makes no symbolic links for this user";
  fs::create_directory_symlink(Host("C:\\WINDOWS\\Desktop"), Host(kDest) / "desk");
  const std::string victimStamp = [&] {
    const platform::EntryFacts facts = platform::LookUpNoLinks("C:\\Other\\victim.txt");
    return std::to_string(facts.size) + "\t" + std::to_string(facts.modified);
  }();
  const std::string d = kDest;
  std::string list = ReadHostFile(Host(kDest) / "uninstall.cfg");
  for (const std::string& key : std::vector<std::string>{"C:\\*.*", "C:\\WINDOWS\\*.*", "C:\\WINDOWS\\win.ini", d + "\\..\\..\\autoexec.bat",
                                 d + "\\..\\..\\Other\\*.*", d + "\\link\\victim.txt", d + "\\desk\\user.lnk",
                                 "C:\\WINDOWS\\Desktop\\*.*", "C:\\WINDOWS\\Desktop\\user.lnk\\..\\user.*", "C:\\Other\\x.*"})
    list.insert(list.find("[Name]"), key + "=\r\n");
  list += "C:\\WINDOWS=\r\nC:\\WINDOWS\\Desktop=\r\nC:\\Other=\r\nC:\\WINDOWS\\Start Menu\\Programs\\=\r\n";
  WriteHostFile(Host(kDest) / "uninstall.cfg", list);
  std::string manifest = ReadHostFile(Host(kDest) / "uninstall.zev");
  manifest += "file\t" + victimStamp + "\tC:\\Other\\victim.txt\r\n";
  manifest += "file\t" + victimStamp + "\t" + d + "\\link\\victim.txt\r\n";
  manifest += "link\t" + victimStamp + "\t" + d + "\\..\\..\\Other\\victim.txt\r\n";
  manifest += "folder\tC:\\Other\r\nfolder\tC:\\WINDOWS\r\nfolder\t" + d + "\\link\r\nnot a record\r\n";
  WriteHostFile(Host(kDest) / "uninstall.zev", manifest);

  for (const bool withManifest : {true, false}) {
    SCOPED_TRACE(withManifest ? "with the manifest" : "with uninstall.cfg alone");
    if (!withManifest) {
      fs::remove(Host(kDest) / "uninstall.zev");
      WriteHostFile(Host(kDest) / "uninstall.cfg", list);
      WriteHostFile(Host(kDest) / "install.cfg", ReadHostFile(machine.StartDir() / "install.cfg") +
                                                   "F8=victim.txt~<INSTALLDIR>\r\nF9=..\\win.ini~<INSTALLDIR>\r\n");
    }
    TUninstaller uninstaller(kDest);
    ASSERT_EQ(uninstaller.Load(), TUninstaller::TLoad::ldLoaded) << uninstaller.Problem();
    uninstaller.Run(false);
    EXPECT_EQ(ReadHostFile(Host("C:\\WINDOWS") / "win.ini"), "[windows]\r\n");
    EXPECT_EQ(ReadHostFile(Host("C:\\") / "autoexec.bat"), "@echo off\r\n");
    EXPECT_EQ(ReadHostFile(Host("C:\\Other") / "victim.txt"), "not the package's");
    EXPECT_TRUE(fs::is_symlink(Host(kDest) / "link"));
    EXPECT_TRUE(fs::is_symlink(Host(kDest) / "desk"));
    for (const char* folder : {"WINDOWS", "WINDOWS/Desktop", "WINDOWS/Start Menu/Programs", "Other"})
      EXPECT_TRUE(fs::is_directory(machine.DriveC() / folder)) << folder;
    std::map<std::string, std::string> kept;
    for (const TKeptEntry& entry : uninstaller.Kept()) kept[entry.path] = entry.reason;
    for (const std::string& refused :
         std::vector<std::string>{"C:\\*.*", "C:\\WINDOWS\\*.*", "C:\\WINDOWS\\win.ini", d + "\\..\\..\\autoexec.bat",
                                  d + "\\..\\..\\Other\\*.*", d + "\\link\\victim.txt", d + "\\desk\\user.lnk",
                                  "C:\\WINDOWS\\Desktop\\*.*", "C:\\Other", "C:\\Other\\x.*"})
      EXPECT_EQ(kept[refused].rfind("refused: ", 0), 0u) << refused << ": " << kept[refused];
    EXPECT_TRUE(kept.count(d + "\\link") && kept.count(d + "\\desk"));
    // A shortcut file of the name a key gives, on the Desktop, is the package's only by the
    // manifest; uninstall.cfg alone cannot tell, and a shortcut file is all it may take there.
    EXPECT_EQ(fs::exists(Host("C:\\WINDOWS\\Desktop") / "user.lnk"), withManifest);
    if (withManifest) {
      EXPECT_EQ(kept["C:\\WINDOWS\\Desktop\\user.lnk"], "not placed by this installation");
      EXPECT_EQ(kept["C:\\Other\\victim.txt"], "refused: outside the installation folder and the Windows folder");
      EXPECT_NE(std::find(uninstaller.Notes().begin(), uninstaller.Notes().end(),
                          "C:\\Apps\\Tool\\uninstall.zev, line " + std::to_string(std::count(manifest.begin(), manifest.end(), '\n')) +
                              ": unknown record \"not a record\": ignored"),
                uninstaller.Notes().end());
    }
    // The package's own files went all the same.
    EXPECT_FALSE(fs::exists(Host(kDest) / "app.exe"));
    EXPECT_FALSE(fs::exists(Host("C:\\WINDOWS\\Desktop") / "Tool.lnk"));
    // Restore what this round removed for the next one.
    Install();
  }
}

TEST_F(UninstallerTest, RecordsThatCannotBeTrustedStopTheRemovalBeforeItStarts) {
  Install();
  const std::string d = kDest;
  struct Case {
    std::function<void()> spoil;
    std::string problem;
    bool needsLink = false;
  };
  std::error_code linkError;
  fs::create_symlink(Host("C:\\WINDOWS\\win.ini"), Host(kDest) / "probe", linkError);
  fs::remove(Host(kDest) / "probe");
  const std::string manifest = ReadHostFile(Host(kDest) / "uninstall.zev");
  const std::string list = ReadHostFile(Host(kDest) / "uninstall.cfg");
  const Case cases[] = {
      {[&] { WriteHostFile(Host(kDest) / "uninstall.zev", "not a manifest\r\n"); },
       d + "\\uninstall.zev is not a manifest this program wrote: line 1: not the header \"ZEV Setup uninstall manifest 1\""},
      {[&] {
         fs::remove(Host(kDest) / "uninstall.zev");
         fs::create_symlink(Host("C:\\WINDOWS\\win.ini"), Host(kDest) / "uninstall.zev");
       },
       d + "\\uninstall.zev is a symbolic link", true},
      {[&] { fs::resize_file(Host(kDest) / "uninstall.cfg", kMaxRecordFileBytes + 1); },
       d + "\\uninstall.cfg is larger than 8388608 bytes"},
  };
  for (const Case& c : cases) {
    if (c.needsLink && linkError) continue;  // a host that makes no links for this user
    c.spoil();
    TUninstaller uninstaller(kDest);
    EXPECT_EQ(uninstaller.Load(), TUninstaller::TLoad::ldRefused);
    EXPECT_EQ(uninstaller.Problem(), c.problem);
    fs::remove(Host(kDest) / "uninstall.zev");
    WriteHostFile(Host(kDest) / "uninstall.zev", manifest);
    WriteHostFile(Host(kDest) / "uninstall.cfg", list);
  }
  EXPECT_TRUE(fs::exists(Host(kDest) / "app.exe"));
  TUninstaller root("C:\\");
  EXPECT_EQ(root.Load(), TUninstaller::TLoad::ldRefused);
  EXPECT_EQ(root.Problem(), "C:\\ cannot be removed as an installation: it is a drive's root folder");
  fs::create_directories(Host("C:\\Empty"));
  TUninstaller empty("C:\\Empty");
  EXPECT_EQ(empty.Load(), TUninstaller::TLoad::ldNothingToRemove);
  EXPECT_EQ(empty.Problem(), "nothing to remove: there is no uninstall.cfg in C:\\Empty");
}

// The removal as the program runs it: the question, the window with its list, the closing box.
TEST_F(UninstallerTest, TheUserIsAskedShownTheWorkAndToldTheOutcome) {
  Install();
  WriteHostFile(Host(kDest) / "notes.txt", "mine");
  app.reset();
  wizard = nullptr;
  ui::HeadlessBackend removal;
  removal.script = {ModalResult::No};
  ui::Application declined(removal);
  EXPECT_EQ(RunUninstall(declined, {kDest, false, nullptr}), kSetupCancelled);
  EXPECT_TRUE(fs::exists(Host(kDest) / "app.exe"));
  ASSERT_EQ(removal.boxes.size(), 1u);
  EXPECT_EQ(removal.boxes[0].box.text, "Remove Tools from this computer?");
  EXPECT_EQ(removal.boxes[0].box.buttons, platform::mbYes | platform::mbNo);

  std::vector<std::string> printed;
  ui::Application dry(removal);
  EXPECT_EQ(RunUninstall(dry, {kDest, true, [&](const std::string& line) { printed.push_back(line); }}), kSetupOk);
  EXPECT_EQ(removal.boxes.size(), 1u);  // a dry run asks nothing
  EXPECT_EQ(printed.back(), "would keep " + std::string(kDest) + ": not empty");

  removal.script = {ModalResult::Yes, ModalResult::OK};
  ui::Application accepted(removal);
  std::vector<std::string> removedLines;
  accepted.OnLog = [&](const std::string& line) {
    if (line.find("] removed ") != std::string::npos) removedLines.push_back("would remove " + line.substr(line.find("] removed ") + 10));
  };
  EXPECT_EQ(RunUninstall(accepted, {kDest, false, nullptr}), kSetupFailed);  // notes.txt was kept
  EXPECT_EQ(removal.shownForms.back(), "Uninstall");
  ASSERT_EQ(removal.boxes.size(), 3u);
  EXPECT_EQ(removal.boxes[2].box.text, "Tools was removed. These were kept:\n" + std::string(kDest) +
                                           "\\notes.txt: not placed by this installation\n" + kDest + ": not empty");
  EXPECT_EQ(removal.boxes[2].box.kind, platform::MsgKind::Warning);
  // What the window listed is what the dry run foretold.
  printed.erase(std::remove_if(printed.begin(), printed.end(),
                               [](const std::string& line) { return line.rfind("would remove ", 0) != 0; }),
                printed.end());
  EXPECT_EQ(removedLines, printed);
  EXPECT_EQ(removedLines.size(), 13u);
  EXPECT_FALSE(fs::exists(Host(kDest) / "app.exe"));

  ui::Application again(removal);
  EXPECT_EQ(RunUninstall(again, {"C:\\Apps\\Nothing", false, nullptr}), kSetupOk);
  EXPECT_EQ(removal.boxes.back().box.text, "nothing to remove: C:\\Apps\\Nothing does not exist");
}

TEST(UninstallSummary, NamesWhatWasKeptUpToABound) {
  EXPECT_EQ(UninstallSummary("Tool", {}), "Tool was removed.");
  std::vector<TKeptEntry> kept;
  for (int i = 0; i < 17; ++i) kept.push_back({"C:\\f" + std::to_string(i), "why", false});
  const std::string text = UninstallSummary("Tool", kept);
  EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 16);
  EXPECT_NE(text.find("C:\\f14: why\n... and 2 more"), std::string::npos);
}

}  // namespace
}  // namespace zev::setup::testing
