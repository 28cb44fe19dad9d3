#include "compress/lzh5_block_coder.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "compress/codec_frame.h"
#include "compress/method.h"
#include "tests/compress/lzh5_stream_helpers.h"

namespace zev::compress::lzh5 {
namespace {

using Bytes = std::vector<std::uint8_t>;
using zev::testing::AllItems;
using zev::testing::KraftSum;
using zev::testing::ParseLzh5;
using zev::testing::StreamBits;

// What a decoder must produce from a list of items: literals, and matches copied from a window
// that starts as spaces.
struct Expected {
  Bytes bytes;
  void Literal(std::uint8_t b) { bytes.push_back(b); }
  void Match(unsigned length, unsigned offset) {
    for (unsigned k = 0; k < length; ++k) {
      const std::size_t back = offset + 1;
      bytes.push_back(bytes.size() >= back ? bytes[bytes.size() - back] : std::uint8_t{0x20});
    }
  }
};

Bytes Expand(const Bytes& stream, std::size_t size) {
  return RunCodecInMemory({}, stream, static_cast<std::int32_t>(size), coLZH5, true);
}

// Queues the items, sends them as one block, pads the stream and hands back the bytes.
class CapturedBlock {
 public:
  CapturedBlock() : coder_(&bytes_) {}
  void Literal(std::uint8_t b) {
    coder_.QueueItem(b, 0);
    expected_.Literal(b);
  }
  void Match(unsigned length, unsigned offset) {
    coder_.QueueItem(length + 253, offset);
    expected_.Match(length, offset);
  }
  const Bytes& Finish() {
    coder_.FlushBlock();
    coder_.FinishStream();
    return bytes_;
  }
  BlockCoder& coder() { return coder_; }
  const Bytes& expected() const { return expected_.bytes; }

 private:
  Bytes bytes_;
  BlockCoder coder_;
  Expected expected_;
};

TEST(Lzh5BlockCoder, BitWriterPacksMostSignificantFirstAndPadsOnlyPendingBits) {
  Bytes out;
  BlockCoder coder(&out);
  coder.WriteBits(3, 0b101);
  coder.WriteTopBits(7, 0b1100110u << 9);
  coder.WriteBits(16, 0xF00F);
  coder.FinishStream();
  EXPECT_EQ(out, (Bytes{0b10111001, 0b10111100, 0b00000011, 0b11000000}));

  // On a byte boundary the end of the stream adds nothing.
  Bytes aligned;
  BlockCoder other(&aligned);
  other.WriteBits(16, 0x1234);
  other.WriteTopBits(0, 0);
  other.FinishStream();
  EXPECT_EQ(aligned, (Bytes{0x12, 0x34}));
}

TEST(Lzh5BlockCoder, OneDistinctSymbolTakesNoBitsPerItem) {
  CapturedBlock block;
  for (int i = 0; i < 5; ++i) block.Literal(0x41);
  const Bytes& out = block.Finish();
  StreamBits in(out);
  EXPECT_EQ(in.Read(16), 5u);
  EXPECT_EQ(in.Read(5), 0u);
  EXPECT_EQ(in.Read(5), 0u);
  EXPECT_EQ(in.Read(9), 0u);
  EXPECT_EQ(in.Read(9), 0x41u);
  EXPECT_EQ(in.Read(4), 0u);
  EXPECT_EQ(in.Read(4), 0u);
  // 52 bits in all: the items add nothing, so the stream ends with the padded seventh byte.
  EXPECT_EQ(out.size(), 7u);
  EXPECT_EQ(Expand(out, 5), block.expected());
}

TEST(Lzh5BlockCoder, TwoSymbolsGetOneBitEachAndASingleLengthCodeSymbol) {
  CapturedBlock block;
  block.Literal(0x00);
  block.Literal(0x01);
  block.Literal(0x01);
  const Bytes& out = block.Finish();
  EXPECT_EQ(block.coder().CharLengths[0], 1);
  EXPECT_EQ(block.coder().CharLengths[1], 1);
  StreamBits in(out);
  EXPECT_EQ(in.Read(16), 3u);
  EXPECT_EQ(in.Read(5), 0u);   // length code in single-symbol form ...
  EXPECT_EQ(in.Read(5), 3u);   // ... with symbol 3, "length 1"
  EXPECT_EQ(in.Read(9), 2u);   // two character lengths, sent without any further bits
  EXPECT_EQ(in.Read(4), 0u);   // no matches: position code single class 0
  EXPECT_EQ(in.Read(4), 0u);
  EXPECT_EQ(in.Read(3), 0b011u);  // the items: codes 0, 1, 1
  EXPECT_EQ(Expand(out, 3), block.expected());
}

TEST(Lzh5BlockCoder, ZeroRunsOf19And20AndTrailingZeros) {
  CapturedBlock block;
  // Symbols 0, 20 and 41 are used: 19 zero lengths between the first two, 20 between the next
  // two, and 468 zero lengths at the end that are not sent at all.
  for (int i = 0; i < 4; ++i) block.Literal(0);
  block.Literal(20);
  block.Literal(41);
  const Bytes& out = block.Finish();
  const auto& freq = block.coder().LenCodeFreq;
  EXPECT_EQ(freq[0], 1);  // the run of 19: one single zero ...
  EXPECT_EQ(freq[1], 1);  // ... and a short run
  EXPECT_EQ(freq[2], 1);  // the run of 20: one long run
  const auto blocks = ParseLzh5(out, block.expected().size());
  ASSERT_EQ(blocks.size(), 1u);
  EXPECT_EQ(blocks[0].chars.count, 42u);
  EXPECT_EQ(Expand(out, block.expected().size()), block.expected());
}

TEST(Lzh5BlockCoder, ZeroRunsOfEveryLengthRoundTrip) {
  // One used symbol after each run of 1..21 zero lengths, which covers every run rule.
  CapturedBlock block;
  int symbol = 0;
  block.Literal(0);
  for (int run = 1; symbol + run + 1 < 256; ++run) {
    symbol += run + 1;
    block.Literal(static_cast<std::uint8_t>(symbol));
  }
  const Bytes& out = block.Finish();
  EXPECT_EQ(Expand(out, block.expected().size()), block.expected());
}

TEST(Lzh5BlockCoder, AuxListsWriteTheZeroRunFieldOnlyAfterTheThirdEntry) {
  {
    Bytes out;
    BlockCoder coder(&out);
    coder.AuxLengths.fill(0);
    coder.AuxLengths[0] = 1;
    coder.AuxLengths[1] = 1;
    coder.WriteAuxLengths(19, 5, 3);
    coder.FinishStream();
    StreamBits in(out);
    EXPECT_EQ(in.Read(5), 2u);
    EXPECT_EQ(in.Read(3), 1u);
    EXPECT_EQ(in.Read(3), 1u);
    EXPECT_EQ(out.size(), 2u);  // 11 bits: no zero-run field
    EXPECT_EQ(in.Read(5), 0u);
  }
  {
    Bytes out;
    BlockCoder coder(&out);
    coder.AuxLengths.fill(0);
    coder.AuxLengths[0] = 1;
    coder.AuxLengths[1] = 2;
    coder.AuxLengths[2] = 2;
    coder.WriteAuxLengths(19, 5, 3);
    coder.FinishStream();
    StreamBits in(out);
    EXPECT_EQ(in.Read(5), 3u);
    EXPECT_EQ(in.Read(9), 0b001010010u);
    EXPECT_EQ(in.Read(2), 3u);  // entries 3..5 are absent, so all three count as skipped
    EXPECT_EQ(out.size(), 2u);
  }
  {
    // Entries 3 and 4 are zero, 5 is not: the field says 2 and the list goes on at entry 5.
    // Lengths 7 and 9 take the long form: k - 4 one-bits and a zero.
    Bytes out;
    BlockCoder coder(&out);
    coder.AuxLengths.fill(0);
    const int lengths[] = {1, 0, 7, 0, 0, 9, 2};
    for (int i = 0; i < 7; ++i) coder.AuxLengths[i] = static_cast<std::uint8_t>(lengths[i]);
    coder.WriteAuxLengths(19, 5, 3);
    coder.FinishStream();
    StreamBits in(out);
    EXPECT_EQ(in.Read(5), 7u);
    EXPECT_EQ(in.Read(3), 1u);
    EXPECT_EQ(in.Read(3), 0u);
    EXPECT_EQ(in.Read(4), 0b1110u);
    EXPECT_EQ(in.Read(2), 2u);
    EXPECT_EQ(in.Read(6), 0b111110u);
    EXPECT_EQ(in.Read(3), 2u);
  }
  {
    // The position list never has the field, even with a zero at entry 3.
    Bytes out;
    BlockCoder coder(&out);
    coder.AuxLengths.fill(0);
    const int lengths[] = {2, 2, 2, 0, 2};
    for (int i = 0; i < 5; ++i) coder.AuxLengths[i] = static_cast<std::uint8_t>(lengths[i]);
    coder.WriteAuxLengths(14, 4, -1);
    coder.FinishStream();
    StreamBits in(out);
    EXPECT_EQ(in.Read(4), 5u);
    for (int l : lengths) EXPECT_EQ(in.Read(3), static_cast<unsigned>(l));
  }
}

TEST(Lzh5BlockCoder, HeapTieBreakGivesTheFixedLengths) {
  Bytes unused;
  BlockCoder coder(&unused);
  // Five equal counts: three symbols get 2 bits and two get 3 bits. The symbols leave the heap
  // in the order 0, 4, 1, 3, 2 (an entry never sinks below an equal child, and the right child is
  // taken only when strictly smaller), so 0 and 4 get the long codes.
  std::uint16_t freq[2 * 5 - 1] = {1, 1, 1, 1, 1};
  std::uint8_t lengths[5];
  std::uint16_t codes[5];
  const int root = coder.BuildHuffmanCode(5, freq, lengths, codes);
  EXPECT_EQ(root, 8);
  EXPECT_EQ(freq[root], 5);
  const std::uint8_t expectedLengths[5] = {3, 2, 2, 2, 3};
  const std::uint16_t expectedCodes[5] = {0xC000, 0x0000, 0x4000, 0x8000, 0xE000};
  for (int i = 0; i < 5; ++i) {
    EXPECT_EQ(lengths[i], expectedLengths[i]) << i;
    EXPECT_EQ(codes[i], expectedCodes[i]) << i;
  }
}

TEST(Lzh5BlockCoder, OneOrNoSymbolGivesTheSymbolAsRoot) {
  Bytes unused;
  BlockCoder coder(&unused);
  std::uint16_t freq[2 * 14 - 1] = {};
  std::uint8_t lengths[14];
  std::uint16_t codes[14];
  EXPECT_EQ(coder.BuildHuffmanCode(14, freq, lengths, codes), 0);
  freq[9] = 4;
  EXPECT_EQ(coder.BuildHuffmanCode(14, freq, lengths, codes), 9);
  EXPECT_EQ(lengths[9], 0);
  EXPECT_EQ(codes[9], 0);
}

TEST(Lzh5BlockCoder, FibonacciCountsAreLimitedTo16BitsAndStayComplete) {
  // Fibonacci-like counts make a tree 19 levels deep; limited, it must still fill the code space
  // exactly, and more frequent symbols must never get longer codes.
  std::uint16_t freq[2 * 510 - 1] = {};
  std::uint16_t a = 1, b = 1;
  for (int i = 0; i < 20; ++i) {
    freq[i] = a;
    const std::uint16_t next = static_cast<std::uint16_t>(a + b);
    a = b;
    b = next;
  }
  Bytes unused;
  BlockCoder coder(&unused);
  std::uint8_t lengths[510];
  std::uint16_t codes[510];
  coder.BuildHuffmanCode(510, freq, lengths, codes);
  std::vector<int> list(lengths, lengths + 510);
  EXPECT_EQ(KraftSum(list), 0x10000u);
  int longest = 0;
  for (int i = 0; i < 20; ++i) longest = std::max<int>(longest, lengths[i]);
  EXPECT_EQ(longest, 16);
  for (int i = 1; i < 20; ++i) EXPECT_LE(lengths[i], lengths[i - 1]) << i;
}

TEST(Lzh5BlockCoder, FibonacciLiteralsDecode) {
  CapturedBlock block;
  unsigned a = 1, b = 1;
  for (int symbol = 0; symbol < 19; ++symbol) {
    for (unsigned k = 0; k < a; ++k) block.Literal(static_cast<std::uint8_t>('a' + symbol));
    const unsigned next = a + b;
    a = b;
    b = next;
  }
  const Bytes& out = block.Finish();
  int longest = 0;
  for (int l : block.coder().CharLengths) longest = std::max(longest, l);
  EXPECT_EQ(longest, 16);
  EXPECT_EQ(Expand(out, block.expected().size()), block.expected());
}

TEST(Lzh5BlockCoder, MatchesOfEveryClassAndLengthDecode) {
  CapturedBlock block;
  for (int i = 0; i < 300; ++i) block.Literal(static_cast<std::uint8_t>(i * 7));
  const unsigned offsets[] = {0, 1, 2, 3, 5, 100, 255, 256, 299, 4095, 4096, 8190, 8191};
  unsigned length = 3;
  for (unsigned o : offsets) {
    block.Match(length, o);
    length = length * 3 % 254 + 3;
  }
  block.Match(256, 7);
  block.Match(3, 8191);
  const Bytes& out = block.Finish();
  const auto items = AllItems(ParseLzh5(out, block.expected().size()));
  ASSERT_EQ(items.size(), 300u + 15u);
  EXPECT_EQ(items[300 + 11].offset, 8190u);
  EXPECT_EQ(items[300 + 13].value, 256u);
  EXPECT_EQ(Expand(out, block.expected().size()), block.expected());
}

TEST(Lzh5BlockCoder, AFullQueueStartsTheNextBlockAtAGroupBoundary) {
  // The first group (a literal and 7 matches) takes 23 bytes and every later one, 8 matches,
  // takes 25: group 655 starts at 16373 >= 16360 and goes into the second block, so the first
  // holds 655 whole groups.
  Bytes out;
  BlockCoder coder(&out);
  Expected expected;
  expected.Literal('x');
  coder.QueueItem('x', 0);
  int queued = 1;
  for (; queued < 655 * 8; ++queued) {
    coder.QueueItem(3 + 253, 0);
    expected.Match(3, 0);
  }
  EXPECT_TRUE(out.empty());
  EXPECT_EQ(coder.ItemPos, 16373);
  coder.QueueItem(4 + 253, 0);
  expected.Match(4, 0);
  EXPECT_FALSE(out.empty());
  EXPECT_EQ(coder.ItemPos, 4);
  StreamBits in(out);
  EXPECT_EQ(in.Read(16), 655u * 8u);
  coder.FlushBlock();
  coder.FinishStream();
  const auto blocks = ParseLzh5(out, expected.bytes.size());
  ASSERT_EQ(blocks.size(), 2u);
  EXPECT_EQ(blocks[1].itemCount, 1u);
  EXPECT_EQ(RunCodecInMemory({}, out, static_cast<std::int32_t>(expected.bytes.size()), coLZH5, true),
            expected.bytes);
}

TEST(Lzh5BlockCoder, LiteralBlocksHoldAtMost14544Items) {
  Bytes out;
  BlockCoder coder(&out);
  Expected expected;
  for (int i = 0; i < 14544 + 10; ++i) {
    const auto b = static_cast<std::uint8_t>((i * 31) ^ (i >> 5));
    coder.QueueItem(b, 0);
    expected.Literal(b);
  }
  coder.FlushBlock();
  coder.FinishStream();
  const auto blocks = ParseLzh5(out, expected.bytes.size());
  ASSERT_EQ(blocks.size(), 2u);
  EXPECT_EQ(blocks[0].itemCount, 14544u);
  EXPECT_EQ(blocks[1].itemCount, 10u);
  EXPECT_EQ(RunCodecInMemory({}, out, static_cast<std::int32_t>(expected.bytes.size()), coLZH5, true),
            expected.bytes);
}

}  // namespace
}  // namespace zev::compress::lzh5
