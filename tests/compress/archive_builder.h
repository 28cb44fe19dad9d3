// Builds archive bytes member by member, for tests that need exact or damaged layouts.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "compress/archive_format.h"

namespace zev::compress::testing {

using Bytes = std::vector<std::uint8_t>;

class ArchiveBuilder {
 public:
  explicit ArchiveBuilder(std::string identifier = "RLE", std::uint8_t type = caMulti) {
    header_.identifier = {identifier[0], identifier[1], identifier[2]};
    header_.ArchiveType = type;
  }

  // Adds a member; checksum defaults to the byte sum of original.
  ArchiveBuilder& Add(const std::string& name, const Bytes& data, std::uint8_t method, const Bytes& original,
                      std::int32_t lockMode = 0, std::int64_t checksum = -1) {
    TMemberHeader m;
    m.NameLength = static_cast<std::int16_t>(name.size());
    m.FileDate = 0x5A8B6C21;  // 2025-04-11 13:33:02
    m.Attributes = 0x20;
    m.UncompressedSize = static_cast<std::int32_t>(original.size());
    m.CompressedSize = static_cast<std::int32_t>(data.size());
    m.MethodNumber = method;
    m.Checksum = checksum >= 0 ? static_cast<std::int32_t>(checksum)
                               : static_cast<std::int32_t>(ByteSum(original.data(), original.size()));
    m.LockMode = lockMode;
    return AddRaw(m, name, data);
  }
  ArchiveBuilder& AddStored(const std::string& name, const Bytes& data) { return Add(name, data, 0, data); }

  ArchiveBuilder& AddRaw(const TMemberHeader& m, const std::string& name, const Bytes& data) {
    auto h = EncodeMemberHeader(m);
    members_.insert(members_.end(), h.begin(), h.end());
    members_.insert(members_.end(), name.begin(), name.end());
    members_.insert(members_.end(), data.begin(), data.end());
    total_ += m.UncompressedSize;
    return *this;
  }

  // Overrides the archive header's total (it is the sum of the members' sizes otherwise).
  ArchiveBuilder& TotalSize(std::int32_t total) {
    totalOverride_ = total;
    hasTotalOverride_ = true;
    return *this;
  }

  Bytes Build() const {
    TArchiveHeader h = header_;
    h.TotalSize = hasTotalOverride_ ? totalOverride_ : total_;
    auto bytes = EncodeArchiveHeader(h);
    Bytes out(bytes.begin(), bytes.end());
    out.insert(out.end(), members_.begin(), members_.end());
    return out;
  }

 private:
  TArchiveHeader header_;
  Bytes members_;
  std::int32_t total_ = 0;
  std::int32_t totalOverride_ = 0;
  bool hasTotalOverride_ = false;
};

// XORs data with the key's bytes, least significant first, as a locked member stores it.
inline Bytes Scramble(Bytes data, std::int32_t key) {
  auto k = static_cast<std::uint32_t>(key);
  for (std::size_t i = 0; i < data.size(); ++i) data[i] ^= static_cast<std::uint8_t>(k >> (8 * (i % 4)));
  return data;
}

}  // namespace zev::compress::testing
