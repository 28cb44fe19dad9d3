#include "tools/progress_line.h"

#include <algorithm>
#include <cstdio>
#include <iterator>
#include <memory>
#include <numeric>

#include "platform/files.h"
#include "tools/tool_support.h"

namespace zev::tools {

namespace {

// One line of an 80-column terminal, less the last column: writing there wraps on some terminals,
// and a wrapped line can no longer be rewritten in place.
constexpr std::size_t kLineWidth = 79;
constexpr auto kRedrawInterval = std::chrono::milliseconds(100);

ProgressLine* active = nullptr;

bool IsContinuationByte(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

std::size_t Columns(const std::string& utf8) {
  return static_cast<std::size_t>(std::count_if(utf8.begin(), utf8.end(), [](char c) { return !IsContinuationByte(c); }));
}

}  // namespace

std::string FormatRate(std::int64_t bytes, double seconds) {
  if (seconds <= 0) return "";
  double rate = static_cast<double>(bytes) / seconds;
  static const char* const kUnits[] = {"B/s", "KB/s", "MB/s", "GB/s"};
  std::size_t unit = 0;
  while (rate >= 1000 && unit + 1 < std::size(kUnits)) {
    rate /= 1000;
    ++unit;
  }
  char text[32];
  std::snprintf(text, sizeof text, unit == 0 ? "%.0f %s" : "%.1f %s", rate, kUnits[unit]);
  return text;
}

std::string FitWidth(const std::string& name, std::size_t width) {
  if (Columns(name) <= width) return name;
  static const std::string kCut = "...";
  if (width <= kCut.size()) return kCut.substr(0, width);
  // Keep the end of the name, where the file name is, starting on a whole character.
  std::size_t keep = width - kCut.size(), start = name.size();
  while (start > 0 && keep > 0) {
    --start;
    if (!IsContinuationByte(name[start])) --keep;
  }
  return kCut + name.substr(start);
}

ProgressLine::ProgressLine(ProgressOptions options) : options_(options), start_(std::chrono::steady_clock::now()) {
  if (options_.show) active = this;
}

ProgressLine::~ProgressLine() {
  Clear();
  if (active == this) active = nullptr;
}

void ProgressLine::Begin(std::int64_t total) {
  total_ = total;
  finished_ = current_ = currentDone_ = 0;
  start_ = std::chrono::steady_clock::now();
}

void ProgressLine::StartFile(const std::string& name, std::int64_t size) {
  finished_ += current_;
  current_ = size;
  currentDone_ = 0;
  name_ = name;
  if (options_.verbose) {
    Clear();
    std::printf("%s\n", name.c_str());
    std::fflush(stdout);
  }
  Draw();
}

void ProgressLine::FilePercent(std::int32_t percent) {
  currentDone_ = current_ * std::clamp(percent, 0, 100) / 100;
  Draw();
}

void ProgressLine::Draw() {
  if (!options_.show) return;
  const auto now = std::chrono::steady_clock::now();
  if (drawn_ && now - lastDraw_ < kRedrawInterval) return;
  drawn_ = true;
  lastDraw_ = now;

  const std::int64_t done = finished_ + currentDone_;
  const int percent = total_ > 0 ? static_cast<int>(std::clamp<std::int64_t>(done * 100 / total_, 0, 100)) : 0;
  const std::int64_t bytes = bytesDone_ ? bytesDone_() : done;
  char figures[64];
  std::snprintf(figures, sizeof figures, "  %3d%%  %s", percent,
                FormatRate(bytes, std::chrono::duration<double>(now - start_).count()).c_str());
  const std::string tail = figures;
  const std::string line = FitWidth(name_, kLineWidth - tail.size()) + tail;
  const std::size_t width = Columns(line);
  // Blanks over what is left of a longer line before.
  const std::string padding(shownWidth_ > width ? shownWidth_ - width : 0, ' ');
  std::fprintf(stderr, "\r%s%s", line.c_str(), padding.c_str());
  if (!padding.empty()) std::fprintf(stderr, "\r%s", line.c_str());
  std::fflush(stderr);
  shownWidth_ = width;
}

void ProgressLine::Clear() {
  if (shownWidth_ == 0) return;
  std::fprintf(stderr, "\r%s\r", std::string(shownWidth_, ' ').c_str());
  std::fflush(stderr);
  shownWidth_ = 0;
  // The next report draws at once rather than after the interval.
  drawn_ = false;
}

void ProgressLine::ClearActive() {
  if (active) active->Clear();
}

void FollowCompression(compress::TCompress& packer, const std::vector<compress::ArchiveSource>& sources,
                       ProgressLine& progress) {
  auto sizes = std::make_shared<std::vector<std::int64_t>>();
  for (const auto& source : sources) sizes->push_back(std::max<std::int64_t>(platform::FileSize(source.path), 0));
  progress.Begin(std::accumulate(sizes->begin(), sizes->end(), std::int64_t{0}));
  // The writer names the sources in their order, each as its turn to be written comes.
  auto next = std::make_shared<std::size_t>(0);
  packer.OnCheckFile = [&sources, &progress, sizes, next](std::string&, compress::TCProcessMode) {
    if (*next < sources.size())
      progress.StartFile(Printable(sources[*next].storedName), (*sizes)[*next]);
    ++*next;
  };
  packer.OnShowProgress = [&progress](std::int32_t& percent) { progress.FilePercent(percent); };
}

}  // namespace zev::tools
