#include "segment/segment_format.h"

#include <cstdio>
#include <cstring>

namespace zev::segment {

namespace {

// Little-endian field access over a packed record.
class Packer {
 public:
  explicit Packer(std::uint8_t* bytes) : p_(bytes) {}
  void Magic4(const Magic& m) { Bytes(m.data(), m.size()); }
  void U8(std::uint8_t v) { *p_++ = v; }
  void U16(std::uint16_t v) {
    U8(static_cast<std::uint8_t>(v));
    U8(static_cast<std::uint8_t>(v >> 8));
  }
  void U32(std::uint32_t v) {
    U16(static_cast<std::uint16_t>(v));
    U16(static_cast<std::uint16_t>(v >> 16));
  }
  void I32(std::int32_t v) { U32(static_cast<std::uint32_t>(v)); }
  void Bytes(const void* data, std::size_t n) {
    std::memcpy(p_, data, n);
    p_ += n;
  }

 private:
  std::uint8_t* p_;
};

class Unpacker {
 public:
  explicit Unpacker(const std::uint8_t* bytes) : p_(bytes) {}
  Magic Magic4() {
    Magic m;
    Bytes(m.data(), m.size());
    return m;
  }
  std::uint8_t U8() { return *p_++; }
  std::uint16_t U16() {
    std::uint16_t low = U8();
    return static_cast<std::uint16_t>(low | (U8() << 8));
  }
  std::uint32_t U32() {
    std::uint32_t low = U16();
    return low | (static_cast<std::uint32_t>(U16()) << 16);
  }
  std::int32_t I32() { return static_cast<std::int32_t>(U32()); }
  void Bytes(void* data, std::size_t n) {
    std::memcpy(data, p_, n);
    p_ += n;
  }

 private:
  const std::uint8_t* p_;
};

}  // namespace

std::array<std::uint8_t, kSegIDHeaderSize> EncodeSegIDHeader(const TSegIDHeader& header) {
  std::array<std::uint8_t, kSegIDHeaderSize> bytes{};
  Packer p(bytes.data());
  p.Magic4(header.magic);
  p.U32(header.reserved);
  return bytes;
}

TSegIDHeader DecodeSegIDHeader(const std::uint8_t* bytes) {
  Unpacker u(bytes);
  TSegIDHeader header;
  header.magic = u.Magic4();
  header.reserved = u.U32();
  return header;
}

std::array<std::uint8_t, kSegHeaderSize> EncodeSegHeader(const TSegHeader& header) {
  std::array<std::uint8_t, kSegHeaderSize> bytes{};
  Packer p(bytes.data());
  p.Magic4(header.magic);
  p.U16(header.reserved1);
  p.U16(header.ArcCount);
  p.U8(header.reserved2);
  p.Bytes(header.reserved3.data(), header.reserved3.size());
  return bytes;
}

TSegHeader DecodeSegHeader(const std::uint8_t* bytes) {
  Unpacker u(bytes);
  TSegHeader header;
  header.magic = u.Magic4();
  header.reserved1 = u.U16();
  header.ArcCount = u.U16();
  header.reserved2 = u.U8();
  u.Bytes(header.reserved3.data(), header.reserved3.size());
  return header;
}

std::array<std::uint8_t, kSegScanHeaderSize> EncodeSegScanHeader(const TSegScanHeader& header) {
  std::array<std::uint8_t, kSegScanHeaderSize> bytes{};
  Packer p(bytes.data());
  p.Magic4(header.magic);
  p.U16(header.reserved);
  p.U16(header.NameLength);
  p.U8(header.ScanFlag);
  p.I32(header.RecordWidth);
  p.I32(header.ListSize);
  return bytes;
}

TSegScanHeader DecodeSegScanHeader(const std::uint8_t* bytes) {
  Unpacker u(bytes);
  TSegScanHeader header;
  header.magic = u.Magic4();
  header.reserved = u.U16();
  header.NameLength = u.U16();
  header.ScanFlag = u.U8();
  header.RecordWidth = u.I32();
  header.ListSize = u.I32();
  return header;
}

std::array<std::uint8_t, kSegArcHeaderSize> EncodeSegArcHeader(const TSegArcHeader& header) {
  std::array<std::uint8_t, kSegArcHeaderSize> bytes{};
  Packer p(bytes.data());
  p.Magic4(header.magic);
  p.U16(header.reserved1);
  p.U16(header.Sequence);
  p.U32(header.reserved2);
  p.I32(header.ArcSize);
  return bytes;
}

TSegArcHeader DecodeSegArcHeader(const std::uint8_t* bytes) {
  Unpacker u(bytes);
  TSegArcHeader header;
  header.magic = u.Magic4();
  header.reserved1 = u.U16();
  header.Sequence = u.U16();
  header.reserved2 = u.U32();
  header.ArcSize = u.I32();
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
