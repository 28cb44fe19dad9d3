// The building side of TSegCompress: archives cut into segment files that the reader accepts.
#include <algorithm>
#include <limits>

#include "platform/files.h"
#include "platform/fs_utils.h"
#include "segment/segment.h"

namespace zev::segment {

using platform::FileStream;

namespace {

// The setup program names segments with three digits.
constexpr std::int64_t kMaxSegments = 999;
constexpr std::int64_t kLargestPart = std::numeric_limits<std::int32_t>::max();

// Writes the logical stream, opening the next segment file whenever the current one is full.
// Segment files are only created when there is a byte to put into them.
class SegmentSink {
 public:
  SegmentSink(TSegCompress& owner, const TSegBeforeEvent& before, const TSegAfterEvent& after)
      : owner_(owner), before_(before), after_(after) {}
  ~SegmentSink() {
    file_.reset();
    if (!finished_)
      for (const std::string& path : paths_) platform::DeleteFile(path);
  }
  SegmentSink(const SegmentSink&) = delete;
  SegmentSink& operator=(const SegmentSink&) = delete;

  void Write(const void* data, std::size_t size) {
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    while (size > 0) {
      if (!file_ || room_ == 0) Next();
      const auto n = static_cast<std::size_t>(std::min<std::int64_t>(room_, static_cast<std::int64_t>(size)));
      file_->WriteBuffer(bytes, n);
      bytes += n;
      size -= n;
      room_ -= static_cast<std::int64_t>(n);
    }
  }

  std::vector<std::string> Finish() {
    CloseCurrent();
    finished_ = true;
    return paths_;
  }

 private:
  void CloseCurrent() {
    if (!file_) return;
    file_.reset();
    if (after_) after_(smWriting, SegmentFileName(owner_.SegBaseName(), number_), number_);
  }
  void Next() {
    CloseCurrent();
    ++number_;
    if (before_) before_(smWriting, SegmentFileName(owner_.SegBaseName(), number_), number_);
    const std::string path = SegmentPath(owner_.SegDir(), owner_.SegBaseName(), number_);
    file_ = std::make_unique<FileStream>(path, platform::fmCreate);
    paths_.push_back(path);
    file_->WriteBuffer(EncodeSegIDHeader(TSegIDHeader{}).data(), kSegIDHeaderSize);
    room_ = owner_.SegSize() - static_cast<std::int64_t>(kSegIDHeaderSize);
  }

  TSegCompress& owner_;
  const TSegBeforeEvent& before_;
  const TSegAfterEvent& after_;
  std::unique_ptr<FileStream> file_;
  std::int64_t room_ = 0;
  std::uint16_t number_ = 0;
  std::vector<std::string> paths_;
  bool finished_ = false;
};

struct PreparedArchive {
  TSegScanHeader scan;
  std::string templateName;
  std::vector<std::uint8_t> listArchive;
  std::string archiveFile;
  std::int64_t archiveSize = 0;
};

// The list file: one record per name, each as wide as the longest name, padded with NULs.
std::vector<std::uint8_t> ListFileRecords(const std::vector<std::string>& names, std::int32_t& width) {
  std::size_t longest = 1;
  for (const std::string& name : names) {
    if (name.find('\0') != std::string::npos || (!name.empty() && name.back() == ' '))
      throw ESegError("(TSegCompress) Name cannot be kept in a list file: " + name);
    if (name.size() > static_cast<std::size_t>(kMaxRecordWidth))
      throw ESegError("(TSegCompress) Name too long for a list file: " + name.substr(0, 40) + "...");
    longest = std::max(longest, name.size());
  }
  width = static_cast<std::int32_t>(longest);
  std::vector<std::uint8_t> records(names.size() * longest, 0);
  for (std::size_t i = 0; i < names.size(); ++i)
    std::copy(names[i].begin(), names[i].end(), records.begin() + static_cast<std::ptrdiff_t>(i * longest));
  return records;
}

}  // namespace

std::vector<std::string> TSegCompress::SegBuildArcs(const std::vector<TSegBuildArc>& archives) {
  if (archives.size() > std::numeric_limits<std::uint16_t>::max())
    throw ESegError("(TSegCompress) A segment set holds at most 65535 archives");
  segMode_ = smWriting;
  platform::MakeDirPath(segTmpDir_);
  const std::string listName = segBaseName_ + ".lst";

  std::vector<PreparedArchive> prepared;
  std::int64_t total = static_cast<std::int64_t>(kSegHeaderSize);
  for (const TSegBuildArc& arc : archives) {
    PreparedArchive p;
    if (arc.Template.size() > static_cast<std::size_t>(kMaxNameLength) || arc.Template.find('\0') != std::string::npos)
      throw ESegError("(TSegCompress) Template name cannot be stored: " + arc.Template.substr(0, 40));
    p.templateName = arc.Template;
    p.scan.NameLength = static_cast<std::uint16_t>(arc.Template.size());
    const std::vector<std::uint8_t> records = ListFileRecords(arc.FileNames, p.scan.RecordWidth);

    // The list file goes through a file of its own so that the archive writer stamps it like
    // any other member.
    std::string dir = segTmpDir_;
    while (!dir.empty() && dir.back() == '\\') dir.pop_back();
    const std::string listFile = dir + "\\" + listName;
    {
      FileStream file(listFile, platform::fmCreate);
      file.WriteBuffer(records.data(), records.size());
    }
    platform::MemoryStream list;
    try {
      CompressToStream(list, {{listFile, listName}}, compress::coNone);
    } catch (...) {
      platform::DeleteFile(listFile);
      throw;
    }
    platform::DeleteFile(listFile);
    p.listArchive = std::move(list.Data());
    if (static_cast<std::int64_t>(p.listArchive.size()) > kLargestPart)
      throw ESegError("(TSegCompress) List archive too large for a segment set");
    p.scan.ListSize = static_cast<std::int32_t>(p.listArchive.size());

    p.archiveFile = arc.ArchiveFile;
    p.archiveSize = platform::FileSize(arc.ArchiveFile);
    if (p.archiveSize < 0) throw ESegError(std::string(kStreamOpenFailed) + ": " + arc.ArchiveFile);
    if (p.archiveSize > kLargestPart) throw ESegError("(TSegCompress) Archive too large for a segment set: " + arc.ArchiveFile);

    total += static_cast<std::int64_t>(kSegScanHeaderSize + kSegArcHeaderSize) + p.scan.NameLength +
             p.scan.ListSize + p.archiveSize;
    prepared.push_back(std::move(p));
  }

  const std::int64_t payload = segSize_ - static_cast<std::int64_t>(kSegIDHeaderSize);
  const std::int64_t segments = (total + payload - 1) / payload;
  if (segments > kMaxSegments)
    throw ESegError("(TSegCompress) The set would need " + std::to_string(segments) +
                    " segments; at most 999 can be read: choose a larger segment size");

  platform::MakeDirPath(segDir_);
  SegmentSink sink(*this, OnSegBefore, OnSegAfter);
  TSegHeader header;
  header.ArcCount = static_cast<std::uint16_t>(prepared.size());
  sink.Write(EncodeSegHeader(header).data(), kSegHeaderSize);
  for (const PreparedArchive& p : prepared) {
    sink.Write(EncodeSegScanHeader(p.scan).data(), kSegScanHeaderSize);
    sink.Write(p.templateName.data(), p.templateName.size());
    sink.Write(p.listArchive.data(), p.listArchive.size());
  }
  std::vector<std::uint8_t> block(static_cast<std::size_t>(kSegTransferSize));
  for (std::size_t i = 0; i < prepared.size(); ++i) {
    const PreparedArchive& p = prepared[i];
    TSegArcHeader arcHeader;
    arcHeader.Sequence = static_cast<std::uint16_t>(i);
    arcHeader.ArcSize = static_cast<std::int32_t>(p.archiveSize);
    sink.Write(EncodeSegArcHeader(arcHeader).data(), kSegArcHeaderSize);
    FileStream archive(p.archiveFile, platform::fmOpenRead | platform::fmShareDenyWrite);
    // The size was taken above; an archive that changed meanwhile would spoil the set.
    if (archive.Size() != p.archiveSize)
      throw ESegError("(TSegCompress) Archive changed while the set was written: " + p.archiveFile);
    std::int64_t left = p.archiveSize;
    while (left > 0) {
      const auto n = static_cast<std::size_t>(std::min<std::int64_t>(left, kSegTransferSize));
      archive.ReadBuffer(block.data(), n);
      sink.Write(block.data(), n);
      left -= static_cast<std::int64_t>(n);
    }
  }
  std::vector<std::string> paths = sink.Finish();
  segMode_ = smIdle;
  return paths;
}

}  // namespace zev::segment
