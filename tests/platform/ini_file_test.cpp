#include "platform/ini_file.h"

#include <gtest/gtest.h>

#include <string>

namespace zev::platform {
namespace {

// --- Reading -------------------------------------------------------------------------------------

TEST(IniFileRead, FirstOfRepeatedKeysAndSectionsWins) {
  const IniFile ini = IniFile::Parse(
      "[Main]\r\nName=first\r\nname=second\r\n"
      "[Other]\r\nName=other\r\n"
      "[MAIN]\r\nName=third\r\nOnlyLater=x\r\n");
  EXPECT_EQ(ini.Value("Main", "Name"), "first");
  EXPECT_EQ(ini.Value("main", "NAME"), "first");
  EXPECT_EQ(ini.Value("Other", "Name"), "other");
  // A key that only the repeated section holds is not found: the first section is the section.
  EXPECT_EQ(ini.Value("Main", "OnlyLater"), std::nullopt);
}

TEST(IniFileRead, KeyListingKeepsFileOrderAndRepeats) {
  const IniFile ini = IniFile::Parse(
      "[Files]\r\nzeta=1\r\n; alpha=commented\r\nalpha=2\r\nno equals sign\r\nZeta=3\r\n  mid  =4\r\n"
      "[Next]\r\nother=5\r\n");
  EXPECT_EQ(ini.KeyNames("FILES"), (std::vector<std::string>{"zeta", "alpha", "Zeta", "mid"}));
  EXPECT_TRUE(ini.KeyNames("Missing").empty());
}

TEST(IniFileRead, NamesAndValuesTrimmedAndOneQuotePairRemoved) {
  const IniFile ini = IniFile::Parse(
      "  [  Sec  ]  \n"
      " \tKey One \t=  spaced value \t\n"
      "dq=\"quoted \"\n"
      "sq=  'single'  \n"
      "twice=\"\"inner\"\"\n"
      "mixed=\"text'\n"
      "lone=\"\n"
      "empty=\n");
  EXPECT_EQ(ini.Value("Sec", "Key One"), "spaced value");
  EXPECT_EQ(ini.Value(" sec ", " key one "), "spaced value");
  EXPECT_EQ(ini.Value("Sec", "dq"), "quoted ");
  EXPECT_EQ(ini.Value("Sec", "sq"), "single");
  EXPECT_EQ(ini.Value("Sec", "twice"), "\"inner\"");
  EXPECT_EQ(ini.Value("Sec", "mixed"), "\"text'");
  EXPECT_EQ(ini.Value("Sec", "lone"), "\"");
  EXPECT_EQ(ini.Value("Sec", "empty"), "");
}

TEST(IniFileRead, CommentsStrayLinesAndKeysBeforeAnySectionIgnored) {
  const IniFile ini = IniFile::Parse(
      "top=before any section\n"
      "[S]\n"
      ";a=comment\n"
      "   ;b=indented comment\n"
      "just text\n"
      "[broken header\n"
      "=no name\n"
      "c=3\n");
  EXPECT_EQ(ini.Value("S", "a"), std::nullopt);
  EXPECT_EQ(ini.Value("S", ";a"), std::nullopt);
  EXPECT_EQ(ini.Value("S", "b"), std::nullopt);
  EXPECT_EQ(ini.Value("S", "just text"), std::nullopt);
  EXPECT_EQ(ini.Value("S", "top"), std::nullopt);
  EXPECT_EQ(ini.Value("S", "c"), "3");  // a "[" line without "]" does not end the section
  EXPECT_EQ(ini.KeyNames("S"), (std::vector<std::string>{"c"}));
}

TEST(IniFileRead, LfOnlyCrLfAndMissingFinalLineEnd) {
  const IniFile lf = IniFile::Parse("[A]\nx=1\ny=2");
  EXPECT_EQ(lf.Value("A", "x"), "1");
  EXPECT_EQ(lf.Value("A", "y"), "2");
  const IniFile crlf = IniFile::Parse("[A]\r\nx=1\r\ny=2\r\n");
  EXPECT_EQ(crlf.Value("A", "x"), "1");
  EXPECT_EQ(crlf.Value("A", "y"), "2");
  const IniFile empty = IniFile::Parse("");
  EXPECT_FALSE(empty.HasSection("A"));
  EXPECT_EQ(empty.Serialise(), "");
}

TEST(IniFileRead, Windows1252CaseFolding) {
  // "[ÉTÉ]" with "Ÿ=1" in Windows-1252 bytes, looked up in lower case.
  const IniFile ini = IniFile::Parse("[\xC9T\xC9]\r\n\x9F\x8A=1\r\n");
  EXPECT_EQ(ini.Value("\xE9t\xE9", "\xFF\x9A"), "1");
  // The multiplication and division signs are not a case pair.
  EXPECT_FALSE(ProfileNamesEqual("\xD7", "\xF7"));
  EXPECT_FALSE(ProfileNamesEqual("ab", "abc"));
}

// --- Writing -------------------------------------------------------------------------------------

TEST(IniFileWrite, UntouchedLinesKeptByteForByte) {
  const std::string text =
      "; header comment\n"
      "[A]  \r\n"
      "  x =  \"1\"  \n"
      "free text\r\n"
      "\r\n"
      "[B]\n"
      "y=2";
  IniFile ini = IniFile::Parse(text);
  EXPECT_EQ(ini.Serialise(), text);
  ASSERT_TRUE(ini.SetValue("A", "X", "new"));
  EXPECT_EQ(ini.Serialise(),
            "; header comment\n"
            "[A]  \r\n"
            "x=new\r\n"
            "free text\r\n"
            "\r\n"
            "[B]\n"
            "y=2");
}

TEST(IniFileWrite, ExistingKeyKeepsPositionAndSpelling) {
  IniFile ini = IniFile::Parse("[S]\r\nFirst=1\r\nSecond=2\r\nfirst=dup\r\n");
  ASSERT_TRUE(ini.SetValue("s", "FIRST", "one"));
  EXPECT_EQ(ini.Serialise(), "[S]\r\nFirst=one\r\nSecond=2\r\nfirst=dup\r\n");
  EXPECT_EQ(ini.Value("S", "first"), "one");
}

TEST(IniFileWrite, NewKeyAfterLastKeyLineOfItsSection) {
  IniFile ini = IniFile::Parse(
      "[S]\r\na=1\r\n; trailing comment\r\nstray\r\n\r\n"
      "[T]\r\nt=1\r\n");
  ASSERT_TRUE(ini.SetValue("S", "b", "2"));
  EXPECT_EQ(ini.Serialise(),
            "[S]\r\na=1\r\nb=2\r\n; trailing comment\r\nstray\r\n\r\n"
            "[T]\r\nt=1\r\n");
  ASSERT_TRUE(ini.SetValue("S", "c", "3"));
  EXPECT_EQ(ini.KeyNames("S"), (std::vector<std::string>{"a", "b", "c"}));
}

TEST(IniFileWrite, NewKeyInSectionWithoutKeysGoesAfterHeader) {
  IniFile ini = IniFile::Parse("[Empty]\n; note\n[Next]\nn=1\n");
  ASSERT_TRUE(ini.SetValue("Empty", "k", "v"));
  EXPECT_EQ(ini.Serialise(), "[Empty]\nk=v\r\n; note\n[Next]\nn=1\n");
}

TEST(IniFileWrite, NewKeyGoesIntoFirstOfRepeatedSections) {
  IniFile ini = IniFile::Parse("[S]\r\na=1\r\n[S]\r\nb=2\r\n");
  ASSERT_TRUE(ini.SetValue("S", "b", "new"));
  EXPECT_EQ(ini.Serialise(), "[S]\r\na=1\r\nb=new\r\n[S]\r\nb=2\r\n");
  EXPECT_EQ(ini.Value("S", "b"), "new");
}

TEST(IniFileWrite, NewSectionAtEndOfFile) {
  IniFile ini = IniFile::Parse("[A]\r\na=1\r\n; end\r\n");
  ASSERT_TRUE(ini.SetValue("B", "b", "2"));
  EXPECT_EQ(ini.Serialise(), "[A]\r\na=1\r\n; end\r\n[B]\r\nb=2\r\n");

  // A last line without a line end gets one rather than being joined to the new header.
  IniFile open = IniFile::Parse("[A]\na=1");
  ASSERT_TRUE(open.SetValue("B", "b", "2"));
  EXPECT_EQ(open.Serialise(), "[A]\na=1\r\n[B]\r\nb=2\r\n");
  IniFile appendKey = IniFile::Parse("[A]\na=1");
  ASSERT_TRUE(appendKey.SetValue("A", "b", "2"));
  EXPECT_EQ(appendKey.Serialise(), "[A]\na=1\r\nb=2\r\n");

  IniFile empty;
  ASSERT_TRUE(empty.SetValue("UNINS", "C:\\App\\*.*", ""));
  ASSERT_TRUE(empty.SetValue("Name", "Name", "My Folder"));
  ASSERT_TRUE(empty.SetValue("Folders", "C:\\WINDOWS\\Start Menu\\Programs\\My Folder", ""));
  EXPECT_EQ(empty.Serialise(),
            "[UNINS]\r\nC:\\App\\*.*=\r\n[Name]\r\nName=My Folder\r\n"
            "[Folders]\r\nC:\\WINDOWS\\Start Menu\\Programs\\My Folder=\r\n");
}

TEST(IniFileWrite, ValuesReadBackAsWritten) {
  IniFile ini;
  ASSERT_TRUE(ini.SetValue("S", "k", "a=b;c [d]"));
  EXPECT_EQ(ini.Value("S", "k"), "a=b;c [d]");
  EXPECT_EQ(IniFile::Parse(ini.Serialise()).Value("S", "k"), "a=b;c [d]");
}

TEST(IniFileWrite, NamesAndValuesThatWouldBreakTheFileRefused) {
  IniFile ini = IniFile::Parse("[S]\r\na=1\r\n");
  const std::string before = ini.Serialise();
  EXPECT_FALSE(ini.SetValue("S", "k", "two\r\nlines"));
  EXPECT_FALSE(ini.SetValue("S", "k", "cr\ronly"));
  EXPECT_FALSE(ini.SetValue("S", "a=b", "v"));
  EXPECT_FALSE(ini.SetValue("S", ";k", "v"));
  EXPECT_FALSE(ini.SetValue("S", "[k", "v"));
  EXPECT_FALSE(ini.SetValue("S", "  ", "v"));
  EXPECT_FALSE(ini.SetValue("S]", "k", "v"));
  EXPECT_FALSE(ini.SetValue("", "k", "v"));
  EXPECT_FALSE(ini.SetValue("S\n", "k", "v"));
  EXPECT_EQ(ini.Serialise(), before);
}

// --- Erasing -------------------------------------------------------------------------------------

TEST(IniFileErase, RemovesSectionAndItsLinesOnly) {
  IniFile ini = IniFile::Parse(
      "; top\r\n[Keep]\r\nk=1\r\n"
      "[UNINS]\r\nC:\\App\\*.*=\r\n; inside\r\nstray\r\n"
      "[Folders]\r\nf=\r\n"
      "[unins]\r\nagain=\r\n"
      "[Last]\nl=1");
  EXPECT_TRUE(ini.EraseSection("Unins"));
  EXPECT_EQ(ini.Serialise(), "; top\r\n[Keep]\r\nk=1\r\n[Folders]\r\nf=\r\n[Last]\nl=1");
  EXPECT_FALSE(ini.HasSection("UNINS"));
  EXPECT_FALSE(ini.EraseSection("UNINS"));
  EXPECT_TRUE(ini.EraseSection("Last"));
  EXPECT_EQ(ini.Serialise(), "; top\r\n[Keep]\r\nk=1\r\n[Folders]\r\nf=\r\n");
}

TEST(IniFileErase, EraseThenWriteStartsTheSectionAfresh) {
  IniFile ini = IniFile::Parse("[UNINS]\r\nold=\r\n[Name]\r\nName=x\r\n");
  ini.EraseSection("UNINS");
  ASSERT_TRUE(ini.SetValue("UNINS", "new", ""));
  EXPECT_EQ(ini.Serialise(), "[Name]\r\nName=x\r\n[UNINS]\r\nnew=\r\n");
}

}  // namespace
}  // namespace zev::platform
