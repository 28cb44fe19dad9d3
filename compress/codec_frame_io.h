// The codec frame as the codecs see it: one CodecFrame per run holds that run's input and output
// blocks, byte sums, key position and output budget, and every codec reads and writes through it.
// The byte functions are inline over the frame's block pointers so that a codec pays no call per
// byte.
//
// Private to compress/: the frame and the codecs include this header; everything else runs a codec
// through RunCodec (compress/codec_frame.h).
#pragma once

#include <array>
#include <bit>
#include <cstdint>
#include <cstring>

#include "compress/codec_frame.h"
#include "compress/codec_settings.h"
#include "platform/stream.h"

namespace zev::compress {

namespace detail {

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

}  // namespace detail

class CodecFrame {
 public:
  // A run over inputSize bytes of source. outputSize is the declared size when expanding; the
  // blocks and the state start afresh, the key position at the key's first byte.
  CodecFrame(const CodecSettings& settings, platform::Stream& dest, platform::Stream& source,
             std::int32_t inputSize, std::int32_t outputSize, bool expanding, bool scrambled);
  CodecFrame(const CodecFrame&) = delete;
  CodecFrame& operator=(const CodecFrame&) = delete;

  // True once the input is used up or the progress handler asked to abort.
  bool InputEnded() const { return inputEnded_; }
  // True when the input ended through an abort: the bits a decoder takes after it are not beyond
  // the end of the member's data.
  bool InputAborted() const { return inputAborted_; }

  // The next input byte; 0 with InputEnded() set when there is none.
  std::uint8_t ReadByte() {
    if (readPos_ == readEnd_) return RefillAndReadByte();
    return TakeByte();
  }

  // Reads up to n bytes into dest, as up to n ReadByte calls would, stopping early (before the
  // byte that finds it) when the input ends. Returns the number of bytes stored.
  std::size_t ReadBytes(std::uint8_t* dest, std::size_t n);

  // Bytes that can be taken from the current input block without a refill, 0 once the input has
  // ended (also after an abort, whose block stays in the buffer but must not be used).
  std::size_t BufferedInput() const {
    return inputEnded_ ? 0 : static_cast<std::size_t>(readEnd_ - readPos_);
  }

  // Takes n (1..7) input bytes at once, as n ReadByte calls would, when at least 8 bytes are
  // buffered (BufferedInput() >= 8). They come back in the low 8n bits, the first byte most
  // significant.
  std::uint64_t TakeBytes(unsigned n) {
    std::uint64_t word;
    std::memcpy(&word, readPos_, sizeof word);
    if constexpr (std::endian::native == std::endian::little) word = __builtin_bswap64(word);
    word >>= 64 - 8 * n;
    readPos_ += n;
    if (sumInput_) inputSum_ += detail::ByteSum(word);
    return word;
  }

  // For a decoder that reads the buffered input through a pointer of its own: the next unread
  // byte, with BufferedInput() bytes readable from it. TakeInput(n) then takes the first n of
  // them, as n ReadByte calls would.
  const std::uint8_t* InputCursor() const { return readPos_; }
  void TakeInput(std::size_t n) {
    if (sumInput_) inputSum_ += detail::ByteSum(readPos_, n);
    readPos_ += n;
  }

  void WriteByte(std::uint8_t b) {
    if (outputBudget_ <= 0) ThrowOutputBudgetExhausted();
    --outputBudget_;
    if (writePos_ == writeEnd_) FlushOutput();
    if (scrambleOutput_) b = ScrambleByte(b);
    *writePos_++ = b;
    outputSum_ += b;
  }

  // Appends n bytes, exactly as n WriteByte calls would: the same budget check at the same byte,
  // the same block writes, the same scrambling and sum; only block by block.
  void WriteBytes(const std::uint8_t* data, std::size_t n);

  // Ends a run whose codec returned: writes the last, partly filled output block. Returns the
  // bytes written in all.
  std::int32_t Finish();
  // The byte sum of the uncompressed data: the input's when compressing, the output's when
  // expanding.
  std::int32_t Checksum() const {
    return static_cast<std::int32_t>(expanding_ ? outputSum_ : inputSum_);
  }

 private:
  std::uint8_t TakeByte() {
    std::uint8_t b = *readPos_++;
    inputSum_ += b;
    return b;
  }
  std::uint8_t ScrambleByte(std::uint8_t b) {
    b ^= key_[keyPosition_];
    keyPosition_ = (keyPosition_ + 1) & 3;
    return b;
  }
  // Slow paths: refill the input block (then take its first byte), flush a full output block,
  // and refuse output beyond the budget (EUnableToCompress, or EDataOverrun when expanding).
  std::uint8_t RefillAndReadByte();
  void FlushOutput();
  void YieldNow();
  [[noreturn]] void ThrowOutputBudgetExhausted() const;
  // XORs a block with the key stream from the current key position on.
  void ScrambleBlock(std::uint8_t* data, std::size_t n);

  // What the byte functions touch, together at the front.
  const std::uint8_t* readPos_ = nullptr;
  const std::uint8_t* readEnd_ = nullptr;
  std::uint8_t* writePos_ = nullptr;
  std::uint8_t* writeEnd_ = nullptr;
  bool inputEnded_ = false;
  // The input ended because the progress handler asked to abort, not because the member's data
  // was used up.
  bool inputAborted_ = false;
  // A scrambled input block is unscrambled as a whole when it is read in: every byte meets its
  // key byte in stream order all the same, and the bytes taken need no more work. (The input's
  // sum, which then sums plain bytes, is the checksum only when compressing, and compressed input
  // is never scrambled.)
  bool scrambleInput_;
  bool scrambleOutput_;
  // Only one of the sums is the run's checksum (the input's when compressing, the output's when
  // expanding); the block-wise paths skip the other.
  bool sumInput_;
  bool sumOutput_;
  std::uint32_t inputSum_ = 0;
  std::uint32_t outputSum_ = 0;
  // Bytes that may still be written: the compression budget, or the declared size when expanding.
  std::int32_t outputBudget_;
  bool expanding_;
  std::uint8_t key_[4];
  unsigned keyPosition_ = 0;

  // What only the slow paths touch.
  platform::Stream& source_;
  platform::Stream& dest_;
  const ShowProgressHandler& progress_;
  std::int32_t inputRemaining_;
  std::int32_t blockSize_ = kCodecBlockSize;
  std::int32_t inputConsumed_ = 0;
  static constexpr unsigned kBlocksPerYield = 8;
  // Input and output blocks moved so far, for YieldNow.
  unsigned blocksMoved_ = 0;
  // Bytes written in the output blocks flushed so far.
  std::int32_t bytesFlushed_ = 0;
  std::array<std::uint8_t, kCodecBlockSize> input_;
  std::array<std::uint8_t, kCodecBlockSize> output_;
};

}  // namespace zev::compress
