// The codec frame: runs one codec over one member, with 8192-byte input and output blocks,
// byte sums, key scrambling, progress reports and the compression budget.
//
// Every codec reads through ReadCodecByte / CodecInputEnded and writes through WriteCodecByte.
// Those are inline over the frame's buffers so that a codec pays no call per byte; the frame
// state is module-wide because exactly one member is coded at a time.
#pragma once

#include <bit>
#include <cstdint>
#include <cstring>
#include <functional>
#include <vector>

#include "compress/method.h"
#include "platform/stream.h"

namespace zev::compress {

// Called once per input block with the percentage read so far; setting it to -1 aborts.
using ShowProgressHandler = std::function<void(std::int32_t& percentageDone)>;

struct CodecSettings {
  ShowProgressHandler onShowProgress;
  std::int32_t key = 0;
  // Compression may write at most as many bytes as it reads. Tests and benchmarks lift the
  // budget to see an encoder's whole output for inputs it cannot shrink.
  bool limitOutputToInput = true;
  // Which LZH5 encoder compresses (method 4 only).
  CompressionLevel level = CompressionLevel::Exact;
  // Expansion may write at most the declared size. LZH and LZH5 stop there by themselves; an RLE
  // stream holds no size of its own, so without this bound a few bytes of runs could write far
  // more than the archive declares (and than its free-space check allowed for).
  bool limitOutputToDeclaredSize = false;
};

inline constexpr std::int32_t kCodecBlockSize = 8192;

// Runs method 1 (RLE), 2 (LZH) or 4 (LZH5) in one direction; any other method runs nothing.
// checksum receives the byte sum of the uncompressed data. Returns the bytes written when
// compressing.
std::int32_t RunCodec(const CodecSettings& settings, platform::Stream& dest, platform::Stream& source,
                      std::int32_t inputSize, std::int32_t outputSize, std::uint8_t method,
                      std::int32_t& checksum, bool expanding, bool scrambled);

// Convenience for tests, tools and benchmarks: the same over memory.
std::vector<std::uint8_t> RunCodecInMemory(const CodecSettings& settings,
                                           const std::vector<std::uint8_t>& input,
                                           std::int32_t outputSize, std::uint8_t method,
                                           bool expanding, bool scrambled = false,
                                           std::int32_t* checksum = nullptr);

// Progress percentage: done * 100 / total, kept from overflowing for large totals.
std::int32_t PercentOf(std::int32_t done, std::int32_t total);

namespace detail {

struct CodecFrame {
  const std::uint8_t* readPos = nullptr;
  const std::uint8_t* readEnd = nullptr;
  std::uint8_t* writePos = nullptr;
  std::uint8_t* writeEnd = nullptr;
  bool inputEnded = false;
  // The input ended because the progress handler asked to abort, not because the member's data
  // was used up.
  bool inputAborted = false;
  bool scrambleInput = false;
  bool scrambleOutput = false;
  // Only one of the sums is the run's checksum (the input's when compressing, the output's when
  // expanding); the block-wise paths skip the other.
  bool sumInput = true;
  bool sumOutput = true;
  std::uint32_t inputSum = 0;
  std::uint32_t outputSum = 0;
  // Bytes that may still be written: the compression budget, or the declared size when expanding.
  std::int32_t outputBudget = 0;
  bool expanding = false;
  std::int32_t bytesWritten = 0;
  std::uint8_t key[4] = {0, 0, 0, 0};
  unsigned keyPosition = 0;
};

extern CodecFrame frame;

// Slow paths: refill the input block (then take its first byte), flush a full output block,
// and refuse output beyond the budget (EUnableToCompress, or EDataOverrun when expanding).
std::uint8_t RefillAndReadCodecByte();
void FlushCodecOutput();
[[noreturn]] void ThrowOutputBudgetExhausted();
// XOR the n (1..8) bytes of a word with the next key bytes, first byte in the top position, and
// advance the key position.
std::uint64_t UnscrambleWord(std::uint64_t word, unsigned n);

// The sum of the eight bytes of a word: pairs of bytes are added in 16-bit lanes, and the
// multiplication adds the four lanes into the top one.
inline std::uint32_t ByteSum(std::uint64_t word) {
  constexpr std::uint64_t kLowBytes = 0x00FF00FF00FF00FFull;
  const std::uint64_t pairs = (word & kLowBytes) + ((word >> 8) & kLowBytes);
  return static_cast<std::uint32_t>((pairs * 0x0001000100010001ull) >> 48);
}

// The byte sum of a block, sixteen or eight bytes at a time.
std::uint32_t ByteSum(const std::uint8_t* data, std::size_t n);
// Copies n bytes from src to dest (not overlapping) and returns their byte sum, in one pass.
std::uint32_t CopyWithByteSum(std::uint8_t* dest, const std::uint8_t* src, std::size_t n);

inline std::uint8_t ScrambleByte(std::uint8_t b) {
  b ^= frame.key[frame.keyPosition];
  frame.keyPosition = (frame.keyPosition + 1) & 3;
  return b;
}

inline std::uint8_t TakeCodecByte() {
  std::uint8_t b = *frame.readPos++;
  frame.inputSum += b;
  return frame.scrambleInput ? ScrambleByte(b) : b;
}

// Bytes that can be taken from the current input block without a refill, 0 once the input has
// ended (also after an abort, whose block stays in the buffer but must not be used).
inline std::size_t BufferedCodecInput() {
  return frame.inputEnded ? 0 : static_cast<std::size_t>(frame.readEnd - frame.readPos);
}

// Takes n (1..7) input bytes at once, as n ReadCodecByte calls would, when at least 8 bytes are
// buffered (BufferedCodecInput() >= 8). They come back in the low 8n bits, the first byte most
// significant.
inline std::uint64_t TakeCodecBytes(unsigned n) {
  std::uint64_t word;
  std::memcpy(&word, frame.readPos, sizeof word);
  if constexpr (std::endian::native == std::endian::little) word = __builtin_bswap64(word);
  word >>= 64 - 8 * n;
  frame.readPos += n;
  if (frame.sumInput) frame.inputSum += ByteSum(word);
  return frame.scrambleInput ? UnscrambleWord(word, n) : word;
}

}  // namespace detail

// True once the input is used up or the progress handler asked to abort.
inline bool CodecInputEnded() { return detail::frame.inputEnded; }
// True when the input ended through an abort: the bits a decoder takes after it are not beyond
// the end of the member's data.
inline bool CodecInputAborted() { return detail::frame.inputAborted; }

// The next input byte; 0 with CodecInputEnded() set when there is none.
inline std::uint8_t ReadCodecByte() {
  if (detail::frame.readPos == detail::frame.readEnd) return detail::RefillAndReadCodecByte();
  return detail::TakeCodecByte();
}

// Appends n bytes, exactly as n WriteCodecByte calls would: the same budget check at the same
// byte, the same block writes, the same scrambling and sum; only block by block.
void WriteCodecBytes(const std::uint8_t* data, std::size_t n);

// Reads up to n bytes into dest, as up to n ReadCodecByte calls would, stopping early (before the
// byte that finds it) when the input ends. Returns the number of bytes stored.
std::size_t ReadCodecBytes(std::uint8_t* dest, std::size_t n);

inline void WriteCodecByte(std::uint8_t b) {
  auto& f = detail::frame;
  if (f.outputBudget <= 0) detail::ThrowOutputBudgetExhausted();
  --f.outputBudget;
  if (f.writePos == f.writeEnd) detail::FlushCodecOutput();
  if (f.scrambleOutput) b = detail::ScrambleByte(b);
  *f.writePos++ = b;
  f.outputSum += b;
  ++f.bytesWritten;
}

}  // namespace zev::compress
