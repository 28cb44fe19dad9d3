// Deterministic test inputs shared by the codec tests, the fuzz seeds and the benchmarks.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace zev::testing {

using Bytes = std::vector<std::uint8_t>;

enum class InputKind {
  Random,  // uniformly random bytes: incompressible
  Text,    // English-like words, punctuation and line breaks
  Binary,  // an executable-like mix of tables, code-like bytes, strings and zeros
  Runs,    // long runs of equal bytes of varying lengths, some longer than 256
};

// The same kind, size and seed always give the same bytes, on every machine.
Bytes MakeInput(InputKind kind, std::size_t size, std::uint32_t seed = 1);

// The bytes of a text, for tests that write readable contents.
inline Bytes Text(std::string_view text) { return Bytes(text.begin(), text.end()); }

struct NamedInput {
  std::string name;
  Bytes data;
};

// Inputs around every boundary the codecs and the frame care about: empty, one byte, runs
// longer than 256, sizes around 7936, 8192, 16384 and 65536, random bytes, text, and a mixed
// binary of more than 1 MiB.
std::vector<NamedInput> StandardInputs();

// The byte sum, one byte at a time: the reference for the codecs' faster sums.
inline std::uint32_t NaiveByteSum(const std::uint8_t* data, std::size_t n) {
  std::uint32_t sum = 0;
  for (std::size_t i = 0; i < n; ++i) sum += data[i];
  return sum;
}

// Small pseudo-random generator (xorshift32), for tests that mutate data.
class Random {
 public:
  explicit Random(std::uint32_t seed) : state_(seed ? seed : 0x9E3779B9u) {}
  std::uint32_t Next() {
    state_ ^= state_ << 13;
    state_ ^= state_ >> 17;
    state_ ^= state_ << 5;
    return state_;
  }
  // A value in 0..bound-1 (bound > 0).
  std::uint32_t Below(std::uint32_t bound) { return Next() % bound; }

 private:
  std::uint32_t state_;
};

}  // namespace zev::testing
