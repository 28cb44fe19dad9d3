#include "compress/rle.h"

#include <cstdint>

#include "compress/codec_frame.h"

namespace zev::compress {

namespace {

constexpr std::uint8_t kEscape = 0x94;

// Writes a run item (n of 0 or 3..255) or, for n of 1 or 2, n - 1 plain copies of c.
void WriteCodecRun(unsigned n, std::uint8_t c) {
  if (n == 0 || n > 2) {
    WriteCodecByte(kEscape);
    WriteCodecByte(static_cast<std::uint8_t>(n));
  } else {
    for (unsigned i = 1; i < n; ++i) WriteCodecByte(c);
  }
}

void WriteLiteral(std::uint8_t b) {
  if (b == kEscape) {
    WriteCodecRun(0, b);
  } else {
    WriteCodecByte(b);
  }
}

}  // namespace

void RleEncode() {
  bool firstByte = true;
  std::uint8_t previous = 0;
  bool inRun = false;
  unsigned runCount = 0;
  for (;;) {
    std::uint8_t b = ReadCodecByte();
    if (CodecInputEnded()) {
      if (inRun) WriteCodecRun(runCount, previous);
      return;
    }
    if (inRun) {
      if (b == previous && runCount < 255) {
        ++runCount;
      } else {
        WriteCodecRun(runCount, previous);
        previous = b;
        WriteLiteral(b);
        inRun = false;
      }
    } else {
      if (b == kEscape) {
        WriteLiteral(b);
      } else if (b == previous && !firstByte) {
        inRun = true;
        runCount = 2;
      } else {
        WriteCodecByte(b);
      }
      previous = b;
    }
    firstByte = false;
  }
}

void RleDecode() {
  std::uint8_t previous = 0;
  for (;;) {
    std::uint8_t a = ReadCodecByte();
    if (CodecInputEnded()) return;
    if (a == kEscape) {
      std::uint8_t n = ReadCodecByte();
      if (n == 0) {
        WriteCodecByte(kEscape);
      } else {
        for (unsigned i = 1; i < n; ++i) WriteCodecByte(previous);
      }
    } else {
      WriteCodecByte(a);
    }
    previous = a;
  }
}

}  // namespace zev::compress
