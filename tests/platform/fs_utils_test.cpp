#include "platform/fs_utils.h"

#include <gtest/gtest.h>


#include "platform/error.h"
#include "platform/files.h"
#include "platform/shell.h"
#include "tests/support/host_files.h"
#include "tests/support/recording_launcher.h"
#include "tests/support/scoped_machine.h"

namespace fs = std::filesystem;

namespace zev::platform {
namespace {

using zev::testing::ReadHostFile;
using zev::testing::WriteHostFile;

TEST(SplitField, WalksTheFieldsAndRepeatsTheLast) {
  std::string text = "a~b~c", head;
  SplitField(text, '~', head);
  EXPECT_EQ(head, "a");
  EXPECT_EQ(text, "b~c");
  SplitField(text, '~', head);
  EXPECT_EQ(head, "b");
  EXPECT_EQ(text, "c");
  SplitField(text, '~', head);
  EXPECT_EQ(head, "c");
  EXPECT_EQ(text, "c");
  text = "~x";
  SplitField(text, '~', head);
  EXPECT_EQ(head, "");
  EXPECT_EQ(text, "x");
  text = "";
  SplitField(text, '~', head);
  EXPECT_EQ(head, "");
  EXPECT_EQ(text, "");
}

TEST(MakeDirPath, CreatesEveryMissingParent) {
  ScopedMachine m;
  MakeDirPath("C:\\A\\B\\");
  EXPECT_TRUE(fs::is_directory(m.DriveC() / "A"));
  EXPECT_TRUE(fs::is_directory(m.DriveC() / "A" / "B"));
  MakeDirPath("c:\\a\\b\\c");  // existing parents found without regard to case
  EXPECT_TRUE(fs::is_directory(m.DriveC() / "A" / "B" / "c"));
  EXPECT_TRUE(IsDirectory("C:\\A\\B\\C"));
}

TEST(MakeDirPath, EmptyFailsAndRootsDoNothing) {
  ScopedMachine m;
  try {
    MakeDirPath("");
    FAIL();
  } catch (const Exception& e) {
    EXPECT_STREQ(e.what(), "Unable to create directory");
  }
  const auto before = std::distance(fs::directory_iterator(m.DriveC()), fs::directory_iterator());
  MakeDirPath("C:\\");
  MakeDirPath("C:");
  MakeDirPath("\\");
  EXPECT_EQ(std::distance(fs::directory_iterator(m.DriveC()), fs::directory_iterator()), before);
  // Failures to create are silent: below a file, or on an unmapped drive.
  WriteHostFile(m.DriveC() / "file", "x");
  EXPECT_NO_THROW(MakeDirPath("C:\\file\\sub"));
  EXPECT_NO_THROW(MakeDirPath("Q:\\x\\y"));
}

TEST(MakeDirPath, LongAndDeepPaths) {
#ifdef _WIN32
  GTEST_SKIP() << "a test machine's C: is a folder whose own path counts against the system's limit";
#endif
  ScopedMachine m;
  std::string deep = "C:";
  for (int i = 0; i < 40; ++i) deep += "\\level";
  MakeDirPath(deep);
  EXPECT_TRUE(IsDirectory(deep));
  // Past MAX_PATH on C: nothing is created, and that is not reported here either.
  for (int i = 0; i < 20; ++i) deep += "\\level";
  EXPECT_NO_THROW(MakeDirPath(deep));
  EXPECT_FALSE(IsDirectory(deep.substr(0, 2 + 6 * 41)));
  // A name longer than the host allows cannot be created; that is not reported here.
  EXPECT_NO_THROW(MakeDirPath("C:\\" + std::string(300, 'n') + "\\x"));
  EXPECT_FALSE(IsDirectory("C:\\" + std::string(300, 'n')));
}

TEST(HasAttributes, MissingPathsHaveEveryAttribute) {
  ScopedMachine m;
  WriteHostFile(m.DriveC() / "f", "x");
  ASSERT_TRUE(SetFileAttributes("C:\\f", faHidden | faArchive));
  EXPECT_TRUE(HasAttributes("C:\\f", faHidden));
  EXPECT_TRUE(HasAttributes("C:\\f", faHidden | faArchive));
  EXPECT_FALSE(HasAttributes("C:\\f", faHidden | faReadOnly));
  EXPECT_FALSE(HasAttributes("C:\\f", faDirectory));
  EXPECT_TRUE(HasAttributes("C:\\missing", faDirectory | faReadOnly));
  EXPECT_FALSE(IsDirectory("C:\\missing"));
  EXPECT_FALSE(IsDirectory("C:\\f"));
  EXPECT_TRUE(IsDirectory("C:\\"));
}

TEST(CopyOneFile, IntoAnExistingDirectoryWithAndWithoutBackslash) {
  ScopedMachine m;
  m.machine().MapDrive('T', m.Root() / "t");
  WriteHostFile(m.Root() / "t" / "tmp" / "app.exe", "program bytes");
  fs::create_directories(m.DriveC() / "MyApp");
  CopyOneFile("T:\\tmp\\app.exe", "C:\\MyApp");
  EXPECT_EQ(ReadHostFile(m.DriveC() / "MyApp" / "app.exe"), "program bytes");
  fs::remove(m.DriveC() / "MyApp" / "app.exe");
  CopyOneFile("T:\\tmp\\app.exe", "C:\\MyApp\\");
  EXPECT_EQ(ReadHostFile(m.DriveC() / "MyApp" / "app.exe"), "program bytes");
  // A named target file, replacing what was there; a copy has the attributes of a new file.
  WriteHostFile(m.DriveC() / "MyApp" / "other.exe", "old and longer contents");
  ASSERT_TRUE(SetFileAttributes("T:\\tmp\\app.exe", faArchive | faReadOnly));
  CopyOneFile("T:\\tmp\\app.exe", "C:\\MyApp\\other.exe");
  EXPECT_EQ(ReadHostFile(m.DriveC() / "MyApp" / "other.exe"), "program bytes");
  EXPECT_EQ(GetFileAttributes("C:\\MyApp\\other.exe"), faArchive);
}

TEST(CopyOneFile, EmptyAndExactBufferSizedFiles) {
  ScopedMachine m;
  WriteHostFile(m.DriveC() / "empty", "");
  fs::create_directories(m.DriveC() / "out");
  CopyOneFile("C:\\empty", "C:\\out");
  ASSERT_TRUE(fs::exists(m.DriveC() / "out" / "empty"));
  EXPECT_EQ(fs::file_size(m.DriveC() / "out" / "empty"), 0u);
  std::string block(8192, '\0');
  for (std::size_t i = 0; i < block.size(); ++i) block[i] = static_cast<char>(i * 7 + 3);
  for (const std::string& content : {block, block + "z", block + block}) {
    WriteHostFile(m.DriveC() / "src", content);
    CopyOneFile("C:\\src", "C:\\out\\");
    EXPECT_EQ(ReadHostFile(m.DriveC() / "out" / "src"), content) << content.size();
  }
}

TEST(CopyOneFile, ErrorsNameTheFiles) {
  ScopedMachine m;
  try {
    CopyOneFile("C:\\missing.txt", "C:\\x");
    FAIL();
  } catch (const EFOpenError& e) {
    EXPECT_STREQ(e.what(), "Cannot open file C:\\missing.txt");
  }
  WriteHostFile(m.DriveC() / "src", "data");
  WriteHostFile(m.DriveC() / "ro", "protected");
  ASSERT_TRUE(SetFileAttributes("C:\\ro", faReadOnly));
  try {
    CopyOneFile("C:\\src", "c:\\RO");
    FAIL();
  } catch (const EFCreateError& e) {
    EXPECT_STREQ(e.what(), "Cannot create file C:\\RO");  // the expanded target
  }
  EXPECT_EQ(ReadHostFile(m.DriveC() / "ro"), "protected");
  // Copying a file onto itself is a sharing conflict, and the data survives.
  EXPECT_THROW(CopyOneFile("C:\\src", "C:\\src"), EFCreateError);
  EXPECT_EQ(ReadHostFile(m.DriveC() / "src"), "data");
  // A target someone holds open stays as it is.
  WriteHostFile(m.DriveC() / "busy", "in use");
  {
    FileStream holder("C:\\busy", fmOpenRead | fmShareDenyNone);
    EXPECT_THROW(CopyOneFile("C:\\src", "C:\\busy"), EFCreateError);
  }
  EXPECT_EQ(ReadHostFile(m.DriveC() / "busy"), "in use");
  // The copy is staged beside its target; nothing of a failed one is left behind.
  EXPECT_EQ(zev::testing::TreeBelow(m.DriveC()), (std::vector<std::string>{"busy", "ro", "src"}));
}

TEST(CopyOneFile, RelativeAndMissingDestinations) {
  ScopedMachine m;
  WriteHostFile(m.StartDir() / "install.cfg", "cfg");
  fs::create_directories(m.DriveC() / "Dest");
  m.machine().SetCurrentDirectory("C:\\Dest");
  CopyOneFile("A:\\install.cfg", "");  // empty: the current directory
  EXPECT_EQ(ReadHostFile(m.DriveC() / "Dest" / "install.cfg"), "cfg");
  fs::create_directories(m.DriveC() / "Dest" / "Sub");
  CopyOneFile("A:\\install.cfg", "sub");
  EXPECT_EQ(ReadHostFile(m.DriveC() / "Dest" / "Sub" / "install.cfg"), "cfg");
  // A missing destination counts as a folder, which then cannot be created into.
  try {
    CopyOneFile("A:\\install.cfg", "new.cfg");
    FAIL();
  } catch (const EFCreateError& e) {
    EXPECT_STREQ(e.what(), "Cannot create file C:\\Dest\\new.cfg\\install.cfg");
  }
}

TEST(StartProgram, PassesLongStringsWholeToTheShell) {
  RecordingLauncher recorder;
  Launcher* previous = SetLauncher(&recorder);
  const std::string file = "C:\\" + std::string(200, 'p') + "\\app.exe";
  const std::string params = "/x " + std::string(300, 'a');
  StartProgram(file, params, "C:\\Program Files\\App", 1);
  SetLauncher(previous);
  ASSERT_EQ(recorder.requests.size(), 1u);
  EXPECT_EQ(recorder.requests[0].file, file);
  EXPECT_EQ(recorder.requests[0].parameters, params);
  EXPECT_EQ(recorder.requests[0].directory, "C:\\Program Files\\App");
  EXPECT_EQ(recorder.requests[0].showCommand, 1);
}

TEST(WindowsDirectoryRoutine, IsTheMachinesWindowsFolder) {
  ScopedMachine m;
  EXPECT_EQ(WindowsDirectory(), "C:\\WINDOWS");
  EXPECT_TRUE(IsDirectory(WindowsDirectory()));
}

}  // namespace
}  // namespace zev::platform
