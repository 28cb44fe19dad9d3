#include "compress/compress.h"

#include <gtest/gtest.h>

#include "compress/errors.h"
#include "platform/files.h"
#include "platform/fs_utils.h"
#include "tests/compress/archive_builder.h"
#include "tests/support/host_files.h"
#include "tests/support/scoped_machine.h"
#include "tests/support/test_inputs.h"

namespace zev::compress {
namespace {

using platform::MemoryStream;
using testing::ArchiveBuilder;
using testing::Bytes;
using testing::Scramble;
using zev::testing::ReadHostBytes;
using zev::testing::Text;
using zev::testing::WriteHostFile;

// An RLE member's data for a plain text (no runs, no escape bytes): the text itself.
const Bytes kHello = Text("hello, world");
// "AB" as LZH5 data, and 41 41 41 41 as RLE data.
const Bytes kLzh5AB = {0x00, 0x02, 0x20, 0x04, 0x24, 0x30, 0xB7, 0x00, 0x40};
const Bytes kRleFourA = {0x41, 0x94, 0x04};

class CompressTest : public ::testing::Test {
 protected:
  CompressTest() { compress.SetTargetPath("C:\\out"); compress.MakeDirectories = true; }

  void Expand(const Bytes& archive, TStringList* list = nullptr) {
    MemoryStream stream(archive);
    compress.ExpandCompressedStream(stream, list);
  }
  TStringList Scan(const Bytes& archive) {
    MemoryStream stream(archive);
    TStringList list;
    compress.ScanCompressedStream(stream, list);
    return list;
  }
  bool Exists(const std::string& path) { return platform::FileExists(path); }
  Bytes Contents(const std::string& path) { return ReadHostBytes(machine.Host(path)); }

  platform::ScopedMachine machine;
  TCompress compress;
};

TEST_F(CompressTest, ShortStreamsAreEmptyArchives) {
  Bytes wrongMagic(30, 'x');
  EXPECT_NO_THROW(Expand(Bytes(20, 'x')));
  EXPECT_EQ(Scan(Bytes(20, 'x')).Count(), 0u);
  // 21 to 45 bytes list as empty without any check, but expanding reads the header.
  EXPECT_EQ(Scan(wrongMagic).Count(), 0u);
  EXPECT_THROW(Expand(wrongMagic), EInvalidHeader);
}

TEST_F(CompressTest, ArchiveHeaderIsChecked) {
  for (std::uint8_t type : {0, 2}) {
    // The type is refused before the (unknown) identifier is looked at.
    EXPECT_THROW(Expand(ArchiveBuilder("XYZ", type).AddStored("a", kHello).Build()), EInvalidHeaderArchiveType);
  }
  Bytes lowerCase = ArchiveBuilder("rle").AddStored("a.txt", kHello).Build();
  try {
    Expand(lowerCase);
    FAIL() << "an identifier in the wrong case was accepted";
  } catch (const EUnrecognizedCompressionMethod& e) {
    EXPECT_EQ(e.Message(), "Unrecognized compression method: \"rle\" in header");
  }
  std::string offered;
  compress.OnRecognize = [&](const std::string& id, bool& recognized) {
    offered = id;
    recognized = true;
  };
  Expand(lowerCase);
  EXPECT_EQ(offered, "rle");
  EXPECT_EQ(Contents("C:\\out\\a.txt"), kHello);
}

TEST_F(CompressTest, TotalSizeStopsTheExpanderButNotTheLister) {
  Bytes archive = ArchiveBuilder("NON").AddStored("a", kHello).AddStored("b", kHello).TotalSize(0).Build();
  Expand(archive);
  EXPECT_FALSE(Exists("C:\\out\\a"));
  TStringList listed = Scan(archive);
  ASSERT_EQ(listed.Count(), 2u);
  auto second = listed.Object<TCompressedFileInfo>(1);
  EXPECT_EQ(second->HeaderOffset, 21 + 25 + 1 + static_cast<int>(kHello.size()));
  EXPECT_EQ(second->UncompressedSize, static_cast<std::int32_t>(kHello.size()));

  // An empty member after the total has been reached is not expanded either.
  Expand(ArchiveBuilder("NON").AddStored("a", kHello).AddStored("empty", {}).Build());
  EXPECT_TRUE(Exists("C:\\out\\a"));
  EXPECT_FALSE(Exists("C:\\out\\empty"));
}

TEST_F(CompressTest, TruncatedMembersEndTheWalkQuietly) {
  Bytes archive = ArchiveBuilder("NON").AddStored("first", kHello).AddStored("second", kHello).Build();
  Bytes nameCut(archive.begin(), archive.end() - static_cast<std::ptrdiff_t>(kHello.size() + 3));
  Bytes headerCut(archive.begin(), archive.end() - static_cast<std::ptrdiff_t>(kHello.size() + 6 + 10));
  EXPECT_EQ(Scan(nameCut).Count(), 1u);
  EXPECT_EQ(Scan(headerCut).Count(), 1u);
  Expand(headerCut);
  EXPECT_EQ(Contents("C:\\out\\first"), kHello);
}

TEST_F(CompressTest, NegativeSizesEndOrRefuseTheWalk) {
  TMemberHeader member;
  member.NameLength = 1;
  member.CompressedSize = -46;
  Bytes backwards = ArchiveBuilder("NON").AddStored("a", kHello).AddRaw(member, "b", {}).TotalSize(100).Build();
  // Walking backwards would never end.
  EXPECT_THROW(Scan(backwards), EInvalidHeader);
  EXPECT_THROW(Expand(backwards), EInvalidHeader);

  member.NameLength = static_cast<std::int16_t>(0x8000);
  member.CompressedSize = 0;
  Bytes nameless = ArchiveBuilder("NON").AddStored("a", kHello).AddRaw(member, "", {}).TotalSize(100).Build();
  // A negative name length ends the archive where it stands.
  EXPECT_EQ(Scan(nameless).Count(), 1u);
  Expand(nameless);
  EXPECT_EQ(Contents("C:\\out\\a"), kHello);
}

TEST_F(CompressTest, TheWalkStaysInStepWhateverAMemberConsumed) {
  // A method this reader does not know writes an empty file and reads none of its data; the
  // member after it must still be found at its place.
  TMemberHeader unknown;
  unknown.NameLength = 7;
  unknown.MethodNumber = 9;
  unknown.CompressedSize = 30;
  Bytes data(30, 0);  // would read as an empty member header if the walk took it for one
  Bytes archive =
      ArchiveBuilder("NON").AddRaw(unknown, "unknown", data).AddStored("after", kHello).TotalSize(100).Build();
  std::vector<std::string> seen;
  compress.OnCheckFile = [&](std::string& path, TCProcessMode) { seen.push_back(path); };
  Expand(archive);
  EXPECT_EQ(seen, (std::vector<std::string>{"C:\\out\\unknown", "C:\\out\\after"}));
  EXPECT_EQ(Contents("C:\\out\\unknown"), Bytes{});
  EXPECT_EQ(Contents("C:\\out\\after"), kHello);
}

TEST_F(CompressTest, TargetPathGetsOneTrailingBackslash) {
  compress.SetTargetPath("C:\\Temp");
  EXPECT_EQ(compress.TargetPath(), "C:\\Temp\\");
  compress.SetTargetPath("C:\\Temp\\");
  EXPECT_EQ(compress.TargetPath(), "C:\\Temp\\");
  compress.SetTargetPath("");
  EXPECT_EQ(compress.TargetPath(), "");
  // Without a target, names are relative to the current folder (A:\ here).
  Expand(ArchiveBuilder("NON").AddStored("here.txt", kHello).Build());
  EXPECT_EQ(Contents("A:\\here.txt"), kHello);
}

TEST_F(CompressTest, RootedNamesIgnoreTheTargetPath) {
  Expand(ArchiveBuilder("NON").AddStored("\\Windows\\x.ini", kHello).Build());
  EXPECT_EQ(Contents("A:\\Windows\\x.ini"), kHello);
  EXPECT_FALSE(Exists("C:\\out\\Windows\\x.ini"));
}

TEST_F(CompressTest, CheckFileRedirectsSkipsAndStops) {
  Bytes archive = ArchiveBuilder("NON")
                      .AddStored("one", kHello)
                      .AddStored("two", kHello)
                      .AddStored("three", kHello)
                      .AddStored("four", kHello)
                      .Build();
  std::vector<std::string> seen;
  compress.OnCheckFile = [&](std::string& path, TCProcessMode mode) {
    EXPECT_EQ(mode, cmExpanding);
    seen.push_back(path);
    if (seen.size() == 1) path = "C:\\elsewhere\\1.txt";
    if (seen.size() == 2) path.clear();
    if (seen.size() == 3) path = "*";
  };
  TStringList list;
  list.Add("ONE");
  list.Add("Two");
  list.Add("three");
  list.Add("four");
  Expand(archive, &list);
  EXPECT_EQ(seen, (std::vector<std::string>{"C:\\out\\one", "C:\\out\\two", "C:\\out\\three"}));
  EXPECT_EQ(Contents("C:\\elsewhere\\1.txt"), kHello);
  EXPECT_FALSE(Exists("C:\\out\\two"));
  EXPECT_FALSE(Exists("C:\\out\\four"));
  ASSERT_EQ(list.Count(), 1u);
  EXPECT_EQ(list[0], "C:\\elsewhere\\1.txt");
}

TEST_F(CompressTest, ListSelectsMembersIgnoringCaseAndReturnsPaths) {
  TStringList list;
  list.Add("README.TXT");
  Expand(ArchiveBuilder("NON").AddStored("other", kHello).AddStored("readme.txt", kHello).Build(), &list);
  ASSERT_EQ(list.Count(), 1u);
  EXPECT_EQ(list[0], "C:\\out\\readme.txt");
  EXPECT_FALSE(Exists("C:\\out\\other"));
}

TEST_F(CompressTest, OutputFileThatCannotBeCreated) {
  Bytes archive = ArchiveBuilder("NON").AddStored("busy", kHello).AddStored("free", kHello).Build();
  platform::MakeDirPath("C:\\out");
  { platform::FileStream create("C:\\out\\busy", platform::fmCreate); }
  platform::FileStream holder("C:\\out\\busy", platform::fmOpenRead | platform::fmShareDenyWrite);
  Expand(archive);
  EXPECT_EQ(Contents("C:\\out\\busy"), Bytes{});
  EXPECT_EQ(Contents("C:\\out\\free"), kHello);

  compress.ExceptionOnFileError = true;
  try {
    Expand(archive);
    FAIL() << "a file held deny-write was replaced";
  } catch (const platform::EFCreateError& e) {
    EXPECT_EQ(e.Message(), "Cannot create file C:\\out\\busy");
  }
}

TEST_F(CompressTest, FreeSpaceIsCountedInSixtyFourBits) {
  struct Probe : TCompress {
    using TCompress::FreeSpaceFor;
  } probe;
  probe.CheckSpaceBeforeExpand = false;
  EXPECT_EQ(probe.FreeSpaceFor("C:\\x"), 2147483647);
  probe.CheckSpaceBeforeExpand = true;
  WriteHostFile(machine.Host("C:\\old"), std::string(1000, 'o'));
  // The replaced file's size counts as free; the figure is clamped, never wrapped: a drive
  // with more than 2 GiB free used to come out as a small or negative number.
  std::int64_t free = platform::DiskFree(3);
  ASSERT_GE(free, 0);
  EXPECT_NEAR(probe.FreeSpaceFor("c:\\old"), std::min<std::int64_t>(free + 1000, 2147483647), 1 << 20);
  EXPECT_NEAR(probe.FreeSpaceFor("c:\\new"), std::min<std::int64_t>(free, 2147483647), 1 << 20);
  compress.CheckSpaceBeforeExpand = true;
  Expand(ArchiveBuilder("NON").AddStored("fits", kHello).Build());
  EXPECT_TRUE(Exists("C:\\out\\fits"));
}

TEST_F(CompressTest, LockedMembersAndKeys) {
  const std::int32_t key = 0x12345678;
  const Bytes fourA(4, 0x41);
  const std::uint32_t sum = 4 * 0x41;
  auto locked = [&](std::int32_t lockMode) {
    return ArchiveBuilder("RLE").Add("a", Scramble(kRleFourA, lockMode == 2 ? key : 0), coRLE, fourA, lockMode,
                                     sum + static_cast<std::uint32_t>(key)).Build();
  };
  // No key: refused before anything is decoded, and no file is left behind.
  EXPECT_THROW(Expand(locked(2)), EInvalidKey);
  EXPECT_FALSE(Exists("C:\\out\\a"));
  compress.Key = key + 1;
  EXPECT_THROW(Expand(locked(2)), EInvalidKey);
  EXPECT_FALSE(Exists("C:\\out\\a"));
  compress.Key = key;
  Expand(locked(2));
  EXPECT_EQ(Contents("C:\\out\\a"), fourA);
  // Lock mode 1 checks the key but does not scramble.
  Expand(locked(1));
  EXPECT_EQ(Contents("C:\\out\\a"), fourA);
  // A stored member needs no key and is never checked.
  compress.Key = 0;
  Expand(ArchiveBuilder("NON").Add("s", kHello, coNone, kHello, 2, 12345).Build());
  EXPECT_EQ(Contents("C:\\out\\s"), kHello);
}

TEST_F(CompressTest, ScramblingRestartsWithEveryMember) {
  const std::int32_t key = static_cast<std::int32_t>(0xA1B2C3D4);
  Bytes text = Text("abcdefghi");  // RLE leaves it as it is
  Bytes archive = ArchiveBuilder("RLE")
                      .Add("1", Scramble(text, key), coRLE, text, 2, ByteSum(text.data(), text.size()) + 0xA1B2C3D4u)
                      .Add("2", Scramble(text, key), coRLE, text, 2, ByteSum(text.data(), text.size()) + 0xA1B2C3D4u)
                      .Build();
  // The first data byte is XORed with the key's least significant byte.
  EXPECT_EQ(archive[21 + 25 + 1], 'a' ^ 0xD4);
  compress.Key = key;
  Expand(archive);
  EXPECT_EQ(Contents("C:\\out\\1"), text);
  EXPECT_EQ(Contents("C:\\out\\2"), text);
}

TEST_F(CompressTest, WrongKeyOnLzh5IsAKeyErrorNotATableError) {
  const std::int32_t key = 0x0BADF00D;
  Bytes ab = Text("AB");
  Bytes archive = ArchiveBuilder("LH5").Add("ab", Scramble(kLzh5AB, key), coLZH5, ab, 2, 0x41 + 0x42 + key).Build();
  for (std::int32_t wrong : {1, 0x0BADF00C, -1, 0x7FFFFFFF}) {
    compress.Key = wrong;
    EXPECT_THROW(Expand(archive), EInvalidKey) << wrong;
  }
  compress.Key = key;
  Expand(archive);
  EXPECT_EQ(Contents("C:\\out\\ab"), ab);
  // Unlocked, a broken table is reported as such: the length code's first length becomes 1,
  // which overfills the code.
  Bytes broken = kLzh5AB;
  broken[2] = 0x21;
  EXPECT_THROW(Expand(ArchiveBuilder("LH5").Add("ab", broken, coLZH5, ab).Build()), ELZHBadDecodeTable);
  // And a stream cut short as damaged, but locked as a key error: a wrong key makes noise of it.
  const Bytes cut(kLzh5AB.begin(), kLzh5AB.end() - 1);
  compress.Key = 0;
  EXPECT_THROW(Expand(ArchiveBuilder("LH5").Add("ab", cut, coLZH5, ab).Build()), ETruncatedData);
  compress.Key = key;
  EXPECT_THROW(Expand(ArchiveBuilder("LH5").Add("ab", Scramble(cut, key), coLZH5, ab, 2, 0x41 + 0x42 + key).Build()),
               EInvalidKey);
}

TEST_F(CompressTest, DatesAndAttributesAreRestored) {
  TMemberHeader member;
  member.NameLength = 2;
  member.FileDate = 0x5A8B6C21;
  member.Attributes = 0x23;  // read-only, hidden, archive
  member.UncompressedSize = member.CompressedSize = static_cast<std::int32_t>(kHello.size());
  Expand(ArchiveBuilder("NON").AddRaw(member, "ro", kHello).Build());
  EXPECT_EQ(platform::FileAge("C:\\out\\ro"), 0x5A8B6C21);
  EXPECT_EQ(platform::GetFileAttributes("C:\\out\\ro"), 0x23u);
}

TEST_F(CompressTest, ChecksumFailuresAndCustomMembers) {
  // A wrong checksum leaves the decoded file in place.
  EXPECT_THROW(Expand(ArchiveBuilder("RLE").Add("bad", kRleFourA, coRLE, Bytes(4, 0x41), 0, 7).Build()), EBadChecksum);
  EXPECT_EQ(Contents("C:\\out\\bad"), Bytes(4, 0x41));

  // Without a handler a custom member is an empty file that fails its checksum.
  Bytes custom = ArchiveBuilder("CUS").Add("c", kHello, coCustom, kHello).Build();
  EXPECT_THROW(Expand(custom), EBadChecksum);
  EXPECT_EQ(Contents("C:\\out\\c"), Bytes{});
  std::string identifier;
  compress.OnExpand = [&](platform::Stream& dest, platform::Stream& source, std::int32_t sourceSize,
                          std::int32_t destSize, const std::string& id, std::int32_t& checksum) {
    identifier = id;
    EXPECT_EQ(sourceSize, destSize);
    Bytes data(static_cast<std::size_t>(sourceSize));
    source.ReadBuffer(data.data(), data.size());
    dest.WriteBuffer(data.data(), data.size());
    checksum = static_cast<std::int32_t>(ByteSum(data.data(), data.size()));
  };
  Expand(custom);
  EXPECT_EQ(identifier, "CUS");
  EXPECT_EQ(Contents("C:\\out\\c"), kHello);
}

TEST_F(CompressTest, ProgressAbortFailsTheChecksum) {
  Bytes text(20000, 'x');
  for (std::size_t i = 0; i < text.size(); i += 2) text[i] = 'y';
  Bytes archive = ArchiveBuilder("RLE").Add("t", text, coRLE, text).Build();
  std::vector<std::int32_t> reports;
  compress.OnShowProgress = [&](std::int32_t& percentage) {
    reports.push_back(percentage);
    if (reports.size() == 2) percentage = -1;
  };
  EXPECT_THROW(Expand(archive), EBadChecksum);
  EXPECT_EQ(reports.size(), 2u);  // the decoder saw its input end
  reports.clear();
  compress.OnShowProgress = [&](std::int32_t& percentage) { reports.push_back(percentage); };
  Expand(archive);
  EXPECT_EQ(reports, (std::vector<std::int32_t>{40, 81, 100}));
}

}  // namespace
}  // namespace zev::compress
