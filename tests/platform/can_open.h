// Whether a file opens in the given mode, for the file stream tests: the view of another open.
#pragma once

#include <cstdint>
#include <string>

#include "platform/error.h"
#include "platform/file_stream.h"

namespace zev::platform {

inline bool CanOpen(const std::string& name, std::uint16_t mode) {
  try {
    FileStream stream(name, mode);
    return true;
  } catch (const EFOpenError&) {
    return false;
  } catch (const EFCreateError&) {
    return false;
  }
}

}  // namespace zev::platform
