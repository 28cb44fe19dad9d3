// Writer for shell link (.lnk) files in the public binary format ([MS-SHLLINK], Microsoft's
// "Shell Link (.LNK) Binary File Format"). Only what the setup program needs is produced: a link
// to a file on a local fixed drive, with its working directory, all strings in 8-bit ANSI.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace zev::shortcut {

// Layout constants of the format, named as the format document names them.
namespace shell_link {
constexpr std::uint32_t kHeaderSize = 0x4C;
// CLSID 00021401-0000-0000-C000-000000000046 in its on-disk byte order (the first three groups
// little-endian).
constexpr std::uint8_t kLinkClsid[16] = {0x01, 0x14, 0x02, 0x00, 0x00, 0x00, 0x00, 0x00,
                                         0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46};
// LinkFlags
constexpr std::uint32_t kHasLinkTargetIdList = 0x01;
constexpr std::uint32_t kHasLinkInfo = 0x02;
constexpr std::uint32_t kHasWorkingDir = 0x10;
constexpr std::uint32_t kIsUnicode = 0x80;
constexpr std::uint32_t kFileAttributeArchive = 0x20;
constexpr std::uint32_t kShowNormal = 1;  // SW_SHOWNORMAL
// LinkInfo
constexpr std::uint32_t kLinkInfoHeaderSize = 0x1C;
constexpr std::uint32_t kVolumeIdAndLocalBasePath = 0x01;
constexpr std::uint32_t kDriveFixed = 3;
constexpr std::uint32_t kVolumeIdHeaderSize = 0x10;
// StringData counts are 16 bits wide.
constexpr std::size_t kMaxStringDataChars = 0xFFFF;
}  // namespace shell_link

// The bytes of a link to targetPath, a full path on a drive ("C:\dir\prog.exe"), with the given
// working directory ("" leaves the working directory out). Both are ANSI strings written as they
// stand. Throws zev::Exception for a target that is empty, not a full drive path, or holds a
// control character, and for a working directory with a control character or too long for the
// format.
std::vector<std::uint8_t> BuildShellLink(const std::string& targetPath, const std::string& workingDirectory);

// Builds the link and writes it to linkPath (a Windows path), replacing an existing file. Throws
// what BuildShellLink throws, EFCreateError(linkPath) when the file cannot be created and
// EWriteError when it cannot be written completely.
void SaveShellLink(const std::string& linkPath, const std::string& targetPath,
                   const std::string& workingDirectory);
// Writes bytes made by BuildShellLink to linkPath, for saving one link in several places.
void SaveShellLink(const std::string& linkPath, const std::vector<std::uint8_t>& bytes);

}  // namespace zev::shortcut
