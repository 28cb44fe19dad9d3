#include "setup/uninstaller.h"

#include <algorithm>
#include <optional>

#include "platform/error.h"
#include "platform/fs_utils.h"
#include "platform/ini_file.h"
#include "platform/machine.h"
#include "platform/no_link_files.h"
#include "platform/path_names.h"
#include "platform/text.h"

namespace zev::setup {
namespace {

using platform::EntryKind;
using platform::RemoveOutcome;

constexpr const char* kListName = "uninstall.cfg";
// At most this many entries of what stays in the installation folder are named, this deep.
constexpr std::size_t kMaxLeftovers = 10000;
constexpr int kMaxLeftoverDepth = 64;

std::string Key(const std::string& path) { return UpperCase(path); }

std::string Child(const std::string& folder, const std::string& name) {
  return folder.size() == 3 ? folder + name : folder + "\\" + name;
}

std::string ParentOf(const std::string& path) {
  std::string parent = platform::FolderPart(path);
  if (parent.size() > 3) parent.pop_back();
  return parent;
}

std::size_t Depth(const std::string& path) { return static_cast<std::size_t>(std::count(path.begin(), path.end(), '\\')); }

std::optional<std::string> Expanded(const std::string& path) {
  if (!IsFullWindowsPath(path)) return std::nullopt;
  try {
    return platform::Machine::Current().ExpandFileName(path);
  } catch (const Exception&) {
    return std::nullopt;
  }
}

// The file names the "Files" and "WorkStation" sections of an install.cfg list: what "*.*" stood
// for when the installation wrote it.
std::vector<std::string> PackageFileNames(const std::string& configText, std::size_t& entries) {
  const platform::IniFile config = platform::IniFile::Parse(configText);
  std::vector<std::string> names;
  std::set<std::string> seen;
  entries = 0;
  for (const char* section : {"Files", "WorkStation"}) {
    for (const std::string& key : config.KeyNames(section)) {
      ++entries;
      std::string value = config.Value(section, key).value_or(""), source;
      platform::SplitField(value, '~', source);
      if (!platform::FileNameProblem(source).empty()) continue;
      const std::string name = platform::FileNamePart(source);
      if (seen.insert(Key(name)).second) names.push_back(name);
    }
  }
  return names;
}

}  // namespace

TUninstaller::TUninstaller(const std::string& installDir) : places_(TPlaces::For(installDir)) {}

std::string TUninstaller::PackageName() const {
  return name_.empty() ? platform::FileNamePart(places_.installDir) : name_;
}

TUninstaller::TLoad TUninstaller::Load() {
  const std::string& dir = places_.installDir;
  if (const std::string why = places_.InstallDirRefusal(); !why.empty()) {
    problem_ = dir + " cannot be removed as an installation: " + why;
    return TLoad::ldRefused;
  }
  const platform::EntryFacts facts = platform::LookUpNoLinks(dir);
  if (facts.kind == EntryKind::Missing) {
    problem_ = "nothing to remove: " + dir + " does not exist";
    return TLoad::ldNothingToRemove;
  }
  if (facts.kind != EntryKind::Folder) {
    problem_ = facts.problem.empty() ? dir + " is not a folder" : facts.problem;
    return TLoad::ldRefused;
  }

  const std::string listPath = Child(dir, kListName);
  if (platform::LookUpNoLinks(listPath).kind == EntryKind::Missing) {
    problem_ = "nothing to remove: there is no " + std::string(kListName) + " in " + dir;
    return TLoad::ldNothingToRemove;
  }
  std::string text;
  if (std::string why = platform::ReadFileNoLinks(listPath, kMaxRecordFileBytes, text); !why.empty()) {
    problem_ = std::move(why);
    return TLoad::ldRefused;
  }
  const platform::IniFile list = platform::IniFile::Parse(text);
  keys_ = list.KeyNames("UNINS");
  folderKeys_ = list.KeyNames("Folders");
  if (keys_.size() + folderKeys_.size() > kMaxRecords) {
    problem_ = listPath + " holds more than " + std::to_string(kMaxRecords) + " entries";
    return TLoad::ldRefused;
  }
  name_ = list.Value("Name", "Name").value_or("");

  const std::string manifestPath = Child(dir, kManifestName);
  if (platform::LookUpNoLinks(manifestPath).kind != EntryKind::Missing) {
    // A manifest that is there but cannot be read must not turn into the looser removal by
    // uninstall.cfg alone.
    if (std::string why = platform::ReadFileNoLinks(manifestPath, kMaxRecordFileBytes, text); !why.empty()) {
      problem_ = std::move(why);
      return TLoad::ldRefused;
    }
    TManifest manifest = ParseManifest(text);
    if (!manifest.valid) {
      problem_ = manifestPath + " is not a manifest this program wrote: " + manifest.problems.front();
      return TLoad::ldRefused;
    }
    for (const std::string& problem : manifest.problems) notes_.push_back(manifestPath + ", " + problem + ": ignored");
    hasManifest_ = true;
    for (TManifestRecord& record : manifest.records) {
      const std::optional<std::string> full = Expanded(record.path);
      if (!full) {
        notes_.push_back(manifestPath + ": " + record.path + " is no path of this machine: ignored");
        continue;
      }
      record.path = *full;
      if (manifestPaths_.insert(Key(record.path)).second) manifest_.push_back(std::move(record));
    }
    return TLoad::ldLoaded;
  }

  const std::string configPath = Child(dir, "install.cfg");
  if (std::string why = platform::ReadFileNoLinks(configPath, kMaxRecordFileBytes, text); !why.empty()) {
    notes_.push_back("without " + std::string(kManifestName) + " or a readable install.cfg (" + why +
                     "), \"*.*\" stands for the companion files alone");
  } else {
    std::size_t entries = 0;
    packageNames_ = PackageFileNames(text, entries);
    if (entries > kMaxRecords) {
      problem_ = configPath + " lists more than " + std::to_string(kMaxRecords) + " files";
      return TLoad::ldRefused;
    }
  }
  for (const char* companion : {"install.exe", "install.cfg"})
    if (std::none_of(packageNames_.begin(), packageNames_.end(), [&](const std::string& n) { return SameText(n, companion); }))
      packageNames_.push_back(companion);
  return TLoad::ldLoaded;
}

void TUninstaller::Run(bool dry) {
  dry_ = dry;
  done_ = 0;
  total_ = manifest_.size() + keys_.size() + folderKeys_.size() + 3;
  if (hasManifest_) RemoveManifestFiles();
  HandleUninstallKeys();
  RemoveFolders();
  RemoveRecords();
}

void TUninstaller::RemoveManifestFiles() {
  for (const TManifestRecord& record : manifest_) {
    ++done_;
    if (record.kind == TRecordKind::rkFolder) AddFolder(record.path, TRecordSource::rsManifest, false);
    else if (!IsRecordFile(record.path)) RemoveFile(record.path, TRecordSource::rsManifest, &record);
  }
}

void TUninstaller::HandleUninstallKeys() {
  for (const std::string& written : keys_) {
    ++done_;
    HandleKey(ReadUninstallKey(written), written);
  }
}

void TUninstaller::HandleKey(const TUninstallKey& key, const std::string& written) {
  // With a manifest, the keys remove nothing: a file they name that the manifest does not list is
  // the user's (kept when the user answered No, or added later).
  auto notPlaced = [&](const std::string& file) {
    if (InManifest(file) || gone_.count(Key(file)) || listed_.count(Key(file))) return;
    const platform::EntryFacts facts = platform::LookUpNoLinks(file);
    if (facts.kind == EntryKind::Link) Keep(file, "refused: " + facts.problem);
    else if (facts.kind == EntryKind::File || facts.kind == EntryKind::Other) Keep(file, "not placed by this installation");
  };
  const std::string& dir = places_.installDir;
  switch (key.form) {
    case TUninstallKey::ukRefused:
      Keep(written, "refused: " + key.problem);
      return;
    case TUninstallKey::ukAllFiles:
      if (!SameText(key.path, dir) && !IsBelow(key.path, dir)) {
        Keep(written, "refused: a wildcard outside the installation folder");
        return;
      }
      // With a manifest, what the folder holds besides its files is named at the end.
      if (!hasManifest_)
        for (const std::string& name : packageNames_) RemoveFile(Child(key.path, name), TRecordSource::rsUninstallList, nullptr);
      return;
    case TUninstallKey::ukShortcuts: {
      const bool allowed = SameText(key.path, dir) || IsBelow(key.path, dir) || SameText(key.path, places_.desktop) ||
                           IsBelow(key.path, places_.desktop) || SameText(key.path, places_.startMenu) ||
                           IsBelow(key.path, places_.startMenu);
      if (!allowed) {
        Keep(written, "refused: outside the installation folder, the Desktop and the Start Menu");
        return;
      }
      for (const char* extension : {".lnk", ".pif"}) {
        const std::string file = Child(key.path, key.name + extension);
        if (hasManifest_) notPlaced(file);
        else RemoveFile(file, TRecordSource::rsUninstallList, nullptr);
      }
      return;
    }
    case TUninstallKey::ukFile:
      if (const std::string why = places_.FileRefusal(key.path, TRecordSource::rsUninstallList); !why.empty()) {
        Keep(written, "refused: " + why);
        return;
      }
      if (IsRecordFile(key.path)) return;
      if (hasManifest_) notPlaced(key.path);
      else RemoveFile(key.path, TRecordSource::rsUninstallList, nullptr);
      return;
  }
}

void TUninstaller::RemoveFile(const std::string& path, TRecordSource source, const TManifestRecord* expected) {
  if (gone_.count(Key(path)) || listed_.count(Key(path))) return;
  if (const std::string why = places_.FileRefusal(path, source); !why.empty()) {
    Keep(path, "refused: " + why);
    return;
  }
  RemoveOutcome outcome;
  std::string problem;
  if (dry_) {
    const platform::EntryFacts facts = platform::LookUpNoLinks(path);
    problem = facts.problem;
    switch (facts.kind) {
      case EntryKind::Missing:
        outcome = RemoveOutcome::Missing;
        break;
      case EntryKind::File:
        outcome = expected && (expected->size != facts.size || expected->modified != facts.modified)
                      ? RemoveOutcome::Changed
                      : RemoveOutcome::Removed;
        break;
      case EntryKind::Link:
      case EntryKind::Refused:
        outcome = RemoveOutcome::Refused;
        break;
      default:
        outcome = RemoveOutcome::Refused;
        problem = path + " is not a file";
    }
  } else {
    platform::EntryFacts want;
    if (expected) want.size = expected->size, want.modified = expected->modified;
    const platform::RemoveResult result = platform::RemoveFileNoLinks(path, expected ? &want : nullptr);
    outcome = result.outcome;
    problem = result.problem;
  }
  switch (outcome) {
    case RemoveOutcome::Removed:
      Removed(path);
      // The folders inside the installation folder that this removal empties go too.
      for (std::string parent = ParentOf(path); IsBelow(parent, places_.installDir); parent = ParentOf(parent))
        AddFolder(parent, TRecordSource::rsUninstallList, true);
      return;
    case RemoveOutcome::Missing:
      return;
    case RemoveOutcome::Changed:
      Keep(path, "changed since it was installed");
      return;
    case RemoveOutcome::Failed:
      Keep(path, "could not be removed: " + problem, true);
      return;
    default:
      Keep(path, "refused: " + problem);
      return;
  }
}

void TUninstaller::AddFolder(const std::string& path, TRecordSource source, bool derived) {
  for (Folder& folder : folders_)
    if (SameText(folder.path, path)) {
      // A record of the folder outweighs its being emptied, and the manifest outweighs the list.
      folder.derived = folder.derived && derived;
      if (source == TRecordSource::rsManifest) folder.source = source;
      return;
    }
  folders_.push_back({path, source, derived});
}

void TUninstaller::RemoveFolders() {
  for (const std::string& written : folderKeys_) {
    ++done_;
    const std::optional<std::string> full = Expanded(written);
    if (!full || full->find_first_of("*?") != std::string::npos) {
      Keep(written, "refused: not the full path of a folder");
      continue;
    }
    AddFolder(*full, TRecordSource::rsUninstallList, false);
  }
  std::stable_sort(folders_.begin(), folders_.end(), [](const Folder& a, const Folder& b) {
    const std::size_t da = Depth(a.path), db = Depth(b.path);
    return da != db ? da > db : Key(a.path) < Key(b.path);
  });
  for (const Folder& folder : folders_) {
    std::string why;
    switch (places_.FolderVerdict(folder.path, folder.source, why)) {
      case TPlaces::TFolderVerdict::fvStays:
        if (!folder.derived) notes_.push_back("left as it is: " + folder.path + " (" + why + ")");
        continue;
      case TPlaces::TFolderVerdict::fvRefused:
        Keep(folder.path, "refused: " + why);
        continue;
      case TPlaces::TFolderVerdict::fvRemove:
        break;
    }
    if (SameText(folder.path, places_.installDir)) continue;  // last of all
    ++done_;
    // What is left inside the installation folder is named with the folder itself.
    RemoveFolder(folder.path, !folder.derived && !IsBelow(folder.path, places_.installDir));
  }
}

bool TUninstaller::RemoveFolder(const std::string& path, bool listNotEmpty) {
  if (gone_.count(Key(path))) return true;
  RemoveOutcome outcome;
  std::string problem;
  if (dry_) {
    const platform::EntryFacts facts = platform::LookUpNoLinks(path);
    problem = facts.problem;
    if (facts.kind == EntryKind::Missing) outcome = RemoveOutcome::Missing;
    else if (facts.kind == EntryKind::Folder) outcome = WouldBeEmpty(path) ? RemoveOutcome::Removed : RemoveOutcome::NotEmpty;
    else if (facts.kind == EntryKind::Link || facts.kind == EntryKind::Refused) outcome = RemoveOutcome::Refused;
    else outcome = RemoveOutcome::Refused, problem = path + " is not a folder";
  } else {
    const platform::RemoveResult result = platform::RemoveFolderNoLinks(path);
    outcome = result.outcome;
    problem = result.problem;
  }
  switch (outcome) {
    case RemoveOutcome::Removed:
      Removed(path);
      return true;
    case RemoveOutcome::Missing:
      return false;
    case RemoveOutcome::NotEmpty:
      if (listNotEmpty) Keep(path, "not empty");
      return false;
    case RemoveOutcome::Failed:
      Keep(path, "could not be removed: " + problem, true);
      return false;
    default:
      Keep(path, "refused: " + problem);
      return false;
  }
}

bool TUninstaller::WouldBeEmpty(const std::string& path) {
  bool complete = false;
  const std::vector<platform::FolderEntry> entries = platform::ListFolderNoLinks(path, kMaxLeftovers, complete);
  if (!complete) return false;
  return std::all_of(entries.begin(), entries.end(), [&](const platform::FolderEntry& entry) {
    return entry.windowsName && gone_.count(Key(Child(path, entry.name)));
  });
}

void TUninstaller::RemoveRecords() {
  const std::string& dir = places_.installDir;
  // After a removal that failed, the records stay so that it can be run again.
  const bool failed = std::any_of(kept_.begin(), kept_.end(), [](const TKeptEntry& e) { return e.failed; });
  for (const std::string& record : {Child(dir, kManifestName), Child(dir, kListName)}) {
    ++done_;
    if (!failed) RemoveFile(record, TRecordSource::rsUninstallList, nullptr);
    else if (platform::LookUpNoLinks(record).kind != EntryKind::Missing) Keep(record, "kept so that the removal can be run again");
  }
  ++done_;
  if (RemoveFolder(dir, false) || platform::LookUpNoLinks(dir).kind != EntryKind::Folder) return;
  std::size_t budget = kMaxLeftovers;
  ListLeftovers(dir, budget, 0);
  if (budget == 0) notes_.push_back("more entries of " + dir + " are not named");
  Keep(dir, "not empty");
}

void TUninstaller::ListLeftovers(const std::string& folder, std::size_t& budget, int depth) {
  bool complete = false;
  const std::vector<platform::FolderEntry> entries = platform::ListFolderNoLinks(folder, budget, complete);
  for (const platform::FolderEntry& entry : entries) {
    if (budget == 0) return;
    --budget;
    const std::string path = Child(folder, entry.name);
    if (entry.windowsName && (gone_.count(Key(path)) || listed_.count(Key(path)))) continue;
    if (entry.kind == EntryKind::Folder && entry.windowsName && depth < kMaxLeftoverDepth) ListLeftovers(path, budget, depth + 1);
    else if (entry.kind == EntryKind::Link) Keep(path, "a symbolic link, not followed");
    else if (entry.kind != EntryKind::Folder) Keep(path, "not placed by this installation");
  }
  if (!complete) budget = 0;
}

void TUninstaller::Removed(const std::string& path) {
  gone_.insert(Key(path));
  removed_.push_back(path);
  Step(path, true);
}

void TUninstaller::Keep(const std::string& path, const std::string& reason, bool failed) {
  if (!listed_.insert(Key(path)).second) return;
  kept_.push_back({path, reason, failed});
  Step(path, false);
}

void TUninstaller::Step(const std::string& path, bool removed) {
  total_ = std::max(total_, done_);
  if (OnStep) OnStep({path, removed, done_, total_});
}

bool TUninstaller::IsRecordFile(const std::string& path) const {
  return SameText(path, Child(places_.installDir, kListName)) || SameText(path, Child(places_.installDir, kManifestName));
}

bool TUninstaller::InManifest(const std::string& path) const { return manifestPaths_.count(Key(path)) != 0; }

}  // namespace zev::setup
