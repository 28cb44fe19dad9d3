#include "compress/lzh5_optimal_parser.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <limits>
#include <memory>
#include <span>
#include <vector>

#include "compress/lzh5_block_coder.h"
#include "compress/lzh5_block_cost.h"
#include "compress/lzh5_fast_finder.h"
#include "compress/lzh5_format.h"

namespace zev::compress {

namespace {

using lzh5::CharAlphabet;
using lzh5::MaxMatch;
using lzh5::MinMatch;
using lzh5::PosAlphabet;
using lzh5::SymbolCounts;

// Input parsed at once; its blocks are cut from it afterwards.
constexpr int kMaxPiece = 1 << 18;
// Candidates looked at per position. Binary code repeats structures at many distances, and the
// longest copy is often far down the chain, so the search is deep. A match of the greatest length
// ends the search, and the positions it covers take no search of their own.
constexpr int kChain = 1024;
constexpr int kNiceLength = MaxMatch;
// Matches kept per position, which bounds the memory and the parse's work on any input.
constexpr std::size_t kMostCandidates = 16;
// Of a candidate's lengths, only the shortest and the longest kDenseLengths are tried: the ones
// between seldom lead to a cheaper path.
constexpr int kDenseLengths = 32;
// Price passes after the first over a whole piece; more change little.
constexpr int kRefinements = 1;
// Passes over a block under its own prices. Each pass prices the symbols of the one before; the
// sizes do not fall steadily but wander near a floor, so the smallest is kept, and the passes
// end at the first that does not beat it.
constexpr int kMostBlockPasses = 6;
// Prices are kept in sixteenths of a bit. A symbol the last parse did not use is priced as if it
// had occurred half a time: dear, but not out of reach.
constexpr std::uint32_t kPriceScale = 16;
constexpr double kUnseenCount = 0.5;
// Counts are scaled below this for building a Huffman code (whose counts have 16 bits), leaving
// room for every symbol that occurs to count at least once.
constexpr std::uint32_t kCodeCountLimit = 0xFFFF - CharAlphabet;
// A block is cut in two where that makes the two blocks, headers included, smaller than the
// whole; the cuts tried divide it into sixteenths. Blocks of fewer items are kept whole.
constexpr int kCutsTried = 15;
constexpr std::size_t kFewestItemsToCut = 1024;
// A stretch of more items than a block holds is priced as blocks of this many items with the
// stretch's statistics, which is what cutting it further tends towards.
constexpr std::uint32_t kEstimatedBlockItems = 60000;
// The halving search above settles each cut once, looking at one stretch at a time. The blocks
// are then chosen afresh among its cuts and the piece's 32nds: of every way of joining those
// stretches, the one whose blocks are smallest in all.
constexpr std::size_t kCutGrid = 32;
// Items a block may hold: as many as the 16-bit count of its header allows, for each header
// costs some hundred bytes. The block coder's buffer takes that many matches with their flag
// bytes and keeps the 24 bytes it holds back for one more group, so it never ends a block of its
// own accord.
constexpr std::size_t kMostBlockItems = 0xFFFF;
constexpr int kBlockBufferSize = static_cast<int>(3 * kMostBlockItems + (kMostBlockItems + 7) / 8) + 24;

struct Step {
  std::uint16_t length;  // 1: a literal
  std::uint16_t dist;    // distance back of a match
};

class OptimalParser {
 public:
  explicit OptimalParser(CodecFrame& frame) : finder_(frame), coder_(frame, kBlockBufferSize) {}
  void Run();

 private:
  // Reads the next piece into bytes_ and lists every position's matches; returns its length.
  int GatherPiece(int& pos);
  // One shortest-path pass over the positions begin..end - 1 of the piece under the current
  // prices; the steps of the cheapest path go to path.
  void Parse(int begin, int end, std::vector<Step>& path);
  // Parses begin..end, then counts the path's symbols, prices them and parses again.
  void Refine(int begin, int end, std::vector<Step>& path);
  // Prices the symbols of a path that starts at position begin, for the next pass.
  void Reprice(std::span<const Step> path, int begin) { Reprice(Count(path, begin)); }
  void Reprice(const SymbolCounts& counts);
  // The symbols of a path that starts at position begin.
  SymbolCounts Count(std::span<const Step> path, int begin) const;
  void SetStartingPrices();
  void SetPrices(const std::uint32_t* freq, int n, std::uint32_t* bits);
  std::uint32_t MatchPrice(int length, int dist) const {
    return charBits_[static_cast<std::size_t>(length + 256 - MinMatch)] +
           posBits_[static_cast<std::size_t>(lzh5::OffsetClass(static_cast<unsigned>(dist - 1)))];
  }
  // Splits the piece's steps first..last - 1 into blocks: appends the index after each block to
  // blockEnds_.
  void CutBlocks(std::size_t first, std::size_t last);
  // Replaces blockEnds_ by the smallest blocks whose ends are among them and the piece's grid.
  void ChooseBlocks();
  // Parses begin..end into blockPath_, keeping the pass whose blocks come out smallest.
  void ParseBlock(int begin, int end);
  // The bits that a path starting at position begin takes as the blocks WriteBlocks makes of it.
  std::uint64_t PathBits(std::span<const Step> path, int begin);
  // The bits of a stretch of items with these counts as one block, header included, or as
  // several of typical size when they are more than a block header can count.
  std::uint64_t StretchBits(const SymbolCounts& counts);
  // Sends blockPath_, which starts at position begin, to the coder: into the block still open
  // there when one block of both is smaller than two, as a block of its own otherwise.
  void Emit(int begin);
  // Writes steps first..last - 1 of a path, which start at position begin, as one block, or as
  // several when they are more than a block header can count.
  void WriteBlocks(lzh5::BlockCoder& coder, const std::vector<Step>& path, std::size_t first,
                   std::size_t last, int begin);
  // Queues steps first..last - 1 of a path, the first of which starts at position begin; returns
  // the position after the last.
  int Queue(lzh5::BlockCoder& coder, const std::vector<Step>& path, std::size_t first,
            std::size_t last, int begin);

  lzh5::HashChainFinder finder_;
  lzh5::BlockCoder coder_;
  // Scratch for SetPrices: scaled counts with room for the tree's nodes, and the code built.
  std::array<std::uint16_t, lzh5::CharNodes> codeFreq_{};
  std::array<std::uint8_t, CharAlphabet> codeLengths_{};
  std::array<std::uint16_t, CharAlphabet> codes_{};
  // Builds codes for pricing and sizing; it writes nothing.
  std::vector<std::uint8_t> noOutput_;
  lzh5::BlockCoder trial_{&noOutput_};

  std::vector<std::uint8_t> bytes_ = std::vector<std::uint8_t>(kMaxPiece);
  std::vector<std::uint32_t> first_ = std::vector<std::uint32_t>(kMaxPiece + 1);
  std::vector<Step> candidates_;
  std::vector<std::uint32_t> price_ = std::vector<std::uint32_t>(kMaxPiece + 1);
  std::vector<Step> reach_ = std::vector<Step>(kMaxPiece + 1);
  std::vector<Step> piecePath_;
  std::vector<int> stepStart_;  // the position of each step of piecePath_, and the piece's end
  std::vector<std::size_t> blockEnds_;
  std::vector<Step> blockPath_;
  // What the coder holds of the block it has not ended yet; the block may go on into the next
  // piece.
  SymbolCounts open_;
  std::vector<Step> trialPath_;
  // For ChooseBlocks: the cut points, the counts between neighbouring ones, and the smallest
  // size up to each point with the point it is reached from.
  std::vector<std::size_t> cutPoints_;
  std::vector<SymbolCounts> stretchCounts_;
  std::vector<std::uint64_t> bitsUpTo_;
  std::vector<std::size_t> cameFrom_;

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

int OptimalParser::GatherPiece(int& pos) {
  const int wanted = kMaxPiece;
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
      const std::size_t start = candidates_.size();
      finder_.Matches(pos, limit, kChain, kNiceLength, [&](int length, int dist) {
        candidates_.push_back({static_cast<std::uint16_t>(length), static_cast<std::uint16_t>(dist)});
      });
      const std::size_t found = candidates_.size() - start;
      if (found > kMostCandidates) {
        // Keep the longest; the shorter lengths then come from the nearest of those kept.
        candidates_.erase(candidates_.begin() + static_cast<std::ptrdiff_t>(start),
                          candidates_.end() - static_cast<std::ptrdiff_t>(kMostCandidates));
      }
      if (found > 0 && candidates_.back().length >= kNiceLength) covered = candidates_.back().length - 1;
    }
    finder_.Insert(pos);
    ++pos;
    ++n;
  }
  first_[static_cast<std::size_t>(n)] = static_cast<std::uint32_t>(candidates_.size());
  return n;
}

void OptimalParser::Parse(int begin, int end, std::vector<Step>& path) {
  // price_ and reach_ are indexed from begin: entry i belongs to position begin + i.
  const int n = end - begin;
  std::fill_n(price_.begin() + 1, n, std::numeric_limits<std::uint32_t>::max());
  price_[0] = 0;
  for (int i = 0; i < n; ++i) {
    const std::size_t at = static_cast<std::size_t>(begin + i);
    const std::uint32_t here = price_[static_cast<std::size_t>(i)];
    const std::uint32_t literal = here + charBits_[bytes_[at]];
    if (literal < price_[static_cast<std::size_t>(i + 1)]) {
      price_[static_cast<std::size_t>(i + 1)] = literal;
      reach_[static_cast<std::size_t>(i + 1)] = {1, 0};
    }
    int shorter = MinMatch - 1;
    const int longest = n - i;
    for (std::uint32_t k = first_[at]; k < first_[at + 1] && shorter < longest; ++k) {
      const Step match = candidates_[k];
      const auto arrive = [&](int length) {
        const std::uint32_t cost = here + MatchPrice(length, match.dist);
        std::uint32_t& there = price_[static_cast<std::size_t>(i + length)];
        if (cost < there) {
          there = cost;
          reach_[static_cast<std::size_t>(i + length)] = {static_cast<std::uint16_t>(length), match.dist};
        }
      };
      // The lengths up to this candidate's that no nearer candidate reaches: the shortest and
      // the longest of them.
      const int reach = std::min<int>(match.length, longest);
      const int dense = std::min(reach, shorter + kDenseLengths);
      for (int length = shorter + 1; length <= dense; ++length) arrive(length);
      for (int length = std::max(dense + 1, reach - kDenseLengths + 1); length <= reach; ++length) arrive(length);
      shorter = reach;
    }
  }
  path.clear();
  for (int i = n; i > 0; i -= reach_[static_cast<std::size_t>(i)].length) {
    path.push_back(reach_[static_cast<std::size_t>(i)]);
  }
  std::reverse(path.begin(), path.end());
}

void OptimalParser::Refine(int begin, int end, std::vector<Step>& path) {
  Parse(begin, end, path);
  for (int pass = 0; pass < kRefinements; ++pass) {
    Reprice(path, begin);
    Parse(begin, end, path);
  }
}

SymbolCounts OptimalParser::Count(std::span<const Step> path, int begin) const {
  SymbolCounts counts;
  int at = begin;
  for (const Step& step : path) {
    if (step.length == 1) {
      counts.AddLiteral(bytes_[static_cast<std::size_t>(at)]);
    } else {
      counts.AddMatch(step.length, static_cast<unsigned>(step.dist - 1));
    }
    at += step.length;
  }
  return counts;
}

void OptimalParser::Reprice(const SymbolCounts& counts) {
  SetPrices(counts.chars.data(), CharAlphabet, charBits_.data());
  SetPrices(counts.positions.data(), PosAlphabet, posBits_.data());
  // A position class's offset bits below the leading one come on top of its code.
  for (int j = 2; j < PosAlphabet; ++j) {
    posBits_[static_cast<std::size_t>(j)] += kPriceScale * static_cast<std::uint32_t>(j - 1);
  }
}

void OptimalParser::SetPrices(const std::uint32_t* freq, int n, std::uint32_t* bits) {
  // Each symbol is priced halfway between its information content under the counts and the
  // length of its code in the Huffman code the block coder would build from them. The
  // information content alone is smooth, so that the next parse does not lock onto the last
  // one's rounding, but it misses where the code's whole bits make a symbol dearer or cheaper.
  std::uint32_t total = 0;
  for (int k = 0; k < n; ++k) total += freq[k];
  const std::uint32_t scale = total / kCodeCountLimit + 1;
  for (int k = 0; k < n; ++k) {
    codeFreq_[static_cast<std::size_t>(k)] =
        static_cast<std::uint16_t>(freq[k] == 0 ? 0 : std::max<std::uint32_t>(1, freq[k] / scale));
  }
  const bool coded = trial_.BuildHuffmanCode(n, codeFreq_.data(), codeLengths_.data(), codes_.data()) >= n;
  const double sum = total == 0 ? 1.0 : total;
  for (int k = 0; k < n; ++k) {
    const double count = freq[k] != 0 ? freq[k] : kUnseenCount;
    double price = std::max(1.0, std::log2(sum / count));
    const std::uint8_t length = codeLengths_[static_cast<std::size_t>(k)];
    if (coded && length != 0) price = (price + length) / 2;
    bits[k] = static_cast<std::uint32_t>(price * kPriceScale + 0.5);
  }
}

int OptimalParser::Queue(lzh5::BlockCoder& coder, const std::vector<Step>& path, std::size_t first,
                         std::size_t last, int begin) {
  int at = begin;
  for (std::size_t k = first; k < last; ++k) {
    const Step step = path[k];
    if (step.length == 1) {
      coder.QueueItem(bytes_[static_cast<std::size_t>(at)], 0);
    } else {
      coder.QueueItem(static_cast<unsigned>(step.length + 256 - MinMatch), static_cast<unsigned>(step.dist - 1));
    }
    at += step.length;
  }
  return at;
}

void OptimalParser::WriteBlocks(lzh5::BlockCoder& coder, const std::vector<Step>& path,
                                std::size_t first, std::size_t last, int begin) {
  for (std::size_t k = first; k < last; k += kMostBlockItems) {
    begin = Queue(coder, path, k, std::min(last, k + kMostBlockItems), begin);
    coder.EndBlock();
  }
}

std::uint64_t OptimalParser::StretchBits(const SymbolCounts& counts) {
  const std::uint32_t items = counts.Items();
  if (items <= kMostBlockItems) return lzh5::BlockBits(counts, trial_);
  const std::uint32_t blocks = items / kEstimatedBlockItems + 1;
  SymbolCounts share;
  const auto divide = [blocks](std::uint32_t c) { return (c + blocks - 1) / blocks; };
  std::transform(counts.chars.begin(), counts.chars.end(), share.chars.begin(), divide);
  std::transform(counts.positions.begin(), counts.positions.end(), share.positions.begin(), divide);
  return blocks * lzh5::BlockBits(share, trial_);
}

void OptimalParser::CutBlocks(std::size_t first, std::size_t last) {
  const bool fits = last - first <= kMostBlockItems;
  if (fits && last - first < 2 * kFewestItemsToCut) {
    blockEnds_.push_back(last);
    return;
  }
  const std::span<const Step> path(piecePath_);
  std::array<std::size_t, kCutsTried + 2> cuts{};
  for (int j = 0; j <= kCutsTried + 1; ++j) {
    cuts[static_cast<std::size_t>(j)] = first + (last - first) * static_cast<std::size_t>(j) / (kCutsTried + 1);
  }
  const auto countOf = [&](std::size_t from, std::size_t to) {
    return Count(path.subspan(from, to - from), stepStart_[from]);
  };
  const SymbolCounts whole = countOf(first, last);
  std::uint64_t bestBits = fits ? StretchBits(whole) : std::numeric_limits<std::uint64_t>::max();
  std::size_t bestCut = 0;
  SymbolCounts left;
  for (int j = 1; j <= kCutsTried; ++j) {
    left += countOf(cuts[static_cast<std::size_t>(j - 1)], cuts[static_cast<std::size_t>(j)]);
    SymbolCounts right = whole;
    right -= left;
    const std::uint64_t bits = StretchBits(left) + StretchBits(right);
    if (bits < bestBits) {
      bestBits = bits;
      bestCut = cuts[static_cast<std::size_t>(j)];
    }
  }
  if (bestCut == 0) {
    blockEnds_.push_back(last);
    return;
  }
  CutBlocks(first, bestCut);
  CutBlocks(bestCut, last);
}

void OptimalParser::ChooseBlocks() {
  const std::size_t items = piecePath_.size();
  cutPoints_.assign(blockEnds_.begin(), blockEnds_.end());
  for (std::size_t g = 0; g < kCutGrid; ++g) cutPoints_.push_back(items * g / kCutGrid);
  std::sort(cutPoints_.begin(), cutPoints_.end());
  cutPoints_.erase(std::unique(cutPoints_.begin(), cutPoints_.end()), cutPoints_.end());
  const std::size_t points = cutPoints_.size();  // cutPoints_ runs from 0 to items

  const std::span<const Step> path(piecePath_);
  stretchCounts_.resize(points);
  for (std::size_t j = 1; j < points; ++j) {
    const std::size_t from = cutPoints_[j - 1];
    stretchCounts_[j] = Count(path.subspan(from, cutPoints_[j] - from), stepStart_[from]);
  }
  // Neighbouring points lie at most a 32nd of a piece apart, far fewer items than a block holds,
  // so every point is reached from the one before it.
  bitsUpTo_.assign(points, std::numeric_limits<std::uint64_t>::max());
  cameFrom_.assign(points, 0);
  bitsUpTo_[0] = 0;
  for (std::size_t j = 1; j < points; ++j) {
    SymbolCounts block;
    for (std::size_t i = j; i-- > 0 && cutPoints_[j] - cutPoints_[i] <= kMostBlockItems;) {
      block += stretchCounts_[i + 1];
      const std::uint64_t bits = bitsUpTo_[i] + lzh5::BlockBits(block, trial_);
      if (bits < bitsUpTo_[j]) {
        bitsUpTo_[j] = bits;
        cameFrom_[j] = i;
      }
    }
  }
  blockEnds_.clear();
  for (std::size_t j = points - 1; j > 0; j = cameFrom_[j]) blockEnds_.push_back(cutPoints_[j]);
  std::reverse(blockEnds_.begin(), blockEnds_.end());
}

std::uint64_t OptimalParser::PathBits(std::span<const Step> path, int begin) {
  std::uint64_t bits = 0;
  for (std::size_t k = 0; k < path.size(); k += kMostBlockItems) {
    const std::span<const Step> block = path.subspan(k, std::min(kMostBlockItems, path.size() - k));
    bits += lzh5::BlockBits(Count(block, begin), trial_);
    for (const Step& step : block) begin += step.length;
  }
  return bits;
}

void OptimalParser::ParseBlock(int begin, int end) {
  Parse(begin, end, blockPath_);
  std::uint64_t bestBits = PathBits(blockPath_, begin);
  for (int pass = 1; pass < kMostBlockPasses; ++pass) {
    Reprice(blockPath_, begin);
    Parse(begin, end, trialPath_);
    const std::uint64_t bits = PathBits(trialPath_, begin);
    if (bits >= bestBits) break;
    bestBits = bits;
    std::swap(blockPath_, trialPath_);
  }
}

void OptimalParser::Emit(int begin) {
  // A parse of more items than a block header counts (of almost nothing but literals) goes out
  // as blocks of its own.
  if (blockPath_.size() > kMostBlockItems) {
    coder_.EndBlock();
    open_ = {};
    WriteBlocks(coder_, blockPath_, 0, blockPath_.size(), begin);
    return;
  }
  const SymbolCounts counts = Count(blockPath_, begin);
  SymbolCounts joined = open_;
  joined += counts;
  const bool join = open_.Items() > 0 && joined.Items() <= kMostBlockItems &&
                    lzh5::BlockBits(joined, trial_) < lzh5::BlockBits(open_, trial_) + lzh5::BlockBits(counts, trial_);
  if (join) {
    open_ = joined;
  } else {
    coder_.EndBlock();
    open_ = counts;
  }
  Queue(coder_, blockPath_, 0, blockPath_.size(), begin);
}

void OptimalParser::Run() {
  int pos = 0;
  if (!finder_.Fill(pos)) return;  // an empty input writes nothing at all
  SetStartingPrices();
  for (;;) {
    const int n = GatherPiece(pos);
    if (n == 0) break;
    Refine(0, n, piecePath_);
    stepStart_.clear();
    int at = 0;
    for (const Step& step : piecePath_) {
      stepStart_.push_back(at);
      at += step.length;
    }
    stepStart_.push_back(at);

    // Blocks are cut where the statistics change, and each is parsed again under prices of its
    // own, so that its items suit the codes the block coder will build from them.
    blockEnds_.clear();
    CutBlocks(0, piecePath_.size());
    ChooseBlocks();
    std::size_t first = 0;
    for (const std::size_t last : blockEnds_) {
      const int begin = stepStart_[first];
      const int end = stepStart_[last];
      Reprice(std::span<const Step>(piecePath_).subspan(first, last - first), begin);
      ParseBlock(begin, end);
      Emit(begin);
      first = last;
    }
  }
  coder_.EndBlock();
  coder_.FinishStream();
}

}  // namespace

void Lzh5EncodeBest(CodecFrame& frame) {
  auto parser = std::make_unique<OptimalParser>(frame);
  parser->Run();
}

}  // namespace zev::compress
