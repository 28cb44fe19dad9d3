// Compression methods: their numbers in member headers and identifiers in archive headers.
#pragma once

#include <array>
#include <cstdint>

namespace zev::compress {

enum TCompressionMethod : std::uint8_t { coNone = 0, coRLE = 1, coLZH = 2, coCustom = 3, coLZH5 = 4 };

inline constexpr std::array<const char*, 5> MethodIDs = {"NON", "RLE", "LZH", "CUS", "LH5"};

}  // namespace zev::compress
