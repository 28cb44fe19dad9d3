// Prints one line per codec run over a broad set of inputs: a hash of everything the run makes
// visible (the bytes written, the checksum, the compressed size, every progress report, and the
// exception text when it fails). Two builds that print the same lines behave the same; an
// optimisation is checked by diffing this output before and after it.
//
//   codec_fingerprint > before.txt   ...change, rebuild...   codec_fingerprint | diff before.txt -
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "platform/error.h"
#include "compress/codec_frame.h"
#include "compress/method.h"
#include "tests/support/test_inputs.h"

namespace {

using zev::testing::Bytes;
using zev::testing::InputKind;

struct Hash {
  std::uint64_t h = 0xcbf29ce484222325ull;
  void Add(const void* data, std::size_t n) {
    const auto* p = static_cast<const std::uint8_t*>(data);
    for (std::size_t i = 0; i < n; ++i) h = (h ^ p[i]) * 0x100000001b3ull;
  }
  void Add(std::int64_t v) { Add(&v, sizeof v); }
};

struct Outcome {
  Bytes output;
  std::string line;
};

// Runs one codec and folds what it shows into a line. abortAt > 0 makes the abortAt-th progress
// report ask for an abort.
Outcome Run(const Bytes& input, std::int32_t outputSize, std::uint8_t method, bool expanding,
            std::int32_t key, bool scrambled, bool limit, int abortAt) {
  zev::compress::CodecSettings settings;
  settings.key = key;
  settings.limitOutputToInput = limit;
  zev::platform::MemoryStream source(input);
  zev::platform::MemoryStream dest;
  std::vector<std::int32_t> reports;
  std::vector<std::int64_t> written;
  // What the destination holds at each report shows where block writes fall between reads.
  settings.onShowProgress = [&](std::int32_t& percentage) {
    reports.push_back(percentage);
    written.push_back(static_cast<std::int64_t>(dest.Data().size()));
    if (static_cast<int>(reports.size()) == abortAt) percentage = -1;
  };
  std::int32_t checksum = 0x5A5A5A5A;
  std::int32_t result = -1;
  std::string error;
  try {
    result = zev::compress::RunCodec(settings, dest, source, static_cast<std::int32_t>(input.size()),
                                      outputSize, method, checksum, expanding, scrambled);
  } catch (const zev::Exception& e) {
    error = e.Message();
  }
  Hash h;
  h.Add(dest.Data().data(), dest.Data().size());
  char line[256];
  std::snprintf(line, sizeof line, "out=%zu hash=%016llx sum=%d written=%d reports=%zu", dest.Data().size(),
                static_cast<unsigned long long>(h.h), checksum, result, reports.size());
  Hash r;
  for (std::int32_t v : reports) r.Add(v);
  for (std::int64_t v : written) r.Add(v);
  std::string text = line;
  text += " reportHash=" + std::to_string(r.h % 1000000007ull);
  if (!error.empty()) text += " error=\"" + error + "\"";
  return {dest.Data(), text};
}

}  // namespace

int main() {
  std::vector<zev::testing::NamedInput> inputs = zev::testing::StandardInputs();
  const InputKind kinds[] = {InputKind::Text, InputKind::Binary, InputKind::Runs, InputKind::Random};
  const char* kindNames[] = {"text", "binary", "runs", "random"};
  for (int k = 0; k < 4; ++k) {
    for (std::size_t size : {3u, 257u, 7935u, 7937u, 8191u, 8193u, 16385u, 40000u, 300000u}) {
      inputs.push_back({std::string(kindNames[k]) + "-" + std::to_string(size),
                        zev::testing::MakeInput(kinds[k], size, static_cast<std::uint32_t>(size + k))});
    }
  }
  const std::uint8_t methods[] = {zev::compress::coRLE, zev::compress::coLZH, zev::compress::coLZH5};
  for (const auto& input : inputs) {
    const auto size = static_cast<std::int32_t>(input.data.size());
    for (std::uint8_t method : methods) {
      for (std::int32_t key : {0, 0x1234567}) {
        Outcome packed = Run(input.data, 0, method, false, key, false, false, 0);
        std::printf("%s m%d key%d pack: %s\n", input.name.c_str(), method, key, packed.line.c_str());
        if (key == 0) {
          std::printf("%s m%d limited pack: %s\n", input.name.c_str(), method,
                      Run(input.data, 0, method, false, 0, false, true, 0).line.c_str());
          std::printf("%s m%d abort2 pack: %s\n", input.name.c_str(), method,
                      Run(input.data, 0, method, false, 0, false, false, 2).line.c_str());
        }
        std::printf("%s m%d key%d unpack: %s\n", input.name.c_str(), method, key,
                    Run(packed.output, size, method, true, key, key != 0, true, 0).line.c_str());
        if (key != 0) continue;
        std::printf("%s m%d abort2 unpack: %s\n", input.name.c_str(), method,
                    Run(packed.output, size, method, true, 0, false, true, 2).line.c_str());
        // Damaged data: flipped bytes, a cut, and a wrong size, each through the decoder.
        zev::testing::Random random(static_cast<std::uint32_t>(size) * 31 + method);
        for (int d = 0; d < 4 && !packed.output.empty(); ++d) {
          Bytes damaged = packed.output;
          if (d < 3) {
            for (int f = 0; f <= d; ++f) damaged[random.Below(static_cast<std::uint32_t>(damaged.size()))] ^=
                static_cast<std::uint8_t>(1u + random.Below(255));
          } else {
            damaged.resize(damaged.size() / 2);
          }
          std::printf("%s m%d damaged%d unpack: %s\n", input.name.c_str(), method, d,
                      Run(damaged, size + d, method, true, 0, false, true, 0).line.c_str());
        }
      }
    }
  }
  // Random streams for the decoders: mostly bad tables, some that decode to garbage.
  zev::testing::Random random(77);
  for (int i = 0; i < 300; ++i) {
    Bytes noise(1 + random.Below(3000));
    for (auto& b : noise) b = static_cast<std::uint8_t>(random.Next() >> 13);
    for (std::uint8_t method : methods) {
      std::printf("noise%d m%d unpack: %s\n", i, method,
                  Run(noise, static_cast<std::int32_t>(random.Below(20000)), method, true, 0, false, true, 0)
                      .line.c_str());
    }
  }
  return 0;
}
