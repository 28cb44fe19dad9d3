// The codec frame: runs one codec over one member, with 8192-byte input and output blocks,
// byte sums, key scrambling, progress reports and the compression budget.
//
// Every codec reads through ReadCodecByte / CodecInputEnded and writes through WriteCodecByte.
// Those are inline over the frame's buffers so that a codec pays no call per byte; the frame
// state is module-wide because exactly one member is coded at a time.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

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
  bool scrambleInput = false;
  bool scrambleOutput = false;
  std::uint32_t inputSum = 0;
  std::uint32_t outputSum = 0;
  std::int32_t outputBudget = 0;
  std::int32_t bytesWritten = 0;
  std::uint8_t key[4] = {0, 0, 0, 0};
  unsigned keyPosition = 0;
};

extern CodecFrame frame;

// Slow paths: refill the input block (then take its first byte), flush a full output block,
// and refuse output beyond the budget.
std::uint8_t RefillAndReadCodecByte();
void FlushCodecOutput();
[[noreturn]] void ThrowOutputBudgetExhausted();

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

}  // namespace detail

// True once the input is used up or the progress handler asked to abort.
inline bool CodecInputEnded() { return detail::frame.inputEnded; }

// The next input byte; 0 with CodecInputEnded() set when there is none.
inline std::uint8_t ReadCodecByte() {
  if (detail::frame.readPos == detail::frame.readEnd) return detail::RefillAndReadCodecByte();
  return detail::TakeCodecByte();
}

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
