// The attribute word on open descriptors, for the *_posix.cpp files of platform/ alone: the word
// lives in the user.DOSATTRIB extended attribute, read-only also in the permission bits.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace zev::platform {

// The word of an open file; kInvalidAttributes when it cannot be read.
std::uint32_t DescriptorAttributes(int fd);
// Forgets the stored word of an open file, which then reads as a new file (faArchive).
void ClearStoredAttributes(int fd);

// The stored extended attribute of an open file exactly as it is, for a copy of the file to carry
// it on: other tools keep more than the word there. Empty when the file has none; nothing when
// it has one that cannot be read.
std::optional<std::string> StoredAttributeValue(int fd);
bool SetStoredAttributeValue(int fd, const std::string& value);

}  // namespace zev::platform
