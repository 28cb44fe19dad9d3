#include "shortcut/shell_link.h"

#include "platform/error.h"
#include "platform/file_stream.h"

namespace zev::shortcut {
namespace {

using namespace shell_link;

void Put16(std::vector<std::uint8_t>& out, std::uint32_t value) {
  out.push_back(static_cast<std::uint8_t>(value));
  out.push_back(static_cast<std::uint8_t>(value >> 8));
}

void Put32(std::vector<std::uint8_t>& out, std::uint32_t value) {
  Put16(out, value & 0xFFFF);
  Put16(out, value >> 16);
}

void PutZeros(std::vector<std::uint8_t>& out, std::size_t count) { out.insert(out.end(), count, 0); }

bool HasControlCharacter(const std::string& s) {
  for (const char c : s)
    if (static_cast<unsigned char>(c) < 0x20) return true;
  return false;
}

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

bool IsDriveLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

// The local base path is stored NUL-terminated and must name a file on a lettered drive: a
// relative or drive-relative path would mean something else to whoever reads the link.
void CheckTarget(const std::string& target) {
  if (target.empty()) throw Exception("Shortcut target is empty");
  if (target.size() < 3 || !IsDriveLetter(target[0]) || target[1] != ':' || !IsSeparator(target[2]))
    throw Exception("Shortcut target is not a full path: " + target);
  if (HasControlCharacter(target) || target.find_first_of("*?\"<>|") != std::string::npos ||
      target.find(':', 2) != std::string::npos)
    throw Exception("Shortcut target holds a character a path cannot hold: " + target);
}

void CheckWorkingDirectory(const std::string& dir) {
  if (HasControlCharacter(dir))
    throw Exception("Shortcut working directory holds a character a path cannot hold: " + dir);
  if (dir.size() > kMaxStringDataChars) throw Exception("Shortcut working directory is too long");
}

// LinkInfo with only a VolumeID and a local base path; the common path suffix stays empty, so the
// base path alone names the target.
void PutLinkInfo(std::vector<std::uint8_t>& out, const std::string& target) {
  const std::uint32_t volumeIdSize = kVolumeIdHeaderSize + 1;  // header + empty label
  const std::uint32_t localBasePathOffset = kLinkInfoHeaderSize + volumeIdSize;
  const std::uint32_t suffixOffset = localBasePathOffset + static_cast<std::uint32_t>(target.size()) + 1;
  const std::uint32_t linkInfoSize = suffixOffset + 1;

  Put32(out, linkInfoSize);
  Put32(out, kLinkInfoHeaderSize);
  Put32(out, kVolumeIdAndLocalBasePath);
  Put32(out, kLinkInfoHeaderSize);  // VolumeIDOffset: the VolumeID follows the header
  Put32(out, localBasePathOffset);
  Put32(out, 0);  // CommonNetworkRelativeLinkOffset: none
  Put32(out, suffixOffset);

  Put32(out, volumeIdSize);
  Put32(out, kDriveFixed);
  Put32(out, 0);  // DriveSerialNumber
  Put32(out, kVolumeIdHeaderSize);  // VolumeLabelOffset: the label follows the VolumeID header
  out.push_back(0);                 // empty volume label

  out.insert(out.end(), target.begin(), target.end());
  out.push_back(0);
  out.push_back(0);  // empty CommonPathSuffix
}

}  // namespace

std::vector<std::uint8_t> BuildShellLink(const std::string& targetPath, const std::string& workingDirectory) {
  CheckTarget(targetPath);
  CheckWorkingDirectory(workingDirectory);
  // Guard the 32-bit size fields; no real path comes near this.
  if (targetPath.size() > 0x7FFFFFF0) throw Exception("Shortcut target is too long");

  std::vector<std::uint8_t> out;
  out.reserve(kHeaderSize + kLinkInfoHeaderSize + 32 + targetPath.size() + workingDirectory.size());

  // ShellLinkHeader
  std::uint32_t flags = kHasLinkInfo;
  if (!workingDirectory.empty()) flags |= kHasWorkingDir;
  Put32(out, kHeaderSize);
  out.insert(out.end(), std::begin(kLinkClsid), std::end(kLinkClsid));
  Put32(out, flags);
  Put32(out, kFileAttributeArchive);
  PutZeros(out, 3 * 8);  // CreationTime, AccessTime, WriteTime: unknown
  Put32(out, 0);         // FileSize: unknown
  Put32(out, 0);         // IconIndex
  Put32(out, kShowNormal);
  Put16(out, 0);        // HotKey: none
  PutZeros(out, 2 + 4 + 4);  // Reserved1..3

  PutLinkInfo(out, targetPath);

  // StringData: without IsUnicode a string is a 16-bit character count and that many ANSI bytes.
  if (!workingDirectory.empty()) {
    Put16(out, static_cast<std::uint32_t>(workingDirectory.size()));
    out.insert(out.end(), workingDirectory.begin(), workingDirectory.end());
  }

  // ExtraData: only the TerminalBlock.
  Put32(out, 0);
  return out;
}

void SaveShellLink(const std::string& linkPath, const std::string& targetPath,
                   const std::string& workingDirectory) {
  // Build first, so a link that cannot be encoded leaves an existing file untouched.
  SaveShellLink(linkPath, BuildShellLink(targetPath, workingDirectory));
}

void SaveShellLink(const std::string& linkPath, const std::vector<std::uint8_t>& bytes) {
  platform::FileStream file(linkPath, platform::fmCreate);
  file.WriteBuffer(bytes.data(), bytes.size());
}

}  // namespace zev::shortcut
