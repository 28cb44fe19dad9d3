// TUninstaller: removes what one installation placed, from the records it left in the installation
// folder. With the manifest (uninstall.zev) it removes the files and shortcut files listed there
// that still have the size and time they had when placed, then the folders listed there and in the
// "Folders" section of uninstall.cfg, each only when empty and deepest first (sub-folders of the
// installation folder that the removal emptied included), then the two records and the
// installation folder when it is empty. A file that changed since is kept; so is one that
// uninstall.cfg records and the manifest does not, and whatever else the installation folder holds.
// Without a manifest (an installation by an earlier version) uninstall.cfg alone is followed:
// "DIR\*.*" stands for the files of DIR that the install.cfg copy names, plus the companion files;
// "DIR\NAME.*" for the shortcut files NAME.lnk and NAME.pif; a plain key for that file. Either way
// the rules of TPlaces decide where anything may be removed, and nothing is reached through a
// symbolic link. INI values written at installation are not recorded and stay as they are.
#pragma once

#include <cstddef>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "setup/install_manifest.h"
#include "setup/uninstall_rules.h"

namespace zev::setup {

// An entry the removal left in place, and why.
struct TKeptEntry {
  std::string path;
  std::string reason;
  bool failed = false;  // the removal was wanted but the host refused it (in use, no permission)
};

// One entry handled, for a progress display.
struct TUninstallStep {
  std::string path;
  bool removed = false;  // false: kept (see Kept())
  std::size_t done = 0;
  std::size_t total = 0;
};

class TUninstaller {
 public:
  // installDir: the installation folder as a full Windows path.
  explicit TUninstaller(const std::string& installDir);

  enum class TLoad {
    ldLoaded,
    ldNothingToRemove,  // no uninstall.cfg there (or no folder at all): Problem() says so
    ldRefused,          // the folder or its records cannot be trusted: Problem() says why
  };
  // Reads uninstall.cfg, the manifest and, without a manifest, the install.cfg copy.
  TLoad Load();
  const std::string& Problem() const { return problem_; }
  const std::string& InstallDir() const { return places_.installDir; }
  // The "Name" entry of uninstall.cfg, else the installation folder's name.
  std::string PackageName() const;
  bool HasManifest() const { return hasManifest_; }

  // Removes what the records allow; dry: decides the same without changing anything.
  void Run(bool dry);

  std::function<void(const TUninstallStep&)> OnStep;
  const std::vector<std::string>& Removed() const { return removed_; }
  const std::vector<TKeptEntry>& Kept() const { return kept_; }
  // Lines for the log: records that were not understood, folders left alone.
  const std::vector<std::string>& Notes() const { return notes_; }

 private:
  struct Folder {
    std::string path;
    TRecordSource source;
    bool derived;  // emptied by this removal rather than recorded
  };

  void RemoveManifestFiles();
  void HandleUninstallKeys();
  void HandleKey(const TUninstallKey& key, const std::string& written);
  void RemoveFolders();
  void RemoveRecords();
  void ListLeftovers(const std::string& folder, std::size_t& budget, int depth);

  // Removes (or, dry, judges) one file; expected: the size and time it must still have.
  void RemoveFile(const std::string& path, TRecordSource source, const TManifestRecord* expected);
  // Removes (or judges) one empty folder; true when it is (or would be) gone.
  bool RemoveFolder(const std::string& path, bool listNotEmpty);
  bool WouldBeEmpty(const std::string& path);
  void AddFolder(const std::string& path, TRecordSource source, bool derived);
  void Removed(const std::string& path);
  void Keep(const std::string& path, const std::string& reason, bool failed = false);
  void Step(const std::string& path, bool removed);
  bool IsRecordFile(const std::string& path) const;
  bool InManifest(const std::string& path) const;

  TPlaces places_;
  bool dry_ = false;
  bool hasManifest_ = false;
  std::string problem_;
  std::string name_;
  std::vector<std::string> keys_;           // "UNINS", as written
  std::vector<std::string> folderKeys_;     // "Folders", as written
  std::vector<TManifestRecord> manifest_;
  std::set<std::string> manifestPaths_;     // upper-cased full paths
  std::vector<std::string> packageNames_;   // without a manifest: file names the install.cfg copy lists
  std::vector<Folder> folders_;
  std::set<std::string> gone_;              // upper-cased paths removed (or, dry, that would be)
  std::set<std::string> listed_;            // upper-cased paths already kept
  std::vector<std::string> removed_;
  std::vector<TKeptEntry> kept_;
  std::vector<std::string> notes_;
  std::size_t done_ = 0;
  std::size_t total_ = 0;
};

}  // namespace zev::setup
