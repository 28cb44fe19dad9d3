#include "setup/uninstall_list.h"

#include "platform/profile.h"

namespace zev::setup {

void TUninstallList::Open(const std::string& fileName, const std::string& installDir) {
  if (!platform::ReadPrivateProfile(fileName, image_)) throw platform::EProfileWriteError(fileName);
  fileName_ = fileName;
  for (const char* section : {"UNINS", "Folders"}) image_.EraseSection(section);
  changed_ = true;
  Write("UNINS", installDir + "\\*.*");
  Flush();
}

void TUninstallList::Write(const std::string& section, const std::string& key, const std::string& value) {
  if (!image_.SetValue(section, key, value)) {
    Flush();
    throw platform::EProfileWriteError(fileName_);
  }
  changed_ = true;
}

void TUninstallList::Flush() {
  if (!changed_) return;
  if (!platform::WritePrivateProfile(fileName_, image_)) throw platform::EProfileWriteError(fileName_);
  changed_ = false;
}

}  // namespace zev::setup
