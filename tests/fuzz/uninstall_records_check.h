// Properties of a removal driven by hostile records. The input is uninstall.cfg's text, then
// (after a NUL, when there is one) the text of uninstall.zev; both go into the installation folder
// C:\App of a fresh machine that also holds files below the Windows folder, the Desktop and the
// Start Menu, a folder C:\Other outside, and a link from the installation folder to it. Every file
// has the same modification time, so that records can name it exactly.
//
// Only the program's own errors may end the run. A dry run changes nothing. The removal creates
// and rewrites nothing, follows and removes no link, takes nothing outside the installation
// folder but shortcut files in the Desktop and the Start Menu and, with a manifest, what lies
// below the Windows folder, and never the Windows folder, the Desktop, the Start Menu or its
// Programs folder themselves.
#pragma once

#include <fcntl.h>
#include <sys/stat.h>

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <map>
#include <string>

#include "platform/text.h"
#include "setup/install_manifest.h"
#include "setup/uninstaller.h"
#include "tests/fuzz/fuzz_support.h"
#include "tests/support/scoped_machine.h"

namespace zev::fuzz {

// The time every file of the tree has: 2001-09-09 01:46:40 UTC, in Windows' units.
inline constexpr std::int64_t kRecordsFileTime = (1000000000LL + 11644473600LL) * 10000000LL;

// Every entry below root with what it is: a file's bytes, "<folder>" or "<link>".
inline std::map<std::string, std::string> Snapshot(const std::filesystem::path& root) {
  std::map<std::string, std::string> entries;
  std::error_code ec;
  for (auto it = std::filesystem::recursive_directory_iterator(root, ec);
       !ec && it != std::filesystem::recursive_directory_iterator(); it.increment(ec)) {
    const std::string path = it->path().lexically_relative(root).generic_string();
    if (it->is_symlink()) entries[path] = "<link>";
    else if (it->is_directory()) entries[path] = "<folder>";
    else entries[path] = ReadHostFile(it->path());
  }
  return entries;
}

inline void PlantRecordsTree(platform::ScopedMachine& machine, const std::string& list, const std::string* manifest) {
  namespace fs = std::filesystem;
  const fs::path c = machine.DriveC();
  RemoveChildren(c);
  auto put = [&](const std::string& path, const std::string& content) { WriteHostFile(c / path, content); };
  put("App/a.txt", "a");
  put("App/sub/b.txt", "bb");
  put("App/install.cfg", "[Files]\r\nF1=a.txt~<INSTALLDIR>\r\nF2=sub\\b.txt~<SUB1>\r\n");
  put("App/uninstall.cfg", list);
  if (manifest) put("App/uninstall.zev", *manifest);
  put("WINDOWS/win.ini", "w");
  put("WINDOWS/System/s.dll", "s");
  put("WINDOWS/Desktop/A.lnk", "l");
  put("WINDOWS/Desktop/user.txt", "u");
  put("WINDOWS/Start Menu/Programs/Tools/A.lnk", "l");
  put("Other/victim.txt", "v");
  put("Other/v.lnk", "l");
  fs::create_directory_symlink(c / "Other", c / "App" / "lnk");
  const struct timespec times[2] = {{1000000000, 0}, {1000000000, 0}};
  std::error_code ec;
  for (auto it = fs::recursive_directory_iterator(c, ec); !ec && it != fs::recursive_directory_iterator(); it.increment(ec))
    if (it->is_regular_file()) ::utimensat(AT_FDCWD, it->path().c_str(), times, 0);
}

inline Verdict CheckUninstallRecords(platform::ScopedMachine& machine, const std::uint8_t* data, std::size_t size) {
  const std::string input(reinterpret_cast<const char*>(data), size);
  const std::size_t nul = input.find('\0');
  const std::string list = input.substr(0, nul);
  const std::string manifestText = nul == std::string::npos ? "" : input.substr(nul + 1);
  const std::string* manifest = nul == std::string::npos ? nullptr : &manifestText;
  const bool trustsManifest = manifest && setup::ParseManifest(manifestText).valid;

  PlantRecordsTree(machine, list, manifest);
  const std::map<std::string, std::string> before = Snapshot(machine.DriveC());
  for (const bool dry : {true, false}) {
    setup::TUninstaller uninstaller("C:\\App");
    Verdict verdict = OnlyOwnExceptions(dry ? "dry run" : "removal", [&] {
      if (uninstaller.Load() == setup::TUninstaller::TLoad::ldLoaded) uninstaller.Run(dry);
    });
    if (!verdict.empty()) return verdict;
    const std::map<std::string, std::string> after = Snapshot(machine.DriveC());
    if (dry && after != before) return "the dry run changed the machine";
    for (const auto& [path, what] : after) {
      const auto old = before.find(path);
      if (old == before.end()) return "the removal created " + path;
      if (old->second != what) return "the removal changed " + path;
    }
    for (const auto& entry : before) {
      const std::string& path = entry.first;
      const std::string& what = entry.second;
      if (after.count(path)) continue;
      auto below = [&path](const std::string& folder) { return path.rfind(folder + "/", 0) == 0; };
      const std::string upper = UpperCase(path);
      const bool shortcut = what != "<folder>" && upper.size() > 4 &&
                            (upper.compare(upper.size() - 4, 4, ".LNK") == 0 || upper.compare(upper.size() - 4, 4, ".PIF") == 0);
      if (what == "<link>") return "a link was removed: " + path;
      if (path == "WINDOWS" || path == "WINDOWS/Desktop" || path == "WINDOWS/Start Menu" ||
          path == "WINDOWS/Start Menu/Programs")
        return "a folder every installation shares was removed: " + path;
      if (path == "App" || below("App")) continue;
      if ((below("WINDOWS/Desktop") || below("WINDOWS/Start Menu")) && (shortcut || what == "<folder>")) continue;
      if (below("WINDOWS") && trustsManifest) continue;
      return "removed outside its places: " + path;
    }
  }
  return {};
}

}  // namespace zev::fuzz
