#include "compress/lzh5_optimal_parser.h"

#include <algorithm>
#include <cmath>
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
// Candidates looked at per position. Binary code repeats structures at many distances, and the
// longest copy is often far down the chain, so the search is deep. A match of the greatest length
// ends the search, and the positions it covers take no search of their own.
constexpr int kChain = 2048;
constexpr int kNiceLength = MaxMatch;
// Price passes per piece after the first; more change little.
constexpr int kRefinements = 2;
// Prices are kept in sixteenths of a bit. A symbol the last parse did not use is priced as if it
// had occurred half a time: dear, but not out of reach.
constexpr std::uint32_t kPriceScale = 16;
constexpr double kUnseenCount = 0.5;
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
  // Counts the path's symbols and prices them for the next pass.
  void Reprice();
  void SetStartingPrices();
  static void SetPrices(const std::uint32_t* freq, int n, std::uint32_t* bits);
  std::uint32_t MatchPrice(int length, int dist) const {
    return charBits_[static_cast<std::size_t>(length + 256 - MinMatch)] +
           posBits_[static_cast<std::size_t>(lzh5::OffsetClass(static_cast<unsigned>(dist - 1)))];
  }

  lzh5::HashChainFinder finder_;
  lzh5::BlockCoder coder_;

  std::vector<std::uint8_t> bytes_ = std::vector<std::uint8_t>(kMaxPiece);
  std::vector<std::uint32_t> first_ = std::vector<std::uint32_t>(kMaxPiece + 1);
  std::vector<Step> candidates_;
  std::vector<std::uint32_t> price_ = std::vector<std::uint32_t>(kMaxPiece + 1);
  std::vector<Step> reach_ = std::vector<Step>(kMaxPiece + 1);
  std::vector<Step> path_;

  // Prices per symbol: a character/length symbol's code, and a position class's code plus the
  // offset bits below the leading one.
  std::array<std::uint32_t, CharAlphabet> charBits_{};
  std::array<std::uint32_t, PosAlphabet> posBits_{};
};

void OptimalParser::SetStartingPrices() {
  // Before any counts: literals a byte, short matches cheaper than long ones, near offsets
  // cheaper than far ones.
  for (int c = 0; c < 256; ++c) charBits_[static_cast<std::size_t>(c)] = 8 * kPriceScale;
  for (int c = 256; c < CharAlphabet; ++c) {
    const auto lengthBits = static_cast<std::uint32_t>(std::bit_width(static_cast<unsigned>(c - 255)));
    charBits_[static_cast<std::size_t>(c)] = kPriceScale * (5 + lengthBits);
  }
  for (int j = 0; j < PosAlphabet; ++j) {
    posBits_[static_cast<std::size_t>(j)] = kPriceScale * (3 + static_cast<std::uint32_t>(std::max(j - 1, 0)));
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
  std::array<std::uint32_t, CharAlphabet> charFreq{};
  std::array<std::uint32_t, PosAlphabet> posFreq{};
  int at = 0;
  for (const Step& step : path_) {
    if (step.length == 1) {
      ++charFreq[bytes_[static_cast<std::size_t>(at)]];
    } else {
      ++charFreq[static_cast<std::size_t>(step.length + 256 - MinMatch)];
      ++posFreq[static_cast<std::size_t>(lzh5::OffsetClass(static_cast<unsigned>(step.dist - 1)))];
    }
    at += step.length;
  }
  SetPrices(charFreq.data(), CharAlphabet, charBits_.data());
  SetPrices(posFreq.data(), PosAlphabet, posBits_.data());
  // A position class's offset bits below the leading one come on top of its code.
  for (int j = 2; j < PosAlphabet; ++j) {
    posBits_[static_cast<std::size_t>(j)] += kPriceScale * static_cast<std::uint32_t>(j - 1);
  }
}

void OptimalParser::SetPrices(const std::uint32_t* freq, int n, std::uint32_t* bits) {
  // The information content of each symbol under the counts: close to the Huffman code's length
  // and smoother, so that the next parse does not lock onto the last one's rounding.
  double total = 0;
  for (int k = 0; k < n; ++k) total += freq[k];
  if (total == 0) total = 1;
  for (int k = 0; k < n; ++k) {
    const double count = freq[k] != 0 ? freq[k] : kUnseenCount;
    const double information = std::max(1.0, std::log2(total / count));
    bits[k] = static_cast<std::uint32_t>(information * kPriceScale + 0.5);
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
