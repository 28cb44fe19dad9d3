#include "platform/host_names.h"

#include "platform/ansi_win32.h"

namespace zev::platform {

std::filesystem::path HostName(const std::string& windowsName) { return WideFromAnsi(windowsName); }

std::optional<std::string> WindowsName(const std::filesystem::path& hostName) {
  return AnsiFromWide(hostName.native());
}

bool SameHostComponent(const std::filesystem::path& a, const std::filesystem::path& b) {
  const std::wstring& x = a.native();
  const std::wstring& y = b.native();
  return ::CompareStringOrdinal(x.data(), static_cast<int>(x.size()), y.data(), static_cast<int>(y.size()), TRUE) ==
         CSTR_EQUAL;
}

std::optional<std::string> WindowsText(const std::string& hostText) { return hostText; }
std::string HostText(const std::string& windowsText) { return windowsText; }

}  // namespace zev::platform
