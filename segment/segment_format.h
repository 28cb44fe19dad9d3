// The segment set layout: the 8-byte header of every segment file and the records of the logical
// stream that runs across the segments. Little-endian, packed; the reserved bytes are carried so
// that a record reads back as it was written.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

namespace zev::segment {

inline constexpr std::size_t kSegIDHeaderSize = 8;
inline constexpr std::size_t kSegHeaderSize = 21;
inline constexpr std::size_t kSegScanHeaderSize = 17;
inline constexpr std::size_t kSegArcHeaderSize = 16;

// Every block of the stream passes through one buffer of this size; a template name and a list
// record must leave room in it for a terminating NUL.
inline constexpr std::int32_t kSegTransferSize = 8192;
inline constexpr std::int32_t kMaxNameLength = kSegTransferSize - 1;
inline constexpr std::int32_t kMaxRecordWidth = kSegTransferSize - 1;

// A list file names at most kMaxListRecords files, and holds at most that many names as long as
// the longest path Windows allows; a larger one belongs to a damaged set. Both bound what a few
// bytes of set can make the reader stage on disk and keep in memory.
inline constexpr std::int32_t kMaxListRecords = 65536;
inline constexpr std::int64_t kMaxListFileSize = std::int64_t{kMaxListRecords} * 260;

inline constexpr std::int32_t kMinSegSize = 16384;
inline constexpr std::int32_t kDefaultSegSize = 1440000;

using Magic = std::array<char, 4>;
inline constexpr Magic kSegIDMagic = {'S', 'S', 'e', 'g'};
inline constexpr Magic kSegHeaderMagic = {'S', 'H', 'd', 'r'};
inline constexpr Magic kSegScanMagic = {'S', 'c', 'a', 'n'};
inline constexpr Magic kSegArcMagic = {'S', 'A', 'r', 'c'};

struct TSegIDHeader {
  Magic magic = kSegIDMagic;
  std::uint32_t reserved = 0;

  template <class Io, class Self>
  static constexpr void Fields(Io& io, Self& h) {
    io.Field(h.magic);
    io.Field(h.reserved);
  }
};

struct TSegHeader {
  Magic magic = kSegHeaderMagic;
  std::uint16_t reserved1 = 0;
  std::uint16_t ArcCount = 0;
  std::uint8_t reserved2 = 0;
  std::array<std::uint8_t, 12> reserved3 = {};

  template <class Io, class Self>
  static constexpr void Fields(Io& io, Self& h) {
    io.Field(h.magic);
    io.Field(h.reserved1);
    io.Field(h.ArcCount);
    io.Field(h.reserved2);
    io.Field(h.reserved3);
  }
};

struct TSegScanHeader {
  Magic magic = kSegScanMagic;
  std::uint16_t reserved = 0;
  std::uint16_t NameLength = 0;
  std::uint8_t ScanFlag = 0;
  std::int32_t RecordWidth = 0;
  std::int32_t ListSize = 0;

  template <class Io, class Self>
  static constexpr void Fields(Io& io, Self& h) {
    io.Field(h.magic);
    io.Field(h.reserved);
    io.Field(h.NameLength);
    io.Field(h.ScanFlag);
    io.Field(h.RecordWidth);
    io.Field(h.ListSize);
  }
};

struct TSegArcHeader {
  Magic magic = kSegArcMagic;
  std::uint16_t reserved1 = 0;
  std::uint16_t Sequence = 0;
  std::uint32_t reserved2 = 0;
  std::int32_t ArcSize = 0;

  template <class Io, class Self>
  static constexpr void Fields(Io& io, Self& h) {
    io.Field(h.magic);
    io.Field(h.reserved1);
    io.Field(h.Sequence);
    io.Field(h.reserved2);
    io.Field(h.ArcSize);
  }
};

std::array<std::uint8_t, kSegIDHeaderSize> EncodeSegIDHeader(const TSegIDHeader& header);
TSegIDHeader DecodeSegIDHeader(const std::uint8_t* bytes);
std::array<std::uint8_t, kSegHeaderSize> EncodeSegHeader(const TSegHeader& header);
TSegHeader DecodeSegHeader(const std::uint8_t* bytes);
std::array<std::uint8_t, kSegScanHeaderSize> EncodeSegScanHeader(const TSegScanHeader& header);
TSegScanHeader DecodeSegScanHeader(const std::uint8_t* bytes);
std::array<std::uint8_t, kSegArcHeaderSize> EncodeSegArcHeader(const TSegArcHeader& header);
TSegArcHeader DecodeSegArcHeader(const std::uint8_t* bytes);

// "segdata.007", "segdata.1234": the number padded with zeros to at least three digits.
std::string SegmentFileName(const std::string& baseName, std::uint32_t number);
// The folder without its trailing backslashes, then "\" and the file name.
std::string SegmentPath(const std::string& folder, const std::string& baseName, std::uint32_t number);

// Everything up to and including the last "\" or ":" (empty when there is none).
std::string DirectoryPartOf(const std::string& path);
// The text after the last "\" or ":".
std::string FileNamePartOf(const std::string& path);

}  // namespace zev::segment
