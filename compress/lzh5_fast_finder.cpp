#include "compress/lzh5_fast_finder.h"

#include <algorithm>
#include <memory>

#include "compress/codec_frame_io.h"
#include "compress/lzh5_block_coder.h"

namespace zev::compress::lzh5 {

HashChainFinder::HashChainFinder(CodecFrame& frame) : frame_(frame), text_(kCapacity + kSlack, 0) {
  head_.fill(kNone);
  prev_.fill(kNone);
}

bool HashChainFinder::Fill(int& pos) {
  if (!inputEnded_ && end_ - pos <= MaxMatch) {
    if (pos >= 2 * WindowSize) {
      const int shift = (pos / WindowSize - 1) * WindowSize;
      std::memmove(text_.data(), text_.data() + shift, static_cast<std::size_t>(end_ - shift));
      end_ -= shift;
      pos -= shift;
      const auto moveDown = [shift](int& at) { at = std::max(at - shift, kNone); };
      std::for_each(head_.begin(), head_.end(), moveDown);
      std::for_each(prev_.begin(), prev_.end(), moveDown);
    }
    const auto wanted = static_cast<std::size_t>(kCapacity - end_);
    const std::size_t stored = frame_.ReadBytes(text_.data() + end_, wanted);
    end_ += static_cast<int>(stored);
    inputEnded_ = stored < wanted;
  }
  return pos < end_;
}

}  // namespace zev::compress::lzh5

namespace zev::compress {

namespace {

using lzh5::MaxMatch;
using lzh5::MinMatch;

// The search effort. A previous match of kGoodLength bytes makes the next search a quarter as
// long, one of kLazyLength bytes is taken without looking at the next position, and a match of
// kNiceLength bytes ends a search.
constexpr int kChain = 64;
constexpr int kGoodLength = 32;
constexpr int kLazyLength = 96;
constexpr int kNiceLength = 192;

}  // namespace

void Lzh5EncodeFast(CodecFrame& frame) {
  auto finder = std::make_unique<lzh5::HashChainFinder>(frame);
  auto coder = std::make_unique<lzh5::BlockCoder>(frame);
  int pos = 0;
  if (!finder->Fill(pos)) return;  // an empty input writes nothing at all
  const std::uint8_t* const text = finder->Text();

  // The one-step lazy choice of the exact level: the match found for the previous position is
  // used unless this position has a longer one.
  int prevLength = MinMatch - 1;
  int prevDist = 0;
  bool previousPending = false;  // the byte before pos is not coded yet
  do {
    int length = MinMatch - 1;
    int dist = 0;
    if (prevLength < kLazyLength) {
      const int limit = std::min(MaxMatch, finder->Available(pos));
      const int chain = prevLength >= kGoodLength ? kChain / 4 : kChain;
      length = finder->Longest(pos, limit, chain, kNiceLength, dist);
    }
    finder->Insert(pos);
    if (prevLength >= MinMatch && length <= prevLength) {
      coder->QueueItem(static_cast<unsigned>(prevLength + 256 - MinMatch),
                       static_cast<unsigned>(prevDist - 1));
      const int next = pos - 1 + prevLength;
      for (int i = pos + 1; i < next; ++i) finder->Insert(i);
      pos = next;
      prevLength = MinMatch - 1;
      previousPending = false;
    } else {
      if (previousPending) coder->QueueItem(text[pos - 1], 0);
      previousPending = true;
      prevLength = length;
      prevDist = dist;
      ++pos;
    }
  } while (finder->Fill(pos));
  if (previousPending) coder->QueueItem(text[pos - 1], 0);
  coder->FlushBlock();
  coder->FinishStream();
}

}  // namespace zev::compress
