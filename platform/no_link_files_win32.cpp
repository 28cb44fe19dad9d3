#include <windows.h>

#include <algorithm>
#include <optional>

#include "platform/error.h"
#include "platform/handle_win32.h"
#include "platform/host_names.h"
#include "platform/machine.h"
#include "platform/no_link_files.h"
#include "platform/path_names.h"

namespace fs = std::filesystem;

namespace zev::platform {
namespace {

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

// A folder held open, without following a link at its place, for as long as the walk's caller
// acts below it: held without sharing its deletion, it can be neither renamed nor replaced by a
// junction meanwhile, so a path checked level by level stays the path acted on.
Handle HoldFolder(const fs::path& host) {
  return Handle(::CreateFileA(Ansi(host).c_str(), FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
}

bool IsLink(DWORD attributes) { return attributes & FILE_ATTRIBUTE_REPARSE_POINT; }
bool IsFolder(DWORD attributes) { return attributes & FILE_ATTRIBUTE_DIRECTORY; }

std::int64_t Size(DWORD high, DWORD low) {
  return static_cast<std::int64_t>((static_cast<std::uint64_t>(high) << 32) | low);
}

struct Walk {
  EntryFacts facts;
  std::vector<Handle> held;  // the drive's folder and every folder below it on the way
  fs::path host;             // the entry's host path
  bool driveRoot = false;
};

Walk Refuse(Walk walk, std::string problem) {
  walk.facts.kind = EntryKind::Refused;
  walk.facts.problem = std::move(problem);
  return walk;
}

Walk WalkNoLinks(const std::string& windowsPath) {
  Walk walk;
  std::string full;
  try {
    full = Machine::Current().ExpandFileName(windowsPath);
  } catch (const Exception& e) {
    return Refuse(std::move(walk), e.Message());
  }
  const auto folder = Machine::Current().DriveFolder(full[0]);
  if (!folder) return Refuse(std::move(walk), std::string("drive ") + full[0] + ": is not mapped: " + full);
  if (full[0] == 'C' && full.size() > kMaxPathLength)
    return Refuse(std::move(walk), "path longer than " + std::to_string(kMaxPathLength) + " characters: " + full);
  std::vector<std::string> parts;
  for (std::size_t start = 3; start < full.size();) {
    const std::size_t end = std::min(full.find('\\', start), full.size());
    parts.push_back(full.substr(start, end - start));
    start = end + 1;
  }
  for (const std::string& part : parts)
    if (!IsValidWindowsName(part)) return Refuse(std::move(walk), "invalid file name: " + full);

  walk.host = *folder;
  Handle root = HoldFolder(walk.host);
  if (!root.valid()) return walk;  // the drive's folder is missing: so is everything on it
  walk.held.push_back(std::move(root));
  if (parts.empty()) {
    walk.driveRoot = true;
    walk.facts.kind = EntryKind::Folder;
    return walk;
  }
  std::string reached = full.substr(0, 2);
  for (std::size_t i = 0; i < parts.size(); ++i) {
    const bool last = i + 1 == parts.size();
    reached += "\\" + parts[i];
    walk.host /= HostName(parts[i]);
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!::GetFileAttributesExA(Ansi(walk.host).c_str(), GetFileExInfoStandard, &data)) return walk;  // Missing
    if (IsLink(data.dwFileAttributes)) {
      walk.facts.kind = EntryKind::Link;
      walk.facts.problem = reached + " is a symbolic link";
      return walk;
    }
    if (last) {
      if (IsFolder(data.dwFileAttributes)) {
        walk.facts.kind = EntryKind::Folder;
        ++walk.facts.existingFolders;
      } else {
        walk.facts.kind = EntryKind::File;
        walk.facts.size = Size(data.nFileSizeHigh, data.nFileSizeLow);
        walk.facts.modified = Ticks(data.ftLastWriteTime);
      }
      return walk;
    }
    if (!IsFolder(data.dwFileAttributes)) return walk;  // a file on the way: nothing below it exists
    Handle next = HoldFolder(walk.host);
    BY_HANDLE_FILE_INFORMATION info;
    if (!next.valid() || !::GetFileInformationByHandle(next.get(), &info) || IsLink(info.dwFileAttributes) ||
        !IsFolder(info.dwFileAttributes)) {
      // Swapped for a link since it was looked at, or gone.
      if (next.valid()) {
        walk.facts.kind = EntryKind::Link;
        walk.facts.problem = reached + " is a symbolic link";
      }
      return walk;
    }
    ++walk.facts.existingFolders;
    walk.held.push_back(std::move(next));
  }
  return walk;
}

RemoveResult Result(RemoveOutcome outcome, std::string problem = "") { return {outcome, std::move(problem)}; }

RemoveResult NotThere(const Walk& walk, const std::string& windowsPath, const char* wanted) {
  switch (walk.facts.kind) {
    case EntryKind::Missing:
      return Result(RemoveOutcome::Missing);
    case EntryKind::Link:
    case EntryKind::Refused:
      return Result(RemoveOutcome::Refused, walk.facts.problem);
    default:
      return Result(RemoveOutcome::Refused, windowsPath + " is not " + wanted);
  }
}

// The identity of an open file or folder: its volume and its index there.
bool SameEntry(const BY_HANDLE_FILE_INFORMATION& a, const BY_HANDLE_FILE_INFORMATION& b) {
  return a.dwVolumeSerialNumber == b.dwVolumeSerialNumber && a.nFileIndexHigh == b.nFileIndexHigh &&
         a.nFileIndexLow == b.nFileIndexLow;
}

// True when the held folder is the folder of a mapped drive (a drive may be mapped inside another).
bool IsDriveFolder(HANDLE folder) {
  BY_HANDLE_FILE_INFORMATION info;
  if (!::GetFileInformationByHandle(folder, &info)) return false;
  for (char letter : Machine::Current().Drives()) {
    const auto drive = Machine::Current().DriveFolder(letter);
    if (!drive) continue;
    const Handle root = HoldFolder(*drive);
    BY_HANDLE_FILE_INFORMATION rootInfo;
    if (root.valid() && ::GetFileInformationByHandle(root.get(), &rootInfo) && SameEntry(info, rootInfo)) return true;
  }
  return false;
}

// Deletes the file at name through a handle of its own, so that what is deleted is the file that
// was looked at (facts). Opening it for deletion fails while someone else holds it open, as
// Windows has it.
RemoveResult RemoveOpenedFile(const std::string& name, const EntryFacts& facts) {
  const Handle file(::CreateFileA(name.c_str(), DELETE | FILE_READ_ATTRIBUTES, kShareAll, nullptr, OPEN_EXISTING,
                                  FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
  if (!file.valid()) {
    const DWORD error = ::GetLastError();
    if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) return Result(RemoveOutcome::Changed);
    if (error == ERROR_SHARING_VIOLATION) return Result(RemoveOutcome::Failed, "in use by another program");
    return Result(RemoveOutcome::Failed, LastErrorText());
  }
  BY_HANDLE_FILE_INFORMATION info;
  if (!::GetFileInformationByHandle(file.get(), &info) || IsLink(info.dwFileAttributes) ||
      IsFolder(info.dwFileAttributes) || Size(info.nFileSizeHigh, info.nFileSizeLow) != facts.size ||
      Ticks(info.ftLastWriteTime) != facts.modified)
    return Result(RemoveOutcome::Changed);
  FILE_DISPOSITION_INFO disposition{TRUE};
  if (!::SetFileInformationByHandle(file.get(), FileDispositionInfo, &disposition, sizeof disposition))
    return Result(RemoveOutcome::Failed, LastErrorText());
  return Result(RemoveOutcome::Removed);
}

}  // namespace

EntryFacts LookUpNoLinks(const std::string& windowsPath) { return WalkNoLinks(windowsPath).facts; }

RemoveResult RemoveFileNoLinks(const std::string& windowsPath, const EntryFacts* expected) {
  const Walk walk = WalkNoLinks(windowsPath);
  if (walk.facts.kind != EntryKind::File) return NotThere(walk, windowsPath, "a file");
  if (expected && (expected->size != walk.facts.size || expected->modified != walk.facts.modified))
    return Result(RemoveOutcome::Changed);
  // A read-only file is the caller's to remove: the attribute goes first (by name: the folders
  // above are held), and comes back when the file stays.
  const std::string name = Ansi(walk.host);
  const DWORD attributes = ::GetFileAttributesA(name.c_str());
  const bool readOnly = attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY);
  if (readOnly && !::SetFileAttributesA(name.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY))
    return Result(RemoveOutcome::Failed, LastErrorText());
  const RemoveResult result = RemoveOpenedFile(name, walk.facts);
  if (result.outcome != RemoveOutcome::Removed && readOnly) ::SetFileAttributesA(name.c_str(), attributes);
  return result;
}

RemoveResult RemoveFolderNoLinks(const std::string& windowsPath) {
  const Walk walk = WalkNoLinks(windowsPath);
  if (walk.facts.kind != EntryKind::Folder) return NotThere(walk, windowsPath, "a folder");
  const Handle folder = HoldFolder(walk.host);
  if (walk.driveRoot || (folder.valid() && IsDriveFolder(folder.get())))
    return Result(RemoveOutcome::Refused, windowsPath + " is a drive");
  if (!::RemoveDirectoryA(Ansi(walk.host).c_str())) {
    const DWORD error = ::GetLastError();
    if (error == ERROR_DIR_NOT_EMPTY) return Result(RemoveOutcome::NotEmpty);
    return Result(RemoveOutcome::Failed, LastErrorText());
  }
  return Result(RemoveOutcome::Removed);
}

std::vector<FolderEntry> ListFolderNoLinks(const std::string& windowsPath, std::size_t maxEntries, bool& complete) {
  std::vector<FolderEntry> entries;
  complete = false;
  const Walk walk = WalkNoLinks(windowsPath);
  if (walk.facts.kind != EntryKind::Folder) return entries;
  // The wide search: the ANSI one would give a name it cannot spell with "?" in its place.
  WIN32_FIND_DATAW found;
  const HANDLE search = ::FindFirstFileW((walk.host / L"*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return entries;
  complete = true;
  do {
    const std::wstring hostName = found.cFileName;
    if (hostName == L"." || hostName == L"..") continue;
    if (entries.size() >= maxEntries) {
      complete = false;
      break;
    }
    FolderEntry item;
    item.kind = IsLink(found.dwFileAttributes)     ? EntryKind::Link
                : IsFolder(found.dwFileAttributes) ? EntryKind::Folder
                                                   : EntryKind::File;
    const std::optional<std::string> ansi = WindowsName(hostName);
    item.windowsName = ansi && IsValidWindowsName(*ansi);
    if (item.windowsName) {
      item.name = *ansi;
    } else {
      const std::u8string utf8 = fs::path(hostName).u8string();
      item.name.assign(utf8.begin(), utf8.end());
    }
    entries.push_back(std::move(item));
  } while (::FindNextFileW(search, &found));
  ::FindClose(search);
  return entries;
}

std::string ReadFileNoLinks(const std::string& windowsPath, std::size_t maxBytes, std::string& content) {
  content.clear();
  const Walk walk = WalkNoLinks(windowsPath);
  if (walk.facts.kind == EntryKind::Missing) return windowsPath + " does not exist";
  if (walk.facts.kind == EntryKind::Link || walk.facts.kind == EntryKind::Refused) return walk.facts.problem;
  if (walk.facts.kind != EntryKind::File) return windowsPath + " is not a file";
  const Handle file = OpenDiskFile(walk.host, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_EXISTING,
                                   FILE_FLAG_OPEN_REPARSE_POINT);
  LARGE_INTEGER size;
  if (!file.valid() || !::GetFileSizeEx(file.get(), &size)) return windowsPath + ": " + LastErrorText();
  if (static_cast<std::uint64_t>(size.QuadPart) > maxBytes)
    return windowsPath + " is larger than " + std::to_string(maxBytes) + " bytes";
  // The size may still change while it is read; no more than the limit is ever taken.
  char buffer[65536];
  for (;;) {
    DWORD n = 0;
    if (!::ReadFile(file.get(), buffer, sizeof buffer, &n, nullptr)) return windowsPath + ": " + LastErrorText();
    if (n == 0) break;
    if (content.size() + n > maxBytes) {
      content.clear();
      return windowsPath + " is larger than " + std::to_string(maxBytes) + " bytes";
    }
    content.append(buffer, n);
  }
  return "";
}

}  // namespace zev::platform
