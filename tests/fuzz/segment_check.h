// Properties of TSegCompEZ reading a segment set whose segments come from the input.
//
// The input is the segment files one after another, separated by the marker "%%SEG%%"; they are
// written as zevsetup.001, zevsetup.002 ... into a folder mapped as D:. A missing segment is
// answered with Cancel. Every file of the set is redirected to a numbered file in C:\t, as the
// setup stage redirects them into its private folder.
// Properties: only the program's own exceptions leave the reader; nothing is written outside
// C:\t and the temporary folder C:\WINDOWS\temp (list files included, whatever their stored
// names); after a successful pass the temporary folder holds no staged archive or list file;
// the reader ends (a missing segment is asked about a bounded number of times).
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

#include "platform/host.h"
#include "platform/machine.h"
#include "segment/segment.h"
#include "tests/fuzz/fuzz_support.h"

namespace zev::fuzz {

inline constexpr std::string_view kSegmentMarker = "%%SEG%%";

// Answers every box with Cancel (or No, or the last button offered) and counts them.
class CancellingHost : public platform::Host {
 public:
  int boxes = 0;
  void ProcessMessages() override {}
  platform::ModalResult MessageBox(const std::string&, const std::string&, platform::MsgKind, unsigned) override {
    ++boxes;
    return platform::ModalResult::Cancel;
  }
  bool InputQuery(const std::string&, const std::string&, std::string&) override { return false; }
  void Repaint() override {}
  platform::Cursor GetCursor() override { return platform::Cursor::Default; }
  void SetCursor(platform::Cursor) override {}
};

// Splits the input at the markers.
inline std::vector<std::string_view> SplitSegments(const std::uint8_t* data, std::size_t size) {
  std::vector<std::string_view> parts;
  std::string_view rest(reinterpret_cast<const char*>(data), size);
  for (;;) {
    const std::size_t at = rest.find(kSegmentMarker);
    parts.push_back(rest.substr(0, at));
    if (at == std::string_view::npos) break;
    rest.remove_prefix(at + kSegmentMarker.size());
  }
  return parts;
}

// Needs a machine whose C: is a private folder (ScopedMachine).
inline Verdict CheckSegmentSet(const std::uint8_t* data, std::size_t size) {
  namespace fs = std::filesystem;
  ScopedFileSizeLimit limit(kOutputLimit);
  platform::Machine& machine = platform::Machine::Current();
  const fs::path driveC = *machine.DriveFolder('C');
  const fs::path segments = driveC.parent_path().parent_path() / "segments";
  fs::create_directories(segments);
  RemoveChildren(segments);
  fs::create_directories(driveC / "t");
  RemoveChildren(driveC / "t");
  fs::remove_all(driveC / "WINDOWS" / "temp");
  fs::create_directories(driveC / "WINDOWS");
  machine.MapDrive('D', segments);

  const auto parts = SplitSegments(data, size);
  if (parts.size() > 20) return {};
  for (std::size_t i = 0; i < parts.size(); ++i) {
    char name[32];
    std::snprintf(name, sizeof name, "zevsetup.%03zu", i + 1);
    WriteHostFile(segments / name, parts[i]);
  }

  CancellingHost host;
  platform::Host* previous = platform::SetHost(&host);
  segment::TSegCompEZ reader;
  reader.SetSegBaseName("zevsetup");
  reader.SetSegDir("D:\\");
  reader.SegPopUp = false;
  reader.SetSegTmpDir("C:\\WINDOWS\\temp");
  int files = 0;
  reader.OnCheckFile = [&](std::string& path, compress::TCProcessMode) { path = "C:\\t\\" + std::to_string(files++); };
  bool refused = false;
  Verdict v = OnlyOwnExceptions("SegExpand", [&] { reader.SegExpand(); }, &refused);
  platform::SetHost(previous);
  if (!v.empty()) return v;
  if (host.boxes > 1) return "the missing-segment box was shown " + std::to_string(host.boxes) + " times after Cancel";

  for (const std::string& entry : TreeBelow(driveC)) {
    const bool inTarget = entry == "t" || entry.rfind("t/", 0) == 0;
    const bool inTemp = entry == "WINDOWS" || entry == "WINDOWS/temp" || entry.rfind("WINDOWS/temp/", 0) == 0;
    if (!inTarget && !inTemp) return "segment reader wrote outside its folders: " + entry;
    if (!refused && entry.rfind("WINDOWS/temp/", 0) == 0 && fs::is_regular_file(driveC / entry))
      return "a staged file was left in the temporary folder: " + entry;
  }
  const fs::path root = driveC.parent_path().parent_path();
  for (const std::string& entry : TreeBelow(root))
    if (entry != "machine" && entry.rfind("machine/drive_c", 0) != 0 && entry.rfind("start", 0) != 0 &&
        entry.rfind("segments", 0) != 0)
      return "segment reader wrote outside the machine: " + entry;
  return {};
}

}  // namespace zev::fuzz
