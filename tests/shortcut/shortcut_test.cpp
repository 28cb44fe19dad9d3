#include "shortcut/shortcut.h"

#include <gtest/gtest.h>

#include <set>

#include "platform/error.h"
#include "shortcut/shell_link.h"
#include "tests/shortcut/link_reader.h"
#include "tests/support/host_files.h"
#include "tests/support/scoped_machine.h"

namespace fs = std::filesystem;

namespace zev::shortcut {
namespace {

using testing::ParseLink;
using zev::testing::ReadHostBytes;

void Touch(const fs::path& path, const std::string& content = "x") { zev::testing::WriteHostFile(path, content); }

// Every file below the Windows folder, as paths relative to it with "\" separators.
std::set<std::string> FilesBelowWindows(const platform::ScopedMachine& m) {
  std::set<std::string> files;
  const fs::path windows = m.DriveC() / "WINDOWS";
  if (!fs::exists(windows)) return files;
  for (const auto& e : fs::recursive_directory_iterator(windows)) {
    if (!e.is_regular_file()) continue;
    std::string rel = fs::relative(e.path(), windows).string();
    for (char& c : rel)
      if (c == '/') c = '\\';
    files.insert(rel);
  }
  return files;
}

std::vector<std::string> Names(const TStringList& list) { return list.Strings(); }

TEST(ShortcutFolderList, ListsProgramFoldersWithoutDotNamesAndLinks) {
  platform::ScopedMachine m;
  const fs::path programs = m.DriveC() / "WINDOWS" / "Start Menu" / "Programs";
  fs::create_directories(programs / "Accessories");
  fs::create_directories(programs / "StartUp");
  fs::create_directories(programs / ".config");
  fs::create_directories(programs / "Old.LNK folder");  // ".LNK" anywhere in the name is skipped
  Touch(programs / "Readme.lnk");
  Touch(programs / "Manual.Lnk.bak");
  Touch(programs / "notes.txt");  // plain files are listed too
  Touch(programs / "Accessories" / "Paint.lnk");

  TShortcuts shortcuts;
  EXPECT_EQ(Names(shortcuts.FolderList()), (std::vector<std::string>{"Accessories", "notes.txt", "StartUp"}));
}

TEST(ShortcutFolderList, IsEmptyWithoutProgramsFolderAndRefilledByScanning) {
  platform::ScopedMachine m;
  TShortcuts shortcuts;
  EXPECT_TRUE(shortcuts.FolderList().Empty());

  // Creating links does not refresh the list; scanning again does, without keeping old entries.
  shortcuts.Folder = "Tools";
  shortcuts.ProgramName = "Editor";
  shortcuts.RunProgram = "C:\\Tools\\edit.exe";
  shortcuts.CreateShortcut();
  EXPECT_TRUE(shortcuts.FolderList().Empty());
  shortcuts.ScanProgramFolders();
  EXPECT_EQ(Names(shortcuts.FolderList()), std::vector<std::string>{"Tools"});
  fs::remove_all(m.DriveC() / "WINDOWS" / "Start Menu" / "Programs" / "Tools");
  fs::create_directories(m.DriveC() / "WINDOWS" / "Start Menu" / "Programs" / "Games");
  shortcuts.ScanProgramFolders();
  EXPECT_EQ(Names(shortcuts.FolderList()), std::vector<std::string>{"Games"});
}

// Links expected below the Windows folder: PT = Start Menu\Programs\<folder>, DT = Desktop\<folder>,
// ST = Start Menu\<folder>, D = Desktop, S = Start Menu. Without a program folder, the folder's
// links go straight into the folder's parent: PT into Programs, DT onto the Desktop, ST into the
// Start Menu.
void PlacesLinksForEveryFlagCombination(const std::string& folder) {
  const std::string sub = folder.empty() ? "" : folder + "\\";
  const std::string PT = "Start Menu\\Programs\\" + sub + "Editor.lnk", DT = "Desktop\\" + sub + "Editor.lnk",
                    ST = "Start Menu\\" + sub + "Editor.lnk", D = "Desktop\\Editor.lnk", S = "Start Menu\\Editor.lnk";
  struct Case {
    bool folderDesktop, folderStartMenu, desktop, startMenu;
    std::set<std::string> links;
  };
  const Case cases[] = {
      {false, false, false, false, {PT}},
      {false, false, true, false, {PT, D}},
      {false, false, false, true, {PT, S}},
      {false, false, true, true, {PT, D, S}},
      {true, false, false, false, {DT, PT}},
      {true, false, true, false, {DT, PT, D}},
      {true, false, false, true, {DT, PT, S}},
      {true, false, true, true, {DT, PT, D, S}},
      {false, true, false, false, {ST}},
      {false, true, true, false, {ST, D}},
      {false, true, false, true, {ST, S}},
      {false, true, true, true, {ST, D, S}},
      {true, true, false, false, {DT, PT, ST}},
      {true, true, true, false, {DT, PT, ST, D}},
      {true, true, false, true, {DT, PT, ST, S}},
      {true, true, true, true, {DT, PT, ST, D, S}},
  };
  const std::vector<std::uint8_t> expected =
      BuildShellLink("C:\\Program Files\\Tools\\edit.exe", "C:\\Program Files\\Tools\\");
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << "Folder=" << folder << " FolderDesktop=" << c.folderDesktop
                                      << " FolderStartMenu=" << c.folderStartMenu << " Desktop=" << c.desktop
                                      << " StartMenu=" << c.startMenu);
    platform::ScopedMachine m;
    fs::create_directories(m.DriveC() / "WINDOWS" / "Desktop");
    fs::create_directories(m.DriveC() / "WINDOWS" / "Start Menu");
    TShortcuts shortcuts;
    shortcuts.RunProgram = "C:\\Program Files\\Tools\\edit.exe";
    shortcuts.Folder = folder;
    shortcuts.ProgramName = "Editor";
    shortcuts.FolderDesktop = c.folderDesktop;
    shortcuts.FolderStartMenu = c.folderStartMenu;
    shortcuts.Desktop = c.desktop;
    shortcuts.StartMenu = c.startMenu;
    ASSERT_NO_THROW(shortcuts.CreateShortcut());
    EXPECT_EQ(FilesBelowWindows(m), c.links);
    for (const std::string& link : c.links) EXPECT_EQ(ReadHostBytes(m.Host("C:\\WINDOWS\\" + link)), expected) << link;
  }
}

TEST(ShortcutCreate, PlacesLinksForEveryFlagCombination) { PlacesLinksForEveryFlagCombination("Tools"); }

TEST(ShortcutCreate, WithoutProgramFolderPutsTheFolderLinksIntoItsParent) { PlacesLinksForEveryFlagCombination(""); }

TEST(ShortcutCreate, WorkingDirectoryIsTheFolderOfTheProgram) {
  platform::ScopedMachine m;
  TShortcuts shortcuts;
  shortcuts.Folder = "Tools";
  shortcuts.ProgramName = "Editor";
  const std::string link = "C:\\WINDOWS\\Start Menu\\Programs\\Tools\\Editor.lnk";
  const struct {
    std::string program, workingDir;
  } cases[] = {
      {"c:\\Program Files\\Tools\\edit.exe", "c:\\Program Files\\Tools\\"},
      {"C:\\edit.exe", "C:\\"},
      {"D:/Apps/My Tools/run.bat", "D:/Apps/My Tools/"},
      {"C:\\Apps\\Tools\\", "C:\\Apps\\Tools\\"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.program);
    shortcuts.RunProgram = c.program;
    shortcuts.CreateShortcut();
    const testing::ParsedLink parsed = ParseLink(ReadHostBytes(m.Host(link)));
    EXPECT_EQ(parsed.localBasePath, c.program);
    EXPECT_EQ(parsed.workingDir, c.workingDir);
  }
}

TEST(ShortcutCreate, CreatesProgramFoldersButNotTheDesktopOrStartMenu) {
  platform::ScopedMachine m;
  TShortcuts shortcuts;
  shortcuts.RunProgram = "C:\\Tools\\edit.exe";
  shortcuts.Folder = "Tools";
  shortcuts.ProgramName = "Editor";
  shortcuts.Desktop = true;
  shortcuts.StartMenu = true;
  // Nothing exists below the Windows folder yet: the program folder is made with its parents (so
  // the Start Menu now exists), but the Desktop is not made. Its link fails, the Start Menu link
  // after it is still written, and the failure is raised at the end.
  try {
    shortcuts.CreateShortcut();
    FAIL() << "the missing Desktop was not reported";
  } catch (const platform::EFCreateError& e) {
    EXPECT_STREQ(e.what(), "Cannot create file C:\\WINDOWS\\Desktop\\Editor.lnk");
  }
  EXPECT_EQ(FilesBelowWindows(m),
            (std::set<std::string>{"Start Menu\\Programs\\Tools\\Editor.lnk", "Start Menu\\Editor.lnk"}));
  EXPECT_FALSE(fs::exists(m.DriveC() / "WINDOWS" / "Desktop"));

  // With the program folder on the Desktop, the Desktop is made as that folder's parent first, so
  // the Desktop link after it succeeds.
  shortcuts.FolderDesktop = true;
  EXPECT_NO_THROW(shortcuts.CreateShortcut());
  EXPECT_TRUE(fs::exists(m.DriveC() / "WINDOWS" / "Desktop" / "Editor.lnk"));
  EXPECT_TRUE(fs::exists(m.DriveC() / "WINDOWS" / "Desktop" / "Tools" / "Editor.lnk"));
}

TEST(ShortcutCreate, ReplacesLinksAndKeepsPropertiesBetweenCalls) {
  platform::ScopedMachine m;
  const fs::path existing = m.DriveC() / "WINDOWS" / "Start Menu" / "Programs" / "tools" / "editor.lnk";
  Touch(existing, std::string(500, 'j'));
  TShortcuts shortcuts;
  shortcuts.RunProgram = "C:\\Tools\\edit.exe";
  shortcuts.Folder = "Tools";
  shortcuts.ProgramName = "Editor";
  shortcuts.CreateShortcut();
  // The existing folder and link are found without regard to case and the link replaced whole.
  EXPECT_EQ(ReadHostBytes(existing), BuildShellLink("C:\\Tools\\edit.exe", "C:\\Tools\\"));

  shortcuts.ProgramName = "Viewer";
  shortcuts.RunProgram = "C:\\Tools\\view.exe";
  shortcuts.CreateShortcut();
  EXPECT_EQ(FilesBelowWindows(m), (std::set<std::string>{"Start Menu\\Programs\\tools\\editor.lnk",
                                                         "Start Menu\\Programs\\tools\\Viewer.lnk"}));
  EXPECT_EQ(ParseLink(ReadHostBytes(existing.parent_path() / "Viewer.lnk")).localBasePath, "C:\\Tools\\view.exe");
}

TEST(ShortcutCreate, RefusesNamesThatAreNotOneFileNameAndWritesNothing) {
  platform::ScopedMachine m;
  TShortcuts shortcuts;
  shortcuts.RunProgram = "C:\\Tools\\edit.exe";
  shortcuts.FolderDesktop = true;
  shortcuts.FolderStartMenu = true;
  shortcuts.Desktop = true;
  shortcuts.StartMenu = true;
  const std::string badNames[] = {"", ".", "..", "..\\..\\..\\Evil", "a/b", "Tools\\Sub", "C:x",
                                  "What?", "a*b", "a\"b", "a<b>", "a|b", "a\tb"};
  for (const std::string& bad : badNames) {
    SCOPED_TRACE(bad);
    // An empty folder name means no program folder; an empty link name is refused.
    if (!bad.empty()) {
      shortcuts.Folder = bad;
      shortcuts.ProgramName = "Editor";
      EXPECT_THROW(shortcuts.CreateShortcut(), Exception);
    }
    shortcuts.Folder = "Tools";
    shortcuts.ProgramName = bad;
    EXPECT_THROW(shortcuts.CreateShortcut(), Exception);
  }
  // A target the link format cannot hold is refused before any folder is made.
  shortcuts.ProgramName = "Editor";
  shortcuts.RunProgram = "edit.exe";
  EXPECT_THROW(shortcuts.CreateShortcut(), Exception);
  EXPECT_TRUE(FilesBelowWindows(m).empty());
  EXPECT_FALSE(fs::exists(m.DriveC() / "WINDOWS" / "Start Menu"));
  EXPECT_FALSE(fs::exists(m.DriveC() / "WINDOWS" / "Desktop"));
  EXPECT_FALSE(fs::exists(m.DriveC() / "Evil"));

  // Names with dots, blanks and ANSI letters are ordinary file names.
  shortcuts.RunProgram = "C:\\Tools\\edit.exe";
  shortcuts.Folder = "My Tools 2.0";
  shortcuts.ProgramName = "Caf\xE9 .Editor";
  EXPECT_NO_THROW(shortcuts.CreateShortcut());
  EXPECT_EQ(FilesBelowWindows(m).count("Desktop\\My Tools 2.0\\Caf\xC3\xA9 .Editor.lnk"), 1u);
}

TEST(ShortcutCreate, BlockedDestinationDoesNotStopTheOthers) {
  platform::ScopedMachine m;
  // A file stands where the Desktop program folder should be made.
  Touch(m.DriveC() / "WINDOWS" / "Desktop" / "Tools", "not a folder");
  TShortcuts shortcuts;
  shortcuts.RunProgram = "C:\\Tools\\edit.exe";
  shortcuts.Folder = "Tools";
  shortcuts.ProgramName = "Editor";
  shortcuts.FolderDesktop = true;
  shortcuts.Desktop = true;
  EXPECT_THROW(shortcuts.CreateShortcut(), platform::EFCreateError);
  EXPECT_EQ(FilesBelowWindows(m), (std::set<std::string>{"Desktop\\Tools", "Start Menu\\Programs\\Tools\\Editor.lnk",
                                                         "Desktop\\Editor.lnk"}));
}

}  // namespace
}  // namespace zev::shortcut
