// Random and damaged archives through the lister and the expander: every outcome must be a
// clean result or one of the engine's own exceptions, and nothing may be written outside the
// target folder of the test machine.
#include <gtest/gtest.h>

#include <filesystem>

#include "compress/codec_frame.h"
#include "compress/compress.h"
#include "compress/errors.h"
#include "platform/files.h"
#include "tests/compress/archive_builder.h"
#include "tests/support/scoped_machine.h"
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
    } catch (const ETruncatedData&) {
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

// A member whose data runs out before its declared size is damaged, however its missing bits
// would decode: a few bytes may not declare gigabytes of output. Each case also shows how little
// reached the disk before the decoder stopped.
TEST(ArchiveRobustness, MembersThatRunPastTheirDataOrSizeAreDamaged) {
  platform::ScopedMachine machine;
  const Bytes text = zev::testing::MakeInput(zev::testing::InputKind::Text, 5000);
  CodecSettings settings;
  const Bytes lzh = RunCodecInMemory(settings, text, 0, coLZH, false);
  const Bytes lh5 = RunCodecInMemory(settings, text, 0, coLZH5, false);
  struct Case {
    const char* what;
    Bytes data;
    std::uint8_t method;
    std::int32_t declared;
  };
  const Case cases[] = {
      // One literal, then only zero bits: 65536 zero literals per 52 bits, without end.
      {"7-byte LZH5 stream declaring 2 GiB - 1", {0x00, 0x01, 0x00, 0x00, 0x04, 0x10, 0x00}, coLZH5, 0x7FFFFFFF},
      {"LZH5 member cut by one byte", Bytes(lh5.begin(), lh5.end() - 1), coLZH5, 5000},
      {"LZH5 member declaring one byte more", lh5, coLZH5, 5001},
      {"LZH5 member with no data declaring 2 GiB - 1", {}, coLZH5, 0x7FFFFFFF},
      {"LZH member cut by one byte", Bytes(lzh.begin(), lzh.end() - 1), coLZH, 5000},
      {"LZH member of 8 bytes declaring 2 GiB - 1", Bytes(lzh.begin(), lzh.begin() + 8), coLZH, 0x7FFFFFFF},
      {"LZH member with no data declaring 2 GiB - 1", {}, coLZH, 0x7FFFFFFF},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TCompress compress;
    compress.SetTargetPath("C:\\t");
    compress.MakeDirectories = true;
    TMemberHeader member;
    member.NameLength = 3;
    member.UncompressedSize = c.declared;
    member.CompressedSize = static_cast<std::int32_t>(c.data.size());
    member.MethodNumber = c.method;
    member.Attributes = 0x20;
    MemoryStream archive(ArchiveBuilder("LH5").AddRaw(member, "out", c.data).Build());
    EXPECT_THROW(compress.ExpandCompressedStream(archive, nullptr), ETruncatedData);
    EXPECT_LE(platform::FileSize("C:\\t\\out"), 65536);
  }
  // RLE data holds no size: its runs stop at the declared size, and more is damage too.
  {
    TCompress compress;
    compress.SetTargetPath("C:\\t");
    const Bytes runs = {0x41, 0x94, 0xFF, 0x94, 0xFF, 0x94, 0xFF};  // 1 + 3 * 254 bytes
    MemoryStream archive(ArchiveBuilder("RLE").Add("rle", runs, coRLE, Bytes(100, 0x41)).Build());
    EXPECT_THROW(compress.ExpandCompressedStream(archive, nullptr), EDataOverrun);
    EXPECT_LE(platform::FileSize("C:\\t\\rle"), 100);
  }
  // The stream as written expands.
  TCompress compress;
  compress.SetTargetPath("C:\\t");
  MemoryStream whole(ArchiveBuilder("LH5").Add("lh5", lh5, coLZH5, text).Add("lzh", lzh, coLZH, text).Build());
  EXPECT_NO_THROW(compress.ExpandCompressedStream(whole, nullptr));
}

}  // namespace
}  // namespace zev::compress
