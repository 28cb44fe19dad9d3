#include "compress/rle.h"

#include <gtest/gtest.h>

#include <vector>

#include "compress/codec_frame.h"
#include "compress/errors.h"
#include "compress/method.h"

namespace zev::compress {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes Compress(const Bytes& input) { return RunCodecInMemory({}, input, 0, coRLE, false); }
Bytes Expand(const Bytes& input) { return RunCodecInMemory({}, input, 0, coRLE, true); }

TEST(RleCodec, CompressesRunsAndEscapes) {
  EXPECT_EQ(Compress({0x41, 0x41}), (Bytes{0x41, 0x41}));
  EXPECT_EQ(Compress({0x41, 0x41, 0x41}), (Bytes{0x41, 0x94, 0x03}));
  EXPECT_EQ(Compress(Bytes(256, 0x41)), (Bytes{0x41, 0x94, 0xFF, 0x41}));
  EXPECT_EQ(Compress({0x94, 0x41, 0x41, 0x41, 0x41}), (Bytes{0x94, 0x00, 0x41, 0x94, 0x04}));
  // The previous byte starts as 0, yet a first 0 byte never continues a run.
  EXPECT_EQ(Compress({0x00, 0x00, 0x00}), (Bytes{0x00, 0x94, 0x03}));
  EXPECT_EQ(Compress({}), Bytes{});
}

TEST(RleCodec, ExpandsItems) {
  EXPECT_EQ(Expand({0x41, 0x94, 0x05}), Bytes(5, 0x41));
  EXPECT_EQ(Expand({0x94, 0x00, 0x41}), (Bytes{0x94, 0x41}));
  // A count of 1 adds nothing; an escape cut off at the end reads its count as 0.
  EXPECT_EQ(Expand({0x41, 0x94, 0x01}), (Bytes{0x41}));
  EXPECT_EQ(Expand({0x41, 0x94}), (Bytes{0x41, 0x94}));
}

TEST(RleCodec, OutputLargerThanInputIsRefused) {
  EXPECT_THROW(Compress({0x94}), EUnableToCompress);
  CodecSettings unlimited;
  unlimited.limitOutputToInput = false;
  EXPECT_EQ(RunCodecInMemory(unlimited, {0x94}, 0, coRLE, false), (Bytes{0x94, 0x00}));
}

TEST(RleCodec, RoundTripsRunsAroundTheLimits) {
  Bytes input;
  for (int length : {1, 2, 3, 254, 255, 256, 257, 510, 511, 1000}) {
    input.insert(input.end(), static_cast<std::size_t>(length), static_cast<std::uint8_t>(length));
    input.insert(input.end(), static_cast<std::size_t>(length % 7), 0x94);
  }
  CodecSettings unlimited;
  unlimited.limitOutputToInput = false;
  std::int32_t sumIn = 0, sumOut = 0;
  Bytes packed = RunCodecInMemory(unlimited, input, 0, coRLE, false, false, &sumIn);
  EXPECT_EQ(RunCodecInMemory({}, packed, 0, coRLE, true, false, &sumOut), input);
  EXPECT_EQ(sumIn, sumOut);
}

}  // namespace
}  // namespace zev::compress
