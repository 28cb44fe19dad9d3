#include "compress/lzh5_block_cost.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "tests/support/test_inputs.h"

namespace zev::compress::lzh5 {
namespace {

using Bytes = std::vector<std::uint8_t>;

// Room for a block of 65535 matches with their flag bytes, so that the coder never ends the
// block of its own accord.
constexpr int kBufferSize = 3 * 65535 + 65535 / 8 + 1 + 24;

struct QueuedItem {
  unsigned c;  // a literal byte, or a match length + 253
  unsigned o;  // a match offset
};

// The size of the items as one block, found by writing it after 0..7 padding bits: the byte
// counts of the eight streams pin the block's bit count down exactly.
std::vector<std::size_t> WrittenSizes(const std::vector<QueuedItem>& items) {
  std::vector<std::size_t> sizes;
  for (int lead = 0; lead < 8; ++lead) {
    Bytes out;
    BlockCoder coder(&out, kBufferSize);
    if (lead > 0) coder.WriteBits(lead, 0);
    for (const QueuedItem& item : items) coder.QueueItem(item.c, item.o);
    coder.FlushBlock();
    coder.FinishStream();
    sizes.push_back(out.size());
  }
  return sizes;
}

std::vector<std::size_t> PredictedSizes(const std::vector<QueuedItem>& items) {
  SymbolCounts counts;
  for (const QueuedItem& item : items) {
    if (item.c < 256) {
      counts.AddLiteral(static_cast<std::uint8_t>(item.c));
    } else {
      counts.AddMatch(static_cast<int>(item.c) - 253, item.o);
    }
  }
  EXPECT_EQ(counts.Items(), items.size());
  Bytes unused;
  BlockCoder scratch(&unused);
  const std::uint64_t bits = BlockBits(counts, scratch);
  std::vector<std::size_t> sizes;
  for (int lead = 0; lead < 8; ++lead) sizes.push_back(static_cast<std::size_t>((lead + bits + 7) / 8));
  return sizes;
}

TEST(Lzh5BlockCost, CountsGiveTheBitsTheBlockCoderWrites) {
  using Make = std::function<void(std::vector<QueuedItem>&, zev::testing::Random&)>;
  const std::vector<std::pair<std::string, Make>> cases = {
      {"one literal", [](auto& items, auto&) { items.push_back({'A', 0}); }},
      {"one literal repeated", [](auto& items, auto&) { items.assign(500, {'A', 0}); }},
      {"one match length, many classes",
       [](auto& items, auto& random) {
         for (int i = 0; i < 300; ++i) items.push_back({10 + 253, random.Below(8192)});
       }},
      {"matches of one class",
       [](auto& items, auto& random) {
         for (int i = 0; i < 300; ++i) items.push_back({static_cast<unsigned>(random.Below(254)) + 256, 5});
       }},
      {"text literals",
       [](auto& items, auto&) {
         for (const std::uint8_t b : zev::testing::MakeInput(zev::testing::InputKind::Text, 4000)) items.push_back({b, 0});
       }},
      {"zero runs of every length",
       [](auto& items, auto&) {
         unsigned symbol = 0;
         items.push_back({0, 0});
         for (unsigned run = 1; symbol + run + 1 < 510; ++run) {
           symbol += run + 1;
           items.push_back({symbol, symbol >= 256 ? 7u : 0u});
         }
       }},
      {"skewed mix near a full block",
       [](auto& items, auto& random) {
         for (int i = 0; i < 65535; ++i) {
           if (random.Below(3) != 0) {
             items.push_back({random.Below(1 + random.Below(256)), 0});
           } else {
             items.push_back({256 + random.Below(1 + random.Below(254)), random.Below(1 + random.Below(8192))});
           }
         }
       }},
  };
  for (const auto& [name, make] : cases) {
    SCOPED_TRACE(name);
    zev::testing::Random random(7);
    std::vector<QueuedItem> items;
    make(items, random);
    EXPECT_EQ(PredictedSizes(items), WrittenSizes(items));
  }
}

}  // namespace
}  // namespace zev::compress::lzh5
