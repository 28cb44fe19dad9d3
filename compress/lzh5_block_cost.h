// The size of an LZH5 block worked out from its symbol counts, without coding its items.
//
// The best level weighs many ways of cutting a stretch of input into blocks and of parsing each
// block; coding every candidate to see its size would cost more than the parse itself, while the
// counts, the three Huffman codes and the header give the same number of bits.
#pragma once

#include <array>
#include <cstdint>

#include "compress/lzh5_block_coder.h"
#include "compress/lzh5_format.h"

namespace zev::compress::lzh5 {

// How often each symbol occurs among a block's items: character/length symbols, and position
// classes.
struct SymbolCounts {
  std::array<std::uint32_t, CharAlphabet> chars{};
  std::array<std::uint32_t, PosAlphabet> positions{};

  void AddLiteral(std::uint8_t byte) { ++chars[byte]; }
  // A match of length 3..256 at offset 0..8191 (the distance back - 1).
  void AddMatch(int length, unsigned offset) {
    ++chars[static_cast<std::size_t>(length + 256 - MinMatch)];
    ++positions[static_cast<std::size_t>(OffsetClass(offset))];
  }
  // The items counted: every item has a character/length symbol.
  std::uint32_t Items() const;
  SymbolCounts& operator+=(const SymbolCounts& other);
  SymbolCounts& operator-=(const SymbolCounts& other);
};

// The bits BlockCoder::FlushBlock writes for one block of items with these counts, header
// included. The items must fit one block header (at most 65535). The scratch coder's tables are
// overwritten; its queue and output are left alone.
std::uint64_t BlockBits(const SymbolCounts& counts, BlockCoder& scratch);

}  // namespace zev::compress::lzh5
