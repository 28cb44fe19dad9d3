// The destination check: what can be installed to, and the sentence that names the problem
// otherwise, over a machine with a file and a folder on C:.
#include "setup/destination.h"

#include <gtest/gtest.h>

#include "tests/support/host_files.h"
#include "tests/support/scoped_machine.h"

namespace zev::setup {
namespace {

struct DestinationCase {
  const char* destination;
  const char* problem;  // "" when it can be installed to
};

void PrintTo(const DestinationCase& c, std::ostream* out) { *out << '"' << c.destination << '"'; }

class DestinationTest : public ::testing::TestWithParam<DestinationCase> {
 protected:
  DestinationTest() {
    std::filesystem::create_directories(machine.DriveC() / "Program Files" / "Old");
    zev::testing::WriteHostFile(machine.DriveC() / "notes.txt", "a file");
  }
  platform::ScopedMachine machine;
};

TEST_P(DestinationTest, NamesTheProblem) {
  EXPECT_EQ(DestinationProblem(GetParam().destination), GetParam().problem);
}

INSTANTIATE_TEST_SUITE_P(
    Destinations, DestinationTest,
    ::testing::Values(
        DestinationCase{"C:\\Program Files\\New App", ""},
        DestinationCase{"c:/program files/old/", ""},
        DestinationCase{"C:\\", ""},
        DestinationCase{"A:\\Here", ""},
        DestinationCase{"", "No destination directory is given. Please choose one, such as C:\\Program Files\\MyApp."},
        DestinationCase{"   ", "No destination directory is given. Please choose one, such as C:\\Program Files\\MyApp."},
        DestinationCase{"Apps\\x",
                        "The destination \"Apps\\x\" is not a full path. It must begin with a drive, such as C:\\."},
        DestinationCase{"C:x", "The destination \"C:x\" is not a full path. It must begin with a drive, such as C:\\."},
        DestinationCase{"\\\\server\\share",
                        "The destination \"\\\\server\\share\" is not a full path. It must begin with a drive, such as "
                        "C:\\."},
        DestinationCase{"Q:\\x", "The destination \"Q:\\x\" is on drive Q:, which does not exist."},
        DestinationCase{"C:\\a*b", "The destination \"C:\\a*b\" contains a character that a directory name cannot "
                                   "hold (control characters and : * ? \" < > |)."},
        DestinationCase{"C:\\x:y", "The destination \"C:\\x:y\" contains a character that a directory name cannot "
                                   "hold (control characters and : * ? \" < > |)."},
        DestinationCase{"C:\\notes.txt", "The destination \"C:\\notes.txt\" is a file, not a directory."},
        DestinationCase{"C:\\NOTES.TXT\\", "The destination \"C:\\NOTES.TXT\\\" is a file, not a directory."},
        DestinationCase{"C:\\notes.txt\\App",
                        "The destination \"C:\\notes.txt\\App\" cannot be created: C:\\notes.txt is a file."}));

TEST(FullPathTest, WantsADriveAColonAndASeparator) {
  for (const char* path : {"C:\\", "z:/x"}) EXPECT_TRUE(IsFullPath(path)) << path;
  for (const char* path : {"", "C:", "C:x", "1:\\x", "\\x", "\\\\server\\x"}) EXPECT_FALSE(IsFullPath(path)) << path;
}

}  // namespace
}  // namespace zev::setup
