#include "platform/attributes.h"

#include <gtest/gtest.h>

#include "tests/support/host_files.h"
#include "tests/support/scoped_machine.h"

namespace fs = std::filesystem;

namespace zev::platform {
namespace {

using zev::testing::WriteHostFile;

TEST(Attributes, FilesWithoutStoredAttributesReadFromTheirType) {
  ScopedMachine m;
  WriteHostFile(m.DriveC() / "plain.txt", "x");
  fs::create_directories(m.DriveC() / "Dir");
  EXPECT_EQ(GetFileAttributes("C:\\PLAIN.TXT"), faArchive);
  EXPECT_EQ(GetFileAttributes("C:\\dir"), faDirectory);
  EXPECT_EQ(GetFileAttributes("C:\\missing"), kInvalidAttributes);
  EXPECT_EQ(GetFileAttributes("Q:\\x"), kInvalidAttributes);
  fs::permissions(m.DriveC() / "plain.txt", fs::perms::owner_read | fs::perms::group_read);
  EXPECT_EQ(GetFileAttributes("C:\\plain.txt"), faArchive | faReadOnly);
}

TEST(Attributes, HiddenAndReadOnlyRoundTrip) {
#ifdef _WIN32
  GTEST_SKIP() << "Wine keeps the archive bit on every file and no read-only bit on a folder";
#endif
  ScopedMachine m;
  WriteHostFile(m.DriveC() / "f.txt", "x");
  ASSERT_TRUE(SetFileAttributes("C:\\f.txt", faHidden | faReadOnly));
  EXPECT_EQ(GetFileAttributes("C:\\F.txt"), faHidden | faReadOnly);
  // Read-only shows in the permission bits, for other programs to see.
  EXPECT_EQ(fs::status(m.DriveC() / "f.txt").permissions() & fs::perms::all & (fs::perms::owner_write |
            fs::perms::group_write | fs::perms::others_write), fs::perms::none);
  ASSERT_TRUE(SetFileAttributes("C:\\f.txt", faArchive | faSysFile));
  EXPECT_EQ(GetFileAttributes("C:\\f.txt"), faArchive | faSysFile);
  EXPECT_NE(fs::status(m.DriveC() / "f.txt").permissions() & fs::perms::owner_write, fs::perms::none);
  // The directory bit comes from the file type, whatever is asked.
  ASSERT_TRUE(SetFileAttributes("C:\\f.txt", faDirectory | faHidden));
  EXPECT_EQ(GetFileAttributes("C:\\f.txt"), faHidden);
  fs::create_directories(m.DriveC() / "d");
  ASSERT_TRUE(SetFileAttributes("C:\\d", faHidden | faReadOnly));
  EXPECT_EQ(GetFileAttributes("C:\\d"), faDirectory | faHidden | faReadOnly);
  // A read-only directory still takes new files: the flag is not mirrored on directories.
  EXPECT_NE(fs::status(m.DriveC() / "d").permissions() & fs::perms::owner_write, fs::perms::none);
  EXPECT_FALSE(SetFileAttributes("C:\\missing", faHidden));
}

}  // namespace
}  // namespace zev::platform
