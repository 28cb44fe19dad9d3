#include "segment/segment_format.h"

#include <cstdio>
#include <cstring>

#include "platform/packed_record.h"

namespace zev::segment {


std::array<std::uint8_t, kSegIDHeaderSize> EncodeSegIDHeader(const TSegIDHeader& header) {
  std::array<std::uint8_t, kSegIDHeaderSize> bytes{};
  platform::RecordWriter p(bytes.data());
  p.Bytes(header.magic.data(), header.magic.size());
  p.Int(header.reserved);
  return bytes;
}

TSegIDHeader DecodeSegIDHeader(const std::uint8_t* bytes) {
  platform::RecordReader u(bytes);
  TSegIDHeader header;
  u.Bytes(header.magic.data(), header.magic.size());
  u.Into(header.reserved);
  return header;
}

std::array<std::uint8_t, kSegHeaderSize> EncodeSegHeader(const TSegHeader& header) {
  std::array<std::uint8_t, kSegHeaderSize> bytes{};
  platform::RecordWriter p(bytes.data());
  p.Bytes(header.magic.data(), header.magic.size());
  p.Int(header.reserved1);
  p.Int(header.ArcCount);
  p.Int(header.reserved2);
  p.Bytes(header.reserved3.data(), header.reserved3.size());
  return bytes;
}

TSegHeader DecodeSegHeader(const std::uint8_t* bytes) {
  platform::RecordReader u(bytes);
  TSegHeader header;
  u.Bytes(header.magic.data(), header.magic.size());
  u.Into(header.reserved1);
  u.Into(header.ArcCount);
  u.Into(header.reserved2);
  u.Bytes(header.reserved3.data(), header.reserved3.size());
  return header;
}

std::array<std::uint8_t, kSegScanHeaderSize> EncodeSegScanHeader(const TSegScanHeader& header) {
  std::array<std::uint8_t, kSegScanHeaderSize> bytes{};
  platform::RecordWriter p(bytes.data());
  p.Bytes(header.magic.data(), header.magic.size());
  p.Int(header.reserved);
  p.Int(header.NameLength);
  p.Int(header.ScanFlag);
  p.Int(header.RecordWidth);
  p.Int(header.ListSize);
  return bytes;
}

TSegScanHeader DecodeSegScanHeader(const std::uint8_t* bytes) {
  platform::RecordReader u(bytes);
  TSegScanHeader header;
  u.Bytes(header.magic.data(), header.magic.size());
  u.Into(header.reserved);
  u.Into(header.NameLength);
  u.Into(header.ScanFlag);
  u.Into(header.RecordWidth);
  u.Into(header.ListSize);
  return header;
}

std::array<std::uint8_t, kSegArcHeaderSize> EncodeSegArcHeader(const TSegArcHeader& header) {
  std::array<std::uint8_t, kSegArcHeaderSize> bytes{};
  platform::RecordWriter p(bytes.data());
  p.Bytes(header.magic.data(), header.magic.size());
  p.Int(header.reserved1);
  p.Int(header.Sequence);
  p.Int(header.reserved2);
  p.Int(header.ArcSize);
  return bytes;
}

TSegArcHeader DecodeSegArcHeader(const std::uint8_t* bytes) {
  platform::RecordReader u(bytes);
  TSegArcHeader header;
  u.Bytes(header.magic.data(), header.magic.size());
  u.Into(header.reserved1);
  u.Into(header.Sequence);
  u.Into(header.reserved2);
  u.Into(header.ArcSize);
  return header;
}

std::string SegmentFileName(const std::string& baseName, std::uint32_t number) {
  char digits[16];
  std::snprintf(digits, sizeof digits, "%03u", static_cast<unsigned>(number));
  return baseName + "." + digits;
}

std::string SegmentPath(const std::string& folder, const std::string& baseName, std::uint32_t number) {
  std::string dir = folder;
  while (!dir.empty() && dir.back() == '\\') dir.pop_back();
  return dir + "\\" + SegmentFileName(baseName, number);
}

std::string DirectoryPartOf(const std::string& path) {
  auto cut = path.find_last_of("\\:");
  return cut == std::string::npos ? std::string() : path.substr(0, cut + 1);
}

std::string FileNamePartOf(const std::string& path) { return path.substr(DirectoryPartOf(path).size()); }

}  // namespace zev::segment
