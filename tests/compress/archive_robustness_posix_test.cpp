// Archives whose members declare more than the target's disk holds, against a small disk that
// Linux mounts for the test.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>

#include "compress/compress.h"
#include "compress/errors.h"
#include "platform/files.h"
#include "tests/compress/archive_builder.h"
#include "tests/support/scoped_machine.h"
#include "tests/support/small_disk_posix.h"

namespace zev::compress {
namespace {

using platform::MemoryStream;
using testing::ArchiveBuilder;
using testing::Bytes;

// A member declaring more than the target's file system holds is refused before anything is
// written, with the free space of the folder it goes to: here a small mount below the drive,
// whose root has plenty. With the total checked too, an archive whose members fit one by one but
// not together is refused before its first member. Root only: it needs a tmpfs mount.
TEST(ArchiveRobustness, DeclaredSizesBeyondTheTargetsFreeSpaceAreRefusedBeforeWriting) {
  platform::ScopedMachine machine;
  const auto small = machine.DriveC() / "small";
  std::filesystem::create_directories(small);
  const zev::testing::ScopedSmallDisk disk(small, 64);
  if (!disk.Problem().empty()) GTEST_SKIP() << disk.Problem();
  ASSERT_LT(platform::DiskFreeAt("C:\\small\\sub\\x"), 100000);
  ASSERT_GT(platform::DiskFree(3), 100000);

  auto declaring = [](TMemberHeader m, const char* name, std::int32_t size) {
    m.NameLength = static_cast<std::int16_t>(std::strlen(name));
    m.UncompressedSize = size;
    m.CompressedSize = 7;
    m.MethodNumber = coLZH5;
    return m;
  };
  const Bytes data = {0x00, 0x00, 0x00, 0x00, 0x04, 0x10, 0x00};
  struct Case {
    const char* what;
    Bytes archive;
    bool checkTotal;
  };
  const Case cases[] = {
      {"a member declaring 2 GiB - 1",
       ArchiveBuilder("LH5").AddRaw(declaring({}, "big", 0x7FFFFFFF), "big", data).Build(), false},
      {"two members of 40000 bytes each, with the total checked",
       ArchiveBuilder("LH5")
           .AddRaw(declaring({}, "one", 40000), "one", data)
           .AddRaw(declaring({}, "two", 40000), "two", data)
           .Build(),
       true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TCompress compress;
    compress.SetTargetPath("C:\\small\\sub");
    compress.MakeDirectories = true;
    compress.CheckSpaceBeforeExpand = true;
    compress.CheckTotalSpaceBeforeExpand = c.checkTotal;
    MemoryStream archive(c.archive);
    EXPECT_THROW(compress.ExpandCompressedStream(archive, nullptr), EInsufficientDiskSpace);
    EXPECT_TRUE(std::filesystem::is_empty(small));
  }
}

}  // namespace
}  // namespace zev::compress
