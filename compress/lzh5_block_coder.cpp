#include "compress/lzh5_block_coder.h"

#include <algorithm>

#include "compress/codec_frame_io.h"

namespace zev::compress::lzh5 {

namespace {

// The length-code list carries its 2-bit zero-run field right after its third entry; the position
// list has none.
constexpr int kLenCodeZeroRunAt = 3;
constexpr int kNoZeroRun = -1;

}  // namespace

void BlockCoder::Reset() {
  std::fill_n(CharFreq.begin(), CharAlphabet, std::uint16_t{0});
  std::fill_n(PosFreq.begin(), PosAlphabet, std::uint16_t{0});
  ItemBuffer[0] = 0;
  ItemPos = 0;
  FlagMask = 0;
  FlagPos = 0;
  bits_ = 0;
  pendingBits_ = 0;
  staged_size_ = 0;
}

void BlockCoder::StartGroup() {
  FlagMask = 0x80;
  if (ItemPos >= itemLimit_) {
    FlushBlock();
    ItemPos = 0;
  }
  FlagPos = ItemPos++;
  ItemBuffer[FlagPos] = 0;
}

void BlockCoder::EndBlock() {
  if (ItemPos == 0) return;
  FlushBlock();
  ItemBuffer[0] = 0;
  ItemPos = 0;
  FlagPos = 0;
  FlagMask = 0;
}

void BlockCoder::EmitWholeBytes() {
  while (pendingBits_ >= 8) {
    pendingBits_ -= 8;
    const auto b = static_cast<std::uint8_t>(bits_ >> pendingBits_);
    if (capture_ != nullptr) {
      capture_->push_back(b);
      continue;
    }
    if (staged_size_ == staged_.size()) HandOver();
    staged_[staged_size_++] = b;
  }
}

void BlockCoder::HandOver() {
  if (staged_size_ == 0) return;
  const std::size_t n = staged_size_;
  staged_size_ = 0;
  frame_->WriteBytes(staged_.data(), n);
}

void BlockCoder::HeapSiftDown(int i, const std::uint16_t* freq) {
  const std::uint16_t e = heap_[i];
  for (;;) {
    int j = 2 * i;
    if (j > heapSize_) break;
    // The right child is taken only when strictly less frequent, and an entry stays above an
    // equally frequent child: together with the order in which symbols enter the heap, this is
    // the tie-break that fixes the code lengths.
    if (j < heapSize_ && freq[heap_[j]] > freq[heap_[j + 1]]) ++j;
    if (freq[e] <= freq[heap_[j]]) break;
    heap_[i] = heap_[j];
    i = j;
  }
  heap_[i] = e;
}

int BlockCoder::BuildHuffmanCode(int n, std::uint16_t* freq, std::uint8_t* lengths,
                                 std::uint16_t* codes) {
  int nextNode = n;
  heapSize_ = 0;
  heap_[1] = 0;
  for (int i = 0; i < n; ++i) {
    lengths[i] = 0;
    if (freq[i] != 0) heap_[++heapSize_] = static_cast<std::uint16_t>(i);
  }
  if (heapSize_ < 2) {
    codes[heap_[1]] = 0;
    return heap_[1];
  }
  for (int i = heapSize_ / 2; i >= 1; --i) HeapSiftDown(i, freq);

  // The symbols in the order they leave the heap, least frequent first. The codes array is free
  // until the codes are assigned, so the list lives there.
  std::uint16_t* leafOrder = codes;
  int leaves = 0;
  int k = 0;
  while (heapSize_ > 1) {
    const int i = heap_[1];
    if (i < n) leafOrder[leaves++] = static_cast<std::uint16_t>(i);
    heap_[1] = heap_[heapSize_--];
    HeapSiftDown(1, freq);
    const int j = heap_[1];
    if (j < n) leafOrder[leaves++] = static_cast<std::uint16_t>(j);
    k = nextNode++;
    freq[k] = static_cast<std::uint16_t>(freq[i] + freq[j]);
    heap_[1] = static_cast<std::uint16_t>(k);
    HeapSiftDown(1, freq);
    TreeLeft[k] = static_cast<std::uint16_t>(i);
    TreeRight[k] = static_cast<std::uint16_t>(j);
  }
  AssignCodeLengths(k, n, leafOrder, leaves, lengths);
  AssignCodes(n, lengths, codes);
  return k;
}

void BlockCoder::AssignCodeLengths(int root, int n, const std::uint16_t* leafOrder, int leaves,
                                   std::uint8_t* lengths) {
  LengthCount.fill(0);

  // Count the leaves per depth; every leaf deeper than 16 is counted at 16 for now. A tree over
  // at most 510 symbols has at most 1019 nodes, so the explicit stack never overflows.
  struct Entry {
    std::uint16_t node;
    std::uint16_t depth;
  };
  std::array<Entry, CharNodes> stack;
  int top = 0;
  stack[top++] = {static_cast<std::uint16_t>(root), 0};
  while (top > 0) {
    const Entry e = stack[--top];
    if (e.node < n) {
      ++LengthCount[std::min<int>(e.depth, MaxCodeLength)];
    } else {
      const auto depth = static_cast<std::uint16_t>(e.depth + 1);
      stack[top++] = {TreeRight[e.node], depth};
      stack[top++] = {TreeLeft[e.node], depth};
    }
  }

  // The clamped lengths overfill the code space by `excess` units of 2^-16. Take that many
  // leaves off length 16, and for each one split the deepest leaf shorter than 16 into two
  // leaves one level deeper: the code is complete again, with the same number of leaves.
  unsigned excess = 0;
  for (int l = 1; l <= MaxCodeLength; ++l) {
    excess += static_cast<unsigned>(LengthCount[l]) << (MaxCodeLength - l);
  }
  excess &= 0xFFFFu;
  if (excess != 0) {
    LengthCount[MaxCodeLength] -= static_cast<int>(excess);
    for (unsigned done = 0; done < excess; ++done) {
      for (int l = MaxCodeLength - 1; l >= 1; --l) {
        if (LengthCount[l] > 0) {
          --LengthCount[l];
          LengthCount[l + 1] += 2;
          break;
        }
      }
    }
  }

  // The least frequent symbols, first to leave the heap, get the longest codes.
  int next = 0;
  for (int l = MaxCodeLength; l >= 1; --l) {
    for (int count = LengthCount[l]; count > 0 && next < leaves; --count) {
      lengths[leafOrder[next++]] = static_cast<std::uint8_t>(l);
    }
  }
}

void BlockCoder::AssignCodes(int n, const std::uint8_t* lengths, std::uint16_t* codes) {
  // start[l] is the next free left-aligned code of length l. Length 0 (an unused symbol) gets a
  // value that is never written.
  std::array<unsigned, MaxCodeLength + 1> start{};
  std::array<unsigned, MaxCodeLength + 1> weight{};
  for (int l = 1; l <= MaxCodeLength; ++l) weight[l] = 1u << (MaxCodeLength - l);
  for (int l = 1; l < MaxCodeLength; ++l) {
    start[l + 1] = (start[l] + static_cast<unsigned>(LengthCount[l]) * weight[l]) & 0xFFFFu;
  }
  for (int c = 0; c < n; ++c) {
    const int l = lengths[c];
    codes[c] = static_cast<std::uint16_t>(start[l]);
    start[l] += weight[l];
  }
}

int BlockCoder::CharLengthsToSend() const {
  int m = CharAlphabet;
  while (m > 0 && CharLengths[m - 1] == 0) --m;
  return m;
}

void BlockCoder::CountLenCodeUse() {
  std::fill_n(LenCodeFreq.begin(), LenCodeAlphabet, std::uint16_t{0});
  const int m = CharLengthsToSend();
  int i = 0;
  while (i < m) {
    const int k = CharLengths[i++];
    if (k != 0) {
      ++LenCodeFreq[k + 2];
      continue;
    }
    int run = 1;
    while (i < m && CharLengths[i] == 0) {
      ++i;
      ++run;
    }
    if (run <= 2) {
      LenCodeFreq[0] = static_cast<std::uint16_t>(LenCodeFreq[0] + run);
    } else if (run <= 18) {
      ++LenCodeFreq[1];
    } else if (run == 19) {
      ++LenCodeFreq[0];
      ++LenCodeFreq[1];
    } else {
      ++LenCodeFreq[2];
    }
  }
}

void BlockCoder::WriteCharLengths() {
  const int m = CharLengthsToSend();
  WriteBits(CharCountBits, static_cast<unsigned>(m));
  int i = 0;
  while (i < m) {
    const int k = CharLengths[i++];
    if (k != 0) {
      WriteTopBits(AuxLengths[k + 2], AuxCodes[k + 2]);
      continue;
    }
    int run = 1;
    while (i < m && CharLengths[i] == 0) {
      ++i;
      ++run;
    }
    if (run <= 2) {
      for (int z = 0; z < run; ++z) WriteTopBits(AuxLengths[0], AuxCodes[0]);
    } else if (run <= 18) {
      WriteTopBits(AuxLengths[1], AuxCodes[1]);
      WriteBits(4, static_cast<unsigned>(run - 3));
    } else if (run == 19) {
      // 19 does not fit the short run's 4 bits: one single zero, then a run of 18.
      WriteTopBits(AuxLengths[0], AuxCodes[0]);
      WriteTopBits(AuxLengths[1], AuxCodes[1]);
      WriteBits(4, 15);
    } else {
      WriteTopBits(AuxLengths[2], AuxCodes[2]);
      WriteBits(CharCountBits, static_cast<unsigned>(run - 20));
    }
  }
}

void BlockCoder::WriteAuxLengths(int n, int countBits, int zeroRunIndex) {
  while (n > 0 && AuxLengths[n - 1] == 0) --n;
  WriteBits(countBits, static_cast<unsigned>(n));
  int i = 0;
  while (i < n) {
    const int k = AuxLengths[i++];
    if (k <= 6) {
      WriteBits(3, static_cast<unsigned>(k));
    } else {
      // k - 4 one-bits and a closing zero.
      WriteBits(k - 3, (1u << (k - 3)) - 2);
    }
    if (i == zeroRunIndex) {
      while (i < 6 && AuxLengths[i] == 0) ++i;
      WriteBits(2, static_cast<unsigned>(i - 3));
    }
  }
}

void BlockCoder::EncodeOffset(unsigned o) {
  const int j = OffsetClass(o);
  WriteTopBits(AuxLengths[j], AuxCodes[j]);
  if (j > 1) WriteBits(j - 1, o);
}

void BlockCoder::FlushBlock() {
  const int root = BuildHuffmanCode(CharAlphabet, CharFreq.data(), CharLengths.data(),
                                    CharCodes.data());
  const unsigned count = CharFreq[root];
  WriteBits(16, count);

  if (root >= CharAlphabet) {
    CountLenCodeUse();
    const int r = BuildHuffmanCode(LenCodeAlphabet, LenCodeFreq.data(), AuxLengths.data(),
                                   AuxCodes.data());
    if (r >= LenCodeAlphabet) {
      WriteAuxLengths(LenCodeAlphabet, LenCodeCountBits, kLenCodeZeroRunAt);
    } else {
      WriteBits(LenCodeCountBits, 0);
      WriteBits(LenCodeCountBits, static_cast<unsigned>(r));
    }
    WriteCharLengths();
  } else {
    // One symbol only: both lists in their single-symbol form, and the items take no bits.
    WriteBits(LenCodeCountBits, 0);
    WriteBits(LenCodeCountBits, 0);
    WriteBits(CharCountBits, 0);
    WriteBits(CharCountBits, static_cast<unsigned>(root));
  }

  // The position code replaces the length code in the auxiliary tables, which is why the
  // character lengths must be written first.
  const int r = BuildHuffmanCode(PosAlphabet, PosFreq.data(), AuxLengths.data(), AuxCodes.data());
  if (r >= PosAlphabet) {
    WriteAuxLengths(PosAlphabet, PosCountBits, kNoZeroRun);
  } else {
    WriteBits(PosCountBits, 0);
    WriteBits(PosCountBits, static_cast<unsigned>(r));
  }

  int pos = 0;
  unsigned flags = 0;
  for (unsigned item = 0; item < count; ++item) {
    if ((item & 7) == 0) {
      flags = ItemBuffer[pos++];
    } else {
      flags = (flags << 1) & 0xFFu;
    }
    if (flags & 0x80u) {
      EncodeCharSymbol(ItemBuffer[pos] + 256u);
      const unsigned o = (static_cast<unsigned>(ItemBuffer[pos + 1]) << 8) | ItemBuffer[pos + 2];
      pos += 3;
      EncodeOffset(o);
    } else {
      EncodeCharSymbol(ItemBuffer[pos++]);
    }
  }

  std::fill_n(CharFreq.begin(), CharAlphabet, std::uint16_t{0});
  std::fill_n(PosFreq.begin(), PosAlphabet, std::uint16_t{0});
  EmitWholeBytes();
  HandOver();
}

}  // namespace zev::compress::lzh5
