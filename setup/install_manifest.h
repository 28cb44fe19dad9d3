// uninstall.zev: the installation's own record of what it placed, beside uninstall.cfg in the
// installation folder. uninstall.cfg keeps its fixed format, which cannot tell the package's files
// from the user's ("*.*"), leaves out what went to labelled folders and records files the user
// chose to keep; this record lists only what the installation actually wrote, with the size and
// time each file had then, so that a removal takes nothing the user has changed or owns.
//
// The format: Windows-1252 text, one record per line, lines ending in CRLF (LF alone is read too),
// the fields of a record separated by one TAB, the path last (a Windows path cannot hold a TAB or
// a line break):
//
//   ZEV Setup uninstall manifest 1
//   folder<TAB>C:\Apps\Tool                      a folder the installation created
//   file<TAB>SIZE<TAB>TIME<TAB>C:\Apps\Tool\a.exe a file it copied
//   link<TAB>SIZE<TAB>TIME<TAB>C:\WINDOWS\Desktop\Tool.lnk
//                                                a shortcut file it saved
//
// SIZE is the file's size in bytes and TIME its modification time right after it was written, in
// 100-nanosecond units since 1601-01-01 UTC, both decimal. Paths are full, with a drive letter. A
// later record of the same path (compared without regard to case) replaces an earlier one. The
// record is written as the work proceeds, so an installation that stops leaves the record of what
// it did.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/file_stream.h"

namespace zev::setup {

constexpr const char* kManifestName = "uninstall.zev";
constexpr const char* kManifestHeader = "ZEV Setup uninstall manifest 1";
// A record file larger than this, or with more records, is refused: it comes from a folder that
// anyone may write.
constexpr std::size_t kMaxRecordFileBytes = 8 << 20;
constexpr std::size_t kMaxRecords = 100000;

enum class TRecordKind { rkFile, rkLink, rkFolder };

struct TManifestRecord {
  TRecordKind kind = TRecordKind::rkFile;
  std::string path;
  std::int64_t size = 0;
  std::int64_t modified = 0;
};

struct TManifest {
  bool valid = false;                   // the text began with the header line
  std::vector<TManifestRecord> records;  // the last record of each path, in the order paths first came
  std::vector<std::string> problems;     // "line 7: ..." for every line that was not understood
};

// True for a path that starts with a drive letter, ":" and a separator.
bool IsFullWindowsPath(const std::string& path);

// Reads a manifest's text; never throws. More than kMaxRecords records make it invalid.
TManifest ParseManifest(const std::string& text);
// One record as a line, without its line end.
std::string FormatRecord(const TManifestRecord& record);

// Writes the manifest of one installation.
class TManifestWriter {
 public:
  // Starts installDir\uninstall.zev. The records of an earlier installation into the same folder
  // are carried over: a file that this run keeps (the user answered No) is still the one the
  // earlier run placed, with the size and time recorded then. Records made before Open (the
  // folders made for the installation folder itself) are written first.
  void Open(const std::string& installDir);
  bool IsOpen() const { return stream_ != nullptr; }

  // Each records the entry as it stands now, when it is what the record says (a plain file or
  // folder, reached without a symbolic link); false when it is not and nothing was recorded.
  bool RecordFile(const std::string& path);
  bool RecordLink(const std::string& path);
  bool RecordFolder(const std::string& path);

  // Why the manifest stopped being written (a failed write), once; empty otherwise.
  std::string TakeProblem();

 private:
  bool RecordStamped(TRecordKind kind, const std::string& path);
  void Put(const TManifestRecord& record);
  void WriteLine(const std::string& line);

  std::string fileName_;
  std::vector<TManifestRecord> pending_;
  std::unique_ptr<platform::FileStream> stream_;
  std::string problem_;
  bool failed_ = false;
};

// The levels of some folders that do not exist yet, so that the ones that the work in between
// creates can be recorded. A path that leads through a symbolic link is left out: what lies
// behind the link is not the installation's to record.
class TFolderWatch {
 public:
  void Add(const std::string& folder);
  // Records every watched level that now exists as a folder, each once, shallowest first.
  void RecordCreated(TManifestWriter& writer);

 private:
  std::vector<std::string> missing_;
};

}  // namespace zev::setup
