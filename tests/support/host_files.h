// Files on the host, for tests: they go around the platform layer on purpose, to set up and
// inspect what the code under test is meant to see and do. Portable (std::filesystem and
// fstream only); each function throws std::runtime_error naming the file when the host refuses,
// so that a test never goes on with a file it believes it wrote or read.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace zev::testing {

using Bytes = std::vector<std::uint8_t>;

// Writes the file, making the folders above it; what was there before is replaced.
void WriteHostFile(const std::filesystem::path& path, std::string_view content);
void WriteHostFile(const std::filesystem::path& path, const Bytes& content);

// The whole file, as text or as bytes.
std::string ReadHostFile(const std::filesystem::path& path);
Bytes ReadHostBytes(const std::filesystem::path& path);

// Every file and folder below root, as paths relative to it with "/" ("t/0", "WINDOWS/temp"),
// in name order; none when root is missing.
std::vector<std::string> TreeBelow(const std::filesystem::path& root);

// Empties the folder, keeping the folder itself; a missing folder is left missing.
void RemoveChildren(const std::filesystem::path& folder);

// The name and bytes of every regular file in the folder but its README.md, in name order; none
// when the folder is missing.
std::vector<std::pair<std::string, Bytes>> FilesIn(const std::filesystem::path& folder);

}  // namespace zev::testing
