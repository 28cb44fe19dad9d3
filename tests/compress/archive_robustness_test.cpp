// Random and damaged archives through the lister and the expander: every outcome must be a
// clean result or one of the engine's own exceptions, and nothing may be written outside the
// target folder of the test machine.
#include <gtest/gtest.h>

#include "compress/compress.h"
#include "compress/errors.h"
#include "platform/scoped_machine.h"
#include "tests/compress/archive_builder.h"
#include "tests/support/test_inputs.h"

namespace zev::compress {
namespace {

using platform::MemoryStream;
using testing::ArchiveBuilder;
using testing::Bytes;
using zev::testing::Random;

// A small archive with a member of every method, made by the writer's rules.
Bytes SeedArchive() {
  const Bytes text = zev::testing::MakeInput(zev::testing::InputKind::Text, 600);
  CodecSettings settings;
  Bytes rle = RunCodecInMemory(settings, zev::testing::MakeInput(zev::testing::InputKind::Runs, 500), 0, coRLE, false);
  Bytes lzh = RunCodecInMemory(settings, text, 0, coLZH, false);
  Bytes lh5 = RunCodecInMemory(settings, text, 0, coLZH5, false);
  return ArchiveBuilder("LH5")
      .AddStored("stored.txt", text)
      .Add("runs.bin", rle, coRLE, zev::testing::MakeInput(zev::testing::InputKind::Runs, 500))
      .Add("text.lzh", lzh, coLZH, text)
      .Add("sub\\text.lh5", lh5, coLZH5, text)
      .Build();
}

Bytes Mutate(Bytes data, Random& random) {
  std::uint32_t edits = 1 + random.Below(8);
  for (std::uint32_t i = 0; i < edits && !data.empty(); ++i) {
    std::size_t at = random.Below(static_cast<std::uint32_t>(data.size()));
    switch (random.Below(4)) {
      case 0: data[at] ^= static_cast<std::uint8_t>(1u << random.Below(8)); break;
      case 1: data[at] = static_cast<std::uint8_t>(random.Next()); break;
      case 2: data.resize(at); break;
      default: data.insert(data.begin() + static_cast<std::ptrdiff_t>(at), static_cast<std::uint8_t>(random.Next())); break;
    }
  }
  return data;
}

TEST(ArchiveRobustness, RandomAndMutatedArchivesFailCleanly) {
  platform::ScopedMachine machine;
  const Bytes seed = SeedArchive();
  Random random(20261208);
  int clean = 0, refused = 0;
  for (int round = 0; round < 10000; ++round) {
    Bytes archive;
    if (round % 10 == 0) {
      archive.resize(random.Below(200));
      for (auto& b : archive) b = static_cast<std::uint8_t>(random.Next());
      if (round % 20 == 0 && archive.size() >= 5) std::copy(kArchiveMagic.begin(), kArchiveMagic.end(), archive.begin());
    } else {
      archive = Mutate(seed, random);
    }
    TCompress compress;
    compress.SetTargetPath("C:\\t");
    compress.MakeDirectories = true;
    compress.Key = round % 3 == 0 ? 0x2468ACE0 : 0;
    // Members are redirected into one folder: the names are random, the target is not.
    compress.OnCheckFile = [](std::string& path, TCProcessMode) { path = "C:\\t\\out"; };
    try {
      MemoryStream listing(archive);
      TStringList list;
      compress.ScanCompressedStream(listing, list);
      MemoryStream expansion(archive);
      compress.ExpandCompressedStream(expansion, nullptr);
      ++clean;
    } catch (const EInvalidHeader&) {
      ++refused;
    } catch (const EInvalidHeaderArchiveType&) {
      ++refused;
    } catch (const EUnrecognizedCompressionMethod&) {
      ++refused;
    } catch (const EBadChecksum&) {
      ++refused;
    } catch (const EInvalidKey&) {
      ++refused;
    } catch (const ELZHBadDecodeTable&) {
      ++refused;
    } catch (const platform::EReadError&) {
      ++refused;  // a stored member cut short
    }
  }
  EXPECT_EQ(clean + refused, 10000);
  EXPECT_GT(refused, 1000);
  // Nothing but the redirected output appeared on the machine.
  for (const auto& entry : std::filesystem::recursive_directory_iterator(machine.DriveC())) {
    auto relative = entry.path().lexically_relative(machine.DriveC()).generic_string();
    EXPECT_TRUE(relative == "t" || relative == "t/out" || relative.rfind("WINDOWS", 0) == 0) << relative;
  }
}

}  // namespace
}  // namespace zev::compress
