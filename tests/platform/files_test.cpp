#include "platform/files.h"

#include <gtest/gtest.h>

#include <memory>

#include "tests/platform/file_helpers.h"
#include "tests/support/scoped_machine.h"

namespace fs = std::filesystem;

namespace zev::platform {
namespace {

using testing::WriteHostFile;

std::vector<std::string> Names(const std::vector<SearchRec>& found) {
  std::vector<std::string> names;
  for (const auto& rec : found) names.push_back(rec.Name);
  return names;
}

TEST(Files, ExistenceSizeAndAge) {
  ScopedMachine m;
  WriteHostFile(m.DriveC() / "Data" / "f.bin", std::string(1234, 'x'));
  EXPECT_TRUE(FileExists("C:\\data\\F.BIN"));
  EXPECT_FALSE(FileExists("C:\\data"));
  EXPECT_FALSE(FileExists("C:\\data\\none"));
  EXPECT_FALSE(FileExists("Q:\\f"));
  EXPECT_EQ(FileSize("C:\\Data\\f.bin"), 1234);
  EXPECT_EQ(FileSize("C:\\Data"), -1);
  EXPECT_EQ(FileSize("C:\\Data\\none"), -1);
  EXPECT_NE(FileAge("C:\\Data\\f.bin"), -1);
  EXPECT_EQ(FileAge("C:\\Data"), -1);
  EXPECT_EQ(FileAge("C:\\none"), -1);
}

TEST(Files, DeleteRefusesReadOnlyOpenAndDirectories) {
  ScopedMachine m;
  WriteHostFile(m.DriveC() / "ro.txt", "x");
  WriteHostFile(m.DriveC() / "open.txt", "x");
  WriteHostFile(m.DriveC() / "plain.txt", "x");
  fs::create_directories(m.DriveC() / "dir");
  ASSERT_TRUE(SetFileAttributes("C:\\ro.txt", faReadOnly));
  EXPECT_FALSE(DeleteFile("C:\\ro.txt"));  // even though we run as root
  EXPECT_TRUE(fs::exists(m.DriveC() / "ro.txt"));
  {
    FileStream holder("C:\\open.txt", fmOpenRead | fmShareDenyNone);
    EXPECT_FALSE(DeleteFile("C:\\open.txt"));
  }
  EXPECT_TRUE(DeleteFile("C:\\OPEN.TXT"));
  EXPECT_FALSE(fs::exists(m.DriveC() / "open.txt"));
  EXPECT_FALSE(DeleteFile("C:\\dir"));
  EXPECT_FALSE(DeleteFile("C:\\missing"));
  EXPECT_TRUE(DeleteFile("C:\\plain.txt"));
}

TEST(Files, DeleteRemovesALinkNotItsTarget) {
  ScopedMachine m;
  WriteHostFile(m.Root() / "outside.txt", "keep");
  std::error_code error;
  fs::create_symlink(m.Root() / "outside.txt", m.DriveC() / "link.txt", error);
  if (error) GTEST_SKIP() << "this host makes no symbolic links for this user";
  EXPECT_TRUE(DeleteFile("C:\\link.txt"));
  EXPECT_FALSE(fs::is_symlink(m.DriveC() / "link.txt"));
  EXPECT_TRUE(fs::exists(m.Root() / "outside.txt"));
}

TEST(Files, CreateAndRemoveDirectories) {
  ScopedMachine m;
  EXPECT_TRUE(CreateDirectory("C:\\New"));
  EXPECT_TRUE(fs::is_directory(m.DriveC() / "New"));
  EXPECT_FALSE(CreateDirectory("C:\\new"));        // exists, whatever the case
  EXPECT_FALSE(CreateDirectory("C:\\a\\b"));       // parent missing
  WriteHostFile(m.DriveC() / "New" / "f", "x");
  EXPECT_FALSE(RemoveDirectory("C:\\new"));        // not empty
  fs::remove(m.DriveC() / "New" / "f");
  EXPECT_TRUE(RemoveDirectory("C:\\NEW"));
  EXPECT_FALSE(fs::exists(m.DriveC() / "New"));
  EXPECT_FALSE(RemoveDirectory("C:\\"));
  EXPECT_FALSE(RemoveDirectory("C:\\missing"));
  EXPECT_TRUE(fs::is_directory(m.DriveC()));
}

TEST(Files, DiskFreeByDriveNumber) {
  ScopedMachine m;
  const std::int64_t c = DiskFree(3);
  EXPECT_GT(c, 0);
  // Other programs write to the same disk meanwhile: the two readings agree within a margin.
  EXPECT_NEAR(static_cast<double>(c), static_cast<double>(fs::space(m.DriveC()).available), 1 << 20);
  EXPECT_GT(DiskFree(0), 0);  // the current drive, A:
  EXPECT_GT(DiskFree(1), 0);
  EXPECT_EQ(DiskFree(4), -1);
  EXPECT_EQ(DiskFree(27), -1);
  EXPECT_EQ(DiskFree(-1), -1);
}

TEST(Files, DiskFreeAtTheNearestExistingFolder) {
  ScopedMachine m;
  // A path that does not exist yet is on the file system of its nearest existing folder.
  const auto available = static_cast<std::int64_t>(fs::space(m.DriveC()).available);
  EXPECT_NEAR(static_cast<double>(DiskFreeAt("C:\\not\\yet\\made.txt")), static_cast<double>(available), 1 << 20);
  EXPECT_NEAR(static_cast<double>(DiskFreeAt("C:\\")), static_cast<double>(available), 1 << 20);
  EXPECT_EQ(DiskFreeAt("Q:\\x"), -1);  // not mapped
}

TEST(Files, FindFilesByPatternAndMask) {
  ScopedMachine m;
  const fs::path dir = m.DriveC() / "Data";
  WriteHostFile(dir / "b.txt", "bb");
  WriteHostFile(dir / "A.TXT", "a");
  WriteHostFile(dir / "readme", "r");
  WriteHostFile(dir / "hidden.txt", "h");
  WriteHostFile(dir / "sys.txt", "s");
  WriteHostFile(dir / fs::path(u8"\u4E2D.txt"), "not a Windows name");
  fs::create_directories(dir / "Sub");
  ASSERT_TRUE(SetFileAttributes("C:\\Data\\hidden.txt", faHidden));
  ASSERT_TRUE(SetFileAttributes("C:\\Data\\sys.txt", faSysFile));

  EXPECT_EQ(Names(FindFiles("C:\\DATA\\*.*", 0)), (std::vector<std::string>{"A.TXT", "b.txt", "readme"}));
  EXPECT_EQ(Names(FindFiles("c:\\data\\*.txt", faArchive)), (std::vector<std::string>{"A.TXT", "b.txt"}));
  EXPECT_EQ(Names(FindFiles("C:\\Data\\*.*", faAnyFile)),
            (std::vector<std::string>{".", "..", "A.TXT", "b.txt", "hidden.txt", "readme", "Sub", "sys.txt"}));
  EXPECT_EQ(Names(FindFiles("C:\\Data\\*", faDirectory)), (std::vector<std::string>{".", "..", "A.TXT", "b.txt",
                                                                                     "readme", "Sub"}));
  EXPECT_EQ(Names(FindFiles("C:\\Data\\*.txt", faHidden)), (std::vector<std::string>{"A.TXT", "b.txt", "hidden.txt"}));
  auto b = FindFiles("C:\\Data\\B.TXT", 0);
  ASSERT_EQ(b.size(), 1u);
  EXPECT_EQ(b[0].Name, "b.txt");
  EXPECT_EQ(b[0].Size, 2);
  EXPECT_EQ(b[0].Attr, faArchive);
  EXPECT_EQ(b[0].Time, FileAge("C:\\Data\\b.txt"));
  auto sub = FindFiles("C:\\Data\\sub", faDirectory);
  ASSERT_EQ(sub.size(), 1u);
  EXPECT_EQ(sub[0].Attr, faDirectory);
  // No "." and ".." at a drive root; nothing for missing folders or unmapped drives.
  EXPECT_EQ(Names(FindFiles("C:\\*.*", faDirectory)), (std::vector<std::string>{"Data"}));
  EXPECT_TRUE(FindFiles("C:\\none\\*.*", faAnyFile).empty());
  EXPECT_TRUE(FindFiles("Q:\\*.*", faAnyFile).empty());
  EXPECT_TRUE(FindFiles("C:\\Data\\", faAnyFile).empty());
}

TEST(Files, FindFilesLeavesOutLinksThatLeaveTheDrive) {
#ifdef _WIN32
  GTEST_SKIP() << "Windows follows a link wherever it leads, as for every program";
#endif
  ScopedMachine m;
  WriteHostFile(m.Root() / "outside.txt", "x");
  WriteHostFile(m.DriveC() / "in.txt", "x");
  fs::create_symlink(m.Root() / "outside.txt", m.DriveC() / "out.txt");
  fs::create_symlink(m.DriveC() / "in.txt", m.DriveC() / "alias.txt");
  EXPECT_EQ(Names(FindFiles("C:\\*.txt", 0)), (std::vector<std::string>{"alias.txt", "in.txt"}));
}

}  // namespace
}  // namespace zev::platform
