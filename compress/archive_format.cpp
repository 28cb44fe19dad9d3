#include "compress/archive_format.h"

#include <cstring>

#include "compress/errors.h"

namespace zev::compress {

namespace {

// Little-endian field access on packed records.
class Packer {
 public:
  explicit Packer(std::uint8_t* out) : out_(out) {}
  void Bytes(const void* data, std::size_t n) {
    std::memcpy(out_, data, n);
    out_ += n;
  }
  template <class T>
  void Int(T value) {
    auto u = static_cast<std::make_unsigned_t<T>>(value);
    for (std::size_t i = 0; i < sizeof(T); ++i) *out_++ = static_cast<std::uint8_t>(u >> (8 * i));
  }

 private:
  std::uint8_t* out_;
};

class Unpacker {
 public:
  explicit Unpacker(const std::uint8_t* in) : in_(in) {}
  void Bytes(void* data, std::size_t n) {
    std::memcpy(data, in_, n);
    in_ += n;
  }
  template <class T>
  T Int() {
    std::make_unsigned_t<T> u = 0;
    for (std::size_t i = 0; i < sizeof(T); ++i)
      u = static_cast<std::make_unsigned_t<T>>(u | static_cast<std::make_unsigned_t<T>>(*in_++) << (8 * i));
    return static_cast<T>(u);
  }

 private:
  const std::uint8_t* in_;
};

}  // namespace

std::array<std::uint8_t, kArchiveHeaderSize> EncodeArchiveHeader(const TArchiveHeader& header) {
  std::array<std::uint8_t, kArchiveHeaderSize> bytes{};
  Packer p(bytes.data());
  p.Bytes(header.magic.data(), header.magic.size());
  p.Bytes(header.identifier.data(), header.identifier.size());
  p.Int(header.TotalSize);
  p.Int(header.ArchiveType);
  p.Int(header.reserved);
  p.Int(header.LockMode);
  return bytes;
}

TArchiveHeader DecodeArchiveHeader(const std::uint8_t* bytes) {
  TArchiveHeader header;
  Unpacker u(bytes);
  u.Bytes(header.magic.data(), header.magic.size());
  u.Bytes(header.identifier.data(), header.identifier.size());
  header.TotalSize = u.Int<std::int32_t>();
  header.ArchiveType = u.Int<std::uint8_t>();
  header.reserved = u.Int<std::int32_t>();
  header.LockMode = u.Int<std::int32_t>();
  return header;
}

std::array<std::uint8_t, kMemberHeaderSize> EncodeMemberHeader(const TMemberHeader& header) {
  std::array<std::uint8_t, kMemberHeaderSize> bytes{};
  Packer p(bytes.data());
  p.Int(header.NameLength);
  p.Int(header.FileDate);
  p.Int(header.Attributes);
  p.Int(header.UncompressedSize);
  p.Int(header.CompressedSize);
  p.Int(header.MethodNumber);
  p.Int(header.Checksum);
  p.Int(header.LockMode);
  return bytes;
}

TMemberHeader DecodeMemberHeader(const std::uint8_t* bytes) {
  TMemberHeader header;
  Unpacker u(bytes);
  header.NameLength = u.Int<std::int16_t>();
  header.FileDate = u.Int<std::int32_t>();
  header.Attributes = u.Int<std::int16_t>();
  header.UncompressedSize = u.Int<std::int32_t>();
  header.CompressedSize = u.Int<std::int32_t>();
  header.MethodNumber = u.Int<std::uint8_t>();
  header.Checksum = u.Int<std::int32_t>();
  header.LockMode = u.Int<std::int32_t>();
  return header;
}

bool ReadMemberHeader(platform::Stream& stream, TMemberHeader& header, std::string& name) {
  std::array<std::uint8_t, kMemberHeaderSize> bytes;
  if (stream.Read(bytes.data(), bytes.size()) < bytes.size()) return false;
  header = DecodeMemberHeader(bytes.data());
  // A negative length would read nothing sensible, and a negative size would walk backwards
  // through the archive for ever.
  if (header.NameLength < 0 || header.CompressedSize < 0) throw EInvalidHeader();
  name.assign(static_cast<std::size_t>(header.NameLength), '\0');
  return stream.Read(name.data(), name.size()) == name.size();
}

std::uint32_t ByteSum(const std::uint8_t* data, std::size_t size, std::uint32_t sum) {
  for (std::size_t i = 0; i < size; ++i) sum += data[i];
  return sum;
}

}  // namespace zev::compress
