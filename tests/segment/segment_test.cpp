#include "segment/segment.h"

#include <gtest/gtest.h>

#include "platform/files.h"
#include "tests/segment/segment_test_support.h"
#include "tests/support/scoped_machine.h"
#include "tests/support/scripted_host.h"

namespace zev::segment {
namespace {

namespace fs = std::filesystem;
using namespace zev::segment::testing;
using platform::ModalResult;
using namespace std::string_literals;

const Bytes kReadme = Text("Read me first.\r\n");
const Bytes kData = Bytes(3000, 0xA5);
const Bytes kExtra = Text("not listed");
const Bytes kSecond = Text("second archive's file");

RawArc FirstArc() {
  RawArc arc;
  arc.templateName = "C:\\out\\one\\first.arc";
  arc.recordWidth = 12;
  arc.listArchive = ListArchive(Records({"readme.txt", "DATA.BIN"}, 12));
  arc.archive = StoredArchive({{"readme.txt", kReadme}, {"extra.txt", kExtra}, {"data.bin", kData}});
  arc.scanFlag = 7;
  return arc;
}

RawArc SecondArc() {
  RawArc arc;
  arc.templateName = "C:\\out\\two\\second.arc";
  arc.recordWidth = 5;
  arc.listArchive = ListArchive(Records({"b.txt"}, 5));
  arc.archive = StoredArchive({{"b.txt", kSecond}});
  return arc;
}

class SegmentReaderTest : public ::testing::Test {
 protected:
  SegmentReaderTest() : scoped(host) {
    reader.SegPopUp = false;
    reader.SetSegBaseName("segdata");
    reader.SetSegDir("C:\\disks");
    reader.SetSegTmpDir("C:\\tmp");
    reader.OnSegBefore = [this](TSegMode mode, const std::string& name, std::uint16_t n) {
      EXPECT_EQ(mode, smReading);
      before.push_back(name + "#" + std::to_string(n));
    };
    reader.OnSegAfter = [this](TSegMode, const std::string& name, std::uint16_t n) {
      after.push_back(name + "#" + std::to_string(n));
    };
  }

  fs::path Disks() const { return machine.DriveC() / "disks"; }
  std::size_t Write(const Bytes& stream, const std::vector<std::size_t>& payloads = {}) {
    return WriteSegments(Disks(), "segdata", stream, payloads);
  }
  Bytes Contents(const std::string& path) { return ReadHostBytes(machine.Host(path)); }
  bool Exists(const std::string& path) { return platform::FileExists(path); }
  // Runs SegExpand and returns the failure's text, or "" on success.
  std::string Expand() {
    try {
      reader.SegExpand();
    } catch (const Exception& e) {
      return e.Message();
    }
    return {};
  }
  // Nothing of the reader's own may remain in its temporary folder.
  void ExpectTempFolderClean() {
    EXPECT_FALSE(Exists("C:\\tmp\\segdata.$A$"));
    EXPECT_FALSE(Exists("C:\\tmp\\segdata.lst"));
  }

  platform::ScopedMachine machine;
  CallbackHost host;
  platform::ScopedHost scoped;
  TSegCompEZ reader;
  std::vector<std::string> before, after;
};

TEST(SegmentNamesTest, NumbersArePaddedToThreeDigitsAndFoldersGetOneBackslash) {
  EXPECT_EQ(SegmentPath("a:\\", "segdata", 7), "a:\\segdata.007");
  EXPECT_EQ(SegmentPath("a:\\", "segdata", 1234), "a:\\segdata.1234");
  EXPECT_EQ(SegmentPath("c:\\disks", "segdata", 7), "c:\\disks\\segdata.007");
  EXPECT_EQ(SegmentPath("c:\\disks\\", "segdata", 999), "c:\\disks\\segdata.999");
  EXPECT_EQ(SegmentFileName("segdata", 65535), "segdata.65535");
}

TEST(SegmentPropertiesTest, SettersApplyTheirRules) {
  platform::ScopedMachine machine;
  TSegCompEZ c;
  EXPECT_EQ(c.SegBaseName(), "SegData");
  EXPECT_EQ(c.SegDir(), "a:\\");
  EXPECT_TRUE(c.SegPopUp);
  EXPECT_EQ(c.SegSize(), 1440000);
  EXPECT_EQ(c.SegTmpDir(), "a:");  // the current directory A:\ without its backslash
  EXPECT_EQ(c.SegBuildMode, bmRecursive);
  EXPECT_EQ(c.SegCompType, compress::coLZH);
  EXPECT_FALSE(c.SegMultiArc);
  EXPECT_EQ(c.SegMode(), smIdle);
  EXPECT_EQ(c.SegNumber(), 0);

  c.SetSegSize(1000);
  EXPECT_EQ(c.SegSize(), 16384);
  c.SetSegSize(16385);
  EXPECT_EQ(c.SegSize(), 16385);
  c.SetSegBaseName("c:\\Sets\\MyData");
  EXPECT_EQ(c.SegBaseName(), "mydata");
  c.SetSegBaseName("B:Disk\xC4");
  EXPECT_EQ(c.SegBaseName(), "disk\xE4");
  c.SetSegBaseName("");
  EXPECT_EQ(c.SegBaseName(), "SegData");
  c.SetSegTmpDir("c:\\Temp\\");
  EXPECT_EQ(c.SegTmpDir(), "c:\\temp");
  c.SetSegTmpDir("C:\\A\\B");
  EXPECT_EQ(c.SegTmpDir(), "c:\\a\\b");
  machine.machine().SetCurrentDirectory("C:\\");
  c.SetSegTmpDir("");
  EXPECT_EQ(c.SegTmpDir(), "c:");
  c.SetSegDir("C:\\Disks");
  EXPECT_EQ(c.SegDir(), "c:\\disks");
  c.SetSegDir("");
  EXPECT_EQ(c.SegDir(), "a:\\");

  TStringList source;
  source.Add("x.arc");
  source.Add("y.arc");
  c.SetSegSource(source);
  source.Clear();
  ASSERT_EQ(c.SegSource().Count(), 2u);
  EXPECT_EQ(c.SegSource()[1], "y.arc");
}

TEST_F(SegmentReaderTest, ExpandsListedFilesIntoTheTemplatesFolders) {
  Write(SetStream({FirstArc(), SecondArc()}));
  ASSERT_EQ(Expand(), "");
  EXPECT_EQ(Contents("C:\\out\\one\\readme.txt"), kReadme);
  EXPECT_EQ(Contents("C:\\out\\one\\data.bin"), kData);
  EXPECT_FALSE(Exists("C:\\out\\one\\extra.txt"));  // not in the list file
  EXPECT_EQ(Contents("C:\\out\\two\\b.txt"), kSecond);

  TSegArcList& list = reader.SegArcList();
  ASSERT_EQ(list.Count(), 2u);
  EXPECT_EQ(list[0].Template, "C:\\out\\one\\first.arc");
  EXPECT_EQ(list[0].TargetDir, "C:\\out\\one\\");
  EXPECT_EQ(list[0].ScanFlag, 7);
  EXPECT_EQ(list[1].Sequence, 1);
  // After expansion the file lists hold the paths written, in archive order.
  EXPECT_EQ(list[0].FileList.Strings(), (std::vector<std::string>{"C:\\out\\one\\readme.txt", "C:\\out\\one\\data.bin"}));
  EXPECT_EQ(reader.SegSource().Strings(), (std::vector<std::string>{"C:\\out\\one\\first.arc", "C:\\out\\two\\second.arc"}));
  EXPECT_EQ(reader.TargetPath(), "");
  EXPECT_TRUE(reader.MakeDirectories);
  EXPECT_EQ(reader.SegMode(), smReading);
  ExpectTempFolderClean();
}

TEST_F(SegmentReaderTest, SegmentEventsWithoutPromptsCountEverySegmentButTheLastForAfter) {
  const Bytes stream = SetStream({FirstArc(), SecondArc()});
  ASSERT_EQ(Write(stream, {100, 1000}), 3u);
  ASSERT_EQ(Expand(), "");
  EXPECT_EQ(before, (std::vector<std::string>{"segdata.001#1", "segdata.002#2", "segdata.003#3"}));
  EXPECT_EQ(after, (std::vector<std::string>{"segdata.001#1", "segdata.002#2"}));
  EXPECT_TRUE(host.boxes.empty());
  EXPECT_TRUE(host.queries.empty());
  // The open segment is closed at the end: nobody holds it any more.
  EXPECT_TRUE(platform::DeleteFile("C:\\disks\\segdata.003"));
}

TEST_F(SegmentReaderTest, RecordsAndFieldsSplitAcrossSegmentsReadWhole) {
  const std::vector<RawArc> arcs = {FirstArc(), SecondArc()};
  const Bytes stream = SetStream(arcs);
  // Offset of the first archive header: after the set header and both scan entries.
  std::size_t arcHeader = kSegHeaderSize;
  for (const RawArc& a : arcs) arcHeader += kSegScanHeaderSize + a.templateName.size() + a.listArchive.size();
  const std::size_t scanHeader = kSegHeaderSize;
  const std::vector<std::vector<std::size_t>> cuts = {
      {arcHeader + 10},                    // TSegArcHeader: 10 bytes, then 6 in the next segment
      {scanHeader + 9, 4},                 // RecordWidth alone in a segment of 4 bytes
      {scanHeader + kSegScanHeaderSize + 3},  // inside the template name
      {5, 1, 1, 1},                        // the set header over four segments
  };
  for (const auto& payloads : cuts) {
    fs::remove_all(Disks());
    fs::remove_all(machine.DriveC() / "out");
    Write(stream, payloads);
    ASSERT_EQ(Expand(), "") << payloads[0];
    EXPECT_EQ(Contents("C:\\out\\one\\data.bin"), kData);
    EXPECT_EQ(Contents("C:\\out\\two\\b.txt"), kSecond);
  }
}

TEST_F(SegmentReaderTest, ShortOrUnmarkedSegmentsAreNotSegments) {
  const Bytes stream = SetStream({FirstArc()});
  WriteHostFile(Disks() / "segdata.001", Text("SSeg123"));
  EXPECT_EQ(Expand(), kInvalidSegmentIDHeader);
  WriteHostFile(Disks() / "segdata.001", Text("SSex1234"));
  EXPECT_EQ(Expand(), kInvalidSegmentIDHeader);

  // The same checks for a later segment, and the bad segment is not left open.
  Write(stream, {50});
  WriteHostFile(Disks() / "segdata.002", Text("SSe"));
  EXPECT_EQ(Expand(), kInvalidSegmentIDHeader);
  EXPECT_TRUE(platform::DeleteFile("C:\\disks\\segdata.002"));
  ExpectTempFolderClean();
}

TEST_F(SegmentReaderTest, HeaderMagicsAreChecked) {
  Bytes stream = SetStream({FirstArc()});
  stream[1] = 'h';
  Write(stream);
  EXPECT_EQ(Expand(), kInvalidSegmentHeaderID);

  RawArc badScan = FirstArc();
  badScan.scanMagic = {'S', 'c', 'a', 'N'};
  Write(SetStream({badScan}));
  EXPECT_EQ(Expand(), kInvalidScanIDHeader);

  RawArc badArc = FirstArc();
  badArc.arcMagic = {'S', 'A', 'R', 'C'};
  Write(SetStream({badArc}));
  EXPECT_EQ(Expand(), kInvalidArchiveIDHeader);
  ExpectTempFolderClean();
}

TEST_F(SegmentReaderTest, EmptySetExpandsNothing) {
  Write(SetStream({}));
  ASSERT_EQ(Expand(), "");
  EXPECT_EQ(reader.SegArcList().Count(), 0u);
  EXPECT_EQ(reader.SegSource().Count(), 0u);
  EXPECT_EQ(before.size(), 1u);
  EXPECT_TRUE(after.empty());
  EXPECT_FALSE(fs::exists(machine.DriveC() / "out"));
}

TEST_F(SegmentReaderTest, ListRecordsLoseBlanksAndNulsAndEmptyRecordsCount) {
  RawArc arc = FirstArc();
  Bytes records = Text("readme.txt  \0\0 \0"s);
  records.resize(16);
  Append(records, Bytes(16, ' '));                 // an empty name
  Append(records, Text("data.bin\0junk after NUL"s));
  records.resize(16 * 2 + 13);  // the last record is short: "data.bin", NUL, "junk"
  arc.recordWidth = 16;
  arc.listArchive = ListArchive(records);
  reader.OnSegBeforeExpand = [](TSegArcList& list) {
    EXPECT_EQ(list[0].FileList.Strings(), (std::vector<std::string>{"readme.txt", "", "data.bin"}));
  };
  Write(SetStream({arc}));
  ASSERT_EQ(Expand(), "");
  EXPECT_EQ(Contents("C:\\out\\one\\readme.txt"), kReadme);
  EXPECT_EQ(Contents("C:\\out\\one\\data.bin"), kData);
}

TEST_F(SegmentReaderTest, MissingSegmentIsAskedForAndOkContinuesAfterTheDiskArrives) {
  const Bytes stream = SetStream({FirstArc(), SecondArc()});
  Write(stream, {500});
  const Bytes second = ReadHostBytes(Disks() / "segdata.002");
  fs::remove(Disks() / "segdata.002");
  int boxes = 0;
  host.onBox = [&] {
    // The first OK is pressed before the disk is in; the second after.
    if (++boxes == 2) WriteHostFile(Disks() / "segdata.002", second);
  };
  host.boxAnswers = {ModalResult::OK, ModalResult::OK};
  ASSERT_EQ(Expand(), "");
  ASSERT_EQ(host.boxes.size(), 2u);
  EXPECT_EQ(host.boxes[0].text,
            "Unable to locate \"segdata.002\" on this segment!\n\rCorrect and then press OK, or Cancel to abort");
  EXPECT_EQ(host.boxes[0].kind, platform::MsgKind::Error);
  EXPECT_EQ(host.boxes[0].buttons, platform::mbOK | platform::mbCancel);
  // Each attempt fires the event again.
  EXPECT_EQ(before, (std::vector<std::string>{"segdata.001#1", "segdata.002#2", "segdata.002#2", "segdata.002#2"}));
  EXPECT_EQ(Contents("C:\\out\\one\\data.bin"), kData);
  EXPECT_EQ(Contents("C:\\out\\two\\b.txt"), kSecond);
}

TEST_F(SegmentReaderTest, CancelOnTheMissingSegmentAbortsAndCleansUp) {
  Write(SetStream({FirstArc(), SecondArc()}), {500});
  fs::remove(Disks() / "segdata.002");
  host.boxAnswers = {ModalResult::Cancel};
  bool checkFileCalled = false;
  reader.OnCheckFile = [&](std::string&, compress::TCProcessMode) { checkFileCalled = true; };
  EXPECT_EQ(Expand(), kOperationAborted);
  EXPECT_EQ(host.boxes.size(), 1u);
  ExpectTempFolderClean();
  // Segment 1 was closed and the host's handler is back in place.
  EXPECT_TRUE(platform::DeleteFile("C:\\disks\\segdata.001"));
  ASSERT_TRUE(reader.OnCheckFile);
  std::string path;
  reader.OnCheckFile(path, compress::cmExpanding);
  EXPECT_TRUE(checkFileCalled);
}

TEST_F(SegmentReaderTest, PopUpAsksBeforeEverySegmentAndRepromptsOnEmptyText) {
  reader.SegPopUp = true;
  reader.SetSegDir("a:\\");
  Write(SetStream({FirstArc()}), {300});
  host.inputAnswers = {{true, ""}, {true, "C:\\DISKS"}, {true, "C:\\DISKS"}};
  host.SetCursor(platform::Cursor::HourGlass);
  std::vector<platform::Cursor> cursors;
  reader.OnSegBefore = [&](TSegMode, const std::string&, std::uint16_t) { cursors.push_back(host.GetCursor()); };
  ASSERT_EQ(Expand(), "");
  ASSERT_EQ(host.queries.size(), 3u);
  EXPECT_EQ(host.queries[0].caption, "Segment Prompt: segdata.001");
  EXPECT_EQ(host.queries[0].prompt, "Directory Path:");
  EXPECT_EQ(host.queries[0].initial, "a:\\");
  EXPECT_EQ(host.queries[1].initial, "a:\\");  // shown again after the empty answer
  EXPECT_EQ(host.queries[2].caption, "Segment Prompt: segdata.002");
  EXPECT_EQ(host.queries[2].initial, "C:\\DISKS");  // as typed, not lower-cased
  EXPECT_EQ(reader.SegDir(), "C:\\DISKS");
  EXPECT_EQ(host.repaintCalls, 2);
  // The cursor is restored after each prompt.
  EXPECT_EQ(cursors, (std::vector<platform::Cursor>{platform::Cursor::HourGlass, platform::Cursor::HourGlass}));
  EXPECT_EQ(Contents("C:\\out\\one\\data.bin"), kData);
}

TEST_F(SegmentReaderTest, CancelInThePromptAborts) {
  reader.SegPopUp = true;
  Write(SetStream({FirstArc()}));
  host.inputAnswers = {{false, "C:\\disks"}};
  EXPECT_EQ(Expand(), kOperationAborted);
  EXPECT_TRUE(before.empty());
}

TEST_F(SegmentReaderTest, OutOfOrderArchivesFailOnTheSequenceNumber) {
  Write(SetStream({FirstArc(), SecondArc()}, {1, 0}));
  EXPECT_EQ(Expand(), kInvalidArchiveSequence);
  ExpectTempFolderClean();
}

TEST_F(SegmentReaderTest, DroppingTheFirstArchiveSkipsItsData) {
  Write(SetStream({FirstArc(), SecondArc()}), {700, 700, 700});
  reader.OnSegBeforeExpand = [](TSegArcList& list) {
    ASSERT_EQ(list.Count(), 2u);
    list.Delete(0);
  };
  std::vector<std::string> templates;
  reader.OnSegAfterArchive = [&](TSegArcHeader& header, const std::string& name) {
    EXPECT_EQ(header.Sequence, 1);
    EXPECT_EQ(header.ArcSize, static_cast<std::int32_t>(SecondArc().archive.size()));
    templates.push_back(name);
  };
  ASSERT_EQ(Expand(), "");
  EXPECT_FALSE(fs::exists(machine.DriveC() / "out" / "one"));
  EXPECT_EQ(Contents("C:\\out\\two\\b.txt"), kSecond);
  EXPECT_EQ(templates, (std::vector<std::string>{"C:\\out\\two\\second.arc"}));
  EXPECT_EQ(reader.SegSource().Strings(), (std::vector<std::string>{"C:\\out\\two\\second.arc"}));
}

TEST_F(SegmentReaderTest, HostHandlersSeeOnlyTheArchivesProper) {
  Write(SetStream({FirstArc(), SecondArc()}));
  std::vector<std::string> checked;
  reader.OnCheckFile = [&](std::string& path, compress::TCProcessMode mode) {
    EXPECT_EQ(mode, compress::cmExpanding);
    checked.push_back(path);
    // Redirect everything flat into one folder, as the setup program does.
    path = "C:\\flat\\" + path.substr(path.find_last_of('\\') + 1);
  };
  ASSERT_EQ(Expand(), "");
  EXPECT_EQ(checked, (std::vector<std::string>{"C:\\out\\one\\readme.txt", "C:\\out\\one\\data.bin",
                                               "C:\\out\\two\\b.txt"}));
  EXPECT_EQ(Contents("C:\\flat\\b.txt"), kSecond);
  EXPECT_FALSE(fs::exists(machine.DriveC() / "out"));
}

TEST_F(SegmentReaderTest, CompressionFailuresPassThroughAndRemoveTheTemporaryArchive) {
  RawArc arc = FirstArc();
  arc.archive = compress::testing::ArchiveBuilder("NON").Add("readme.txt", Text("xyz"), 1, Text("xyz"), 0, 12345).Build();
  Write(SetStream({arc}));
  EXPECT_EQ(Expand(), "Bad checksum during expansion -- data may be invalid");
  ExpectTempFolderClean();

  RawArc noList = FirstArc();
  noList.listArchive.clear();
  Write(SetStream({noList}));
  EXPECT_EQ(Expand(), kStreamOpenFailed);
  ExpectTempFolderClean();
}

TEST_F(SegmentReaderTest, ANewPassClearsTheAbortFlag) {
  Write(SetStream({FirstArc(), SecondArc()}), {600});
  fs::remove(Disks() / "segdata.002");
  host.boxAnswers = {ModalResult::Cancel};
  EXPECT_EQ(Expand(), kOperationAborted);
  Write(SetStream({FirstArc(), SecondArc()}));
  EXPECT_EQ(Expand(), "");
  EXPECT_EQ(Contents("C:\\out\\two\\b.txt"), kSecond);
}

// The obvious faults of a trusting reader: header fields out of range, and list archives that
// write outside the temporary folder while nobody watches.
TEST_F(SegmentReaderTest, OutOfRangeHeaderFieldsAreRefused) {
  struct Case {
    const char* what;
    std::function<void(RawArc&)> damage;
    const char* message;
  };
  const std::vector<Case> cases = {
      {"NameLength 8192", [](RawArc& a) { a.nameLength = 8192; }, kInvalidScanIDHeader},
      {"NameLength 65535", [](RawArc& a) { a.nameLength = 65535; }, kInvalidScanIDHeader},
      {"RecordWidth 0", [](RawArc& a) { a.recordWidth = 0; }, kInvalidScanIDHeader},
      {"RecordWidth -5", [](RawArc& a) { a.recordWidth = -5; }, kInvalidScanIDHeader},
      {"RecordWidth 8192", [](RawArc& a) { a.recordWidth = 8192; }, kInvalidScanIDHeader},
      {"ListSize -1", [](RawArc& a) { a.listSize = -1; }, kInvalidScanIDHeader},
      {"ArcSize -1", [](RawArc& a) { a.arcSize = -1; }, kInvalidArchiveIDHeader},
      {"ArcSize INT32_MIN", [](RawArc& a) { a.arcSize = INT32_MIN; }, kInvalidArchiveIDHeader},
  };
  for (const Case& c : cases) {
    RawArc arc = FirstArc();
    c.damage(arc);
    Write(SetStream({arc}));
    // Running past the end would ask for a segment that is not there: answer Cancel.
    host.boxAnswers = {ModalResult::Cancel};
    EXPECT_EQ(Expand(), c.message) << c.what;
    EXPECT_TRUE(host.boxes.empty()) << c.what;
    ExpectTempFolderClean();
  }
  // The largest values in range still read.
  RawArc wide = FirstArc();
  wide.recordWidth = 8191;
  wide.listArchive = ListArchive(Records({"readme.txt"}, 8191));
  wide.templateName = "C:\\out\\one\\" + std::string(8191 - 11, 'n');
  Write(SetStream({wide}));
  ASSERT_EQ(Expand(), "");
  EXPECT_EQ(reader.SegArcList()[0].Template.size(), 8191u);
  EXPECT_EQ(Contents("C:\\out\\one\\readme.txt"), kReadme);
}

TEST_F(SegmentReaderTest, ListArchiveMembersMayNotLeaveTheTemporaryFolder) {
  for (const std::string name : {"\\evil.txt", "..\\evil.txt", "sub\\..\\..\\evil.txt", "C:evil.txt", "./"}) {
    // As the list file itself, the escaping member fails the set; after a harmless list file it is
    // never written at all, since only the first member is used.
    for (const bool first : {true, false}) {
      RawArc arc = FirstArc();
      arc.listArchive = first ? StoredArchive({{name, Records({"readme.txt"}, 12)}})
                              : StoredArchive({{"segdata.lst", Records({"readme.txt"}, 12)}, {name, Text("owned")}});
      Write(SetStream({arc}));
      bool hostSaw = false;
      reader.OnCheckFile = [&](std::string& path, compress::TCProcessMode) {
        hostSaw = true;
        EXPECT_EQ(path.find("evil"), std::string::npos) << path;
      };
      EXPECT_EQ(Expand(), first ? kInvalidScanIDHeader : "") << name;
      EXPECT_EQ(hostSaw, !first);
      EXPECT_FALSE(Exists("C:\\evil.txt")) << name;
      EXPECT_FALSE(Exists("A:\\evil.txt")) << name;
      EXPECT_FALSE(Exists("C:\\tmp\\evil.txt")) << name;
      ExpectTempFolderClean();
      EXPECT_EQ(fs::exists(machine.DriveC() / "out"), !first);
      fs::remove_all(machine.DriveC() / "out");
    }
  }
  // Sub-folders that stay below it are fine.
  RawArc arc = FirstArc();
  arc.listArchive = StoredArchive({{"lists\\..\\segdata.lst", Records({"readme.txt"}, 12)}});
  Write(SetStream({arc}));
  reader.OnCheckFile = nullptr;
  reader.MakeDirectories = true;
  EXPECT_EQ(Expand(), "");
  EXPECT_EQ(Contents("C:\\out\\one\\readme.txt"), kReadme);
}

}  // namespace
}  // namespace zev::segment
