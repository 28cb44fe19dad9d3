#include "platform/files.h"

#include <algorithm>
#include <system_error>

#include "platform/dos_time.h"
#include "platform/error.h"
#include "platform/host_names.h"
#include "platform/machine.h"
#include "platform/path_names.h"
#include "platform/text.h"

namespace fs = std::filesystem;

namespace zev::platform {
namespace {

// Host path of a Windows path, or nothing when it cannot be reached: these calls report failure
// instead of throwing.
std::optional<fs::path> HostOf(const std::string& path, bool follow = true) {
  try {
    return follow ? Machine::Current().ToHostPath(path) : Machine::Current().ToHostPathNoFollow(path);
  } catch (const Exception&) {
    return std::nullopt;
  }
}

std::optional<HostEntry> EntryOf(const std::string& path) {
  auto host = HostOf(path);
  return host ? HostEntryOf(*host) : std::nullopt;
}

// The entry when it is a file, not a directory.
std::optional<HostEntry> FileOf(const std::string& path) {
  auto entry = EntryOf(path);
  return entry && !entry->directory ? entry : std::nullopt;
}

bool IsDriveRoot(const fs::path& host) {
  for (char letter : Machine::Current().Drives()) {
    auto folder = Machine::Current().DriveFolder(letter);
    std::error_code ec;
    if (folder && fs::equivalent(*folder, host, ec)) return true;
  }
  return false;
}

}  // namespace

bool FileExists(const std::string& path) { return FileOf(path).has_value(); }

std::int64_t FileSize(const std::string& path) {
  auto file = FileOf(path);
  return file ? file->size : -1;
}

std::int32_t FileAge(const std::string& path) {
  auto file = FileOf(path);
  return file ? ToDosDateTime(file->modified) : -1;
}

bool DeleteFile(const std::string& path) {
  auto host = HostOf(path, false);
  return host && DeleteHostFile(*host);
}

bool ReplaceFile(const std::string& source, const std::string& target) {
  auto from = HostOf(source, false);
  auto to = HostOf(target, false);
  return from && to && RenameHostFile(*from, *to);
}

bool CreateDirectory(const std::string& path) {
  auto host = HostOf(path, false);
  return host && CreateHostDirectory(*host);
}

bool RemoveDirectory(const std::string& path) {
  auto host = HostOf(path, false);
  return host && !IsDriveRoot(*host) && RemoveHostDirectory(*host);
}

std::int64_t DiskFree(int drive) {
  Machine& machine = Machine::Current();
  char letter;
  if (drive == 0) {
    const std::string current = machine.CurrentDirectory();
    if (current.empty()) return -1;
    letter = current[0];
  } else if (drive >= 1 && drive <= 26) {
    letter = static_cast<char>('A' + drive - 1);
  } else {
    return -1;
  }
  auto folder = machine.DriveFolder(letter);
  return folder ? HostFreeSpace(*folder) : -1;
}

std::int64_t DiskFreeAt(const std::string& path) {
  auto host = HostOf(path, false);
  return host ? HostFreeSpaceFor(*host) : -1;
}

std::vector<SearchRec> FindFiles(const std::string& pattern, std::uint32_t attributeMask) {
  std::vector<SearchRec> found;
  std::string folder, mask;
  try {
    const std::string full = Machine::Current().ExpandFileName(pattern);
    // A pattern that ends in a separator names no entries, as on Windows.
    if (!pattern.empty() && IsPathSeparator(pattern.back())) return found;
    const std::size_t cut = full.find_last_of('\\');
    folder = full.substr(0, cut == 2 ? 3 : cut);
    mask = full.substr(cut + 1);
  } catch (const Exception&) {
    return found;
  }
  if (mask.empty()) return found;
  auto host = HostOf(folder);
  std::error_code ec;
  if (!host || !fs::is_directory(*host, ec)) return found;

  const std::uint32_t excluded = ~attributeMask & (faHidden | faSysFile | faVolumeID | faDirectory);
  auto consider = [&](const std::string& name, std::optional<fs::path> real) {
    if (!MatchesMask(name, mask)) return;
    // Entries are reached through the machine again, so a link that leaves the drive is left out.
    if (!real) real = HostOf(folder + (folder.size() == 3 ? "" : "\\") + name);
    const std::optional<HostEntry> entry = real ? HostEntryOf(*real) : std::nullopt;
    if (!entry) return;
    const std::uint32_t attributes = HostFileAttributes(*real);
    if (attributes == kInvalidAttributes || (attributes & excluded)) return;
    SearchRec rec;
    rec.Name = name;
    rec.Attr = attributes;
    rec.Size = entry->directory ? 0 : entry->size;
    rec.Time = ToDosDateTime(entry->modified);
    found.push_back(std::move(rec));
  };

  if (folder.size() > 3) {
    consider(".", *host);
    consider("..", host->parent_path());
  }
  for (fs::directory_iterator it(*host, ec), end; !ec && it != end; it.increment(ec)) {
    auto name = WindowsName(it->path().filename());
    if (name && IsValidWindowsName(*name)) consider(*name, std::nullopt);
  }
  std::sort(found.begin(), found.end(), [](const SearchRec& a, const SearchRec& b) {
    const std::string ua = UpperCase(a.Name), ub = UpperCase(b.Name);
    return ua != ub ? ua < ub : a.Name < b.Name;
  });
  return found;
}

}  // namespace zev::platform
