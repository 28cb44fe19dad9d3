// Builds segment set streams record by record (good or damaged) and cuts them into segment
// files, for the reader's tests.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "segment/segment_format.h"
#include "tests/compress/archive_builder.h"
#include "tests/support/host_files.h"
#include "tests/support/scoped_machine.h"
#include "tests/support/scripted_host.h"
#include "tests/support/test_inputs.h"

namespace zev::segment::testing {

using Bytes = std::vector<std::uint8_t>;
using zev::testing::ReadHostBytes;
using zev::testing::Text;
using zev::testing::TreeBelow;
using zev::testing::WriteHostFile;

inline void Append(Bytes& out, const Bytes& more) { out.insert(out.end(), more.begin(), more.end()); }
template <std::size_t N>
void Append(Bytes& out, const std::array<std::uint8_t, N>& more) {
  out.insert(out.end(), more.begin(), more.end());
}

// A list file of fixed-width records, each name padded with NULs.
inline Bytes Records(const std::vector<std::string>& names, std::size_t width) {
  Bytes out;
  for (const std::string& name : names) {
    Bytes record(width, 0);
    std::copy(name.begin(), name.end(), record.begin());
    Append(out, record);
  }
  return out;
}

// A list archive whose one stored member is the list file.
inline Bytes ListArchive(const Bytes& records, const std::string& member = "segdata.lst") {
  return compress::testing::ArchiveBuilder("NON").AddStored(member, records).Build();
}

// An archive of stored members.
inline Bytes StoredArchive(const std::vector<std::pair<std::string, Bytes>>& files) {
  compress::testing::ArchiveBuilder builder("NON");
  for (const auto& [name, data] : files) builder.AddStored(name, data);
  return builder.Build();
}

// One archive of a hand-built set; every field can be set to a damaged value.
struct RawArc {
  std::string templateName;
  Bytes listArchive;
  std::int32_t recordWidth = 1;
  Bytes archive;
  std::uint8_t scanFlag = 0;
  // Left empty: the true value (its position, the template's length, the sizes of the parts).
  std::optional<std::int32_t> sequence;
  std::optional<std::int64_t> nameLength;
  std::optional<std::int64_t> listSize;
  std::optional<std::int64_t> arcSize;
  Magic scanMagic = kSegScanMagic;
  Magic arcMagic = kSegArcMagic;
};

// The logical stream of a set; arcOrder gives the order of the archive entries (default 0..n-1).
inline Bytes SetStream(const std::vector<RawArc>& arcs, std::vector<std::size_t> arcOrder = {}) {
  Bytes out;
  TSegHeader header;
  header.ArcCount = static_cast<std::uint16_t>(arcs.size());
  Append(out, EncodeSegHeader(header));
  for (const RawArc& arc : arcs) {
    TSegScanHeader scan;
    scan.magic = arc.scanMagic;
    scan.NameLength = static_cast<std::uint16_t>(arc.nameLength.value_or(arc.templateName.size()));
    scan.ScanFlag = arc.scanFlag;
    scan.RecordWidth = arc.recordWidth;
    scan.ListSize = static_cast<std::int32_t>(arc.listSize.value_or(arc.listArchive.size()));
    Append(out, EncodeSegScanHeader(scan));
    Append(out, Text(arc.templateName));
    Append(out, arc.listArchive);
  }
  if (arcOrder.empty())
    for (std::size_t i = 0; i < arcs.size(); ++i) arcOrder.push_back(i);
  for (std::size_t i : arcOrder) {
    const RawArc& arc = arcs[i];
    TSegArcHeader h;
    h.magic = arc.arcMagic;
    h.Sequence = static_cast<std::uint16_t>(arc.sequence.value_or(static_cast<std::int32_t>(i)));
    h.ArcSize = static_cast<std::int32_t>(arc.arcSize.value_or(arc.archive.size()));
    Append(out, EncodeSegArcHeader(h));
    Append(out, arc.archive);
  }
  return out;
}

// Cuts the stream after each of the given payload sizes (the rest goes into the last segment)
// and writes the segments as hostDir/base.001 ... Returns the number of segments.
inline std::size_t WriteSegments(const std::filesystem::path& hostDir, const std::string& base, const Bytes& stream,
                                 const std::vector<std::size_t>& payloads) {
  std::size_t offset = 0, number = 0;
  auto emit = [&](std::size_t size) {
    Bytes segment;
    Append(segment, EncodeSegIDHeader(TSegIDHeader{}));
    segment.insert(segment.end(), stream.begin() + static_cast<std::ptrdiff_t>(offset),
                   stream.begin() + static_cast<std::ptrdiff_t>(offset + size));
    offset += size;
    WriteHostFile(hostDir / SegmentFileName(base, static_cast<std::uint32_t>(++number)), segment);
  };
  for (std::size_t size : payloads) emit(std::min(size, stream.size() - offset));
  emit(stream.size() - offset);
  return number;
}

// A scripted host that also runs a callback when a message box is shown (a disk inserted
// while the box is open, say).
class CallbackHost : public platform::ScriptedHost {
 public:
  std::function<void()> onBox;
  platform::ModalResult MessageBox(const std::string& text, const std::string& title, platform::MsgKind kind,
                                   unsigned buttons) override {
    if (onBox) onBox();
    return ScriptedHost::MessageBox(text, title, kind, buttons);
  }
};

}  // namespace zev::segment::testing
