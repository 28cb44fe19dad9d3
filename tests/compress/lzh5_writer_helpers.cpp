#include "tests/compress/lzh5_writer_helpers.h"

#include <algorithm>
#include <bit>

namespace zev::testing::lzh5_writer {

void PutAuxLength(BitWriter& w, int length) {
  if (length < 7) {
    w.Put(static_cast<std::uint32_t>(length), 3);
    return;
  }
  w.Put(7, 3);
  for (int k = 7; k < length; ++k) w.PutBit(1);
  w.PutBit(0);
}

void PutAuxList(BitWriter& w, const SentList& list, int countBits, bool zeroRun) {
  if (list.single >= 0) {
    w.Put(0, countBits);
    w.Put(static_cast<std::uint32_t>(list.single), countBits);
    return;
  }
  const Lengths& entries = list.entries;
  w.Put(static_cast<std::uint32_t>(entries.size()), countBits);
  std::size_t i = 0;
  while (i < entries.size()) {
    PutAuxLength(w, entries[i++]);
    if (zeroRun && i == 3) {
      std::uint32_t zeros = 0;
      while (zeros < 3 && i + zeros < entries.size() && entries[i + zeros] == 0) ++zeros;
      w.Put(zeros, 2);
      i += zeros;
    }
  }
}

std::vector<LenItem> LenCodeItems(const Lengths& charLengths) {
  std::vector<LenItem> items;
  for (std::size_t i = 0; i < charLengths.size();) {
    if (charLengths[i] != 0) {
      items.push_back({charLengths[i++] + 2, 0});
      continue;
    }
    std::size_t run = 0;
    while (i + run < charLengths.size() && charLengths[i + run] == 0) ++run;
    i += run;
    while (run > 0) {
      std::size_t take = run >= 20 ? std::min<std::size_t>(run, 531) : run >= 3 ? std::min<std::size_t>(run, 18) : 1;
      items.push_back({take >= 20 ? 2 : take >= 3 ? 1 : 0, static_cast<std::uint32_t>(take >= 20 ? take - 20 : take >= 3 ? take - 3 : 0)});
      run -= take;
    }
  }
  return items;
}

void PutLenItems(BitWriter& w, const Code& lenCode, const std::vector<LenItem>& items) {
  for (const LenItem& li : items) {
    lenCode.Put(w, li.symbol);
    if (li.symbol == 1) w.Put(li.extra, 4);
    if (li.symbol == 2) w.Put(li.extra, 9);
  }
}

void PutHeader(BitWriter& w, const BlockHeader& h) {
  w.Put(h.countField, 16);
  PutAuxList(w, h.lenCode, 5, true);
  if (h.chars.single >= 0) {
    w.Put(0, 9);
    w.Put(static_cast<std::uint32_t>(h.chars.single), 9);
  } else {
    w.Put(static_cast<std::uint32_t>(h.chars.entries.size()), 9);
    PutLenItems(w, Code(h.lenCode, 19), LenCodeItems(h.chars.entries));
  }
  PutAuxList(w, h.pos, 4, false);
}

int PositionClass(std::uint32_t offset) { return offset == 0 ? 0 : std::bit_width(offset); }

void PutItems(BitWriter& w, const std::vector<Item>& items, const BlockHeader& h) {
  const Code chars(h.chars, 510), pos(h.pos, 14);
  for (const Item& item : items) {
    if (item.length == 0) {
      chars.Put(w, static_cast<int>(item.value));
      continue;
    }
    chars.Put(w, item.length + 253);
    const int j = PositionClass(item.value);
    pos.Put(w, j);
    if (j >= 2) w.Put(item.value - (1u << (j - 1)), j - 1);
  }
}

Lengths RandomCompleteLengths(std::size_t leaves, Random& random) {
  Lengths result{0};
  while (result.size() < leaves) {
    std::vector<std::size_t> candidates;
    for (std::size_t i = 0; i < result.size(); ++i) {
      if (result[i] < 16) candidates.push_back(i);
    }
    std::size_t pick = candidates[random.Below(static_cast<std::uint32_t>(candidates.size()))];
    if (random.Below(2) == 0) {
      for (std::size_t i : candidates) {
        if (result[i] > result[pick]) pick = i;
      }
    }
    result.push_back(++result[pick]);
  }
  for (std::size_t i = result.size(); i > 1; --i) {
    std::swap(result[i - 1], result[random.Below(static_cast<std::uint32_t>(i))]);
  }
  return result;
}

SentList RandomList(const std::vector<bool>& used, Random& random) {
  std::vector<std::size_t> symbols;
  for (std::size_t s = 0; s < used.size(); ++s) {
    if (used[s]) symbols.push_back(s);
  }
  SentList list;
  if (symbols.size() <= 1) {
    list.single = symbols.empty() ? 0 : static_cast<int>(symbols[0]);
    return list;
  }
  Lengths lengths = RandomCompleteLengths(symbols.size(), random);
  list.entries.assign(symbols.back() + 1, 0);
  for (std::size_t i = 0; i < symbols.size(); ++i) list.entries[symbols[i]] = lengths[i];
  return list;
}

BlockHeader RandomHeader(const std::vector<Item>& items, std::uint32_t countField, Random& random) {
  std::vector<bool> charUsed(510), posUsed(14), lenUsed(19);
  for (const Item& item : items) {
    if (item.length == 0) {
      charUsed[item.value] = true;
    } else {
      charUsed[static_cast<std::size_t>(item.length + 253)] = true;
      posUsed[static_cast<std::size_t>(PositionClass(item.value))] = true;
    }
  }
  BlockHeader h;
  h.countField = countField;
  h.chars = RandomList(charUsed, random);
  h.pos = RandomList(posUsed, random);
  if (h.chars.single >= 0) {
    h.lenCode.single = static_cast<int>(random.Below(19));  // sent, never used
  } else {
    for (const LenItem& li : LenCodeItems(h.chars.entries)) lenUsed[static_cast<std::size_t>(li.symbol)] = true;
    h.lenCode = RandomList(lenUsed, random);
  }
  return h;
}

int LongestCode(const SentList& list) {
  return list.entries.empty() ? 0 : *std::max_element(list.entries.begin(), list.entries.end());
}

void PutBlock(BitWriter& w, const std::vector<Item>& items, std::uint32_t countField, Random& random) {
  BlockHeader h = RandomHeader(items, countField, random);
  PutHeader(w, h);
  PutItems(w, items, h);
}

void AppendExpected(Bytes& out, const std::vector<Item>& items) {
  for (const Item& item : items) {
    if (item.length == 0) {
      out.push_back(static_cast<std::uint8_t>(item.value));
      continue;
    }
    for (int k = 0; k < item.length; ++k) {
      auto from = static_cast<std::int64_t>(out.size()) - static_cast<std::int64_t>(item.value) - 1;
      out.push_back(from < 0 ? 0x20 : out[static_cast<std::size_t>(from)]);
    }
  }
}

Bytes ExpectedOf(const std::vector<Item>& items) {
  Bytes out;
  AppendExpected(out, items);
  return out;
}

}  // namespace zev::testing::lzh5_writer
