#include "tests/support/host_files.h"

#include <algorithm>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <system_error>

namespace fs = std::filesystem;

namespace zev::testing {

namespace {

void Write(const fs::path& path, const char* data, std::size_t size) {
  if (path.has_parent_path()) fs::create_directories(path.parent_path());
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(data, static_cast<std::streamsize>(size));
  out.close();
  if (!out) throw std::runtime_error("cannot write " + path.string());
}

template <class Container>
Container Read(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + path.string());
  Container content{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  if (in.bad()) throw std::runtime_error("cannot read " + path.string());
  return content;
}

}  // namespace

void WriteHostFile(const fs::path& path, std::string_view content) { Write(path, content.data(), content.size()); }

void WriteHostFile(const fs::path& path, const Bytes& content) {
  Write(path, reinterpret_cast<const char*>(content.data()), content.size());
}

std::string ReadHostFile(const fs::path& path) { return Read<std::string>(path); }

Bytes ReadHostBytes(const fs::path& path) { return Read<Bytes>(path); }

std::vector<std::string> TreeBelow(const fs::path& root) {
  std::vector<std::string> found;
  std::error_code ec;
  for (auto it = fs::recursive_directory_iterator(root, ec); !ec && it != fs::recursive_directory_iterator();
       it.increment(ec))
    found.push_back(it->path().lexically_relative(root).generic_string());
  std::sort(found.begin(), found.end());
  return found;
}

void RemoveChildren(const fs::path& folder) {
  std::error_code ec;
  for (const auto& entry : fs::directory_iterator(folder, ec)) fs::remove_all(entry.path(), ec);
}

std::vector<std::pair<std::string, Bytes>> FilesIn(const fs::path& folder) {
  std::vector<std::pair<std::string, Bytes>> files;
  std::error_code ec;
  for (const auto& entry : fs::directory_iterator(folder, ec))
    if (entry.is_regular_file() && entry.path().filename() != "README.md")
      files.emplace_back(entry.path().filename().string(), ReadHostBytes(entry.path()));
  std::sort(files.begin(), files.end());
  return files;
}

}  // namespace zev::testing
