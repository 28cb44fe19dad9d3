// The codecs the frame can run, one row per method. Every codec has the same two entry points
// over the run's frame (compress/codec_frame_io.h), so adding a method is adding a row.
#pragma once

#include <cstdint>
#include <span>

#include "compress/method.h"

namespace zev::compress {

class CodecFrame;

// Runs until the frame's input ends. The level matters to LZH5 only; the others ignore it.
using EncodeEntry = void (*)(CodecFrame& frame, CompressionLevel level);
// Produces the member's outputSize bytes (LZH, LZH5), or expands until the input ends (RLE,
// whose stream holds no size; the frame's budget bounds it).
using DecodeEntry = void (*)(CodecFrame& frame, std::int32_t outputSize);

struct Codec {
  std::uint8_t method;
  EncodeEntry encode;
  DecodeEntry decode;
};

// RLE, LZH and LZH5.
std::span<const Codec> Codecs();

// The row of method in codecs, or nullptr when it has none.
const Codec* FindCodec(std::uint8_t method, std::span<const Codec> codecs = Codecs());

}  // namespace zev::compress
