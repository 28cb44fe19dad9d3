// The frame's block-wise paths (word sums, block scrambling, several input bytes at once) must
// agree with the byte-by-byte rules they stand in for.
#include <gtest/gtest.h>

#include "compress/codec_frame_io.h"
#include "compress/method.h"
#include "tests/support/test_inputs.h"

namespace zev::compress {
namespace {

using zev::testing::Bytes;
using zev::testing::NaiveByteSum;

TEST(CodecFrameBlocks, WordSumsEqualByteSumsAtEveryLengthAndAlignment) {
  // All 0xFF bytes stress the 16-bit lanes; random bytes catch misplaced lanes.
  Bytes ones(5000, 0xFF);
  Bytes random = zev::testing::MakeInput(zev::testing::InputKind::Random, 5000, 9);
  for (const Bytes* data : {&ones, &random}) {
    for (std::size_t start = 0; start < 9; ++start) {
      for (std::size_t n : {0u, 1u, 7u, 8u, 9u, 63u, 1023u, 1024u, 1025u, 2047u, 4990u}) {
        EXPECT_EQ(detail::ByteSum(data->data() + start, n), NaiveByteSum(data->data() + start, n)) << start << " " << n;
      }
    }
    std::uint64_t word = 0;
    for (int i = 0; i < 8; ++i) word = (word << 8) | (*data)[static_cast<std::size_t>(i)];
    EXPECT_EQ(detail::ByteSum(word), NaiveByteSum(data->data(), 8));
  }
}

// Compresses with a key, then expands the scrambled stream: every byte of the packed data is
// unscrambled on its way in (a whole input block at a time, whatever the decoder then reads) and
// every byte out is summed block-wise, so any slip in the key position or the sums shows.
TEST(CodecFrameBlocks, KeyedRoundTripsKeepKeyPositionAndSumsAcrossBlocks) {
  const std::int32_t keys[] = {0x01020304, static_cast<std::int32_t>(0xF00DBEEF)};
  for (std::size_t size : {1u, 7u, 8193u, 40001u}) {
    Bytes text = zev::testing::MakeInput(zev::testing::InputKind::Text, size, static_cast<std::uint32_t>(size));
    const std::uint32_t expected = NaiveByteSum(text.data(), text.size());
    for (std::int32_t key : keys) {
      CodecSettings keyed;
      keyed.key = key;
      keyed.limitOutputToInput = false;
      for (std::uint8_t method : {coRLE, coLZH, coLZH5}) {
        std::int32_t packedSum = 0, unpackedSum = 0;
        Bytes packed = RunCodecInMemory(keyed, text, 0, method, false, false, &packedSum);
        CodecSettings plain;
        plain.limitOutputToInput = false;
        Bytes clear = RunCodecInMemory(plain, text, 0, method, false);
        // The scrambled stream is the plain one XORed with the key bytes in turn.
        ASSERT_EQ(packed.size(), clear.size());
        for (std::size_t i = 0; i < packed.size(); ++i) {
          ASSERT_EQ(packed[i] ^ clear[i], static_cast<std::uint8_t>(static_cast<std::uint32_t>(key) >> (8 * (i % 4))))
              << "method " << int{method} << " byte " << i;
        }
        Bytes unpacked = RunCodecInMemory(keyed, packed, static_cast<std::int32_t>(size), method, true, true, &unpackedSum);
        EXPECT_EQ(unpacked, text) << "method " << int{method} << " size " << size;
        EXPECT_EQ(static_cast<std::uint32_t>(packedSum), expected);
        EXPECT_EQ(static_cast<std::uint32_t>(unpackedSum), expected);
      }
    }
  }
}

}  // namespace
}  // namespace zev::compress
