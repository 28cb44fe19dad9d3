#include "compress/codec_frame.h"

#include <gtest/gtest.h>

#include "compress/method.h"
#include "tests/support/test_inputs.h"

namespace zev::compress {
namespace {

using zev::testing::Bytes;

// Expands RLE data (plain bytes without escapes pass through unchanged) and records progress.
std::vector<std::int32_t> ProgressOf(const Bytes& input, std::int32_t abortAtCall = 0, Bytes* output = nullptr) {
  std::vector<std::int32_t> reports;
  CodecSettings settings;
  settings.onShowProgress = [&](std::int32_t& percentage) {
    reports.push_back(percentage);
    if (static_cast<std::int32_t>(reports.size()) == abortAtCall) percentage = -1;
  };
  Bytes out = RunCodecInMemory(settings, input, 0, coRLE, true);
  if (output) *output = out;
  return reports;
}

TEST(CodecFrame, ReportsProgressOncePerBlockAfterReadingIt) {
  EXPECT_EQ(ProgressOf(Bytes(8193, 'a')), (std::vector<std::int32_t>{99, 100}));
  EXPECT_EQ(ProgressOf(Bytes(8192, 'a')), (std::vector<std::int32_t>{100}));
  EXPECT_EQ(ProgressOf({}), std::vector<std::int32_t>{});
  // Above 100000 bytes the percentage is consumed div (total div 100), free of overflow.
  std::vector<std::int32_t> large = ProgressOf(Bytes(200000, 'a'));
  ASSERT_EQ(large.size(), 25u);
  for (std::size_t i = 0; i + 1 < large.size(); ++i) EXPECT_EQ(large[i], static_cast<std::int32_t>(8192 * (i + 1) / 2000));
  EXPECT_EQ(large.back(), 100);
}

TEST(CodecFrame, PercentOfAvoidsOverflow) {
  EXPECT_EQ(PercentOf(8192, 8193), 99);
  EXPECT_EQ(PercentOf(100000, 100000), 100);
  EXPECT_EQ(PercentOf(2000000000, 2100000000), 95);
}

TEST(CodecFrame, AbortMakesTheInputEnd) {
  Bytes output;
  EXPECT_EQ(ProgressOf(Bytes(20000, 'a'), 1, &output).size(), 1u);
  EXPECT_TRUE(output.empty());
  ProgressOf(Bytes(20000, 'a'), 2, &output);
  EXPECT_EQ(output.size(), 8192u);
}

TEST(CodecFrame, ChecksumIsTheSumOfUncompressedBytesInBothDirections) {
  Bytes text = zev::testing::MakeInput(zev::testing::InputKind::Text, 30000);
  std::uint32_t expected = 0;
  for (std::uint8_t b : text) expected += b;
  CodecSettings keyed;
  keyed.key = 0x01020304;
  std::int32_t packedSum = 0, unpackedSum = 0;
  Bytes packed = RunCodecInMemory(keyed, text, 0, coRLE, false, false, &packedSum);
  EXPECT_EQ(static_cast<std::uint32_t>(packedSum), expected);
  // Compressing under a key scrambles; expanding unscrambles only a member marked scrambled.
  EXPECT_NE(RunCodecInMemory({}, packed, 0, coRLE, true), text);
  EXPECT_EQ(RunCodecInMemory(keyed, packed, 0, coRLE, true, true, &unpackedSum), text);
  EXPECT_EQ(static_cast<std::uint32_t>(unpackedSum), expected);
}

TEST(CodecFrame, UnknownMethodsRunNothing) {
  std::int32_t sum = -1;
  EXPECT_TRUE(RunCodecInMemory({}, Bytes(100, 1), 100, coCustom, true, false, &sum).empty());
  EXPECT_EQ(sum, 0);
}

}  // namespace
}  // namespace zev::compress
