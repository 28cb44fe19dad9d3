// The operations of zevpack: build a disk set from a package folder, list a set, extract a set.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

#include "compress/method.h"
#include "tools/progress_line.h"

namespace zev::tools {

struct BuildOptions {
  std::filesystem::path packageDir;
  std::filesystem::path outDir;
  std::int32_t segSize = 1440000;
  compress::TCompressionMethod method = compress::coLZH5;
  compress::CompressionLevel level = compress::CompressionLevel::Exact;
  std::int32_t jobs = 1;  // files compressed at once
  std::string baseName = "zevsetup";
  bool diskFolders = false;
  std::filesystem::path setupProgram;  // empty: zev-setup beside zevpack, if it is there
  ProgressOptions progress;
};

struct ReadOptions {
  std::filesystem::path setDir;
  std::filesystem::path targetDir;  // extract only
  std::string baseName = "zevsetup";
  ProgressOptions progress;  // extract only
};

// Each reports its own errors on standard error and returns an exit code.
int BuildDiskSet(const BuildOptions& options);
int ListDiskSet(const ReadOptions& options);
int ExtractDiskSet(const ReadOptions& options);

}  // namespace zev::tools
