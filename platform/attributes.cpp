#include "platform/attributes.h"

#include "platform/error.h"
#include "platform/machine.h"

namespace zev::platform {

std::uint32_t GetFileAttributes(const std::string& path) {
  try {
    return HostFileAttributes(Machine::Current().ToHostPath(path));
  } catch (const Exception&) {
    return kInvalidAttributes;
  }
}

bool SetFileAttributes(const std::string& path, std::uint32_t attributes) {
  try {
    return SetHostFileAttributes(Machine::Current().ToHostPath(path), attributes);
  } catch (const Exception&) {
    return false;
  }
}

}  // namespace zev::platform
