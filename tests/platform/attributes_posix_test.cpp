// Where the Linux side keeps the attributes that its files have no place for.
#include <gtest/gtest.h>
#include <sys/xattr.h>

#include "platform/attributes.h"
#include "tests/support/host_files.h"
#include "tests/support/scoped_machine.h"

namespace zev::platform {
namespace {

using zev::testing::WriteHostFile;

TEST(Attributes, AreStoredAsAsciiInAnExtendedAttribute) {
  ScopedMachine m;
  WriteHostFile(m.DriveC() / "f.txt", "x");
  ASSERT_TRUE(SetFileAttributes("C:\\f.txt", faHidden | faReadOnly));
  char text[16] = {};
  ASSERT_EQ(::getxattr((m.DriveC() / "f.txt").c_str(), "user.DOSATTRIB", text, sizeof text), 4);
  EXPECT_STREQ(text, "0x03");
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
