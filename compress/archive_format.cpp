#include "compress/archive_format.h"

#include "compress/codec_frame_io.h"
#include "compress/errors.h"
#include "platform/packed_record.h"

namespace zev::compress {

std::array<std::uint8_t, kArchiveHeaderSize> EncodeArchiveHeader(const TArchiveHeader& header) {
  return platform::EncodeRecord<kArchiveHeaderSize>(header);
}
TArchiveHeader DecodeArchiveHeader(const std::uint8_t* bytes) { return platform::DecodeRecord<TArchiveHeader>(bytes); }

std::array<std::uint8_t, kMemberHeaderSize> EncodeMemberHeader(const TMemberHeader& header) {
  return platform::EncodeRecord<kMemberHeaderSize>(header);
}
TMemberHeader DecodeMemberHeader(const std::uint8_t* bytes) { return platform::DecodeRecord<TMemberHeader>(bytes); }

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
