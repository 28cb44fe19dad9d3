// A slow, plain reader of LZH5 streams for tests: it takes a stream apart into its blocks, their
// code-length lists and their items, so tests can check what an encoder chose and how it was
// written, independently of the codec's own table-driven decoder.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace zev::testing {

// Reads bits most significant first; past the end of the data it reads 0 bits.
class StreamBits {
 public:
  explicit StreamBits(const std::vector<std::uint8_t>& data) : data_(data) {}
  unsigned Read(int n);
  std::size_t BitPosition() const { return bit_; }

 private:
  const std::vector<std::uint8_t>& data_;
  std::size_t bit_ = 0;
};

// One code-length list as sent: the count field, and either the single symbol (count 0) or the
// lengths of the whole alphabet.
struct LengthList {
  unsigned count = 0;
  unsigned singleSymbol = 0;
  std::vector<int> lengths;
  // Only for the length-code list: the value of its 2-bit zero-run field, -1 if none was sent.
  int zeroRun = -1;
};

struct Item {
  bool match = false;
  unsigned value = 0;   // the literal byte, or the match length
  unsigned offset = 0;  // match offset (distance back - 1)
};

struct Block {
  unsigned itemCount = 0;
  LengthList lenCode;
  LengthList chars;
  LengthList positions;
  std::vector<Item> items;
};

// Parses blocks until the items cover outputSize bytes. Throws std::runtime_error for a stream
// that cannot be read (an incomplete code, or a code that does not match).
std::vector<Block> ParseLzh5(const std::vector<std::uint8_t>& data, std::size_t outputSize);

// Reads one auxiliary length list (alphabet 19 with zero run after entry 3, or 14 without).
LengthList ReadAuxList(StreamBits& in, int alphabet, int countBits, bool zeroRunField);

// All items of all blocks, in order.
std::vector<Item> AllItems(const std::vector<Block>& blocks);

// Kraft sum of a length list in units of 2^-16: 65536 for a complete code.
std::uint32_t KraftSum(const std::vector<int>& lengths);

}  // namespace zev::testing
