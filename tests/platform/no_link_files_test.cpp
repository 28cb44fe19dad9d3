// Files reached without a symbolic link at any level: look-up, removal of files and empty
// folders, listing and reading, against links placed at every level, a drive mapped inside
// another, and files that changed or that someone holds open.
#include "platform/no_link_files.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "platform/attributes.h"
#include "platform/file_stream.h"
#include "tests/platform/file_helpers.h"
#include "tests/support/scoped_machine.h"

namespace fs = std::filesystem;

namespace zev::platform {
namespace {

using testing::WriteHostFile;

class NoLinkFilesTest : public ::testing::Test {
 protected:
  NoLinkFilesTest() {
    WriteHostFile(m.DriveC() / "App" / "Sub" / "file.txt", "content");
    WriteHostFile(m.DriveC() / "Other" / "victim.txt", "not yours");
    WriteHostFile(m.Root() / "outside" / "victim.txt", "not yours either");
    // Windows grants symbolic links only to a privileged user, and Wine makes none: the cases
    // with links are left out there.
    std::error_code error;
    fs::create_directory_symlink(m.DriveC() / "Other", m.DriveC() / "App" / "LinkIn", error);
    if (!error) fs::create_directory_symlink(m.Root() / "outside", m.DriveC() / "App" / "LinkOut", error);
    if (!error) fs::create_symlink(m.DriveC() / "Other" / "victim.txt", m.DriveC() / "App" / "filelink.txt", error);
    links = !error;
  }
  ScopedMachine m;
  bool links = false;
};

TEST_F(NoLinkFilesTest, LookUpNamesWhatStandsThereAndRefusesEveryLink) {
  struct Case {
    const char* path;
    EntryKind kind;
    std::size_t existingFolders;
  };
  const Case cases[] = {
      {"C:\\app\\SUB\\File.txt", EntryKind::File, 2},
      {"C:\\App\\Sub", EntryKind::Folder, 2},
      {"C:\\App\\Sub\\none\\deeper", EntryKind::Missing, 2},
      {"C:\\App\\Sub\\file.txt\\below", EntryKind::Missing, 2},
      {"C:\\App\\LinkIn\\victim.txt", EntryKind::Link, 1},  // a link that stays on the drive
      {"C:\\App\\LinkOut\\victim.txt", EntryKind::Link, 1},
      {"C:\\App\\LinkIn", EntryKind::Link, 1},
      {"C:\\App\\filelink.txt", EntryKind::Link, 1},
      {"C:\\App\\Sub\\..\\..\\App", EntryKind::Folder, 1},
      {"C:\\", EntryKind::Folder, 0},
      {"Q:\\App", EntryKind::Refused, 0},
      {"C:\\App\\a?b", EntryKind::Refused, 0},
  };
  for (const Case& c : cases) {
    if (c.kind == EntryKind::Link && !links) continue;
    const EntryFacts facts = LookUpNoLinks(c.path);
    EXPECT_EQ(facts.kind, c.kind) << c.path;
    EXPECT_EQ(facts.existingFolders, c.existingFolders) << c.path;
    if (c.kind == EntryKind::Link) {
      EXPECT_NE(facts.problem.find("is a symbolic link"), std::string::npos) << c.path;
    }
  }
  const EntryFacts file = LookUpNoLinks("C:\\App\\Sub\\file.txt");
  EXPECT_EQ(file.size, 7);
  // 100-ns units since 1601: a file written now lies well after 2020 (132223104000000000).
  EXPECT_GT(file.modified, 132223104000000000);
}

TEST_F(NoLinkFilesTest, RemovalNeverActsThroughALink) {
  if (!links) GTEST_SKIP() << "this host makes no symbolic links for this user";
  for (const char* path : {"C:\\App\\LinkIn\\victim.txt", "C:\\App\\LinkOut\\victim.txt", "C:\\App\\filelink.txt"})
    EXPECT_EQ(RemoveFileNoLinks(path).outcome, RemoveOutcome::Refused) << path;
  EXPECT_EQ(RemoveFolderNoLinks("C:\\App\\LinkIn").outcome, RemoveOutcome::Refused);
  EXPECT_TRUE(fs::exists(m.DriveC() / "Other" / "victim.txt"));
  EXPECT_TRUE(fs::exists(m.Root() / "outside" / "victim.txt"));
  EXPECT_TRUE(fs::is_symlink(m.DriveC() / "App" / "LinkIn"));
  EXPECT_TRUE(fs::is_symlink(m.DriveC() / "App" / "filelink.txt"));
}

TEST_F(NoLinkFilesTest, AFileIsRemovedOnlyWhileItIsAsExpected) {
  EntryFacts expected = LookUpNoLinks("C:\\App\\Sub\\file.txt");
  expected.size += 1;
  EXPECT_EQ(RemoveFileNoLinks("C:\\App\\Sub\\file.txt", &expected).outcome, RemoveOutcome::Changed);
  expected.size -= 1;
  expected.modified += 1;
  EXPECT_EQ(RemoveFileNoLinks("C:\\App\\Sub\\file.txt", &expected).outcome, RemoveOutcome::Changed);
  expected.modified -= 1;
  EXPECT_TRUE(fs::exists(m.DriveC() / "App" / "Sub" / "file.txt"));
  EXPECT_EQ(RemoveFileNoLinks("c:\\app\\sub\\FILE.TXT", &expected).outcome, RemoveOutcome::Removed);
  EXPECT_FALSE(fs::exists(m.DriveC() / "App" / "Sub" / "file.txt"));
  EXPECT_EQ(RemoveFileNoLinks("C:\\App\\Sub\\file.txt").outcome, RemoveOutcome::Missing);
  EXPECT_EQ(RemoveFileNoLinks("C:\\App\\Sub").outcome, RemoveOutcome::Refused);
}

TEST_F(NoLinkFilesTest, AReadOnlyFileIsRemovedAndAnOpenOneIsNot) {
  WriteHostFile(m.DriveC() / "App" / "ro.txt", "x");
  WriteHostFile(m.DriveC() / "App" / "open.txt", "x");
  ASSERT_TRUE(SetFileAttributes("C:\\App\\ro.txt", faReadOnly));
  EXPECT_EQ(RemoveFileNoLinks("C:\\App\\ro.txt").outcome, RemoveOutcome::Removed);
  {
    FileStream holder("C:\\App\\open.txt", fmOpenRead | fmShareDenyNone);
    const RemoveResult held = RemoveFileNoLinks("C:\\App\\open.txt");
    EXPECT_EQ(held.outcome, RemoveOutcome::Failed);
    EXPECT_EQ(held.problem, "in use by another program");
  }
  EXPECT_EQ(RemoveFileNoLinks("C:\\App\\open.txt").outcome, RemoveOutcome::Removed);
}

TEST_F(NoLinkFilesTest, FoldersGoOnlyWhenEmptyAndNeverAsADrive) {
  EXPECT_EQ(RemoveFolderNoLinks("C:\\App\\Sub").outcome, RemoveOutcome::NotEmpty);
  ASSERT_EQ(RemoveFileNoLinks("C:\\App\\Sub\\file.txt").outcome, RemoveOutcome::Removed);
  EXPECT_EQ(RemoveFolderNoLinks("C:\\App\\sub").outcome, RemoveOutcome::Removed);
  EXPECT_EQ(RemoveFolderNoLinks("C:\\App\\Sub").outcome, RemoveOutcome::Missing);
  EXPECT_EQ(RemoveFolderNoLinks("C:\\").outcome, RemoveOutcome::Refused);
  // A drive mapped onto a folder of another drive is not removed through that one either.
  fs::create_directories(m.DriveC() / "Mapped");
  m.machine().MapDrive('E', m.DriveC() / "Mapped");
  EXPECT_EQ(RemoveFolderNoLinks("C:\\Mapped").outcome, RemoveOutcome::Refused);
  EXPECT_TRUE(fs::is_directory(m.DriveC() / "Mapped"));
}

TEST_F(NoLinkFilesTest, ListingNamesEntriesAsTheyAreAndStopsAtItsBound) {
  if (!links) GTEST_SKIP() << "this host makes no symbolic links for this user (nor a name with \\)";
  WriteHostFile(m.DriveC() / "App" / "caf\xc3\xa9.txt", "x");  // "café" in UTF-8
  WriteHostFile(m.DriveC() / "App" / "a\\b", "x");             // no Windows name
  bool complete = false;
  std::vector<FolderEntry> entries = ListFolderNoLinks("C:\\App", 100, complete);
  EXPECT_TRUE(complete);
  std::sort(entries.begin(), entries.end(), [](const FolderEntry& a, const FolderEntry& b) { return a.name < b.name; });
  ASSERT_EQ(entries.size(), 6u);
  EXPECT_EQ(entries[0].name, "LinkIn");
  EXPECT_EQ(entries[0].kind, EntryKind::Link);
  EXPECT_EQ(entries[2].name, "Sub");
  EXPECT_EQ(entries[2].kind, EntryKind::Folder);
  EXPECT_EQ(entries[3].name, "a\\b");
  EXPECT_FALSE(entries[3].windowsName);
  EXPECT_EQ(entries[4].name, "caf\xe9.txt");  // Windows-1252
  EXPECT_EQ(entries[4].kind, EntryKind::File);
  EXPECT_EQ(ListFolderNoLinks("C:\\App", 2, complete).size(), 2u);
  EXPECT_FALSE(complete);
  EXPECT_TRUE(ListFolderNoLinks("C:\\App\\LinkIn", 100, complete).empty());
  EXPECT_FALSE(complete);
}

TEST_F(NoLinkFilesTest, ReadingTakesAPlainFileUpToItsBound) {
  std::string content;
  EXPECT_EQ(ReadFileNoLinks("C:\\App\\Sub\\file.txt", 7, content), "");
  EXPECT_EQ(content, "content");
  EXPECT_NE(ReadFileNoLinks("C:\\App\\Sub\\file.txt", 6, content).find("larger than 6 bytes"), std::string::npos);
  EXPECT_TRUE(content.empty());
  if (links) {
    EXPECT_NE(ReadFileNoLinks("C:\\App\\filelink.txt", 100, content).find("symbolic link"), std::string::npos);
  }
  EXPECT_NE(ReadFileNoLinks("C:\\App\\none", 100, content).find("does not exist"), std::string::npos);
  EXPECT_NE(ReadFileNoLinks("C:\\App", 100, content).find("not a file"), std::string::npos);
}

}  // namespace
}  // namespace zev::platform
