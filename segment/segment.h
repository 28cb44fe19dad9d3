// TSegCompress and TSegCompEZ: read a segment set disk by disk, stage each archive of it in a
// temporary archive file and expand that through the inherited TCompress; and (the building side)
// cut a set of archives into segment files.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "compress/compress.h"
#include "platform/error.h"
#include "platform/file_stream.h"
#include "platform/string_list.h"
#include "segment/segment_format.h"

namespace zev::segment {

// Every failure of the segment components carries one of these texts.
inline constexpr const char* kInvalidSegmentIDHeader = "(TSegCompress) Invalid Segment ID Header";
inline constexpr const char* kInvalidSegmentHeaderID = "(TSegCompress) Invalid Segment Header ID";
inline constexpr const char* kInvalidScanIDHeader = "(TSegCompress) Invalid Scan ID Header";
inline constexpr const char* kInvalidArchiveIDHeader = "(TSegCompress) Invalid Archive ID Header";
inline constexpr const char* kInvalidArchiveSequence = "(TSegCompress) Invalid Archive sequence number";
inline constexpr const char* kStreamOpenFailed = "(TSegCompress) Stream open failed";
inline constexpr const char* kStreamReadFailed = "(TSegCompress) Stream read failed";
inline constexpr const char* kOperationAborted = "(TSegCompress) Operation aborted by user";
inline constexpr const char* kListFileTooLarge = "(TSegCompress) List file too large: the set is damaged";

class ESegError : public Exception {
 public:
  using Exception::Exception;
};

// What a pass is doing, as the segment events report it.
enum TSegMode : std::uint8_t { smIdle = 0, smReading = 1, smWriting = 2 };

// Building-side setting of TSegCompEZ.
enum TBuildMode : std::uint8_t { bmFlat, bmRecursive };

// One archive of a set.
class TSegArc {
 public:
  std::string Template;
  std::string TargetDir;  // the directory part of Template, trailing "\" included
  std::uint16_t Sequence = 0;
  std::uint8_t ScanFlag = 0;
  // The names read from the list file; after expansion, the full paths of the files written.
  TStringList FileList;
};

// The archives of a set; the list owns its entries.
class TSegArcList {
 public:
  std::size_t Count() const { return items_.size(); }
  TSegArc& operator[](std::size_t i) { return *items_[i]; }
  const TSegArc& operator[](std::size_t i) const { return *items_[i]; }
  void Add(std::unique_ptr<TSegArc> arc) { items_.push_back(std::move(arc)); }
  void Delete(std::size_t i) { items_.erase(items_.begin() + static_cast<std::ptrdiff_t>(i)); }
  void Clear() { items_.clear(); }

 private:
  std::vector<std::unique_ptr<TSegArc>> items_;
};

using TSegBeforeEvent = std::function<void(TSegMode segMode, const std::string& segName, std::uint16_t segNumber)>;
using TSegAfterEvent = std::function<void(TSegMode segMode, const std::string& segName, std::uint16_t segNumber)>;
using TSegBeforeExpandEvent = std::function<void(TSegArcList& segArcList)>;
using TSegAfterArchiveEvent = std::function<void(TSegArcHeader& segArcHdr, const std::string& templateName)>;

// One archive to put into a set: its stored template, the archive file (a Windows path) and the
// names its list file selects.
struct TSegBuildArc {
  std::string Template;
  std::string ArchiveFile;
  std::vector<std::string> FileNames;
};

class TSegCompress : public compress::TCompress {
 public:
  TSegCompress();
  ~TSegCompress() override;
  TSegCompress(const TSegCompress&) = delete;
  TSegCompress& operator=(const TSegCompress&) = delete;

  // A non-empty value keeps only its file-name part, lower-cased; empty gives "SegData".
  const std::string& SegBaseName() const { return segBaseName_; }
  void SetSegBaseName(const std::string& value);
  // A non-empty value is lower-cased; empty gives "a:\".
  const std::string& SegDir() const { return segDir_; }
  void SetSegDir(const std::string& value);
  // Asks for the folder of every segment before opening it.
  bool SegPopUp = true;
  // The building side's target segment size; at least 16384.
  std::int32_t SegSize() const { return segSize_; }
  void SetSegSize(std::int32_t value);
  // Where the temporary archive and the list files go: one trailing "\" dropped, lower-cased;
  // empty gives the current directory.
  const std::string& SegTmpDir() const { return segTmpDir_; }
  void SetSegTmpDir(const std::string& value);

  // Runs before each segment file is opened; a handler that sets SegDir has that segment read
  // from there.
  TSegBeforeEvent OnSegBefore;
  TSegAfterEvent OnSegAfter;
  TSegBeforeExpandEvent OnSegBeforeExpand;
  TSegAfterArchiveEvent OnSegAfterArchive;

  // Reads the whole set: fills segArcList with one entry per archive (freeing what it held) and
  // expands every archive still listed after OnSegBeforeExpand.
  void SegExpandArcs(TSegArcList& segArcList);

  // The building side: writes the archives as a set into SegDir, segment files of at most
  // SegSize bytes named after SegBaseName, and returns their paths, segment 1 first. Each list
  // archive holds one stored member, "<base>.lst", made in SegTmpDir. On failure no segment
  // file of this set is left behind.
  std::vector<std::string> SegBuildArcs(const std::vector<TSegBuildArc>& archives);

  // Reading state, for hosts and tests.
  std::uint16_t SegNumber() const { return segNumber_; }
  TSegMode SegMode() const { return segMode_; }
  const std::string& SegFileName() const { return segFileName_; }

 private:
  class HandlerSwap;

  void BuildCurrentPath();
  bool SegmentPrompt();
  [[noreturn]] void Abort();
  void OpenSegment(std::uint16_t number);
  void ReadSegIDHeader();
  void CloseSegment();
  void ReadStream(void* buffer, std::int64_t count);
  void SkipStream(std::int64_t count);
  void CopyToTempArchive(std::int64_t count);
  void ReadScanEntry(TSegArc& arc);
  void ReadListFile(TSegArc& arc, std::int32_t recordWidth);
  void ExpandArchive(TSegArc& arc);
  void CheckListMember(std::string& path);
  std::string TempArchivePath() const;

  std::string segBaseName_ = "SegData";
  std::string segDir_ = "a:\\";
  std::int32_t segSize_ = kDefaultSegSize;
  std::string segTmpDir_;

  // Reading state of a pass.
  std::uint16_t segNumber_ = 0;
  std::string segPath_;
  std::string segFileName_;
  bool abort_ = false;
  TSegMode segMode_ = smIdle;
  std::unique_ptr<platform::FileStream> segment_;
  std::int64_t unread_ = 0;
  std::vector<std::uint8_t> buffer_;  // the transfer buffer, held only while a pass runs
  std::string tempArchive_;
  std::string listFile_;
  std::vector<std::string> listFilesWritten_;  // by the list archive being expanded: its first member only
};

class TSegCompEZ : public TSegCompress {
 public:
  TSegCompEZ();

  // Building-side settings; reading ignores them.
  TBuildMode SegBuildMode = bmRecursive;
  compress::TCompressionMethod SegCompType = compress::coLZH;
  bool SegMultiArc = false;

  // Setting copies the strings; after SegExpand, the templates of the archives expanded.
  const TStringList& SegSource() const { return segSource_; }
  void SetSegSource(const TStringList& source);

  TSegArcList& SegArcList() { return segArcList_; }

  // Expands the whole set into the folders its templates name (or wherever OnCheckFile sends
  // the files); TargetPath is empty before and after.
  void SegExpand();

 private:
  TStringList segSource_;
  TSegArcList segArcList_;
};

}  // namespace zev::segment
