// The codec frame: runs one codec over one member, with 8192-byte input and output blocks,
// byte sums, key scrambling, progress reports and the compression budget.
//
// Each run has a frame of its own (compress/codec_frame_io.h), so runs on different threads do
// not meet.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "compress/codec_settings.h"
#include "compress/codec_table.h"
#include "platform/stream.h"

namespace zev::compress {

inline constexpr std::int32_t kCodecBlockSize = 8192;

// Runs the codec of method from codecs in one direction; a method without a row runs nothing.
// checksum receives the byte sum of the uncompressed data. Returns the bytes written when
// compressing.
std::int32_t RunCodec(const CodecSettings& settings, platform::Stream& dest, platform::Stream& source,
                      std::int32_t inputSize, std::int32_t outputSize, std::uint8_t method,
                      std::int32_t& checksum, bool expanding, bool scrambled,
                      std::span<const Codec> codecs = Codecs());

// Convenience for tests, tools and benchmarks: the same over memory.
std::vector<std::uint8_t> RunCodecInMemory(const CodecSettings& settings,
                                           const std::vector<std::uint8_t>& input,
                                           std::int32_t outputSize, std::uint8_t method,
                                           bool expanding, bool scrambled = false,
                                           std::int32_t* checksum = nullptr);

// Progress percentage: done * 100 / total, kept from overflowing for large totals.
std::int32_t PercentOf(std::int32_t done, std::int32_t total);

}  // namespace zev::compress
