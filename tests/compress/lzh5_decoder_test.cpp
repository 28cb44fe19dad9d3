#include "compress/lzh5_decoder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "compress/codec_frame.h"
#include "compress/errors.h"
#include "compress/method.h"
#include "tests/compress/lzh5_writer_helpers.h"
#include "tests/support/host_files.h"
#include "tests/support/test_inputs.h"

namespace zev::compress {
namespace {

using Bytes = std::vector<std::uint8_t>;
using Lengths = std::vector<int>;
using zev::testing::Random;
using namespace zev::testing::lzh5_writer;

Bytes Expand(const Bytes& stream, std::int32_t outputSize) {
  return RunCodecInMemory({}, stream, outputSize, coLZH5, true);
}

template <typename T>
const T& Pick(const std::vector<T>& v, Random& random) {
  return v[random.Below(static_cast<std::uint32_t>(v.size()))];
}

// Items drawn from a few chosen literals, lengths and position classes, so that blocks range from
// single-symbol codes to codes over hundreds of symbols.
std::vector<Item> RandomItems(std::size_t count, Random& random) {
  std::vector<std::uint32_t> literals;
  std::vector<int> lengths, classes;
  const std::uint32_t literalKinds = 1 + random.Below(random.Below(2) ? 256 : 4);
  for (std::uint32_t i = 0; i < literalKinds; ++i) literals.push_back(random.Below(256));
  const std::uint32_t lengthKinds = random.Below(random.Below(2) ? 254 : 3);
  for (std::uint32_t i = 0; i < lengthKinds; ++i) lengths.push_back(3 + static_cast<int>(random.Below(254)));
  const std::uint32_t classKinds = 1 + random.Below(14);
  for (std::uint32_t i = 0; i < classKinds; ++i) classes.push_back(static_cast<int>(random.Below(14)));
  std::vector<Item> items;
  for (std::size_t i = 0; i < count; ++i) {
    if (lengths.empty() || random.Below(3) == 0) {
      items.push_back({0, Pick(literals, random)});
      continue;
    }
    const int j = Pick(classes, random);
    const std::uint32_t offset = j < 2 ? static_cast<std::uint32_t>(j) : (1u << (j - 1)) + random.Below(1u << (j - 1));
    items.push_back({Pick(lengths, random), offset});
  }
  return items;
}

struct BuiltStream {
  Bytes stream;
  Bytes expected;
  int longestCharCode = 0;
  int longestAuxCode = 0;
};

BuiltStream RandomStream(std::size_t blocks, std::uint32_t maxItems, Random& random) {
  BitWriter w;
  BuiltStream built;
  for (std::size_t b = 0; b < blocks; ++b) {
    const std::vector<Item> items = RandomItems(1 + random.Below(maxItems), random);
    const BlockHeader h = RandomHeader(items, static_cast<std::uint32_t>(items.size()), random);
    PutHeader(w, h);
    PutItems(w, items, h);
    built.longestCharCode = std::max(built.longestCharCode, LongestCode(h.chars));
    built.longestAuxCode = std::max({built.longestAuxCode, LongestCode(h.lenCode), LongestCode(h.pos)});
    AppendExpected(built.expected, items);
  }
  built.stream = w.bytes();
  return built;
}

SentList Single(int symbol) { return SentList{{}, symbol}; }
SentList List(Lengths entries) { return SentList{std::move(entries), -1}; }

// A length code over symbols 0..4 (lengths 2, 3, 3, 2, 2) for hand-written character lists.
const SentList kSmallLenCode = List({2, 3, 3, 2, 2});

// ---- Tests ----

TEST(Lzh5Decoder, ExpandsTheWorkedStreams) {
  EXPECT_EQ(Expand({0x00, 0x01, 0x00, 0x00, 0x04, 0x10, 0x00}, 1), (Bytes{0x41}));
  EXPECT_EQ(Expand({0x00, 0x02, 0x20, 0x04, 0x24, 0x30, 0xB7, 0x00, 0x40}, 2), (Bytes{0x41, 0x42}));
  EXPECT_EQ(Expand({0x00, 0x02, 0x20, 0x04, 0x30, 0x10, 0xB6, 0x55, 0x40, 0x10}, 4), Bytes(4, 0x41));
}

TEST(Lzh5Decoder, TheTestWriterReproducesTheWorkedStreams) {
  // The writer that makes every other stream here must agree bit for bit with the worked ones.
  BitWriter one;
  BlockHeader h1{1, Single(0), Single(0x41), Single(0)};
  PutHeader(one, h1);
  EXPECT_EQ(one.bytes(), (Bytes{0x00, 0x01, 0x00, 0x00, 0x04, 0x10, 0x00}));

  BitWriter two;
  Lengths chars(67, 0);
  chars[65] = chars[66] = 1;
  BlockHeader h2{2, List({0, 0, 1, 1}), List(chars), Single(0)};
  PutHeader(two, h2);
  PutItems(two, {{0, 0x41}, {0, 0x42}}, h2);
  EXPECT_EQ(two.bytes(), (Bytes{0x00, 0x02, 0x20, 0x04, 0x24, 0x30, 0xB7, 0x00, 0x40}));
}

TEST(Lzh5Decoder, OutputSizeZeroReadsNothing) {
  int progressCalls = 0;
  CodecSettings settings;
  settings.onShowProgress = [&](std::int32_t&) { ++progressCalls; };
  std::int32_t checksum = -1;
  const Bytes out = RunCodecInMemory(settings, {0x00, 0x01, 0x00, 0x00, 0x04, 0x10, 0x00}, 0, coLZH5,
                                     true, false, &checksum);
  EXPECT_TRUE(out.empty());
  EXPECT_EQ(checksum, 0);
  EXPECT_EQ(progressCalls, 0);
}

TEST(Lzh5Decoder, ItemCountZeroMeans65536Items) {
  // Single-symbol codes: the 65536 literals 'x' take no bits; the next block holds one 'y'.
  BitWriter w;
  PutHeader(w, {0, Single(3), Single('x'), Single(0)});
  PutHeader(w, {1, Single(3), Single('y'), Single(0)});
  Bytes expected(65536, 'x');
  expected.push_back('y');
  EXPECT_EQ(Expand(w.bytes(), 65537), expected);
}

TEST(Lzh5Decoder, MatchesCopyFromTheInitialWindowAndFromThemselves) {
  Random random(11);
  struct Case {
    std::vector<Item> items;
    Bytes expected;
  };
  const std::vector<Case> cases = {
      // Reaching back before the first byte copies the spaces the window starts with.
      {{{0, 'A'}, {5, 3}}, {'A', ' ', ' ', ' ', 'A', ' '}},
      {{{8, 8191}}, Bytes(8, ' ')},
      // Class 0 repeats the byte just produced: a literal and a match of 10 give 11 bytes.
      {{{0, 'Z'}, {10, 0}}, Bytes(11, 'Z')},
      // Offset 1 repeats the last two bytes, overlapping the match's own output.
      {{{0, 'a'}, {0, 'b'}, {5, 1}}, {'a', 'b', 'a', 'b', 'a', 'b', 'a'}},
  };
  for (const Case& c : cases) {
    BitWriter w;
    PutBlock(w, c.items, static_cast<std::uint32_t>(c.items.size()), random);
    EXPECT_EQ(Expand(w.bytes(), static_cast<std::int32_t>(c.expected.size())), c.expected);
  }
}

TEST(Lzh5Decoder, CutsTheLastMatchAtOutputSize) {
  // Symbol 509 (a match of 256) makes the character count the full 510. Other writers' streams
  // may end on a match that runs past the file's size; the file still has exactly its size, and
  // the checksum covers those bytes only.
  Random random(5);
  BitWriter w;
  PutBlock(w, {{0, 'q'}, {0, 'r'}, {256, 0}}, 3, random);
  std::int32_t checksum = 0;
  EXPECT_EQ(RunCodecInMemory({}, w.bytes(), 3, coLZH5, true, false, &checksum), (Bytes{'q', 'r', 'r'}));
  EXPECT_EQ(checksum, 'q' + 2 * 'r');
  // A single-symbol block of one such match: one requested byte gives one space.
  BitWriter single;
  PutHeader(single, {1, Single(0), Single(509), Single(13)});
  single.Put(0, 12);  // class 13 carries 12 extra bits
  EXPECT_EQ(Expand(single.bytes(), 1), Bytes(1, ' '));
  // Past the end of the 64 KiB history buffer too.
  BitWriter longRun;
  PutHeader(longRun, {0, Single(0), Single(509), Single(0)});
  EXPECT_EQ(Expand(longRun.bytes(), 100000), Bytes(100000, ' '));
}

TEST(Lzh5Decoder, MatchesReachAcrossTheWholeWindow) {
  std::vector<Item> items;
  for (std::uint32_t i = 0; i < 9000; ++i) items.push_back({0, (i * 7 + i / 256) & 0xFF});
  items.push_back({256, 8191});
  items.push_back({3, 4096});
  items.push_back({200, 2});
  Random random(3);
  BitWriter w;
  PutBlock(w, items, static_cast<std::uint32_t>(items.size()), random);
  const Bytes expected = ExpectedOf(items);
  EXPECT_EQ(Expand(w.bytes(), static_cast<std::int32_t>(expected.size())), expected);
}

TEST(Lzh5Decoder, AcceptsCountsThatAnnounceEntriesBeyondTheAlphabet) {
  // Length code over symbols 2 and 3; entries 19..30 are read and ignored. Position list over
  // classes 0 and 1; entry 14 is read and ignored.
  Lengths lenCode(31, 0);
  lenCode[2] = lenCode[3] = 1;
  for (std::size_t i = 19; i < 31; ++i) lenCode[i] = static_cast<int>(i % 16) + 1;
  Lengths pos(15, 0);
  pos[0] = pos[1] = 1;
  pos[14] = 16;
  Lengths chars(257, 0);
  chars[65] = chars[256] = 1;
  const BlockHeader h{3, List(lenCode), List(chars), List(pos)};
  BitWriter w;
  PutHeader(w, h);
  const std::vector<Item> items = {{0, 'A'}, {3, 0}, {3, 1}};
  PutItems(w, items, h);
  EXPECT_EQ(Expand(w.bytes(), 7), Bytes(7, 'A'));

  // A length code of 16 bits is the longest allowed.
  Lengths longest;
  for (int l = 1; l <= 16; ++l) longest.push_back(l);
  longest.push_back(16);
  BitWriter w16;
  PutHeader(w16, {1, List(longest), Single('L'), Single(0)});
  EXPECT_EQ(Expand(w16.bytes(), 1), (Bytes{'L'}));
}

TEST(Lzh5Decoder, AcceptsAZeroRunEndingExactlyAtTheLastCharacter) {
  // Count 68 with 'A' and 'B' of length 1: the run that follows 'B' fills entries 67..509.
  const SentList lenCode = List({0, 0, 1, 1});
  BitWriter w;
  w.Put(2, 16);
  PutAuxList(w, lenCode, 5, true);
  w.Put(68, 9);
  PutLenItems(w, Code(lenCode, 19), {{2, 45}, {3, 0}, {3, 0}, {2, 423}});
  PutAuxList(w, Single(0), 4, false);
  w.PutBit(0);  // 'A'
  w.PutBit(1);  // 'B'
  EXPECT_EQ(Expand(w.bytes(), 2), (Bytes{'A', 'B'}));
}

TEST(Lzh5Decoder, RejectsBadCodeLengthLists) {
  struct Case {
    const char* what;
    Bytes stream;
  };
  std::vector<Case> cases;
  auto header = [&](const char* what, const BlockHeader& h) {
    BitWriter w;
    PutHeader(w, h);
    cases.push_back({what, w.bytes()});
  };
  header("length-code length 17", {1, List({17, 1, 1}), Single(0), Single(0)});
  header("position length 17", {1, Single(0), Single('a'), List({1, 17})});
  header("length code over-full", {1, List({1, 1, 1}), Single(0), Single(0)});
  header("length code incomplete", {1, List({2, 2, 2}), Single(0), Single(0)});
  header("length code of one entry", {1, List({1}), Single(0), Single(0)});
  header("length-code single symbol 19", {1, Single(19), Single(0), Single(0)});
  header("character single symbol 510", {1, Single(0), Single(510), Single(0)});
  header("character single symbol 511", {1, Single(0), Single(511), Single(0)});
  header("position single symbol 14", {1, Single(0), Single(0), Single(14)});
  header("position single symbol 15", {1, Single(0), Single(0), Single(15)});
  header("position code over-full", {1, Single(0), Single(0), List({1, 1, 1})});
  header("position code incomplete", {1, Single(0), Single(0), List({1, 2})});
  header("position count with only zeros", {1, Single(0), Single(0), List({0, 0, 0})});
  header("character code over-full", {1, kSmallLenCode, List({1, 1, 1}), Single(0)});
  header("character code incomplete", {1, kSmallLenCode, List({1, 2}), Single(0)});
  header("character count with only zeros", {1, kSmallLenCode, List({0, 0, 0, 0, 0}), Single(0)});

  const Code small(kSmallLenCode, 19);
  {
    BitWriter c;
    c.Put(1, 16);
    PutAuxList(c, kSmallLenCode, 5, true);
    c.Put(511, 9);
    cases.push_back({"character count 511", c.bytes()});
  }
  {
    // Count 510, then a run of 509 zeros (symbol 2, 489) and a run of 3 (symbol 1, 0): entry 511.
    BitWriter c;
    c.Put(1, 16);
    PutAuxList(c, kSmallLenCode, 5, true);
    c.Put(510, 9);
    PutLenItems(c, small, {{2, 489}, {1, 0}});
    cases.push_back({"zero run past entry 509 (short run)", c.bytes()});
  }
  {
    // Count 2: one length, then the longest run, 531 zeros.
    BitWriter c;
    c.Put(1, 16);
    PutAuxList(c, kSmallLenCode, 5, true);
    c.Put(2, 9);
    PutLenItems(c, small, {{3, 0}, {2, 511}});
    cases.push_back({"zero run past entry 509 (long run)", c.bytes()});
  }
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    try {
      Expand(c.stream, 10);
      ADD_FAILURE() << "accepted";
    } catch (const ELZHBadDecodeTable& e) {
      EXPECT_STREQ(e.what(), "Bad decode table in archive!");
    }
  }
}

TEST(Lzh5Decoder, AcceptsTheLargestValuesInsideEachAlphabet) {
  BitWriter w;
  PutHeader(w, {2, Single(18), Single(509), Single(13)});
  w.Put(0xFFF, 12);  // offset 8191
  w.Put(0x000, 12);  // offset 4096
  EXPECT_EQ(Expand(w.bytes(), 512), Bytes(512, ' '));
}

TEST(Lzh5Decoder, RefusesStreamsThatConsumeBitsPastTheirEnd) {
  // One block; the cuts fall in the header and among its items.
  Random random(21);
  const std::vector<Item> items = RandomItems(3000, random);
  const BlockHeader h = RandomHeader(items, static_cast<std::uint32_t>(items.size()), random);
  BitWriter headerOnly, w;
  PutHeader(headerOnly, h);
  PutHeader(w, h);
  PutItems(w, items, h);
  const Bytes expected = ExpectedOf(items);
  const auto size = static_cast<std::int32_t>(expected.size());
  const Bytes& stream = w.bytes();
  ASSERT_EQ(Expand(stream, size), expected);
  const std::size_t header = headerOnly.bytes().size();
  for (std::size_t cut : {std::size_t{0}, std::size_t{1}, header - 1, header, header + 1, (header + stream.size()) / 2,
                          stream.size() - 1}) {
    SCOPED_TRACE(cut);
    const Bytes shortened(stream.begin(), stream.begin() + static_cast<std::ptrdiff_t>(cut));
    EXPECT_THROW(Expand(shortened, size), ETruncatedData);
  }
  // The bits a stream ends with may sit anywhere in its last byte: the decoder looks 16 bits
  // ahead, but only consuming a bit past the end counts. The worked stream of one byte uses
  // 52 of its 56 bits; without its last byte it needs 4 it does not have.
  const Bytes oneByte = {0x00, 0x01, 0x00, 0x00, 0x04, 0x10, 0x00};
  EXPECT_EQ(Expand(oneByte, 1), Bytes{0x41});
  EXPECT_THROW(Expand(Bytes(oneByte.begin(), oneByte.end() - 1), 1), ETruncatedData);
  // Items that take no bits at all are not past the end: with an item count of 0 the header's
  // 65536 literals are all there, and only the next header would need more bits.
  const Bytes manyItems = {0x00, 0x00, 0x00, 0x00, 0x04, 0x10, 0x00};
  EXPECT_EQ(Expand(manyItems, 65536), Bytes(65536, 0x41));
  EXPECT_THROW(Expand(manyItems, 65537), ETruncatedData);
  // A declared size near 2 GiB over the same bytes stops at the first missing bit.
  EXPECT_THROW(Expand(oneByte, 0x7FFFFFFF), ETruncatedData);
}

TEST(Lzh5Decoder, AbortStopsReadingAndStillProducesOutputSize) {
  // Three input blocks: a decoder that asked the frame again after the abort would refill.
  const Bytes stream(3 * kCodecBlockSize, 0xA5);
  int calls = 0;
  CodecSettings settings;
  settings.onShowProgress = [&](std::int32_t& percent) {
    ++calls;
    percent = -1;
  };
  const Bytes out = RunCodecInMemory(settings, stream, 5000, coLZH5, true);
  // After the abort the input counts as ended: the frame is never asked again.
  EXPECT_EQ(calls, 1);
  EXPECT_EQ(out, Bytes(5000, 0));
}

TEST(Lzh5Decoder, ExpandsRandomStreamsWithLongCodes) {
  Random random(1234);
  int longestChar = 0, longestAux = 0;
  for (int i = 0; i < 30; ++i) {
    const BuiltStream built = RandomStream(1 + random.Below(3), 1500, random);
    longestChar = std::max(longestChar, built.longestCharCode);
    longestAux = std::max(longestAux, built.longestAuxCode);
    ASSERT_EQ(Expand(built.stream, static_cast<std::int32_t>(built.expected.size())), built.expected)
        << "stream " << i;
  }
  // The streams must have needed the trees below both tables.
  EXPECT_GT(longestChar, 12);
  EXPECT_GT(longestAux, 8);
}


// Random and damaged streams: the decoder refuses a table, refuses a stream that runs out, or
// produces exactly outputSize bytes, and never touches memory outside its tables (the sanitizer
// build runs this too).
TEST(Lzh5Decoder, SurvivesRandomAndMutatedStreams) {
  Random random(0xC0DEC);
  std::vector<Bytes> seeds = {
      {0x00, 0x01, 0x00, 0x00, 0x04, 0x10, 0x00},
      {0x00, 0x02, 0x20, 0x04, 0x24, 0x30, 0xB7, 0x00, 0x40},
      {0x00, 0x02, 0x20, 0x04, 0x30, 0x10, 0xB6, 0x55, 0x40, 0x10},
  };
  for (int i = 0; i < 6; ++i) seeds.push_back(RandomStream(1 + random.Below(3), 200, random).stream);

  int rejected = 0, expanded = 0, ranOut = 0;
  for (int round = 0; round < 10000; ++round) {
    Bytes stream;
    if (round % 10 == 0) {
      stream.resize(random.Below(48));
      for (auto& b : stream) b = static_cast<std::uint8_t>(random.Next());
    } else {
      stream = Pick(seeds, random);
      for (std::uint32_t m = 1 + random.Below(4); m > 0 && !stream.empty(); --m) {
        const std::size_t at = random.Below(static_cast<std::uint32_t>(stream.size()));
        switch (random.Below(5)) {
          case 0: stream[at] = static_cast<std::uint8_t>(stream[at] ^ (1u << random.Below(8))); break;
          case 1: stream[at] = static_cast<std::uint8_t>(random.Next()); break;
          case 2: stream.resize(at); break;
          case 3: stream.insert(stream.begin() + static_cast<std::ptrdiff_t>(at), static_cast<std::uint8_t>(random.Next())); break;
          default: stream.erase(stream.begin() + static_cast<std::ptrdiff_t>(at)); break;
        }
      }
    }
    const auto outputSize = static_cast<std::int32_t>(random.Below(1024));
    try {
      const Bytes out = Expand(stream, outputSize);
      ++expanded;
      ASSERT_EQ(out.size(), static_cast<std::size_t>(outputSize)) << "round " << round;
    } catch (const ELZHBadDecodeTable&) {
      ++rejected;
    } catch (const ETruncatedData&) {
      ++ranOut;
    }
  }
  // Every outcome must actually occur, or the mutations tell nothing.
  EXPECT_GT(rejected, 1000);
  EXPECT_GT(expanded, 1000);
  EXPECT_GT(ranOut, 1000);
}


// ---- Streams checked by other lh5 decoders ----

std::filesystem::path DataFolder() { return std::filesystem::path(__FILE__).parent_path() / "data" / "lzh5"; }

std::uint32_t LittleEndian(const Bytes& b, std::size_t at, int bytes) {
  std::uint32_t v = 0;
  for (int i = bytes - 1; i >= 0; --i) v = (v << 8) | b[at + static_cast<std::size_t>(i)];
  return v;
}

// The CRC the archives carry for their members' data (reflected polynomial 0xA001, start 0).
std::uint16_t Crc16(const Bytes& data) {
  std::uint32_t crc = 0;
  for (std::uint8_t b : data) {
    crc ^= b;
    for (int i = 0; i < 8; ++i) crc = (crc & 1u) ? (crc >> 1) ^ 0xA001u : crc >> 1;
  }
  return static_cast<std::uint16_t>(crc);
}

TEST(Lzh5Decoder, ExpandsArchivesThatOtherDecodersAgreeOn) {
  // Level-0 archives of one member each; the data's size and CRC come from the member header.
  for (const char* name : {"random_codes.lzh", "text_two_blocks.lzh"}) {
    SCOPED_TRACE(name);
    const Bytes archive = zev::testing::ReadHostBytes(DataFolder() / name);
    ASSERT_GT(archive.size(), 24u);
    const std::size_t dataStart = archive[0] + 2u;
    ASSERT_EQ(std::string(archive.begin() + 2, archive.begin() + 7), "-lh5-");
    const std::uint32_t packed = LittleEndian(archive, 7, 4);
    const std::uint32_t size = LittleEndian(archive, 11, 4);
    const auto crc = static_cast<std::uint16_t>(LittleEndian(archive, dataStart - 2, 2));
    ASSERT_LE(dataStart + packed, archive.size());
    const Bytes stream(archive.begin() + static_cast<std::ptrdiff_t>(dataStart),
                       archive.begin() + static_cast<std::ptrdiff_t>(dataStart + packed));
    const Bytes out = Expand(stream, static_cast<std::int32_t>(size));
    EXPECT_EQ(out.size(), size);
    EXPECT_EQ(Crc16(out), crc);
  }
}

}  // namespace
}  // namespace zev::compress
