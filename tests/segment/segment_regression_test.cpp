// Replays, through the segment fuzz target's property check, every set kept in
// data/regressions/segment/ and the checked-in seed sets.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "tests/fuzz/segment_check.h"
#include "tests/support/scoped_machine.h"

namespace zev::fuzz {
namespace {

namespace fs = std::filesystem;

// The kept inputs lie beside this file, the seeds in tests/fuzz/corpus.
fs::path DataDir() { return fs::path(__FILE__).parent_path() / "data"; }

int ReplayFolder(const fs::path& folder) {
  int replayed = 0;
  for (const auto& [name, bytes] : FilesIn(folder)) {
    EXPECT_EQ(CheckSegmentSet(bytes.data(), bytes.size()), "") << folder.filename() << "/" << name;
    ++replayed;
  }
  return replayed;
}

TEST(SegmentRegression, KeptAndSeedSets) {
  platform::ScopedMachine machine;
  const int replayed = ReplayFolder(DataDir() / "regressions" / "segment") +
                       ReplayFolder(DataDir() / ".." / ".." / "fuzz" / "corpus" / "segment");
  EXPECT_GT(replayed, 1);
}

// A list file stored with the read-only attribute is expanded read-only into the temporary
// folder; it used to stay there once its records were read, and the next set whose list file
// had that name could not write its own.
TEST(SegmentRegression, ReadOnlyListFileIsNotLeftBehind) {
  platform::ScopedMachine machine;
  const fs::path file = DataDir() / "regressions" / "segment" / "read-only-list-file";
  const Bytes bytes = ReadHostBytes(file);
  for (int pass = 0; pass < 2; ++pass) {
    EXPECT_EQ(CheckSegmentSet(bytes.data(), bytes.size()), "") << "pass " << pass;
    std::vector<std::string> left = TreeBelow(machine.DriveC() / "WINDOWS" / "temp");
    EXPECT_TRUE(left.empty()) << (left.empty() ? "" : left.front()) << " left in C:\\WINDOWS\\temp";
  }
}

}  // namespace
}  // namespace zev::fuzz
