#include "tools/zevarc/archive_tool.h"

#include <algorithm>
#include <cinttypes>
#include <cstdio>
#include <map>
#include <system_error>

#include "compress/errors.h"
#include "platform/file_stream.h"
#include "platform/path_names.h"
#include "tools/tool_support.h"

namespace zev::tools {

namespace fs = std::filesystem;
using compress::TMemberHeader;

namespace {

constexpr const char* kTool = "zevarc";

constexpr const char* kStoredSizesDiffer = "stored data and file size differ: the archive is damaged";

// A stored member holds its file as it is, so its two sizes must agree.
bool StoredSizesDiffer(const TMemberHeader& member) {
  return member.MethodNumber == compress::coNone && member.CompressedSize != member.UncompressedSize;
}

std::string MethodName(std::uint8_t method) {
  return method < compress::MethodIDs.size() ? compress::MethodIDs[method] : "#" + std::to_string(method);
}

std::string FormatDosDate(std::int32_t packed) {
  auto value = static_cast<std::uint32_t>(packed);
  unsigned date = value >> 16, time = value & 0xFFFF;
  char text[32];
  std::snprintf(text, sizeof text, "%04u-%02u-%02u %02u:%02u:%02u", 1980 + (date >> 9), (date >> 5) & 15, date & 31,
                time >> 11, (time >> 5) & 63, (time & 31) * 2);
  return text;
}

std::string FormatAttributes(std::int16_t attributes) {
  static const char kLetters[] = "RHS-DA";
  std::string text;
  for (int bit = 0; bit < 6; ++bit)
    if (bit != 3) text += (attributes >> bit) & 1 ? kLetters[bit] : '.';
  return text;
}

}  // namespace

ArchiveTool::ArchiveTool(fs::path archive, ArchiveToolOptions options)
    : archive_(std::move(archive)),
      archiveName_(archive_.string()),
      options_(std::move(options)),
      archiveWindows_(typed_.Windows(archive_)),
      progress_(options_.progress) {
  Key = options_.key;
  Level = options_.level;
  Threads = options_.jobs;
  OnShowProgress = [this](std::int32_t& percentage) { progress_.FilePercent(percentage); };
}

void ArchiveTool::Error(const std::string& subject, const std::string& message) const {
  ReportError(kTool, subject.empty() ? archiveName_ : archiveName_ + ": " + subject, typed_.Host(message));
}

bool ArchiveTool::ArchiveFound() const {
  std::error_code error;
  if (fs::exists(archive_, error)) return true;
  Error("", "No such file or directory");
  return false;
}

std::string ArchiveTool::UnsafeNameReason(const std::string& name) {
  return tools::UnsafeNameReason(name, "use --absolute-names");
}

int ArchiveTool::Create(const std::vector<fs::path>& inputs) {
  std::vector<compress::ArchiveSource> sources;
  std::error_code ignored;
  const fs::path archiveHost = fs::weakly_canonical(archive_, ignored);
  try {
    for (const fs::path& input : inputs) {
      fs::path absolute = fs::absolute(input).lexically_normal();
      if (absolute.filename().empty()) absolute = absolute.parent_path();
      std::error_code error;
      auto status = fs::status(absolute, error);
      if (!fs::exists(status)) {
        Error(input.string(), "No such file or directory");
        return kExitFailure;
      }
      // Names are stored relative to the argument's parent folder.
      const fs::path parent = absolute.parent_path();
      std::vector<fs::path> files;
      if (fs::is_directory(status)) {
        for (auto it = fs::recursive_directory_iterator(absolute); it != fs::recursive_directory_iterator(); ++it)
          if (it->is_regular_file()) files.push_back(it->path());
      } else {
        files.push_back(absolute);
      }
      std::vector<compress::ArchiveSource> group;
      for (const fs::path& file : files) {
        if (fs::weakly_canonical(file, ignored) == archiveHost) continue;
        std::string stored = StoredNameOf(file.lexically_relative(parent));
        if (stored.empty()) {
          Error(Printable(file.string()), "name cannot be stored in an archive (not a Windows-1252 file name)");
          return kExitFailure;
        }
        const fs::path typed = file == absolute ? input : input / file.lexically_relative(absolute);
        group.push_back({typed_.Windows(typed), stored});
      }
      std::sort(group.begin(), group.end(),
                [](const auto& a, const auto& b) { return a.storedName < b.storedName; });
      sources.insert(sources.end(), group.begin(), group.end());
    }
    FollowCompression(*this, sources, progress_);
    CompressFiles(archiveWindows_, sources, options_.method);
  } catch (const zev::Exception& e) {
    Error("", e.Message());
    return kExitFailure;
  } catch (const fs::filesystem_error& e) {
    Error(e.path1().string(), e.code().message());
    return kExitFailure;
  }
  return kExitOk;
}

int ArchiveTool::List() {
  if (!ArchiveFound()) return kExitFailure;
  TStringList members;
  std::string problem;
  try {
    ScanCompressedFile(archiveWindows_, members);
    problem = CompletenessProblem(archiveWindows_, true);
  } catch (const zev::Exception& e) {
    Error("", e.Message());
    return kExitFailure;
  }
  std::printf("%10s %10s %6s %-6s %-19s %-5s %-4s %s\n", "Original", "Packed", "Ratio", "Method", "Date", "Attr",
              "Lock", "Name");
  std::int64_t totalOriginal = 0, totalPacked = 0;
  for (std::size_t i = 0; i < members.Count(); ++i) {
    auto info = members.Object<compress::TCompressedFileInfo>(i);
    double ratio = info->UncompressedSize > 0 ? 100.0 * info->CompressedSize / info->UncompressedSize : 100.0;
    std::printf("%10" PRId32 " %10" PRId32 " %5.1f%% %-6s %-19s %-5s %-4s %s\n", info->UncompressedSize,
                info->CompressedSize, ratio, MethodName(info->MethodNumber).c_str(),
                FormatDosDate(info->FileDate).c_str(), FormatAttributes(info->Attributes).c_str(),
                info->Locked ? "yes" : "no", Printable(members[i]).c_str());
    totalOriginal += info->UncompressedSize;
    totalPacked += info->CompressedSize;
  }
  std::printf("%10" PRId64 " %10" PRId64 " %5.1f%% %zu file(s)\n", totalOriginal, totalPacked,
              totalOriginal > 0 ? 100.0 * static_cast<double>(totalPacked) / static_cast<double>(totalOriginal) : 100.0,
              members.Count());
  // A listing is read from the headers alone; the damage it can see there still fails it.
  if (!problem.empty()) {
    std::fflush(stdout);
    Error("", problem);
    return kExitFailure;
  }
  return kExitOk;
}

int ArchiveTool::Extract(const std::vector<std::string>& names) {
  if (!ArchiveFound()) return kExitFailure;
  int failures = 0;
  std::string current;
  try {
    const std::string& archive = archiveWindows_;
    fs::path target = options_.targetFolder.empty() ? fs::path(".") : options_.targetFolder;
    fs::create_directories(target);
    SetTargetPath(typed_.Windows(target));
    MakeDirectories = true;
    ExceptionOnFileError = true;
    // A member may declare up to 2 GiB: refuse it up front when the drive cannot hold it.
    CheckSpaceBeforeExpand = true;

    TStringList wanted, present;
    if (!names.empty() || options_.progress.show) ScanCompressedFile(archive, present);
    if (!names.empty()) {
      for (const std::string& name : names) {
        if (present.IndexOf(name) < 0) {
          Error(Printable(name), "not found in archive");
          ++failures;
        }
        wanted.Add(name);
      }
    }
    OnCheckFile = [&](std::string& path, compress::TCProcessMode) {
      const std::string& target = TargetPath();
      bool rooted = path.compare(0, target.size(), target) != 0;
      current = rooted ? path : path.substr(target.size());
      // --absolute-names lets a name leave the target folder, but not be malformed.
      std::string reason = options_.absoluteNames ? tools::MalformedNameReason(current) : UnsafeNameReason(current);
      if (reason.empty()) {
        // A name with a drive is a whole path of its own.
        if (options_.absoluteNames && current.size() > 1 && current[1] == ':') path = current;
        return;
      }
      Error(Printable(current), reason);
      ++failures;
      path.clear();
    };
    // The progress line follows the members that pass the check.
    std::map<std::string, std::int64_t> sizes;
    std::int64_t total = 0;
    for (std::size_t i = 0; i < present.Count(); ++i) {
      const std::int64_t size = present.Object<compress::TCompressedFileInfo>(i)->UncompressedSize;
      sizes[present[i]] = size;
      if (names.empty() || wanted.IndexOf(present[i]) >= 0) total += size;
    }
    progress_.Begin(total);
    OnCheckFile = [&, check = std::move(OnCheckFile)](std::string& path, compress::TCProcessMode mode) {
      check(path, mode);
      if (!path.empty()) progress_.StartFile(Printable(current), sizes[current]);
    };
    ExpandCompressedFile(archive, names.empty() ? nullptr : &wanted);
    // The component stops quietly where a damaged archive ends; the tool says so.
    current.clear();
    if (std::string problem = CompletenessProblem(archive, false); !problem.empty()) {
      Error("", problem);
      ++failures;
    }
  } catch (const zev::Exception& e) {
    Error(Printable(current), e.Message());
    return kExitFailure;
  } catch (const fs::filesystem_error& e) {
    Error(e.path1().string(), e.code().message());
    return kExitFailure;
  }
  return failures ? kExitFailure : kExitOk;
}

template <class Visit>
void ArchiveTool::ForEachMember(platform::Stream& archive, Visit visit) {
  std::int64_t size = archive.Size();
  if (size > 0 && size < static_cast<std::int64_t>(compress::kArchiveHeaderSize)) throw compress::EInvalidHeader();
  compress::TArchiveHeader header;
  std::string identifier = ReadArchiveHeader(archive, header);
  TMemberHeader member;
  std::string name;
  while (ReadMemberHeader(archive, member, name)) {
    std::int64_t data = archive.Position();
    visit(member, name, identifier);
    archive.SetPosition(data + member.CompressedSize);
  }
}

std::string ArchiveTool::CompletenessProblem(std::int64_t membersTotal, std::int32_t headerTotal) {
  if (membersTotal < headerTotal) return "archive ends early: its members hold " + std::to_string(membersTotal) +
                                         " of the " + std::to_string(headerTotal) + " bytes its header announces";
  if (membersTotal > headerTotal)
    return "the archive header's total size " + std::to_string(headerTotal) + " is below the members' " +
           std::to_string(membersTotal) + ": members would be left out on expansion";
  return {};
}

std::string ArchiveTool::CompletenessProblem(const std::string& archiveFile, bool everyByte) {
  platform::FileStream archive(archiveFile, platform::fmOpenRead | platform::fmShareDenyWrite);
  const std::int64_t size = archive.Size();
  std::int64_t total = 0;
  std::string problem;
  ForEachMember(archive, [&](const TMemberHeader& member, const std::string& name, const std::string&) {
    total += member.UncompressedSize;
    const std::int64_t present = size - archive.Position();
    if (everyByte && problem.empty() && present < member.CompressedSize)
      problem = Printable(name) + ": archive ends early: " + std::to_string(present) + " of its " +
                std::to_string(member.CompressedSize) + " bytes of data are there";
    if (problem.empty() && StoredSizesDiffer(member)) problem = Printable(name) + ": " + kStoredSizesDiffer;
  });
  if (!problem.empty()) return problem;
  archive.SetPosition(0);
  compress::TArchiveHeader header;
  ReadArchiveHeader(archive, header);
  return CompletenessProblem(total, header.TotalSize);
}

void ArchiveTool::DecodeAndVerify(platform::Stream& sink, platform::Stream& archive, const TMemberHeader& member,
                                  const std::string& identifier) {
  if (member.MethodNumber != compress::coNone) {
    ExpandMember(sink, archive, member, identifier);
    return;
  }
  if (StoredSizesDiffer(member)) throw Exception(kStoredSizesDiffer);
  // The reader never checks stored members; this writer stores their byte sum (plus the key
  // when locked), so a damaged byte shows here.
  SinkStream summing(SinkStream::To::Nowhere, true);
  std::int64_t left = member.CompressedSize;
  std::uint8_t block[8192];
  while (left > 0) {
    auto n = static_cast<std::size_t>(std::min<std::int64_t>(left, sizeof block));
    archive.ReadBuffer(block, n);
    sink.WriteBuffer(block, n);
    summing.WriteBuffer(block, n);
    left -= static_cast<std::int64_t>(n);
  }
  auto sum = static_cast<std::int32_t>(summing.Sum());
  auto keyed = static_cast<std::int32_t>(summing.Sum() + static_cast<std::uint32_t>(Key));
  if (sum == member.Checksum) return;
  if (member.LockMode <= 0) throw compress::EBadChecksum();
  if (Key == 0 || keyed != member.Checksum) throw compress::EInvalidKey();
}

int ArchiveTool::Print(const std::vector<std::string>& names) {
  if (!ArchiveFound()) return kExitFailure;
  int failures = 0;
  SinkStream out(SinkStream::To::StandardOutput);
  try {
    platform::FileStream archive(archiveWindows_, platform::fmOpenRead | platform::fmShareDenyWrite);
    archive.ReadAhead();
    TStringList wanted;
    for (const std::string& name : names) wanted.Add(name);
    std::vector<bool> found(names.size(), false);
    ForEachMember(archive, [&](const TMemberHeader& member, const std::string& name, const std::string& identifier) {
      std::ptrdiff_t index = wanted.IndexOf(name);
      if (!names.empty() && index < 0) return;
      if (index >= 0) found[static_cast<std::size_t>(index)] = true;
      try {
        DecodeAndVerify(out, archive, member, identifier);
      } catch (const zev::Exception& e) {
        Error(Printable(name), e.Message());
        ++failures;
      }
    });
    for (std::size_t i = 0; i < names.size(); ++i) {
      if (!found[i]) {
        Error(Printable(names[i]), "not found in archive");
        ++failures;
      }
    }
  } catch (const zev::Exception& e) {
    Error("", e.Message());
    return kExitFailure;
  }
  return failures ? kExitFailure : kExitOk;
}

int ArchiveTool::Test() {
  if (!ArchiveFound()) return kExitFailure;
  int failures = 0, members = 0, bad = 0;
  std::int64_t total = 0;
  SinkStream nowhere(SinkStream::To::Nowhere);
  try {
    platform::FileStream archive(archiveWindows_, platform::fmOpenRead | platform::fmShareDenyWrite);
    archive.ReadAhead();
    compress::TArchiveHeader announced;
    ReadArchiveHeader(archive, announced);
    progress_.Begin(announced.TotalSize);
    archive.SetPosition(0);
    ForEachMember(archive, [&](const TMemberHeader& member, const std::string& name, const std::string& identifier) {
      ++members;
      total += member.UncompressedSize;
      progress_.StartFile(Printable(name), member.UncompressedSize);
      try {
        DecodeAndVerify(nowhere, archive, member, identifier);
        progress_.Clear();
        std::printf("%s: OK\n", Printable(name).c_str());
      } catch (const zev::Exception& e) {
        Error(Printable(name), e.Message());
        ++bad;
      }
    });
    failures += bad;
    archive.SetPosition(0);
    compress::TArchiveHeader header;
    ReadArchiveHeader(archive, header);
    if (std::string problem = CompletenessProblem(total, header.TotalSize); !problem.empty()) {
      Error("", problem);
      ++failures;
    }
  } catch (const zev::Exception& e) {
    Error("", e.Message());
    return kExitFailure;
  }
  std::printf("%d member(s) tested, %d bad\n", members, bad);
  return failures ? kExitFailure : kExitOk;
}

}  // namespace zev::tools
