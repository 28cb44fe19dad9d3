// The operations of zevarc over TCompress: create, list, extract, print and test an archive.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "compress/compress.h"
#include "tools/progress_line.h"
#include "tools/tool_support.h"

namespace zev::tools {

struct ArchiveToolOptions {
  compress::TCompressionMethod method = compress::coLZH5;
  compress::CompressionLevel level = compress::CompressionLevel::Exact;  // create, lh5 only
  std::int32_t jobs = 1;                // create: members compressed at once
  std::int32_t key = 0;
  bool absoluteNames = false;          // extract: let member names leave the target folder
  std::filesystem::path targetFolder;  // extract: where to put the files (default: here)
  ProgressOptions progress;
};

// Each operation reports its own errors on standard error and returns an exit code.
class ArchiveTool : private compress::TCompress {
 public:
  ArchiveTool(std::filesystem::path archive, ArchiveToolOptions options);

  int Create(const std::vector<std::filesystem::path>& inputs);
  int List();
  int Extract(const std::vector<std::string>& names);
  int Print(const std::vector<std::string>& names);
  int Test();

 private:
  // Walks every member, calling visit with the stream positioned at its data; the walk moves on
  // to the next member whatever visit consumed.
  template <class Visit>
  void ForEachMember(platform::Stream& archive, Visit visit);
  // Decodes one member into sink and verifies its checksum, coNone members included.
  void DecodeAndVerify(platform::Stream& sink, platform::Stream& archive, const compress::TMemberHeader& member,
                       const std::string& identifier);
  // Why the members do not add up to the archive header's total, or empty if they do: an archive
  // cut inside a member header or name ends quietly for the component.
  static std::string CompletenessProblem(std::int64_t membersTotal, std::int32_t headerTotal);
  // The same for an archive file, stored members whose sizes differ included. With everyByte a
  // member whose data runs past the end of the file counts too: a listing cannot decode it to see
  // whether what is missing mattered (a coded stream may lose its last padding bits unharmed).
  std::string CompletenessProblem(const std::string& archiveFile, bool everyByte);
  void Error(const std::string& subject, const std::string& message) const;
  // False, said as the host says it, when the archive to read is not there.
  bool ArchiveFound() const;
  // Why a member name may not be written below the target folder, or empty if it may.
  static std::string UnsafeNameReason(const std::string& name);

  std::filesystem::path archive_;
  std::string archiveName_;  // as the user gave it, for messages
  ArchiveToolOptions options_;
  TypedPaths typed_;
  std::string archiveWindows_;
  ProgressLine progress_;
};

}  // namespace zev::tools
