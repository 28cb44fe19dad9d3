// Replays, through the uninstall list fuzz target's property check, every input kept in
// data/regressions/uninstall_writer/ and the checked-in seeds, and hostile names and folders.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "tests/fuzz/uninstall_writer_check.h"
#include "tests/support/scoped_machine.h"

namespace zev::fuzz {
namespace {

namespace fs = std::filesystem;

fs::path DataDir() { return fs::path(__FILE__).parent_path() / "data"; }

Bytes Fields(const std::vector<std::string>& parts) {
  Bytes out;
  for (std::size_t i = 0; i < parts.size(); ++i) {
    if (i) out.push_back(0);
    out.insert(out.end(), parts[i].begin(), parts[i].end());
  }
  return out;
}

TEST(UninstallWriterRegression, KeptAndSeedInputs) {
  platform::ScopedMachine machine;
  int replayed = 0;
  for (const fs::path& folder :
       {DataDir() / "regressions" / "uninstall_writer", DataDir() / ".." / ".." / "fuzz" / "corpus" / "uninstall_writer"}) {
    for (const auto& [name, bytes] : FilesIn(folder)) {
      EXPECT_EQ(CheckUninstallWriter(machine, bytes.data(), bytes.size()), "") << folder.filename() << "/" << name;
      ++replayed;
    }
  }
  EXPECT_GT(replayed, 0);
}

// Names the writer refuses stop the run on the list's own error; what the check expects of them
// and of hostile file names holds.
TEST(UninstallWriterRegression, HostileNamesAndFolders) {
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
    const Bytes bytes = Fields(parts);
    EXPECT_EQ(CheckUninstallWriter(machine, bytes.data(), bytes.size()), "") << parts[0] << " / " << parts[1];
  }
}

// The check reads its records from a list that is really there: a finished run leaves the file
// records of a <SUB folder and the installation folder's "*.*".
TEST(UninstallWriterRegression, AFinishedRunLeavesItsRecords) {
  platform::ScopedMachine machine;
  const Bytes bytes = Fields({"C:\\App", "Tools", "", "D<INSTALLDIR>~", "D<SUB1>~Data", "Fa.txt~<SUB1>"});
  ASSERT_EQ(CheckUninstallWriter(machine, bytes.data(), bytes.size()), "");
  std::string value;
  platform::GetPrivateProfileString("UNINS", "C:\\App\\Data\\a.txt", "<none>", value, 100, "C:\\App\\uninstall.cfg");
  EXPECT_EQ(value, "");
  platform::GetPrivateProfileString("UNINS", "C:\\App\\*.*", "<none>", value, 100, "C:\\App\\uninstall.cfg");
  EXPECT_EQ(value, "");
}

}  // namespace
}  // namespace zev::fuzz
