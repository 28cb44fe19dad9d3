#include "segment/segment.h"

#include <algorithm>
#include <cstring>

#include "platform/files.h"
#include "platform/fs_utils.h"
#include "platform/host.h"
#include "platform/machine.h"
#include "platform/path_names.h"
#include "platform/text.h"

namespace zev::segment {

using platform::CurrentHost;
using platform::FileStream;

namespace {

// Removes a file this reader staged. A list file takes the attributes stored for it, so a
// read-only one must lose that attribute first or it would outlive the pass.
void RemoveStagedFile(const std::string& path) {
  const std::uint32_t attributes = platform::GetFileAttributes(path);
  if (attributes != platform::kInvalidAttributes && (attributes & platform::faReadOnly))
    platform::SetFileAttributes(path, attributes & ~platform::faReadOnly);
  platform::DeleteFile(path);
}

std::string DropOneTrailingBackslash(std::string path) {
  if (!path.empty() && path.back() == '\\') path.pop_back();
  return path;
}

// The text of a buffer up to its first NUL, at most size bytes.
std::string TextUpToNul(const std::uint8_t* bytes, std::size_t size) {
  const auto* end = std::find(bytes, bytes + size, std::uint8_t{0});
  return std::string(reinterpret_cast<const char*>(bytes), static_cast<std::size_t>(end - bytes));
}

// More records, or more bytes, than a list file of a sound set holds.
bool ListFileTooLarge(std::int64_t size, std::int32_t recordWidth) {
  return size > kMaxListFileSize || (size + recordWidth - 1) / recordWidth > kMaxListRecords;
}

// Why a member of a list archive may not be written: its path must stay below the temporary
// folder, since nobody else gets to look at these names.
bool StaysBelow(const std::string& relative) {
  if (relative.empty() || platform::IsPathSeparator(relative[0])) return false;
  if (relative.find(':') != std::string::npos) return false;
  int depth = 0;
  std::size_t start = 0;
  while (start <= relative.size()) {
    std::size_t end = relative.find_first_of("\\/", start);
    if (end == std::string::npos) end = relative.size();
    const std::string component = relative.substr(start, end - start);
    if (component == "..") {
      if (--depth < 0) return false;
    } else if (!component.empty() && component != ".") {
      ++depth;
    }
    start = end + 1;
  }
  return depth > 0;
}

}  // namespace

// Detaches the five TCompress handlers while the list archives are read (their files are the
// reader's own business, not the host's) and puts them back on every way out.
class TSegCompress::HandlerSwap {
 public:
  explicit HandlerSwap(TSegCompress& owner)
      : owner_(owner),
        onCompress_(std::move(owner.OnCompress)),
        onExpand_(std::move(owner.OnExpand)),
        onCheckFile_(std::move(owner.OnCheckFile)),
        onRecognize_(std::move(owner.OnRecognize)),
        onShowProgress_(std::move(owner.OnShowProgress)) {
    owner.OnCompress = [](platform::Stream&, platform::Stream&, std::string&, std::int32_t&, std::int32_t&) {};
    owner.OnExpand = [](platform::Stream&, platform::Stream&, std::int32_t, std::int32_t, const std::string&,
                        std::int32_t&) {};
    owner.OnCheckFile = [&owner](std::string& path, compress::TCProcessMode) { owner.CheckListMember(path); };
    owner.OnRecognize = [](const std::string&, bool&) {};
    owner.OnShowProgress = [](std::int32_t&) {};
  }
  ~HandlerSwap() {
    owner_.OnCompress = std::move(onCompress_);
    owner_.OnExpand = std::move(onExpand_);
    owner_.OnCheckFile = std::move(onCheckFile_);
    owner_.OnRecognize = std::move(onRecognize_);
    owner_.OnShowProgress = std::move(onShowProgress_);
  }
  HandlerSwap(const HandlerSwap&) = delete;
  HandlerSwap& operator=(const HandlerSwap&) = delete;

 private:
  TSegCompress& owner_;
  compress::TCompressEvent onCompress_;
  compress::TExpandEvent onExpand_;
  compress::TFilenameCheckEvent onCheckFile_;
  compress::TRecognizeEvent onRecognize_;
  compress::TShowProgressEvent onShowProgress_;
};

TSegCompress::TSegCompress() { SetSegTmpDir(""); }

TSegCompress::~TSegCompress() = default;

void TSegCompress::SetSegBaseName(const std::string& value) {
  segBaseName_ = value.empty() ? std::string("SegData") : LowerCase(FileNamePartOf(value));
}

void TSegCompress::SetSegDir(const std::string& value) { segDir_ = value.empty() ? std::string("a:\\") : LowerCase(value); }

void TSegCompress::SetSegSize(std::int32_t value) { segSize_ = std::max(value, kMinSegSize); }

void TSegCompress::SetSegTmpDir(const std::string& value) {
  std::string dir = value.empty() ? platform::Machine::Current().CurrentDirectory() : value;
  segTmpDir_ = LowerCase(DropOneTrailingBackslash(dir));
}

std::string TSegCompress::TempArchivePath() const {
  return DropOneTrailingBackslash(segTmpDir_) + "\\" + segBaseName_ + ".$A$";
}

void TSegCompress::BuildCurrentPath() {
  segFileName_ = SegmentFileName(segBaseName_, segNumber_);
  segPath_ = SegmentPath(segDir_, segBaseName_, segNumber_);
}

void TSegCompress::Abort() {
  abort_ = true;
  throw ESegError(kOperationAborted);
}

bool TSegCompress::SegmentPrompt() {
  platform::Host& host = CurrentHost();
  const platform::Cursor saved = host.GetCursor();
  host.SetCursor(platform::Cursor::Arrow);
  bool ok = false;
  for (;;) {
    std::string value = segDir_;
    if (!host.InputQuery("Segment Prompt: " + segFileName_, "Directory Path:", value)) break;
    if (!value.empty()) {
      // Taken as typed: the lower-casing of the property is not applied here.
      segDir_ = value;
      ok = true;
      break;
    }
  }
  host.SetCursor(saved);
  return ok;
}

void TSegCompress::OpenSegment(std::uint16_t number) {
  segNumber_ = number;
  BuildCurrentPath();
  for (;;) {
    if (SegPopUp) {
      const bool ok = SegmentPrompt();
      CurrentHost().Repaint();
      if (!ok) Abort();
      BuildCurrentPath();
    }
    if (OnSegBefore) OnSegBefore(segMode_, segFileName_, number);
    if (abort_) throw ESegError(kOperationAborted);
    // The handler may have named the directory the disk is now read from.
    BuildCurrentPath();
    if (platform::FileExists(segPath_)) {
      try {
        segment_ = std::make_unique<FileStream>(segPath_, platform::fmOpenRead | platform::fmShareExclusive);
      } catch (const Exception&) {
        throw ESegError(kStreamOpenFailed);
      }
      segment_->ReadAhead();
      unread_ = segment_->Size();
      return;
    }
    const std::string text = "Unable to locate \"" + segFileName_ + "\" on this segment!\n\r" +
                             "Correct and then press OK, or Cancel to abort";
    if (CurrentHost().MessageBox(text, "Error", platform::MsgKind::Error, platform::mbOK | platform::mbCancel) !=
        platform::ModalResult::OK)
      Abort();
  }
}

void TSegCompress::ReadSegIDHeader() {
  std::uint8_t bytes[kSegIDHeaderSize];
  std::size_t got = 0;
  while (got < sizeof bytes) {
    const std::size_t n = segment_->Read(bytes + got, sizeof bytes - got);
    if (n == 0) break;
    got += n;
  }
  if (got < sizeof bytes || DecodeSegIDHeader(bytes).magic != kSegIDMagic) throw ESegError(kInvalidSegmentIDHeader);
  unread_ -= static_cast<std::int64_t>(kSegIDHeaderSize);
}

void TSegCompress::CloseSegment() {
  segment_.reset();
  unread_ = 0;
}

void TSegCompress::ReadStream(void* buffer, std::int64_t count) {
  auto* out = static_cast<std::uint8_t*>(buffer);
  while (count > 0) {
    if (unread_ <= 0) {
      segment_.reset();
      if (OnSegAfter) OnSegAfter(segMode_, segFileName_, segNumber_);
      if (abort_) throw ESegError(kOperationAborted);
      // Segment numbers are 16 bits wide: a stream that runs on past the last one is damaged.
      if (segNumber_ == UINT16_MAX) throw ESegError(kInvalidSegmentIDHeader);
      OpenSegment(static_cast<std::uint16_t>(segNumber_ + 1));
      ReadSegIDHeader();
    }
    const auto n = static_cast<std::size_t>(std::min<std::int64_t>({kSegTransferSize, count, unread_}));
    const std::size_t got = segment_->Read(out, n);
    // A segment that ends before its size said it would (cut while being read) must not spin.
    if (got == 0) throw ESegError(kStreamReadFailed);
    out += got;
    count -= static_cast<std::int64_t>(got);
    unread_ -= static_cast<std::int64_t>(got);
    CurrentHost().ProcessMessages();
  }
}

void TSegCompress::SkipStream(std::int64_t count) {
  while (count > 0) {
    const auto n = std::min<std::int64_t>(count, kSegTransferSize);
    ReadStream(buffer_.data(), n);
    count -= n;
  }
}

void TSegCompress::CopyToTempArchive(std::int64_t count) {
  tempArchive_ = TempArchivePath();
  if (platform::FileExists(tempArchive_)) platform::DeleteFile(tempArchive_);
  std::unique_ptr<FileStream> file;
  try {
    file = std::make_unique<FileStream>(tempArchive_, platform::fmCreate);
  } catch (const Exception&) {
    throw ESegError(kStreamOpenFailed);
  }
  file->GatherWrites();
  try {
    while (count > 0) {
      const auto n = std::min<std::int64_t>(count, kSegTransferSize);
      // No need to clear the buffer first: ReadStream fills all n bytes or fails.
      ReadStream(buffer_.data(), n);
      file->WriteBuffer(buffer_.data(), static_cast<std::size_t>(n));
      count -= n;
    }
    file->Flush();
  } catch (...) {
    file.reset();
    platform::DeleteFile(tempArchive_);
    throw;
  }
}

void TSegCompress::CheckListMember(std::string& path) {
  // The list file is the first member; no other member is used, so none is written (they would
  // stay behind in the temporary folder).
  if (!listFilesWritten_.empty()) {
    path.assign(1, '*');
    return;
  }
  const std::string& target = TargetPath();
  const bool below = !target.empty() && path.size() > target.size() && path.compare(0, target.size(), target) == 0 &&
                     StaysBelow(path.substr(target.size()));
  if (!below) throw ESegError(kInvalidScanIDHeader);
  listFilesWritten_.push_back(path);
}

void TSegCompress::ReadScanEntry(TSegArc& arc) {
  std::uint8_t raw[kSegScanHeaderSize] = {};
  ReadStream(raw, sizeof raw);
  const TSegScanHeader header = DecodeSegScanHeader(raw);
  if (header.magic != kSegScanMagic) throw ESegError(kInvalidScanIDHeader);
  // Fields out of range would overrun the transfer buffer or walk the stream backwards.
  if (header.NameLength > kMaxNameLength || header.RecordWidth < 1 || header.RecordWidth > kMaxRecordWidth ||
      header.ListSize < 0)
    throw ESegError(kInvalidScanIDHeader);

  std::fill(buffer_.begin(), buffer_.end(), std::uint8_t{0});
  ReadStream(buffer_.data(), header.NameLength);
  arc.Template = TextUpToNul(buffer_.data(), header.NameLength);
  arc.TargetDir = DirectoryPartOf(arc.Template);
  arc.ScanFlag = header.ScanFlag;
  arc.FileList.Clear();

  CopyToTempArchive(header.ListSize);

  const std::string savedTarget = TargetPath();
  const bool savedMakeDirectories = MakeDirectories;
  SetTargetPath(DropOneTrailingBackslash(segTmpDir_) + "\\");
  // The list file goes straight into the temporary folder: no folder is made for it.
  MakeDirectories = false;
  auto restore = [&] {
    SetTargetPath(savedTarget);
    MakeDirectories = savedMakeDirectories;
    platform::DeleteFile(tempArchive_);
  };
  TStringList names;
  listFilesWritten_.clear();
  try {
    ScanCompressedFile(tempArchive_, names);
    if (!names.Empty()) {
      // Refused before a byte of it is written, whatever its data would decode to.
      const auto first = names.Object<compress::TCompressedFileInfo>(0);
      const std::int64_t size = first->MethodNumber == compress::coNone ? first->CompressedSize : first->UncompressedSize;
      if (ListFileTooLarge(size, header.RecordWidth)) throw ESegError(kListFileTooLarge);
    }
    ExpandCompressedFile(tempArchive_, &names);
  } catch (...) {
    restore();
    for (const std::string& path : listFilesWritten_) RemoveStagedFile(path);
    throw;
  }
  restore();
  // An archive without a list file has nothing to open.
  if (names.Empty()) throw ESegError(kStreamOpenFailed);
  listFile_ = names[0];
  ReadListFile(arc, header.RecordWidth);
}

void TSegCompress::ReadListFile(TSegArc& arc, std::int32_t recordWidth) {
  std::unique_ptr<FileStream> list;
  try {
    list = std::make_unique<FileStream>(listFile_, platform::fmOpenRead | platform::fmShareExclusive);
  } catch (const Exception&) {
    RemoveStagedFile(listFile_);
    throw ESegError(kStreamOpenFailed);
  }
  std::int64_t remaining = list->Size();
  if (ListFileTooLarge(remaining, recordWidth)) {
    list.reset();
    RemoveStagedFile(listFile_);
    throw ESegError(kListFileTooLarge);
  }
  // Records are often a few bytes wide: they are served from blocks read ahead, not one system
  // read each.
  list->ReadAhead();
  while (remaining > 0) {
    const auto n = static_cast<std::size_t>(std::min<std::int64_t>(recordWidth, remaining));
    if (list->Read(buffer_.data(), n) != n) {
      list.reset();
      RemoveStagedFile(listFile_);
      throw ESegError(kStreamReadFailed);
    }
    std::string name = TextUpToNul(buffer_.data(), n);
    while (!name.empty() && name.back() == ' ') name.pop_back();
    arc.FileList.Add(std::move(name));
    remaining -= static_cast<std::int64_t>(n);
  }
  list.reset();
  RemoveStagedFile(listFile_);
}

void TSegCompress::ExpandArchive(TSegArc& arc) {
  TSegArcHeader header;
  for (;;) {
    std::uint8_t raw[kSegArcHeaderSize] = {};
    ReadStream(raw, sizeof raw);
    header = DecodeSegArcHeader(raw);
    if (header.magic != kSegArcMagic || header.ArcSize < 0) throw ESegError(kInvalidArchiveIDHeader);
    if (header.Sequence > arc.Sequence) throw ESegError(kInvalidArchiveSequence);
    if (header.Sequence == arc.Sequence) break;
    // An archive that was dropped from the list: pass over it.
    SkipStream(header.ArcSize);
  }
  CopyToTempArchive(header.ArcSize);
  MakeDirectories = true;
  SetTargetPath(arc.TargetDir);
  try {
    ExpandCompressedFile(tempArchive_, &arc.FileList);
  } catch (...) {
    platform::DeleteFile(tempArchive_);
    throw;
  }
  try {
    if (OnSegAfterArchive) OnSegAfterArchive(header, arc.Template);
    if (abort_) throw ESegError(kOperationAborted);
  } catch (...) {
    platform::DeleteFile(tempArchive_);
    throw;
  }
  platform::DeleteFile(tempArchive_);
}

void TSegCompress::SegExpandArcs(TSegArcList& segArcList) {
  abort_ = false;
  segMode_ = smReading;
  struct BufferRelease {
    std::vector<std::uint8_t>& buffer;
    ~BufferRelease() { std::vector<std::uint8_t>().swap(buffer); }
  } release{buffer_};
  buffer_.assign(static_cast<std::size_t>(kSegTransferSize), 0);
  platform::MakeDirPath(segTmpDir_);
  segArcList.Clear();
  try {
    OpenSegment(1);
    ReadSegIDHeader();
    std::uint8_t raw[kSegHeaderSize] = {};
    ReadStream(raw, sizeof raw);
    const TSegHeader header = DecodeSegHeader(raw);
    if (header.magic != kSegHeaderMagic) throw ESegError(kInvalidSegmentHeaderID);
    {
      HandlerSwap swap(*this);
      for (std::uint32_t i = 0; i < header.ArcCount; ++i) {
        auto arc = std::make_unique<TSegArc>();
        ReadScanEntry(*arc);
        arc->Sequence = static_cast<std::uint16_t>(i);
        segArcList.Add(std::move(arc));
      }
    }
    if (OnSegBeforeExpand) OnSegBeforeExpand(segArcList);
    if (abort_) throw ESegError(kOperationAborted);
    for (std::size_t i = 0; i < segArcList.Count(); ++i) ExpandArchive(segArcList[i]);
  } catch (...) {
    CloseSegment();
    throw;
  }
  CloseSegment();
}

TSegCompEZ::TSegCompEZ() = default;

void TSegCompEZ::SetSegSource(const TStringList& source) {
  segSource_.Clear();
  for (const std::string& s : source.Strings()) segSource_.Add(s);
}

void TSegCompEZ::SegExpand() {
  SetTargetPath("");
  SegExpandArcs(segArcList_);
  segSource_.Clear();
  for (std::size_t i = 0; i < segArcList_.Count(); ++i) segSource_.Add(segArcList_[i].Template);
  SetTargetPath("");
}

}  // namespace zev::segment
