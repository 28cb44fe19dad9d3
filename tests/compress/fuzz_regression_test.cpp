// Replays, through the fuzz targets' own property checks, every input kept in
// data/regressions/<target>/ (inputs that once broke a reader) and the checked-in seed corpora.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "tests/fuzz/archive_check.h"
#include "tests/fuzz/codec_check.h"
#include "tests/support/scoped_machine.h"

namespace zev::fuzz {
namespace {

namespace fs = std::filesystem;

// The kept inputs lie beside this file, the seeds in tests/fuzz/corpus.
fs::path DataDir() { return fs::path(__FILE__).parent_path() / "data"; }

template <class Check>
void Replay(const std::string& target, Check check) {
  int replayed = 0;
  for (const fs::path& folder : {DataDir() / "regressions" / target, DataDir() / ".." / ".." / "fuzz" / "corpus" / target}) {
    for (const auto& [name, bytes] : FilesIn(folder)) {
      EXPECT_EQ(check(bytes.data(), bytes.size()), "") << folder.filename() << "/" << name;
      ++replayed;
    }
  }
  EXPECT_GT(replayed, 0) << "no inputs found for " << target;
}

TEST(FuzzRegression, ArchiveListingAndExpansion) {
  platform::ScopedMachine machine;
  Replay("archive", CheckArchive);
}

TEST(FuzzRegression, Lzh5Decoder) { Replay("lzh5", CheckLzh5); }
TEST(FuzzRegression, LzhDecoder) { Replay("lzh", CheckLzh); }
TEST(FuzzRegression, RleDecoder) { Replay("rle", CheckRle); }

// The check wants exactly the declared size: "00 02 20 04 30 10 B6 55 40 10" is a literal 0x41
// and a match of 3 (four bytes in all), here declared as 2, which a decoder that copied the last
// match whole would overshoot.
TEST(FuzzRegression, DecoderCheckWantsExactlyTheDeclaredSize) {
  const Bytes stream = {0x02, 0, 0, 0, 0x00, 0x02, 0x20, 0x04, 0x30, 0x10, 0xB6, 0x55, 0x40, 0x10};
  EXPECT_EQ(CheckDecoder("Lzh5Decode", compress::coLZH5, stream.data(), stream.size()), "");
}

}  // namespace
}  // namespace zev::fuzz
