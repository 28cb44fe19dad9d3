// Where a removal may act, whatever its records say. uninstall.cfg and uninstall.zev lie in a
// folder that the user and other programs can write, so every path they name is checked after
// "." and ".." are resolved: a file only inside the installation folder, or a shortcut file in
// the Desktop or Start Menu trees, or (recorded by the manifest) a file below the Windows folder;
// a folder likewise, and never the Windows folder, the Desktop, the Start Menu or its Programs
// folder themselves, nor a drive root.
#pragma once

#include <string>

#include "setup/install_manifest.h"

namespace zev::setup {

// Where a record came from: the manifest lists what the installation itself placed; the keys of
// uninstall.cfg say less and are trusted less.
enum class TRecordSource { rsManifest, rsUninstallList };

// What a path is checked against.
struct TPlaces {
  std::string installDir;  // full, without a trailing "\"
  std::string windowsDir;
  std::string desktop;
  std::string startMenu;
  std::string programs;

  // The places on this machine for an installation folder (a full Windows path).
  static TPlaces For(const std::string& installDir);

  // Why no file at path (full) may be removed, or empty when it may.
  std::string FileRefusal(const std::string& path, TRecordSource source) const;

  enum class TFolderVerdict { fvRemove, fvStays, fvRefused };
  // Whether the folder at path (full) may be removed when empty: fvStays for the folders every
  // installation shares (a drive root, the Windows folder, the Desktop, the Start Menu and its
  // Programs folder; an empty program folder name records those) and the folders above the
  // installation folder, which other things may use; fvRefused for a folder elsewhere. why says
  // why a folder is not removed.
  TFolderVerdict FolderVerdict(const std::string& path, TRecordSource source, std::string& why) const;

  // Why the installation folder itself cannot be one (a drive root, the Windows folder or a folder
  // every installation shares, or one above the Windows folder), or empty.
  std::string InstallDirRefusal() const;
};

// True when inner lies below outer (not at it); paths are full, compared without regard to case.
bool IsBelow(const std::string& inner, const std::string& outer);
// True for a shortcut file: ".lnk" or ".pif".
bool IsShortcutFile(const std::string& path);

// A key of the "UNINS" section, read as the worker writes them.
struct TUninstallKey {
  enum TForm { ukFile, ukAllFiles, ukShortcuts, ukRefused } form = ukRefused;
  std::string path;     // ukFile: the file; ukAllFiles, ukShortcuts: the folder (full, resolved)
  std::string name;     // ukShortcuts: the shortcut's name without extension
  std::string problem;  // ukRefused: why
};
// "C:\App\*.*" (every file of the folder), "C:\WINDOWS\Desktop\Tool.*" (the shortcut files of
// that name), or a plain file; any other wildcard, and a path without a drive, is refused.
TUninstallKey ReadUninstallKey(const std::string& key);

}  // namespace zev::setup
