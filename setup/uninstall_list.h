// The uninstall list, uninstall.cfg in the installation folder, as the installation worker writes
// it. Its image is kept in memory and written through the profile rules only where a failure must
// not lose it (before a question box, when the run ends or stops), so that recording N files
// costs O(N) instead of a rewrite of the whole file, with its sync, for every record.
#pragma once

#include <string>

#include "platform/ini_file.h"

namespace zev::setup {

class TUninstallList {
 public:
  // Opens the list: reads the file as it stands (a missing one is empty), erases the sections
  // "UNINS" and "Folders" of an earlier installation and records the folder's "*.*" entry, then
  // writes the list at once, so that a list that cannot be written stops the run before anything
  // is copied. Throws EProfileWriteError.
  void Open(const std::string& fileName, const std::string& installDir);
  bool IsOpen() const { return !fileName_.empty(); }

  // Records a key. One that the profile rules refuse (it would not read back as written) stops
  // the run: what was recorded before it is written first, then EProfileWriteError is thrown.
  void Write(const std::string& section, const std::string& key, const std::string& value = "");
  // Writes the list when it changed since it was last written. Throws EProfileWriteError.
  void Flush();

 private:
  std::string fileName_;
  platform::IniFile image_;
  bool changed_ = false;
};

}  // namespace zev::setup
