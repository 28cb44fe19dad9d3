#include "tests/support/test_inputs.h"

#include <array>
#include <string_view>

namespace zev::testing {

namespace {

constexpr std::array<std::string_view, 48> kWords = {
    "the",     "of",      "and",     "to",      "a",      "in",      "is",      "it",
    "that",    "for",     "you",     "was",     "with",    "on",     "as",      "have",
    "but",     "be",      "they",    "install", "setup",  "file",    "disk",    "program",
    "folder",  "window",  "archive", "member",  "size",    "value",  "press",   "next",
    "licence", "agree",   "copy",    "program", "select",  "drive",  "options", "network",
    "compress", "expand", "header",  "table",   "version", "system", "user",    "data"};

void AppendText(Bytes& out, std::size_t size, Random& random) {
  std::size_t lineLength = 0;
  bool capital = true;
  while (out.size() < size) {
    // Skewed choice: early words are far more frequent, as in natural text.
    std::uint32_t r = random.Below(kWords.size() * kWords.size());
    std::string_view word = kWords[r % kWords.size() < r / kWords.size() ? r % kWords.size()
                                                                           : r / kWords.size()];
    for (std::size_t i = 0; i < word.size() && out.size() < size; ++i) {
      char c = word[i];
      if (i == 0 && capital) c = static_cast<char>(c - 'a' + 'A');
      out.push_back(static_cast<std::uint8_t>(c));
    }
    capital = false;
    lineLength += word.size() + 1;
    std::uint32_t p = random.Below(100);
    if (p < 6) {
      out.push_back('.');
      capital = true;
    } else if (p < 10) {
      out.push_back(',');
    }
    if (lineLength > 64 + random.Below(12)) {
      out.push_back('\r');
      out.push_back('\n');
      lineLength = 0;
    } else {
      out.push_back(' ');
    }
  }
  out.resize(size);
}

void AppendBinary(Bytes& out, std::size_t size, Random& random) {
  static constexpr std::array<std::uint8_t, 16> kOpcodes = {0x8B, 0x89, 0x55, 0xE8, 0xC3, 0x83, 0x50, 0x53,
                                                            0x5B, 0x5D, 0xFF, 0x74, 0x75, 0xEB, 0x33, 0xC0};
  while (out.size() < size) {
    std::size_t chunk = 64 + random.Below(4096);
    switch (random.Below(5)) {
      case 0:  // a table of ascending little-endian addresses
        for (std::uint32_t v = random.Next() & 0xFFFF00u; chunk >= 4; chunk -= 4, v += 4 + random.Below(3) * 4)
          for (int b = 0; b < 4; ++b) out.push_back(static_cast<std::uint8_t>(v >> (8 * b)));
        break;
      case 1:  // code-like bytes: a small alphabet with repeated sequences
        for (std::size_t i = 0; i < chunk; ++i)
          out.push_back(random.Below(4) == 0 ? static_cast<std::uint8_t>(random.Next())
                                             : kOpcodes[random.Below(kOpcodes.size())]);
        break;
      case 2:  // zero padding
        out.insert(out.end(), chunk, 0);
        break;
      case 3:
        AppendText(out, out.size() + chunk, random);
        break;
      default:  // packed data
        for (std::size_t i = 0; i < chunk; ++i) out.push_back(static_cast<std::uint8_t>(random.Next()));
        break;
    }
  }
  out.resize(size);
}

}  // namespace

Bytes MakeInput(InputKind kind, std::size_t size, std::uint32_t seed) {
  Random random(seed * 2654435761u + static_cast<std::uint32_t>(kind));
  Bytes out;
  out.reserve(size + 8);
  switch (kind) {
    case InputKind::Random:
      while (out.size() < size) out.push_back(static_cast<std::uint8_t>(random.Next() >> 11));
      break;
    case InputKind::Text:
      AppendText(out, size, random);
      break;
    case InputKind::Binary:
      AppendBinary(out, size, random);
      break;
    case InputKind::Runs:
      while (out.size() < size) {
        std::size_t length = 1 + random.Below(random.Below(4) == 0 ? 700 : 12);
        auto value = static_cast<std::uint8_t>(random.Below(8) == 0 ? 0x94 : random.Next());
        out.insert(out.end(), length, value);
      }
      out.resize(size);
      break;
  }
  return out;
}

std::vector<NamedInput> StandardInputs() {
  std::vector<NamedInput> inputs;
  inputs.push_back({"empty", {}});
  inputs.push_back({"one_byte", {0x41}});
  inputs.push_back({"one_escape_byte", {0x94}});
  inputs.push_back({"runs_4k", MakeInput(InputKind::Runs, 4096)});
  inputs.push_back({"run_1000", Bytes(1000, 0x20)});
  for (std::size_t size : {7935u, 7936u, 7937u, 8191u, 8192u, 8193u, 16383u, 16384u, 16385u, 65535u,
                           65536u, 65537u}) {
    inputs.push_back({"text_" + std::to_string(size), MakeInput(InputKind::Text, size, static_cast<std::uint32_t>(size))});
  }
  inputs.push_back({"random_64k", MakeInput(InputKind::Random, 65536)});
  inputs.push_back({"text_100k", MakeInput(InputKind::Text, 100000)});
  inputs.push_back({"binary_1m", MakeInput(InputKind::Binary, (1u << 20) + 1234)});
  return inputs;
}

}  // namespace zev::testing
