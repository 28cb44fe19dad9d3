// The property checks themselves: each sees the fault it is there to catch, and what a check
// does on the way (a removal, a written list) really happens.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "platform/profile.h"
#include "tests/fuzz/codec_check.h"
#include "tests/fuzz/ini_writer_check.h"
#include "tests/fuzz/segment_check.h"
#include "tests/fuzz/uninstall_records_check.h"
#include "tests/fuzz/uninstall_writer_check.h"
#include "tests/support/scoped_machine.h"

namespace zev::fuzz {
namespace {

namespace fs = std::filesystem;

fs::path TestsFolder() { return fs::path(__FILE__).parent_path().parent_path(); }

// The check wants exactly the declared size: "00 02 20 04 30 10 B6 55 40 10" is a literal 0x41
// and a match of 3 (four bytes in all), here declared as 2, which a decoder that copied the last
// match whole would overshoot.
TEST(DecoderCheck, WantsExactlyTheDeclaredSize) {
  const Bytes stream = {0x02, 0, 0, 0, 0x00, 0x02, 0x20, 0x04, 0x30, 0x10, 0xB6, 0x55, 0x40, 0x10};
  EXPECT_EQ(CheckDecoder("Lzh5Decode", compress::coLZH5, stream.data(), stream.size()), "");
}

// A list file stored with the read-only attribute is expanded read-only into the temporary
// folder; it used to stay there once its records were read, and the next set whose list file
// had that name could not write its own.
TEST(SegmentCheck, ReadOnlyListFileIsNotLeftBehind) {
  platform::ScopedMachine machine;
  const Bytes bytes = ReadHostBytes(TestsFolder() / "segment" / "data" / "regressions" / "segment" / "read-only-list-file");
  for (int pass = 0; pass < 2; ++pass) {
    EXPECT_EQ(CheckSegmentSet(bytes.data(), bytes.size()), "") << "pass " << pass;
    std::vector<std::string> left = TreeBelow(machine.DriveC() / "WINDOWS" / "temp");
    EXPECT_TRUE(left.empty()) << (left.empty() ? "" : left.front()) << " left in C:\\WINDOWS\\temp";
  }
}

// The check must be able to fail: a write that lost a neighbouring line is reported.
TEST(IniWriterCheck, SeesALostLine) {
  EXPECT_TRUE(OnlyTheWrittenLineChanged({"[a]", "k=1", "x"}, {"[a]", "k=2", "x"}, true));
  EXPECT_FALSE(OnlyTheWrittenLineChanged({"[a]", "k=1", "x"}, {"[a]", "k=2"}, true));
  EXPECT_TRUE(OnlyTheWrittenLineChanged({"[a]", "k=1"}, {"[a]", "k=1", "j=2"}, false));
  EXPECT_FALSE(OnlyTheWrittenLineChanged({"[a]", "k=1", "k=1"}, {"[a]", "k=1", "j=2"}, false));
}

// The check sees a removal happen: the true records of the seeds take the package's files.
TEST(UninstallRecordsCheck, TheTrueRecordsRemoveThePackage) {
  platform::ScopedMachine machine;
  const Bytes withManifest = ReadHostBytes(TestsFolder() / "fuzz" / "corpus" / "uninstall_records" / "with-manifest");
  ASSERT_FALSE(withManifest.empty());
  EXPECT_EQ(CheckUninstallRecords(machine, withManifest.data(), withManifest.size()), "");
  EXPECT_FALSE(fs::exists(machine.DriveC() / "App" / "a.txt"));
  EXPECT_FALSE(fs::exists(machine.DriveC() / "WINDOWS" / "System"));
  EXPECT_FALSE(fs::exists(machine.DriveC() / "WINDOWS" / "Desktop" / "A.lnk"));
  EXPECT_TRUE(fs::exists(machine.DriveC() / "App" / "sub" / "b.txt"));  // recorded only by uninstall.cfg
  EXPECT_TRUE(fs::is_symlink(machine.DriveC() / "App" / "lnk"));
}

// Names the writer refuses stop the run on the list's own error; what the check expects of them
// and of hostile file names holds.
TEST(UninstallWriterCheck, HostileNamesAndFolders) {
  platform::ScopedMachine machine;
  const std::vector<std::vector<std::string>> inputs = {
      // A file name with a line break, and one with "=": each record reads back or stops the run.
      {"C:\\App", "Tools", "", "D<INSTALLDIR>~", "D<SUB1>~Data", "Fa\rb~<SUB1>", "Fk=v~<SUB1>", "F[x]~<SUB1>"},
      // Parent-folder names and separators inside entry names.
      {"C:\\App", "Tools", "SD", "D<INSTALLDIR>~", "D<SUB1>~..\\..\\WINDOWS", "F..~<SUB1>", "Fa/../../b~<SUB1>",
       "F.~<INSTALLDIR>", "LA~<SUB1>a~X~X"},
      // A folder name with a line break, blanks and quotes.
      {"C:\\App", "  'Tools'\r\n[UNINS]", "SD", "D<INSTALLDIR>~", "LA~<INSTALLDIR>a.exe~X~X"},
      // No <INSTALLDIR>, a second one, and an existing list with a "UNINS" section to lose.
      {"C:\\App", "Tools", "", "D<SUB1>~x", "Fa~<SUB1>"},
      {"C:\\App", "Tools", "", "D<INSTALLDIR>~", "D<installdir>~", "Fa~<INSTALLDIR>",
       "U[UNINS]\r\nC:\\Old\\*.*=\r\n[Keep]\r\nk=1\r\n"}};
  for (const auto& parts : inputs) {
    const Bytes bytes = JoinAtNul(parts);
    EXPECT_EQ(CheckUninstallWriter(machine, bytes.data(), bytes.size()), "") << parts[0] << " / " << parts[1];
  }
}

// The check reads its records from a list that is really there: a finished run leaves the file
// records of a <SUB folder and the installation folder's "*.*".
TEST(UninstallWriterCheck, AFinishedRunLeavesItsRecords) {
  platform::ScopedMachine machine;
  const Bytes bytes = JoinAtNul({"C:\\App", "Tools", "", "D<INSTALLDIR>~", "D<SUB1>~Data", "Fa.txt~<SUB1>"});
  ASSERT_EQ(CheckUninstallWriter(machine, bytes.data(), bytes.size()), "");
  std::string value;
  platform::GetPrivateProfileString("UNINS", "C:\\App\\Data\\a.txt", "<none>", value, 100, "C:\\App\\uninstall.cfg");
  EXPECT_EQ(value, "");
  platform::GetPrivateProfileString("UNINS", "C:\\App\\*.*", "<none>", value, 100, "C:\\App\\uninstall.cfg");
  EXPECT_EQ(value, "");
}

}  // namespace
}  // namespace zev::fuzz
