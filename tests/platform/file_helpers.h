// Host-side file helpers for the platform tests: they bypass the layer on purpose, to set up and
// inspect what the layer is supposed to see and do.
#pragma once

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace zev::platform::testing {

inline void WriteHostFile(const std::filesystem::path& path, const std::string& content) {
  std::filesystem::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary) << content;
}

inline std::string ReadHostFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace zev::platform::testing
