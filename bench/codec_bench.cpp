// Compression ratio and throughput of every codec on deterministic inputs, with zlib's deflate
// at level 6 measured in the same run as a reference. Throughput is in MB/s of uncompressed data
// per second of the process's CPU time, the best of several runs: on a shared machine the wall
// time also counts the time spent waiting for a core.
#include <zlib.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <functional>
#include <string>
#include <vector>

#include "compress/codec_frame.h"
#include "compress/method.h"
#include "tests/support/test_inputs.h"

namespace {

using zev::testing::Bytes;
using zev::testing::InputKind;

double BestSeconds(int runs, const std::function<void()>& work) {
  double best = 1e30;
  for (int i = 0; i < runs; ++i) {
    const std::clock_t start = std::clock();
    work();
    best = std::min(best, static_cast<double>(std::clock() - start) / CLOCKS_PER_SEC);
  }
  return best;
}

// Blocks of text, code-like binary, runs and random bytes, in turn.
Bytes MakeMixed(std::size_t size) {
  Bytes out;
  const InputKind kinds[] = {InputKind::Text, InputKind::Binary, InputKind::Runs, InputKind::Random};
  for (std::uint32_t block = 0; out.size() < size; ++block) {
    Bytes part = zev::testing::MakeInput(kinds[block % 4], 65536, block + 100);
    out.insert(out.end(), part.begin(), part.end());
  }
  out.resize(size);
  return out;
}

void Report(const char* input, const char* method, std::size_t original, std::size_t packed, double packSeconds,
            double unpackSeconds) {
  double mb = static_cast<double>(original) / 1e6;
  std::printf("%-8s %-8s %7.2f%% %10.1f %10.1f\n", input, method, 100.0 * static_cast<double>(packed) / static_cast<double>(original),
              mb / packSeconds, mb / unpackSeconds);
}

void BenchCodec(const char* input, const char* name, std::uint8_t method, const Bytes& data, int runs) {
  zev::compress::CodecSettings settings;
  settings.limitOutputToInput = false;
  auto size = static_cast<std::int32_t>(data.size());
  Bytes packed, unpacked;
  double pack = BestSeconds(runs, [&] { packed = zev::compress::RunCodecInMemory(settings, data, 0, method, false); });
  double unpack = BestSeconds(runs, [&] { unpacked = zev::compress::RunCodecInMemory(settings, packed, size, method, true); });
  if (unpacked != data) {
    std::fprintf(stderr, "codec_bench: %s did not reproduce the %s input\n", name, input);
    std::exit(1);
  }
  Report(input, name, data.size(), packed.size(), pack, unpack);
}

void BenchDeflate(const char* input, const Bytes& data, int runs) {
  uLongf bound = compressBound(static_cast<uLong>(data.size()));
  Bytes packed(bound), unpacked(data.size());
  uLongf packedSize = bound;
  double pack = BestSeconds(runs, [&] {
    packedSize = bound;
    compress2(packed.data(), &packedSize, data.data(), static_cast<uLong>(data.size()), 6);
  });
  double unpack = BestSeconds(runs, [&] {
    uLongf size = static_cast<uLongf>(unpacked.size());
    uncompress(unpacked.data(), &size, packed.data(), packedSize);
  });
  if (unpacked != data) {
    std::fprintf(stderr, "codec_bench: zlib did not reproduce the %s input\n", input);
    std::exit(1);
  }
  Report(input, "deflate6", data.size(), packedSize, pack, unpack);
}

}  // namespace

int main(int argc, char** argv) {
  std::size_t size = 4u << 20;
  int runs = 3;
  if (argc > 1) size = static_cast<std::size_t>(std::strtoul(argv[1], nullptr, 10)) << 20;
  if (argc > 2) runs = std::atoi(argv[2]);
  if (size == 0 || runs <= 0) {
    std::fprintf(stderr, "usage: codec_bench [MiB [RUNS]]\n");
    return 2;
  }
  struct Input {
    const char* name;
    Bytes data;
  };
  const Input inputs[] = {{"text", zev::testing::MakeInput(InputKind::Text, size)},
                          {"binary", zev::testing::MakeInput(InputKind::Binary, size)},
                          {"mixed", MakeMixed(size)}};
  std::printf("%zu MiB per input, best of %d runs; MB/s of uncompressed data per CPU second\n", size >> 20, runs);
  std::printf("%-8s %-8s %8s %10s %10s\n", "input", "method", "ratio", "compress", "expand");
  for (const Input& input : inputs) {
    BenchCodec(input.name, "rle", zev::compress::coRLE, input.data, runs);
    BenchCodec(input.name, "lzh", zev::compress::coLZH, input.data, runs);
    BenchCodec(input.name, "lh5", zev::compress::coLZH5, input.data, runs);
    BenchDeflate(input.name, input.data, runs);
  }
  return 0;
}
