// LZH5 block coder: the back end of the LZH5 encoder.
//
// It queues the literals and matches that the match finder decides on and counts their symbols.
// When the queue is full, or the input has ended, it turns the queued items into one block of the
// LZH5 bit stream: it builds a Huffman code for each of the three alphabets (characters/lengths,
// the length code that sends the character code lengths, and position classes), limits every
// code to 16 bits, makes the codes canonical, writes the block header and then the coded items.
//
// The output is fully determined by the items: the heap tie-break and the length limiting below
// must stay exactly as they are, or the same input would compress to different bytes.
#pragma once

#include <array>
#include <bit>
#include <cstdint>
#include <cstring>
#include <vector>

#include "compress/lzh5_format.h"

namespace zev::compress {
class CodecFrame;
}  // namespace zev::compress

namespace zev::compress::lzh5 {

// Items are queued in groups of up to 8, each group led by a flag byte whose bit 7 belongs to
// the group's first item (1 = match). A literal takes one byte, a match three: its length - 3
// and its 16-bit offset, high byte first.
inline constexpr int ItemBufferSize = 16384;
// A new group starts a new block once fewer than 24 bytes (a flag byte and 8 matches, rounded)
// are left.
inline constexpr int ItemBufferLimit = ItemBufferSize - 24;
// An encoder that ends its blocks itself may queue up to this many item bytes per block: 58240
// items at most, within the 16-bit item count of a block header.
inline constexpr int LargeItemBufferSize = 65536;

inline constexpr int CharNodes = 2 * CharAlphabet - 1;     // 1019: symbols and tree nodes
inline constexpr int PosNodes = 2 * PosAlphabet - 1;       // 27
inline constexpr int LenCodeNodes = 2 * LenCodeAlphabet - 1;  // 37

// The number of significant bits of an offset: its position class, 0 for offset 0.
inline int OffsetClass(unsigned offset) { return static_cast<int>(std::bit_width(offset)); }

class BlockCoder {
 public:
  // The coder writes to the run's frame, or appends to a capture vector (for looking at blocks
  // outside a codec run). itemBufferSize is ItemBufferSize, which fixes where blocks end, or a
  // larger size for an encoder that ends its blocks itself (LargeItemBufferSize; the best level
  // sizes it for the 65535 items a block header can count).
  explicit BlockCoder(CodecFrame& frame, int itemBufferSize = ItemBufferSize)
      : BlockCoder(&frame, nullptr, itemBufferSize) {}
  explicit BlockCoder(std::vector<std::uint8_t>* capture, int itemBufferSize = ItemBufferSize)
      : BlockCoder(nullptr, capture, itemBufferSize) {}

  // Empty queue, zero counts, no pending bits.
  void Reset();

  // Queues one item: c is a literal byte (0..255) or a match length + 253 (256..509), o the
  // match offset 0..8191 (0 for a literal). A group that would start past ItemBufferLimit first
  // sends the queued items as a block, so every block holds whole groups.
  void QueueItem(unsigned c, unsigned o) {
    FlagMask >>= 1;
    if (FlagMask == 0) StartGroup();
    ItemBuffer[ItemPos++] = static_cast<std::uint8_t>(c);
    ++CharFreq[c];
    if (c >= 256) {
      ItemBuffer[FlagPos] = static_cast<std::uint8_t>(ItemBuffer[FlagPos] | FlagMask);
      ItemBuffer[ItemPos++] = static_cast<std::uint8_t>(o >> 8);
      ItemBuffer[ItemPos++] = static_cast<std::uint8_t>(o);
      ++PosFreq[OffsetClass(o)];
    }
  }

  // Writes all queued items as one block and clears the counts. The queue must not be empty.
  void FlushBlock();
  // Writes the queued items, if any, as one block and starts the next block empty, for an
  // encoder that chose its items for one block's codes.
  void EndBlock();

  // Writes the leftmost n bits (0..16) of the 16-bit x. A code is kept left-aligned, so this is
  // one call per symbol. Bits leave in 32-bit words; the whole bytes still pending are emitted at
  // the end of each block and of the stream.
  void WriteTopBits(int n, unsigned x) {
    bits_ = (bits_ << n) | (x >> (16 - n));
    pendingBits_ += n;
    if (pendingBits_ >= 32) {
      pendingBits_ -= 32;
      EmitWord(static_cast<std::uint32_t>(bits_ >> pendingBits_));
    }
  }
  // Writes the rightmost n bits (1..16) of x, the most significant first.
  void WriteBits(int n, unsigned x) { WriteTopBits(n, (x << (16 - n)) & 0xFFFFu); }
  // Pads the last partly filled byte with 0 bits and writes it; writes nothing when no bit is
  // pending.
  void FinishStream() {
    WriteBits(7, 0);
    EmitWholeBytes();
    HandOver();
  }

  // Builds the Huffman code of symbols 0..n-1 from freq[0..n-1] (freq needs 2n - 1 entries:
  // the tree's nodes are numbered from n upward and their sums stored there). Fills lengths
  // (at most 16) and the canonical, left-aligned codes, and returns the root: a node >= n, or the
  // only symbol that occurs (0 when none does), whose length is then 0.
  int BuildHuffmanCode(int n, std::uint16_t* freq, std::uint8_t* lengths, std::uint16_t* codes);

  // The steps of a block header, in the order FlushBlock uses them.
  void CountLenCodeUse();
  void WriteCharLengths();
  void WriteAuxLengths(int n, int countBits, int zeroRunIndex);

  // The queue and the per-block tables. They are public so that tests can look at what a block
  // is built from; only the coder itself changes them.
  std::vector<std::uint8_t> ItemBuffer;
  int ItemPos = 0;
  int FlagPos = 0;
  unsigned FlagMask = 0;

  // Symbol counts of the block; the entries past the alphabet hold the Huffman tree's nodes.
  std::array<std::uint16_t, CharNodes> CharFreq{};
  std::array<std::uint16_t, PosNodes> PosFreq{};
  std::array<std::uint16_t, LenCodeNodes> LenCodeFreq{};
  std::array<std::uint8_t, CharAlphabet> CharLengths{};
  std::array<std::uint16_t, CharAlphabet> CharCodes{};
  // First the length code's, then (within the same block) the position code's.
  std::array<std::uint8_t, LenCodeAlphabet> AuxLengths{};
  std::array<std::uint16_t, LenCodeAlphabet> AuxCodes{};

 private:
  BlockCoder(CodecFrame* frame, std::vector<std::uint8_t>* capture, int itemBufferSize)
      : ItemBuffer(static_cast<std::size_t>(itemBufferSize)),
        itemLimit_(itemBufferSize - 24),
        frame_(frame),
        capture_(capture) {
    Reset();
  }

  void StartGroup();
  void HeapSiftDown(int i, const std::uint16_t* freq);
  void AssignCodeLengths(int root, int n, const std::uint16_t* leafOrder, int leaves,
                         std::uint8_t* lengths);
  void AssignCodes(int n, const std::uint8_t* lengths, std::uint16_t* codes);
  // The number of character lengths sent: trailing zero lengths are left out.
  int CharLengthsToSend() const;
  void EncodeCharSymbol(unsigned c) { WriteTopBits(CharLengths[c], CharCodes[c]); }
  void EncodeOffset(unsigned o);
  void EmitWord(std::uint32_t word) {
    const std::uint8_t bytes[4] = {static_cast<std::uint8_t>(word >> 24), static_cast<std::uint8_t>(word >> 16),
                                   static_cast<std::uint8_t>(word >> 8), static_cast<std::uint8_t>(word)};
    if (capture_ != nullptr) {
      capture_->insert(capture_->end(), bytes, bytes + 4);
      return;
    }
    if (staged_size_ + 4 > staged_.size()) HandOver();
    std::memcpy(staged_.data() + staged_size_, bytes, 4);
    staged_size_ += 4;
  }
  void EmitWholeBytes();
  // Passes the staged output bytes to the frame. Nothing reads input while a block is written,
  // so handing them over at the end of each block shows the frame the same bytes at every input
  // refill as writing them one by one would, and the budget check fails at the same byte.
  void HandOver();

  std::array<std::uint16_t, CharNodes> TreeLeft{};
  std::array<std::uint16_t, CharNodes> TreeRight{};
  std::array<int, MaxCodeLength + 1> LengthCount{};
  // 1-based min-heap of symbols and tree nodes while one code is built.
  std::array<std::uint16_t, CharAlphabet + 1> heap_{};
  int heapSize_ = 0;

  // Bit writer: the written bits not yet emitted are the low pendingBits_ (0..31) of bits_.
  // Emitted bytes wait in staged_ until HandOver.
  std::uint64_t bits_ = 0;
  int pendingBits_ = 0;
  std::array<std::uint8_t, 4096> staged_{};
  std::size_t staged_size_ = 0;
  int itemLimit_;
  CodecFrame* frame_;
  std::vector<std::uint8_t>* capture_;
};

}  // namespace zev::compress::lzh5
