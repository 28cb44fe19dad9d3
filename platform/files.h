// Windows-style file and directory services over the current Machine: existence, size, date,
// deletion, directories, free space and directory search. Paths are Windows paths; relative ones
// are taken from the current directory. None of these throws on a bad or unmapped path: they
// report failure the way the Windows API does.
#pragma once

#include <cstdint>
#include <ctime>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "platform/attributes.h"
#include "platform/file_stream.h"

namespace zev::platform {

bool FileExists(const std::string& path);         // a file, not a directory
std::int64_t FileSize(const std::string& path);   // -1 when missing or a directory
std::int32_t FileAge(const std::string& path);    // packed DOS date/time, -1 when missing
// Fails on a directory, a read-only file, or a file that someone holds open.
bool DeleteFile(const std::string& path);
// Moves source over target in one step (target may be missing). Fails, leaving both as they are,
// when target is a directory, read-only, or held open by someone.
bool ReplaceFile(const std::string& source, const std::string& target);
bool CreateDirectory(const std::string& path);    // the parent must exist
bool RemoveDirectory(const std::string& path);    // must be empty; never a drive root
// Bytes available to the user on drive 1 = A:, 2 = B: ...; 0 = the current drive; -1 when the
// drive is not mapped or cannot be queried.
std::int64_t DiskFree(int drive);
// Bytes available to the user on the file system that holds path, or that will hold it: a path
// that does not exist yet is looked up at its nearest existing folder. -1 when path cannot be
// reached or queried.
std::int64_t DiskFreeAt(const std::string& path);

struct SearchRec {
  std::string Name;
  std::uint32_t Attr = 0;
  std::int64_t Size = 0;
  std::int32_t Time = 0;  // packed DOS date/time
};
// Every entry of the pattern's folder whose name matches its last component ("*" and "?"
// wildcards, "*.*" matching every name), without regard to case, sorted by name. Directories,
// hidden and system entries come only when attributeMask asks for them; "." and ".." are listed
// for a folder that is not a drive root. Host names that cannot be Windows names are left out.
std::vector<SearchRec> FindFiles(const std::string& pattern, std::uint32_t attributeMask);

// The host side, for the rest of platform/ (files_posix.cpp; a Windows build needs files_win32.cpp),
// on host paths the machine has resolved. They fail as the functions above do.
struct HostEntry {
  bool directory = false;
  std::int64_t size = 0;
  std::time_t modified = 0;
};
// What is at the path, following links; nothing when it is missing.
std::optional<HostEntry> HostEntryOf(const std::filesystem::path& host);
// As DeleteFile and ReplaceFile: a link counts as itself, never as what it points to.
bool DeleteHostFile(const std::filesystem::path& host);
bool RenameHostFile(const std::filesystem::path& from, const std::filesystem::path& to);
bool CreateHostDirectory(const std::filesystem::path& host);
// An empty directory, not a link to one.
bool RemoveHostDirectory(const std::filesystem::path& host);
// Bytes available to the user on the file system of the folder, or of the nearest existing
// folder of a path that does not exist yet; -1 when it cannot be queried.
std::int64_t HostFreeSpace(const std::filesystem::path& folder);
std::int64_t HostFreeSpaceFor(const std::filesystem::path& path);

}  // namespace zev::platform
