// LZH5 decoder (method 4).
//
// The stream is a sequence of blocks. Each block starts with its item count and three code-length
// lists (the length code, the character/length code and the position-class code), from which the
// decoder builds canonical Huffman decode tables; then come the items: literal bytes and matches
// of 3..256 bytes reaching up to 8192 bytes back. Symbols are decoded through a direct lookup
// table of 12 bits (characters) or 8 bits (the two auxiliary codes) whose entries carry the
// symbol together with its code length; only the rare longer codes walk a small binary tree
// hanging off a table slot.
//
// Every code-length list is checked before a table is built from it: a list that does not fill
// the code space exactly, a length above 16, a count or run that would reach past the character
// alphabet, or a single-symbol value outside its alphabet is refused with ELZHBadDecodeTable, so
// no input can make the decoder index outside its tables or window.
#include "compress/lzh5_decoder.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <cstring>
#include <memory>

#include "compress/codec_frame_io.h"
#include "compress/errors.h"
#include "compress/lzh5_format.h"

namespace zev::compress {

namespace {

using lzh5::AuxTableBits;
using lzh5::CharAlphabet;
using lzh5::CharCountBits;
using lzh5::CharTableBits;
using lzh5::LenCodeAlphabet;
using lzh5::LenCodeCountBits;
using lzh5::MaxCodeLength;
using lzh5::MaxMatch;
using lzh5::MinMatch;
using lzh5::PosAlphabet;
using lzh5::PosCountBits;
using lzh5::WindowMask;
using lzh5::WindowSize;

// The length-code list announces up to 31 entries in its 5-bit count, and its zero run may add
// three more; entries past the alphabet are read and then ignored.
constexpr int kAuxLengthRoom = 34;
// A complete code over A symbols has at most A - 2 internal nodes below the table level, and nodes
// are numbered from A upward, so 2 * 510 - 1 slots hold the nodes of every alphabet.
constexpr int kTreeNodes = 2 * CharAlphabet - 1;
// The item after which the length-code list carries its 2-bit zero run.
constexpr int kLenCodeZeroRunAt = 3;
constexpr int kNoZeroRun = -1;

// The length-code symbols below this value stand for runs of zero lengths.
constexpr int kLenCodeRunSymbols = 3;

// A table entry is either a symbol (low 9 bits) with its code length (the bits above), or, with
// kTreeEntry set, the first tree node of the codes longer than the table's index width.
constexpr std::uint16_t kTreeEntry = 0x8000;
constexpr int kEntryLengthShift = 9;
constexpr std::uint16_t kEntrySymbolMask = (1u << kEntryLengthShift) - 1;

// Output is produced into a linear history buffer instead of a ring: the 8192 bytes before the
// write position are always the window, so a match never wraps, and a copy may run up to
// kCopyOverrun bytes past its end into slots that nothing has written yet. Once the write
// position passes kSlideAt, the last 8192 bytes move to the front. The buffer starts with a
// window of spaces, which matches reaching back before the first byte copy.
constexpr std::uint32_t kCopyOverrun = 16;
constexpr std::uint32_t kHistorySize = 64 * 1024;
constexpr std::uint32_t kSlideAt = WindowSize + kHistorySize;
constexpr std::uint32_t kHistoryBufferSize = kSlideAt + MaxMatch + kCopyOverrun;

[[noreturn]] void ThrowBadTable() { throw ELZHBadDecodeTable(); }

// The working set of one Lzh5Decode call, allocated once and released on every exit.
struct DecoderTables {
  std::array<std::uint8_t, kHistoryBufferSize> history;
  std::array<std::uint8_t, CharAlphabet> charLengths;
  std::array<std::uint8_t, kAuxLengthRoom> auxLengths;
  std::array<std::uint16_t, 1 << CharTableBits> charTable;
  std::array<std::uint16_t, 1 << AuxTableBits> auxTable;
  std::array<std::uint16_t, kTreeNodes> treeLeft;
  std::array<std::uint16_t, kTreeNodes> treeRight;
};

// Keeps the next unread bits of the stream in the top `count_` bits of `bits_` (the bits below
// them are 0). Whenever fewer than 16 remain it tops up: seven or six whole bytes at once while at
// least eight are buffered in the frame, and otherwise one byte at a time, only until 16 bits are
// there. So the frame's refill of the next input block (and with it the progress report) comes at
// exactly the bit at which a plain 16-bit bit buffer fed one byte at a time would ask for it;
// where an abort from the progress handler lands in the stream does not depend on how this reader
// is built.
//
// The bits below the top count_ of bits_ are always 0. So once the member's data is used up, the
// reader needs no bits of its own: the stream reads on as zero bits, and count_, which then
// counts the data's bits still unconsumed, falls below 0 when one of them is consumed. Looking
// ahead is harmless (every lookup peeks 16 bits), but consuming a bit the data does not have means
// the member is damaged; the reader says so at its next top-up, before a run of zero bits can
// decode into any amount of output. Only the top-up past the end pays for it. After an abort from
// the progress handler the zero bits are not past the member's end and go on being decoded, as
// they always were.
//
// The frame is passed to each call rather than held: sixteen bytes of state travel in two
// registers through ReadBlockHeader, which keeps them in registers in the decoding loop too.
class BitReader {
 public:
  void Start(CodecFrame& frame) {
    bits_ = 0;
    count_ = 0;
    Fill(frame, [] {});
  }

  void CheckNothingConsumedPastEnd(const CodecFrame& frame) const {
    if (count_ < 0 && !frame.InputAborted()) throw ETruncatedData();
  }

  // The next 16 bits, first bit in the most significant position, without consuming them.
  std::uint32_t Peek16() const { return static_cast<std::uint32_t>(bits_ >> 48); }
  // The next n (1..16) bits, without consuming them.
  std::uint32_t PeekBits(int n) const { return static_cast<std::uint32_t>(bits_ >> (64 - n)); }

  // beforeRefill runs when the frame may have to fetch the next input block, so that the caller
  // can first hand over the output it holds back.
  template <class BeforeRefill>
  void Skip(CodecFrame& frame, int n, BeforeRefill&& beforeRefill) {
    bits_ <<= n;
    count_ -= n;
    if (count_ < 16) Fill(frame, beforeRefill);
  }
  void Skip(CodecFrame& frame, int n) { Skip(frame, n, [] {}); }

  // n = 0..16; reading 0 bits yields 0 and consumes nothing.
  std::uint32_t Read(CodecFrame& frame, int n) {
    std::uint32_t value = Peek16() >> (16 - n);
    Skip(frame, n);
    return value;
  }

 private:
  template <class BeforeRefill>
  void Fill(CodecFrame& frame, BeforeRefill&& beforeRefill) {
    if (frame.BufferedInput() >= 8) {
      const auto bytes = static_cast<unsigned>(63 - count_) >> 3;
      bits_ |= frame.TakeBytes(bytes) << (64 - count_ - static_cast<int>(8 * bytes));
      count_ += static_cast<int>(8 * bytes);
      return;
    }
    // After the input has ended the frame is not asked again. After an abort the zero bits count
    // as read, which keeps the count in bounds however long the member goes on.
    if (frame.InputEnded()) {
      if (count_ < 0) [[unlikely]] {
        CheckNothingConsumedPastEnd(frame);
        count_ = 0;
      }
      return;
    }
    beforeRefill();
    while (count_ < 16) {
      const std::uint8_t b = frame.ReadByte();
      if (frame.InputEnded()) return;
      bits_ |= static_cast<std::uint64_t>(b) << (56 - count_);
      count_ += 8;
    }
  }

  std::uint64_t bits_ = 0;
  // The bits of bits_ that came from the input and are not consumed yet.
  int count_ = 0;
};

// Stores value in the n slots from p on; n is a power of two and p a multiple of n slots from the
// table's start, so four slots at a time never split a run.
inline void FillSlots(std::uint16_t* p, std::uint32_t n, std::uint16_t value) {
  if (n >= 4) {
    const std::uint64_t word = value * 0x0001000100010001ull;
    for (std::uint32_t i = 0; i < n; i += 4) std::memcpy(p + i, &word, sizeof word);
  } else {
    for (std::uint32_t i = 0; i < n; ++i) p[i] = value;
  }
}

// Builds the decode table of index width tableBits for a canonical code over `alphabet` symbols.
// Codes of tableBits bits or fewer fill 2^(tableBits - length) consecutive slots with the symbol
// and its length; a longer code shares a slot with other codes of the same prefix and continues in
// a tree whose nodes are numbered from `alphabet` upward, so any value below the alphabet size in
// the tree is a symbol.
void BuildDecodeTable(DecoderTables& t, int alphabet, const std::uint8_t* lengths, int tableBits,
                      std::uint16_t* table) {
  std::array<std::uint32_t, MaxCodeLength + 1> count{};
  for (int s = 0; s < alphabet; ++s) ++count[lengths[s]];

  std::array<std::uint32_t, MaxCodeLength + 2> start{};
  for (int l = 1; l <= MaxCodeLength; ++l) start[l + 1] = start[l] + (count[l] << (16 - l));
  if (start[MaxCodeLength + 1] != 0x10000u) ThrowBadTable();

  const int shift = 16 - tableBits;
  std::array<std::uint32_t, MaxCodeLength + 1> step{};
  for (int l = 1; l <= tableBits; ++l) {
    start[l] >>= shift;
    step[l] = 1u << (tableBits - l);
  }
  for (int l = tableBits + 1; l <= MaxCodeLength; ++l) step[l] = 1u << (16 - l);

  // Only the slots not covered by a short code are cleared: they get trees, and 0 marks one that
  // has no tree yet.
  const std::uint32_t tableSize = 1u << tableBits;
  const std::uint32_t treeSlots = start[tableBits + 1] >> shift;
  for (std::uint32_t i = treeSlots; i < tableSize; ++i) table[i] = 0;

  std::uint32_t nextNode = static_cast<std::uint32_t>(alphabet);
  auto newNode = [&] {
    // Cannot run out for a complete code; kept so that the node arrays are never overrun.
    if (nextNode >= static_cast<std::uint32_t>(kTreeNodes)) ThrowBadTable();
    t.treeLeft[nextNode] = t.treeRight[nextNode] = 0;
    return static_cast<std::uint16_t>(nextNode++);
  };
  for (int s = 0; s < alphabet; ++s) {
    const int l = lengths[s];
    if (l == 0) continue;
    const auto symbol = static_cast<std::uint16_t>(s);
    if (l <= tableBits) {
      FillSlots(table + start[l], step[l], static_cast<std::uint16_t>(symbol | (l << kEntryLengthShift)));
    } else {
      const std::uint32_t code = start[l];
      std::uint16_t& entry = table[code >> shift];
      if (entry == 0) entry = static_cast<std::uint16_t>(kTreeEntry | newNode());
      std::uint32_t mask = 1u << (15 - tableBits);
      std::uint16_t* slot = (code & mask) ? &t.treeRight[entry & ~kTreeEntry] : &t.treeLeft[entry & ~kTreeEntry];
      for (int i = tableBits + 1; i < l; ++i) {
        if (*slot == 0) *slot = newNode();
        mask >>= 1;
        slot = (code & mask) ? &t.treeRight[*slot] : &t.treeLeft[*slot];
      }
      *slot = symbol;
    }
    start[l] += step[l];
  }
}

// Decodes one symbol: one table lookup, and for codes longer than the table's index width a walk
// down the tree with the bits after the first tableBits. Node numbers only ever grow along a path,
// so the walk ends even on tables it was never meant to see.
template <class BeforeRefill>
inline int DecodeSymbol(BitReader& in, CodecFrame& frame, const DecoderTables& t, const std::uint16_t* table,
                        int tableBits, int alphabet, const std::uint8_t* lengths,
                        BeforeRefill&& beforeRefill) {
  std::uint32_t e = table[in.PeekBits(tableBits)];
  int length = 0;
  if (e & kTreeEntry) [[unlikely]] {
    const std::uint32_t peek = in.Peek16();
    e &= ~static_cast<std::uint32_t>(kTreeEntry);
    std::uint32_t mask = 1u << (15 - tableBits);
    do {
      e = (peek & mask) ? t.treeRight[e] : t.treeLeft[e];
      mask >>= 1;
    } while (e >= static_cast<std::uint32_t>(alphabet));
    length = lengths[e];
  } else {
    length = static_cast<int>(e >> kEntryLengthShift);
    e &= kEntrySymbolMask;
  }
  in.Skip(frame, length, beforeRefill);
  return static_cast<int>(e);
}

// Reads the length-code list (zeroRunAt 3) or the position list (no zero run) into auxLengths and
// builds auxTable from it. A count of 0 is followed by the one symbol every lookup then yields.
void ReadAuxLengths(BitReader& in, CodecFrame& frame, DecoderTables& t, int alphabet, int countBits, int zeroRunAt) {
  const auto n = static_cast<int>(in.Read(frame, countBits));
  if (n == 0) {
    const auto symbol = in.Read(frame, countBits);
    if (symbol >= static_cast<std::uint32_t>(alphabet)) ThrowBadTable();
    // The entries carry length 0: the item itself takes no bits.
    t.auxLengths.fill(0);
    t.auxTable.fill(static_cast<std::uint16_t>(symbol));
    return;
  }
  int i = 0;
  while (i < n) {
    // 0..6 in three bits; 7 and more as 7 followed by one 1-bit per extra unit and a closing 0.
    const std::uint32_t peek = in.Peek16();
    int length = static_cast<int>(peek >> 13);
    if (length == 7) {
      const int ones = std::countl_one(static_cast<std::uint16_t>(peek << 3));
      if (ones > MaxCodeLength - 7) ThrowBadTable();
      length += ones;
      in.Skip(frame, length - 3);
    } else {
      in.Skip(frame, 3);
    }
    t.auxLengths[static_cast<std::size_t>(i++)] = static_cast<std::uint8_t>(length);
    if (i == zeroRunAt) {
      for (auto zeros = in.Read(frame, 2); zeros > 0; --zeros) t.auxLengths[static_cast<std::size_t>(i++)] = 0;
    }
  }
  std::fill(t.auxLengths.begin() + std::min(i, alphabet), t.auxLengths.begin() + alphabet,
            std::uint8_t{0});
  BuildDecodeTable(t, alphabet, t.auxLengths.data(), AuxTableBits, t.auxTable.data());
}

// Reads the 510 character lengths, coded with the length code now in auxTable, and builds
// charTable.
void ReadCharLengths(BitReader& in, CodecFrame& frame, DecoderTables& t) {
  const auto n = static_cast<int>(in.Read(frame, CharCountBits));
  if (n == 0) {
    const auto symbol = in.Read(frame, CharCountBits);
    if (symbol >= static_cast<std::uint32_t>(CharAlphabet)) ThrowBadTable();
    t.charLengths.fill(0);
    t.charTable.fill(static_cast<std::uint16_t>(symbol));
    return;
  }
  if (n > CharAlphabet) ThrowBadTable();
  int i = 0;
  while (i < n) {
    const int code = DecodeSymbol(in, frame, t, t.auxTable.data(), AuxTableBits, LenCodeAlphabet,
                                  t.auxLengths.data(), [] {});
    if (code >= kLenCodeRunSymbols) {
      t.charLengths[static_cast<std::size_t>(i++)] = static_cast<std::uint8_t>(code - 2);
      continue;
    }
    int run = 1;
    if (code == 1) run = static_cast<int>(in.Read(frame, 4)) + 3;
    if (code == 2) run = static_cast<int>(in.Read(frame, CharCountBits)) + 20;
    if (run > CharAlphabet - i) ThrowBadTable();
    std::fill_n(t.charLengths.begin() + i, run, std::uint8_t{0});
    i += run;
  }
  std::fill(t.charLengths.begin() + i, t.charLengths.end(), std::uint8_t{0});
  BuildDecodeTable(t, CharAlphabet, t.charLengths.data(), CharTableBits, t.charTable.data());
}

// The header of every block: item count, then the three code-length lists in stream order. The
// position list replaces the length code in the shared auxiliary arrays once the character
// lengths no longer need it.
//
// The bit reader goes in and comes back by value: the decoding loop keeps it in registers only
// as long as its address never leaves the loop, since every output byte is stored through a
// byte pointer that could otherwise alias it.
struct BlockStart {
  BitReader in;
  std::uint16_t items;
};

BlockStart ReadBlockHeader(BitReader in, CodecFrame& frame, DecoderTables& t) {
  const auto items = static_cast<std::uint16_t>(in.Read(frame, 16));
  ReadAuxLengths(in, frame, t, LenCodeAlphabet, LenCodeCountBits, kLenCodeZeroRunAt);
  ReadCharLengths(in, frame, t);
  ReadAuxLengths(in, frame, t, PosAlphabet, PosCountBits, kNoZeroRun);
  return {in, items};
}

}  // namespace

void Lzh5Decode(CodecFrame& frame, std::int32_t outputSize) {
  if (outputSize <= 0) return;
  auto tables = std::make_unique<DecoderTables>();
  DecoderTables& t = *tables;
  std::uint8_t* const history = t.history.data();

  std::uint16_t blockItemsLeft = 0;
  BitReader in;
  in.Start(frame);
  std::memset(history, 0x20, WindowSize);
  // history[flushed, wpos) has been produced but not yet handed to the frame. It goes before
  // every block header (so an error there leaves the frame as a byte-wise writer would), before
  // every input refill (so progress reports see the same output), before the history slides,
  // and at the end.
  std::uint32_t wpos = WindowSize;
  std::uint32_t flushed = WindowSize;
  auto handOver = [&] {
    if (wpos > flushed) frame.WriteBytes(history + flushed, wpos - flushed);
    flushed = wpos;
  };
  // 64 bits: the last match may carry the count up to 255 past a size near 2^31.
  std::int64_t produced = 0;

  while (produced < outputSize) {
    if (blockItemsLeft == 0) {
      handOver();
      const BlockStart block = ReadBlockHeader(in, frame, t);
      in = block.in;
      blockItemsLeft = block.items;
    }
    if (wpos >= kSlideAt) [[unlikely]] {
      handOver();
      std::memmove(history, history + wpos - WindowSize, WindowSize);
      wpos = flushed = WindowSize;
    }
    // Items until the block, the history buffer or the output ends.
    const std::uint32_t begin = wpos;
    const auto stop = static_cast<std::uint32_t>(
        std::min<std::int64_t>(kSlideAt, wpos + (outputSize - produced)));
    do {
      // An item count of 0 wraps to 65535 here and so stands for 65536 items.
      --blockItemsLeft;
      const int c = DecodeSymbol(in, frame, t, t.charTable.data(), CharTableBits, CharAlphabet,
                                 t.charLengths.data(), handOver);
      if (c <= 0xFF) {
        history[wpos++] = static_cast<std::uint8_t>(c);
        continue;
      }
      // Class 0 is offset 0 and class 1 offset 1; class j >= 2 covers 2^(j-1) .. 2^j - 1 with
      // j - 1 extra bits. The distance back is the offset + 1.
      const int j = DecodeSymbol(in, frame, t, t.auxTable.data(), AuxTableBits, PosAlphabet,
                                 t.auxLengths.data(), handOver);
      std::uint32_t distance = 1;
      if (j != 0) {
        distance += 1u << (j - 1);
        if (j > 1) {
          distance += in.PeekBits(j - 1);
          in.Skip(frame, j - 1, handOver);
        }
      }
      // A match is copied whole even when it runs past outputSize (the excess is dropped at the
      // end); overlapping copies (distance below the length) read back bytes written by this
      // same match.
      const auto length = static_cast<std::uint32_t>(c - 256 + MinMatch);
      std::uint8_t* const to = history + wpos;
      const std::uint8_t* const from = to - distance;
      wpos += length;
      if (distance >= kCopyOverrun) {
        // Whole 16-byte pieces: each reads only bytes written before it, and the last may spill
        // into the overrun slots.
        for (std::uint32_t k = 0; k < length; k += kCopyOverrun) std::memcpy(to + k, from + k, kCopyOverrun);
      } else if (distance == 1) {
        std::memset(to, *from, length);
      } else {
        // Each byte read was written at least `distance` bytes earlier, so copying in steps of
        // up to `distance` bytes reads what a byte-wise copy would.
        std::uint32_t k = 0;
        if (distance >= 8) {
          for (; k + 8 <= length; k += 8) std::memcpy(to + k, from + k, 8);
        }
        for (; k < length; ++k) to[k] = from[k];
      }
    } while (blockItemsLeft != 0 && wpos < stop);
    produced += wpos - begin;
  }
  in.CheckNothingConsumedPastEnd(frame);
  // Only the last match can reach past outputSize; the frame gets exactly outputSize bytes.
  if (produced > outputSize) wpos -= static_cast<std::uint32_t>(produced - outputSize);
  handOver();
}

}  // namespace zev::compress
