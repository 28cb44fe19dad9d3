// The running program as the host sees it: its process, its folder, its standard streams.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>

namespace zev::platform {

// Makes a write that would grow a file past the file-size limit (ulimit -f) fail like any other
// write (EFBIG), so that the program reports it and cleans up after itself. Left to the system,
// the limit kills the process (SIGXFSZ) in the middle of the write, with its temporary files still
// on disk.
void TreatFileSizeLimitAsWriteError();

// True when the stream (stdout, stderr ...) goes to a terminal, where progress may be shown.
bool IsTerminal(std::FILE* stream);

// The folder that holds the running program; empty when the host cannot say.
std::filesystem::path ProgramDirectory();

// The file name the host gives the program called name ("zev-setup"; "zev-setup.exe" on Windows).
std::string ProgramFileName(const std::string& name);

// The folder a setup run starts from, which holds the first disk: on Linux the current directory
// (the program is installed once and started in the disk's folder), on Windows the program's own
// folder (it lies on the first disk, whatever folder it was started in). Empty when the host
// cannot say.
std::filesystem::path StartFolder();

// The number the host knows the running process by, for names no other process picks.
std::uint32_t ProcessId();

// Writes the bytes to standard output as they are (no line-end translation, no buffering on the
// way); false when they could not all be written.
bool WriteStandardOutput(const void* data, std::size_t size);

}  // namespace zev::platform
