// The archive engine's exception classes, each with its fixed message text.
#pragma once

#include <string>

#include "platform/error.h"

namespace zev::compress {

class ELZHBadDecodeTable : public Exception {
 public:
  ELZHBadDecodeTable() : Exception("Bad decode table in archive!") {}
};
class EUnableToCompress : public Exception {
 public:
  EUnableToCompress() : Exception("Could not compress data") {}
};
class EInsufficientDiskSpace : public Exception {
 public:
  explicit EInsufficientDiskSpace(const std::string& path)
      : Exception("Not enough disk space to expand " + path) {}
};
class EUnrecognizedCompressionMethod : public Exception {
 public:
  explicit EUnrecognizedCompressionMethod(const std::string& id)
      : Exception("Unrecognized compression method: \"" + id + "\" in header") {}
};
class EInvalidHeaderArchiveType : public Exception {
 public:
  EInvalidHeaderArchiveType() : Exception("Archive type must be caMulti") {}
};
class EInvalidHeader : public Exception {
 public:
  EInvalidHeader() : Exception("Can't recognize compressed file header") {}
};
class EBadChecksum : public Exception {
 public:
  EBadChecksum() : Exception("Bad checksum during expansion -- data may be invalid") {}
};
class EInvalidKey : public Exception {
 public:
  EInvalidKey() : Exception("File locked -- valid key required") {}
};
// A coded member whose decoder took bits beyond the end of the member's data. A stream ends within
// its own bytes, so such a member was cut short or damaged; without this check its missing bits
// would read as zeros, which decode to any declared size.
class ETruncatedData : public Exception {
 public:
  ETruncatedData() : Exception("Compressed data ends early -- the archive is damaged") {}
};
// A coded member that expands to more bytes than its header declares.
class EDataOverrun : public Exception {
 public:
  EDataOverrun() : Exception("Expanded data runs past its size -- the archive is damaged") {}
};

}  // namespace zev::compress
