// File attributes by name. On this host the word is kept in the user.DOSATTRIB extended
// attribute, with read-only mirrored in the permission bits.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

namespace zev::platform {

constexpr std::uint32_t faReadOnly = 0x01, faHidden = 0x02, faSysFile = 0x04, faVolumeID = 0x08,
                        faDirectory = 0x10, faArchive = 0x20, faAnyFile = 0x3F;
constexpr std::uint32_t kInvalidAttributes = 0xFFFFFFFF;

// The attribute word of a file or directory; kInvalidAttributes when it is missing or cannot be
// reached. A file that never had attributes set reads as faArchive (plus faReadOnly without write
// permission); a directory as faDirectory.
std::uint32_t GetFileAttributes(const std::string& path);
// Stores the attribute word (the directory bit comes from the file type and is ignored); false
// when the path is missing or cannot be changed.
bool SetFileAttributes(const std::string& path, std::uint32_t attributes);

// The host side, for the rest of platform/ (attributes_posix.cpp; a Windows build needs
// attributes_win32.cpp): the same word for a host path, following links; kInvalidAttributes when
// it cannot be read. Setting it fails as SetFileAttributes does.
std::uint32_t HostFileAttributes(const std::filesystem::path& hostPath);
bool SetHostFileAttributes(const std::filesystem::path& hostPath, std::uint32_t attributes);

}  // namespace zev::platform
