// A small writer of LZH5 streams for tests, independent of the codec's own encoder and decoder:
// blocks of chosen items under chosen (or random complete) codes, written bit by bit, and what
// such a stream expands to.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "tests/support/test_inputs.h"

namespace zev::testing::lzh5_writer {

using Bytes = std::vector<std::uint8_t>;
using Lengths = std::vector<int>;

class BitWriter {
 public:
  void Put(std::uint32_t value, int bits) {
    for (int i = bits - 1; i >= 0; --i) PutBit((value >> i) & 1u);
  }
  void PutBit(std::uint32_t bit) {
    if (used_ == 0) bytes_.push_back(0);
    if (bit) bytes_.back() = static_cast<std::uint8_t>(bytes_.back() | (0x80u >> used_));
    used_ = (used_ + 1) & 7;
  }
  const Bytes& bytes() const { return bytes_; }

 private:
  Bytes bytes_;
  int used_ = 0;
};

// A code-length list as sent: its entries in stream order (the count field is their number), or
// the single-symbol form (single >= 0), whose symbol every lookup yields without reading bits.
struct SentList {
  Lengths entries;
  int single = -1;
};

// The code a list defines over an alphabet: canonical codes, shorter ones first and equal
// lengths in symbol order.
struct Code {
  Lengths lengths;
  std::vector<std::uint32_t> codes;
  bool single = false;

  Code(const SentList& list, std::size_t alphabet) : lengths(alphabet, 0), codes(alphabet, 0) {
    single = list.single >= 0;
    for (std::size_t s = 0; s < alphabet && s < list.entries.size(); ++s) lengths[s] = list.entries[s];
    std::uint32_t next = 0;
    for (int l = 1; l <= 16; ++l) {
      for (std::size_t s = 0; s < alphabet; ++s) {
        if (lengths[s] == l) codes[s] = next++;
      }
      next <<= 1;
    }
  }
  void Put(BitWriter& w, int symbol) const {
    auto s = static_cast<std::size_t>(symbol);
    if (!single) w.Put(codes[s], lengths[s]);
  }
};

// Length-code symbols for character lengths: 0 one zero, 1 three to 18 zeros (4 extra bits),
// 2 twenty to 531 zeros (9 extra bits), 3..18 the lengths 1..16.
struct LenItem {
  int symbol;
  std::uint32_t extra;
};

struct BlockHeader {
  std::uint32_t countField = 0;
  SentList lenCode, chars, pos;
};

// One item: a literal byte, or a match of 3..256 bytes whose source starts offset + 1 bytes back.
struct Item {
  int length;           // 0 for a literal
  std::uint32_t value;  // the literal byte or the offset
};

// Writes the 3-bit form of an auxiliary code length, 7 and up as 7 followed by ones and a zero.
void PutAuxLength(BitWriter& w, int length);
// With a zero run, the zeros right after the third entry go into its 2-bit field.
void PutAuxList(BitWriter& w, const SentList& list, int countBits, bool zeroRun);
// The length-code items that send these character code lengths.
std::vector<LenItem> LenCodeItems(const Lengths& charLengths);
void PutLenItems(BitWriter& w, const Code& lenCode, const std::vector<LenItem>& items);
// The item count and the three code-length lists of a block.
void PutHeader(BitWriter& w, const BlockHeader& h);
// The position-code symbol of a match offset: 0 for 0, else the offset's bit width.
int PositionClass(std::uint32_t offset);
void PutItems(BitWriter& w, const std::vector<Item>& items, const BlockHeader& h);
// Lengths of a complete code with `leaves` codes of at most 16 bits, made by splitting leaves of a
// one-node tree; splitting the deepest leaf half of the time gives long codes.
Lengths RandomCompleteLengths(std::size_t leaves, Random& random);
// A list over the used symbols, sent without trailing zeros; one symbol alone goes in
// single-symbol form.
SentList RandomList(const std::vector<bool>& used, Random& random);
// A header with random complete codes over exactly the symbols the items use.
BlockHeader RandomHeader(const std::vector<Item>& items, std::uint32_t countField, Random& random);
// The longest code length a list sends (0 for single-symbol form).
int LongestCode(const SentList& list);
// A block of these items under a random header.
void PutBlock(BitWriter& w, const std::vector<Item>& items, std::uint32_t countField, Random& random);
// What a stream of these items expands to, worked out on a flat history in which everything
// before the first byte reads as a space.
void AppendExpected(Bytes& out, const std::vector<Item>& items);
Bytes ExpectedOf(const std::vector<Item>& items);

}  // namespace zev::testing::lzh5_writer
