// Adaptive-Huffman LZ codec (method 2): LZ77 over a 4096-byte window whose symbols are coded
// with an adaptive Huffman model that encoder and decoder update in step; match distances use
// a fixed prefix code for their upper six bits followed by six plain bits.
#include "compress/lzh.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <memory>

#include "compress/codec_frame_io.h"
#include "compress/errors.h"
#include "compress/lzh_model.h"

namespace zev::compress {

namespace {

using namespace lzh;

// The encoder's state. Allocated zeroed for every run; released on every exit.
class LzhEncoder {
 public:
  explicit LzhEncoder(CodecFrame& frame) : frame_(frame) {}
  void Run();

 private:
  // Search tree links use WindowSize as "none"; root slots follow it, one per first byte and
  // 4-bit hash of the next two bytes, and have only a right child.
  static constexpr int kNone = WindowSize;
  static constexpr int kFirstRootSlot = WindowSize + 1;
  static constexpr int kLinkCount = kFirstRootSlot + 4096;
  static constexpr int kCompareSlack = 8;

  void LzhInitTrees();
  void LzhInsertPosition(int r);
  void LzhRemovePosition(int p);
  void LzhSetSameLength(int start, int b, int n);
  void LzhLiftSameLength(int a, int p, int q);
  void ReplaceNode(int e, int r);

  void LzhPutBits(unsigned length, unsigned code);
  void LzhEncodeSymbol(int symbol);
  void LzhEncodeDistance(unsigned distance);
  void LzhFlushBits();

  CodecFrame& frame_;
  LzhModel model_;
  // Positions 0..58 are repeated after position 4095, so a 60-byte comparison from any
  // position reads straight on without wrapping. The slack lets comparisons load 8 bytes at
  // a time; differences past the 60th byte are ignored.
  std::uint8_t window_[WindowSize + MaxMatch - 1 + kCompareSlack];
  std::uint16_t left_[kLinkCount];
  std::uint16_t right_[kLinkCount];
  std::uint16_t parent_[kLinkCount];
  // Length of the prefix each position's string shares with its parent's (1 under a root slot).
  std::uint8_t same_[WindowSize];
  int matchLength_;
  int matchDistance_;
  unsigned putBuffer_;  // 16 bits, filled from the top
  unsigned putFill_;
};

// Counts equal leading bytes of x and y from offset i on, up to MaxMatch.
inline int CommonLength(const std::uint8_t* x, const std::uint8_t* y, int i) {
  while (i < MaxMatch) {
    std::uint64_t a, b;
    std::memcpy(&a, x + i, 8);
    std::memcpy(&b, y + i, 8);
    std::uint64_t difference = a ^ b;
    if (difference != 0) {
      if constexpr (std::endian::native == std::endian::little) {
        i += std::countr_zero(difference) / 8;
      } else {
        i += std::countl_zero(difference) / 8;
      }
      return i < MaxMatch ? i : MaxMatch;
    }
    i += 8;
  }
  return MaxMatch;
}

void LzhEncoder::LzhInitTrees() {
  for (int i = kFirstRootSlot; i < kLinkCount; ++i) right_[i] = kNone;
  for (int i = 0; i < WindowSize; ++i) parent_[i] = kNone;
}

void LzhEncoder::LzhSetSameLength(int start, int b, int n) {
  if (b >= kNone) {
    same_[n] = 1;
    return;
  }
  same_[n] = static_cast<std::uint8_t>(CommonLength(window_ + n, window_ + b, start));
}

void LzhEncoder::LzhLiftSameLength(int a, int p, int q) {
  if (same_[q] == same_[p]) {
    LzhSetSameLength(same_[q], a, q);
  } else if (same_[p] < same_[q]) {
    same_[q] = same_[p];
  }
}

// r takes e's place in the tree; e leaves it.
void LzhEncoder::ReplaceNode(int e, int r) {
  same_[r] = same_[e];
  parent_[r] = parent_[e];
  left_[r] = left_[e];
  right_[r] = right_[e];
  if (left_[e] != kNone) parent_[left_[e]] = static_cast<std::uint16_t>(r);
  if (right_[e] != kNone) parent_[right_[e]] = static_cast<std::uint16_t>(r);
  int pe = parent_[e];
  if (right_[pe] == e) {
    right_[pe] = static_cast<std::uint16_t>(r);
  } else {
    left_[pe] = static_cast<std::uint16_t>(r);
  }
  parent_[e] = kNone;
}

void LzhEncoder::LzhInsertPosition(int r) {
  left_[r] = right_[r] = kNone;
  matchLength_ = 0;
  const std::uint8_t* key = window_ + r;
  unsigned x = key[1] ^ key[2];
  int p = kFirstRootSlot + key[0] + static_cast<int>(((x ^ (x >> 4)) & 15u) << 8);
  int i = 1;
  bool less = false;  // the sign of the last comparison of r's string with a node's
  for (;;) {
    int e = less ? left_[p] : right_[p];
    if (e == kNone) {
      if (less) {
        left_[p] = static_cast<std::uint16_t>(r);
      } else {
        right_[p] = static_cast<std::uint16_t>(r);
      }
      parent_[r] = static_cast<std::uint16_t>(p);
      same_[r] = static_cast<std::uint8_t>(i);
      return;
    }
    const std::uint8_t* other = window_ + e;
    int f = same_[e];
    // r shares i bytes with p and e shares f with p: when they differ, r and e share the
    // smaller count and, for f > i, compare as r and p did. Only f == i needs a comparison.
    if (f < i) {
      i = f;
      less = key[f] < other[f];
    } else if (f == i) {
      i = CommonLength(key, other, i);
      less = i < MaxMatch && key[i] < other[i];
    }
    if (i >= MinMatch) {
      int distance = ((r - e) & WindowMask) - 1;
      if (i > matchLength_) {
        matchLength_ = i;
        matchDistance_ = distance;
        if (i >= MaxMatch) {
          ReplaceNode(e, r);
          return;
        }
      } else if (i == matchLength_ && distance < matchDistance_) {
        matchDistance_ = distance;
      }
    }
    p = e;
  }
}

void LzhEncoder::LzhRemovePosition(int p) {
  if (parent_[p] == kNone) return;
  int q;
  if (right_[p] == kNone) {
    q = left_[p];
    if (q != kNone) LzhLiftSameLength(parent_[p], p, q);
  } else if (left_[p] == kNone) {
    q = right_[p];
    LzhLiftSameLength(parent_[p], p, q);
  } else {
    // Two children: p's predecessor q (the rightmost node of its left subtree) takes its place.
    q = left_[p];
    if (right_[q] != kNone) {
      do {
        q = right_[q];
      } while (right_[q] != kNone);
      int ql = left_[q];
      int qp = parent_[q];
      if (ql != kNone) LzhLiftSameLength(qp, q, ql);
      LzhSetSameLength(1, q, left_[p]);
      right_[qp] = static_cast<std::uint16_t>(ql);
      if (ql != kNone) parent_[ql] = static_cast<std::uint16_t>(qp);
      left_[q] = left_[p];
      parent_[left_[p]] = static_cast<std::uint16_t>(q);
    }
    LzhSetSameLength(1, parent_[p], q);
    LzhSetSameLength(1, q, right_[p]);
    right_[q] = right_[p];
    parent_[right_[p]] = static_cast<std::uint16_t>(q);
  }
  int pp = parent_[p];
  if (q != kNone) parent_[q] = static_cast<std::uint16_t>(pp);
  if (right_[pp] == p) {
    right_[pp] = static_cast<std::uint16_t>(q);
  } else {
    left_[pp] = static_cast<std::uint16_t>(q);
  }
  parent_[p] = kNone;
}

void LzhEncoder::LzhPutBits(unsigned length, unsigned code) {
  putBuffer_ |= code >> putFill_;
  putFill_ += length;
  if (putFill_ >= 8) {
    frame_.WriteByte(static_cast<std::uint8_t>(putBuffer_ >> 8));
    putFill_ -= 8;
    if (putFill_ >= 8) {
      frame_.WriteByte(static_cast<std::uint8_t>(putBuffer_));
      putFill_ -= 8;
      putBuffer_ = (code << (length - putFill_)) & 0xFFFFu;
    } else {
      putBuffer_ = (putBuffer_ << 8) & 0xFFFFu;
    }
  }
}

void LzhEncoder::LzhEncodeSymbol(int symbol) {
  // Walk from the leaf to the root, shifting each level's bit in at the top, so the bit
  // nearest the root ends up first. Frequencies stay below 0x8000, which keeps the tree
  // far shallower than 32 levels.
  const std::int16_t* dad = model_.parent.data();
  std::uint32_t code = 0;
  unsigned length = 0;
  int k = model_.LeafOf(symbol);
  do {
    code = (code >> 1) | (static_cast<std::uint32_t>(k & 1) << 31);
    ++length;
    k = dad[k];
  } while (k != Root);
  if (length <= 16) {
    LzhPutBits(length, code >> 16);
  } else {
    LzhPutBits(16, code >> 16);
    LzhPutBits(length - 16, code & 0xFFFFu);
  }
  model_.LzhUpdateModel(symbol);
}

void LzhEncoder::LzhEncodeDistance(unsigned distance) {
  const LzhPositionCode& upper = PositionCodes[distance >> 6];
  LzhPutBits(upper.length, static_cast<unsigned>(upper.bits) << (16 - upper.length));
  LzhPutBits(6, (distance & 0x3Fu) << 10);
}

void LzhEncoder::LzhFlushBits() {
  if (putFill_ != 0) frame_.WriteByte(static_cast<std::uint8_t>(putBuffer_ >> 8));
}

void LzhEncoder::Run() {
  model_.LzhInitModel();
  putBuffer_ = 0;
  putFill_ = 0;
  LzhInitTrees();
  // Everything past the initial spaces, the repeated area included, starts as 0 and keeps
  // whatever it holds when the input ends: the searches compare those bytes too.
  std::memset(window_, 0, sizeof window_);
  std::memset(window_, InitialFill, FirstPosition);
  int s = 0;
  int r = FirstPosition;

  bool ended = false;
  int len = 0;
  for (; len < MaxMatch; ++len) {
    std::uint8_t c = frame_.ReadByte();
    if (frame_.InputEnded()) {
      ended = true;
      break;
    }
    window_[r + len] = c;
  }
  if (len == 0) return;
  for (int i = 1; i <= MaxMatch; ++i) LzhInsertPosition(r - i);
  LzhInsertPosition(r);

  do {
    if (matchLength_ > len) matchLength_ = len;
    if (matchLength_ < MinMatch) {
      matchLength_ = 1;
      LzhEncodeSymbol(window_[r]);
    } else {
      LzhEncodeSymbol(MatchSymbol(matchLength_));
      LzhEncodeDistance(static_cast<unsigned>(matchDistance_));
    }
    const int steps = matchLength_;
    int i = 0;
    // Once the input has ended (or was aborted) it is not read again.
    for (; i < steps && !ended; ++i) {
      std::uint8_t c = frame_.ReadByte();
      if (frame_.InputEnded()) {
        ended = true;
        break;
      }
      LzhRemovePosition(s);
      window_[s] = c;
      if (s < MaxMatch - 1) window_[s + WindowSize] = c;
      s = (s + 1) & WindowMask;
      r = (r + 1) & WindowMask;
      LzhInsertPosition(r);
    }
    for (; i < steps; ++i) {
      LzhRemovePosition(s);
      s = (s + 1) & WindowMask;
      r = (r + 1) & WindowMask;
      if (--len > 0) LzhInsertPosition(r);
    }
  } while (len > 0);
  LzhFlushBits();
}

// The decoder's state. The window is read only modulo its size, so any distance and any
// length stay inside it whatever the input.
class LzhDecoder {
 public:
  explicit LzhDecoder(CodecFrame& frame) : frame_(frame) {}
  void Run(std::int32_t count);

 private:
  unsigned LzhReadBit();
  unsigned LzhReadByte();
  unsigned LzhReadBits(unsigned n);
  int LzhDecodeSymbol();
  unsigned LzhDecodeDistance();
  void Refill();
  void Put(std::uint8_t b);
  void HandOver();

  void CheckNothingConsumedPastEnd() const;

  CodecFrame& frame_;
  LzhModel model_;
  std::uint8_t window_[WindowSize];
  unsigned getBuffer_;  // 16 bits, consumed from the top; the bits below the top getFill_ are 0
  // The bits of getBuffer_ that came from the input and are not consumed yet: below 0 once the
  // decoder has consumed bits the member's data does not have.
  int getFill_;
  bool ended_;
  // Output waits in the window and goes to the frame in runs: window_[flushed_, r_) is produced
  // but not handed over yet. It goes before every input refill (so progress reports see the
  // same output as with byte-wise writes), when the window wraps, and at the end.
  unsigned r_;
  unsigned flushed_;
};

inline void LzhDecoder::HandOver() {
  if (r_ > flushed_) frame_.WriteBytes(window_ + flushed_, r_ - flushed_);
  flushed_ = r_;
}

inline void LzhDecoder::Put(std::uint8_t b) {
  window_[r_++] = b;
  if (r_ == WindowSize) {
    HandOver();
    r_ = flushed_ = 0;
  }
}

// A valid stream ends within its own bytes: a decoder that has consumed a bit beyond the
// member's data is reading a damaged member, which zero bits would otherwise decode to any
// declared size. After an abort the zero bits are not past the member's end.
void LzhDecoder::CheckNothingConsumedPastEnd() const {
  if (getFill_ < 0 && !frame_.InputAborted()) throw ETruncatedData();
}

// Tops the bit buffer up with one byte when it holds 8 bits or fewer. Once the input has
// ended (or was aborted) nothing is read any more: the buffer's bits below getFill_ are 0, so the
// stream reads on as zero bits, and each top-up checks that none beyond the data was consumed.
inline void LzhDecoder::Refill() {
  if (getFill_ <= 8) {
    if (ended_) {
      // After an abort the zero bits count as read: the count stays in bounds.
      if (getFill_ < 0) [[unlikely]] {
        CheckNothingConsumedPastEnd();
        getFill_ = 0;
      }
      return;
    }
    if (frame_.BufferedInput() == 0) HandOver();
    const unsigned b = frame_.ReadByte();
    if (frame_.InputEnded()) {
      ended_ = true;
      return;
    }
    getBuffer_ |= b << (8 - getFill_);
    getFill_ += 8;
  }
}

inline unsigned LzhDecoder::LzhReadBit() {
  Refill();
  unsigned bit = (getBuffer_ >> 15) & 1u;
  getBuffer_ = (getBuffer_ << 1) & 0xFFFFu;
  --getFill_;
  return bit;
}

inline unsigned LzhDecoder::LzhReadByte() {
  Refill();
  unsigned b = (getBuffer_ >> 8) & 0xFFu;
  getBuffer_ = (getBuffer_ << 8) & 0xFFFFu;
  getFill_ -= 8;
  return b;
}

inline unsigned LzhDecoder::LzhReadBits(unsigned n) {
  Refill();
  unsigned bits = getBuffer_ >> (16 - n);
  getBuffer_ = (getBuffer_ << n) & 0xFFFFu;
  getFill_ -= static_cast<int>(n);
  return bits;
}

inline int LzhDecoder::LzhDecodeSymbol() {
  const std::int16_t* son = model_.child.data();
  int c = son[Root];
  while (c < NodeCount) c = son[c + static_cast<int>(LzhReadBit())];
  int symbol = c - NodeCount;
  model_.LzhUpdateModel(symbol);
  return symbol;
}

inline unsigned LzhDecoder::LzhDecodeDistance() {
  unsigned b = LzhReadByte();
  const LzhPositionCode& prefix = PositionDecodeTable[b];
  unsigned extra = prefix.length - 2u;
  unsigned low = ((b << extra) | LzhReadBits(extra)) & 0x3Fu;
  return (static_cast<unsigned>(prefix.bits) << 6) | low;
}

void LzhDecoder::Run(std::int32_t count) {
  model_.LzhInitModel();
  getBuffer_ = 0;
  getFill_ = 0;
  ended_ = false;
  std::memset(window_, InitialFill, sizeof window_);
  r_ = flushed_ = FirstPosition;
  std::int32_t produced = 0;
  while (produced < count) {
    int symbol = LzhDecodeSymbol();
    if (symbol < 256) {
      Put(static_cast<std::uint8_t>(symbol));
      ++produced;
    } else {
      unsigned from = r_ - LzhDecodeDistance() - 1;
      // A stream may end on a match longer than the bytes still wanted (the encoder never writes
      // one); only the bytes wanted are written.
      int length = std::min(symbol - (256 - MinMatch), count - produced);
      for (int k = 0; k < length; ++k) Put(window_[(from + static_cast<unsigned>(k)) & WindowMask]);
      produced += length;
    }
  }
  CheckNothingConsumedPastEnd();
  HandOver();
}

}  // namespace

void LzhEncode(CodecFrame& frame, CompressionLevel) {
  auto encoder = std::make_unique<LzhEncoder>(frame);
  encoder->Run();
}

void LzhDecode(CodecFrame& frame, std::int32_t outputSize) {
  if (outputSize <= 0) return;
  auto decoder = std::make_unique<LzhDecoder>(frame);
  decoder->Run(outputSize);
}

}  // namespace zev::compress
