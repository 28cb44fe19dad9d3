#include "compress/codec_frame.h"

#include <gtest/gtest.h>

#include <thread>

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

// One run of a codec in both directions, and everything it showed.
struct CodecJob {
  std::uint8_t method;
  CompressionLevel level;
  std::int32_t key;
  Bytes input;
  Bytes packed;
  Bytes unpacked;
  std::int32_t packedSum = 0;
  std::int32_t unpackedSum = 0;
  std::vector<std::int32_t> progress;

  void Run() {
    CodecSettings settings;
    settings.key = key;
    settings.level = level;
    settings.limitOutputToInput = false;
    settings.onShowProgress = [this](std::int32_t& percentage) { progress.push_back(percentage); };
    packed = RunCodecInMemory(settings, input, 0, method, false, false, &packedSum);
    unpacked = RunCodecInMemory(settings, packed, static_cast<std::int32_t>(input.size()), method, true, true,
                                &unpackedSum);
  }
};

// Every run has a frame and codec state of its own, so runs on several threads at once show
// exactly what they show one at a time.
TEST(CodecsConcurrently, ShowWhatTheyShowOneAtATime) {
  const struct {
    std::uint8_t method;
    CompressionLevel level;
  } codecs[] = {{coRLE, CompressionLevel::Exact},
                {coLZH, CompressionLevel::Exact},
                {coLZH5, CompressionLevel::Exact},
                {coLZH5, CompressionLevel::Fast},
                {coLZH5, CompressionLevel::Best}};
  std::vector<CodecJob> expected;
  for (const auto& codec : codecs) {
    for (std::uint32_t seed = 1; seed <= 2; ++seed) {
      const auto kind = seed == 1 ? zev::testing::InputKind::Text : zev::testing::InputKind::Binary;
      expected.push_back({codec.method, codec.level, seed == 1 ? 0 : 0x5EED1234,
                          zev::testing::MakeInput(kind, 20000 + 7000 * seed, seed), {}, {}, 0, 0, {}});
    }
  }
  std::vector<CodecJob> concurrent = expected;
  for (CodecJob& job : expected) job.Run();

  constexpr std::size_t kThreads = 4;
  std::vector<std::thread> threads;
  for (std::size_t t = 0; t < kThreads; ++t) {
    threads.emplace_back([&concurrent, t] {
      for (std::size_t i = t; i < concurrent.size(); i += kThreads) concurrent[i].Run();
    });
  }
  for (std::thread& thread : threads) thread.join();

  for (std::size_t i = 0; i < expected.size(); ++i) {
    SCOPED_TRACE(::testing::Message() << "method " << int{expected[i].method} << " level "
                                      << int(expected[i].level) << " key " << expected[i].key);
    EXPECT_EQ(concurrent[i].packed, expected[i].packed);
    EXPECT_EQ(concurrent[i].unpacked, expected[i].input);
    EXPECT_EQ(concurrent[i].packedSum, expected[i].packedSum);
    EXPECT_EQ(concurrent[i].unpackedSum, expected[i].unpackedSum);
    EXPECT_EQ(concurrent[i].progress, expected[i].progress);
  }
}

}  // namespace
}  // namespace zev::compress
