// The Windows profile functions over INI files on the current Machine. File names are Windows
// paths; a name without a folder names a file in the Windows directory. A missing file reads as
// empty and is created by the first write.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/error.h"
#include "platform/ini_file.h"

namespace zev::platform {

// The buffers the program reads with: values of up to 1023 characters, key-name lists of 8192.
constexpr std::uint32_t kProfileValueBufferSize = 1024;
constexpr std::uint32_t kProfileKeyListBufferSize = 8192;

// Raised by callers whose profile write failed.
class EProfileWriteError : public Exception {
 public:
  explicit EProfileWriteError(const std::string& fileName) : Exception("Unable to write to " + fileName) {}
};

// Copies the key's value (or the default, without its trailing blanks, when the section or key is
// missing) into value, cut to bufferSize - 1 characters as the Windows buffer would hold it, and
// returns the number of characters copied. An empty key lists the section's key names instead,
// each followed by a NUL, as far as whole names fit into the buffer.
std::uint32_t GetPrivateProfileString(const std::string& section, const std::string& key,
                                      const std::string& defaultValue, std::string& value,
                                      std::uint32_t bufferSize, const std::string& fileName);

// The names of every key line of the section, in file order. A name that does not fit into
// bufferSize (each name with its terminating NUL, and the NUL that ends the list) ends the listing.
std::vector<std::string> GetPrivateProfileKeyNames(const std::string& section, std::uint32_t bufferSize,
                                                   const std::string& fileName);

// The key's value read with a 1024-character buffer and converted by ParseProfileInt.
std::int32_t GetPrivateProfileInt(const std::string& section, const std::string& key, std::int32_t defaultValue,
                                  const std::string& fileName);

// Sets the key, creating the file and the section as needed. False when the file is read-only,
// cannot be read or replaced, its folder is missing, or a name or the value holds a line break
// (or another character that would make the line read back differently).
bool WritePrivateProfileString(const std::string& section, const std::string& key, const std::string& value,
                               const std::string& fileName);

// Removes every section of that name with its lines. True when there was nothing to remove.
bool ErasePrivateProfileSection(const std::string& section, const std::string& fileName);

// Why a profile file may not be written, or empty when it may. The name resolves as for every
// profile function (a bare name in the Windows directory, a path from the current directory);
// a result on a drive that holds setup media (the start folder's A:, a disk set's drive) is
// refused, as is one that cannot be placed on its drive (a link out of it, a path too long).
// Every profile write refuses such a file too; this says why.
std::string ProfileWriteProblem(const std::string& fileName);

// The whole profile as it stands (a missing file is empty), for a caller that keeps it in memory
// and edits it there. False when the file cannot be placed or exists but cannot be read.
bool ReadPrivateProfile(const std::string& fileName, IniFile& image);
// Replaces the whole profile with image, by the same rules as every profile write (a read-only
// file is not written, the file's mode and attributes are kept, a reader sees the old file or the
// new one).
bool WritePrivateProfile(const std::string& fileName, const IniFile& image);

// Profile files written so far: the work profile writes do, for tests that count it.
std::uint64_t ProfileFilesWritten();

// The program's integer rule: decimal with an optional sign; hexadecimal after "$", or after
// "0x"/"0X" when the text is longer than two characters. Hexadecimal values of up to 32 bits wrap
// to signed ("$FFFFFFFF" is -1); an empty text, a decimal out of the 32-bit range, a longer
// hexadecimal value, or any character that is not a digit of the number gives the default.
std::int32_t ParseProfileInt(const std::string& text, std::int32_t defaultValue);

}  // namespace zev::platform
