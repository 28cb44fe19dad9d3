// Replays, through the INI writer fuzz target's property check, every input kept in
// data/regressions/ini_writer/ and the checked-in seeds.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "tests/fuzz/ini_writer_check.h"
#include "tests/support/scoped_machine.h"

namespace zev::fuzz {
namespace {

namespace fs = std::filesystem;

// The kept inputs lie beside this file, the seeds in tests/fuzz/corpus.
fs::path DataDir() { return fs::path(__FILE__).parent_path() / "data"; }

TEST(IniWriterRegression, KeptAndSeedInputs) {
  platform::ScopedMachine machine;
  int replayed = 0;
  for (const fs::path& folder : {DataDir() / "regressions" / "ini_writer", DataDir() / ".." / ".." / "fuzz" / "corpus" / "ini_writer"}) {
    for (const auto& [name, bytes] : FilesIn(folder)) {
      EXPECT_EQ(CheckIniWriter(bytes.data(), bytes.size()), "") << folder.filename() << "/" << name;
      ++replayed;
    }
  }
  EXPECT_GT(replayed, 0);
}

// The check must be able to fail: a write that lost a neighbouring line is reported.
TEST(IniWriterRegression, LineCheckSeesALostLine) {
  EXPECT_TRUE(OnlyTheWrittenLineChanged({"[a]", "k=1", "x"}, {"[a]", "k=2", "x"}, true));
  EXPECT_FALSE(OnlyTheWrittenLineChanged({"[a]", "k=1", "x"}, {"[a]", "k=2"}, true));
  EXPECT_TRUE(OnlyTheWrittenLineChanged({"[a]", "k=1"}, {"[a]", "k=1", "j=2"}, false));
  EXPECT_FALSE(OnlyTheWrittenLineChanged({"[a]", "k=1", "k=1"}, {"[a]", "k=1", "j=2"}, false));
}

}  // namespace
}  // namespace zev::fuzz
