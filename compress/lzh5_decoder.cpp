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

// A table entry holds the bits its item takes in its low 6 bits (the code length; for the position
// code the extra bits too) and, above them, what the symbol means to the loop that reads it: a
// literal byte or a match length for the character code, the extra bits' mask and the distance
// base for the position code, the plain symbol for the length code. With kTreeEntry set it holds
// instead the first tree node of the codes longer than the table's index width.
constexpr std::uint32_t kEntryLengthMask = 0x3F;
constexpr int kEntryValueShift = 8;
constexpr std::uint32_t kTreeEntry = 1u << 31;
// A character entry with kMatchEntry is a match whose length (3..256) sits where a literal's byte
// would.
constexpr std::uint32_t kMatchEntry = 1u << 30;
constexpr std::uint32_t kEntryValueMask = 0x3FF;
// A position entry: the mask of the extra bits (12 bits), then the distance of the class's first
// offset (13 bits).
constexpr int kExtraMaskShift = 6;
constexpr std::uint32_t kExtraMaskBits = 0xFFF;
constexpr int kDistanceBaseShift = 18;

std::uint32_t SymbolValue(int symbol) { return static_cast<std::uint32_t>(symbol) << kEntryValueShift; }

std::uint32_t CharValue(int symbol) {
  if (symbol <= 0xFF) return SymbolValue(symbol);
  return kMatchEntry | SymbolValue(symbol - 256 + MinMatch);
}

// Class 0 is offset 0 and class 1 offset 1; class j >= 2 covers 2^(j-1) .. 2^j - 1 with j - 1
// extra bits. The distance back is the offset + 1.
std::uint32_t PositionValue(int j) {
  const std::uint32_t extraBits = j >= 2 ? static_cast<std::uint32_t>(j - 1) : 0;
  const std::uint32_t base = j == 0 ? 1 : 1 + (1u << (j - 1));
  return extraBits | ((1u << extraBits) - 1) << kExtraMaskShift | base << kDistanceBaseShift;
}

int ExtraBits(std::uint32_t positionEntry) {
  return std::bit_width(positionEntry >> kExtraMaskShift & kExtraMaskBits);
}

using EntryValue = std::uint32_t (*)(int symbol);

// Output is produced into a linear history buffer instead of a ring: the 8192 bytes before the
// write position are always the window, so a match never wraps, and a copy may run up to
// kCopyOverrun bytes past its end into slots that nothing has written yet. Once the write
// position passes kSlideAt, the last 8192 bytes move to the front. The buffer starts with a
// window of spaces, which matches reaching back before the first byte copy.
constexpr std::uint32_t kCopyOverrun = 32;
constexpr std::uint32_t kHistorySize = 64 * 1024;
constexpr std::uint32_t kSlideAt = WindowSize + kHistorySize;
constexpr std::uint32_t kHistoryBufferSize = kSlideAt + MaxMatch + kCopyOverrun;

// The fast loop runs while the frame holds at least this many unread input bytes.
constexpr std::size_t kFastInputMargin = 32;

[[noreturn]] void ThrowBadTable() { throw ELZHBadDecodeTable(); }

// The working set of one Lzh5Decode call, allocated once and released on every exit.
struct DecoderTables {
  std::array<std::uint8_t, kHistoryBufferSize> history;
  std::array<std::uint8_t, CharAlphabet> charLengths;
  std::array<std::uint8_t, kAuxLengthRoom> auxLengths;
  std::array<std::uint32_t, 1 << CharTableBits> charTable;
  std::array<std::uint32_t, 1 << AuxTableBits> auxTable;
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

  // The state as the fast loop takes it over and hands it back (see RunFastItems).
  std::uint64_t Bits() const { return bits_; }
  int Count() const { return count_; }
  void Restore(std::uint64_t bits, int count) {
    bits_ = bits & ~(~std::uint64_t{0} >> count);
    count_ = count;
  }

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
inline void FillSlots(std::uint32_t* p, std::uint32_t n, std::uint32_t value) {
  if (n >= 4) {
    const std::array<std::uint32_t, 4> four = {value, value, value, value};
    for (std::uint32_t i = 0; i < n; i += 4) std::memcpy(p + i, four.data(), sizeof four);
  } else {
    for (std::uint32_t i = 0; i < n; ++i) p[i] = value;
  }
}

// Builds the decode table of index width tableBits for a canonical code over `alphabet` symbols.
// Codes of tableBits bits or fewer fill 2^(tableBits - length) consecutive slots with the
// symbol's entry; a longer code shares a slot with other codes of the same prefix and continues in
// a tree whose nodes are numbered from `alphabet` upward, so any value below the alphabet size in
// the tree is a symbol.
void BuildDecodeTable(DecoderTables& t, int alphabet, const std::uint8_t* lengths, int tableBits,
                      std::uint32_t* table, EntryValue value) {
  // Four partial counts, so that runs of equal lengths do not wait on one counter.
  std::array<std::array<std::uint32_t, MaxCodeLength + 1>, 4> partial{};
  for (int s = 0; s < alphabet; ++s) ++partial[static_cast<std::size_t>(s & 3)][lengths[s]];
  std::array<std::uint32_t, MaxCodeLength + 1> count{};
  for (int l = 0; l <= MaxCodeLength; ++l) {
    const auto i = static_cast<std::size_t>(l);
    count[i] = partial[0][i] + partial[1][i] + partial[2][i] + partial[3][i];
  }

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

  // Only the slots not covered by a short code are cleared: they get trees, and 0 (an entry of
  // length 0, which no code here has) marks one that has no tree yet.
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
    if (l <= tableBits) {
      FillSlots(table + start[l], step[l], value(s) + static_cast<std::uint32_t>(l));
    } else {
      const std::uint32_t code = start[l];
      std::uint32_t& entry = table[code >> shift];
      if (entry == 0) entry = kTreeEntry | SymbolValue(newNode());
      const std::uint32_t first = (entry & ~kTreeEntry) >> kEntryValueShift;
      std::uint32_t mask = 1u << (15 - tableBits);
      std::uint16_t* slot = (code & mask) ? &t.treeRight[first] : &t.treeLeft[first];
      for (int i = tableBits + 1; i < l; ++i) {
        if (*slot == 0) *slot = newNode();
        mask >>= 1;
        slot = (code & mask) ? &t.treeRight[*slot] : &t.treeLeft[*slot];
      }
      *slot = static_cast<std::uint16_t>(s);
    }
    start[l] += step[l];
  }
}

// The entry of a code longer than the table's index width: a walk down the tree from the node in
// the table entry e with the bits after the first tableBits of peek (the next 16 bits). Node
// numbers only ever grow along a path, so the walk ends even on tables it was never meant to see.
[[gnu::noinline]] std::uint32_t LongCodeEntry(const DecoderTables& t, std::uint32_t e, std::uint32_t peek,
                                              int tableBits, int alphabet, const std::uint8_t* lengths,
                                              EntryValue value) {
  std::uint32_t node = (e & ~kTreeEntry) >> kEntryValueShift;
  std::uint32_t mask = 1u << (15 - tableBits);
  do {
    node = (peek & mask) ? t.treeRight[node] : t.treeLeft[node];
    mask >>= 1;
  } while (node >= static_cast<std::uint32_t>(alphabet));
  const int symbol = static_cast<int>(node);
  return value(symbol) + lengths[symbol];
}

// The entry of the next symbol, whose code is not consumed yet.
inline std::uint32_t LookUp(const BitReader& in, const DecoderTables& t, const std::uint32_t* table, int tableBits,
                            int alphabet, const std::uint8_t* lengths, EntryValue value) {
  const std::uint32_t e = table[in.PeekBits(tableBits)];
  if (e & kTreeEntry) [[unlikely]] return LongCodeEntry(t, e, in.Peek16(), tableBits, alphabet, lengths, value);
  return e;
}

// Decodes one symbol of a code without extra bits and consumes its code; returns its entry.
template <class BeforeRefill>
inline std::uint32_t DecodeCode(BitReader& in, CodecFrame& frame, const DecoderTables& t,
                                 const std::uint32_t* table, int tableBits, int alphabet,
                                 const std::uint8_t* lengths, EntryValue value, BeforeRefill&& beforeRefill) {
  const std::uint32_t e = LookUp(in, t, table, tableBits, alphabet, lengths, value);
  in.Skip(frame, static_cast<int>(e & kEntryLengthMask), beforeRefill);
  return e;
}

// Reads the length-code list (zeroRunAt 3) or the position list (no zero run) into auxLengths and
// builds auxTable from it. A count of 0 is followed by the one symbol every lookup then yields.
void ReadAuxLengths(BitReader& in, CodecFrame& frame, DecoderTables& t, int alphabet, int countBits, int zeroRunAt,
                    EntryValue value) {
  const auto n = static_cast<int>(in.Read(frame, countBits));
  if (n == 0) {
    const auto symbol = in.Read(frame, countBits);
    if (symbol >= static_cast<std::uint32_t>(alphabet)) ThrowBadTable();
    // The entries carry length 0: the item itself takes no bits.
    t.auxLengths.fill(0);
    t.auxTable.fill(value(static_cast<int>(symbol)));
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
  BuildDecodeTable(t, alphabet, t.auxLengths.data(), AuxTableBits, t.auxTable.data(), value);
}

// Reads the 510 character lengths, coded with the length code now in auxTable, and builds
// charTable.
void ReadCharLengths(BitReader& in, CodecFrame& frame, DecoderTables& t) {
  const auto n = static_cast<int>(in.Read(frame, CharCountBits));
  if (n == 0) {
    const auto symbol = in.Read(frame, CharCountBits);
    if (symbol >= static_cast<std::uint32_t>(CharAlphabet)) ThrowBadTable();
    t.charLengths.fill(0);
    t.charTable.fill(CharValue(static_cast<int>(symbol)));
    return;
  }
  if (n > CharAlphabet) ThrowBadTable();
  int i = 0;
  while (i < n) {
    const std::uint32_t e = DecodeCode(in, frame, t, t.auxTable.data(), AuxTableBits, LenCodeAlphabet,
                                        t.auxLengths.data(), SymbolValue, [] {});
    const auto code = static_cast<int>(e >> kEntryValueShift & kEntryValueMask);
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
  BuildDecodeTable(t, CharAlphabet, t.charLengths.data(), CharTableBits, t.charTable.data(), CharValue);
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
  // 1..65536: a count of 0 in the stream stands for 65536 items.
  std::uint32_t items;
};

BlockStart ReadBlockHeader(BitReader in, CodecFrame& frame, DecoderTables& t) {
  std::uint32_t items = in.Read(frame, 16);
  if (items == 0) items = 0x10000;
  ReadAuxLengths(in, frame, t, LenCodeAlphabet, LenCodeCountBits, kLenCodeZeroRunAt, SymbolValue);
  ReadCharLengths(in, frame, t);
  ReadAuxLengths(in, frame, t, PosAlphabet, PosCountBits, kNoZeroRun, PositionValue);
  return {in, items};
}

// Copies a match of length 3..256 from distance 1..8192 back to `to`. It is copied whole even
// when it runs past the output's end (the excess is dropped at the end); overlapping copies
// (distance below the length) read back bytes written by this same match.
inline void CopyMatch(std::uint8_t* to, std::uint32_t distance, std::uint32_t length) {
  const std::uint8_t* const from = to - distance;
  if (distance >= 16) [[likely]] {
    // Whole 16-byte pieces: each reads only bytes written before it, and the last may spill into
    // the overrun slots.
    std::memcpy(to, from, 16);
    std::memcpy(to + 16, from + 16, 16);
    for (std::uint32_t k = 32; k < length; k += 16) std::memcpy(to + k, from + k, 16);
  } else if (distance == 1) {
    std::memset(to, *from, length);
  } else {
    // Each byte read was written at least `distance` bytes earlier, so copying in steps of up to
    // `distance` bytes reads what a byte-wise copy would. A shorter distance repeats its pattern
    // byte by byte for `step` bytes, a multiple of the distance of at least 8; from then on the
    // match repeats itself `step` bytes back, eight bytes at a time (the last piece may spill
    // into the overrun slots).
    std::uint32_t k = 0;
    std::uint32_t step = distance;
    if (distance < 8) {
      step = distance * ((8 + distance - 1) / distance);
      for (const std::uint32_t head = std::min(step, length); k < head; ++k) to[k] = from[k];
    }
    for (; k < length; k += 8) std::memcpy(to + k, to + k - step, 8);
  }
}

// The items of a stretch of the stream that lies well inside the frame's input block, with the
// bit buffer refilled once per item from a pointer of its own: whole bytes up to 56..63 bits, the
// bits below them read ahead from the next byte (they are the stream's own and come again with
// it). An item takes at most 16 + 16 + 12 = 44 bits, so the next character code can be looked up
// before the refill, and the loop never reaches a point at which the careful reader would refill
// the frame's block: a stretch of items ends at least 8 bytes before the block's end. Only bit
// positions, never the reader's state, decide where the frame refills, so the careful loop goes
// on from here exactly as if it had read these items itself.
struct FastState {
  std::uint64_t bits;
  // Bits of `bits` not consumed yet (56..63 between items) in the low 6 bits; the bits above them
  // are left over from subtracting whole table entries.
  std::uint64_t count;
  const std::uint8_t* in;
  std::uint8_t* out;
  // Items still to run.
  std::uint32_t items;
};

// The eight bytes from p on, the first in the most significant position.
inline std::uint64_t LoadBigEndian64(const std::uint8_t* p) {
  std::uint64_t word;
  std::memcpy(&word, p, sizeof word);
  if constexpr (std::endian::native == std::endian::little) word = __builtin_bswap64(word);
  return word;
}

// Tops up the bit buffer with word, the eight bytes from in on.
inline void Refill(std::uint64_t& bits, std::uint64_t& count, const std::uint8_t*& in, std::uint64_t word) {
  bits |= word >> (count & 63);
  in += 7 - (count >> 3 & 7);
  count |= 56;
}

// Runs the items of a refilled state until none is left or one ends at or past outEnd; the caller
// has made sure that the input holds 6 bytes per item and 8 more from state.in on, and that the
// history has room for an item of 256 bytes (and the copy's overrun) at every position before
// outEnd.
[[gnu::noinline]] FastState RunFastItems(const DecoderTables& t, FastState state, const std::uint8_t* outEnd) {
  std::uint64_t bits = state.bits;
  std::uint64_t count = state.count;
  const std::uint8_t* in = state.in;
  std::uint8_t* out = state.out;
  std::uint32_t n = state.items;
  std::uint32_t e = t.charTable[bits >> (64 - CharTableBits)];
  do {
    if (e & kTreeEntry) [[unlikely]] {
      e = LongCodeEntry(t, e, static_cast<std::uint32_t>(bits >> 48), CharTableBits, CharAlphabet,
                        t.charLengths.data(), CharValue);
    }
    bits <<= e & kEntryLengthMask;
    count -= e;
    // Whether the item is a literal or a match is hard to predict: what either kind reads next
    // is loaded before the branch, so that a mispredicted branch does not wait for it again.
    const std::uint32_t afterLiteral = t.charTable[bits >> (64 - CharTableBits)];
    std::uint32_t pe = t.auxTable[bits >> (64 - AuxTableBits)];
    const std::uint64_t word = LoadBigEndian64(in);
    if (!(e & kMatchEntry)) {
      *out++ = static_cast<std::uint8_t>(e >> kEntryValueShift);
      e = afterLiteral;
      Refill(bits, count, in, word);
      continue;
    }
    const auto length = e >> kEntryValueShift & kEntryValueMask;
    if (pe & kTreeEntry) [[unlikely]] {
      pe = LongCodeEntry(t, pe, static_cast<std::uint32_t>(bits >> 48), AuxTableBits, PosAlphabet,
                         t.auxLengths.data(), PositionValue);
    }
    // The code and its extra bits end at bit `taken`; a mask of 0 reads no extra bits even where
    // taken is 0.
    const std::uint32_t taken = pe & kEntryLengthMask;
    const auto extra = static_cast<std::uint32_t>(bits >> ((64 - taken) & 63)) & (pe >> kExtraMaskShift & kExtraMaskBits);
    const std::uint32_t distance = (pe >> kDistanceBaseShift) + extra;
    bits <<= taken;
    count -= pe;
    e = t.charTable[bits >> (64 - CharTableBits)];
    Refill(bits, count, in, word);
    CopyMatch(out, distance, length);
    out += length;
  } while (--n != 0 && out < outEnd);
  return {bits, count, in, out, n};
}

// Where RunFastStretch leaves the reader, the history and the block.
struct FastStretch {
  BitReader in;
  std::uint32_t wpos;
  std::uint32_t blockItemsLeft;
};

// Runs items with RunFastItems from the careful reader's state while the frame holds at least
// kFastInputMargin unread bytes, until the history reaches stop or the block ends, and hands the
// state back to the careful reader.
FastStretch RunFastStretch(CodecFrame& frame, BitReader in, DecoderTables& t, std::uint32_t wpos,
                           std::uint32_t stop, std::uint32_t blockItemsLeft) {
  const std::uint8_t* const cursor = frame.InputCursor();
  const std::uint8_t* const inputEnd = cursor + frame.BufferedInput();
  std::uint8_t* const history = t.history.data();
  FastState state{in.Bits(), static_cast<std::uint64_t>(in.Count()), cursor, history + wpos, 0};
  Refill(state.bits, state.count, state.in, LoadBigEndian64(state.in));
  // Each item advances the input by at most 6 bytes, so this many run without a check of the
  // input; the first refill may have taken 7 of the margin.
  state.items = std::min(blockItemsLeft, static_cast<std::uint32_t>(inputEnd - state.in - 8) / 6);
  const std::uint32_t items = state.items;
  state = RunFastItems(t, state, history + stop);
  frame.TakeInput(static_cast<std::size_t>(state.in - cursor));
  in.Restore(state.bits, static_cast<int>(state.count & 63));
  return {in, static_cast<std::uint32_t>(state.out - history), blockItemsLeft - items + state.items};
}

}  // namespace

void Lzh5Decode(CodecFrame& frame, std::int32_t outputSize) {
  if (outputSize <= 0) return;
  auto tables = std::make_unique<DecoderTables>();
  DecoderTables& t = *tables;
  std::uint8_t* const history = t.history.data();

  std::uint32_t blockItemsLeft = 0;
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
      if (frame.BufferedInput() >= kFastInputMargin) {
        const FastStretch stretch = RunFastStretch(frame, in, t, wpos, stop, blockItemsLeft);
        in = stretch.in;
        wpos = stretch.wpos;
        blockItemsLeft = stretch.blockItemsLeft;
        continue;
      }
      --blockItemsLeft;
      const std::uint32_t e = DecodeCode(in, frame, t, t.charTable.data(), CharTableBits, CharAlphabet,
                                          t.charLengths.data(), CharValue, handOver);
      if (!(e & kMatchEntry)) {
        history[wpos++] = static_cast<std::uint8_t>(e >> kEntryValueShift);
        continue;
      }
      const std::uint32_t pe = LookUp(in, t, t.auxTable.data(), AuxTableBits, PosAlphabet, t.auxLengths.data(),
                                      PositionValue);
      const int extraBits = ExtraBits(pe);
      in.Skip(frame, static_cast<int>(pe & kEntryLengthMask) - extraBits, handOver);
      std::uint32_t distance = pe >> kDistanceBaseShift;
      if (extraBits > 0) {
        distance += in.PeekBits(extraBits);
        in.Skip(frame, extraBits, handOver);
      }
      const auto length = e >> kEntryValueShift & kEntryValueMask;
      CopyMatch(history + wpos, distance, length);
      wpos += length;
    } while (blockItemsLeft != 0 && wpos < stop);
    produced += wpos - begin;
  }
  in.CheckNothingConsumedPastEnd(frame);
  // Only the last match can reach past outputSize; the frame gets exactly outputSize bytes.
  if (produced > outputSize) wpos -= static_cast<std::uint32_t>(produced - outputSize);
  handOver();
}

}  // namespace zev::compress
