#include "compress/lzh.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "compress/codec_frame.h"
#include "compress/errors.h"
#include "compress/lzh_model.h"
#include "compress/method.h"
#include "tests/support/test_inputs.h"

namespace zev::compress {
namespace {

using testing::Bytes;
using namespace lzh;

CodecSettings Unlimited() {
  CodecSettings settings;
  settings.limitOutputToInput = false;
  return settings;
}

Bytes Compress(const Bytes& input) { return RunCodecInMemory(Unlimited(), input, 0, coLZH, false); }

Bytes Expand(const Bytes& packed, std::size_t count) {
  return RunCodecInMemory({}, packed, static_cast<std::int32_t>(count), coLZH, true);
}

Bytes FromString(const std::string& text) { return Bytes(text.begin(), text.end()); }

// One coded item of a stream: a literal byte or a match.
struct Token {
  int symbol;
  int length;    // 1 for a literal
  int distance;  // -1 for a literal
  int source;    // window position a match copies from (its first byte)
};

// MSB-first bit reader over a byte vector; zero bits past its end.
class BitSource {
 public:
  explicit BitSource(const Bytes& data) : data_(data) {}
  unsigned Bit() {
    std::size_t byte = position_ / 8;
    unsigned bit = byte < data_.size() ? (data_[byte] >> (7 - position_ % 8)) & 1u : 0u;
    ++position_;
    return bit;
  }
  unsigned Bits(unsigned n) {
    unsigned v = 0;
    for (unsigned i = 0; i < n; ++i) v = (v << 1) | Bit();
    return v;
  }

 private:
  const Bytes& data_;
  std::size_t position_ = 0;
};

// Splits a stream into its items (until count bytes are covered), driving its own model.
std::vector<Token> ParseTokens(const Bytes& stream, std::size_t count) {
  auto model = std::make_unique<LzhModel>();
  model->LzhInitModel();
  BitSource bits(stream);
  std::vector<Token> tokens;
  std::size_t produced = 0;
  int r = FirstPosition;
  while (produced < count) {
    int c = model->child[Root];
    while (c < NodeCount) c = model->child[static_cast<std::size_t>(c) + bits.Bit()];
    int symbol = c - NodeCount;
    model->LzhUpdateModel(symbol);
    if (symbol < 256) {
      tokens.push_back({symbol, 1, -1, -1});
      produced += 1;
      r = (r + 1) & WindowMask;
    } else {
      unsigned b = bits.Bits(8);
      const LzhPositionCode& prefix = PositionDecodeTable[b];
      unsigned low = ((b << (prefix.length - 2)) | bits.Bits(prefix.length - 2u)) & 0x3F;
      int distance = static_cast<int>(prefix.bits * 64u + low);
      int length = symbol - 253;
      tokens.push_back({symbol, length, distance, (r - distance - 1) & WindowMask});
      produced += static_cast<std::size_t>(length);
      r = (r + length) & WindowMask;
    }
  }
  return tokens;
}

// MSB-first bit writer for hand-made streams.
class BitSink {
 public:
  void Put(unsigned value, unsigned length) {
    for (unsigned i = length; i-- > 0;) {
      if (fill_ % 8 == 0) data_.push_back(0);
      if ((value >> i) & 1u) data_.back() |= static_cast<std::uint8_t>(0x80u >> (fill_ % 8));
      ++fill_;
    }
  }
  // The current code of symbol in model, then the model's update, as a coder would.
  void PutSymbol(LzhModel& model, int symbol) {
    std::vector<unsigned> path;
    for (int k = model.LeafOf(symbol); k != Root; k = model.parent[static_cast<std::size_t>(k)]) {
      path.push_back(static_cast<unsigned>(k & 1));
    }
    for (auto it = path.rbegin(); it != path.rend(); ++it) Put(*it, 1);
    model.LzhUpdateModel(symbol);
  }
  void PutDistance(unsigned distance) {
    const LzhPositionCode& code = PositionCodes[distance >> 6];
    Put(code.bits, code.length);
    Put(distance & 0x3F, 6);
  }
  const Bytes& Data() const { return data_; }

 private:
  Bytes data_;
  unsigned fill_ = 0;
};

// ---- Position code ----

TEST(LzhPositionCode, HasTheStatedLengthsAndCodes) {
  for (unsigned i = 0; i < 64; ++i) {
    unsigned expected = i < 1 ? 3 : i < 4 ? 4 : i < 12 ? 5 : i < 24 ? 6 : i < 48 ? 7 : 8;
    EXPECT_EQ(PositionCodes[i].length, expected) << "i = " << i;
  }
  EXPECT_EQ(PositionCodes[0].bits, 0b000);
  EXPECT_EQ(PositionCodes[1].bits, 0b0010);
  EXPECT_EQ(PositionCodes[4].bits, 0b01010);
  EXPECT_EQ(PositionCodes[48].bits, 0b11110000);
  EXPECT_EQ(PositionCodes[63].bits, 0b11111111);
}

TEST(LzhPositionCode, IsACompletePrefixCodeThatDecodesFromOneByte) {
  // Every byte begins with exactly one code, and the decode table names that one.
  for (unsigned b = 0; b < 256; ++b) {
    int matches = 0;
    for (unsigned i = 0; i < 64; ++i) {
      unsigned length = PositionCodes[i].length;
      if ((b >> (8 - length)) == PositionCodes[i].bits) {
        ++matches;
        EXPECT_EQ(PositionDecodeTable[b].bits, i);
        EXPECT_EQ(PositionDecodeTable[b].length, length);
      }
    }
    EXPECT_EQ(matches, 1) << "byte " << b;
  }
}

// ---- Adaptive model ----

// Ascending frequencies, inner nodes the sum of their two children, links both ways.
void ExpectConsistent(const LzhModel& m) {
  for (int i = 0; i < NodeCount; ++i) {
    auto ui = static_cast<std::size_t>(i);
    if (i + 1 < NodeCount) {
      ASSERT_LE(m.frequency[ui], m.frequency[ui + 1]) << "node " << i;
    }
    int c = m.child[ui];
    if (c >= NodeCount) {
      ASSERT_EQ(m.parent[static_cast<std::size_t>(c)], i);
    } else {
      ASSERT_EQ(c % 2, 0);
      ASSERT_EQ(m.parent[static_cast<std::size_t>(c)], i);
      ASSERT_EQ(m.parent[static_cast<std::size_t>(c) + 1], i);
      ASSERT_EQ(m.frequency[ui], m.frequency[static_cast<std::size_t>(c)] +
                                     m.frequency[static_cast<std::size_t>(c) + 1]);
    }
  }
  ASSERT_EQ(m.parent[Root], 0);
  ASSERT_EQ(m.frequency[NodeCount], 0xFFFF);
}

TEST(LzhModel, StartsBalancedAndStaysConsistentThroughUpdatesAndRebuilds) {
  auto m = std::make_unique<LzhModel>();
  m->LzhInitModel();
  ExpectConsistent(*m);
  EXPECT_EQ(m->frequency[Root], SymbolCount);
  testing::Random random(7);
  int rebuilds = 0;
  for (int n = 0; n < 70000; ++n) {
    unsigned before = m->frequency[Root];
    // Skewed symbols, so nodes move a lot.
    int symbol = static_cast<int>(random.Below(8) < 6 ? random.Below(20) : random.Below(SymbolCount));
    m->LzhUpdateModel(symbol);
    if (m->frequency[Root] != before + 1) ++rebuilds;
    if (n % 997 == 0 || m->frequency[Root] != before + 1) ExpectConsistent(*m);
  }
  EXPECT_GE(rebuilds, 2);
}

TEST(LzhModel, RebuildsWhenTheRootReaches0x8000AtThe32455thUpdate) {
  auto m = std::make_unique<LzhModel>();
  m->LzhInitModel();
  const int symbol = 'A';
  for (int n = 1; n <= 32454; ++n) m->LzhUpdateModel(symbol);
  EXPECT_EQ(m->frequency[Root], 0x8000);
  EXPECT_EQ(m->frequency[static_cast<std::size_t>(m->LeafOf(symbol))], 32455);
  m->LzhUpdateModel(symbol);
  // Halved counts: (32455 + 1) / 2 = 16228 for 'A', (1 + 1) / 2 = 1 for the 313 others;
  // then this update's own count.
  EXPECT_EQ(m->frequency[static_cast<std::size_t>(m->LeafOf(symbol))], 16229);
  EXPECT_EQ(m->frequency[Root], 16229 + 313);
  EXPECT_EQ(m->frequency[static_cast<std::size_t>(m->LeafOf('B'))], 1);
  ExpectConsistent(*m);
}

TEST(LzhModel, RebuildPutsNewNodesAfterEqualFrequencies) {
  auto m = std::make_unique<LzhModel>();
  m->LzhInitModel();
  m->LzhRebuildModel();  // all leaves 1: (1 + 1) / 2 stays 1
  ExpectConsistent(*m);
  // Leaves 0..313 keep their order; the first pair's node (2) goes after every leaf of 1.
  for (int s = 0; s < SymbolCount; ++s) EXPECT_EQ(m->child[static_cast<std::size_t>(s)], NodeCount + s);
  EXPECT_EQ(m->child[SymbolCount], 0);
  EXPECT_EQ(m->frequency[SymbolCount], 2);
}

// ---- Codec edge cases ----

TEST(LzhCodec, EmptyInputAndZeroCountDoNothing) {
  std::int32_t sum = -1;
  EXPECT_TRUE(RunCodecInMemory({}, {}, 0, coLZH, false, false, &sum).empty());
  EXPECT_EQ(sum, 0);
  // Count 0 must not even read: the progress handler would be called on the first refill.
  int calls = 0;
  CodecSettings watched;
  watched.onShowProgress = [&calls](std::int32_t&) { ++calls; };
  EXPECT_TRUE(RunCodecInMemory(watched, Bytes(100, 0x55), 0, coLZH, true).empty());
  EXPECT_EQ(calls, 0);
}

TEST(LzhCodec, LeadingSpacesMatchTheInitialWindow) {
  Bytes input = FromString("    Leading spaces, then text");
  Bytes packed = Compress(input);
  auto tokens = ParseTokens(packed, input.size());
  ASSERT_FALSE(tokens.empty());
  EXPECT_EQ(tokens[0].length, 4);
  EXPECT_LT(tokens[0].source, FirstPosition);  // copied from the initial spaces
  EXPECT_EQ(Expand(packed, input.size()), input);
}

TEST(LzhCodec, RunsBecomeFullLengthMatchesAtDistanceZero) {
  Bytes input(100, 'a');
  Bytes packed = Compress(input);
  auto tokens = ParseTokens(packed, input.size());
  ASSERT_GE(tokens.size(), 3u);
  EXPECT_EQ(tokens[0].symbol, 'a');
  EXPECT_EQ(tokens[1].symbol, 313);  // 60 bytes, copying the byte just written over and over
  EXPECT_EQ(tokens[1].distance, 0);
  EXPECT_EQ(tokens[2].length, 39);
  EXPECT_EQ(tokens[2].distance, 0);
  EXPECT_EQ(tokens.size(), 3u);
  EXPECT_EQ(Expand(packed, input.size()), input);
}

// Checks that the last item of input is a match of exactly tail bytes and that the stream
// expands to exactly the input.
void ExpectTailCut(const Bytes& input, std::size_t tail) {
  Bytes packed = Compress(input);
  auto tokens = ParseTokens(packed, input.size());
  EXPECT_EQ(tokens.back().length, static_cast<int>(tail)) << "tail " << tail;
  EXPECT_EQ(Expand(packed, input.size()), input) << "tail " << tail;
}

TEST(LzhCodec, NoMatchReachesPastTheEndOfTheInput) {
  // The window holds zeros after each of these inputs, so a final run of zeros would match
  // a longer earlier run on and on; the last item must stop at the end of the input.
  for (std::size_t tail : {3u, 10u, 19u}) {
    Bytes input(40, 0);  // short: the zeros after it are the fresh window's
    input.push_back('q');
    input.insert(input.end(), tail, 0);
    ExpectTailCut(input, tail);
  }
  for (std::size_t tail : {3u, 30u, 59u}) {
    // long: the window after it still holds input bytes 904.., made zeros here
    const std::size_t size = 5000;
    Bytes input = testing::MakeInput(testing::InputKind::Random, size, 8);
    for (auto& b : input) b = static_cast<std::uint8_t>(0x80 | b);
    std::fill(input.begin() + 904, input.begin() + 1000, 0);
    std::fill(input.begin() + 3000, input.begin() + 3100, 0);
    input[size - tail - 1] = 'q';
    std::fill(input.end() - static_cast<std::ptrdiff_t>(tail), input.end(), 0);
    ExpectTailCut(input, tail);
  }
}

TEST(LzhCodec, EncoderWindowStartsZeroedBeyondTheInitialSpaces) {
  // "abc" + 0 is farther back than "abc" + space; in a window of zeros beyond the input, the
  // last "abc" continues with zeros and so prefers the farther one. Two lengths: the first
  // leaves those zeros inside the window proper, the second in the repeated area after it.
  for (std::size_t size : {30u, 60u}) {
    Bytes input = FromString("abc");
    input.push_back(0);
    input.push_back('Q');
    std::size_t farther = 0;
    while (input.size() < size - 8) input.push_back(static_cast<std::uint8_t>('d' + input.size()));
    std::size_t nearer = input.size();
    for (char c : std::string("abc W")) input.push_back(static_cast<std::uint8_t>(c));
    input.resize(size - 3, 'Z');
    input[size - 4] = 'z';
    for (char c : std::string("abc")) input.push_back(static_cast<std::uint8_t>(c));
    ASSERT_EQ(input.size(), size);
    Bytes packed = Compress(input);
    auto tokens = ParseTokens(packed, input.size());
    ASSERT_EQ(tokens.back().length, 3) << "size " << size;
    EXPECT_EQ(tokens.back().source, static_cast<int>(FirstPosition + farther)) << "size " << size;
    EXPECT_NE(tokens.back().source, static_cast<int>(FirstPosition + nearer));
    EXPECT_EQ(Expand(packed, input.size()), input);
  }
}

TEST(LzhCodec, EncoderKeepsOldWindowBytesWhenTheInputEnds) {
  // Past the end of a long input the window still holds the bytes of 4096 positions ago.
  // Those are "XY" here, so the last "abc" prefers the older "abcXY" to a nearer "abc" + 0.
  const std::size_t size = 5000;
  Bytes input = testing::MakeInput(testing::InputKind::Random, size, 3);
  for (auto& b : input) b = static_cast<std::uint8_t>(0x80 | b);  // keeps 'a'..'c', X, Y, 0 out
  auto put = [&input](std::size_t at, const std::string& text) {
    std::memcpy(input.data() + at, text.data(), text.size());
  };
  put(size - 4096, "XY");
  put(4000, "abcXY");
  put(4500, std::string("abc\0\0", 5));
  put(size - 3, "abc");
  Bytes packed = Compress(input);
  auto tokens = ParseTokens(packed, input.size());
  ASSERT_EQ(tokens.back().length, 3);
  EXPECT_EQ(tokens.back().source, static_cast<int>((FirstPosition + 4000) & WindowMask));
  EXPECT_EQ(Expand(packed, input.size()), input);
}

TEST(LzhCodec, DecoderWindowStartsAsSpacesThroughout) {
  // A first match at distance 4095 copies from the current position itself, that is from
  // the initial content past position 4035; distance 4035 copies from position 0.
  for (unsigned distance : {4095u, 4035u, 0u}) {
    auto model = std::make_unique<LzhModel>();
    model->LzhInitModel();
    BitSink sink;
    sink.PutSymbol(*model, MatchSymbol(5));
    sink.PutDistance(distance);
    EXPECT_EQ(Expand(sink.Data(), 5), Bytes(5, ' ')) << "distance " << distance;
  }
}

TEST(LzhCodec, ALastMatchPastCountIsCut) {
  auto model = std::make_unique<LzhModel>();
  model->LzhInitModel();
  BitSink sink;
  sink.PutSymbol(*model, 'x');
  sink.PutSymbol(*model, MatchSymbol(MaxMatch));
  sink.PutDistance(0);
  std::int32_t checksum = 0;
  // 2 wanted: the match's other 59 bytes are not written, nor summed.
  EXPECT_EQ(RunCodecInMemory({}, sink.Data(), 2, coLZH, true, false, &checksum), Bytes(2, 'x'));
  EXPECT_EQ(checksum, 2 * 'x');
}

TEST(LzhCodec, StreamsThatConsumeBitsPastTheirEndAreDamaged) {
  Bytes text = testing::MakeInput(testing::InputKind::Text, 3000, 7);
  Bytes packed = Compress(text);
  ASSERT_EQ(Expand(packed, text.size()), text);
  for (std::size_t cut : {std::size_t{0}, std::size_t{1}, packed.size() / 2, packed.size() - 1}) {
    EXPECT_THROW(Expand(Bytes(packed.begin(), packed.begin() + static_cast<std::ptrdiff_t>(cut)), text.size()),
                 ETruncatedData)
        << cut;
  }
  // A declared size near 2 GiB over a few bytes stops at the first missing bit.
  EXPECT_THROW(Expand(Bytes(packed.begin(), packed.begin() + 8), 0x7FFFFFFF), ETruncatedData);
}

TEST(LzhCodec, BothSidesRebuildTheModelAtTheSameSymbol) {
  // Random bytes give nearly one item per byte: well past the 32455th, where the model is
  // rebuilt, and again at the next rebuild.
  Bytes input = testing::MakeInput(testing::InputKind::Random, 70000, 11);
  Bytes packed = Compress(input);
  EXPECT_GT(ParseTokens(packed, input.size()).size(), 32455u + 16300u);
  EXPECT_EQ(Expand(packed, input.size()), input);
}

TEST(LzhCodec, OutputLargerThanInputIsRefused) {
  Bytes input = testing::MakeInput(testing::InputKind::Random, 3000, 5);
  EXPECT_THROW(RunCodecInMemory({}, input, 0, coLZH, false), EUnableToCompress);
  Bytes text = testing::MakeInput(testing::InputKind::Text, 3000, 5);
  EXPECT_LT(RunCodecInMemory({}, text, 0, coLZH, false).size(), text.size());
}

TEST(LzhCodec, AbortedInputEndsBothDirections) {
  CodecSettings aborting = Unlimited();
  aborting.onShowProgress = [](std::int32_t& percentage) { percentage = -1; };
  Bytes text = testing::MakeInput(testing::InputKind::Text, 20000, 2);
  EXPECT_TRUE(RunCodecInMemory(aborting, text, 0, coLZH, false).empty());
  // The decoder takes zero bits from then on and still produces the bytes asked for.
  Bytes packed = Compress(text);
  EXPECT_EQ(RunCodecInMemory(aborting, packed, 20000, coLZH, true).size(), 20000u);
}

// Replays the encoder's window over the items it produced and checks each item against a
// brute-force search of the strings the encoder's trees should hold at that point: a match
// must be as long as the longest one available (cut to the bytes left), its source must
// have that longest match, and a literal must come only where no match of 3 exists.
class EncoderReplay {
 public:
  explicit EncoderReplay(const Bytes& input) : input_(input) {
    std::fill(window_.begin(), window_.begin() + FirstPosition, InitialFill);
  }

  void Check() {
    Bytes packed = Compress(input_);
    auto tokens = ParseTokens(packed, input_.size());
    int r = FirstPosition;
    int s = 0;
    std::size_t next = 0;
    int len = 0;
    for (; len < MaxMatch && next < input_.size(); ++len) window_[static_cast<std::size_t>(r + len)] = input_[next++];
    for (int i = 1; i <= MaxMatch; ++i) Insert(r - i);
    int best = Insert(r);
    for (std::size_t t = 0; t < tokens.size(); ++t) {
      const Token& token = tokens[t];
      int expected = std::min(best, len);
      if (expected < MinMatch) {
        ASSERT_EQ(token.length, 1) << "item " << t;
        ASSERT_EQ(token.symbol, window_[static_cast<std::size_t>(r)]) << "item " << t;
      } else {
        ASSERT_EQ(token.length, expected) << "item " << t;
        ASSERT_EQ(Common(r, token.source), best) << "item " << t;
      }
      for (int step = 0; step < token.length; ++step) {
        tree_[static_cast<std::size_t>(s)] = 0;
        if (next < input_.size()) {
          std::uint8_t c = input_[next++];
          window_[static_cast<std::size_t>(s)] = c;
          if (s < MaxMatch - 1) window_[static_cast<std::size_t>(s + WindowSize)] = c;
          s = (s + 1) & WindowMask;
          r = (r + 1) & WindowMask;
          best = Insert(r);
        } else {
          s = (s + 1) & WindowMask;
          r = (r + 1) & WindowMask;
          if (--len > 0) best = Insert(r);
        }
      }
    }
    EXPECT_EQ(len, 0);
    EXPECT_EQ(Expand(packed, input_.size()), input_);
  }

 private:
  int Common(int a, int b) const {
    int i = 0;
    while (i < MaxMatch && window_[static_cast<std::size_t>(a + i)] == window_[static_cast<std::size_t>(b + i)]) ++i;
    return i;
  }
  // The longest match for r among the held strings, when it reaches 3 (candidates are
  // found by their first two bytes); a string equal to r's over all 60 bytes gives way to it.
  int Insert(int r) {
    int best = 0;
    auto& bucket = buckets_[Key(r)];
    for (int p : bucket) {
      // Entries go stale when their position leaves the trees or is written again.
      if (!tree_[static_cast<std::size_t>(p)] || Key(p) != Key(r)) continue;
      int c = Common(r, p);
      best = std::max(best, c);
      if (c == MaxMatch) tree_[static_cast<std::size_t>(p)] = 0;
    }
    tree_[static_cast<std::size_t>(r)] = 1;
    bucket.push_back(r);
    return best;
  }
  std::size_t Key(int p) const {
    return window_[static_cast<std::size_t>(p)] * 256u + window_[static_cast<std::size_t>(p) + 1];
  }

  const Bytes& input_;
  std::vector<std::uint8_t> window_ = std::vector<std::uint8_t>(WindowSize + MaxMatch - 1, 0);
  std::vector<std::uint8_t> tree_ = std::vector<std::uint8_t>(WindowSize, 0);
  std::vector<std::vector<int>> buckets_ = std::vector<std::vector<int>>(65536);
};

TEST(LzhCodec, EveryItemTakesTheLongestMatchAvailable) {
  std::vector<Bytes> inputs = {
      testing::MakeInput(testing::InputKind::Text, 6000, 21),
      testing::MakeInput(testing::InputKind::Binary, 6000, 22),
      testing::MakeInput(testing::InputKind::Runs, 5000, 23),
      FromString("      " + std::string(70, ' ') + "spaces first" + std::string(30, ' ')),
  };
  // Text with a long zero tail: the tail's matches run into the stale window contents.
  Bytes tailed = testing::MakeInput(testing::InputKind::Text, 4500, 24);
  tailed.insert(tailed.end(), 80, 0);
  inputs.push_back(tailed);
  for (std::size_t i = 0; i < inputs.size(); ++i) {
    SCOPED_TRACE("input " + std::to_string(i));
    EncoderReplay(inputs[i]).Check();
  }
}

// ---- Round trips and robustness ----

TEST(LzhCodec, RoundTripsTheStandardInputs) {
  for (const auto& [name, data] : testing::StandardInputs()) {
    std::int32_t sumIn = 0, sumOut = 0;
    Bytes packed = RunCodecInMemory(Unlimited(), data, 0, coLZH, false, false, &sumIn);
    Bytes unpacked = RunCodecInMemory({}, packed, static_cast<std::int32_t>(data.size()), coLZH,
                                      true, false, &sumOut);
    EXPECT_TRUE(unpacked == data) << name;
    EXPECT_EQ(sumIn, sumOut) << name;
  }
}

TEST(LzhCodec, DecoderSurvivesRandomAndMutatedStreams) {
  testing::Random random(2024);
  std::vector<Bytes> seeds;
  std::vector<std::size_t> sizes;
  for (auto kind : {testing::InputKind::Text, testing::InputKind::Binary, testing::InputKind::Runs}) {
    Bytes data = testing::MakeInput(kind, 600, 4);
    seeds.push_back(Compress(data));
    sizes.push_back(data.size());
  }
  int expanded = 0, ranOut = 0;
  for (int n = 0; n < 3000; ++n) {
    Bytes stream;
    std::size_t count;
    if (n % 3 == 0) {
      stream.resize(random.Below(200));
      for (auto& b : stream) b = static_cast<std::uint8_t>(random.Next());
      count = random.Below(800);
    } else {
      std::size_t which = random.Below(static_cast<std::uint32_t>(seeds.size()));
      stream = seeds[which];
      for (unsigned flips = 1 + random.Below(4); flips > 0; --flips) {
        stream[random.Below(static_cast<std::uint32_t>(stream.size()))] ^=
            static_cast<std::uint8_t>(1u << random.Below(8));
      }
      if (random.Below(4) == 0) stream.resize(random.Below(static_cast<std::uint32_t>(stream.size())));
      count = sizes[which] + random.Below(40);
    }
    try {
      ASSERT_EQ(Expand(stream, count).size(), count);
      ++expanded;
    } catch (const ETruncatedData&) {
      ++ranOut;
    }
  }
  // Both outcomes must occur, or the mutations tell nothing.
  EXPECT_GT(expanded, 500);
  EXPECT_GT(ranOut, 500);
}

}  // namespace
}  // namespace zev::compress
