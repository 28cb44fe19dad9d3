// The machine the program believes it runs on: drive letters mapped onto host folders, and the
// translation of Windows paths (8-bit Windows-1252, "\" or "/" separated, case-insensitive) to host
// paths and back.
//
// On Linux every drive is a folder of the host (UTF-8, case-sensitive names), and the program
// finds names without regard to case itself.
//
// On Windows the machine is the real one. Configure gives it the system's own drives, each letter
// standing for itself, so that a Windows path is its own host path; the start folder is where the
// program started and becomes the current directory, and is mapped to A: only when it lies on no
// drive (a network share). MapDrive still substitutes a folder for a letter, for this program
// alone, as the system's "subst" does: the tools use it for the disk set they read, and tests for
// a machine in a temporary folder (Configure with a machine folder puts C: there). The setup program
// never re-points a drive on Windows, where the letter of a disk cannot be changed: the disk change
// reads the next disk from its sibling folder by name (disk_folders.h).
#pragma once

#include <filesystem>
#include <cstdint>
#include <map>
#include <mutex>
#include <set>
#include <optional>
#include <string>
#include <vector>

namespace zev::platform {

class Machine {
 public:
  // The machine the program runs on. It has no drives until Configure or MapDrive is called, so
  // nothing is touched on the host before the program (or a test) says where the machine lives.
  static Machine& Current();

  // machineDir holds drive_c (C: = machineDir/drive_c, created if missing); an empty machineDir
  // leaves C: to the host (Windows; Linux has no drive of its own). startDir becomes A: unless it
  // lies on a drive, and is the current directory either way. Forgets every other mapping.
  void Configure(const std::filesystem::path& machineDir, const std::filesystem::path& startDir);
  // Linux: $ZEV_MACHINE, else $XDG_DATA_HOME/zev-setup/machine, else
  // ~/.local/share/zev-setup/machine. Windows: empty, the real machine.
  static std::filesystem::path DefaultMachineDir();

  // Maps (or re-points, as on a disk change) a drive letter, 'A'..'Z' in either case; throws
  // zev::Exception on any other letter.
  void MapDrive(char letter, const std::filesystem::path& hostDir);
  std::optional<std::filesystem::path> DriveFolder(char letter) const;
  std::vector<char> Drives() const;  // upper-case letters, sorted

  // Host path of a Windows path (relative ones are taken from the current directory). Existing
  // components are found without regard to case; ".." stops at the drive root; symbolic links are
  // followed only while they stay inside the drive's folder. Throws zev::Exception for a path on
  // an unmapped drive, one that would leave its drive, and one on C: longer than MAX_PATH allows
  // (kMaxPathLength characters; the host folders above a drive do not count). The path is walked
  // down once from the drive's root, so its cost grows with its depth and no faster.
  std::filesystem::path ToHostPath(const std::string& windowsPath) const;
  // The same, but a symbolic link in the last component is left as it is (not followed): for
  // creating and deleting entries without acting through a link.
  std::filesystem::path ToHostPathNoFollow(const std::string& windowsPath) const;
  // Windows path of a host path. Throws zev::Exception when the path lies outside every drive or
  // a component cannot be a Windows name (not Windows-1252, or holding \ : * ? " < > | or a
  // control character).
  std::string ToWindowsPath(const std::filesystem::path& hostPath) const;

  // The current directory as a full Windows path ("A:\" or "C:\Program Files").
  std::string CurrentDirectory() const;
  // Throws EInOutError(3) (path not found) when windowsPath is not an existing directory.
  void SetCurrentDirectory(const std::string& windowsPath);
  // Full, normalised Windows path: drive letter upper-case, "\" separators, "." and ".." resolved
  // (never above the root), no trailing "\" except at a root. Relative paths are taken from the
  // current directory; "" gives the current directory.
  std::string ExpandFileName(const std::string& path) const;

  // The system's Windows directory when its drive is the host's own (Windows), else "C:\WINDOWS",
  // created on first use.
  std::string WindowsDirectory();
  // True when WindowsDirectory is the system's own folder (Windows, with C: left as the system's
  // drive); false when it is the stand-in's C:\WINDOWS inside a machine folder.
  bool HasSystemWindowsDirectory() const;

  // Creates every missing folder of the path in one walk down from its drive's root, following
  // links as ToHostPath does. Throws zev::Exception saying why when a level cannot be created or
  // is no folder, or when the path is refused.
  void CreateDirectories(const std::string& windowsPath);

  // Drives that hold setup media (the start folder, a disk set): read from, never a target.
  // Configure forgets the marks; re-pointing a drive keeps its mark.
  void SetMedia(char letter, bool media);
  bool IsMedia(char letter) const;

  // Path components looked up so far: the work path resolution does, for tests that count it.
  std::uint64_t ComponentLookups() const {
    std::lock_guard lock(cacheLock_.mutex);
    return lookups_;
  }

 private:
  enum class WalkMode { Follow, KeepLastLink, Create };
  std::filesystem::path Resolve(const std::string& windowsPath, WalkMode mode) const;
  // The host side (machine_posix.cpp, machine_win32.cpp).
  //
  // Walks the components of the full Windows path down from the drive's real folder, finding each
  // without regard to case. Throws zev::Exception as Resolve does.
  std::filesystem::path Walk(const std::filesystem::path& root, const std::vector<std::string>& parts,
                             WalkMode mode, const std::string& full) const;
  // Maps the drives the host has itself onto their own roots (Windows; none on Linux).
  void MapHostDrives();
  // The system's Windows directory, when the host has one.
  static std::optional<std::string> HostWindowsDirectory();

  // True when path lies in (or is) folder; both are absolute and normalised.
  static bool IsInside(const std::filesystem::path& path, const std::filesystem::path& folder);
  // A path cut to a length that a message can hold.
  static std::string Shortened(const std::string& path);
  // The real location of a mapped drive's folder (links resolved), so that resolved links can be
  // compared with it; worked out once per mapping.
  std::filesystem::path DriveRoot(char drive) const;

  // A lock that a copy of the machine gets afresh: tests save and restore the machine by value.
  struct CacheLock {
    std::mutex mutex;
    CacheLock() = default;
    CacheLock(const CacheLock&) {}
    CacheLock& operator=(const CacheLock&) { return *this; }
  };

  std::map<char, std::filesystem::path> drives_;
  std::set<char> hostDrives_;  // the letters that stand for the host's own drives
  std::set<char> media_;
  // Filled in while paths are resolved, which may happen on several threads at once (the archive
  // writer opens members in parallel): touched under cacheLock_ only.
  mutable std::map<char, std::filesystem::path> realRoots_;
  mutable std::uint64_t lookups_ = 0;
  mutable CacheLock cacheLock_;
  std::string current_;
  bool windowsDirMade_ = false;
};

}  // namespace zev::platform
