// Damaged and hostile segment sets: a set cut at every offset, a segment taken from another set,
// and a segment that vanishes between the prompt and the open. Each ends with a clear outcome
// (the set expands whole, or one of the program's own errors) and in bounded time.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "compress/compress.h"
#include "compress/errors.h"
#include "segment/segment.h"
#include "tests/fuzz/segment_check.h"
#include "tests/segment/segment_test_support.h"
#include "tests/support/scoped_machine.h"
#include "tests/support/test_inputs.h"

namespace zev::segment {
namespace {

namespace fs = std::filesystem;
using zev::testing::InputKind;
using zev::testing::MakeInput;

class HostileSegment : public ::testing::Test {
 protected:
  platform::ScopedMachine machine;
  fuzz::CancellingHost host;
  platform::ScopedHost scopedHost{host};

  // A set of one archive with two files, cut into 16 KiB segments in C:\<folder>.
  std::vector<std::string> BuildSet(const std::string& folder, std::uint32_t seed) {
    const fs::path src = machine.DriveC() / ("src" + folder);
    testing::WriteHostFile(src / "a.bin", MakeInput(InputKind::Random, 20000, seed));
    testing::WriteHostFile(src / "b.txt", MakeInput(InputKind::Text, 3000, seed + 1));
    const std::string base = "C:\\src" + folder;
    compress::TCompress().CompressFiles(base + ".arc", {{base + "\\a.bin", "a.bin"}, {base + "\\b.txt", "b.txt"}},
                                        compress::coLZH5);
    TSegCompEZ writer;
    writer.SetSegBaseName("zevsetup");
    writer.SetSegDir("C:\\" + folder);
    writer.SetSegTmpDir("C:\\wtmp");
    writer.SetSegSize(16384);
    return writer.SegBuildArcs({{"C:\\APP\\*.*", base + ".arc", {"a.bin", "b.txt"}}});
  }

  // Reads the set in C:\<folder> into C:\out; returns the error text, empty on success.
  std::string Expand(const std::string& folder, std::function<void(std::uint16_t)> beforeOpen = nullptr) {
    fs::remove_all(machine.DriveC() / "out");
    TSegCompEZ reader;
    reader.SetSegBaseName("zevsetup");
    reader.SetSegDir("C:\\" + folder);
    reader.SetSegTmpDir("C:\\rtmp");
    reader.SegPopUp = false;
    reader.OnCheckFile = [](std::string& path, compress::TCProcessMode) {
      path = "C:\\out\\" + FileNamePartOf(path);
    };
    if (beforeOpen) reader.OnSegBefore = [&](TSegMode, const std::string&, std::uint16_t n) { beforeOpen(n); };
    try {
      reader.SegExpand();
      return {};
    } catch (const Exception& e) {
      return e.Message().empty() ? "error without a message" : e.Message();
    }
  }
};

TEST_F(HostileSegment, SetCutAtEveryOffsetFailsCleanlyOrExpandsWhole) {
  const std::vector<std::string> segments = BuildSet("set", 1);
  ASSERT_EQ(segments.size(), 2u);
  const testing::Bytes last = testing::ReadHostBytes(machine.Host(segments[1]));
  const auto a = testing::ReadHostBytes(machine.DriveC() / "srcset" / "a.bin");
  int whole = 0, refused = 0;
  // Every offset near the ends of the second segment (where the records and the archive's last
  // member lie), every 13th in between, and the first segment in steps (it is 16 KiB long).
  for (std::size_t cut = 0; cut <= last.size(); cut += (cut < 600 || cut + 600 > last.size()) ? 1 : 13) {
    testing::WriteHostFile(machine.Host(segments[1]), testing::Bytes(last.begin(), last.begin() + static_cast<std::ptrdiff_t>(cut)));
    const std::string error = Expand("set");
    if (error.empty()) {
      ++whole;
      EXPECT_EQ(testing::ReadHostBytes(machine.DriveC() / "out" / "a.bin"), a) << "cut at " << cut;
    } else {
      ++refused;
    }
  }
  testing::WriteHostFile(machine.Host(segments[1]), last);
  const testing::Bytes first = testing::ReadHostBytes(machine.Host(segments[0]));
  for (std::size_t cut = 0; cut < first.size(); cut += 97) {
    testing::WriteHostFile(machine.Host(segments[0]), testing::Bytes(first.begin(), first.begin() + static_cast<std::ptrdiff_t>(cut)));
    EXPECT_NE(Expand("set"), "") << "first segment cut at " << cut;
  }
  EXPECT_GT(refused, 0);
  EXPECT_LE(whole, 1);  // only the uncut segment expands whole
}

TEST_F(HostileSegment, SegmentFromAnotherSetIsRefused) {
  const std::vector<std::string> mine = BuildSet("one", 10);
  const std::vector<std::string> other = BuildSet("two", 20);
  ASSERT_EQ(mine.size(), 2u);
  ASSERT_EQ(other.size(), 2u);
  fs::copy_file(machine.Host(other[1]), machine.Host(mine[1]), fs::copy_options::overwrite_existing);
  const std::string error = Expand("one");
  EXPECT_NE(error, "") << "a set with a foreign second segment expanded without error";
  // Whatever was written before the failure is not passed off as the file.
  const auto written = machine.DriveC() / "out" / "a.bin";
  if (fs::exists(written)) {
    EXPECT_NE(testing::ReadHostBytes(written), testing::ReadHostBytes(machine.DriveC() / "srcone" / "a.bin"));
  }
}

TEST_F(HostileSegment, SegmentVanishingBeforeItIsOpenedEndsWithAnError) {
  const std::vector<std::string> segments = BuildSet("gone", 30);
  ASSERT_EQ(segments.size(), 2u);
  // The host saw segment 2 in place when it was asked for; it is gone when the reader opens it.
  const std::string error = Expand("gone", [&](std::uint16_t n) {
    if (n == 2) fs::remove(machine.Host(segments[1]));
  });
  EXPECT_EQ(error, kOperationAborted);
  EXPECT_EQ(host.boxes, 1);
  // Nothing already safe is lost: the first segment is still there.
  EXPECT_TRUE(fs::exists(machine.Host(segments[0])));
}

TEST_F(HostileSegment, ListArchiveMembersBeyondTheFirstAreNeitherWrittenNorLeft) {
  // The list file first, then members nobody reads: one large, one in a folder, one with the same
  // name as the list file, which would replace it.
  const testing::Bytes records = testing::Records({"a.txt"}, 5);
  const testing::Bytes list = compress::testing::ArchiveBuilder("NON")
                                  .AddStored("zevsetup.lst", records)
                                  .AddStored("extra.bin", testing::Bytes(300000, 'x'))
                                  .AddStored("sub\\extra.txt", testing::Text("extra"))
                                  .AddStored("ZEVSETUP.LST", testing::Records({"b.txt"}, 5))
                                  .Build();
  testing::RawArc arc;
  arc.templateName = "C:\\APP\\*.*";
  arc.recordWidth = 5;
  arc.listArchive = list;
  arc.archive = testing::StoredArchive({{"a.txt", testing::Text("payload")}, {"b.txt", testing::Text("other")}});
  testing::WriteSegments(machine.DriveC() / "extra", "zevsetup", testing::SetStream({arc}), {});
  EXPECT_EQ(Expand("extra"), "");
  EXPECT_EQ(testing::ReadHostBytes(machine.DriveC() / "out" / "a.txt"), testing::Text("payload"));
  EXPECT_FALSE(fs::exists(machine.DriveC() / "out" / "b.txt"));
  EXPECT_EQ(testing::TreeBelow(machine.DriveC() / "rtmp"), std::vector<std::string>{});

  // The same when the set fails after the list was read: its archive entry is damaged.
  arc.arcMagic = {'X', 'X', 'X', 'X'};
  testing::WriteSegments(machine.DriveC() / "extra", "zevsetup", testing::SetStream({arc}), {});
  EXPECT_EQ(Expand("extra"), kInvalidArchiveIDHeader);
  EXPECT_EQ(testing::TreeBelow(machine.DriveC() / "rtmp"), std::vector<std::string>{});

  // And when the user cancels while the list archive is being staged: its second half lies on a
  // disk that is not there.
  arc.arcMagic = kSegArcMagic;
  fs::remove_all(machine.DriveC() / "extra");
  testing::WriteSegments(machine.DriveC() / "extra", "zevsetup", testing::SetStream({arc}), {100});
  fs::remove(machine.DriveC() / "extra" / "zevsetup.002");
  EXPECT_EQ(Expand("extra"), kOperationAborted);
  EXPECT_EQ(testing::TreeBelow(machine.DriveC() / "rtmp"), std::vector<std::string>{});
}

TEST_F(HostileSegment, ListFilesHoldAtMost65536Names) {
  struct Case {
    const char* what;
    testing::Bytes listArchive;
    std::int32_t recordWidth;
    std::string error;
  };
  auto ofRecords = [](std::size_t count, std::size_t width) {
    return testing::ListArchive(testing::Records(std::vector<std::string>(count, "a.txt"), width), "zevsetup.lst");
  };
  // A list member whose few bytes of LZH5 data would decode to more than a list file may hold.
  compress::TMemberHeader huge;
  huge.NameLength = 12;
  huge.UncompressedSize = static_cast<std::int32_t>(kMaxListFileSize + 1);
  huge.CompressedSize = 7;
  huge.MethodNumber = compress::coLZH5;
  const testing::Bytes hugeList =
      compress::testing::ArchiveBuilder("LH5").AddRaw(huge, "zevsetup.lst", {0x00, 0x00, 0x00, 0x00, 0x04, 0x10, 0x00}).Build();
  // An RLE member's data holds no size of its own: 257 runs of 255 'a' and two more would be 65537
  // one-byte records, declared as one byte. Its output stops at the declared size, as damage.
  testing::Bytes runs;
  for (int i = 0; i < 257; ++i) runs.insert(runs.end(), {'a', 0x94, 0xFF});
  runs.insert(runs.end(), {'a', 'a'});
  compress::TMemberHeader rle;
  rle.NameLength = 12;
  rle.UncompressedSize = 1;
  rle.CompressedSize = static_cast<std::int32_t>(runs.size());
  rle.MethodNumber = compress::coRLE;
  rle.Checksum = 65537 * 'a';
  const testing::Bytes rleList = compress::testing::ArchiveBuilder("RLE").AddRaw(rle, "zevsetup.lst", runs).Build();
  const Case cases[] = {
      {"65536 records", ofRecords(65536, 5), 5, ""},
      {"65537 records of RLE data declared as one byte", rleList, 1, compress::EDataOverrun().what()},
      {"65537 records", ofRecords(65537, 5), 5, kListFileTooLarge},
      {"65536 records of 261 bytes", ofRecords(65536, 261), 261, kListFileTooLarge},
      {"a list member declaring more than a list file may hold", hugeList, 5, kListFileTooLarge},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    testing::RawArc arc;
    arc.templateName = "C:\\APP\\*.*";
    arc.recordWidth = c.recordWidth;
    arc.listArchive = c.listArchive;
    arc.archive = testing::StoredArchive({{"a.txt", testing::Text("payload")}});
    fs::remove_all(machine.DriveC() / "lists");
    testing::WriteSegments(machine.DriveC() / "lists", "zevsetup", testing::SetStream({arc}), {});
    EXPECT_EQ(Expand("lists"), c.error);
    EXPECT_EQ(testing::TreeBelow(machine.DriveC() / "rtmp"), std::vector<std::string>{});
  }
}

}  // namespace
}  // namespace zev::segment
