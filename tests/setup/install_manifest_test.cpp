// The manifest's text format: what a line must hold to be a record, what the reader does with
// lines it does not understand, later records of a path, and its bounds.
#include "setup/install_manifest.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace zev::setup {
namespace {

std::string Text(const std::vector<std::string>& lines) {
  std::string text = std::string(kManifestHeader) + "\r\n";
  for (const std::string& line : lines) text += line + "\r\n";
  return text;
}

TEST(InstallManifest, EachLineIsARecordOrNamedAsNotUnderstood) {
  struct Case {
    std::string line;
    std::string problem;  // empty: a record
  };
  const Case cases[] = {
      {"folder\tC:\\App", ""},
      {"file\t12\t133000000000000000\tC:\\App\\a b=c;d.txt", ""},
      {"link\t0\t0\tc:/WINDOWS/Desktop/A.lnk", ""},
      {"folder\tC:\\App\tx", "line 2: a folder record has two fields"},
      {"file\t12\tC:\\App\\a", "line 2: a file record has four fields"},
      {"file\t-1\t0\tC:\\App\\a", "line 2: the size is no number"},
      {"file\t1 \t0\tC:\\App\\a", "line 2: the size is no number"},
      {"file\t99999999999999999999\t0\tC:\\App\\a", "line 2: the size is no number"},
      {"link\t1\t0x10\tC:\\App\\a", "line 2: the time is no number"},
      {"file\t1\t0\tApp\\a", "line 2: the path is not a full path with a drive letter"},
      {"folder\t\\\\server\\share", "line 2: the path is not a full path with a drive letter"},
      {"FILE\t1\t0\tC:\\a", "line 2: unknown record \"FILE\""},
      {"delete\tC:\\", "line 2: unknown record \"delete\""},
  };
  for (const Case& c : cases) {
    const TManifest manifest = ParseManifest(Text({c.line}));
    EXPECT_TRUE(manifest.valid) << c.line;
    if (c.problem.empty()) {
      ASSERT_EQ(manifest.records.size(), 1u) << c.line;
      EXPECT_TRUE(manifest.problems.empty()) << c.line;
      EXPECT_EQ(FormatRecord(manifest.records[0]), c.line);
    } else {
      EXPECT_TRUE(manifest.records.empty()) << c.line;
      EXPECT_EQ(manifest.problems, std::vector<std::string>{c.problem}) << c.line;
    }
  }
}

TEST(InstallManifest, ALaterRecordOfAPathReplacesTheEarlierInItsPlace) {
  const TManifest manifest = ParseManifest(
      Text({"file\t1\t10\tC:\\A\\x.txt", "folder\tC:\\A", "", "file\t2\t20\tc:\\a\\X.TXT"}) + "file\t3\t30\tC:\\A\\y");
  ASSERT_EQ(manifest.records.size(), 3u);  // the last line has no line end and still counts
  EXPECT_EQ(FormatRecord(manifest.records[0]), "file\t2\t20\tc:\\a\\X.TXT");
  EXPECT_EQ(manifest.records[1].kind, TRecordKind::rkFolder);
  EXPECT_EQ(manifest.records[2].size, 3);
  EXPECT_TRUE(manifest.problems.empty());
}

TEST(InstallManifest, WithoutItsHeaderOrPastItsBoundsTheTextIsNoManifest) {
  for (const std::string& text : {std::string(), std::string("folder\tC:\\A\r\n"),
                                  std::string(kManifestHeader) + "x\r\nfolder\tC:\\A\r\n"}) {
    const TManifest manifest = ParseManifest(text);
    EXPECT_FALSE(manifest.valid);
    EXPECT_TRUE(manifest.records.empty());
    EXPECT_FALSE(manifest.problems.empty());
  }
  EXPECT_TRUE(ParseManifest(std::string(kManifestHeader) + "\n").valid);  // LF alone is read too

  std::string many = std::string(kManifestHeader) + "\n";
  for (std::size_t i = 0; i <= kMaxRecords; ++i) many += "folder\tC:\\" + std::to_string(i) + "\n";
  const TManifest tooMany = ParseManifest(many);
  EXPECT_FALSE(tooMany.valid);
  EXPECT_TRUE(tooMany.records.empty());
  EXPECT_EQ(tooMany.problems.back(), "more than 100000 records");
  EXPECT_FALSE(ParseManifest(std::string(kManifestHeader) + "\n" + std::string(kMaxRecordFileBytes, '\n')).valid);
}

}  // namespace
}  // namespace zev::setup
