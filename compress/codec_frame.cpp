#include "compress/codec_frame.h"

#include <sched.h>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include <algorithm>
#include <array>
#include <cstring>
#include <memory>

#include "compress/errors.h"
#include "compress/lzh.h"
#include "compress/lzh5_decoder.h"
#include "compress/lzh5_encoder.h"
#include "compress/method.h"
#include "compress/rle.h"

namespace zev::compress {

namespace detail {
CodecFrame frame;
}  // namespace detail

namespace {

// The parts of the frame that only the slow paths touch.
struct FrameStreams {
  platform::Stream* source = nullptr;
  platform::Stream* dest = nullptr;
  ShowProgressHandler progress;
  std::int32_t inputRemaining = 0;
  std::int32_t blockSize = kCodecBlockSize;
  std::int32_t inputConsumed = 0;
  std::uint8_t* inputBuffer = nullptr;
  std::uint8_t* outputBuffer = nullptr;
};

FrameStreams streams;

// Gives other threads of the process a turn, between blocks.
void YieldProcessor() { sched_yield(); }

// Owns the two blocks for one RunCodec call and clears the frame's pointers on every exit.
class FrameBuffers {
 public:
  FrameBuffers() : blocks_(std::make_unique<Blocks>()) {
    streams.inputBuffer = blocks_->input.data();
    streams.outputBuffer = blocks_->output.data();
  }
  ~FrameBuffers() {
    detail::frame.readPos = detail::frame.readEnd = nullptr;
    detail::frame.writePos = detail::frame.writeEnd = nullptr;
    streams.inputBuffer = streams.outputBuffer = nullptr;
    streams.source = streams.dest = nullptr;
    streams.progress = nullptr;
  }
  FrameBuffers(const FrameBuffers&) = delete;
  FrameBuffers& operator=(const FrameBuffers&) = delete;

 private:
  struct Blocks {
    std::array<std::uint8_t, kCodecBlockSize> input;
    std::array<std::uint8_t, kCodecBlockSize> output;
  };
  std::unique_ptr<Blocks> blocks_;
};

}  // namespace

std::int32_t PercentOf(std::int32_t done, std::int32_t total) {
  if (total <= 100000) return total == 0 ? 0 : done * 100 / total;
  return done / (total / 100);
}

namespace detail {

std::uint8_t RefillAndReadCodecByte() {
  frame.inputEnded = true;
  frame.inputAborted = false;
  if (streams.inputRemaining == 0) return 0;
  if (streams.blockSize > streams.inputRemaining) streams.blockSize = streams.inputRemaining;
  auto count = static_cast<std::int32_t>(
      streams.source->Read(streams.inputBuffer, static_cast<std::size_t>(streams.blockSize)));
  streams.inputRemaining -= count;
  if (count == 0) return 0;
  frame.readPos = streams.inputBuffer;
  frame.readEnd = streams.inputBuffer + count;
  if (streams.progress) {
    streams.inputConsumed += count;
    std::int32_t percentage =
        PercentOf(streams.inputConsumed, streams.inputConsumed + streams.inputRemaining);
    streams.progress(percentage);
    if (percentage == -1) {
      frame.inputAborted = true;
      return 0;
    }
  }
  YieldProcessor();
  frame.inputEnded = false;
  return TakeCodecByte();
}

void FlushCodecOutput() {
  YieldProcessor();
  streams.dest->WriteBuffer(streams.outputBuffer, kCodecBlockSize);
  frame.writePos = streams.outputBuffer;
}

void ThrowOutputBudgetExhausted() {
  if (frame.expanding) throw EDataOverrun();
  throw EUnableToCompress();
}

std::uint64_t UnscrambleWord(std::uint64_t word, unsigned n) {
  for (unsigned i = 0; i < n; ++i) {
    word ^= static_cast<std::uint64_t>(frame.key[frame.keyPosition]) << (8 * (n - 1 - i));
    frame.keyPosition = (frame.keyPosition + 1) & 3;
  }
  return word;
}

namespace {

// The sum of the bytes of data[0, n) for n below 16, eight bytes at a time.
std::uint32_t ByteSumTail(const std::uint8_t* data, std::size_t n) {
  std::uint32_t sum = 0;
  if (n >= 8) {
    std::uint64_t word;
    std::memcpy(&word, data, sizeof word);
    sum += ByteSum(word);
    data += 8;
    n -= 8;
  }
  while (n-- > 0) sum += *data++;
  return sum;
}

}  // namespace

#if defined(__SSE2__)

// Sixteen bytes at a time: the sum of absolute differences against zero adds each half of the
// vector into a 64-bit lane.
std::uint32_t ByteSum(const std::uint8_t* data, std::size_t n) {
  const __m128i zero = _mm_setzero_si128();
  __m128i lanes = zero;
  for (; n >= 16; data += 16, n -= 16) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data));
    lanes = _mm_add_epi64(lanes, _mm_sad_epu8(v, zero));
  }
  const auto sum = static_cast<std::uint64_t>(_mm_cvtsi128_si64(lanes)) +
                   static_cast<std::uint64_t>(_mm_cvtsi128_si64(_mm_unpackhi_epi64(lanes, lanes)));
  return static_cast<std::uint32_t>(sum) + ByteSumTail(data, n);
}

std::uint32_t CopyWithByteSum(std::uint8_t* dest, const std::uint8_t* src, std::size_t n) {
  const __m128i zero = _mm_setzero_si128();
  __m128i lanes = zero;
  for (; n >= 16; src += 16, dest += 16, n -= 16) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(dest), v);
    lanes = _mm_add_epi64(lanes, _mm_sad_epu8(v, zero));
  }
  const auto sum = static_cast<std::uint64_t>(_mm_cvtsi128_si64(lanes)) +
                   static_cast<std::uint64_t>(_mm_cvtsi128_si64(_mm_unpackhi_epi64(lanes, lanes)));
  std::memcpy(dest, src, n);
  return static_cast<std::uint32_t>(sum) + ByteSumTail(src, n);
}

#else

std::uint32_t ByteSum(const std::uint8_t* data, std::size_t n) {
  std::uint32_t sum = 0;
  // Up to 128 words fit in the 16-bit lanes (128 * 2 * 255 < 65536) before they are folded.
  constexpr std::uint64_t kLowBytes = 0x00FF00FF00FF00FFull;
  while (n >= 8) {
    std::uint64_t lanes = 0;
    const std::size_t words = std::min<std::size_t>(n / 8, 128);
    for (std::size_t i = 0; i < words; ++i) {
      std::uint64_t word;
      std::memcpy(&word, data + 8 * i, sizeof word);
      lanes += (word & kLowBytes) + ((word >> 8) & kLowBytes);
    }
    sum += static_cast<std::uint32_t>((lanes & 0xFFFF) + ((lanes >> 16) & 0xFFFF) + ((lanes >> 32) & 0xFFFF) +
                                      (lanes >> 48));
    data += 8 * words;
    n -= 8 * words;
  }
  return sum + ByteSumTail(data, n);
}

std::uint32_t CopyWithByteSum(std::uint8_t* dest, const std::uint8_t* src, std::size_t n) {
  std::memcpy(dest, src, n);
  return ByteSum(dest, n);
}

#endif

namespace {

// XORs a block with the key stream from the current key position on.
void ScrambleBlock(std::uint8_t* data, std::size_t n) {
  std::uint8_t pattern[8];
  for (unsigned i = 0; i < 8; ++i) pattern[i] = frame.key[(frame.keyPosition + i) & 3];
  std::size_t i = 0;
  for (; i + 8 <= n; i += 8) {
    std::uint64_t word, key;
    std::memcpy(&word, data + i, sizeof word);
    std::memcpy(&key, pattern, sizeof key);
    word ^= key;
    std::memcpy(data + i, &word, sizeof word);
  }
  for (; i < n; ++i) data[i] ^= pattern[i & 7];
  frame.keyPosition = static_cast<unsigned>((frame.keyPosition + n) & 3);
}

}  // namespace

}  // namespace detail

void WriteCodecBytes(const std::uint8_t* data, std::size_t n) {
  auto& f = detail::frame;
  while (n > 0) {
    if (f.outputBudget <= 0) detail::ThrowOutputBudgetExhausted();
    if (f.writePos == f.writeEnd) detail::FlushCodecOutput();
    std::size_t k = std::min<std::size_t>(n, static_cast<std::size_t>(f.writeEnd - f.writePos));
    k = std::min<std::size_t>(k, static_cast<std::size_t>(f.outputBudget));
    if (f.scrambleOutput) {
      std::memcpy(f.writePos, data, k);
      detail::ScrambleBlock(f.writePos, k);
      if (f.sumOutput) f.outputSum += detail::ByteSum(f.writePos, k);
    } else if (f.sumOutput) {
      f.outputSum += detail::CopyWithByteSum(f.writePos, data, k);
    } else {
      std::memcpy(f.writePos, data, k);
    }
    f.outputBudget -= static_cast<std::int32_t>(k);
    f.bytesWritten += static_cast<std::int32_t>(k);
    f.writePos += k;
    data += k;
    n -= k;
  }
}

std::size_t ReadCodecBytes(std::uint8_t* dest, std::size_t n) {
  auto& f = detail::frame;
  std::size_t done = 0;
  while (done < n) {
    if (!f.inputEnded && f.readPos != f.readEnd) {
      const std::size_t k = std::min<std::size_t>(n - done, static_cast<std::size_t>(f.readEnd - f.readPos));
      if (f.sumInput) {
        f.inputSum += detail::CopyWithByteSum(dest + done, f.readPos, k);
      } else {
        std::memcpy(dest + done, f.readPos, k);
      }
      if (f.scrambleInput) detail::ScrambleBlock(dest + done, k);
      f.readPos += k;
      done += k;
      continue;
    }
    // Refills, and the bytes of a block whose progress report asked to abort, go byte by byte.
    const std::uint8_t b = ReadCodecByte();
    if (CodecInputEnded()) return done;
    dest[done++] = b;
  }
  return done;
}

std::int32_t RunCodec(const CodecSettings& settings, platform::Stream& dest, platform::Stream& source,
                      std::int32_t inputSize, std::int32_t outputSize, std::uint8_t method,
                      std::int32_t& checksum, bool expanding, bool scrambled) {
  auto& f = detail::frame;
  FrameBuffers buffers;
  streams.progress = settings.onShowProgress;
  streams.source = &source;
  streams.dest = &dest;
  streams.inputRemaining = inputSize < 0 ? 0 : inputSize;
  streams.blockSize = kCodecBlockSize;
  streams.inputConsumed = 0;

  f.readPos = f.readEnd = streams.inputBuffer;
  f.writePos = streams.outputBuffer;
  f.writeEnd = streams.outputBuffer + kCodecBlockSize;
  f.inputEnded = f.inputAborted = false;
  f.inputSum = f.outputSum = 0;
  f.sumInput = !expanding;
  f.sumOutput = expanding;
  f.bytesWritten = 0;
  f.expanding = expanding;
  if (expanding) {
    f.outputBudget = settings.limitOutputToDeclaredSize && outputSize >= 0 ? outputSize : 0x7FFFFFFF;
  } else {
    f.outputBudget = settings.limitOutputToInput ? inputSize : 0x7FFFFFFF;
  }
  f.scrambleOutput = !expanding && settings.key != 0;
  f.scrambleInput = expanding && settings.key != 0 && scrambled;
  auto key = static_cast<std::uint32_t>(settings.key);
  for (int i = 0; i < 4; ++i) f.key[i] = static_cast<std::uint8_t>(key >> (8 * i));
  f.keyPosition = 0;

  if (expanding) {
    switch (method) {
      case coRLE: RleDecode(); break;
      case coLZH: LzhDecode(outputSize); break;
      case coLZH5: LZH5Expand(outputSize); break;
      default: break;
    }
    checksum = static_cast<std::int32_t>(f.outputSum);
  } else {
    switch (method) {
      case coRLE: RleEncode(); break;
      case coLZH: LzhEncode(); break;
      case coLZH5: LZH5Compress(settings.level); break;
      default: break;
    }
    checksum = static_cast<std::int32_t>(f.inputSum);
  }
  auto pending = static_cast<std::size_t>(f.writePos - streams.outputBuffer);
  if (pending > 0) dest.WriteBuffer(streams.outputBuffer, pending);
  return f.bytesWritten;
}

std::vector<std::uint8_t> RunCodecInMemory(const CodecSettings& settings,
                                           const std::vector<std::uint8_t>& input,
                                           std::int32_t outputSize, std::uint8_t method,
                                           bool expanding, bool scrambled, std::int32_t* checksum) {
  platform::MemoryStream source(input);
  platform::MemoryStream dest;
  std::int32_t sum = 0;
  RunCodec(settings, dest, source, static_cast<std::int32_t>(input.size()), outputSize, method, sum,
           expanding, scrambled);
  if (checksum) *checksum = sum;
  return std::move(dest.Data());
}

}  // namespace zev::compress
