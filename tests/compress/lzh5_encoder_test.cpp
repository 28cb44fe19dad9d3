#include "compress/lzh5_encoder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "compress/codec_frame.h"
#include "compress/errors.h"
#include "compress/method.h"
#include "tests/compress/lzh5_stream_helpers.h"
#include "tests/support/test_inputs.h"

namespace zev::compress {
namespace {

using Bytes = std::vector<std::uint8_t>;
using zev::testing::AllItems;
using zev::testing::Item;
using zev::testing::ParseLzh5;

CodecSettings Unlimited() {
  CodecSettings settings;
  settings.limitOutputToInput = false;
  return settings;
}

Bytes Compress(const Bytes& input, std::int32_t* checksum = nullptr) {
  return RunCodecInMemory(Unlimited(), input, 0, coLZH5, false, false, checksum);
}

Bytes Expand(const Bytes& packed, std::size_t size, std::int32_t* checksum = nullptr) {
  return RunCodecInMemory({}, packed, static_cast<std::int32_t>(size), coLZH5, true, false,
                          checksum);
}

Bytes FromString(const std::string& s) { return Bytes(s.begin(), s.end()); }

struct NamedBytes {
  std::string name;
  Bytes data;
};

std::vector<Item> ItemsOf(const Bytes& input) { return AllItems(ParseLzh5(Compress(input), input.size())); }

std::string Describe(const std::vector<Item>& items) {
  std::string text;
  for (const Item& item : items) {
    if (item.match) {
      text += "[" + std::to_string(item.value) + "," + std::to_string(item.offset) + "]";
    } else {
      text += static_cast<char>(item.value);
    }
  }
  return text;
}

TEST(Lzh5Encoder, WorkedOutputs) {
  EXPECT_EQ(Compress({0x41}), (Bytes{0x00, 0x01, 0x00, 0x00, 0x04, 0x10, 0x00}));
  EXPECT_EQ(Compress({0x41, 0x42}), (Bytes{0x00, 0x02, 0x20, 0x04, 0x24, 0x30, 0xB7, 0x00, 0x40}));
  EXPECT_EQ(Compress({0x41, 0x41, 0x41, 0x41}),
            (Bytes{0x00, 0x02, 0x20, 0x04, 0x30, 0x10, 0xB6, 0x55, 0x40, 0x10}));
}

TEST(Lzh5Encoder, EmptyInputWritesNothing) {
  std::int32_t checksum = -1;
  EXPECT_EQ(Compress({}, &checksum), Bytes{});
  EXPECT_EQ(checksum, 0);
  // Even under the budget of zero bytes.
  EXPECT_EQ(RunCodecInMemory({}, {}, 0, coLZH5, false), Bytes{});
}

constexpr CompressionLevel kLevels[] = {CompressionLevel::Exact, CompressionLevel::Fast,
                                         CompressionLevel::Best};

TEST(Lzh5Encoder, EveryLevelRoundTripsStandardInputs) {
  for (const CompressionLevel level : kLevels) {
    CodecSettings settings = Unlimited();
    settings.level = level;
    auto inputs = zev::testing::StandardInputs();
    // Zeros with a byte changed now and then are quick to parse at every level, so this input
    // can span two of the pieces that the best level parses at once.
    Bytes sparse(270000, 0);
    zev::testing::Random random(21);
    for (std::size_t i = 0; i < sparse.size(); i += 1 + random.Below(3000)) sparse[i] = static_cast<std::uint8_t>(random.Next());
    inputs.push_back({"sparse_270k", sparse});
    // Random bytes are quick to parse too, and almost every byte is a literal: more items than
    // one block header can count.
    Bytes noise(150000);
    for (auto& byte : noise) byte = static_cast<std::uint8_t>(random.Next());
    inputs.push_back({"noise_150k", noise});
    for (const auto& input : inputs) {
      SCOPED_TRACE(input.name + " at level " + std::to_string(static_cast<int>(level)));
      // The best level's parse costs many times more per byte on other data, above all in
      // unoptimised builds: it takes the start of the largest inputs only.
      const bool quick = input.name == "sparse_270k" || input.name == "noise_150k";
      const std::size_t size = level == CompressionLevel::Best && !quick
                                   ? std::min<std::size_t>(input.data.size(), 1u << 16)
                                   : input.data.size();
      const Bytes data(input.data.begin(), input.data.begin() + static_cast<std::ptrdiff_t>(size));
      std::int32_t packSum = 0, unpackSum = 0;
      const Bytes packed = RunCodecInMemory(settings, data, 0, coLZH5, false, false, &packSum);
      EXPECT_EQ(packed.empty(), data.empty());
      EXPECT_EQ(Expand(packed, data.size(), &unpackSum), data);
      EXPECT_EQ(packSum, unpackSum);
      EXPECT_EQ(static_cast<std::uint32_t>(packSum), zev::testing::NaiveByteSum(data.data(), data.size()));
      // The items must also read back through the plain (and slow) reference reader.
      if (data.size() <= (1u << 15)) {
        EXPECT_NO_THROW(ParseLzh5(packed, data.size()));
      }
    }
  }
}

// The longest earlier string that agrees with the one at each position, found by trying every
// earlier position of the window (distance 1..8191) that starts with the same three bytes, capped
// at 256 bytes and at the end of the input. Lengths below 3 come out as 0: no decision depends on
// them.
std::vector<int> BruteForceLongest(const Bytes& input) {
  const int n = static_cast<int>(input.size());
  const std::uint8_t* const in = input.data();
  std::vector<int> longest(input.size(), 0);
  std::unordered_map<unsigned, std::vector<int>> byPrefix;
  for (int p = 0; p + 2 < n; ++p) {
    std::vector<int>& earlier = byPrefix[static_cast<unsigned>(in[p] << 16 | in[p + 1] << 8 | in[p + 2])];
    const int cap = n - p < 256 ? n - p : 256;
    int best = 0;
    for (std::size_t k = earlier.size(); k-- > 0 && p - earlier[k] <= 8191 && best < cap;) {
      const std::uint8_t* const there = in + earlier[k];
      // A candidate that differs at the byte after the best length cannot beat it.
      if (best > 0 && there[best] != in[p + best]) continue;
      int length = 3;
      while (length < cap && there[length] == in[p + length]) ++length;
      if (length > best) best = length;
    }
    longest[static_cast<std::size_t>(p)] = best;
    earlier.push_back(p);
  }
  return longest;
}

TEST(Lzh5Encoder, ExactMatchLengthsAreTheLongestInTheWindow) {
  // With the longest match known at every position, the one-step lazy choice fixes every item:
  // a match of the length found here unless it is under 3 bytes or the next position's is longer.
  Bytes edited = zev::testing::MakeInput(zev::testing::InputKind::Text, 12000, 5);
  for (std::size_t i = 8000; i < edited.size(); i += 313) edited[i] ^= 0x20;
  Bytes smallAlphabet = zev::testing::MakeInput(zev::testing::InputKind::Random, 10000, 9);
  for (auto& b : smallAlphabet) b &= 3;
  const std::vector<NamedBytes> inputs = {
      {"text", zev::testing::MakeInput(zev::testing::InputKind::Text, 12000, 3)},
      {"edited text", edited},
      {"binary", zev::testing::MakeInput(zev::testing::InputKind::Binary, 12000, 4)},
      {"runs", zev::testing::MakeInput(zev::testing::InputKind::Runs, 12000, 6)},
      {"four symbols", smallAlphabet},
  };
  for (const auto& [name, input] : inputs) {
    SCOPED_TRACE(name);
    const std::vector<int> longest = BruteForceLongest(input);
    std::vector<int> expected;
    for (std::size_t p = 0; p < input.size();) {
      const int here = longest[p];
      const int next = p + 1 < input.size() ? longest[p + 1] : 0;
      const int length = here < 3 || here < next ? 1 : here;
      expected.push_back(length);
      p += static_cast<std::size_t>(length);
    }
    std::vector<int> actual;
    for (const Item& item : ItemsOf(input)) actual.push_back(item.match ? static_cast<int>(item.value) : 1);
    EXPECT_EQ(actual, expected);
  }
}

TEST(Lzh5Encoder, CompressionBudget) {
  const Bytes random = zev::testing::MakeInput(zev::testing::InputKind::Random, 65536);
  EXPECT_THROW(RunCodecInMemory({}, random, 0, coLZH5, false), EUnableToCompress);
  EXPECT_THROW(RunCodecInMemory({}, {0x41}, 0, coLZH5, false), EUnableToCompress);
  // Text shrinks well within the budget.
  const Bytes text = zev::testing::MakeInput(zev::testing::InputKind::Text, 20000);
  const Bytes packed = RunCodecInMemory({}, text, 0, coLZH5, false);
  EXPECT_LT(packed.size(), text.size() / 2);
  EXPECT_EQ(Expand(packed, text.size()), text);
}

TEST(Lzh5Encoder, LazyChoiceKeepsTiesAndDefersToALongerNextMatch) {
  // "abc" at 8 matches 3 bytes, and so does "bcd" at 9: the tie keeps the earlier match.
  EXPECT_EQ(Describe(ItemsOf(FromString("abcQbcdRabcdS"))), "abcQbcdR[3,7]dS");
  // "bcde" at 10 is one byte longer than "abc" at 9: a literal first, then the longer match.
  EXPECT_EQ(Describe(ItemsOf(FromString("abcQbcdeRabcdeS"))), "abcQbcdeRa[4,5]S");
  // Two bytes in common are not a match.
  EXPECT_EQ(Describe(ItemsOf(FromString("abQab"))), "abQab");
}

TEST(Lzh5Encoder, MatchesStopAtTheEndOfTheInput) {
  // Past the input the buffer holds spaces, so a run of spaces would match on into them.
  for (std::size_t n : {1u, 2u, 3u, 4u, 5u, 10u, 256u, 257u, 258u, 300u, 600u}) {
    SCOPED_TRACE(n);
    const Bytes input(n, 0x20);
    const auto items = ItemsOf(input);
    std::size_t covered = 0;
    for (const Item& item : items) covered += item.match ? item.value : 1;
    EXPECT_EQ(covered, n);
    EXPECT_EQ(Expand(Compress(input), n), input);
  }
}

TEST(Lzh5Encoder, LongRunsUseFullLengthMatches) {
  const auto items = ItemsOf(Bytes(1000, 'A'));
  EXPECT_EQ(Describe(items), "A[256,0][256,0][256,0][231,0]");
}

TEST(Lzh5Encoder, MatchesReachBackAcrossTheSlide) {
  // 8191 random bytes twice: the copy starts 8191 bytes back (offset 8190), which the trie can
  // only find across the slide at position 7936.
  const Bytes half = zev::testing::MakeInput(zev::testing::InputKind::Random, 8191, 77);
  Bytes input = half;
  input.insert(input.end(), half.begin(), half.end());
  const auto items = ItemsOf(input);
  std::size_t pos = 0;
  std::size_t copied = 0;
  for (const Item& item : items) {
    if (pos >= half.size()) {
      EXPECT_TRUE(item.match);
      EXPECT_EQ(item.offset, 8190u);
      copied += item.value;
    }
    pos += item.match ? item.value : 1;
  }
  EXPECT_EQ(copied, half.size());
  EXPECT_EQ(Expand(Compress(input), input.size()), input);
}

TEST(Lzh5Encoder, RoundTripsMixedInputs) {
  // Pieces of text, runs and random bytes, repeated at distances near the window size, so the
  // trie's deletions, splits and lazy position updates all get exercised across many slides.
  zev::testing::Random random(12345);
  for (int round = 0; round < 12; ++round) {
    SCOPED_TRACE(round);
    Bytes input;
    const std::size_t size = 20000 + random.Below(30000);
    while (input.size() < size) {
      const auto kind = random.Below(4);
      const std::size_t length = 1 + random.Below(kind == 0 ? 600 : 3000);
      if (kind == 0 || input.size() < 9000) {
        const Bytes piece = zev::testing::MakeInput(
            random.Below(2) ? zev::testing::InputKind::Text : zev::testing::InputKind::Random,
            length, random.Next());
        input.insert(input.end(), piece.begin(), piece.end());
      } else if (kind == 1) {
        input.insert(input.end(), length, static_cast<std::uint8_t>(random.Below(256)));
      } else {
        // Copy from 8180..8200 bytes back, with a changed byte now and then.
        const std::size_t back = 8180 + random.Below(21);
        const std::size_t from = input.size() - back;
        for (std::size_t k = 0; k < length; ++k) {
          std::uint8_t b = input[from + k];
          if (random.Below(97) == 0) b = static_cast<std::uint8_t>(b + 1);
          input.push_back(b);
        }
      }
    }
    std::int32_t packSum = 0, unpackSum = 0;
    const Bytes packed = Compress(input, &packSum);
    EXPECT_EQ(Expand(packed, input.size(), &unpackSum), input);
    EXPECT_EQ(packSum, unpackSum);
  }
}

TEST(Lzh5Encoder, AbortFromTheProgressHandlerEndsTheInput) {
  for (const CompressionLevel level : kLevels) {
    CodecSettings settings = Unlimited();
    settings.level = level;
    int calls = 0;
    settings.onShowProgress = [&calls](std::int32_t& percent) {
      ++calls;
      percent = -1;
    };
    const Bytes text = zev::testing::MakeInput(zev::testing::InputKind::Text, 5000);
    EXPECT_EQ(RunCodecInMemory(settings, text, 0, coLZH5, false), Bytes{});
    EXPECT_EQ(calls, 1);
  }
}

}  // namespace
}  // namespace zev::compress
