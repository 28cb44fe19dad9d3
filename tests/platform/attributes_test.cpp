#include "platform/attributes.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/xattr.h>

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
  ScopedMachine m;
  WriteHostFile(m.DriveC() / "f.txt", "x");
  ASSERT_TRUE(SetFileAttributes("C:\\f.txt", faHidden | faReadOnly));
  EXPECT_EQ(GetFileAttributes("C:\\F.txt"), faHidden | faReadOnly);
  // Kept as ASCII in the extended attribute, read-only mirrored in the permission bits.
  char text[16] = {};
  ASSERT_EQ(::getxattr((m.DriveC() / "f.txt").c_str(), "user.DOSATTRIB", text, sizeof text), 4);
  EXPECT_STREQ(text, "0x03");
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

TEST(Attributes, ReadsTheLeadingTextOfAStoredValue) {
  ScopedMachine m;
  WriteHostFile(m.DriveC() / "f", "x");
  // Other tools store "0x22" followed by a NUL and binary data.
  const char value[] = "0x22\0\x01\x02";
  ASSERT_EQ(::setxattr((m.DriveC() / "f").c_str(), "user.DOSATTRIB", value, sizeof value - 1, 0), 0);
  EXPECT_EQ(GetFileAttributes("C:\\f"), faArchive | faHidden);
  ASSERT_EQ(::setxattr((m.DriveC() / "f").c_str(), "user.DOSATTRIB", "junk", 4, 0), 0);
  EXPECT_EQ(GetFileAttributes("C:\\f"), faArchive);  // unreadable: as if none were stored
}

}  // namespace
}  // namespace zev::platform
