#include "tests/compress/lzh5_stream_helpers.h"

#include <map>
#include <stdexcept>
#include <utility>

namespace zev::testing {

unsigned StreamBits::Read(int n) {
  unsigned value = 0;
  for (int i = 0; i < n; ++i, ++bit_) {
    const std::size_t byte = bit_ / 8;
    const unsigned b = byte < data_.size() ? (data_[byte] >> (7 - bit_ % 8)) & 1u : 0u;
    value = (value << 1) | b;
  }
  return value;
}

std::uint32_t KraftSum(const std::vector<int>& lengths) {
  std::uint32_t sum = 0;
  for (int l : lengths) {
    if (l > 0) sum += 1u << (16 - l);
  }
  return sum;
}

namespace {

// A canonical code looked up bit by bit: (length, code) -> symbol.
class Code {
 public:
  explicit Code(const LengthList& list) : single_(list.count == 0), symbol_(list.singleSymbol) {
    if (single_) return;
    if (KraftSum(list.lengths) != 0x10000u) throw std::runtime_error("incomplete code");
    std::uint32_t start[18] = {};
    for (int l = 1; l <= 16; ++l) {
      std::uint32_t count = 0;
      for (int len : list.lengths) count += len == l ? 1u : 0u;
      start[l + 1] = start[l] + (count << (16 - l));
    }
    for (std::size_t s = 0; s < list.lengths.size(); ++s) {
      const int l = list.lengths[s];
      if (l == 0) continue;
      codes_[{l, start[l] >> (16 - l)}] = static_cast<unsigned>(s);
      start[l] += 1u << (16 - l);
    }
  }

  unsigned Decode(StreamBits& in) const {
    if (single_) return symbol_;
    unsigned value = 0;
    for (int l = 1; l <= 16; ++l) {
      value = (value << 1) | in.Read(1);
      auto it = codes_.find({l, value});
      if (it != codes_.end()) return it->second;
    }
    throw std::runtime_error("no code matches");
  }

 private:
  bool single_;
  unsigned symbol_;
  std::map<std::pair<int, unsigned>, unsigned> codes_;
};

LengthList ReadCharList(StreamBits& in, const Code& lenCode) {
  LengthList list;
  list.count = in.Read(9);
  if (list.count == 0) {
    list.singleSymbol = in.Read(9);
    return list;
  }
  list.lengths.assign(510, 0);
  std::size_t i = 0;
  while (i < list.count) {
    const unsigned t = lenCode.Decode(in);
    std::size_t zeros = 0;
    if (t == 0) {
      zeros = 1;
    } else if (t == 1) {
      zeros = in.Read(4) + 3;
    } else if (t == 2) {
      zeros = in.Read(9) + 20;
    } else {
      if (i >= 510) throw std::runtime_error("character list too long");
      list.lengths[i++] = static_cast<int>(t) - 2;
      continue;
    }
    if (i + zeros > 510) throw std::runtime_error("zero run too long");
    i += zeros;
  }
  return list;
}

}  // namespace

LengthList ReadAuxList(StreamBits& in, int alphabet, int countBits, bool zeroRunField) {
  LengthList list;
  list.count = in.Read(countBits);
  if (list.count == 0) {
    list.singleSymbol = in.Read(countBits);
    return list;
  }
  std::vector<int> lengths;
  while (lengths.size() < list.count) {
    int v = static_cast<int>(in.Read(3));
    if (v == 7) {
      while (in.Read(1) == 1) ++v;
    }
    lengths.push_back(v);
    if (zeroRunField && lengths.size() == 3) {
      list.zeroRun = static_cast<int>(in.Read(2));
      lengths.insert(lengths.end(), static_cast<std::size_t>(list.zeroRun), 0);
    }
  }
  lengths.resize(static_cast<std::size_t>(alphabet), 0);
  list.lengths = lengths;
  return list;
}

std::vector<Block> ParseLzh5(const std::vector<std::uint8_t>& data, std::size_t outputSize) {
  StreamBits in(data);
  std::vector<Block> blocks;
  std::size_t produced = 0;
  while (produced < outputSize) {
    Block block;
    block.itemCount = in.Read(16);
    block.lenCode = ReadAuxList(in, 19, 5, true);
    block.chars = ReadCharList(in, Code(block.lenCode));
    block.positions = ReadAuxList(in, 14, 4, false);
    const Code chars(block.chars);
    const Code positions(block.positions);
    const unsigned count = block.itemCount == 0 ? 65536u : block.itemCount;
    for (unsigned k = 0; k < count && produced < outputSize; ++k) {
      Item item;
      const unsigned c = chars.Decode(in);
      if (c < 256) {
        item.value = c;
        produced += 1;
      } else {
        item.match = true;
        item.value = c - 253;
        const unsigned j = positions.Decode(in);
        item.offset = j == 0 ? 0 : (1u << (j - 1)) + in.Read(static_cast<int>(j) - 1);
        produced += item.value;
      }
      block.items.push_back(item);
    }
    blocks.push_back(std::move(block));
  }
  return blocks;
}

std::vector<Item> AllItems(const std::vector<Block>& blocks) {
  std::vector<Item> items;
  for (const Block& b : blocks) items.insert(items.end(), b.items.begin(), b.items.end());
  return items;
}

}  // namespace zev::testing
