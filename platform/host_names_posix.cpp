#include "platform/host_names.h"

#include "platform/path_names.h"

namespace zev::platform {

std::filesystem::path HostName(const std::string& windowsName) { return Win1252ToUtf8(windowsName); }

std::optional<std::string> WindowsName(const std::filesystem::path& hostName) {
  return Utf8ToWin1252(hostName.string());
}

bool SameHostComponent(const std::filesystem::path& a, const std::filesystem::path& b) {
  return a.native() == b.native();
}

std::optional<std::string> WindowsText(const std::string& hostText) { return Utf8ToWin1252(hostText); }
std::string HostText(const std::string& windowsText) { return Win1252ToUtf8(windowsText); }

}  // namespace zev::platform
