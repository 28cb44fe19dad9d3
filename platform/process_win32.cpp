#include <io.h>
#include <windows.h>

#include <string>

#include "platform/process.h"

namespace zev::platform {

// Windows has no file-size limit that signals: a write it refuses simply fails.
void TreatFileSizeLimitAsWriteError() {}

// _isatty is true for every character device, the NUL device too; only a console has a mode.
bool IsTerminal(std::FILE* stream) {
  const auto handle = reinterpret_cast<HANDLE>(::_get_osfhandle(::_fileno(stream)));
  DWORD mode = 0;
  return handle != INVALID_HANDLE_VALUE && ::GetConsoleMode(handle, &mode) != 0;
}

std::filesystem::path ProgramDirectory() {
  // The name is cut to the buffer without saying so but by filling it: grow until it fits.
  std::wstring name(MAX_PATH, L'\0');
  for (;;) {
    const DWORD n = ::GetModuleFileNameW(nullptr, name.data(), static_cast<DWORD>(name.size()));
    if (n == 0) return {};
    if (n < name.size()) {
      name.resize(n);
      return std::filesystem::path(name).parent_path();
    }
    if (name.size() >= 32768) return {};
    name.resize(name.size() * 2);
  }
}

std::string ProgramFileName(const std::string& name) { return name + ".exe"; }

std::filesystem::path StartFolder() { return ProgramDirectory(); }

std::uint32_t ProcessId() { return ::GetCurrentProcessId(); }

bool WriteStandardOutput(const void* data, std::size_t size) {
  const HANDLE out = ::GetStdHandle(STD_OUTPUT_HANDLE);
  if (out == INVALID_HANDLE_VALUE || out == nullptr) return false;
  const auto* bytes = static_cast<const char*>(data);
  while (size > 0) {
    const DWORD chunk = size > 0x10000000 ? 0x10000000 : static_cast<DWORD>(size);
    DWORD written = 0;
    if (!::WriteFile(out, bytes, chunk, &written, nullptr) || written == 0) return false;
    bytes += written;
    size -= written;
  }
  return true;
}

}  // namespace zev::platform
