#include <gtest/gtest.h>

#include <algorithm>
#include <thread>

#include "compress/compress.h"
#include "compress/errors.h"
#include "platform/attributes.h"
#include "platform/file_stream.h"
#include "platform/files.h"
#include "tests/support/host_files.h"
#include "tests/support/scoped_machine.h"
#include "tests/support/test_inputs.h"

namespace zev::compress {
namespace {

using platform::MemoryStream;
using zev::testing::Bytes;
using zev::testing::InputKind;
using zev::testing::MakeInput;

class ArchiveWriterTest : public ::testing::Test {
 public:
  void Put(const std::string& path, const Bytes& data) { zev::testing::WriteHostFile(machine.Host(path), data); }
  Bytes Get(const std::string& path) { return zev::testing::ReadHostBytes(machine.Host(path)); }

 protected:
  Bytes Write(const std::vector<ArchiveSource>& sources, TCompressionMethod method) {
    MemoryStream archive;
    writer.CompressToStream(archive, sources, method);
    return archive.Data();
  }
  std::vector<std::shared_ptr<TCompressedFileInfo>> List(const Bytes& archive, TStringList* names = nullptr) {
    MemoryStream stream(archive);
    TStringList list;
    reader.ScanCompressedStream(stream, list);
    std::vector<std::shared_ptr<TCompressedFileInfo>> infos;
    for (std::size_t i = 0; i < list.Count(); ++i) infos.push_back(list.Object<TCompressedFileInfo>(i));
    if (names) *names = list;
    return infos;
  }
  void Expand(const Bytes& archive, const std::string& target) {
    MemoryStream stream(archive);
    reader.SetTargetPath(target);
    reader.MakeDirectories = true;
    reader.ExpandCompressedStream(stream, nullptr);
  }

  platform::ScopedMachine machine;
  TCompress writer, reader;
};

TEST_F(ArchiveWriterTest, RoundTripsEveryMethodLockedAndOpen) {
  const Bytes text = MakeInput(InputKind::Text, 20000);
  const Bytes runs = MakeInput(InputKind::Runs, 9000);
  const Bytes noise = MakeInput(InputKind::Random, 3000);
  Put("C:\\src\\text.txt", text);
  Put("C:\\src\\sub\\runs.bin", runs);
  Put("C:\\src\\noise.bin", noise);
  Put("C:\\src\\empty", {});
  // An empty member must not come last: the reader stops as soon as the sizes reach the total.
  std::vector<ArchiveSource> sources = {{"C:\\src\\empty", "empty"},
                                        {"C:\\src\\text.txt", "text.txt"},
                                        {"C:\\src\\sub\\runs.bin", "sub\\runs.bin"},
                                        {"C:\\src\\noise.bin", "noise.bin"}};
  for (TCompressionMethod method : {coNone, coRLE, coLZH, coLZH5}) {
    for (std::int32_t key : {0, 0x5EED1234, -7}) {
      SCOPED_TRACE(::testing::Message() << "method " << int(method) << " key " << key);
      writer.Key = reader.Key = key;
      Bytes archive = Write(sources, method);
      EXPECT_EQ(std::string(archive.begin() + 5, archive.begin() + 8), MethodIDs[method]);
      std::string target = "C:\\out" + std::to_string(method) + "_" + std::to_string(key & 0xFF);
      Expand(archive, target);
      EXPECT_EQ(Get(target + "\\text.txt"), text);
      EXPECT_EQ(Get(target + "\\sub\\runs.bin"), runs);
      EXPECT_EQ(Get(target + "\\noise.bin"), noise);
      EXPECT_TRUE(platform::FileExists(target + "\\empty"));
      auto infos = List(archive);
      ASSERT_EQ(infos.size(), 4u);
      // Random bytes cannot be made smaller: they are stored, whatever the method.
      EXPECT_EQ(infos[3]->MethodNumber, coNone);
      EXPECT_EQ(infos[3]->CompressedSize, 3000);
      if (method != coNone) {
        EXPECT_LT(infos[2]->CompressedSize, infos[2]->UncompressedSize);
      }
      for (const auto& info : infos) EXPECT_EQ(info->Locked, key != 0);
    }
  }
}

TEST_F(ArchiveWriterTest, HeadersCarrySizesChecksumsAndLockModes) {
  Bytes abc = {0x61, 0x94, 0x63};  // the escape byte makes RLE output longer
  Put("C:\\abc", abc);
  Put("C:\\runs", Bytes(1000, 'z'));
  writer.Key = 10;
  Bytes archive = Write({{"C:\\abc", "abc"}, {"C:\\runs", "runs"}}, coRLE);
  TArchiveHeader header = DecodeArchiveHeader(archive.data());
  EXPECT_EQ(header.TotalSize, 1003);
  EXPECT_EQ(header.LockMode, 2);
  TMemberHeader stored = DecodeMemberHeader(archive.data() + kArchiveHeaderSize);
  EXPECT_EQ(stored.MethodNumber, coNone);
  EXPECT_EQ(stored.LockMode, 1);        // stored data is never scrambled
  EXPECT_EQ(stored.Checksum, 0x61 + 0x94 + 0x63 + 10);  // the byte sum plus the key
  TMemberHeader packed = DecodeMemberHeader(archive.data() + kArchiveHeaderSize + kMemberHeaderSize + 3 + 3);
  EXPECT_EQ(packed.MethodNumber, coRLE);
  EXPECT_EQ(packed.LockMode, 2);
  EXPECT_EQ(packed.CompressedSize, 12);  // four runs of up to 255, three bytes each
  EXPECT_EQ(packed.Checksum, 1000 * 'z' + 10);
}

TEST_F(ArchiveWriterTest, DatesAttributesAndFolderOrder) {
  Put("C:\\pkg\\b.txt", {1});
  Put("C:\\pkg\\A\\z.txt", {2});
  Put("C:\\pkg\\a.txt", {3});
  {
    platform::FileStream file("C:\\pkg\\b.txt", platform::fmOpenReadWrite);
    file.SetDosDateTime(0x5A8B6C21);
  }
  platform::SetFileAttributes("C:\\pkg\\b.txt", platform::faHidden | platform::faArchive);
  std::vector<ArchiveSource> sources = TCompress::CollectFolder("C:\\pkg", "pkg\\");
  std::vector<std::string> names;
  for (const auto& s : sources) names.push_back(s.storedName);
  EXPECT_EQ(names, (std::vector<std::string>{"pkg\\A\\z.txt", "pkg\\a.txt", "pkg\\b.txt"}));

  Bytes archive = Write(sources, coRLE);
  Expand(archive, "C:\\copy");
  EXPECT_EQ(platform::FileAge("C:\\copy\\pkg\\b.txt"), 0x5A8B6C21);
  EXPECT_EQ(platform::GetFileAttributes("C:\\copy\\pkg\\b.txt"), platform::faHidden | platform::faArchive);
}

TEST_F(ArchiveWriterTest, FailedArchiveIsRemoved) {
  Put("C:\\present", {1, 2, 3});
  EXPECT_THROW(writer.CompressFiles("C:\\out.arc", {{"C:\\present", "p"}, {"C:\\missing", "m"}}, coRLE),
               platform::EFOpenError);
  EXPECT_FALSE(platform::FileExists("C:\\out.arc"));
}

TEST_F(ArchiveWriterTest, CustomCompressorNamesTheArchive) {
  Put("C:\\f", {5, 6, 7});
  writer.OnCompress = [](platform::Stream& dest, platform::Stream& source, std::string& id, std::int32_t& size,
                         std::int32_t& checksum) {
    std::uint8_t data[3];
    source.ReadBuffer(data, 3);
    dest.WriteBuffer(data, 3);
    id = "XOR";
    size = 3;
    checksum = 18;
  };
  Bytes archive = Write({{"C:\\f", "f"}}, coCustom);
  EXPECT_EQ(std::string(archive.begin() + 5, archive.begin() + 8), "XOR");
  std::string seenId;
  reader.OnRecognize = [](const std::string&, bool& recognized) { recognized = true; };
  reader.OnExpand = [&](platform::Stream& dest, platform::Stream& source, std::int32_t sourceSize, std::int32_t,
                        const std::string& id, std::int32_t& checksum) {
    seenId = id;
    Bytes data(static_cast<std::size_t>(sourceSize));
    source.ReadBuffer(data.data(), data.size());
    dest.WriteBuffer(data.data(), data.size());
    checksum = 18;
  };
  Expand(archive, "C:\\x");
  EXPECT_EQ(seenId, "XOR");
  EXPECT_EQ(Get("C:\\x\\f"), (Bytes{5, 6, 7}));
}

// Members of every kind and of sizes around the frame's blocks, the random ones incompressible.
std::vector<ArchiveSource> PutPackage(ArchiveWriterTest& test) {
  const InputKind kinds[] = {InputKind::Text, InputKind::Binary, InputKind::Runs, InputKind::Random};
  const std::size_t sizes[] = {0, 1, 8192, 30000, 3000, 17000, 8193, 40000, 500};
  std::vector<ArchiveSource> sources;
  for (std::size_t i = 0; i < std::size(sizes); ++i) {
    const std::string name = "m" + std::to_string(i);
    test.Put("C:\\pkg\\" + name, MakeInput(kinds[i % 4], sizes[i], static_cast<std::uint32_t>(i)));
    sources.push_back({"C:\\pkg\\" + name, name});
  }
  return sources;
}

class ParallelArchiveWriterTest : public ArchiveWriterTest {
 protected:
  Bytes WriteFile(const std::vector<ArchiveSource>& sources, TCompressionMethod method, std::int32_t threads) {
    writer.Threads = threads;
    writer.CompressFiles("C:\\out\\set.arc", sources, method);
    return Get("C:\\out\\set.arc");
  }
  void SetUp() override { std::filesystem::create_directories(machine.Host("C:\\out")); }
  // The files in the archive's folder: no temporary file is left there.
  std::vector<std::string> OutFiles() {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(machine.Host("C:\\out")))
      names.push_back(entry.path().filename().string());
    return names;
  }
};

TEST_F(ParallelArchiveWriterTest, ArchivesEqualThoseOfOneThread) {
  const std::vector<ArchiveSource> sources = PutPackage(*this);
  const struct {
    TCompressionMethod method;
    CompressionLevel level;
    std::int32_t key;
  } cases[] = {{coRLE, CompressionLevel::Exact, 0},     {coLZH, CompressionLevel::Exact, 0x5EED1234},
               {coLZH5, CompressionLevel::Exact, 0},    {coLZH5, CompressionLevel::Exact, -7},
               {coLZH5, CompressionLevel::Fast, 0},     {coLZH5, CompressionLevel::Best, 0}};
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::Message() << "method " << int{c.method} << " level " << int(c.level) << " key " << c.key);
    writer.Level = c.level;
    writer.Key = c.key;
    const Bytes single = WriteFile(sources, c.method, 1);
    EXPECT_EQ(List(single).size(), sources.size());
    for (std::int32_t threads : {2, 5}) EXPECT_EQ(WriteFile(sources, c.method, threads), single) << threads;
    EXPECT_EQ(OutFiles(), std::vector<std::string>{"set.arc"});
  }
}

TEST_F(ParallelArchiveWriterTest, ProgressFollowsTheMembersInOrderOnTheCallingThread) {
  std::vector<ArchiveSource> sources = PutPackage(*this);
  const auto caller = std::this_thread::get_id();
  std::vector<std::string> checked;
  std::vector<std::vector<std::int32_t>> percentages;
  bool elsewhere = false;
  writer.OnCheckFile = [&](std::string& path, TCProcessMode mode) {
    EXPECT_EQ(mode, cmCompressing);
    elsewhere = elsewhere || std::this_thread::get_id() != caller;
    checked.push_back(path);
    percentages.emplace_back();
  };
  writer.OnShowProgress = [&](std::int32_t& percent) {
    elsewhere = elsewhere || std::this_thread::get_id() != caller;
    ASSERT_FALSE(percentages.empty());
    percentages.back().push_back(percent);
  };
  WriteFile(sources, coLZH5, 3);
  EXPECT_FALSE(elsewhere);
  ASSERT_EQ(checked.size(), sources.size());
  for (std::size_t i = 0; i < sources.size(); ++i) {
    EXPECT_EQ(checked[i], sources[i].path);
    // Each member's percentages rise to 100, once it has any input.
    if (i > 0) {
      EXPECT_TRUE(std::is_sorted(percentages[i].begin(), percentages[i].end())) << i;
      ASSERT_FALSE(percentages[i].empty()) << i;
      EXPECT_EQ(percentages[i].back(), 100) << i;
    }
  }
}

// A member that cannot be read fails the archive as it does with one thread: after the members
// before it were named, with the same error, and the archive is removed.
TEST_F(ParallelArchiveWriterTest, AMissingFileFailsTheArchiveAsWithOneThread) {
  std::vector<ArchiveSource> sources = PutPackage(*this);
  sources.insert(sources.begin() + 4, {"C:\\pkg\\missing", "missing"});
  std::vector<std::string> checked;
  writer.OnCheckFile = [&](std::string& path, TCProcessMode) { checked.push_back(path); };
  std::string message;
  try {
    WriteFile(sources, coLZH, 4);
  } catch (const platform::EFOpenError& e) {
    message = e.Message();
  }
  EXPECT_EQ(message, platform::EFOpenError("C:\\pkg\\missing").Message());
  EXPECT_EQ(checked.size(), 5u);
  EXPECT_EQ(OutFiles(), std::vector<std::string>{});
}

}  // namespace
}  // namespace zev::compress
