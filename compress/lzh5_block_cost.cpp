#include "compress/lzh5_block_cost.h"

#include <algorithm>
#include <numeric>

namespace zev::compress::lzh5 {

namespace {

// Where WriteAuxLengths puts the length code's zero-run field, and the position list's lack of one.
constexpr int kLenCodeZeroRunAt = 3;
constexpr int kNoZeroRun = -1;
// A short zero run's length field, and a long one's.
constexpr int kShortRunBits = 4;
constexpr int kLongRunBits = CharCountBits;

// The bits WriteAuxLengths takes for the code lengths of an n-symbol alphabet.
std::uint64_t AuxListBits(const std::uint8_t* lengths, int n, int countBits, int zeroRunAt) {
  while (n > 0 && lengths[n - 1] == 0) --n;
  std::uint64_t bits = static_cast<std::uint64_t>(countBits);
  for (int i = 0; i < n;) {
    const int k = lengths[i++];
    bits += static_cast<std::uint64_t>(k <= 6 ? 3 : k - 3);
    if (i == zeroRunAt) {
      // The field says how many of the next entries, up to the sixth, are zero and not sent.
      while (i < 6 && lengths[i] == 0) ++i;
      bits += 2;
    }
  }
  return bits;
}

// The bits of a code list sent in its single-symbol form, or as lengths.
std::uint64_t ListBits(int root, const std::uint8_t* lengths, int n, int countBits, int zeroRunAt) {
  return root >= n ? AuxListBits(lengths, n, countBits, zeroRunAt) : 2 * static_cast<std::uint64_t>(countBits);
}

}  // namespace

std::uint32_t SymbolCounts::Items() const { return std::accumulate(chars.begin(), chars.end(), std::uint32_t{0}); }

SymbolCounts& SymbolCounts::operator+=(const SymbolCounts& other) {
  std::transform(chars.begin(), chars.end(), other.chars.begin(), chars.begin(), std::plus<>());
  std::transform(positions.begin(), positions.end(), other.positions.begin(), positions.begin(), std::plus<>());
  return *this;
}

SymbolCounts& SymbolCounts::operator-=(const SymbolCounts& other) {
  std::transform(chars.begin(), chars.end(), other.chars.begin(), chars.begin(), std::minus<>());
  std::transform(positions.begin(), positions.end(), other.positions.begin(), positions.begin(), std::minus<>());
  return *this;
}

std::uint64_t BlockBits(const SymbolCounts& counts, BlockCoder& scratch) {
  std::copy(counts.chars.begin(), counts.chars.end(), scratch.CharFreq.begin());
  std::copy(counts.positions.begin(), counts.positions.end(), scratch.PosFreq.begin());
  std::uint64_t bits = 16;  // the item count

  const int root = scratch.BuildHuffmanCode(CharAlphabet, scratch.CharFreq.data(), scratch.CharLengths.data(),
                                            scratch.CharCodes.data());
  if (root >= CharAlphabet) {
    scratch.CountLenCodeUse();
    const int r = scratch.BuildHuffmanCode(LenCodeAlphabet, scratch.LenCodeFreq.data(), scratch.AuxLengths.data(),
                                           scratch.AuxCodes.data());
    bits += ListBits(r, scratch.AuxLengths.data(), LenCodeAlphabet, LenCodeCountBits, kLenCodeZeroRunAt);
    bits += CharCountBits;
    for (int s = 0; s < LenCodeAlphabet; ++s) {
      bits += std::uint64_t{scratch.LenCodeFreq[static_cast<std::size_t>(s)]} * scratch.AuxLengths[static_cast<std::size_t>(s)];
    }
    bits += std::uint64_t{scratch.LenCodeFreq[1]} * kShortRunBits + std::uint64_t{scratch.LenCodeFreq[2]} * kLongRunBits;
    for (int c = 0; c < CharAlphabet; ++c) {
      bits += std::uint64_t{counts.chars[static_cast<std::size_t>(c)]} * scratch.CharLengths[static_cast<std::size_t>(c)];
    }
  } else {
    // One character symbol or none: both lists in their single-symbol form, and no item bits.
    bits += 2 * LenCodeCountBits + 2 * CharCountBits;
  }

  const int r = scratch.BuildHuffmanCode(PosAlphabet, scratch.PosFreq.data(), scratch.AuxLengths.data(),
                                         scratch.AuxCodes.data());
  bits += ListBits(r, scratch.AuxLengths.data(), PosAlphabet, PosCountBits, kNoZeroRun);
  for (int j = 0; j < PosAlphabet; ++j) {
    const auto offsetBits = static_cast<std::uint64_t>(std::max(j - 1, 0));
    bits += std::uint64_t{counts.positions[static_cast<std::size_t>(j)]} *
            (scratch.AuxLengths[static_cast<std::size_t>(j)] + offsetBits);
  }
  return bits;
}

}  // namespace zev::compress::lzh5
