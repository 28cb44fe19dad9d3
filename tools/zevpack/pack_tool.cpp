#include "tools/zevpack/pack_tool.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <map>
#include <memory>
#include <optional>
#include <system_error>
#include <vector>

#include "compress/compress.h"
#include "platform/disk_folders.h"
#include "platform/files.h"
#include "platform/folder_index.h"
#include "platform/host_names.h"
#include "platform/host.h"
#include "platform/machine.h"
#include "platform/path_names.h"
#include "platform/private_folder.h"
#include "platform/process.h"
#include "platform/text.h"
#include "segment/segment.h"
#include "tools/tool_support.h"

namespace zev::tools {

namespace fs = std::filesystem;

namespace {

constexpr const char* kTool = "zevpack";
// The drive the set is read from; a disk change re-points it to the next disk's folder.
constexpr char kSetDrive = 'B';

std::string Lower(const std::string& hostName) {
  auto name = platform::WindowsText(hostName);
  return name ? LowerCase(*name) : hostName;
}

// The entry of folder whose name equals name ignoring case, if any (exact case first), when it
// is of the wanted kind. Looked up by name: a disk change must not read every folder beside it.
std::optional<fs::path> FindEntry(const fs::path& folder, const std::string& name, bool wantDirectory) {
  const auto found = platform::FindHostEntryNoCase(folder, name);
  std::error_code error;
  if (!found || fs::is_directory(folder / *found, error) != wantDirectory) return std::nullopt;
  return folder / *found;
}

// The number of a segment file name "<base>.<digits>" (at least three digits), or 0.
unsigned SegmentNumberOf(const std::string& fileName, const std::string& base) {
  const std::string lower = Lower(fileName), prefix = Lower(base) + ".";
  if (lower.size() < prefix.size() + 3 || lower.compare(0, prefix.size(), prefix) != 0) return 0;
  const std::string digits = lower.substr(prefix.size());
  if (digits.size() > 5 || !std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; }))
    return 0;
  return static_cast<unsigned>(std::stoul(digits));
}

bool StartsWithSegmentMagic(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  char magic[4] = {};
  return in.read(magic, 4) && std::equal(magic, magic + 4, "SSeg");
}

// Removes segment files of this set's name left in folder by an earlier, longer build.
void RemoveStaleSegments(const fs::path& folder, const std::string& base, unsigned keepFrom, unsigned keepTo) {
  std::error_code error;
  std::vector<fs::path> stale;
  for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
    const unsigned n = SegmentNumberOf(it->path().filename().string(), base);
    if (n != 0 && (n < keepFrom || n > keepTo) && it->is_regular_file(error) && StartsWithSegmentMagic(it->path()))
      stale.push_back(it->path());
  }
  for (const fs::path& file : stale) fs::remove(file, error);
}

// Answers the reader's boxes on the terminal: the tool cannot wait for a disk to be inserted
// once standard input has ended, so a box with Cancel is cancelled. Such a box tells the user
// which buttons to press; the terminal has none, so only its first line, what went wrong, is said.
class TerminalHost : public platform::Host {
 public:
  void ProcessMessages() override {}
  platform::ModalResult MessageBox(const std::string& text, const std::string&, platform::MsgKind,
                                   unsigned buttons) override {
    const bool cancelled = (buttons & platform::mbCancel) != 0;
    std::string line;
    for (char c : text + "\n") {
      if (c == '\r') continue;
      if (c != '\n') {
        line += c;
        continue;
      }
      ReportError(kTool, "", Printable(line));
      if (cancelled) break;
      line.clear();
    }
    return cancelled ? platform::ModalResult::Cancel : platform::DefaultButton(buttons);
  }
  bool InputQuery(const std::string&, const std::string&, std::string&) override { return false; }
  void Repaint() override {}
  platform::Cursor GetCursor() override { return platform::Cursor::Default; }
  void SetCursor(platform::Cursor) override {}
};

// Finds each segment: in the folder of the disk before, in the side-by-side folders of a set
// made with --disk-folders, or in a folder typed on the terminal.
class DiskLocator {
 public:
  explicit DiskLocator(fs::path setDir) : setDir_(std::move(setDir)) {}

  void BeforeSegment(const std::string& segName, std::uint16_t number) {
    const std::string name = platform::HostText(segName);
    for (;;) {
      auto& machine = platform::Machine::Current();
      const fs::path current = *machine.DriveFolder(kSetDrive);
      if (FindEntry(current, name, false)) return;
      for (const fs::path& parent : {setDir_, setDir_.parent_path()})
        if (const auto disk = platform::FindDiskFolder(parent, number, name)) {
          machine.MapDrive(kSetDrive, *disk);
          return;
        }
      if (inputEnded_) return;
      ProgressLine::ClearActive();
      std::fprintf(stderr,
                   "%s: %s (disk %u) is not in %s\n"
                   "Press Enter to look again, type the folder that holds it, or end the input (Ctrl-D) to cancel.\n"
                   "Folder of disk %u: ",
                   kTool, name.c_str(), static_cast<unsigned>(number), current.string().c_str(), static_cast<unsigned>(number));
      std::fflush(stderr);
      std::string line;
      if (!std::getline(std::cin, line)) {
        inputEnded_ = true;
        std::fputs("\n", stderr);
        return;
      }
      if (line.empty()) continue;
      std::error_code error;
      const fs::path folder = fs::absolute(line).lexically_normal();
      if (!fs::is_directory(folder, error)) {
        ReportError(kTool, line, "not a folder");
        continue;
      }
      machine.MapDrive(kSetDrive, folder);
    }
  }

 private:
  fs::path setDir_;
  bool inputEnded_ = false;
};

// Sets up a reader on the set folder; returns false (reported) when the folder is unusable.
bool PrepareReader(segment::TSegCompEZ& reader, const ReadOptions& options, const fs::path& setDir,
                   const std::string& tempWindows) {
  std::error_code error;
  if (!fs::is_directory(setDir, error)) {
    ReportError(kTool, options.setDir.string(), "not a folder");
    return false;
  }
  platform::Machine::Current().MapDrive(kSetDrive, setDir);
  platform::Machine::Current().SetMedia(kSetDrive, true);
  reader.SegPopUp = false;
  reader.SetSegBaseName(*platform::WindowsText(options.baseName));
  reader.SetSegDir(std::string(1, kSetDrive) + ":\\");
  reader.SetSegTmpDir(tempWindows);
  reader.ExceptionOnFileError = true;
  // A member may declare up to 2 GiB: refuse it up front when the target cannot hold it.
  reader.CheckSpaceBeforeExpand = true;
  return true;
}

// What reading a disk set needs, alive as long as the reader: a private temporary folder, the
// terminal in place of message boxes, and the locator that finds each further disk.
struct SetReading {
  explicit SetReading(const fs::path& setDir)
      : setDir(setDir), tempWindows(WindowsPathOf(temp.Path())), scoped(host), locator(setDir) {
    reader.OnSegBefore = [this](segment::TSegMode, const std::string& name, std::uint16_t n) {
      locator.BeforeSegment(name, n);
    };
  }
  SetReading(const SetReading&) = delete;
  SetReading& operator=(const SetReading&) = delete;
  // Maps the set's drive and sets the reader up; false (reported) when the folder is unusable.
  bool Prepare(const ReadOptions& options) { return PrepareReader(reader, options, setDir, tempWindows); }

  fs::path setDir;
  platform::ScopedTempDir temp{"zevpack-"};
  std::string tempWindows;
  TerminalHost host;
  platform::ScopedHost scoped;
  segment::TSegCompEZ reader;
  DiskLocator locator;
};

// Shows the extraction on the progress line. The set's lists name its files but not their sizes,
// so the percentage counts files (each a hundred units, filled by the codec's own percentage),
// and the throughput is what has reached the target folder so far (target ends in a backslash).
void FollowExtraction(segment::TSegCompEZ& reader, ProgressLine& progress, const std::string& target) {
  reader.OnSegBeforeExpand = [&progress](segment::TSegArcList& list) {
    std::int64_t files = 0;
    for (std::size_t i = 0; i < list.Count(); ++i) files += static_cast<std::int64_t>(list[i].FileList.Count());
    progress.Begin(files * 100);
  };
  struct Written {
    std::int64_t before = 0;
    std::string current;  // the Windows path of the file being written
  };
  auto written = std::make_shared<Written>();
  auto sizeOf = [](const std::string& windowsPath) -> std::int64_t {
    return windowsPath.empty() ? 0 : std::max<std::int64_t>(platform::FileSize(windowsPath), 0);
  };
  progress.CountBytesWith([written, sizeOf] { return written->before + sizeOf(written->current); });
  reader.OnCheckFile = [&progress, target, written, sizeOf, check = std::move(reader.OnCheckFile)](
                           std::string& path, compress::TCProcessMode mode) {
    check(path, mode);
    if (path.empty()) return;
    written->before += sizeOf(written->current);
    written->current = path;
    progress.StartFile(Printable(path.compare(0, target.size(), target) == 0 ? path.substr(target.size()) : path), 100);
  };
  reader.OnShowProgress = [&progress](std::int32_t& percent) { progress.FilePercent(percent); };
}

}  // namespace

namespace {

// A failure already reported to the user: unwinds to the command's end with exit 1.
struct Reported {};

// Runs a command's work and turns what it throws into one error line and exit 1: the project's
// errors about subject() (their Windows paths shown as the user typed them), file-system errors
// about the path they name.
template <class Work, class Subject>
int ReportingErrors(const TypedPaths& typed, Subject subject, Work work) {
  try {
    return work();
  } catch (const Reported&) {
    return kExitFailure;
  } catch (const Exception& e) {
    ReportError(kTool, subject(), typed.Host(e.Message()));
    return kExitFailure;
  } catch (const fs::filesystem_error& e) {
    ReportError(kTool, e.path1().string(), e.code().message());
    return kExitFailure;
  }
}

[[noreturn]] void Fail(const std::string& subject, const std::string& message) {
  ReportError(kTool, subject, message);
  throw Reported{};
}

// Every file of the package but the two that lie beside the segments, by its stored name: empty
// files first, the rest in stored-name order.
std::vector<compress::ArchiveSource> CollectPackageFiles(const BuildOptions& options, const fs::path& package,
                                                         TypedPaths& typed) {
  std::vector<compress::ArchiveSource> sources;
  std::map<std::string, std::string> flatNames;  // lower-cased file name -> stored name
  for (fs::recursive_directory_iterator it(package), end; it != end; ++it) {
    if (it->is_directory()) continue;
    const fs::path relative = it->path().lexically_relative(package);
    const std::string lowerTop = Lower(relative.string());
    if (lowerTop == "install.cfg" || lowerTop == "install.exe") continue;
    if (!it->is_regular_file()) Fail(Printable(it->path().string()), "not a regular file");
    const std::string stored = StoredNameOf(relative);
    if (stored.empty())
      Fail(it->path().string(), "name cannot be stored in an archive (not a Windows-1252 file name)");
    const std::string flat = LowerCase(platform::FileNamePart(stored));
    auto [previous, inserted] = flatNames.emplace(flat, stored);
    if (!inserted)
      Fail(Printable(stored), "has the same file name as " + Printable(previous->second) +
                                  ": the setup program puts every file into one folder, so one would replace the other");
    sources.push_back({typed.Windows(options.packageDir / relative), stored});
  }
  std::sort(sources.begin(), sources.end(), [](const auto& a, const auto& b) { return a.storedName < b.storedName; });
  // The expander stops as soon as the sizes it has written reach the archive's total, so an
  // empty file after the last byte would never be written: empty files go first.
  std::stable_partition(sources.begin(), sources.end(),
                        [](const auto& s) { return platform::FileSize(s.path) == 0; });
  if (!sources.empty() && platform::FileSize(sources.back().path) == 0)
    Fail(options.packageDir.string(), "every file of the package is empty: an archive of them would expand nothing");
  return sources;
}

// The program copied beside the first segment as install.exe: the one given, else zev-setup
// beside this program, else none.
fs::path FindSetupProgram(const BuildOptions& options) {
  std::error_code error;
  if (!options.setupProgram.empty()) {
    if (!fs::is_regular_file(options.setupProgram, error)) Fail(options.setupProgram.string(), "setup program not found");
    return options.setupProgram;
  }
  const fs::path folder = platform::ProgramDirectory();
  const fs::path program = folder / platform::ProgramFileName("zev-setup");
  if (!folder.empty() && fs::is_regular_file(program, error)) return program;
  return {};
}

// Moves segment 2 and up into folders disk2, disk3 ... beside disk1, and clears what an earlier
// build left in disk folders: stale segments, and disk folders beyond the last that only held them.
void LayOutDiskFolders(const fs::path& out, const std::vector<std::string>& segments, const std::string& base) {
  const auto count = static_cast<unsigned>(segments.size());
  for (unsigned n = 2; n <= count; ++n) {
    const fs::path disk = out / ("disk" + std::to_string(n));
    fs::create_directories(disk);
    const fs::path written = platform::Machine::Current().ToHostPath(segments[n - 1]);
    fs::rename(written, disk / written.filename());
  }
  std::error_code error;
  for (fs::directory_iterator it(out, error), end; !error && it != end; it.increment(error)) {
    const std::string name = Lower(it->path().filename().string());
    if (!it->is_directory() || name.compare(0, 4, "disk") != 0 || name.size() > 9 || name.size() < 5 ||
        !std::all_of(name.begin() + 4, name.end(), [](char c) { return c >= '0' && c <= '9'; }))
      continue;
    const unsigned n = static_cast<unsigned>(std::stoul(name.substr(4)));
    if (n <= count) {
      RemoveStaleSegments(it->path(), base, n, n);
    } else {
      RemoveStaleSegments(it->path(), base, 1, 0);
      fs::remove(it->path(), error);  // only when nothing else is in it
    }
  }
}

}  // namespace

int BuildDiskSet(const BuildOptions& options) {
  const fs::path package = fs::absolute(options.packageDir).lexically_normal();
  const fs::path out = fs::absolute(options.outDir).lexically_normal();
  std::string subject;
  TypedPaths typed;
  return ReportingErrors(typed, [&] { return subject; }, [&] {
    std::error_code error;
    if (!fs::is_directory(package, error)) Fail(options.packageDir.string(), "not a folder");
    const auto config = FindEntry(package, "install.cfg", false);
    if (!config) Fail(options.packageDir.string(), "no install.cfg in the package folder");
    const std::vector<compress::ArchiveSource> sources = CollectPackageFiles(options, package, typed);
    const fs::path setupProgram = FindSetupProgram(options);

    fs::create_directories(out);
    const fs::path firstDisk = options.diskFolders ? out / "disk1" : out;
    fs::create_directories(firstDisk);
    platform::ScopedTempDir temp{"zevpack-"};

    segment::TSegCompress writer;
    writer.SetSegBaseName(*platform::WindowsText(options.baseName));
    writer.SetSegSize(options.segSize);
    writer.SetSegDir(WindowsPathOf(firstDisk));
    writer.SetSegTmpDir(WindowsPathOf(temp.Path()));
    const std::string base = platform::HostText(writer.SegBaseName());

    segment::TSegBuildArc arc;
    arc.Template = writer.SegBaseName() + ".arc";
    arc.ArchiveFile = WindowsPathOf(temp.Path() / (base + ".arc"));
    for (const auto& source : sources) arc.FileNames.push_back(source.storedName);
    subject = "archive";
    {
      compress::TCompress packer;
      packer.Level = options.level;
      packer.Threads = options.jobs;
      ProgressLine progress(options.progress);
      FollowCompression(packer, sources, progress);
      packer.CompressFiles(arc.ArchiveFile, sources, options.method);
    }
    subject = "segments";
    const std::vector<std::string> segments = writer.SegBuildArcs({arc});
    const auto count = static_cast<unsigned>(segments.size());
    if (options.diskFolders) {
      LayOutDiskFolders(out, segments, base);
    } else {
      RemoveStaleSegments(out, base, 1, count);
    }

    subject = "install.cfg";
    fs::copy_file(*config, firstDisk / "install.cfg", fs::copy_options::overwrite_existing);
    if (!setupProgram.empty()) {
      subject = "install.exe";
      fs::copy_file(setupProgram, firstDisk / "install.exe", fs::copy_options::overwrite_existing);
    } else {
      ReportError(kTool, "", "install.exe left out: the setup program is not built yet");
    }
    std::printf("%zu file(s) in %u segment(s) of at most %d bytes: %s\n", sources.size(), count,
                static_cast<int>(options.segSize), out.string().c_str());
    return kExitOk;
  });
}

int ListDiskSet(const ReadOptions& options) {
  const fs::path setDir = fs::absolute(options.setDir).lexically_normal();
  const TypedPaths typed;
  return ReportingErrors(typed, [&] { return options.setDir.string(); }, [&] {
    SetReading set(setDir);
    if (!set.Prepare(options)) return kExitFailure;
    segment::TSegCompEZ& reader = set.reader;
    // The scan entries say everything there is to list: the archives themselves are not read.
    reader.OnSegBeforeExpand = [](segment::TSegArcList& list) {
      for (std::size_t i = 0; i < list.Count(); ++i) {
        std::printf("%s (%zu file(s))\n", Printable(list[i].Template).c_str(), list[i].FileList.Count());
        for (const std::string& name : list[i].FileList.Strings()) std::printf("  %s\n", Printable(name).c_str());
      }
      list.Clear();
    };
    reader.SegExpand();
    return kExitOk;
  });
}

int ExtractDiskSet(const ReadOptions& options) {
  const fs::path setDir = fs::absolute(options.setDir).lexically_normal();
  int failures = 0;
  std::string current;
  TypedPaths typed;
  return ReportingErrors(typed, [&] { return current.empty() ? options.setDir.string() : Printable(current); }, [&] {
    fs::create_directories(options.targetDir);
    // Windows paths are taken before the set's drive is mapped, so that none of them lies on it.
    std::string target = typed.Windows(options.targetDir);
    if (target.back() != '\\') target += '\\';
    SetReading set(setDir);
    if (!set.Prepare(options)) return kExitFailure;
    segment::TSegCompEZ& reader = set.reader;
    reader.OnCheckFile = [&](std::string& path, compress::TCProcessMode) {
      // Back to the stored name: the template's folder is the installing machine's business.
      const std::string& prefix = reader.TargetPath();
      current = !prefix.empty() && path.compare(0, prefix.size(), prefix) == 0 ? path.substr(prefix.size()) : path;
      const std::string reason = UnsafeNameReason(current);
      if (!reason.empty()) {
        ReportError(kTool, Printable(current), reason);
        ++failures;
        path.clear();
        return;
      }
      path = target + current;
    };
    ProgressLine progress(options.progress);
    FollowExtraction(reader, progress, target);
    reader.SegExpand();
    return failures ? kExitFailure : kExitOk;
  });
}

}  // namespace zev::tools
