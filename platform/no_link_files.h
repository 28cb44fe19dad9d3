// Files and folders reached without passing a symbolic link at any level below the drive's own
// folder. The ordinary path resolution follows links that stay on their drive, which is right for
// installing but not for removing: a link that someone swapped into an installed tree must never
// lead a removal to what it points at. Every level is opened on its own, without following a link,
// and the last step acts inside the folder that was opened, so a link put in place half-way cannot
// redirect it either. Names are found without regard to case, as everywhere on the machine.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace zev::platform {

enum class EntryKind {
  Missing,  // the path, or a folder on the way to it, does not exist
  File,
  Folder,
  Link,     // the entry, or a folder on the way to it, is a symbolic link
  Other,    // a device, a pipe, a socket
  Refused,  // not a path of the machine: no drive, an unmapped drive, an invalid name, too long
};

struct EntryFacts {
  EntryKind kind = EntryKind::Missing;
  std::int64_t size = 0;      // files only
  std::int64_t modified = 0;  // files only: 100-nanosecond units since 1601-01-01 UTC
  // Levels of the path below the drive root that exist as plain folders, counted from the top.
  std::size_t existingFolders = 0;
  std::string problem;        // Link and Refused: why, naming the place
};

// What stands at the path. Never throws.
EntryFacts LookUpNoLinks(const std::string& windowsPath);

enum class RemoveOutcome {
  Removed,
  Missing,   // nothing to remove
  Changed,   // the file no longer has the size and time it was expected to have
  NotEmpty,  // a folder that still holds entries
  Refused,   // a link on the way or at the end, no file (or folder) there, a drive root, a bad path
  Failed,    // the host refused (in use, no permission ...); problem says why
};

struct RemoveResult {
  RemoveOutcome outcome = RemoveOutcome::Failed;
  std::string problem;
};

// Removes a plain file. A read-only one is removed too: the caller has decided that the file is
// its own, and its attribute goes with it. With expected, only while the file still has that
// size and modification time. A file that someone holds open is not removed, as on Windows.
RemoveResult RemoveFileNoLinks(const std::string& windowsPath, const EntryFacts* expected = nullptr);
// Removes an empty folder; never a drive root.
RemoveResult RemoveFolderNoLinks(const std::string& windowsPath);

struct FolderEntry {
  std::string name;  // Windows-1252; the host's own (UTF-8) name when it cannot be a Windows name
  EntryKind kind = EntryKind::Other;
  bool windowsName = true;
};

// The entries of a folder without "." and "..", in the host's order, at most maxEntries of them;
// complete says whether that was all. Empty when the path is no plain folder.
std::vector<FolderEntry> ListFolderNoLinks(const std::string& windowsPath, std::size_t maxEntries, bool& complete);

// Reads a whole plain file of at most maxBytes into content. Empty on success, else why not.
std::string ReadFileNoLinks(const std::string& windowsPath, std::size_t maxBytes, std::string& content);

}  // namespace zev::platform
