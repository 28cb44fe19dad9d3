// Case-insensitive look-up of names in host folders. The host compares names exactly, Windows
// without regard to case; finding "README.TXT" as "ReadMe.txt" means reading the folder, and
// reading it for every file opened or created costs O(N^2) for N files in one folder. The index
// keeps the folded names of each folder it has read, trusted while the folder's own times, size
// and link count are those it saw, and kept in step with what this process creates, renames and
// deletes, which it is told of. (A Windows build looks names up natively: folder_index_win32.cpp
// has only to report the entry's own spelling.)
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

namespace zev::platform {

// The entry of the host folder that utf8Name stands for: the name itself when it exists, else
// the first name in sorted order whose Windows form (Windows-1252) equals it without regard to
// case. Nothing when there is none. For folders outside every drive, such as the disk folders
// beside the start folder. On Windows the name is host text in the ANSI code page (host_names.h),
// and the answer the entry's own spelling as the file system matched it.
std::optional<std::string> FindHostEntryNoCase(const std::filesystem::path& folder, const std::string& utf8Name);

// How often a folder was read to build or rebuild its index, since the program started: a
// measure of the work the look-ups do, for tests.
std::uint64_t FolderListings();

}  // namespace zev::platform
