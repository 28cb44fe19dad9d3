// A reader for the subset of shell link files the writer produces, written from the format
// document on its own so the tests check the writer against the layout rather than against
// itself. Every offset and size is checked; anything inconsistent fails with a message.
#pragma once

#include <cstdint>
#include <cstring>
#include <stdexcept>
#include <string>
#include <vector>

namespace zev::shortcut::testing {

struct ParsedLink {
  std::uint32_t linkFlags = 0;
  std::uint32_t fileAttributes = 0;
  std::uint32_t showCommand = 0;
  std::uint16_t hotKey = 0;
  bool timesZero = false;
  std::uint32_t linkInfoFlags = 0;
  std::uint32_t driveType = 0;
  std::uint32_t driveSerial = 0;
  std::string volumeLabel;
  std::string localBasePath;
  std::string commonPathSuffix;
  bool hasWorkingDir = false;
  std::string workingDir;
};

class LinkReader {
 public:
  explicit LinkReader(const std::vector<std::uint8_t>& bytes) : b_(bytes) {}

  ParsedLink Parse() {
    ParsedLink link;
    Need(0, 0x4C, "header");
    if (U32(0) != 0x4C) Fail("HeaderSize");
    static const std::uint8_t clsid[16] = {0x01, 0x14, 0x02, 0x00, 0x00, 0x00, 0x00, 0x00,
                                           0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46};
    if (std::memcmp(b_.data() + 4, clsid, 16) != 0) Fail("LinkCLSID");
    link.linkFlags = U32(0x14);
    link.fileAttributes = U32(0x18);
    link.timesZero = true;
    for (std::size_t i = 0x1C; i < 0x34; ++i) link.timesZero = link.timesZero && b_[i] == 0;
    link.showCommand = U32(0x3C);
    link.hotKey = static_cast<std::uint16_t>(b_[0x40] | (b_[0x41] << 8));
    for (std::size_t i = 0x42; i < 0x4C; ++i)
      if (b_[i] != 0) Fail("reserved header bytes");
    std::size_t pos = 0x4C;

    if (link.linkFlags & 0x01) Fail("unexpected LinkTargetIDList");
    if (link.linkFlags & 0x02) {
      const std::uint32_t size = U32(pos);
      Need(pos, size, "LinkInfo");
      const std::uint32_t headerSize = U32(pos + 4);
      if (headerSize != 0x1C) Fail("LinkInfoHeaderSize");
      link.linkInfoFlags = U32(pos + 8);
      const std::uint32_t volumeOffset = U32(pos + 12);
      const std::uint32_t baseOffset = U32(pos + 16);
      const std::uint32_t networkOffset = U32(pos + 20);
      const std::uint32_t suffixOffset = U32(pos + 24);
      if (networkOffset != 0) Fail("CommonNetworkRelativeLinkOffset");
      if (volumeOffset < headerSize || volumeOffset + 16 > size) Fail("VolumeIDOffset");
      const std::size_t volume = pos + volumeOffset;
      const std::uint32_t volumeSize = U32(volume);
      if (volumeSize <= 16 || volumeOffset + volumeSize > size) Fail("VolumeIDSize");
      link.driveType = U32(volume + 4);
      link.driveSerial = U32(volume + 8);
      const std::uint32_t labelOffset = U32(volume + 12);
      if (labelOffset >= volumeSize) Fail("VolumeLabelOffset");
      link.volumeLabel = CString(volume + labelOffset, volume + volumeSize, "VolumeLabel");
      if (baseOffset < volumeOffset + volumeSize || baseOffset >= size) Fail("LocalBasePathOffset");
      link.localBasePath = CString(pos + baseOffset, pos + size, "LocalBasePath");
      if (suffixOffset >= size) Fail("CommonPathSuffixOffset");
      link.commonPathSuffix = CString(pos + suffixOffset, pos + size, "CommonPathSuffix");
      pos += size;
    }
    if (link.linkFlags & (0x04 | 0x08)) Fail("unexpected NAME_STRING or RELATIVE_PATH");
    if (link.linkFlags & 0x10) {
      Need(pos, 2, "StringData count");
      const std::size_t count = b_[pos] | (b_[pos + 1] << 8);
      Need(pos + 2, count, "WORKING_DIR");
      link.hasWorkingDir = true;
      link.workingDir.assign(reinterpret_cast<const char*>(b_.data() + pos + 2), count);
      pos += 2 + count;
    }
    if (link.linkFlags & (0x20 | 0x40)) Fail("unexpected COMMAND_LINE_ARGUMENTS or ICON_LOCATION");
    Need(pos, 4, "TerminalBlock");
    if (U32(pos) != 0) Fail("TerminalBlock");
    if (pos + 4 != b_.size()) Fail("bytes after the TerminalBlock");
    return link;
  }

 private:
  [[noreturn]] static void Fail(const std::string& what) { throw std::runtime_error("bad link: " + what); }
  void Need(std::size_t at, std::size_t count, const char* what) const {
    if (at > b_.size() || count > b_.size() - at) Fail(std::string(what) + " runs past the end");
  }
  std::uint32_t U32(std::size_t at) const {
    Need(at, 4, "field");
    return static_cast<std::uint32_t>(b_[at] | (b_[at + 1] << 8) | (b_[at + 2] << 16)) |
           (static_cast<std::uint32_t>(b_[at + 3]) << 24);
  }
  std::string CString(std::size_t at, std::size_t end, const char* what) const {
    std::string s;
    for (std::size_t i = at; i < end; ++i) {
      if (b_[i] == 0) return s;
      s.push_back(static_cast<char>(b_[i]));
    }
    Fail(std::string(what) + " is not terminated");
  }

  const std::vector<std::uint8_t>& b_;
};

inline ParsedLink ParseLink(const std::vector<std::uint8_t>& bytes) { return LinkReader(bytes).Parse(); }

}  // namespace zev::shortcut::testing
