#include "segment/segment_format.h"

#include <cstdio>
#include <cstring>

#include "platform/packed_record.h"

namespace zev::segment {

std::array<std::uint8_t, kSegIDHeaderSize> EncodeSegIDHeader(const TSegIDHeader& header) {
  return platform::EncodeRecord<kSegIDHeaderSize>(header);
}
TSegIDHeader DecodeSegIDHeader(const std::uint8_t* bytes) { return platform::DecodeRecord<TSegIDHeader>(bytes); }

std::array<std::uint8_t, kSegHeaderSize> EncodeSegHeader(const TSegHeader& header) {
  return platform::EncodeRecord<kSegHeaderSize>(header);
}
TSegHeader DecodeSegHeader(const std::uint8_t* bytes) { return platform::DecodeRecord<TSegHeader>(bytes); }

std::array<std::uint8_t, kSegScanHeaderSize> EncodeSegScanHeader(const TSegScanHeader& header) {
  return platform::EncodeRecord<kSegScanHeaderSize>(header);
}
TSegScanHeader DecodeSegScanHeader(const std::uint8_t* bytes) { return platform::DecodeRecord<TSegScanHeader>(bytes); }

std::array<std::uint8_t, kSegArcHeaderSize> EncodeSegArcHeader(const TSegArcHeader& header) {
  return platform::EncodeRecord<kSegArcHeaderSize>(header);
}
TSegArcHeader DecodeSegArcHeader(const std::uint8_t* bytes) { return platform::DecodeRecord<TSegArcHeader>(bytes); }

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
