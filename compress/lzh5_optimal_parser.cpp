#include "compress/lzh5_optimal_parser.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <limits>
#include <memory>
#include <vector>

#include "compress/lzh5_block_coder.h"
#include "compress/lzh5_fast_finder.h"
#include "compress/lzh5_format.h"

namespace zev::compress {

namespace {

using lzh5::CharAlphabet;
using lzh5::MaxMatch;
using lzh5::MinMatch;
using lzh5::PosAlphabet;

constexpr int kMaxPiece = 1 << 16;
// Candidates looked at per position, and the match length that ends the search and makes the
// positions it covers take no search of their own (long matches are seldom worth splitting).
constexpr int kChain = 128;
constexpr int kNiceLength = 64;
// Price passes per piece after the first.
constexpr int kRefinements = 3;
// Bits charged for a symbol the last parse did not use: dear, but not out of reach.
constexpr std::uint32_t kUnseenCharBits = 14;
constexpr std::uint32_t kUnseenPosBits = 7;
// A block is sent whole only while its items fit the block coder's buffer; pieces are sized
// from the last piece's item bytes per input byte to stay below that, with this margin.
constexpr int kItemMargin = 256;

struct Step {
  std::uint16_t length;  // 1: a literal
  std::uint16_t dist;    // distance back of a match
};

class OptimalParser {
 public:
  void Run();

 private:
  // Reads the next piece into bytes_ and lists every position's matches.
  int GatherPiece(int& pos, int wanted);
  // One shortest-path pass over the piece under the current prices; leaves the path in path_.
  void Parse(int n);
  // Counts the path's symbols and turns their code lengths into the next prices.
  void Reprice();
  void SetStartingPrices();
  std::uint32_t MatchPrice(int length, int dist) const {
    return charBits_[static_cast<std::size_t>(length + 256 - MinMatch)] +
           posBits_[static_cast<std::size_t>(lzh5::OffsetClass(static_cast<unsigned>(dist - 1)))];
  }

  lzh5::HashChainFinder finder_;
  lzh5::BlockCoder coder_;
  std::vector<std::uint8_t> scratchOut_;
  lzh5::BlockCoder scratch_{&scratchOut_};  // builds code lengths for pricing, writes nothing

  std::vector<std::uint8_t> bytes_ = std::vector<std::uint8_t>(kMaxPiece);
  std::vector<std::uint32_t> first_ = std::vector<std::uint32_t>(kMaxPiece + 1);
  std::vector<Step> candidates_;
  std::vector<std::uint32_t> price_ = std::vector<std::uint32_t>(kMaxPiece + 1);
  std::vector<Step> reach_ = std::vector<Step>(kMaxPiece + 1);
  std::vector<Step> path_;

  // Bits per symbol: a character/length symbol's code, and a position class's code plus the
  // offset bits below the leading one.
  std::array<std::uint32_t, CharAlphabet> charBits_{};
  std::array<std::uint32_t, PosAlphabet> posBits_{};
};

void OptimalParser::SetStartingPrices() {
  // Before any counts: literals a byte, short matches cheaper than long ones, near offsets
  // cheaper than far ones.
  for (int c = 0; c < 256; ++c) charBits_[static_cast<std::size_t>(c)] = 8;
  for (int c = 256; c < CharAlphabet; ++c) {
    charBits_[static_cast<std::size_t>(c)] = 5 + static_cast<std::uint32_t>(std::bit_width(
                                                     static_cast<unsigned>(c - 256 + 1)));
  }
  for (int j = 0; j < PosAlphabet; ++j) {
    posBits_[static_cast<std::size_t>(j)] = 3 + static_cast<std::uint32_t>(std::max(j - 1, 0));
  }
}

int OptimalParser::GatherPiece(int& pos, int wanted) {
  candidates_.clear();
  const std::uint8_t* const text = finder_.Text();
  int n = 0;
  int covered = 0;  // positions still inside a long match found earlier
  while (n < wanted && finder_.Fill(pos)) {
    bytes_[static_cast<std::size_t>(n)] = text[pos];
    first_[static_cast<std::size_t>(n)] = static_cast<std::uint32_t>(candidates_.size());
    if (covered > 0) {
      --covered;
    } else {
      const int limit = std::min({MaxMatch, finder_.Available(pos), wanted - n});
      int longest = 0;
      finder_.Matches(pos, limit, kChain, kNiceLength, [&](int length, int dist) {
        candidates_.push_back({static_cast<std::uint16_t>(length), static_cast<std::uint16_t>(dist)});
        longest = length;
      });
      if (longest >= kNiceLength) covered = longest - 1;
    }
    finder_.Insert(pos);
    ++pos;
    ++n;
  }
  first_[static_cast<std::size_t>(n)] = static_cast<std::uint32_t>(candidates_.size());
  return n;
}

void OptimalParser::Parse(int n) {
  std::fill_n(price_.begin() + 1, n, std::numeric_limits<std::uint32_t>::max());
  price_[0] = 0;
  for (int i = 0; i < n; ++i) {
    const std::uint32_t here = price_[static_cast<std::size_t>(i)];
    const std::uint32_t literal = here + charBits_[bytes_[static_cast<std::size_t>(i)]];
    if (literal < price_[static_cast<std::size_t>(i + 1)]) {
      price_[static_cast<std::size_t>(i + 1)] = literal;
      reach_[static_cast<std::size_t>(i + 1)] = {1, 0};
    }
    int shorter = MinMatch - 1;
    for (std::uint32_t k = first_[static_cast<std::size_t>(i)]; k < first_[static_cast<std::size_t>(i + 1)];
         ++k) {
      const Step match = candidates_[k];
      // Every length up to this candidate's that no nearer candidate reaches.
      for (int length = shorter + 1; length <= match.length; ++length) {
        const std::uint32_t cost = here + MatchPrice(length, match.dist);
        std::uint32_t& there = price_[static_cast<std::size_t>(i + length)];
        if (cost < there) {
          there = cost;
          reach_[static_cast<std::size_t>(i + length)] = {static_cast<std::uint16_t>(length), match.dist};
        }
      }
      shorter = match.length;
    }
  }
  path_.clear();
  for (int i = n; i > 0; i -= reach_[static_cast<std::size_t>(i)].length) {
    path_.push_back(reach_[static_cast<std::size_t>(i)]);
  }
  std::reverse(path_.begin(), path_.end());
}

void OptimalParser::Reprice() {
  std::array<std::uint16_t, lzh5::CharNodes> charFreq{};
  std::array<std::uint16_t, lzh5::PosNodes> posFreq{};
  for (const Step& step : path_) {
    if (step.length == 1) continue;
    ++charFreq[static_cast<std::size_t>(step.length + 256 - MinMatch)];
    ++posFreq[static_cast<std::size_t>(lzh5::OffsetClass(static_cast<unsigned>(step.dist - 1)))];
  }
  // Literals are counted from the bytes, which the path does not hold.
  int i = 0;
  for (const Step& step : path_) {
    if (step.length == 1) ++charFreq[bytes_[static_cast<std::size_t>(i)]];
    i += step.length;
  }
  std::array<std::uint8_t, CharAlphabet> charLengths{};
  std::array<std::uint16_t, CharAlphabet> charCodes{};
  scratch_.BuildHuffmanCode(CharAlphabet, charFreq.data(), charLengths.data(), charCodes.data());
  std::array<std::uint8_t, PosAlphabet> posLengths{};
  std::array<std::uint16_t, PosAlphabet> posCodes{};
  scratch_.BuildHuffmanCode(PosAlphabet, posFreq.data(), posLengths.data(), posCodes.data());
  for (int c = 0; c < CharAlphabet; ++c) {
    const std::uint32_t bits = charLengths[static_cast<std::size_t>(c)];
    charBits_[static_cast<std::size_t>(c)] = bits != 0 ? bits : kUnseenCharBits;
  }
  for (int j = 0; j < PosAlphabet; ++j) {
    const std::uint32_t bits = posLengths[static_cast<std::size_t>(j)];
    posBits_[static_cast<std::size_t>(j)] =
        (bits != 0 ? bits : kUnseenPosBits) + static_cast<std::uint32_t>(std::max(j - 1, 0));
  }
}

void OptimalParser::Run() {
  int pos = 0;
  if (!finder_.Fill(pos)) return;  // an empty input writes nothing at all
  SetStartingPrices();
  int wanted = kMaxPiece;
  for (;;) {
    const int n = GatherPiece(pos, wanted);
    if (n == 0) break;
    Parse(n);
    for (int pass = 0; pass < kRefinements; ++pass) {
      Reprice();
      Parse(n);
    }
    int at = 0;
    int itemBytes = 0;
    for (const Step& step : path_) {
      if (step.length == 1) {
        coder_.QueueItem(bytes_[static_cast<std::size_t>(at)], 0);
        itemBytes += 1;
      } else {
        coder_.QueueItem(static_cast<unsigned>(step.length + 256 - MinMatch),
                         static_cast<unsigned>(step.dist - 1));
        itemBytes += 3;
      }
      at += step.length;
    }
    coder_.EndBlock();
    // The next piece, sized so that its items should fit one block.
    itemBytes += static_cast<int>((path_.size() + 7) / 8);
    const long fit = static_cast<long>(lzh5::ItemBufferLimit - kItemMargin) * n / itemBytes;
    wanted = static_cast<int>(std::min<long>(kMaxPiece, fit));
    // The prices carry over as the next piece's starting point.
    Reprice();
  }
  coder_.FinishStream();
}

}  // namespace

void LZH5CompressBest() {
  auto parser = std::make_unique<OptimalParser>();
  parser->Run();
}

}  // namespace zev::compress
