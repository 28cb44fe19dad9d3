#include "compress/codec_table.h"

#include "compress/lzh.h"
#include "compress/lzh5_decoder.h"
#include "compress/lzh5_encoder.h"
#include "compress/rle.h"

namespace zev::compress {

namespace {

constexpr Codec kCodecs[] = {
    {coRLE, RleEncode, RleDecode},
    {coLZH, LzhEncode, LzhDecode},
    {coLZH5, Lzh5Encode, Lzh5Decode},
};

}  // namespace

std::span<const Codec> Codecs() { return kCodecs; }

const Codec* FindCodec(std::uint8_t method, std::span<const Codec> codecs) {
  for (const Codec& codec : codecs)
    if (codec.method == method) return &codec;
  return nullptr;
}

}  // namespace zev::compress
