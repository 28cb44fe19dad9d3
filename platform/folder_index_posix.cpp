#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <map>
#include <mutex>
#include <set>
#include <unordered_map>
#include <utility>

#include "platform/descriptor_posix.h"
#include "platform/folder_index.h"
#include "platform/folder_index_posix.h"
#include "platform/path_names.h"
#include "platform/text.h"

namespace fs = std::filesystem;

namespace zev::platform {
namespace {

// What changes whenever an entry of the folder is added, removed or renamed. The kernel gives a
// folder a fresh, fine-grained time on a change after its times were looked at, so two changes
// cannot hide behind one time stamp.
struct Stamp {
  struct timespec mtime {}, ctime{};
  off_t size = 0;
  nlink_t links = 0;

  static Stamp Of(const struct stat& st) { return {st.st_mtim, st.st_ctim, st.st_size, st.st_nlink}; }
  bool operator==(const Stamp& o) const {
    return mtime.tv_sec == o.mtime.tv_sec && mtime.tv_nsec == o.mtime.tv_nsec && ctime.tv_sec == o.ctime.tv_sec &&
           ctime.tv_nsec == o.ctime.tv_nsec && size == o.size && links == o.links;
  }
};

struct Folder {
  Stamp stamp;
  // Folded Windows name -> the host names that fold to it (sorted: the first one wins).
  std::unordered_map<std::string, std::set<std::string>> names;
};

using FolderKey = std::pair<dev_t, ino_t>;

// Bounds the memory a hostile tree can make the index hold: past this many folders it starts over.
constexpr std::size_t kMaxFolders = 64;

std::map<FolderKey, Folder>& Folders() {
  static std::map<FolderKey, Folder> folders;
  return folders;
}

// Files are opened and created on several threads at once (the archive writer compresses members
// in parallel): the index, and the count of listings, are touched under this lock only.
std::mutex& IndexLock() {
  static std::mutex lock;
  return lock;
}

std::uint64_t g_listings = 0;

std::optional<std::string> Folded(const std::string& hostName) {
  auto ansi = Utf8ToWin1252(hostName);
  if (!ansi) return std::nullopt;
  return UpperCase(*ansi);
}

// Reads the folder's names into a fresh index entry.
Folder* Build(int dirFd, const struct stat& st) {
  ++g_listings;
  auto& folders = Folders();
  if (folders.size() >= kMaxFolders) folders.clear();
  Folder& folder = folders[{st.st_dev, st.st_ino}];
  folder.names.clear();
  folder.stamp = Stamp::Of(st);
  const int fd = ::openat(dirFd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  DIR* dir = fd >= 0 ? ::fdopendir(fd) : nullptr;
  if (!dir) {
    if (fd >= 0) ::close(fd);
    folders.erase({st.st_dev, st.st_ino});
    return nullptr;
  }
  while (const struct dirent* entry = ::readdir(dir)) {
    const std::string name = entry->d_name;
    if (name == "." || name == "..") continue;
    if (auto folded = Folded(name)) folder.names[*folded].insert(name);
  }
  ::closedir(dir);
  return &folder;
}

// The index of the folder, built or rebuilt when the folder changed behind its back.
Folder* IndexOf(int dirFd) {
  struct stat st;
  if (::fstat(dirFd, &st) != 0 || !S_ISDIR(st.st_mode)) return nullptr;
  auto it = Folders().find({st.st_dev, st.st_ino});
  if (it != Folders().end() && it->second.stamp == Stamp::Of(st)) return &it->second;
  return Build(dirFd, st);
}

// Applies this process's own change to the folder's index, if it has one, and takes the
// folder's new stamp as the one the index stands for.
void Note(int dirFd, const std::string& hostName, bool added) {
  struct stat st;
  if (::fstat(dirFd, &st) != 0) return;
  std::lock_guard lock(IndexLock());
  auto it = Folders().find({st.st_dev, st.st_ino});
  if (it == Folders().end()) return;
  auto folded = Folded(hostName);
  if (folded) {
    auto& names = it->second.names;
    if (added) {
      names[*folded].insert(hostName);
    } else if (auto entry = names.find(*folded); entry != names.end()) {
      entry->second.erase(hostName);
      if (entry->second.empty()) names.erase(entry);
    }
  }
  it->second.stamp = Stamp::Of(st);
}

int OpenFolder(const fs::path& path) { return ::open(path.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC); }

void NoteAt(const fs::path& hostPath, bool added) {
  const Descriptor folder(OpenFolder(hostPath.parent_path()));
  if (folder.valid()) Note(folder.get(), hostPath.filename().string(), added);
}

}  // namespace

std::optional<std::string> FindEntryNoCase(int dirFd, const std::string& hostName, const std::string& name) {
  struct stat st;
  if (::fstatat(dirFd, hostName.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0) return hostName;
  std::lock_guard lock(IndexLock());
  Folder* folder = IndexOf(dirFd);
  if (!folder) return std::nullopt;
  auto it = folder->names.find(UpperCase(name));
  if (it == folder->names.end() || it->second.empty()) return std::nullopt;
  return *it->second.begin();
}

std::optional<std::string> FindHostEntryNoCase(const fs::path& folder, const std::string& utf8Name) {
  const Descriptor fd(OpenFolder(folder));
  if (!fd.valid()) return std::nullopt;
  if (auto name = Utf8ToWin1252(utf8Name)) return FindEntryNoCase(fd.get(), utf8Name, *name);
  struct stat st;
  if (::fstatat(fd.get(), utf8Name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0) return utf8Name;
  return std::nullopt;
}

void NoteEntryAdded(const fs::path& hostPath) { NoteAt(hostPath, true); }
void NoteEntryRemoved(const fs::path& hostPath) { NoteAt(hostPath, false); }
void NoteEntryAddedAt(int dirFd, const std::string& hostName) { Note(dirFd, hostName, true); }

std::uint64_t FolderListings() {
  std::lock_guard lock(IndexLock());
  return g_listings;
}

}  // namespace zev::platform
