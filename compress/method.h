// Compression methods: their numbers in member headers and identifiers in archive headers.
#pragma once

#include <array>
#include <cstdint>

namespace zev::compress {

enum TCompressionMethod : std::uint8_t { coNone = 0, coRLE = 1, coLZH = 2, coCustom = 3, coLZH5 = 4 };

inline constexpr std::array<const char*, 5> MethodIDs = {"NON", "RLE", "LZH", "CUS", "LH5"};

// How hard the LZH5 encoder looks for matches. Every level writes an ordinary LZH5 stream that
// any decoder reads; only the choice of literals and matches differs.
//   Exact: the trie finder with its one-step lazy choice; the bytes never change between builds.
//   Fast:  a bounded hash-chain finder with a lazy choice, for speed.
//   Best:  a parse that chooses matches by the bits their codes cost, for size.
enum class CompressionLevel : std::uint8_t { Exact, Fast, Best };

}  // namespace zev::compress
