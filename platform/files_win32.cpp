#include <windows.h>

#include <limits>

#include "platform/files.h"
#include "platform/handle_win32.h"

namespace fs = std::filesystem;

namespace zev::platform {
namespace {

std::int64_t Capped(const ULARGE_INTEGER& bytes) {
  constexpr auto kLimit = static_cast<ULONGLONG>(std::numeric_limits<std::int64_t>::max());
  return static_cast<std::int64_t>(bytes.QuadPart > kLimit ? kLimit : bytes.QuadPart);
}

}  // namespace

std::optional<HostEntry> HostEntryOf(const fs::path& host) {
  // Through a handle, which follows a link to what it points at (the attributes of a path are
  // the link's own); reading attributes is no access that another opener's sharing can refuse.
  const Handle entry = OpenDiskFile(host, FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                    OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS);
  BY_HANDLE_FILE_INFORMATION info;
  if (!entry.valid() || !::GetFileInformationByHandle(entry.get(), &info)) return std::nullopt;
  const bool directory = info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY;
  const auto size = static_cast<std::int64_t>((static_cast<std::uint64_t>(info.nFileSizeHigh) << 32) | info.nFileSizeLow);
  return HostEntry{directory, directory ? 0 : size, UnixTime(info.ftLastWriteTime)};
}

// Windows itself refuses to delete or replace a read-only file, a directory, and a file that
// someone holds open without sharing its deletion.
bool DeleteHostFile(const fs::path& host) { return ::DeleteFileA(Ansi(host).c_str()) != 0; }

bool RenameHostFile(const fs::path& from, const fs::path& to) {
  return ::MoveFileExA(Ansi(from).c_str(), Ansi(to).c_str(), MOVEFILE_REPLACE_EXISTING) != 0;
}

bool CreateHostDirectory(const fs::path& host) { return ::CreateDirectoryA(Ansi(host).c_str(), nullptr) != 0; }

bool RemoveHostDirectory(const fs::path& host) {
  const std::string name = Ansi(host);
  const DWORD attributes = ::GetFileAttributesA(name.c_str());
  // A junction or a link to a folder would go as itself; it is not the empty folder meant.
  if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY) ||
      (attributes & FILE_ATTRIBUTE_REPARSE_POINT))
    return false;
  return ::RemoveDirectoryA(name.c_str()) != 0;
}

std::int64_t HostFreeSpace(const fs::path& folder) {
  ULARGE_INTEGER available;
  std::string name = Ansi(folder);
  if (!name.empty() && name.back() != '\\') name += '\\';
  return ::GetDiskFreeSpaceExA(name.c_str(), &available, nullptr, nullptr) ? Capped(available) : -1;
}

std::int64_t HostFreeSpaceFor(const fs::path& path) {
  // What does not exist yet will be made in its nearest existing folder, on that folder's volume
  // (a volume mounted in a folder has its own).
  for (fs::path at = path;; at = at.parent_path()) {
    const DWORD attributes = ::GetFileAttributesA(Ansi(at).c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) return HostFreeSpace(at);
    if (at == at.parent_path()) return -1;
  }
}

}  // namespace zev::platform
