// Properties of the three codecs, fed arbitrary bytes.
//
// Decoders (Lzh5Decode, LzhDecode): the input is a 4-byte little-endian OutputSize followed by
// the compressed stream. A decoder either refuses the stream with its own exception (a bad table,
// or bits needed past the stream's end) or produces exactly OutputSize bytes; the same stream
// always decodes to the same bytes. The RLE decoder, which has no OutputSize, never
// writes more than 255 bytes per input byte.
// Encoders: the input bytes are compressed (with and without a key) and must decode to
// themselves.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "compress/codec_frame.h"
#include "compress/method.h"
#include "tests/fuzz/fuzz_support.h"

namespace zev::fuzz {

// Positive sizes are kept below 64 KiB so that one run stays fast; negative ones pass as they
// are (a decoder must produce nothing for them).
inline std::int32_t FuzzOutputSize(const std::uint8_t* data) {
  auto raw = static_cast<std::int32_t>(LoadLE32(data));
  return raw < 0 ? raw : raw % (1 << 16);
}

inline Verdict CheckRoundTrip(const char* name, std::uint8_t method, const Bytes& plain, std::int32_t key) {
  compress::CodecSettings settings;
  settings.limitOutputToInput = false;
  settings.key = key;
  Bytes packed, unpacked;
  std::int32_t packSum = 0, unpackSum = 0;
  Verdict v = OnlyOwnExceptions(name, [&] {
    packed = compress::RunCodecInMemory(settings, plain, 0, method, false, false, &packSum);
    unpacked = compress::RunCodecInMemory(settings, packed, static_cast<std::int32_t>(plain.size()), method, true,
                                          key != 0, &unpackSum);
  });
  if (!v.empty()) return v;
  if (unpacked != plain)
    return std::string(name) + ": round trip of " + std::to_string(plain.size()) + " bytes (key " +
           std::to_string(key) + ") gave " + std::to_string(unpacked.size()) + " different bytes";
  if (packSum != unpackSum) return std::string(name) + ": checksums of the two directions differ";
  return {};
}

inline Verdict CheckDecoder(const char* name, std::uint8_t method, const std::uint8_t* data, std::size_t size) {
  if (size < 4) return {};
  const std::int32_t outputSize = FuzzOutputSize(data);
  const Bytes stream(data + 4, data + size);
  compress::CodecSettings settings;
  Bytes first, second;
  bool refused = false;
  Verdict v = OnlyOwnExceptions(
      name, [&] { first = compress::RunCodecInMemory(settings, stream, outputSize, method, true); }, &refused);
  if (!v.empty() || refused) return v;
  const std::int64_t want = outputSize < 0 ? 0 : outputSize;
  const auto got = static_cast<std::int64_t>(first.size());
  if (got != want)
    return std::string(name) + ": OutputSize " + std::to_string(outputSize) + " produced " + std::to_string(got) +
           " bytes";
  second = compress::RunCodecInMemory(settings, stream, outputSize, method, true);
  if (first != second) return std::string(name) + ": the same stream decoded differently twice";
  return {};
}

inline Verdict CheckLzh5(const std::uint8_t* data, std::size_t size) {
  Verdict v = CheckDecoder("Lzh5Decode", compress::coLZH5, data, size);
  if (!v.empty()) return v;
  const Bytes plain(data, data + size);
  return CheckRoundTrip("LZH5 round trip", compress::coLZH5, plain, size % 2 ? 0x2468ACE0 : 0);
}

inline Verdict CheckLzh(const std::uint8_t* data, std::size_t size) {
  Verdict v = CheckDecoder("LzhDecode", compress::coLZH, data, size);
  if (!v.empty()) return v;
  const Bytes plain(data, data + size);
  return CheckRoundTrip("LZH round trip", compress::coLZH, plain, size % 2 ? 0x13579BDF : 0);
}

inline Verdict CheckRle(const std::uint8_t* data, std::size_t size) {
  const Bytes stream(data, data + size);
  compress::CodecSettings settings;
  Bytes out;
  Verdict v = OnlyOwnExceptions("RLE decoder", [&] { out = compress::RunCodecInMemory(settings, stream, 0, compress::coRLE, true); });
  if (!v.empty()) return v;
  if (out.size() > 255 * stream.size())
    return "RLE decoder: " + std::to_string(stream.size()) + " bytes expanded to " + std::to_string(out.size());
  return CheckRoundTrip("RLE round trip", compress::coRLE, stream, size % 2 ? 0x0BADF00D : 0);
}

}  // namespace zev::fuzz
