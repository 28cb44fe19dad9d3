#include "compress/lzh_model.h"

namespace zev::compress::lzh {

namespace {
constexpr std::int16_t kLeaf = NodeCount;

// The last index from `from` on whose frequency is below k, given that freq[from] is. The
// frequencies ascend and the sentinel stops every search; runs of equal counts can be long,
// so the search gallops and then halves.
inline int LastBelow(const std::uint16_t* freq, int from, unsigned k) {
  int below = from;
  int step = 1;
  int notBelow = from + 1;
  while (freq[notBelow] < k) {
    below = notBelow;
    step *= 2;
    notBelow = below + step < NodeCount ? below + step : NodeCount;
  }
  while (notBelow - below > 1) {
    int middle = below + (notBelow - below) / 2;
    if (freq[middle] < k) {
      below = middle;
    } else {
      notBelow = middle;
    }
  }
  return below;
}
}  // namespace

void LzhModel::LzhInitModel() {
  for (int s = 0; s < SymbolCount; ++s) {
    frequency[s] = 1;
    child[s] = static_cast<std::int16_t>(s + kLeaf);
    parent[s + kLeaf] = static_cast<std::int16_t>(s);
  }
  for (int i = 0, j = SymbolCount; j < NodeCount; i += 2, ++j) {
    frequency[j] = static_cast<std::uint16_t>(frequency[i] + frequency[i + 1]);
    child[j] = static_cast<std::int16_t>(i);
    parent[i] = parent[i + 1] = static_cast<std::int16_t>(j);
  }
  frequency[NodeCount] = 0xFFFF;
  parent[Root] = 0;
}

void LzhModel::LzhUpdateModel(int symbol) {
  if (frequency[Root] == RebuildLimit) LzhRebuildModel();
  std::uint16_t* freq = frequency.data();
  std::int16_t* son = child.data();
  std::int16_t* dad = parent.data();
  int c = dad[symbol + kLeaf];
  do {
    unsigned k = ++freq[c];
    // The order is broken: swap this node with the last one of the frequency it had, so
    // that it moves up past every node it now outweighs.
    if (k > freq[c + 1]) {
      int l = LastBelow(freq, c + 1, k);
      freq[c] = freq[l];
      freq[l] = static_cast<std::uint16_t>(k);
      int i = son[c];
      dad[i] = static_cast<std::int16_t>(l);
      if (i < kLeaf) dad[i + 1] = static_cast<std::int16_t>(l);
      int j = son[l];
      son[l] = static_cast<std::int16_t>(i);
      dad[j] = static_cast<std::int16_t>(c);
      if (j < kLeaf) dad[j + 1] = static_cast<std::int16_t>(c);
      son[c] = static_cast<std::int16_t>(j);
      c = l;
    }
    c = dad[c];
  } while (c != 0);
}

void LzhModel::LzhRebuildModel() {
  std::uint16_t* freq = frequency.data();
  std::int16_t* son = child.data();
  std::int16_t* dad = parent.data();
  // Gather the leaves at the bottom, in their current (ascending) order, with halved counts.
  int next = 0;
  for (int i = 0; i < NodeCount; ++i) {
    if (son[i] >= kLeaf) {
      freq[next] = static_cast<std::uint16_t>((freq[i] + 1u) / 2u);
      son[next] = son[i];
      ++next;
    }
  }
  // Join pairs from the bottom up; each new node goes after the nodes of equal frequency.
  for (int i = 0, j = SymbolCount; j < NodeCount; i += 2, ++j) {
    auto f = static_cast<std::uint16_t>(freq[i] + freq[i + 1]);
    int k = j;
    while (f < freq[k - 1]) --k;
    for (int m = j; m > k; --m) {
      freq[m] = freq[m - 1];
      son[m] = son[m - 1];
    }
    freq[k] = f;
    son[k] = static_cast<std::int16_t>(i);
  }
  for (int i = 0; i < NodeCount; ++i) {
    int k = son[i];
    dad[k] = static_cast<std::int16_t>(i);
    if (k < kLeaf) dad[k + 1] = static_cast<std::int16_t>(i);
  }
}

}  // namespace zev::compress::lzh
