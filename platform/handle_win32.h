// An open Windows handle, closed on every way out of the scope that holds it, and the file
// facts the *_win32.cpp files of platform/ share. For those files alone.
#pragma once

#include <windows.h>

#include <cstdint>
#include <ctime>
#include <filesystem>
#include <string>
#include <system_error>

#include "platform/ansi_win32.h"

namespace zev::platform {

class Handle {
 public:
  Handle() = default;
  explicit Handle(HANDLE handle) : handle_(handle) {}
  ~Handle() { Reset(); }
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  Handle(Handle&& other) noexcept : handle_(other.handle_) { other.handle_ = INVALID_HANDLE_VALUE; }
  Handle& operator=(Handle&& other) noexcept {
    if (this != &other) {
      Reset(other.handle_);
      other.handle_ = INVALID_HANDLE_VALUE;
    }
    return *this;
  }

  void Reset(HANDLE handle = INVALID_HANDLE_VALUE) {
    if (valid()) ::CloseHandle(handle_);
    handle_ = handle;
  }
  // Gives the handle up to the caller, who closes it.
  HANDLE Release() {
    const HANDLE handle = handle_;
    handle_ = INVALID_HANDLE_VALUE;
    return handle;
  }
  HANDLE get() const { return handle_; }
  bool valid() const { return handle_ != INVALID_HANDLE_VALUE && handle_ != nullptr; }

 private:
  HANDLE handle_ = INVALID_HANDLE_VALUE;
};

// Opens a file on a disk (never a device such as NUL or COM1, which every folder seems to hold);
// an invalid handle otherwise, with the system's error left for GetLastError.
inline Handle OpenDiskFile(const std::filesystem::path& host, DWORD access, DWORD share, DWORD disposition,
                           DWORD flags = FILE_ATTRIBUTE_NORMAL) {
  Handle file(::CreateFileA(Ansi(host).c_str(), access, share, nullptr, disposition, flags, nullptr));
  if (file.valid() && ::GetFileType(file.get()) != FILE_TYPE_DISK) {
    file.Reset();
    ::SetLastError(ERROR_ACCESS_DENIED);
  }
  return file;
}

// Windows counts file times in 100-nanosecond steps from 1601-01-01 UTC.
constexpr std::int64_t kFileTimeTicksAtUnixEpoch = 116444736000000000;

inline std::int64_t Ticks(const FILETIME& time) {
  return static_cast<std::int64_t>((static_cast<std::uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime);
}
inline std::time_t UnixTime(const FILETIME& time) {
  return static_cast<std::time_t>((Ticks(time) - kFileTimeTicksAtUnixEpoch) / 10000000);
}
inline FILETIME FileTimeOf(std::time_t time) {
  const auto ticks = static_cast<std::uint64_t>(static_cast<std::int64_t>(time) * 10000000 + kFileTimeTicksAtUnixEpoch);
  return FILETIME{static_cast<DWORD>(ticks & 0xFFFFFFFF), static_cast<DWORD>(ticks >> 32)};
}

// The text of the system's last error, for messages.
inline std::string LastErrorText() {
  return std::system_category().message(static_cast<int>(::GetLastError()));
}

}  // namespace zev::platform
