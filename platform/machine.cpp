#include "platform/machine.h"

#include <cstdlib>
#include <system_error>

#include "platform/error.h"
#include "platform/host_names.h"
#include "platform/path_names.h"
#include "platform/text.h"

namespace fs = std::filesystem;

namespace zev::platform {
namespace {

char DriveLetter(char c) {
  if (c >= 'a' && c <= 'z') return static_cast<char>(c - 'a' + 'A');
  if (c >= 'A' && c <= 'Z') return c;
  return 0;
}

bool HasDrivePrefix(const std::string& path) { return path.size() >= 2 && DriveLetter(path[0]) && path[1] == ':'; }

// Applies the components of text to parts the way Windows does: empty and "." components vanish,
// ".." removes the previous one but never climbs above the root.
void ApplyComponents(std::vector<std::string>& parts, const std::string& text) {
  std::size_t start = 0;
  while (start <= text.size()) {
    std::size_t end = start;
    while (end < text.size() && !IsPathSeparator(text[end])) ++end;
    std::string part = text.substr(start, end - start);
    if (part == "..") {
      if (!parts.empty()) parts.pop_back();
    } else if (!part.empty() && part != ".") {
      parts.push_back(std::move(part));
    }
    start = end + 1;
  }
}

fs::path Normalised(const fs::path& path) {
  fs::path p = fs::absolute(path).lexically_normal();
  if (!p.has_filename() && p != p.root_path()) p = p.parent_path();
  return p;
}

// A host path for a message. Windows cannot give every path as narrow text.
std::string Shown(const fs::path& path) {
  try {
    return path.string();
  } catch (const std::exception&) {
    return "(a path with characters outside the code page)";
  }
}

// The real location of a drive folder, so that resolved links can be compared with it.
fs::path RealFolder(const fs::path& folder) {
  std::error_code ec;
  fs::path real = fs::canonical(folder, ec);
  if (ec) real = fs::weakly_canonical(folder, ec);
  return ec ? folder : real;
}

}  // namespace

bool Machine::IsInside(const fs::path& path, const fs::path& folder) {
  auto f = folder.begin();
  auto p = path.begin();
  for (; f != folder.end(); ++f, ++p) {
    if (f->empty()) continue;  // the trailing "" of a folder written with a final slash
    if (p == path.end() || !SameHostComponent(*p, *f)) return false;
  }
  return true;
}

std::string Machine::Shortened(const std::string& path) {
  return path.size() > 80 ? path.substr(0, 77) + "..." : path;
}

Machine& Machine::Current() {
  static Machine machine;
  return machine;
}

void Machine::Configure(const fs::path& machineDir, const fs::path& startDir) {
  drives_.clear();
  hostDrives_.clear();
  {
    std::lock_guard lock(cacheLock_.mutex);
    realRoots_.clear();
  }
  media_.clear();
  windowsDirMade_ = false;
  MapHostDrives();
  if (!machineDir.empty()) {
    fs::path driveC = Normalised(machineDir) / "drive_c";
    std::error_code ec;
    fs::create_directories(driveC, ec);
    if (ec || !fs::is_directory(driveC, ec)) throw Exception("Cannot create the machine folder " + driveC.string());
    MapDrive('C', driveC);
  }
  fs::path start = Normalised(startDir);
  try {
    current_ = ToWindowsPath(start);
  } catch (const Exception&) {
    MapDrive('A', start);
    current_ = "A:\\";
  }
}

void Machine::MapDrive(char letter, const fs::path& hostDir) {
  char drive = DriveLetter(letter);
  if (!drive) throw Exception(std::string("Invalid drive letter: ") + letter);
  drives_[drive] = Normalised(hostDir);
  hostDrives_.erase(drive);
  std::lock_guard lock(cacheLock_.mutex);
  realRoots_.erase(drive);
}

fs::path Machine::DriveRoot(char drive) const {
  {
    std::lock_guard lock(cacheLock_.mutex);
    if (auto it = realRoots_.find(drive); it != realRoots_.end()) return it->second;
  }
  const fs::path& folder = drives_.at(drive);
  // The root of a drive of the host's own is real as it stands (and may hold no disk).
  if (hostDrives_.count(drive)) return folder;
  fs::path real = RealFolder(folder);
  // Kept only once the folder exists: until then its real place may still change.
  std::error_code ec;
  if (fs::is_directory(real, ec)) {
    std::lock_guard lock(cacheLock_.mutex);
    realRoots_[drive] = real;
  }
  return real;
}

std::optional<fs::path> Machine::DriveFolder(char letter) const {
  auto it = drives_.find(DriveLetter(letter));
  if (it == drives_.end()) return std::nullopt;
  return it->second;
}

std::vector<char> Machine::Drives() const {
  std::vector<char> letters;
  for (const auto& entry : drives_) letters.push_back(entry.first);
  return letters;
}

std::string Machine::CurrentDirectory() const { return current_; }

void Machine::SetCurrentDirectory(const std::string& windowsPath) {
  std::string full;
  std::error_code ec;
  try {
    full = ExpandFileName(windowsPath);
    if (!fs::is_directory(ToHostPath(full), ec)) throw EInOutError(3);
  } catch (const Exception&) {
    throw EInOutError(3);
  }
  current_ = full;
}

std::string Machine::ExpandFileName(const std::string& path) const {
  char drive;
  std::string rest;
  std::vector<std::string> parts;
  bool relative;
  if (HasDrivePrefix(path)) {
    drive = DriveLetter(path[0]);
    rest = path.substr(2);
    relative = rest.empty() || !IsPathSeparator(rest[0]);
    // "C:name" is relative to the current directory only when that lies on C:.
    if (relative && !(HasDrivePrefix(current_) && current_[0] == drive)) relative = false;
  } else {
    if (!HasDrivePrefix(current_)) throw Exception("No current directory for " + path);
    drive = current_[0];
    rest = path;
    relative = rest.empty() || !IsPathSeparator(rest[0]);
  }
  if (relative) ApplyComponents(parts, current_.substr(2));
  ApplyComponents(parts, rest);
  std::string full{drive, ':', '\\'};
  for (std::size_t i = 0; i < parts.size(); ++i) {
    if (i) full += '\\';
    full += parts[i];
  }
  return full;
}

fs::path Machine::ToHostPath(const std::string& windowsPath) const { return Resolve(windowsPath, WalkMode::Follow); }
fs::path Machine::ToHostPathNoFollow(const std::string& windowsPath) const {
  return Resolve(windowsPath, WalkMode::KeepLastLink);
}
void Machine::CreateDirectories(const std::string& windowsPath) { Resolve(windowsPath, WalkMode::Create); }

void Machine::SetMedia(char letter, bool media) {
  const char drive = DriveLetter(letter);
  if (media) media_.insert(drive);
  else media_.erase(drive);
}

bool Machine::IsMedia(char letter) const { return media_.count(DriveLetter(letter)) != 0; }

fs::path Machine::Resolve(const std::string& windowsPath, WalkMode mode) const {
  const std::string full = ExpandFileName(windowsPath);
  auto drive = drives_.find(full[0]);
  if (drive == drives_.end()) throw Exception(std::string("Drive ") + full[0] + ": is not mapped: " + full);
  if (full[0] == 'C' && full.size() > kMaxPathLength)
    throw Exception("Path longer than " + std::to_string(kMaxPathLength) + " characters: " + Shortened(full));
  std::vector<std::string> parts;
  ApplyComponents(parts, full.substr(2));
  for (const auto& part : parts)
    if (!IsValidWindowsName(part)) throw Exception("Invalid file name: " + full);

  return Walk(DriveRoot(drive->first), parts, mode, full);
}

std::string Machine::ToWindowsPath(const fs::path& hostPath) const {
  const fs::path path = Normalised(hostPath);
  char bestDrive = 0;
  std::size_t bestDepth = 0;
  auto consider = [&](char letter, const fs::path& folder) {
    if (!IsInside(path, folder)) return;
    std::size_t depth = static_cast<std::size_t>(std::distance(folder.begin(), folder.end()));
    if (bestDrive && depth <= bestDepth) return;  // the deepest folder wins; ties go to the lower letter
    bestDrive = letter;
    bestDepth = depth;
  };
  for (const auto& [letter, folder] : drives_) {
    consider(letter, folder);
    consider(letter, DriveRoot(letter));
  }
  if (!bestDrive) throw Exception("Not on any drive: " + Shown(hostPath));

  std::string windows{bestDrive, ':', '\\'};
  bool first = true;
  // The components below the drive's folder (counted, not compared: the host may spell the
  // folder in another case).
  auto component = path.begin();
  for (std::size_t skip = 0; skip < bestDepth && component != path.end(); ++skip) ++component;
  for (; component != path.end(); ++component) {
    if (component->empty() || *component == ".") continue;
    auto ansi = WindowsName(*component);
    if (!ansi || !IsValidWindowsName(*ansi)) throw Exception("Not a valid Windows file name: " + Shown(hostPath));
    if (!first) windows += '\\';
    windows += *ansi;
    first = false;
  }
  return windows;
}

bool Machine::HasSystemWindowsDirectory() const {
  const auto system = HostWindowsDirectory();
  return system && hostDrives_.count(DriveLetter((*system)[0]));
}

std::string Machine::WindowsDirectory() {
  if (HasSystemWindowsDirectory()) return *HostWindowsDirectory();
  static const std::string kWindows = "C:\\WINDOWS";
  if (!windowsDirMade_) {
    try {
      std::error_code ec;
      fs::create_directories(ToHostPath(kWindows), ec);
      windowsDirMade_ = !ec;
    } catch (const Exception&) {
      // No C: drive yet: the callers fail clearly when they use the folder.
    }
  }
  return kWindows;
}

}  // namespace zev::platform
