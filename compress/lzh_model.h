// Pieces of the adaptive-Huffman LZH codec (method 2) that both directions share: its
// constants, the adaptive Huffman model and the fixed prefix code for the upper six bits of a
// match distance.
#pragma once

#include <array>
#include <cstdint>

namespace zev::compress::lzh {

inline constexpr int WindowSize = 4096;
inline constexpr int WindowMask = WindowSize - 1;
inline constexpr int MaxMatch = 60;  // also the look-ahead length
inline constexpr int MinMatch = 3;
inline constexpr int SymbolCount = 256 + MaxMatch - MinMatch + 1;  // 314
inline constexpr int NodeCount = 2 * SymbolCount - 1;              // 627
inline constexpr int Root = NodeCount - 1;                         // 626
inline constexpr unsigned RebuildLimit = 0x8000;
inline constexpr int FirstPosition = WindowSize - MaxMatch;  // 4036
inline constexpr std::uint8_t InitialFill = 0x20;

// Symbol of a match of the given length (3..60).
constexpr int MatchSymbol(int length) { return length + 256 - MinMatch; }

// The adaptive Huffman tree. Nodes are kept in ascending order of frequency and siblings sit
// at an even index and the odd one after it, so a node's bit in a code is its index's parity.
struct LzhModel {
  // Entry NodeCount is a sentinel larger than any real frequency, which ends the scans.
  std::array<std::uint16_t, NodeCount + 1> frequency;
  // Inner node: index of its first child. Leaf: NodeCount + its symbol.
  std::array<std::int16_t, NodeCount> child;
  // 0..626: parent of each node (0 for the root); 627..940: the leaf node of each symbol.
  std::array<std::int16_t, NodeCount + SymbolCount> parent;

  void LzhInitModel();
  // Counts one more occurrence of symbol, rebuilding first when the root reaches the limit.
  void LzhUpdateModel(int symbol);
  // Halves every leaf's frequency and builds a fresh tree from the leaves.
  void LzhRebuildModel();

  int LeafOf(int symbol) const { return parent[static_cast<std::size_t>(NodeCount + symbol)]; }
};

// One code of the fixed distance prefix code: its length and its bits, right-aligned.
struct LzhPositionCode {
  std::uint8_t length;
  std::uint8_t bits;
};

// Canonical code over i = 0..63 with lengths 3, 4 x3, 5 x8, 6 x12, 7 x24, 8 x16; each code
// is the previous one plus one, widened to its own length.
constexpr std::array<LzhPositionCode, 64> MakeLzhPositionCodes() {
  std::array<LzhPositionCode, 64> codes{};
  unsigned code = 0;
  unsigned previousLength = 3;
  for (unsigned i = 0; i < 64; ++i) {
    unsigned length = i < 1 ? 3 : i < 4 ? 4 : i < 12 ? 5 : i < 24 ? 6 : i < 48 ? 7 : 8;
    if (i > 0) code = (code + 1) << (length - previousLength);
    codes[i] = {static_cast<std::uint8_t>(length), static_cast<std::uint8_t>(code)};
    previousLength = length;
  }
  return codes;
}

inline constexpr std::array<LzhPositionCode, 64> PositionCodes = MakeLzhPositionCodes();

// For every byte, the position code it begins with: length in `length`, i in `bits`.
constexpr std::array<LzhPositionCode, 256> MakeLzhPositionDecodeTable() {
  std::array<LzhPositionCode, 256> table{};
  for (unsigned i = 0; i < 64; ++i) {
    unsigned length = PositionCodes[i].length;
    unsigned first = static_cast<unsigned>(PositionCodes[i].bits) << (8 - length);
    for (unsigned b = first; b < first + (1u << (8 - length)); ++b) {
      table[b] = {static_cast<std::uint8_t>(length), static_cast<std::uint8_t>(i)};
    }
  }
  return table;
}

inline constexpr std::array<LzhPositionCode, 256> PositionDecodeTable = MakeLzhPositionDecodeTable();

}  // namespace zev::compress::lzh
