// Properties of TCompress listing and expanding an archive held in memory.
//
// The archive header's reserved field (bytes 13..16) is never read by the component, so the
// check takes its options from it and the bytes stay a valid archive either way:
//   bit 0  expand with a key (locked members become readable, scrambled ones are unscrambled)
//   bit 1  write members to the paths the component forms instead of numbered files
//   bit 2  abort every member through the progress handler
//   bit 3  expand only the members named by a list (the first and the last listed name)
// Properties: only the engine's own exceptions leave either operation; listed header offsets
// lie inside the archive; the expander meets the members in the order the lister listed them
// (so it walks each member's data exactly); no written file exceeds its member's declared size
// by more than the codec's last match; nothing is written outside C:\t (and the Windows folder).
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "compress/compress.h"
#include "compress/errors.h"
#include "platform/machine.h"
#include "platform/stream.h"
#include "tests/fuzz/fuzz_support.h"

namespace zev::fuzz {

inline constexpr std::int32_t kFuzzKey = 0x2468ACE0;

struct ListedMember {
  std::string name;
  compress::TCompressedFileInfo info;
};

// Needs a machine whose C: is a private folder (ScopedMachine).
inline Verdict CheckArchive(const std::uint8_t* data, std::size_t size) {
  namespace fs = std::filesystem;
  ScopedFileSizeLimit limit(kOutputLimit);
  const fs::path driveC = *platform::Machine::Current().DriveFolder('C');
  fs::create_directories(driveC / "t");
  RemoveChildren(driveC / "t");
  const Bytes archive(data, data + size);
  const std::uint32_t options = size >= 21 ? LoadLE32(data + 13) : 0;

  // Listing.
  std::vector<ListedMember> listed;
  compress::TCompress lister;
  TStringList list;
  Verdict v = OnlyOwnExceptions("ScanCompressedStream", [&] {
    platform::MemoryStream stream(archive);
    lister.ScanCompressedStream(stream, list);
  });
  if (!v.empty()) return v;
  for (std::size_t i = 0; i < list.Count(); ++i) {
    auto info = list.Object<compress::TCompressedFileInfo>(i);
    if (!info) return "lister: entry without its file info";
    if (info->HeaderOffset < 21 ||
        static_cast<std::size_t>(info->HeaderOffset) + 25 + list[i].size() > size)
      return "lister: header offset " + std::to_string(info->HeaderOffset) + " outside the archive";
    listed.push_back({list[i], *info});
  }

  // Expansion.
  compress::TCompress expander;
  expander.SetTargetPath("C:\\t");
  expander.MakeDirectories = true;
  expander.Key = options & 1 ? kFuzzKey : 0;
  std::size_t calls = 0;
  std::string order;
  TStringList names;
  if ((options & 8) && !listed.empty()) {
    names.Add(listed.front().name);
    names.Add(listed.back().name);
  }
  expander.OnCheckFile = [&](std::string& path, compress::TCProcessMode) {
    const std::size_t k = calls++;
    // Without a name list the expander must meet the listed members one by one.
    if (!(options & 8) && order.empty()) {
      const std::string want =
          k < listed.size() ? (!listed[k].name.empty() && listed[k].name[0] == '\\' ? listed[k].name
                                                                                      : "C:\\t\\" + listed[k].name)
                            : std::string("<none>");
      if (path != want) order = "expander met member " + std::to_string(k) + " as \"" + path + "\", lister listed \"" + want + "\"";
    }
    if (!(options & 2) || path.empty() || path[0] == '\\') path = "C:\\t\\" + std::to_string(k);
  };
  if (options & 4) expander.OnShowProgress = [](std::int32_t& percent) { percent = -1; };
  v = OnlyOwnExceptions("ExpandCompressedStream", [&] {
    platform::MemoryStream stream(archive);
    expander.ExpandCompressedStream(stream, (options & 8) ? &names : nullptr);
  });
  if (!v.empty()) return v;
  if (!order.empty()) return order;

  // Output sizes of the numbered files.
  if (!(options & 2) && !(options & 8)) {
    for (std::size_t k = 0; k < calls && k < listed.size(); ++k) {
      std::error_code ec;
      const auto written = fs::file_size(driveC / "t" / std::to_string(k), ec);
      if (ec) continue;
      const auto& info = listed[k].info;
      std::int64_t bound = info.MethodNumber == compress::coNone ? info.CompressedSize : info.UncompressedSize;
      if (bound < 0) bound = 0;
      if (info.MethodNumber == compress::coRLE) bound = 255LL * info.CompressedSize;
      if (static_cast<std::int64_t>(written) > bound && written < kOutputLimit)
        return "member " + std::to_string(k) + " (method " + std::to_string(info.MethodNumber) + ") wrote " +
               std::to_string(written) + " bytes, declared " + std::to_string(info.UncompressedSize);
    }
  }

  // Numbered files stay in C:\t. Paths the component forms may climb out of C:\t (a name with
  // "..": the tools and the setup stage guard against that), but never out of the drive's folder.
  if (!(options & 2)) {
    for (const std::string& entry : TreeBelow(driveC))
      if (entry != "t" && entry.rfind("t/", 0) != 0 && entry.rfind("WINDOWS", 0) != 0)
        return "expansion wrote outside the target folder: " + entry;
  } else {
    const fs::path root = driveC.parent_path().parent_path();
    for (const std::string& entry : TreeBelow(root))
      if (entry != "machine" && entry.rfind("machine/drive_c", 0) != 0 && entry.rfind("start", 0) != 0)
        return "expansion wrote outside drive C's folder: " + entry;
    for (const auto& entry : fs::directory_iterator(driveC))
      if (entry.path().filename() != "t" && entry.path().filename() != "WINDOWS") fs::remove_all(entry.path());
  }
  return {};
}

}  // namespace zev::fuzz
