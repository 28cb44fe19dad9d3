#include "compress/archive_format.h"

#include "compress/codec_frame_io.h"
#include "compress/errors.h"
#include "platform/packed_record.h"

namespace zev::compress {


std::array<std::uint8_t, kArchiveHeaderSize> EncodeArchiveHeader(const TArchiveHeader& header) {
  std::array<std::uint8_t, kArchiveHeaderSize> bytes{};
  platform::RecordWriter p(bytes.data());
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
  platform::RecordReader u(bytes);
  u.Bytes(header.magic.data(), header.magic.size());
  u.Bytes(header.identifier.data(), header.identifier.size());
  u.Into(header.TotalSize);
  u.Into(header.ArchiveType);
  u.Into(header.reserved);
  u.Into(header.LockMode);
  return header;
}

std::array<std::uint8_t, kMemberHeaderSize> EncodeMemberHeader(const TMemberHeader& header) {
  std::array<std::uint8_t, kMemberHeaderSize> bytes{};
  platform::RecordWriter p(bytes.data());
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
  platform::RecordReader u(bytes);
  u.Into(header.NameLength);
  u.Into(header.FileDate);
  u.Into(header.Attributes);
  u.Into(header.UncompressedSize);
  u.Into(header.CompressedSize);
  u.Into(header.MethodNumber);
  u.Into(header.Checksum);
  u.Into(header.LockMode);
  return header;
}

bool ReadMemberHeader(platform::Stream& stream, TMemberHeader& header, std::string& name) {
  std::array<std::uint8_t, kMemberHeaderSize> bytes;
  if (stream.Read(bytes.data(), bytes.size()) < bytes.size()) return false;
  header = DecodeMemberHeader(bytes.data());
  // A name length of 0x8000 or more is negative: no name can be read, so the archive ends here
  // as it does where a name is cut short. A negative size would walk backwards through the
  // archive for ever.
  if (header.NameLength < 0) return false;
  if (header.CompressedSize < 0) throw EInvalidHeader();
  name.assign(static_cast<std::size_t>(header.NameLength), '\0');
  return stream.Read(name.data(), name.size()) == name.size();
}

std::uint32_t ByteSum(const std::uint8_t* data, std::size_t size, std::uint32_t sum) {
  return sum + detail::ByteSum(data, size);
}

}  // namespace zev::compress
