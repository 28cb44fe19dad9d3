// The folder index on open descriptors, for the *_posix.cpp files of platform/ alone (see
// folder_index.h).
#pragma once

#include <filesystem>
#include <optional>
#include <string>

namespace zev::platform {

// The entry of the open folder dirFd (any descriptor of it, O_PATH will do) that the name stands
// for: hostName itself when it exists, else the first name in sorted order whose Windows form
// (Windows-1252) equals name without regard to case. Nothing when there is none.
std::optional<std::string> FindEntryNoCase(int dirFd, const std::string& hostName, const std::string& name);

// This process created or removed the entry at hostPath (or hostName in the open folder dirFd).
void NoteEntryAdded(const std::filesystem::path& hostPath);
void NoteEntryRemoved(const std::filesystem::path& hostPath);
void NoteEntryAddedAt(int dirFd, const std::string& hostName);

}  // namespace zev::platform
