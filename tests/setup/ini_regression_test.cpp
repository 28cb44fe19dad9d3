// Replays, through the INI reader fuzz target's property check, every install.cfg kept in
// data/regressions/ini_reader/ and the checked-in seeds.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "tests/fuzz/ini_reader_check.h"
#include "tests/support/scoped_machine.h"

namespace zev::fuzz {
namespace {

namespace fs = std::filesystem;

// The kept inputs lie beside this file, the seeds in tests/fuzz/corpus.
fs::path DataDir() { return fs::path(__FILE__).parent_path() / "data"; }

TEST(IniReaderRegression, KeptAndSeedFiles) {
  platform::ScopedMachine machine;
  int replayed = 0;
  for (const fs::path& folder : {DataDir() / "regressions" / "ini_reader", DataDir() / ".." / ".." / "fuzz" / "corpus" / "ini_reader"}) {
    for (const auto& [name, bytes] : FilesIn(folder)) {
      EXPECT_EQ(CheckIniReader(bytes.data(), bytes.size()), "") << folder.filename() << "/" << name;
      ++replayed;
    }
  }
  EXPECT_GT(replayed, 0);
}

}  // namespace
}  // namespace zev::fuzz
