#include "platform/profile.h"

#include <gtest/gtest.h>

#include <climits>
#include <filesystem>
#include <sstream>
#include <string>

#include "platform/attributes.h"
#include "tests/platform/profile_fixture.h"
#include "tests/support/host_files.h"

namespace zev::platform {
namespace {

namespace fs = std::filesystem;
using zev::testing::ReadHostFile;
using zev::testing::TreeBelow;
using zev::testing::WriteHostFile;

// --- The integer rule ----------------------------------------------------------------------------

TEST(ProfileInt, ConvertsDecimalAndHexadecimalForms) {
  struct Case {
    const char* text;
    std::int32_t expected;
  };
  const Case cases[] = {
      {"$1F", 31},        {"0x1F", 31},         {"0X1F", 31},         {"$ff", 255},
      {"0x0000FF", 255},  {"255", 255},         {"0", 0},             {"-5", -5},
      {"+7", 7},          {"00012", 12},        {"0xFFFFFFFF", -1},   {"$FFFFFFFF", -1},
      {"0x80000000", INT_MIN}, {"$000000001F", 31}, {"2147483647", INT_MAX}, {"-2147483648", INT_MIN},
  };
  for (const Case& c : cases) EXPECT_EQ(ParseProfileInt(c.text, -99), c.expected) << c.text;
}

TEST(ProfileInt, MalformedOrOutOfRangeGivesDefault) {
  const char* const bad[] = {"",   "12abc", "0x",     "0X",          "$",           "0x1G",        "$-1",
                             "-",  "+",     "blue",   " 5",          "5 ",          "1.5",         "-0x1F",
                             "x1F", "2147483648", "-2147483649", "99999999999999999999", "0x100000000", "$1FFFFFFFF"};
  for (const char* text : bad) EXPECT_EQ(ParseProfileInt(text, -99), -99) << '"' << text << '"';
}

// --- Reading files -------------------------------------------------------------------------------

TEST_F(ProfileFileTest, MissingFileReadsAsDefaultsAndIsNotCreated) {
  std::string value = "stale";
  EXPECT_EQ(GetPrivateProfileString("Setup - Main", "Folder", "Accessories", value, 1024, "install.ini"), 11u);
  EXPECT_EQ(value, "Accessories");
  EXPECT_EQ(GetPrivateProfileInt("Setup - Main", "Install Disks", 7, "install.ini"), 7);
  EXPECT_TRUE(GetPrivateProfileKeyNames("Files", kProfileKeyListBufferSize, "install.ini").empty());
  EXPECT_EQ(ReadValue("S", "k", "Z:\\unmapped\\x.ini"), "<default>");
  EXPECT_EQ(ReadValue("S", "k", ""), "<default>");
  EXPECT_FALSE(fs::exists(WinFile("install.ini")));
}

TEST_F(ProfileFileTest, ReadsLfOnlyFileWithQuotesCommentsAndRepeats) {
  WriteHostFile(WinFile("app.ini"),
             "[Setup - Main]\n"
             "Header = \"  ZEV  \"\n"
             "; Folder=commented out\n"
             "Folder=\n"
             "Dither From=0x0000FF\n"
             "Dither To=blue\n"
             "Header=second\n"
             "[setup - main]\n"
             "Launch=later\n");
  EXPECT_EQ(ReadValue("Setup - Main", "Header", "app.ini"), "  ZEV  ");
  EXPECT_EQ(ReadValue("Setup - Main", "Folder", "app.ini"), "");  // present but empty: no default
  EXPECT_EQ(ReadValue("SETUP - MAIN", "Launch", "app.ini"), "<default>");
  EXPECT_EQ(GetPrivateProfileInt("Setup - Main", "Dither From", 0xFF0000, "app.ini"), 255);
  EXPECT_EQ(GetPrivateProfileInt("Setup - Main", "Dither To", 0, "app.ini"), 0);
  EXPECT_EQ(GetPrivateProfileInt("Setup - Main", "Missing", 12, "app.ini"), 12);
  // The same file by its full name, in another case.
  EXPECT_EQ(ReadValue("Setup - Main", "Header", "c:\\windows\\APP.INI"), "  ZEV  ");
}

TEST_F(ProfileFileTest, ValueAndDefaultCutToTheBuffer) {
  const std::string longValue(1500, 'v');
  WriteHostFile(WinFile("long.ini"), "[S]\r\nk=" + longValue + "\r\n");
  std::string value;
  EXPECT_EQ(GetPrivateProfileString("S", "k", "", value, kProfileValueBufferSize, "long.ini"), 1023u);
  EXPECT_EQ(value, longValue.substr(0, 1023));
  EXPECT_EQ(GetPrivateProfileString("S", "missing", "abcdef", value, 4, "long.ini"), 3u);
  EXPECT_EQ(value, "abc");
#ifndef _WIN32
  // The system drops trailing spaces alone (the profile rules compare the two hosts).
  EXPECT_EQ(GetPrivateProfileString("S", "missing", "trailing  \t", value, 1024, "long.ini"), 8u);
  EXPECT_EQ(value, "trailing");
#endif
  EXPECT_EQ(GetPrivateProfileString("S", "k", "", value, 0, "long.ini"), 0u);
  EXPECT_EQ(value, "");
}

TEST_F(ProfileFileTest, KeyListingLeavesOutNamesThatDoNotFit) {
  WriteHostFile(WinFile("keys.ini"), "[Files]\r\nalpha=1\r\nbeta=2\r\ngamma=3\r\nalpha=4\r\n");
  using Names = std::vector<std::string>;
  // alpha\0 beta\0 gamma\0 alpha\0 and the closing NUL: 6 + 5 + 6 + 6 + 1 = 24 characters.
  EXPECT_EQ(GetPrivateProfileKeyNames("files", 24, "keys.ini"), (Names{"alpha", "beta", "gamma", "alpha"}));
  EXPECT_EQ(GetPrivateProfileKeyNames("files", 23, "keys.ini"), (Names{"alpha", "beta", "gamma"}));
  EXPECT_EQ(GetPrivateProfileKeyNames("files", 12, "keys.ini"), (Names{"alpha", "beta"}));
  EXPECT_EQ(GetPrivateProfileKeyNames("files", 11, "keys.ini"), (Names{"alpha"}));
  EXPECT_TRUE(GetPrivateProfileKeyNames("files", 6, "keys.ini").empty());
  EXPECT_TRUE(GetPrivateProfileKeyNames("files", 0, "keys.ini").empty());

  std::string listing;
  EXPECT_EQ(GetPrivateProfileString("Files", "", "", listing, 12, "keys.ini"), 11u);
  EXPECT_EQ(listing, std::string("alpha\0beta\0", 11));
}

TEST_F(ProfileFileTest, KeyListingOfAFullSizeSection) {
  // 1000 names of 8 characters need 9000 characters: the 8192-character buffer holds 910 of them.
  std::ostringstream text;
  text << "[Big]\r\n";
  for (int i = 0; i < 1000; ++i) text << "Key" << 10000 + i << "=" << i << "\r\n";
  WriteHostFile(WinFile("big.ini"), text.str());
  const std::vector<std::string> names = GetPrivateProfileKeyNames("Big", kProfileKeyListBufferSize, "big.ini");
  ASSERT_EQ(names.size(), 910u);
  EXPECT_EQ(names.front(), "Key10000");
  EXPECT_EQ(names.back(), "Key10909");
}

// --- Writing files -------------------------------------------------------------------------------

TEST_F(ProfileFileTest, WriteCreatesFileInWindowsDirectoryWithCrLfLines) {
  ASSERT_TRUE(WritePrivateProfileString("Paths", "Home", "C:\\MyApp\\data", "myapp.ini"));
  ASSERT_TRUE(WritePrivateProfileString("Paths", "Temp", "C:\\MyApp\\tmp", "MYAPP.INI"));
  EXPECT_EQ(ReadHostFile(WinFile("myapp.ini")), "[Paths]\r\nHome=C:\\MyApp\\data\r\nTemp=C:\\MyApp\\tmp\r\n");
  EXPECT_EQ(ReadValue("paths", "home", "C:\\WINDOWS\\myapp.ini"), "C:\\MyApp\\data");
}

TEST_F(ProfileFileTest, WriteWithFolderUsesThatFolderAndNeedsIt) {
  fs::create_directories(machine_.DriveC() / "MyApp");
  ASSERT_TRUE(WritePrivateProfileString("Name", "Name", "Tools", "C:\\MyApp\\uninstall.cfg"));
  EXPECT_EQ(ReadHostFile(machine_.DriveC() / "MyApp" / "uninstall.cfg"), "[Name]\r\nName=Tools\r\n");

  fs::create_directories(machine_.StartDir() / "sub");
  ASSERT_TRUE(WritePrivateProfileString("S", "k", "v", "sub\\rel.ini"));  // from the current directory, A:
  EXPECT_TRUE(fs::exists(machine_.StartDir() / "sub" / "rel.ini"));

  EXPECT_FALSE(WritePrivateProfileString("S", "k", "v", "C:\\NoSuchFolder\\x.ini"));
  EXPECT_FALSE(fs::exists(machine_.DriveC() / "NoSuchFolder"));
  EXPECT_FALSE(WritePrivateProfileString("S", "k", "v", "Z:\\x.ini"));
  EXPECT_FALSE(WritePrivateProfileString("S", "k", "v", ""));
}

TEST_F(ProfileFileTest, WriteKeepsOtherLinesAndPlacesNewKeysAndSections) {
#ifdef _WIN32
  GTEST_SKIP() << "the system rewrites every line of the file it parsed, as the profile rules show";
#endif
  const fs::path file = WinFile("keep.ini");
  WriteHostFile(file, "; made by hand\n[A]\nx = 1\n; note\n[B]\r\ny=2");
  ASSERT_TRUE(WritePrivateProfileString("a", "z", "3", "keep.ini"));
  ASSERT_TRUE(WritePrivateProfileString("C", "w", "4", "keep.ini"));
  ASSERT_TRUE(WritePrivateProfileString("A", "X", "one", "keep.ini"));
  EXPECT_EQ(ReadHostFile(file), "; made by hand\n[A]\nx=one\r\nz=3\r\n; note\n[B]\r\ny=2\r\n[C]\r\nw=4\r\n");
}

TEST_F(ProfileFileTest, UninstallListStartsAfreshAfterErase) {
  fs::create_directories(machine_.DriveC() / "App");
  const std::string list = "C:\\App\\uninstall.cfg";
  WriteHostFile(machine_.DriveC() / "App" / "uninstall.cfg",
             "[UNINS]\r\nC:\\Old\\*.*=\r\n[Name]\r\nName=Old\r\n[Folders]\r\nC:\\Old\\Folder=\r\n[Extra]\r\ne=1\r\n");
  ASSERT_TRUE(ErasePrivateProfileSection("UNINS", list));
  ASSERT_TRUE(ErasePrivateProfileSection("Folders", list));
  ASSERT_TRUE(WritePrivateProfileString("UNINS", "C:\\App\\*.*", "", list));
  ASSERT_TRUE(WritePrivateProfileString("Name", "Name", "New", list));
  ASSERT_TRUE(WritePrivateProfileString("Folders", "C:\\WINDOWS\\Start Menu\\Programs\\New", "", list));
  EXPECT_EQ(ReadHostFile(machine_.DriveC() / "App" / "uninstall.cfg"),
            "[Name]\r\nName=New\r\n[Extra]\r\ne=1\r\n[UNINS]\r\nC:\\App\\*.*=\r\n"
            "[Folders]\r\nC:\\WINDOWS\\Start Menu\\Programs\\New=\r\n");

  // Erasing what is not there succeeds without creating a file.
  EXPECT_TRUE(ErasePrivateProfileSection("UNINS", "C:\\App\\fresh.cfg"));
  EXPECT_FALSE(fs::exists(machine_.DriveC() / "App" / "fresh.cfg"));
}

TEST_F(ProfileFileTest, RefusedWriteLeavesFileAlone) {
  const fs::path file = WinFile("bad.ini");
  WriteHostFile(file, "[S]\nk=1\n");
  EXPECT_FALSE(WritePrivateProfileString("S", "k", "line\r\nbreak", "bad.ini"));
  EXPECT_FALSE(WritePrivateProfileString("S", "a=b", "v", "bad.ini"));
  EXPECT_EQ(ReadHostFile(file), "[S]\nk=1\n");

  fs::create_directories(WinFile("dir.ini"));
  EXPECT_FALSE(WritePrivateProfileString("S", "k", "v", "dir.ini"));
  EXPECT_TRUE(fs::is_directory(WinFile("dir.ini")));
}

// --- Read-only files and the atomic replacement --------------------------------------------------

TEST_F(ProfileFileTest, ReadOnlyFileIsNotWritten) {
  const fs::path file = WinFile("ro.ini");
  WriteHostFile(file, "[S]\nk=1\n");
  ASSERT_TRUE(SetFileAttributes("C:\\WINDOWS\\ro.ini", faReadOnly | faArchive));
  EXPECT_FALSE(WritePrivateProfileString("S", "k", "2", "ro.ini"));
  EXPECT_FALSE(WritePrivateProfileString("New", "k", "2", "ro.ini"));
  EXPECT_FALSE(ErasePrivateProfileSection("S", "ro.ini"));
  EXPECT_TRUE(ErasePrivateProfileSection("Absent", "ro.ini"));  // nothing to write
  EXPECT_EQ(ReadHostFile(file), "[S]\nk=1\n");
  EXPECT_EQ(ReadValue("S", "k", "ro.ini"), "1");
  EXPECT_EQ(TreeBelow(file.parent_path()), std::vector<std::string>{"ro.ini"});

  // The caller's failure text.
  EXPECT_STREQ(EProfileWriteError("ro.ini").what(), "Unable to write to ro.ini");
}

TEST_F(ProfileFileTest, FileWithoutWritePermissionCountsAsReadOnly) {
  const fs::path file = WinFile("perm.ini");
  WriteHostFile(file, "[S]\nk=1\n");
  fs::permissions(file, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
  EXPECT_FALSE(WritePrivateProfileString("S", "k", "2", "perm.ini"));
  EXPECT_EQ(ReadHostFile(file), "[S]\nk=1\n");
}

}  // namespace
}  // namespace zev::platform
