#include "compress/codec_frame.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include <algorithm>
#include <cstring>
#include <memory>
#include <thread>

#include "compress/codec_frame_io.h"
#include "compress/errors.h"

namespace zev::compress {

std::int32_t PercentOf(std::int32_t done, std::int32_t total) {
  if (total <= 100000) return total == 0 ? 0 : done * 100 / total;
  return done / (total / 100);
}

namespace detail {

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

}  // namespace detail

CodecFrame::CodecFrame(const CodecSettings& settings, platform::Stream& dest, platform::Stream& source,
                       std::int32_t inputSize, std::int32_t outputSize, bool expanding, bool scrambled)
    : scrambleInput_(expanding && settings.key != 0 && scrambled),
      scrambleOutput_(!expanding && settings.key != 0),
      sumInput_(!expanding),
      sumOutput_(expanding),
      expanding_(expanding),
      source_(source),
      dest_(dest),
      progress_(settings.onShowProgress),
      inputRemaining_(inputSize < 0 ? 0 : inputSize) {
  readPos_ = readEnd_ = input_.data();
  writePos_ = output_.data();
  writeEnd_ = output_.data() + kCodecBlockSize;
  if (expanding) {
    outputBudget_ = settings.limitOutputToDeclaredSize && outputSize >= 0 ? outputSize : 0x7FFFFFFF;
  } else {
    outputBudget_ = settings.limitOutputToInput ? inputSize : 0x7FFFFFFF;
  }
  const auto key = static_cast<std::uint32_t>(settings.key);
  for (int i = 0; i < 4; ++i) key_[i] = static_cast<std::uint8_t>(key >> (8 * i));
}

std::uint8_t CodecFrame::RefillAndReadByte() {
  inputEnded_ = true;
  inputAborted_ = false;
  if (inputRemaining_ == 0) return 0;
  if (blockSize_ > inputRemaining_) blockSize_ = inputRemaining_;
  auto count = static_cast<std::int32_t>(source_.Read(input_.data(), static_cast<std::size_t>(blockSize_)));
  inputRemaining_ -= count;
  if (count == 0) return 0;
  readPos_ = input_.data();
  readEnd_ = input_.data() + count;
  if (scrambleInput_) ScrambleBlock(input_.data(), static_cast<std::size_t>(count));
  if (progress_) {
    inputConsumed_ += count;
    std::int32_t percentage = PercentOf(inputConsumed_, inputConsumed_ + inputRemaining_);
    progress_(percentage);
    if (percentage == -1) {
      inputAborted_ = true;
      return 0;
    }
  }
  YieldNow();
  inputEnded_ = false;
  return TakeByte();
}

void CodecFrame::YieldNow() {
  // Gives other threads of the process a turn between blocks, but only at every
  // kBlocksPerYield-th block moved: each yield is a system call, and at one per 8 KiB in each
  // direction they took a twentieth of an expansion's time. Nothing waits on them, and the
  // scheduler preempts a long run anyway.
  if (++blocksMoved_ % kBlocksPerYield == 0) std::this_thread::yield();
}

void CodecFrame::FlushOutput() {
  YieldNow();
  dest_.WriteBuffer(output_.data(), kCodecBlockSize);
  bytesFlushed_ += kCodecBlockSize;
  writePos_ = output_.data();
}

void CodecFrame::ThrowOutputBudgetExhausted() const {
  if (expanding_) throw EDataOverrun();
  throw EUnableToCompress();
}

void CodecFrame::ScrambleBlock(std::uint8_t* data, std::size_t n) {
  std::uint8_t pattern[8];
  for (unsigned i = 0; i < 8; ++i) pattern[i] = key_[(keyPosition_ + i) & 3];
  std::size_t i = 0;
  for (; i + 8 <= n; i += 8) {
    std::uint64_t word, key;
    std::memcpy(&word, data + i, sizeof word);
    std::memcpy(&key, pattern, sizeof key);
    word ^= key;
    std::memcpy(data + i, &word, sizeof word);
  }
  for (; i < n; ++i) data[i] ^= pattern[i & 7];
  keyPosition_ = static_cast<unsigned>((keyPosition_ + n) & 3);
}

void CodecFrame::WriteBytes(const std::uint8_t* data, std::size_t n) {
  while (n > 0) {
    if (outputBudget_ <= 0) ThrowOutputBudgetExhausted();
    if (writePos_ == writeEnd_) FlushOutput();
    std::size_t k = std::min<std::size_t>(n, static_cast<std::size_t>(writeEnd_ - writePos_));
    k = std::min<std::size_t>(k, static_cast<std::size_t>(outputBudget_));
    if (scrambleOutput_) {
      std::memcpy(writePos_, data, k);
      ScrambleBlock(writePos_, k);
      if (sumOutput_) outputSum_ += detail::ByteSum(writePos_, k);
    } else if (sumOutput_) {
      outputSum_ += detail::CopyWithByteSum(writePos_, data, k);
    } else {
      std::memcpy(writePos_, data, k);
    }
    outputBudget_ -= static_cast<std::int32_t>(k);
    writePos_ += k;
    data += k;
    n -= k;
  }
}

std::size_t CodecFrame::ReadBytes(std::uint8_t* dest, std::size_t n) {
  std::size_t done = 0;
  while (done < n) {
    if (!inputEnded_ && readPos_ != readEnd_) {
      const std::size_t k = std::min<std::size_t>(n - done, static_cast<std::size_t>(readEnd_ - readPos_));
      if (sumInput_) {
        inputSum_ += detail::CopyWithByteSum(dest + done, readPos_, k);
      } else {
        std::memcpy(dest + done, readPos_, k);
      }
      readPos_ += k;
      done += k;
      continue;
    }
    // Refills, and the bytes of a block whose progress report asked to abort, go byte by byte.
    const std::uint8_t b = ReadByte();
    if (InputEnded()) return done;
    dest[done++] = b;
  }
  return done;
}

std::int32_t CodecFrame::Finish() {
  auto pending = static_cast<std::size_t>(writePos_ - output_.data());
  if (pending > 0) dest_.WriteBuffer(output_.data(), pending);
  return bytesFlushed_ + static_cast<std::int32_t>(pending);
}

std::int32_t RunCodec(const CodecSettings& settings, platform::Stream& dest, platform::Stream& source,
                      std::int32_t inputSize, std::int32_t outputSize, std::uint8_t method,
                      std::int32_t& checksum, bool expanding, bool scrambled, std::span<const Codec> codecs) {
  // The frame holds two blocks: on the heap, so that a thread's stack need not hold them.
  auto frame = std::make_unique<CodecFrame>(settings, dest, source, inputSize, outputSize, expanding, scrambled);
  if (const Codec* codec = FindCodec(method, codecs)) {
    if (expanding) {
      codec->decode(*frame, outputSize);
    } else {
      codec->encode(*frame, settings.level);
    }
  }
  checksum = frame->Checksum();
  return frame->Finish();
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
