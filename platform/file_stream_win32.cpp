#include <windows.h>

#include "platform/file_stream.h"
#include "platform/handle_win32.h"

namespace zev::platform {
namespace {

HANDLE H(std::intptr_t handle) { return reinterpret_cast<HANDLE>(handle); }

// Moves up to count bytes in pieces a DWORD can count; fewer at the end of the file or on an error.
template <typename Call>
std::size_t Fully(std::size_t count, Call call) {
  std::size_t done = 0;
  while (done < count) {
    const std::size_t left = count - done;
    const DWORD piece = left > 0x40000000 ? 0x40000000 : static_cast<DWORD>(left);
    DWORD moved = 0;
    if (!call(done, piece, moved) || moved == 0) break;
    done += moved;
  }
  return done;
}

}  // namespace

// Sharing is Windows' own: CreateFile's share mode grants others what the opener does not deny,
// and the system refuses an opener that conflicts, in this process and in every other.
bool FileStream::CreateHost(const std::filesystem::path& host) {
  // CREATE_ALWAYS refuses a read-only file, and a hidden or system one replaced by a plain file;
  // a replaced file takes the attributes given here.
  Handle file = OpenDiskFile(host, GENERIC_READ | GENERIC_WRITE, 0, CREATE_ALWAYS);
  if (!file.valid()) return false;
  handle_ = reinterpret_cast<std::intptr_t>(file.Release());
  return true;
}

bool FileStream::OpenHost(const std::filesystem::path& host, const ShareRequest& request) {
  const DWORD access = (request.read ? GENERIC_READ : 0) | (request.write ? GENERIC_WRITE : 0);
  const DWORD share = (request.denyRead ? 0 : FILE_SHARE_READ) | (request.denyWrite ? 0 : FILE_SHARE_WRITE);
  Handle file = OpenDiskFile(host, access, share, OPEN_EXISTING);
  if (!file.valid()) return false;
  handle_ = reinterpret_cast<std::intptr_t>(file.Release());
  return true;
}

void FileStream::CloseHost() {
  if (H(handle_) != INVALID_HANDLE_VALUE) ::CloseHandle(H(handle_));
  handle_ = reinterpret_cast<std::intptr_t>(INVALID_HANDLE_VALUE);
}

std::size_t FileStream::ReadThrough(void* buffer, std::size_t count) {
  auto* out = static_cast<char*>(buffer);
  return Fully(count, [&](std::size_t done, DWORD piece, DWORD& moved) {
    return ::ReadFile(H(handle_), out + done, piece, &moved, nullptr) != 0;
  });
}

std::size_t FileStream::WriteThrough(const void* buffer, std::size_t count) {
  const auto* in = static_cast<const char*>(buffer);
  return Fully(count, [&](std::size_t done, DWORD piece, DWORD& moved) {
    return ::WriteFile(H(handle_), in + done, piece, &moved, nullptr) != 0;
  });
}

std::int64_t FileStream::SeekThrough(std::int64_t offset, SeekOrigin origin) {
  const DWORD method = origin == SeekOrigin::Begin ? FILE_BEGIN : origin == SeekOrigin::Current ? FILE_CURRENT : FILE_END;
  LARGE_INTEGER distance, position;
  distance.QuadPart = offset;
  return ::SetFilePointerEx(H(handle_), distance, &position, method) ? position.QuadPart : -1;
}

std::int64_t FileStream::SizeThrough() {
  LARGE_INTEGER size;
  return ::GetFileSizeEx(H(handle_), &size) ? size.QuadPart : -1;
}

bool FileStream::Truncate(std::int64_t size) {
  // The end of the file is set at the file's position, which then goes back where it was.
  const std::int64_t position = SeekThrough(0, SeekOrigin::Current);
  if (position < 0 || SeekThrough(size, SeekOrigin::Begin) < 0) return false;
  const bool cut = ::SetEndOfFile(H(handle_)) != 0;
  return SeekThrough(position, SeekOrigin::Begin) >= 0 && cut;
}

bool FileStream::SetModified(std::time_t time) {
  const FILETIME written = FileTimeOf(time);
  return ::SetFileTime(H(handle_), nullptr, nullptr, &written) != 0;
}

std::optional<std::time_t> FileStream::Modified() {
  FILETIME written;
  if (!::GetFileTime(H(handle_), nullptr, nullptr, &written)) return std::nullopt;
  return UnixTime(written);
}

}  // namespace zev::platform
