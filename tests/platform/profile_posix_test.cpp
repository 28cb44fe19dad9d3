// The profile files' Linux side: what only a POSIX file system shows (pipes, permission bits,
// extended attributes, inodes) and a full disk, which a file-size limit stands in for.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "platform/attributes.h"
#include "platform/profile.h"
#include "tests/platform/profile_fixture.h"
#include "tests/support/host_files.h"

namespace zev::platform {
namespace {

namespace fs = std::filesystem;
using zev::testing::ReadHostFile;
using zev::testing::TreeBelow;
using zev::testing::WriteHostFile;

TEST_F(ProfileFileTest, APipeInPlaceOfTheFileIsNeitherWaitedOnNorReplaced) {
  ASSERT_EQ(::mkfifo(WinFile("pipe.ini").c_str(), 0644), 0);
  EXPECT_EQ(ReadValue("S", "k", "pipe.ini"), "<default>");
  EXPECT_FALSE(WritePrivateProfileString("S", "k", "v", "pipe.ini"));
  EXPECT_TRUE(fs::is_fifo(WinFile("pipe.ini")));
}

TEST_F(ProfileFileTest, WriteReplacesThroughRenameKeepingModeAndAttributes) {
  const fs::path file = WinFile("kept.ini");
  const fs::path link = WinFile("hardlink.keep");
  WriteHostFile(file, "[S]\r\nk=old\r\n");
  ::chmod(file.c_str(), 0640);
  const std::string attribute = "0x26";  // hidden, system, archive
  ASSERT_EQ(::setxattr(file.c_str(), "user.DOSATTRIB", attribute.data(), attribute.size(), 0), 0);
  fs::create_hard_link(file, link);

  ASSERT_TRUE(WritePrivateProfileString("S", "k", "new", "kept.ini"));

  // The old inode, still reachable through the hard link, was never written: the new content
  // arrived as a new file renamed over the name.
  EXPECT_EQ(ReadHostFile(link), "[S]\r\nk=old\r\n");
  EXPECT_EQ(ReadHostFile(file), "[S]\r\nk=new\r\n");
  struct stat status {};
  ASSERT_EQ(::stat(file.c_str(), &status), 0);
  EXPECT_EQ(status.st_mode & 07777, 0640u);
  char stored[16] = {};
  const ssize_t length = ::getxattr(file.c_str(), "user.DOSATTRIB", stored, sizeof stored);
  EXPECT_EQ(std::string(stored, length > 0 ? static_cast<std::size_t>(length) : 0), attribute);
  EXPECT_EQ(GetFileAttributes(machine_.machine().WindowsDirectory() + "\\kept.ini"),
            faHidden | faSysFile | faArchive);
  EXPECT_EQ(TreeBelow(file.parent_path()), (std::vector<std::string>{"hardlink.keep", "kept.ini"}));
}

TEST_F(ProfileFileTest, FailedTemporaryWriteLeavesOriginalIntact) {
  const fs::path file = WinFile("atomic.ini");
  const std::string original = "[S]\r\nk=1\r\n";
  WriteHostFile(file, original);

  // A file-size limit below the new content makes writing the temporary file fail, as a full disk
  // would, even for root.
  rlimit saved {};
  ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
  const auto savedHandler = ::signal(SIGXFSZ, SIG_IGN);
  rlimit small = saved;
  small.rlim_cur = 64;
  ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
  const bool written = WritePrivateProfileString("S", "k", std::string(500, 'x'), "atomic.ini");
  ::setrlimit(RLIMIT_FSIZE, &saved);
  ::signal(SIGXFSZ, savedHandler);

  EXPECT_FALSE(written);
  EXPECT_EQ(ReadHostFile(file), original);
  EXPECT_EQ(TreeBelow(file.parent_path()), std::vector<std::string>{"atomic.ini"});
  // The same write goes through once the limit is gone.
  EXPECT_TRUE(WritePrivateProfileString("S", "k", std::string(500, 'x'), "atomic.ini"));
  EXPECT_EQ(ReadValue("S", "k", "atomic.ini"), std::string(500, 'x'));
}

}  // namespace
}  // namespace zev::platform
