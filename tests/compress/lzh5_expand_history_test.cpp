// The LZH5 expander's fast paths: output goes into a linear history that slides every 64 KiB,
// matches are copied in 16-byte pieces (or stepwise when they overlap themselves), and the frame
// copies and sums the output in one pass. Each must give what a byte-wise ring window would.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "compress/codec_frame_io.h"
#include "compress/method.h"
#include "tests/support/test_inputs.h"

namespace zev::compress {
namespace {

using zev::testing::Bytes;
using zev::testing::NaiveByteSum;

TEST(Lzh5ExpandHistory, CopyWithSumCopiesAndSumsAtEveryLengthAndAlignment) {
  Bytes ones(300, 0xFF);
  Bytes random = zev::testing::MakeInput(zev::testing::InputKind::Random, 300, 5);
  for (const Bytes* data : {&ones, &random}) {
    for (std::size_t from = 0; from < 16; from += 3) {
      for (std::size_t to = 0; to < 16; to += 5) {
        for (std::size_t n = 0; n <= 70; ++n) {
          Bytes dest(100, 0x5A);
          const std::uint32_t sum = detail::CopyWithByteSum(dest.data() + to, data->data() + from, n);
          EXPECT_EQ(sum, NaiveByteSum(data->data() + from, n)) << from << " " << to << " " << n;
          EXPECT_EQ(0, std::memcmp(dest.data() + to, data->data() + from, n)) << from << " " << to << " " << n;
          // Nothing around the copy is touched.
          for (std::size_t i = 0; i < to; ++i) ASSERT_EQ(dest[i], 0x5A);
          for (std::size_t i = to + n; i < dest.size(); ++i) ASSERT_EQ(dest[i], 0x5A);
        }
      }
    }
  }
}

// Runs of every short period (overlapping copies of each distance below the 16-byte pieces),
// periods around the piece size and the window, each cut off by a few random bytes, and enough
// of them that the history slides more than once.
Bytes PeriodicSegments() {
  zev::testing::Random random(41);
  Bytes out;
  auto noise = [&] {
    for (int i = 0; i < 5; ++i) out.push_back(static_cast<std::uint8_t>(random.Below(256)));
  };
  for (int round = 0; round < 4; ++round) {
    for (std::uint32_t period : {1u, 2u, 3u, 4u, 5u, 6u, 7u, 8u, 9u, 11u, 13u, 15u, 16u, 17u, 31u, 32u, 33u, 255u,
                                 256u, 257u, 1000u, 4095u, 8191u}) {
      Bytes unit(period);
      for (auto& b : unit) b = static_cast<std::uint8_t>(random.Below(256));
      const std::size_t length = period < 64 ? 700 : 2 * period + 300;
      for (std::size_t i = 0; i < length; ++i) out.push_back(unit[i % period]);
      noise();
    }
  }
  return out;
}

TEST(Lzh5ExpandHistory, PeriodicDataRoundTripsAcrossHistorySlides) {
  const Bytes input = PeriodicSegments();
  ASSERT_GT(input.size(), 2u * (64 * 1024 + 8192));
  CodecSettings settings;
  settings.limitOutputToInput = false;
  const Bytes packed = RunCodecInMemory(settings, input, 0, coLZH5, false);
  std::int32_t checksum = 0;
  const Bytes unpacked =
      RunCodecInMemory(settings, packed, static_cast<std::int32_t>(input.size()), coLZH5, true, false, &checksum);
  ASSERT_EQ(unpacked.size(), input.size());
  EXPECT_TRUE(unpacked == input);
  EXPECT_EQ(static_cast<std::uint32_t>(checksum), NaiveByteSum(input.data(), input.size()));
}

// Asking for fewer bytes than the stream holds stops after the item that reaches the size; a
// match is finished whole. So the output is a prefix of the input, at least as long as asked
// for and less than one longest match longer, wherever the size falls (also just around the
// points where the history slides).
TEST(Lzh5ExpandHistory, ShorterOutputSizeStopsAfterTheItemThatReachesIt) {
  const Bytes input = PeriodicSegments();
  CodecSettings settings;
  settings.limitOutputToInput = false;
  const Bytes packed = RunCodecInMemory(settings, input, 0, coLZH5, false);
  constexpr std::int32_t kSlide = 64 * 1024 + 8192;
  for (std::int32_t size : {1, 2, 17, 700, 8191, 8192, 8193, kSlide - 8192 - 1, kSlide - 8192, kSlide - 8192 + 1,
                            2 * kSlide - 2 * 8192 - 3, 2 * kSlide - 2 * 8192 + 250}) {
    std::int32_t checksum = 0;
    const Bytes unpacked = RunCodecInMemory(settings, packed, size, coLZH5, true, false, &checksum);
    ASSERT_GE(unpacked.size(), static_cast<std::size_t>(size)) << size;
    ASSERT_LT(unpacked.size(), static_cast<std::size_t>(size) + 256) << size;
    EXPECT_TRUE(std::equal(unpacked.begin(), unpacked.end(), input.begin())) << size;
    EXPECT_EQ(static_cast<std::uint32_t>(checksum), NaiveByteSum(unpacked.data(), unpacked.size())) << size;
  }
}

}  // namespace
}  // namespace zev::compress
