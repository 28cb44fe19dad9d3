// Replays, through the segment fuzz target's property check, every set kept in
// data/regressions/segment/ and the checked-in seed sets; sets in regressions/segment/open/ are
// faults not mended yet and replay in a disabled test.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "platform/scoped_machine.h"
#include "tests/fuzz/segment_check.h"

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

// Open fault: a list file stored with the read-only attribute is expanded read-only into the
// temporary folder and cannot be deleted once its records are read, so it stays there; the next
// set whose list file has that name cannot write its own and fails. The set is the seed set1
// with the attribute byte of the second list member changed from 0x20 to 0x21.
TEST(SegmentRegression, DISABLED_ReadOnlyListFileIsNotLeftBehind) {
  platform::ScopedMachine machine;
  const auto sets = FilesIn(DataDir() / "regressions" / "segment" / "open");
  ASSERT_FALSE(sets.empty());
  for (const auto& [name, bytes] : sets) {
    EXPECT_EQ(CheckSegmentSet(bytes.data(), bytes.size()), "") << name;
    std::vector<std::string> left;
    for (const std::string& entry : TreeBelow(machine.DriveC() / "WINDOWS" / "temp")) left.push_back(entry);
    EXPECT_TRUE(left.empty()) << name << ": " << (left.empty() ? "" : left.front()) << " left in C:\\WINDOWS\\temp";
  }
}

}  // namespace
}  // namespace zev::fuzz
