// LZH5 encoder (method 4).
//
// The match finder keeps every position of the 8 KiB window as a leaf of a trie (a compacted
// suffix tree of the window's strings, cut at 256 bytes). Inserting the string at the current
// position walks down from its first byte's root and yields the longest earlier string equal
// to it, with no limit on the search. When the previous position matched at least 4 bytes, the
// walk starts one byte further along that match instead of at the root. Every internal node
// remembers the most recent position that passed through it; those values are passed up to the
// parent only lazily (bit 15 marks a node whose value its parent has not seen yet), so removing
// the string that leaves the window never rescans a subtree.
//
// The text buffer holds the window, the current string and 256 bytes of look-ahead. Positions
// run from 8448 to 16383 in the first pass and from 8192 to 16383 after each slide; a position
// taken from the trie that is at or above the current one belongs to the pass before the last
// slide and lies 8192 bytes lower.
//
// Which position a match names. The length is always the longest in the window (capped at 256),
// but the position is the recent position stored in the node where the search ended, and that
// value is only as fresh as the lazy updates have left it: a node whose newer position has not
// been passed up yet still names an older string of the same length. So the offset is not always
// the nearest one (a few percent of matches on text and binary data, a third on a phrase repeated
// with edits), and which one it is depends on the order of every insertion and deletion since the
// start, far beyond the 8 KiB window: a trie built afresh a window before a point names different
// positions tens of kilobytes later. No other finder (hash chains, suffix arrays, pieces searched
// in parallel) reproduces these offsets, so this exact level keeps the trie; the fast and best
// levels (lzh5_fast_finder.h, lzh5_optimal_parser.h) write different, equally valid streams.
//
// A match is used when it is at least 3 bytes long and the match at the next position is not
// longer (one-step lazy choice; on a tie the earlier match wins). Lengths are always clipped to
// the real input that is left, so no match reaches into the filler after the end.
#include "compress/lzh5_encoder.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <cstring>
#include <memory>

#include "compress/codec_frame_io.h"
#include "compress/lzh5_block_coder.h"
#include "compress/lzh5_fast_finder.h"
#include "compress/lzh5_format.h"
#include "compress/lzh5_optimal_parser.h"

namespace zev::compress {

namespace {

using lzh5::MaxMatch;
using lzh5::MinMatch;
using lzh5::WindowMask;
using lzh5::WindowSize;

constexpr int kTextSize = 2 * WindowSize + MaxMatch;     // 16640
constexpr int kFirstPos = WindowSize + MaxMatch;         // 8448: where the first pass starts
constexpr int kPassEnd = 2 * WindowSize;                 // 16384: the slide happens here
constexpr int kRootBase = WindowSize;                    // roots 8192 + first byte
constexpr int kNodeCount = WindowSize + 256;             // internal nodes 1..8191 and the roots
constexpr int kLeafEnd = 2 * WindowSize;                 // leaves 8192..16383
constexpr int kBucketBase = 2 * WindowSize;              // sibling-list heads from 16384
constexpr int kBucketBits = 15;
constexpr int kBucketCount = 1 << kBucketBits;           // heads 16384..49151
constexpr std::uint16_t kStaleFlag = 0x8000;

// The state of one run, allocated once per member.
struct Encoder {
  explicit Encoder(CodecFrame& frame) : frame(frame), coder(frame) {}

  CodecFrame& frame;
  // Eight bytes of slack past the text let match comparisons load whole words.
  std::array<std::uint8_t, kTextSize + 8> TextBuffer{};
  std::array<std::uint8_t, kNodeCount> NodeDepth{};
  std::array<std::uint8_t, kNodeCount> ChildCount{};
  // The links of node or leaf i are the four words from 4i on: its parent, the next entry of its
  // sibling list, its predecessor in that list, and (for internal nodes and roots) the recent
  // position. A step along a list reads the parent and the next entry together, and relinking
  // writes all of them, so they share one cache line. The list heads follow, one word per bucket.
  //
  // A first entry's predecessor is its list's bucket number (kBucketBase and up). Both kinds of
  // predecessor hold the entry's number in one word of this array (Successor), so unlinking or
  // replacing an entry picks that word with a select instead of a branch between two arrays.
  static constexpr int kHeadWords = 4 * kBucketBase;
  std::array<std::uint16_t, kHeadWords + kBucketCount> Words{};
  std::uint16_t& NodeParent(int i) { return Words[static_cast<std::size_t>(4 * i)]; }
  std::uint16_t& LinkNext(int i) { return Words[static_cast<std::size_t>(4 * i + 1)]; }
  std::uint16_t& LinkPrev(int i) { return Words[static_cast<std::size_t>(4 * i + 2)]; }
  std::uint16_t& NodePos(int i) { return Words[static_cast<std::size_t>(4 * i + 3)]; }
  std::uint16_t& Head(int h) { return Words[static_cast<std::size_t>(kHeadWords + h - kBucketBase)]; }
  // The word that holds the entry after p: p's next entry, or the head of bucket p.
  std::uint16_t& Successor(int p) {
    const int word = p >= kBucketBase ? kHeadWords + p - kBucketBase : 4 * p + 1;
    return Words[static_cast<std::size_t>(word)];
  }
  int FreeNode = 1;

  int CurPos = kFirstPos;
  int BytesLeft = 0;
  int MatchPos = 0;
  int MatchLen = 0;

  lzh5::BlockCoder coder;

  void Run();

  void InitTrie();
  // The sibling list (bucket) of q's child that continues with byte c. Lists are shared by
  // different (q, c) pairs and searched for the entry whose parent is q, so the hash only needs
  // to tell apart the children of one node: for a fixed q it is one-to-one in c.
  static int ChildHash(int q, int c) {
    return kBucketBase + ((q * 0x9E37 + c) & (kBucketCount - 1));
  }
  int FindChild(int q, int c);
  void AddChild(int q, int c, int r);
  // Puts `to` where `from` stands in from's sibling list.
  void ReplaceInList(int from, int to);
  void Unlink(int r);
  void SplitEdge(int old);
  void InsertPosition();
  void DeletePosition();
  void AdvancePosition();
  // A trie position in the coordinates of the current pass.
  int Unwrap(int p) const { return p >= CurPos ? p - WindowSize : p; }
};

void Encoder::InitTrie() {
  for (int i = kRootBase; i < kNodeCount; ++i) {
    NodeDepth[i] = 1;
    NodePos(i) = 0;
  }
  for (int i = kRootBase; i < kLeafEnd; ++i) NodeParent(i) = 0;
  FreeNode = 1;
  for (int i = 1; i < WindowSize - 1; ++i) LinkNext(i) = static_cast<std::uint16_t>(i + 1);
  LinkNext(WindowSize - 1) = 0;
  std::fill(Words.begin() + kHeadWords, Words.end(), std::uint16_t{0});
}

inline int Encoder::FindChild(int q, int c) {
  int r = Head(ChildHash(q, c));
  // Slot 0 ends every list; making it look like q's child stops the search there.
  NodeParent(0) = static_cast<std::uint16_t>(q);
  // One load takes an entry's parent and next entry together.
  for (;;) {
    std::uint32_t both;
    std::memcpy(&both, &NodeParent(r), sizeof both);
    const unsigned parent = std::endian::native == std::endian::little ? both & 0xFFFFu : both >> 16;
    if (parent == static_cast<unsigned>(q)) return r;
    r = static_cast<int>(std::endian::native == std::endian::little ? both >> 16 : both & 0xFFFFu);
  }
}

inline void Encoder::AddChild(int q, int c, int r) {
  const int h = ChildHash(q, c);
  const int t = Head(h);
  Head(h) = static_cast<std::uint16_t>(r);
  LinkNext(r) = static_cast<std::uint16_t>(t);
  LinkPrev(t) = static_cast<std::uint16_t>(r);
  LinkPrev(r) = static_cast<std::uint16_t>(h);
  NodeParent(r) = static_cast<std::uint16_t>(q);
  ++ChildCount[q];
}

inline void Encoder::ReplaceInList(int from, int to) {
  const int prev = LinkPrev(from);
  LinkPrev(to) = static_cast<std::uint16_t>(prev);
  Successor(prev) = static_cast<std::uint16_t>(to);
  const int next = LinkNext(from);
  LinkNext(to) = static_cast<std::uint16_t>(next);
  LinkPrev(next) = static_cast<std::uint16_t>(to);
}

inline void Encoder::Unlink(int r) {
  const int prev = LinkPrev(r);
  const int next = LinkNext(r);
  Successor(prev) = static_cast<std::uint16_t>(next);
  LinkPrev(next) = static_cast<std::uint16_t>(prev);
}

void Encoder::SplitEdge(int old) {
  const int node = FreeNode;
  FreeNode = LinkNext(node);
  ChildCount[node] = 0;
  ReplaceInList(old, node);
  NodeParent(node) = NodeParent(old);
  NodeDepth[node] = static_cast<std::uint8_t>(MatchLen);
  NodePos(node) = static_cast<std::uint16_t>(CurPos);
  AddChild(node, TextBuffer[MatchPos + MatchLen], old);
  AddChild(node, TextBuffer[CurPos + MatchLen], CurPos);
}

void Encoder::InsertPosition() {
  int q = 0;
  int r = 0;
  if (MatchLen >= 4) {
    // The string here agrees with the one after the previous match for MatchLen - 1 bytes:
    // start from that leaf (or the newer leaf that replaced it) and climb to the deepest node
    // that is still shorter than the agreement.
    --MatchLen;
    r = (MatchPos + 1) | WindowSize;
    while (NodeParent(r) == 0) r = LinkNext(r);
    q = NodeParent(r);
    while (NodeDepth[q] >= MatchLen) {
      r = q;
      q = NodeParent(q);
    }
    int t = q;
    while (NodePos(t) & kStaleFlag) {
      NodePos(t) = static_cast<std::uint16_t>(CurPos);
      t = NodeParent(t);
    }
    if (t < kRootBase) NodePos(t) = static_cast<std::uint16_t>(CurPos | kStaleFlag);
  } else {
    q = kRootBase + TextBuffer[CurPos];
    const int c = TextBuffer[CurPos + 1];
    r = FindChild(q, c);
    if (r == 0) {
      AddChild(q, c, CurPos);
      MatchLen = 1;
      return;
    }
    MatchLen = 2;
  }

  const std::uint8_t* const text = TextBuffer.data();
  const std::uint8_t* const current = text + CurPos;
  for (;;) {
    int limit = 0;
    if (r >= kRootBase) {
      limit = MaxMatch;
      MatchPos = r;
    } else {
      limit = NodeDepth[r];
      MatchPos = NodePos(r) & ~kStaleFlag;
    }
    if (MatchPos >= CurPos) MatchPos -= WindowSize;
    const std::uint8_t* const earlier = text + MatchPos;
    // Eight bytes at a time; the slack after the text buffer keeps the last loads inside it.
    while (MatchLen < limit) {
      std::uint64_t a, b;
      std::memcpy(&a, current + MatchLen, sizeof a);
      std::memcpy(&b, earlier + MatchLen, sizeof b);
      const std::uint64_t difference = a ^ b;
      if (difference == 0) {
        MatchLen += 8;
        continue;
      }
      int same = 0;
      if constexpr (std::endian::native == std::endian::little) {
        same = std::countr_zero(difference) / 8;
      } else {
        same = std::countl_zero(difference) / 8;
      }
      if (MatchLen + same < limit) {
        MatchLen += same;
        SplitEdge(r);
        return;
      }
      MatchLen = limit;
    }
    if (MatchLen > limit) MatchLen = limit;
    if (MatchLen == MaxMatch) break;
    NodePos(r) = static_cast<std::uint16_t>(CurPos);
    q = r;
    const int c = current[MatchLen];
    r = FindChild(q, c);
    if (r == 0) {
      AddChild(q, c, CurPos);
      return;
    }
    ++MatchLen;
  }

  // A full-length match with leaf r: the new leaf takes its place, and r records where its
  // string went.
  ReplaceInList(r, CurPos);
  NodeParent(CurPos) = static_cast<std::uint16_t>(q);
  NodeParent(r) = 0;
  LinkNext(r) = static_cast<std::uint16_t>(CurPos);
}

void Encoder::DeletePosition() {
  if (NodeParent(CurPos) == 0) return;
  Unlink(CurPos);
  const int r = NodeParent(CurPos);
  NodeParent(CurPos) = 0;
  --ChildCount[r];
  if (r >= kRootBase || ChildCount[r] > 1) return;

  // r has one child left and goes; its most recent position moves up to the ancestors that
  // have not seen it yet.
  const int t = Unwrap(NodePos(r) & ~kStaleFlag);
  int s = t;
  int q = NodeParent(r);
  int u = NodePos(q);
  while (u & kStaleFlag) {
    u = Unwrap(u & ~kStaleFlag);
    if (u > s) s = u;
    NodePos(q) = static_cast<std::uint16_t>(s | WindowSize);
    q = NodeParent(q);
    u = NodePos(q);
  }
  if (q < kRootBase) {
    u = Unwrap(u);
    if (u > s) s = u;
    NodePos(q) = static_cast<std::uint16_t>(s | WindowSize | kStaleFlag);
  }

  const int child = FindChild(r, TextBuffer[t + NodeDepth[r]]);
  Unlink(child);
  ReplaceInList(r, child);
  NodeParent(child) = NodeParent(r);
  NodeParent(r) = 0;
  LinkNext(r) = static_cast<std::uint16_t>(FreeNode);
  FreeNode = r;
}

void Encoder::AdvancePosition() {
  --BytesLeft;
  if (++CurPos == kPassEnd) {
    // Slide: the window and the look-ahead move down one pass, and the freed upper half is
    // refilled from the input. Slots past the input's end keep their old contents; they are
    // never coded.
    std::memmove(TextBuffer.data(), TextBuffer.data() + WindowSize, WindowSize + MaxMatch);
    const std::size_t wanted = kTextSize - kFirstPos;
    const std::size_t stored = frame.ReadBytes(TextBuffer.data() + kFirstPos, wanted);
    // The read that met the end stores the 0 it returned, as a byte-wise refill would.
    if (stored < wanted) TextBuffer[kFirstPos + stored] = 0;
    BytesLeft += static_cast<int>(stored);
    CurPos = WindowSize;
  }
  // The list a root-level insertion two positions on will search: asking for it now hides most
  // of its cache miss behind this position's work. (The text is read within the look-ahead.)
  __builtin_prefetch(&Head(ChildHash(kRootBase + TextBuffer[CurPos + 2], TextBuffer[CurPos + 3])));
  DeletePosition();
  InsertPosition();
}

void Encoder::Run() {
  InitTrie();
  coder.Reset();

  CurPos = kFirstPos;
  BytesLeft = 0;
  // Every slot of the first pass is visited; those after the input's end hold spaces.
  // A read that meets the end (or an abort) leaves its slot a space, and the next slot asks
  // again, as a byte-by-byte fill would.
  for (int slot = kFirstPos; slot < kTextSize;) {
    const std::size_t stored =
        frame.ReadBytes(TextBuffer.data() + slot, static_cast<std::size_t>(kTextSize - slot));
    slot += static_cast<int>(stored);
    BytesLeft += static_cast<int>(stored);
    if (slot < kTextSize) TextBuffer[slot++] = 0x20;
  }
  if (BytesLeft == 0) return;

  MatchPos = 0;
  MatchLen = 0;
  InsertPosition();
  while (BytesLeft > 0) {
    const int lastLen = MatchLen;
    const int lastPos = MatchPos;
    AdvancePosition();
    if (MatchLen > BytesLeft) MatchLen = BytesLeft;
    if (lastLen < MatchLen || lastLen < MinMatch) {
      coder.QueueItem(TextBuffer[CurPos - 1], 0);
    } else {
      // The match starts at CurPos - 1; its offset is one less than the distance back.
      coder.QueueItem(static_cast<unsigned>(lastLen + 256 - MinMatch),
                      static_cast<unsigned>(CurPos - lastPos - 2) & WindowMask);
      for (int i = 1; i < lastLen; ++i) AdvancePosition();
      if (MatchLen > BytesLeft) MatchLen = BytesLeft;
    }
  }
  coder.FlushBlock();
  coder.FinishStream();
}

}  // namespace

void Lzh5Encode(CodecFrame& frame, CompressionLevel level) {
  switch (level) {
    case CompressionLevel::Fast: Lzh5EncodeFast(frame); return;
    case CompressionLevel::Best: Lzh5EncodeBest(frame); return;
    case CompressionLevel::Exact: break;
  }
  auto encoder = std::make_unique<Encoder>(frame);
  encoder->Run();
}

}  // namespace zev::compress
