#include <windows.h>

#include <random>

#include "platform/handle_win32.h"
#include "platform/process.h"
#include "platform/whole_file.h"

namespace fs = std::filesystem;

namespace zev::platform {
namespace {

bool IsMissing(DWORD error) { return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND; }

bool ReadAll(HANDLE file, std::string& content) {
  char buffer[8192];
  for (;;) {
    DWORD n = 0;
    if (!::ReadFile(file, buffer, sizeof buffer, &n, nullptr)) return false;
    if (n == 0) return true;
    content.append(buffer, n);
  }
}

bool WriteAll(HANDLE file, const std::string& data) {
  std::size_t done = 0;
  while (done < data.size()) {
    const std::size_t left = data.size() - done;
    const DWORD piece = left > 0x40000000 ? 0x40000000 : static_cast<DWORD>(left);
    DWORD written = 0;
    if (!::WriteFile(file, data.data() + done, piece, &written, nullptr) || written == 0) return false;
    done += written;
  }
  return true;
}

// Creates a new, empty temporary file beside target; its handle, invalid when none can be made.
Handle CreateTemporary(const fs::path& target, fs::path& temporary) {
  static std::minstd_rand generator(static_cast<std::minstd_rand::result_type>(ProcessId()) ^
                                    static_cast<std::minstd_rand::result_type>(std::random_device()()));
  for (int attempt = 0; attempt < 100; ++attempt) {
    temporary = target.parent_path() / ("~zev" + std::to_string(generator() % 100000000) + ".tmp");
    Handle file = OpenDiskFile(temporary, GENERIC_WRITE, 0, CREATE_NEW);
    if (file.valid() || ::GetLastError() != ERROR_FILE_EXISTS) return file;
  }
  return Handle();
}

}  // namespace

HostRead ReadHostFile(const fs::path& host, std::string& content) {
  content.clear();
  const Handle file = OpenDiskFile(host, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_EXISTING);
  if (!file.valid()) return IsMissing(::GetLastError()) ? HostRead::Missing : HostRead::Failed;
  return ReadAll(file.get(), content) ? HostRead::Read : HostRead::Failed;
}

bool RewriteHostFile(const fs::path& path, const std::string& content) {
  bool exists;
  {
    // Only a file on a disk is replaced; what else stands there stays.
    const Handle original = OpenDiskFile(path, FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                         OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS);
    BY_HANDLE_FILE_INFORMATION info;
    exists = original.valid();
    if (!exists && !IsMissing(::GetLastError())) return false;
    if (exists && (!::GetFileInformationByHandle(original.get(), &info) || (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)))
      return false;
  }
  fs::path temporary;
  Handle file = CreateTemporary(path, temporary);
  if (!file.valid()) return false;
  bool ok = WriteAll(file.get(), content) && ::FlushFileBuffers(file.get());
  file.Reset();
  const std::string from = Ansi(temporary), to = Ansi(path);
  // ReplaceFile keeps what the file had besides its content: attributes, security, creation time.
  if (ok) {
    ok = exists ? ::ReplaceFileA(to.c_str(), from.c_str(), nullptr, REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr, nullptr)
                : ::MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_WRITE_THROUGH);
  }
  if (!ok) ::DeleteFileA(from.c_str());
  return ok;
}

}  // namespace zev::platform
