#include "platform/path_names.h"

#include <gtest/gtest.h>

namespace zev::platform {
namespace {

TEST(PathNames, Windows1252RoundTripsThroughUtf8) {
  EXPECT_EQ(Win1252ToUtf8("Caf\xE9 \x80"), "Caf\xC3\xA9 \xE2\x82\xAC");
  std::string all;
  for (int c = 1; c < 256; ++c) all += static_cast<char>(c);
  auto back = Utf8ToWin1252(Win1252ToUtf8(all));
  ASSERT_TRUE(back.has_value());
  EXPECT_EQ(*back, all);
}

TEST(PathNames, RefusesUtf8OutsideWindows1252OrMalformed) {
  EXPECT_FALSE(Utf8ToWin1252("\xE4\xB8\xAD").has_value());      // a CJK character
  EXPECT_FALSE(Utf8ToWin1252("\xF0\x9F\x98\x80").has_value());  // beyond the BMP
  EXPECT_FALSE(Utf8ToWin1252("abc\xC3").has_value());           // truncated sequence
  EXPECT_FALSE(Utf8ToWin1252("\xC3\x28").has_value());          // bad continuation
  EXPECT_FALSE(Utf8ToWin1252("\xE0\x80\xAF").has_value());      // overlong "/"
  EXPECT_FALSE(Utf8ToWin1252("\xFF").has_value());
}

TEST(PathNames, ValidWindowsNames) {
  EXPECT_TRUE(IsValidWindowsName("Program Files"));
  EXPECT_TRUE(IsValidWindowsName("r\xE9sum\xE9.txt"));
  for (const char* bad : {"", ".", "..", "a\\b", "a/b", "c:", "a*", "a?", "\"q\"", "<", ">", "a|b", "tab\t", "del\x7F",
                          "c1\x81"})
    EXPECT_FALSE(IsValidWindowsName(bad)) << bad;
}

// One split for every stored or configured name: "\\", "/" and ":" all end a folder part, and
// only a name whose last part is one valid file name stands for a file.
TEST(PathNames, NamesSplitAtEverySeparatorAndEndInOneFileName) {
  struct Case {
    std::string name, folder, file;
    bool valid;
  } cases[] = {
      {"d:\\build\\app.exe", "d:\\build\\", "app.exe", true},
      {"d:app.exe", "d:", "app.exe", true},
      {"app.exe", "", "app.exe", true},
      {"x/../../../../WINDOWS/win.ini", "x/../../../../WINDOWS/", "win.ini", true},
      {"/../../../Apps/Demo/zevdemo.txt", "/../../../Apps/Demo/", "zevdemo.txt", true},
      {"a\\b/c\\x", "a\\b/c\\", "x", true},
      {"dir\\", "dir\\", "", false},
      {"dir/", "dir/", "", false},
      {"sub\\..", "sub\\", "..", false},
      {"sub/.", "sub/", ".", false},
      {"", "", "", false},
      {"a\\b*c", "a\\", "b*c", false},
      {"bad\x01name", "", "bad\x01name", false},
      {std::string(256, 'n'), "", std::string(256, 'n'), false},
      {std::string(255, 'n'), "", std::string(255, 'n'), true},
      {std::string(200, 'd') + "\\" + std::string(58, 'f'), std::string(200, 'd') + "\\", std::string(58, 'f'), true},
      {std::string(200, 'd') + "\\" + std::string(59, 'f'), std::string(200, 'd') + "\\", std::string(59, 'f'), false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(FolderPart(c.name), c.folder) << c.name;
    EXPECT_EQ(FileNamePart(c.name), c.file) << c.name;
    EXPECT_EQ(FileNameProblem(c.name).empty(), c.valid) << c.name << ": " << FileNameProblem(c.name);
  }
}

TEST(PathNames, WildcardsMatchWithoutRegardToCase) {
  EXPECT_TRUE(MatchesMask("README", "*.*"));
  EXPECT_TRUE(MatchesMask("a.b.c", "*.*"));
  EXPECT_TRUE(MatchesMask("zevsetup.001", "ZEVSETUP.0??"));
  EXPECT_FALSE(MatchesMask("zevsetup.01", "zevsetup.0??"));
  EXPECT_TRUE(MatchesMask("\xC9T\xC9.TXT", "\xE9t\xE9.*"));
  EXPECT_TRUE(MatchesMask("abc", "abc.*"));
  EXPECT_FALSE(MatchesMask("abcd", "abc.*"));
  EXPECT_TRUE(MatchesMask("x.lnk", "*.LNK"));
  EXPECT_FALSE(MatchesMask("x.lnk2", "*.lnk"));
  EXPECT_TRUE(MatchesMask("aXbXc", "a*b*c"));
  // Backtracking stays linear enough for long names.
  EXPECT_FALSE(MatchesMask(std::string(5000, 'a'), "*a*a*a*b"));
}

}  // namespace
}  // namespace zev::platform
