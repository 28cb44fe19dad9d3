#include "compress/codec_table.h"

#include <gtest/gtest.h>

#include <vector>

#include "compress/codec_frame.h"
#include "compress/codec_frame_io.h"
#include "tests/support/test_inputs.h"

namespace zev::compress {
namespace {

using zev::testing::Bytes;

// A method made up for the test: every byte with its nibbles swapped.
constexpr std::uint8_t kSwapMethod = 9;

void SwapNibbles(CodecFrame& frame) {
  for (;;) {
    const std::uint8_t b = frame.ReadByte();
    if (frame.InputEnded()) return;
    frame.WriteByte(static_cast<std::uint8_t>(b << 4 | b >> 4));
  }
}
void SwapEncode(CodecFrame& frame, CompressionLevel) { SwapNibbles(frame); }
void SwapDecode(CodecFrame& frame, std::int32_t) { SwapNibbles(frame); }

std::vector<Codec> CodecsWithSwap() {
  std::vector<Codec> codecs(Codecs().begin(), Codecs().end());
  codecs.push_back({kSwapMethod, SwapEncode, SwapDecode});
  return codecs;
}

Bytes RunWith(std::span<const Codec> codecs, const CodecSettings& settings, const Bytes& input, std::uint8_t method,
          bool expanding, std::int32_t& checksum) {
  platform::MemoryStream source(input);
  platform::MemoryStream dest;
  const auto size = static_cast<std::int32_t>(input.size());
  RunCodec(settings, dest, source, size, size, method, checksum, expanding, expanding, codecs);
  return dest.Data();
}

TEST(CodecTable, ANewMethodIsOneRow) {
  const std::vector<Codec> codecs = CodecsWithSwap();
  const Bytes text = zev::testing::MakeInput(zev::testing::InputKind::Text, 20000);
  CodecSettings keyed;
  keyed.key = 0x01020304;
  std::int32_t packedSum = 0, unpackedSum = 0;
  const Bytes packed = RunWith(codecs, keyed, text, kSwapMethod, false, packedSum);
  // The frame serves the new row as it serves every codec: the key scrambles the output, and the
  // checksum is the byte sum of the uncompressed data in both directions.
  ASSERT_EQ(packed.size(), text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    const auto swapped = static_cast<std::uint8_t>(text[i] << 4 | text[i] >> 4);
    ASSERT_EQ(packed[i], swapped ^ static_cast<std::uint8_t>(4 - i % 4)) << i;  // the key's bytes, lowest first
  }
  EXPECT_EQ(RunWith(codecs, keyed, packed, kSwapMethod, true, unpackedSum), text);
  EXPECT_EQ(static_cast<std::uint32_t>(packedSum), zev::testing::NaiveByteSum(text.data(), text.size()));
  EXPECT_EQ(unpackedSum, packedSum);

  // The production table has no such row, and the rows beside it run as they always do.
  EXPECT_EQ(FindCodec(kSwapMethod), nullptr);
  EXPECT_TRUE(RunCodecInMemory({}, text, 0, kSwapMethod, false).empty());
  for (std::uint8_t method : {coRLE, coLZH, coLZH5}) {
    std::int32_t sum = 0;
    EXPECT_EQ(RunWith(codecs, {}, text, method, false, sum), RunCodecInMemory({}, text, 0, method, false)) << int{method};
  }
}

}  // namespace
}  // namespace zev::compress
