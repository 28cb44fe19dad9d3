#include <gtest/gtest.h>

#include <map>

#include "platform/files.h"
#include "segment/segment.h"
#include "tests/segment/segment_test_support.h"
#include "tests/support/scoped_machine.h"
#include "tests/support/scripted_host.h"
#include "tests/support/test_inputs.h"

namespace zev::segment {
namespace {

namespace fs = std::filesystem;
using namespace zev::segment::testing;
using zev::testing::InputKind;
using zev::testing::MakeInput;
using namespace std::string_literals;

class SegmentWriterTest : public ::testing::Test {
 protected:
  SegmentWriterTest() : scoped(host) {
    writer.SetSegDir("C:\\set");
    writer.SetSegBaseName("ZEVSetup");
    writer.SetSegTmpDir("C:\\wtmp");
    reader.SegPopUp = false;
    reader.SetSegDir("C:\\set");
    reader.SetSegBaseName("zevsetup");
    reader.SetSegTmpDir("C:\\rtmp");
  }

  // Files of mixed kinds and sizes (some empty, some in sub-folders) below C:\src\<folder>, and
  // the archive of them; returns what the writer needs to know about it.
  TSegBuildArc MakeArchive(const std::string& folder, std::size_t files, const std::string& templateName,
                           compress::TCompressionMethod method = compress::coLZH5) {
    static const InputKind kKinds[] = {InputKind::Text, InputKind::Binary, InputKind::Runs, InputKind::Random};
    for (std::size_t i = 0; i < files; ++i) {
      std::string name = (i % 5 == 4 ? "sub\\" : "") + folder + "_file" + std::to_string(i) + ".dat";
      const std::size_t size = i % 7 == 0 ? 0 : (i * 397) % 2500 + 1;
      Bytes data = MakeInput(kKinds[i % 4], size, static_cast<std::uint32_t>(i + 1));
      WriteHostFile(machine.Host("C:\\src\\" + folder + "\\" + name), data);
      expected[templateName.substr(0, templateName.find_last_of('\\') + 1) + name] = data;
    }
    TSegBuildArc arc;
    arc.Template = templateName;
    arc.ArchiveFile = "C:\\arcs\\" + folder + ".arc";
    fs::create_directories(machine.DriveC() / "arcs");
    auto sources = compress::TCompress::CollectFolder("C:\\src\\" + folder, "");
    compress::TCompress().CompressFiles(arc.ArchiveFile, sources, method);
    for (const auto& source : sources) arc.FileNames.push_back(source.storedName);
    return arc;
  }

  // Writes the set, checks the segment sizes, reads it back and compares every file.
  void RoundTrip(const std::vector<TSegBuildArc>& arcs, std::int32_t segSize, const std::string& label) {
    fs::remove_all(machine.DriveC() / "set");
    fs::remove_all(machine.DriveC() / "out");
    writer.SetSegSize(segSize);
    const std::vector<std::string> segments = writer.SegBuildArcs(arcs);
    ASSERT_FALSE(segments.empty()) << label;
    std::int64_t payload = 0;
    for (std::size_t i = 0; i < segments.size(); ++i) {
      EXPECT_EQ(segments[i], "c:\\set\\" + SegmentFileName("zevsetup", static_cast<std::uint32_t>(i + 1))) << label;
      const std::int64_t size = platform::FileSize(segments[i]);
      if (i + 1 < segments.size()) {
        EXPECT_EQ(size, segSize) << label << " segment " << i + 1;
      }
      EXPECT_LE(size, segSize) << label;
      EXPECT_GT(size, 8) << label;
      payload += size - 8;
    }
    // No more segments than the stream needs.
    EXPECT_EQ(static_cast<std::int64_t>(segments.size()), (payload + segSize - 9) / (segSize - 8)) << label;
    try {
      reader.SegExpand();
    } catch (const Exception& e) {
      FAIL() << label << ": " << e.Message();
    }
    ASSERT_EQ(reader.SegArcList().Count(), arcs.size()) << label;
    std::size_t written = 0;
    for (std::size_t i = 0; i < arcs.size(); ++i) written += reader.SegArcList()[i].FileList.Count();
    EXPECT_EQ(written, expected.size()) << label;
    for (const auto& [path, data] : expected) {
      ASSERT_TRUE(platform::FileExists(path)) << label << ": " << path;
      ASSERT_EQ(ReadHostBytes(machine.Host(path)), data) << label << ": " << path;
    }
    EXPECT_FALSE(platform::FileExists("C:\\rtmp\\zevsetup.$A$"));
    EXPECT_FALSE(platform::FileExists("C:\\wtmp\\zevsetup.lst"));
  }

  platform::ScopedMachine machine;
  platform::ScriptedHost host;
  platform::ScopedHost scoped;
  TSegCompress writer;
  TSegCompEZ reader;
  std::map<std::string, Bytes> expected;
};

TEST_F(SegmentWriterTest, SetsOfOneToThreeArchivesWithManyFilesReadBack) {
  std::vector<TSegBuildArc> arcs;
  const compress::TCompressionMethod methods[] = {compress::coLZH5, compress::coRLE, compress::coLZH};
  for (int n = 1; n <= 3; ++n) {
    const std::string folder = "a" + std::to_string(n);
    arcs.push_back(MakeArchive(folder, 40, "C:\\out\\" + folder + "\\" + folder + ".arc", methods[n - 1]));
    for (std::int32_t size : {16384, kDefaultSegSize})
      RoundTrip(arcs, size, std::to_string(n) + " archive(s), size " + std::to_string(size));
  }
}

TEST_F(SegmentWriterTest, EveryRecordAndFieldBoundaryAtASegmentEnd) {
  // Two templates of the longest length push the third scan entry and everything after it past
  // the first possible segment end.
  const std::string longName(8191 - 10, 'T');
  std::vector<TSegBuildArc> arcs = {MakeArchive("b1", 3, "C:\\out\\b1\\" + longName),
                                    MakeArchive("b2", 2, "C:\\out\\b2\\" + longName),
                                    MakeArchive("b3", 4, "C:\\out\\b3\\b3.arc")};
  // Walk the stream of a one-segment set to find where each field begins.
  writer.SetSegSize(kDefaultSegSize);
  const std::vector<std::string> one = writer.SegBuildArcs(arcs);
  ASSERT_EQ(one.size(), 1u);
  const Bytes segment = ReadHostBytes(machine.Host(one[0]));
  const Bytes stream(segment.begin() + 8, segment.end());
  std::vector<std::size_t> boundaries;
  std::size_t at = kSegHeaderSize;
  for (std::size_t i = 0; i < arcs.size(); ++i) {
    const TSegScanHeader scan = DecodeSegScanHeader(stream.data() + at);
    ASSERT_EQ(scan.magic, kSegScanMagic);
    EXPECT_EQ(scan.ScanFlag, 0);
    EXPECT_EQ(scan.reserved, 0);
    for (std::size_t field : {0, 4, 6, 8, 9, 13, 17}) boundaries.push_back(at + field);
    at += kSegScanHeaderSize + scan.NameLength;
    boundaries.push_back(at);
    at += static_cast<std::size_t>(scan.ListSize);
  }
  for (std::size_t i = 0; i < arcs.size(); ++i) {
    const TSegArcHeader arc = DecodeSegArcHeader(stream.data() + at);
    ASSERT_EQ(arc.magic, kSegArcMagic);
    EXPECT_EQ(arc.Sequence, i);
    for (std::size_t field : {0, 4, 6, 8, 12, 16}) boundaries.push_back(at + field);
    at += kSegArcHeaderSize + static_cast<std::size_t>(arc.ArcSize);
  }
  ASSERT_EQ(at, stream.size());
  boundaries.push_back(at - 1);

  // Every field boundary exactly at the end of segment 1, and each record's start one byte
  // either side of it.
  const std::size_t recordStarts = boundaries.size();
  int runs = 0;
  for (std::size_t k = 0; k < recordStarts; ++k) {
    const std::size_t b = boundaries[k];
    const bool recordStart = (k < 3 * 8 && k % 8 == 0) || (k >= 3 * 8 && (k - 3 * 8) % 6 == 0);
    for (int shift : {-1, 0, 1}) {
      if (shift != 0 && !recordStart) continue;
      const std::int64_t segSize = static_cast<std::int64_t>(b) + 8 + shift;
      if (segSize < kMinSegSize) continue;
      RoundTrip(arcs, static_cast<std::int32_t>(segSize), "boundary " + std::to_string(b) + "+" + std::to_string(shift));
      ++runs;
    }
  }
  EXPECT_GE(runs, 25);
}

TEST_F(SegmentWriterTest, SmallSegmentsInSteps) {
  std::vector<TSegBuildArc> arcs = {MakeArchive("c1", 20, "C:\\out\\c1\\c1.arc", compress::coNone),
                                    MakeArchive("c2", 20, "C:\\out\\c2\\c2.arc", compress::coNone)};
  for (std::int32_t size = kMinSegSize; size < kMinSegSize + 8192; size += 2039)
    RoundTrip(arcs, size, "size " + std::to_string(size));
}

TEST_F(SegmentWriterTest, WrittenFieldsFollowTheSettledChoices) {
  std::vector<std::pair<TSegMode, std::string>> events;
  writer.OnSegAfter = [&](TSegMode mode, const std::string& name, std::uint16_t) { events.emplace_back(mode, name); };
  TSegBuildArc arc = MakeArchive("d", 3, "d.arc");
  arc.FileNames = {"a", "longest_name.txt", "bc"};
  writer.SetSegSize(kMinSegSize);
  const auto segments = writer.SegBuildArcs({arc});
  ASSERT_EQ(events.size(), segments.size());
  EXPECT_EQ(events[0], std::make_pair(smWriting, std::string("zevsetup.001")));
  const Bytes first = ReadHostBytes(machine.Host(segments[0]));
  EXPECT_EQ(Bytes(first.begin(), first.begin() + 8), Text("SSeg\0\0\0\0"s));
  const TSegHeader header = DecodeSegHeader(first.data() + 8);
  EXPECT_EQ(header.ArcCount, 1);
  EXPECT_EQ(header.reserved1, 0);
  const TSegScanHeader scan = DecodeSegScanHeader(first.data() + 8 + kSegHeaderSize);
  EXPECT_EQ(scan.RecordWidth, 16);
  EXPECT_EQ(scan.NameLength, 5);

  // The list archive holds one stored member, "<base>.lst", of three 16-byte records.
  const std::size_t listAt = 8 + kSegHeaderSize + kSegScanHeaderSize + 5;
  platform::MemoryStream list(Bytes(first.begin() + static_cast<std::ptrdiff_t>(listAt),
                                    first.begin() + static_cast<std::ptrdiff_t>(listAt) + scan.ListSize));
  TStringList members;
  compress::TCompress().ScanCompressedStream(list, members);
  ASSERT_EQ(members.Count(), 1u);
  EXPECT_EQ(members[0], "zevsetup.lst");
  auto info = members.Object<compress::TCompressedFileInfo>(0);
  EXPECT_EQ(info->MethodNumber, compress::coNone);
  EXPECT_EQ(info->UncompressedSize, 48);
}

TEST_F(SegmentWriterTest, EmptySetIsOneSegmentOfHeaders) {
  const auto segments = writer.SegBuildArcs({});
  ASSERT_EQ(segments.size(), 1u);
  EXPECT_EQ(platform::FileSize(segments[0]), 8 + 21);
  reader.SegExpand();
  EXPECT_EQ(reader.SegArcList().Count(), 0u);
}

TEST_F(SegmentWriterTest, RefusesWhatCannotBeRead) {
  TSegBuildArc arc = MakeArchive("e", 2, "e.arc");
  // More than 999 segments: the archive is a sparse file, refused before anything is read.
  fs::resize_file(machine.Host(arc.ArchiveFile), 999 * (kMinSegSize - 8));
  writer.SetSegSize(kMinSegSize);
  try {
    writer.SegBuildArcs({arc});
    FAIL() << "a set of 1000 segments was written";
  } catch (const ESegError& e) {
    EXPECT_NE(std::string(e.what()).find("1000 segments"), std::string::npos) << e.what();
  }
  EXPECT_FALSE(fs::exists(machine.DriveC() / "set" / "zevsetup.001"));

  TSegBuildArc bad = MakeArchive("f", 1, "f.arc");
  for (const std::string& name : std::vector<std::string>{"trailing blank ", "nul\0inside"s, std::string(8192, 'n')}) {
    bad.FileNames = {"ok", name};
    EXPECT_THROW(writer.SegBuildArcs({bad}), ESegError) << name.substr(0, 20);
  }
  bad.FileNames = {"ok"};
  bad.Template = std::string(8192, 't');
  EXPECT_THROW(writer.SegBuildArcs({bad}), ESegError);
  bad.Template = "f.arc";
  bad.ArchiveFile = "C:\\arcs\\missing.arc";
  EXPECT_THROW(writer.SegBuildArcs({bad}), ESegError);
}

TEST_F(SegmentWriterTest, FailureLeavesNoSegmentBehind) {
  TSegBuildArc arc = MakeArchive("g", 20, "g.arc", compress::coNone);
  writer.SetSegSize(kMinSegSize);
  int opened = 0;
  // A segment that cannot be created half way through: a folder of its name is in the way.
  writer.OnSegBefore = [&](TSegMode, const std::string&, std::uint16_t n) {
    ++opened;
    if (n == 2) fs::create_directories(machine.DriveC() / "set" / "zevsetup.002");
  };
  EXPECT_ANY_THROW(writer.SegBuildArcs({arc}));
  EXPECT_EQ(opened, 2);
  EXPECT_FALSE(fs::exists(machine.DriveC() / "set" / "zevsetup.001"));
}

}  // namespace
}  // namespace zev::segment
