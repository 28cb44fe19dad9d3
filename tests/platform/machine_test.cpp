#include "platform/machine.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/error.h"
#include "platform/file_stream.h"
#include "platform/files.h"
#include "platform/folder_index.h"
#include "platform/fs_utils.h"
#include "platform/path_names.h"
#include "tests/support/host_files.h"
#include "tests/support/scoped_environment.h"
#include "tests/support/scoped_machine.h"

namespace fs = std::filesystem;

namespace zev::platform {
namespace {

using zev::testing::ScopedEnvironmentVariable;
using zev::testing::WriteHostFile;

// The machine's drives ("A:", "C:"), less those a Windows host has of its own.
std::vector<std::string> MappedDrives(const Machine& machine) {
  std::vector<std::string> items;
  for (char letter : machine.Drives()) items.push_back(std::string(1, letter) + ":");
  return MachineDriveItems(items);
}

TEST(Machine, ConfigureMapsDriveCAndTheStartFolderAsA) {
  ScopedMachine m;
  EXPECT_EQ(MappedDrives(m.machine()), (std::vector<std::string>{"A:", "C:"}));
  EXPECT_EQ(m.machine().CurrentDirectory(), "A:\\");
  EXPECT_TRUE(fs::is_directory(m.DriveC()));
  EXPECT_EQ(m.machine().ToHostPath("c:\\x\\y"), fs::canonical(m.DriveC()) / "x" / "y");
  EXPECT_EQ(m.machine().ToHostPath("A:\\install.cfg"), fs::canonical(m.StartDir()) / "install.cfg");

  // A start folder inside C: keeps its path on C: and no A: is made.
  fs::create_directories(m.DriveC() / "Setup" / "Disk1");
  m.machine().Configure(m.MachineDir(), m.DriveC() / "Setup" / "Disk1");
  EXPECT_EQ(MappedDrives(m.machine()), std::vector<std::string>{"C:"});
  EXPECT_EQ(m.machine().CurrentDirectory(), "C:\\Setup\\Disk1");
  EXPECT_THROW(m.machine().ToHostPath("A:\\x"), Exception);
}

TEST(Machine, DefaultMachineDirFollowsEnvironment) {
  ScopedEnvironmentVariable machine("ZEV_MACHINE", "/m");
  ScopedEnvironmentVariable data("XDG_DATA_HOME", "/data");
  ScopedEnvironmentVariable home("HOME", "/home/u");
#ifdef _WIN32
  EXPECT_EQ(Machine::DefaultMachineDir(), fs::path()) << "Windows has the real machine, in no folder";
#else
  EXPECT_EQ(Machine::DefaultMachineDir(), fs::path("/m"));
  machine.Set(std::nullopt);
  EXPECT_EQ(Machine::DefaultMachineDir(), fs::path("/data/zev-setup/machine"));
  data.Set(std::nullopt);
  EXPECT_EQ(Machine::DefaultMachineDir(), fs::path("/home/u/.local/share/zev-setup/machine"));
#endif
}

TEST(Machine, DotDotNeverClimbsAboveTheDriveRoot) {
  ScopedMachine m;
  const fs::path c = fs::canonical(m.DriveC());
  EXPECT_EQ(m.machine().ToHostPath("C:\\..\\..\\etc\\passwd"), c / "etc" / "passwd");
  EXPECT_EQ(m.machine().ToHostPath("C:/a/../../x"), c / "x");
  EXPECT_EQ(m.machine().ExpandFileName("c:/a/./b//..\\c\\"), "C:\\a\\c");
  EXPECT_EQ(m.machine().ExpandFileName("C:\\..\\.."), "C:\\");
}

TEST(Machine, ExpandsRelativePathsFromTheCurrentDirectory) {
  ScopedMachine m;
  fs::create_directories(m.DriveC() / "Work");
  m.machine().SetCurrentDirectory("c:\\work");
  EXPECT_EQ(m.machine().CurrentDirectory(), "C:\\work");
  EXPECT_EQ(m.machine().ExpandFileName(""), "C:\\work");
  EXPECT_EQ(m.machine().ExpandFileName("a\\b"), "C:\\work\\a\\b");
  EXPECT_EQ(m.machine().ExpandFileName("..\\x"), "C:\\x");
  EXPECT_EQ(m.machine().ExpandFileName("\\x"), "C:\\x");
  EXPECT_EQ(m.machine().ExpandFileName("C:y"), "C:\\work\\y");
  EXPECT_EQ(m.machine().ExpandFileName("a:y"), "A:\\y");  // another drive: from its root
  EXPECT_THROW(m.machine().SetCurrentDirectory("C:\\missing"), EInOutError);
  EXPECT_THROW(m.machine().SetCurrentDirectory("Q:\\"), EInOutError);
  EXPECT_EQ(m.machine().CurrentDirectory(), "C:\\work");
}

TEST(Machine, FindsExistingComponentsWithoutRegardToCase) {
#ifdef _WIN32
  GTEST_SKIP() << "Windows finds names without regard to case itself: a host path keeps the names as given";
#endif
  ScopedMachine m;
  WriteHostFile(m.DriveC() / "Windows" / "Temp" / "z", "data");
  const fs::path c = fs::canonical(m.DriveC());
  EXPECT_EQ(m.machine().ToHostPath("C:\\WINDOWS\\TEMP\\Z"), c / "Windows" / "Temp" / "z");
  // New components keep the case they are given.
  EXPECT_EQ(m.machine().ToHostPath("c:\\windows\\NewDir\\File.TXT"), c / "Windows" / "NewDir" / "File.TXT");
  // Accented letters fold by Windows-1252 rules; host names are UTF-8.
  WriteHostFile(m.DriveC() / "\xC3\xA9t\xC3\xA9.txt", "x");  // "été.txt"
  EXPECT_EQ(m.machine().ToHostPath("C:\\\xC9T\xC9.TXT"), c / "\xC3\xA9t\xC3\xA9.txt");
  // Of two names equal but for case, the first in sorted order wins; an exact match wins first.
  WriteHostFile(m.DriveC() / "dup" / "readme", "1");
  WriteHostFile(m.DriveC() / "dup" / "README", "2");
  EXPECT_EQ(m.machine().ToHostPath("C:\\dup\\ReadMe"), c / "dup" / "README");
  EXPECT_EQ(m.machine().ToHostPath("C:\\dup\\readme"), c / "dup" / "readme");
}

TEST(Machine, RefusesInvalidNamesAndUnmappedDrives) {
  ScopedMachine m;
  EXPECT_THROW(m.machine().ToHostPath("Q:\\x"), Exception);
  EXPECT_THROW(m.machine().ToHostPath("C:\\a*b"), Exception);
  EXPECT_THROW(m.machine().ToHostPath("C:\\a\\b:c"), Exception);
  EXPECT_THROW(m.machine().ToHostPath(std::string("C:\\a\x01")), Exception);
  EXPECT_THROW(m.machine().MapDrive('1', m.Root()), Exception);
}

TEST(Machine, SymlinksDoNotLeaveTheDrive) {
#ifdef _WIN32
  GTEST_SKIP() << "Windows follows a link wherever it leads, as for every program";
#endif
  ScopedMachine m;
  const fs::path outside = m.Root() / "outside";
  WriteHostFile(outside / "secret", "s");
  fs::create_directories(m.DriveC() / "inside");
  fs::create_directory_symlink(outside, m.DriveC() / "out");
  fs::create_symlink(outside / "secret", m.DriveC() / "secret.lnk");
  fs::create_directory_symlink(m.DriveC() / "inside", m.DriveC() / "in");
  EXPECT_THROW(m.machine().ToHostPath("C:\\out\\secret"), Exception);
  EXPECT_THROW(m.machine().ToHostPath("C:\\OUT"), Exception);
  EXPECT_THROW(m.machine().ToHostPath("C:\\secret.lnk"), Exception);
  // Not followed, the link itself is the entry (for deleting or replacing it).
  EXPECT_EQ(m.machine().ToHostPathNoFollow("C:\\secret.lnk"), fs::canonical(m.DriveC()) / "secret.lnk");
  EXPECT_THROW(m.machine().ToHostPathNoFollow("C:\\out\\secret"), Exception);
  // A link that stays inside is followed.
  EXPECT_EQ(m.machine().ToHostPath("C:\\in\\f"), fs::canonical(m.DriveC()) / "inside" / "f");
}

TEST(Machine, HostPathsBackToWindowsPaths) {
#ifdef _WIN32
  GTEST_SKIP() << "Windows host names are in the system's code page, where \\ separates folders";
#endif
  ScopedMachine m;
  EXPECT_EQ(m.machine().ToWindowsPath(m.DriveC()), "C:\\");
  EXPECT_EQ(m.machine().ToWindowsPath(m.DriveC() / "a" / "\xC3\xA9.txt"), "C:\\a\\\xE9.txt");
  EXPECT_EQ(m.machine().ToWindowsPath(m.StartDir() / "zevsetup.001"), "A:\\zevsetup.001");
  EXPECT_THROW(m.machine().ToWindowsPath(m.Root() / "elsewhere"), Exception);
  EXPECT_THROW(m.machine().ToWindowsPath(m.DriveC() / "\xE4\xB8\xAD"), Exception);
  EXPECT_THROW(m.machine().ToWindowsPath(m.DriveC() / "what?"), Exception);
  EXPECT_THROW(m.machine().ToWindowsPath(m.DriveC() / "a\\b"), Exception);
  EXPECT_THROW(m.machine().ToWindowsPath(m.DriveC() / "line\nbreak"), Exception);
}

TEST(Machine, RepointsADriveWhileRunning) {
#ifdef _WIN32
  GTEST_SKIP() << "Windows finds names without regard to case itself: a host path keeps the names as given";
#endif
  ScopedMachine m;
  WriteHostFile(m.Root() / "disk2" / "zevsetup.002", "2");
  m.machine().MapDrive('a', m.Root() / "disk2");
  EXPECT_EQ(m.machine().ToHostPath("A:\\ZEVSETUP.002"), fs::canonical(m.Root() / "disk2") / "zevsetup.002");
  EXPECT_EQ(m.machine().DriveFolder('A'), m.Root() / "disk2");
  EXPECT_FALSE(m.machine().DriveFolder('D').has_value());
}

TEST(Machine, WindowsDirectoryIsCreatedOnFirstUse) {
  ScopedMachine m;
  EXPECT_FALSE(fs::exists(m.DriveC() / "WINDOWS"));
  EXPECT_EQ(m.machine().WindowsDirectory(), "C:\\WINDOWS");
  EXPECT_TRUE(fs::is_directory(m.DriveC() / "WINDOWS"));
}

// A path is walked down once from its drive's root: creating a folder 1000 levels deep, creating
// a file in it and finding it again costs a look-up per level and walk, not one per level and
// level above it (which made such a path cost minutes).
TEST(Machine, DeepPathsAreWalkedDownOnce) {
#ifdef _WIN32
  GTEST_SKIP() << "Windows holds a path on every drive to MAX_PATH";
#endif
  ScopedMachine m;
  fs::create_directories(m.Root() / "deep");
  m.machine().MapDrive('D', m.Root() / "deep");
  std::string folder = "D:";
  for (int i = 0; i < 1000; ++i) folder += "\\d";
  const std::uint64_t before = m.machine().ComponentLookups();
  MakeDirPath(folder);
  EXPECT_EQ(m.machine().ComponentLookups() - before, 1000u);
  { FileStream(folder + "\\f.txt", fmCreate).WriteBuffer("x", 1); }
  EXPECT_TRUE(FileExists(folder + "\\F.TXT"));
  EXPECT_EQ(m.machine().ComponentLookups() - before, 1000u + 2 * 1001u);
  fs::path host = m.Root() / "deep";
  for (int i = 0; i < 1000; ++i) host /= "d";
  EXPECT_TRUE(fs::is_regular_file(host / "f.txt"));
}

// Paths on C: are held to MAX_PATH (the machine's host folder above C: does not count), and so
// is a stored name; a longer one is refused before any look-up.
TEST(Machine, PathsOnCAreHeldToMaxPath) {
  ScopedMachine m;
  const std::string fits = "C:\\" + std::string(kMaxPathLength - 3, 'a');
  EXPECT_NO_THROW(m.machine().ToHostPath(fits));
  const std::uint64_t before = m.machine().ComponentLookups();
  try {
    m.machine().ToHostPath(fits + "a");
    ADD_FAILURE() << "a path of 260 characters was accepted";
  } catch (const Exception& e) {
    EXPECT_EQ(std::string(e.what()).rfind("Path longer than 259 characters: C:\\aaa", 0), 0u) << e.what();
  }
  EXPECT_NO_THROW(MakeDirPath("C:\\" + std::string(500, 'x')));
  EXPECT_THROW(ForceDirectories("C:\\" + std::string(300, 'x')), Exception);
  EXPECT_THROW(FileStream("C:\\" + std::string(300, 'x'), fmCreate), EFCreateError);
  EXPECT_EQ(m.machine().ComponentLookups(), before);
}

// Files created one by one in a folder are found without regard to case, and the folder is read
// once for the whole lot rather than once per file. A file that another program puts there is
// still seen.
TEST(Machine, ManyFilesInOneFolderReadItOnce) {
  ScopedMachine m;
  MakeDirPath("C:\\Many");
  const std::uint64_t before = FolderListings();
  for (int i = 0; i < 1000; ++i) {
    const std::string name = "C:\\Many\\File" + std::to_string(i) + ".txt";
    EXPECT_FALSE(FileExists(name));
    FileStream(name, fmCreate);
  }
  EXPECT_TRUE(FileExists("C:\\MANY\\FILE999.TXT"));
  EXPECT_TRUE(DeleteFile("C:\\many\\file0.TXT"));
  EXPECT_FALSE(FileExists("C:\\Many\\FILE0.txt"));
  EXPECT_LE(FolderListings() - before, 2u);
#ifdef _WIN32
  GTEST_SKIP() << "Windows finds names without regard to case itself: a host path keeps the names as given";
#endif
  WriteHostFile(m.DriveC() / "Many" / "Extra.TXT", "x");
  EXPECT_EQ(m.machine().ToHostPath("c:\\many\\EXTRA.txt"), fs::canonical(m.DriveC()) / "Many" / "Extra.TXT");
}

TEST(Machine, ScopedMachineRestoresThePreviousMachine) {
  ScopedMachine outer;
  fs::path inner_root;
  {
    ScopedMachine inner;
    inner_root = inner.Root();
    EXPECT_EQ(Machine::Current().DriveFolder('C'), inner.DriveC());
  }
  EXPECT_FALSE(fs::exists(inner_root));
  EXPECT_EQ(Machine::Current().DriveFolder('C'), outer.DriveC());
}

}  // namespace
}  // namespace zev::platform
