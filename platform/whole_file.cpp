#include "platform/whole_file.h"

#include "platform/error.h"
#include "platform/machine.h"

namespace zev::platform {

std::optional<std::string> ReadWholeFile(const std::string& windowsPath) {
  std::filesystem::path host;
  try {
    host = Machine::Current().ToHostPath(windowsPath);
  } catch (const Exception&) {
    return std::nullopt;
  }
  std::string content;
  if (ReadHostFile(host, content) != HostRead::Read) return std::nullopt;
  return content;
}

}  // namespace zev::platform
