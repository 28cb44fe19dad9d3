// The archive container: a 21-byte archive header, then members, each a 25-byte member header,
// its name and its compressed data. Little-endian, packed, no trailer and no index.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/stream.h"

namespace zev::compress {

inline constexpr std::size_t kArchiveHeaderSize = 21;
inline constexpr std::size_t kMemberHeaderSize = 25;
// The smallest archive that can hold a member: an archive header and a header with no name.
inline constexpr std::int64_t kSmallestListableArchive = kArchiveHeaderSize + kMemberHeaderSize;
inline constexpr std::uint8_t caMulti = 1;
inline constexpr std::array<std::uint8_t, 5> kArchiveMagic = {'M', 'O', 'R', 'V', 0x1A};

struct TArchiveHeader {
  std::array<std::uint8_t, 5> magic = kArchiveMagic;
  std::array<char, 3> identifier = {0, 0, 0};
  std::int32_t TotalSize = 0;
  std::uint8_t ArchiveType = caMulti;
  std::int32_t reserved = 0;
  std::int32_t LockMode = 0;

  std::string Identifier() const { return std::string(identifier.data(), identifier.size()); }

  template <class Io, class Self>
  static constexpr void Fields(Io& io, Self& h) {
    io.Field(h.magic);
    io.Field(h.identifier);
    io.Field(h.TotalSize);
    io.Field(h.ArchiveType);
    io.Field(h.reserved);
    io.Field(h.LockMode);
  }
};

struct TMemberHeader {
  std::int16_t NameLength = 0;
  std::int32_t FileDate = 0;
  std::int16_t Attributes = 0;
  std::int32_t UncompressedSize = 0;
  std::int32_t CompressedSize = 0;
  std::uint8_t MethodNumber = 0;
  std::int32_t Checksum = 0;
  std::int32_t LockMode = 0;

  template <class Io, class Self>
  static constexpr void Fields(Io& io, Self& h) {
    io.Field(h.NameLength);
    io.Field(h.FileDate);
    io.Field(h.Attributes);
    io.Field(h.UncompressedSize);
    io.Field(h.CompressedSize);
    io.Field(h.MethodNumber);
    io.Field(h.Checksum);
    io.Field(h.LockMode);
  }
};

std::array<std::uint8_t, kArchiveHeaderSize> EncodeArchiveHeader(const TArchiveHeader& header);
TArchiveHeader DecodeArchiveHeader(const std::uint8_t* bytes);
std::array<std::uint8_t, kMemberHeaderSize> EncodeMemberHeader(const TMemberHeader& header);
TMemberHeader DecodeMemberHeader(const std::uint8_t* bytes);

// Reads the next member header and its name. False when either is cut short or the name length
// is negative: the archive has ended. A negative compressed size cannot be walked past and
// raises EInvalidHeader.
bool ReadMemberHeader(platform::Stream& stream, TMemberHeader& header, std::string& name);

// Sum of the bytes, each taken unsigned, wrapping at 2^32.
std::uint32_t ByteSum(const std::uint8_t* data, std::size_t size, std::uint32_t sum = 0);

}  // namespace zev::compress
