// What a tool shows while a long operation runs. On a terminal, one line on standard error that
// is rewritten in place: the file being worked on, how far the whole operation is, and how fast
// it goes. Nothing when standard error is not a terminal, or with --quiet. With --verbose each
// file is also listed on standard output as it is reached.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "compress/compress.h"

namespace zev::tools {

struct ProgressOptions {
  bool show = false;     // the line: standard error is a terminal and --quiet was not given
  bool verbose = false;  // list each file on standard output
};

class ProgressLine {
 public:
  explicit ProgressLine(ProgressOptions options);
  ~ProgressLine();
  ProgressLine(const ProgressLine&) = delete;
  ProgressLine& operator=(const ProgressLine&) = delete;

  // The operation is total units long: bytes, or files when their sizes are not known.
  void Begin(std::int64_t total);
  // Where the throughput comes from when the units are not bytes.
  void CountBytesWith(std::function<std::int64_t()> bytesDone) { bytesDone_ = std::move(bytesDone); }
  // The next file, size units long; name is printable (UTF-8, no control characters). The file
  // before it counts as done.
  void StartFile(const std::string& name, std::int64_t size);
  // How far the current file is, in percent (as the codec frame reports it).
  void FilePercent(std::int32_t percent);
  // Takes the line off the terminal, so that whatever is printed next starts at the left edge.
  void Clear();

  // Clears the line of the operation under way, if any: every error message calls it first.
  static void ClearActive();

 private:
  void Draw();

  ProgressOptions options_;
  std::int64_t total_ = 0;
  std::int64_t finished_ = 0;  // units of the files before the current one
  std::int64_t current_ = 0;   // units of the current file
  std::int64_t currentDone_ = 0;
  std::function<std::int64_t()> bytesDone_;
  std::string name_;
  std::size_t shownWidth_ = 0;  // columns the line on the terminal takes now
  std::chrono::steady_clock::time_point start_;
  std::chrono::steady_clock::time_point lastDraw_;
  bool drawn_ = false;
};

// Shows packer's CompressFiles of sources on the progress line: each file as it is written, by
// its stored name, the percentage counting bytes. The line must outlive the compression.
void FollowCompression(compress::TCompress& packer, const std::vector<compress::ArchiveSource>& sources,
                       ProgressLine& progress);

// "1.5 MB/s" and the like: bytes over seconds, in the largest unit that keeps a digit before the
// point.
std::string FormatRate(std::int64_t bytes, double seconds);

// name cut from the left to at most width columns, with "..." where it was cut; name is UTF-8.
std::string FitWidth(const std::string& name, std::size_t width);

}  // namespace zev::tools
