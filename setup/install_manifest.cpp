#include "setup/install_manifest.h"

#include <algorithm>
#include <charconv>
#include <unordered_map>
#include <utility>

#include "platform/error.h"
#include "platform/machine.h"
#include "platform/no_link_files.h"
#include "platform/path_names.h"
#include "platform/text.h"

namespace zev::setup {
namespace {

constexpr const char* kKindNames[] = {"file", "link", "folder"};

std::vector<std::string> SplitTabs(const std::string& line) {
  std::vector<std::string> fields;
  std::size_t start = 0;
  for (;;) {
    const std::size_t tab = line.find('\t', start);
    fields.push_back(line.substr(start, tab == std::string::npos ? std::string::npos : tab - start));
    if (tab == std::string::npos) return fields;
    start = tab + 1;
  }
}

// A decimal number without sign or blanks that fits into 63 bits.
bool ParseCount(const std::string& text, std::int64_t& value) {
  if (text.empty() || text.size() > 19 || text.find_first_not_of("0123456789") != std::string::npos) return false;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  return error == std::errc() && end == text.data() + text.size();
}

// Why the fields do not make a record, or empty when they do.
std::string ReadRecord(const std::vector<std::string>& fields, TManifestRecord& record) {
  const std::string& kind = fields[0];
  if (kind == "folder") {
    if (fields.size() != 2) return "a folder record has two fields";
    record.kind = TRecordKind::rkFolder;
  } else if (kind == "file" || kind == "link") {
    if (fields.size() != 4) return "a " + kind + " record has four fields";
    record.kind = kind == "file" ? TRecordKind::rkFile : TRecordKind::rkLink;
    if (!ParseCount(fields[1], record.size)) return "the size is no number";
    if (!ParseCount(fields[2], record.modified)) return "the time is no number";
  } else {
    return "unknown record \"" + kind.substr(0, 20) + "\"";
  }
  record.path = fields.back();
  if (!IsFullWindowsPath(record.path)) return "the path is not a full path with a drive letter";
  return "";
}

}  // namespace

bool IsFullWindowsPath(const std::string& path) {
  if (path.size() < 3 || path[1] != ':' || !platform::IsPathSeparator(path[2])) return false;
  const char letter = path[0];
  return (letter >= 'A' && letter <= 'Z') || (letter >= 'a' && letter <= 'z');
}

TManifest ParseManifest(const std::string& text) {
  TManifest manifest;
  if (text.size() > kMaxRecordFileBytes) {
    manifest.problems.push_back("larger than " + std::to_string(kMaxRecordFileBytes) + " bytes");
    return manifest;
  }
  std::unordered_map<std::string, std::size_t> index;  // upper-cased path -> record
  std::size_t start = 0, number = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(start, end - start);
    start = end + 1;
    ++number;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (number == 1) {
      if (line != kManifestHeader) {
        manifest.problems.push_back("line 1: not the header \"" + std::string(kManifestHeader) + "\"");
        return manifest;
      }
      manifest.valid = true;
      continue;
    }
    if (line.empty()) continue;
    TManifestRecord record;
    if (const std::string problem = ReadRecord(SplitTabs(line), record); !problem.empty()) {
      manifest.problems.push_back("line " + std::to_string(number) + ": " + problem);
      continue;
    }
    const auto [it, added] = index.emplace(UpperCase(record.path), manifest.records.size());
    if (!added) {
      manifest.records[it->second] = std::move(record);
      continue;
    }
    if (manifest.records.size() == kMaxRecords) {
      manifest.problems.push_back("more than " + std::to_string(kMaxRecords) + " records");
      manifest.valid = false;
      manifest.records.clear();
      return manifest;
    }
    manifest.records.push_back(std::move(record));
  }
  if (!manifest.valid) manifest.problems.push_back("empty");
  return manifest;
}

std::string FormatRecord(const TManifestRecord& record) {
  const std::string kind = kKindNames[static_cast<int>(record.kind)];
  if (record.kind == TRecordKind::rkFolder) return kind + "\t" + record.path;
  return kind + "\t" + std::to_string(record.size) + "\t" + std::to_string(record.modified) + "\t" + record.path;
}

void TManifestWriter::Open(const std::string& installDir) {
  fileName_ = installDir + "\\" + kManifestName;
  std::string text = std::string(kManifestHeader) + "\r\n";
  std::string earlier;
  if (platform::ReadFileNoLinks(fileName_, kMaxRecordFileBytes, earlier).empty()) {
    const TManifest manifest = ParseManifest(earlier);
    if (manifest.valid)
      for (const TManifestRecord& record : manifest.records) text += FormatRecord(record) + "\r\n";
  }
  for (const TManifestRecord& record : pending_) text += FormatRecord(record) + "\r\n";
  pending_.clear();
  try {
    stream_ = std::make_unique<platform::FileStream>(fileName_, platform::fmCreate);
  } catch (const Exception& e) {
    failed_ = true;
    problem_ = e.Message();
    return;
  }
  WriteLine(text);
}

bool TManifestWriter::RecordFile(const std::string& path) { return RecordStamped(TRecordKind::rkFile, path); }
bool TManifestWriter::RecordLink(const std::string& path) { return RecordStamped(TRecordKind::rkLink, path); }

bool TManifestWriter::RecordStamped(TRecordKind kind, const std::string& path) {
  const platform::EntryFacts facts = platform::LookUpNoLinks(path);
  if (facts.kind != platform::EntryKind::File) return false;
  Put({kind, platform::Machine::Current().ExpandFileName(path), facts.size, facts.modified});
  return true;
}

bool TManifestWriter::RecordFolder(const std::string& path) {
  if (platform::LookUpNoLinks(path).kind != platform::EntryKind::Folder) return false;
  Put({TRecordKind::rkFolder, platform::Machine::Current().ExpandFileName(path), 0, 0});
  return true;
}

void TManifestWriter::Put(const TManifestRecord& record) {
  if (stream_) WriteLine(FormatRecord(record) + "\r\n");
  else if (!failed_) pending_.push_back(record);
}

void TManifestWriter::WriteLine(const std::string& line) {
  if (failed_ || !stream_) return;
  // Written at once, record by record: a run that stops leaves every record made before.
  if (stream_->Write(line.data(), line.size()) != line.size()) {
    failed_ = true;
    problem_ = "Stream write error: " + fileName_;
    stream_.reset();
  }
}

std::string TManifestWriter::TakeProblem() { return std::exchange(problem_, std::string()); }

void TFolderWatch::Add(const std::string& folder) {
  std::string full;
  try {
    full = platform::Machine::Current().ExpandFileName(folder);
  } catch (const Exception&) {
    return;
  }
  const platform::EntryFacts facts = platform::LookUpNoLinks(full);
  if (facts.kind != platform::EntryKind::Missing) return;
  // The levels below the deepest existing folder, each as a full path.
  std::size_t level = 0;
  for (std::size_t i = 3; i <= full.size(); ++i) {
    if (i != full.size() && full[i] != '\\') continue;
    if (++level <= facts.existingFolders) continue;
    const std::string path = full.substr(0, i);
    if (std::none_of(missing_.begin(), missing_.end(), [&](const std::string& m) { return SameText(m, path); }))
      missing_.push_back(path);
  }
}

void TFolderWatch::RecordCreated(TManifestWriter& writer) {
  std::stable_sort(missing_.begin(), missing_.end(), [](const std::string& a, const std::string& b) {
    return std::count(a.begin(), a.end(), '\\') < std::count(b.begin(), b.end(), '\\');
  });
  for (const std::string& path : missing_) writer.RecordFolder(path);
  missing_.clear();
}

}  // namespace zev::setup
