// Hash-chain match finder for the LZH5 encoder's fast and best levels.
//
// Unlike the exact level's trie, which always finds the longest match, this finder walks a
// bounded number of earlier positions that share the first three bytes, most recent first, so
// its cost per position has a ceiling. It reads the input itself (through the codec frame) into
// a text buffer that keeps the last 8 KiB as history and at least MaxMatch bytes of look-ahead.
#pragma once

#include <array>
#include <bit>
#include <cstdint>
#include <cstring>
#include <vector>

#include "compress/lzh5_format.h"

namespace zev::compress {

class CodecFrame;

// Compresses the frame's input like Lzh5Encode, with a bounded search (CompressionLevel::Fast).
void Lzh5EncodeFast(CodecFrame& frame);

namespace lzh5 {

class HashChainFinder {
 public:
  // The finder reads the run's input from frame.
  explicit HashChainFinder(CodecFrame& frame);

  // Reads more input once fewer than MaxMatch bytes are left after `pos`, moving the text down
  // (and `pos` with it) when the buffer is full. Returns false when `pos` is past the input.
  bool Fill(int& pos);

  const std::uint8_t* Text() const { return text_.data(); }
  // Bytes of real input from i on (the rest of the buffer is never coded).
  int Available(int i) const { return end_ - i; }

  // Enters position i into its chain. Every position is inserted once, in increasing order.
  void Insert(int i) {
    const std::uint32_t h = Hash(i);
    prev_[static_cast<std::size_t>(i) & kChainMask] = head_[h];
    head_[h] = i;
  }

  // The longest match for position i (not yet inserted) among at most `chain` earlier positions,
  // no longer than `limit`; a match of `nice` bytes or more ends the search. Returns the length
  // (below MinMatch: none) and sets dist to the distance back (1..WindowSize - 1).
  int Longest(int i, int limit, int chain, int nice, int& dist) const {
    int best = MinMatch - 1;
    Matches(i, limit, chain, nice, [&](int length, int distance) {
      best = length;
      dist = distance;
    });
    return best;
  }

  // Calls found(length, dist) for every match at position i that is longer than all nearer
  // ones, among at most `chain` earlier positions: for each length, the nearest distance that
  // reaches it. Stops after a match of `nice` bytes or more.
  template <class Found>
  void Matches(int i, int limit, int chain, int nice, Found found) const {
    int best = MinMatch - 1;
    const int oldest = i - (WindowSize - 1);
    int candidate = head_[Hash(i)];
    const std::uint8_t* const here = text_.data() + i;
    while (candidate >= oldest && chain-- > 0 && best < limit) {
      const std::uint8_t* const there = text_.data() + candidate;
      if (there[best] == here[best]) {
        const int length = MatchLength(here, there, limit);
        if (length > best) {
          best = length;
          found(length, i - candidate);
          if (length >= nice) break;
        }
      }
      candidate = prev_[static_cast<std::size_t>(candidate) & kChainMask];
    }
  }

  // How far the strings at a and b agree, up to limit (at most MaxMatch). The buffer's slack
  // lets the word loads run past the look-ahead.
  static int MatchLength(const std::uint8_t* a, const std::uint8_t* b, int limit) {
    int n = 0;
    while (n < limit) {
      std::uint64_t x, y;
      std::memcpy(&x, a + n, sizeof x);
      std::memcpy(&y, b + n, sizeof y);
      const std::uint64_t difference = x ^ y;
      if (difference != 0) {
        if constexpr (std::endian::native == std::endian::little) {
          n += std::countr_zero(difference) / 8;
        } else {
          n += std::countl_zero(difference) / 8;
        }
        return n < limit ? n : limit;
      }
      n += 8;
    }
    return limit;
  }

 private:
  static constexpr int kHashBits = 15;
  static constexpr std::size_t kChainMask = WindowSize - 1;
  // The buffer keeps one window of history before the oldest uncoded byte and reads in steps of
  // several windows, so the text moves rarely. Moves are whole windows, which keeps
  // `index & kChainMask` the same for every position and lets the chains stay where they are.
  static constexpr int kReadSize = 8 * WindowSize;
  static constexpr int kCapacity = WindowSize + kReadSize + MaxMatch;
  static constexpr int kSlack = 16;
  static constexpr int kNone = -WindowSize - 1;  // below every position a search accepts

  std::uint32_t Hash(int i) const {
    const std::uint8_t* const p = text_.data() + i;
    const std::uint32_t prefix = p[0] | (p[1] << 8) | (static_cast<std::uint32_t>(p[2]) << 16);
    return (prefix * 0x9E3779B1u) >> (32 - kHashBits);
  }

  CodecFrame& frame_;
  std::vector<std::uint8_t> text_;
  int end_ = 0;
  bool inputEnded_ = false;
  std::array<int, 1u << kHashBits> head_;
  std::array<int, WindowSize> prev_;
};

}  // namespace lzh5
}  // namespace zev::compress
