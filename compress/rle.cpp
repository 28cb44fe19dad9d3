#include "compress/rle.h"

#include <cstdint>

#include "compress/codec_frame_io.h"

namespace zev::compress {

namespace {

constexpr std::uint8_t kEscape = 0x94;

// Writes a run item (n of 0 or 3..255) or, for n of 1 or 2, n - 1 plain copies of c.
void WriteCodecRun(CodecFrame& frame, unsigned n, std::uint8_t c) {
  if (n == 0 || n > 2) {
    frame.WriteByte(kEscape);
    frame.WriteByte(static_cast<std::uint8_t>(n));
  } else {
    for (unsigned i = 1; i < n; ++i) frame.WriteByte(c);
  }
}

void WriteLiteral(CodecFrame& frame, std::uint8_t b) {
  if (b == kEscape) {
    WriteCodecRun(frame, 0, b);
  } else {
    frame.WriteByte(b);
  }
}

}  // namespace

void RleEncode(CodecFrame& frame, CompressionLevel) {
  bool firstByte = true;
  std::uint8_t previous = 0;
  bool inRun = false;
  unsigned runCount = 0;
  for (;;) {
    std::uint8_t b = frame.ReadByte();
    if (frame.InputEnded()) {
      if (inRun) WriteCodecRun(frame, runCount, previous);
      return;
    }
    if (inRun) {
      if (b == previous && runCount < 255) {
        ++runCount;
      } else {
        WriteCodecRun(frame, runCount, previous);
        previous = b;
        WriteLiteral(frame, b);
        inRun = false;
      }
    } else {
      if (b == kEscape) {
        WriteLiteral(frame, b);
      } else if (b == previous && !firstByte) {
        inRun = true;
        runCount = 2;
      } else {
        frame.WriteByte(b);
      }
      previous = b;
    }
    firstByte = false;
  }
}

void RleDecode(CodecFrame& frame, std::int32_t) {
  std::uint8_t previous = 0;
  for (;;) {
    std::uint8_t a = frame.ReadByte();
    if (frame.InputEnded()) return;
    if (a == kEscape) {
      std::uint8_t n = frame.ReadByte();
      if (n == 0) {
        frame.WriteByte(kEscape);
      } else {
        for (unsigned i = 1; i < n; ++i) frame.WriteByte(previous);
      }
    } else {
      frame.WriteByte(a);
    }
    previous = a;
  }
}

}  // namespace zev::compress
