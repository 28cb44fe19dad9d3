#include "platform/file_stream.h"

#include <gtest/gtest.h>

#include <memory>

#include "platform/attributes.h"
#include "platform/error.h"
#include "tests/platform/can_open.h"
#include "tests/support/host_files.h"
#include "tests/support/scoped_machine.h"

namespace fs = std::filesystem;

namespace zev::platform {
namespace {

using zev::testing::ReadHostFile;
using zev::testing::WriteHostFile;

TEST(FileStream, CreatesWritesSeeksAndReads) {
  ScopedMachine m;
  {
    FileStream out("C:\\new.bin", fmCreate);
    out.WriteBuffer("hello world", 11);
    EXPECT_EQ(out.Size(), 11);
    out.Seek(6, SeekOrigin::Begin);
    out.WriteBuffer("WORLD", 5);
    EXPECT_EQ(out.Position(), 11);
  }
  EXPECT_EQ(ReadHostFile(m.DriveC() / "new.bin"), "hello WORLD");
  FileStream in("c:\\NEW.BIN", fmOpenRead);
  char buffer[8] = {};
  in.Seek(-5, SeekOrigin::End);
  EXPECT_EQ(in.Read(buffer, sizeof buffer), 5u);
  EXPECT_EQ(std::string(buffer, 5), "WORLD");
  EXPECT_EQ(in.Write("x", 1), 0u);  // no write access
  EXPECT_THROW(in.WriteBuffer("x", 1), EWriteError);
  EXPECT_THROW(in.Seek(-1, SeekOrigin::Begin), EStreamError);
}

TEST(FileStream, CreateReplacesAnExistingFile) {
  ScopedMachine m;
  WriteHostFile(m.DriveC() / "f.txt", "old contents");
  { FileStream out("C:\\F.TXT", fmCreate); }
  EXPECT_EQ(fs::file_size(m.DriveC() / "f.txt"), 0u);
}

TEST(FileStream, FailuresNameTheFile) {
  ScopedMachine m;
  try {
    FileStream in("C:\\missing.txt", fmOpenRead);
    FAIL();
  } catch (const EFOpenError& e) {
    EXPECT_STREQ(e.what(), "Cannot open file C:\\missing.txt");
  }
  try {
    FileStream out("C:\\no\\such\\dir\\f", fmCreate);
    FAIL();
  } catch (const EFCreateError& e) {
    EXPECT_STREQ(e.what(), "Cannot create file C:\\no\\such\\dir\\f");
  }
  fs::create_directories(m.DriveC() / "dir");
  EXPECT_FALSE(CanOpen("C:\\dir", fmOpenRead));
  EXPECT_FALSE(CanOpen("C:\\dir", fmCreate));
  WriteHostFile(m.DriveC() / "f", "x");
  EXPECT_FALSE(CanOpen("C:\\f", fmOpenRead | 0x03));   // no such access mode
  EXPECT_FALSE(CanOpen("C:\\f", fmOpenRead | 0x50));   // no such sharing mode
}

TEST(FileStream, DenyWriteKeepsWritersOutUntilClosed) {
  ScopedMachine m;
  WriteHostFile(m.DriveC() / "shared.dat", "data");
  auto reader = std::make_unique<FileStream>("C:\\shared.dat", fmOpenRead | fmShareDenyWrite);
  // Same process, through another open.
  EXPECT_FALSE(CanOpen("C:\\shared.dat", fmOpenWrite | fmShareDenyNone));
  EXPECT_FALSE(CanOpen("C:\\shared.dat", fmOpenReadWrite | fmShareDenyNone));
  EXPECT_FALSE(CanOpen("C:\\shared.dat", fmCreate));
  EXPECT_TRUE(CanOpen("C:\\shared.dat", fmOpenRead | fmShareDenyNone));
  EXPECT_TRUE(CanOpen("C:\\shared.dat", fmOpenRead | fmShareDenyWrite));
  // A newcomer that denies reading conflicts with the first opener's reading.
  EXPECT_FALSE(CanOpen("C:\\shared.dat", fmOpenRead | fmShareDenyRead));
  reader.reset();
  EXPECT_TRUE(CanOpen("C:\\shared.dat", fmOpenWrite | fmShareDenyNone));
}

TEST(FileStream, SharingModesFollowWindowsRules) {
  ScopedMachine m;
  WriteHostFile(m.DriveC() / "f", "x");
  {
    // An existing writer rules out a newcomer that denies writing.
    FileStream writer("C:\\f", fmOpenWrite | fmShareDenyNone);
    EXPECT_FALSE(CanOpen("C:\\f", fmOpenRead | fmShareDenyWrite));
    EXPECT_TRUE(CanOpen("C:\\f", fmOpenReadWrite | fmShareDenyNone));
  }
  {
    // Exclusive (and compat, which is as strict) keeps everyone out.
    FileStream exclusive("C:\\f", fmOpenRead | fmShareCompat);
    EXPECT_FALSE(CanOpen("C:\\f", fmOpenRead | fmShareDenyNone));
  }
  {
    // Deny read lets writers in but no readers.
    FileStream denyRead("C:\\f", fmOpenWrite | fmShareDenyRead);
    EXPECT_FALSE(CanOpen("C:\\f", fmOpenRead | fmShareDenyNone));
    EXPECT_TRUE(CanOpen("C:\\f", fmOpenWrite | fmShareDenyNone));
  }
  EXPECT_TRUE(CanOpen("C:\\f", fmOpenRead | fmShareExclusive));
}

TEST(FileStream, ReadOnlyFilesCannotBeWrittenOrReplacedEvenByRoot) {
  ScopedMachine m;
  WriteHostFile(m.DriveC() / "ro.txt", "keep me");
  ASSERT_TRUE(SetFileAttributes("C:\\ro.txt", faReadOnly));
  EXPECT_FALSE(CanOpen("C:\\ro.txt", fmCreate));
  EXPECT_FALSE(CanOpen("C:\\ro.txt", fmOpenWrite | fmShareDenyNone));
  EXPECT_FALSE(CanOpen("C:\\ro.txt", fmOpenReadWrite | fmShareDenyNone));
  EXPECT_TRUE(CanOpen("C:\\ro.txt", fmOpenRead | fmShareDenyNone));
  EXPECT_EQ(ReadHostFile(m.DriveC() / "ro.txt"), "keep me");
  ASSERT_TRUE(SetFileAttributes("C:\\ro.txt", faArchive));
  EXPECT_TRUE(CanOpen("C:\\ro.txt", fmOpenWrite | fmShareDenyNone));
}

TEST(FileStream, CreateNeverWritesThroughALink) {
#ifdef _WIN32
  GTEST_SKIP() << "Windows follows a link wherever it leads, as for every program";
#endif
  ScopedMachine m;
  WriteHostFile(m.Root() / "outside.txt", "untouched");
  WriteHostFile(m.DriveC() / "target.txt", "inside");
  fs::create_symlink(m.Root() / "outside.txt", m.DriveC() / "evil.txt");
  fs::create_symlink(m.DriveC() / "target.txt", m.DriveC() / "link.txt");
  EXPECT_FALSE(CanOpen("C:\\evil.txt", fmCreate));
  EXPECT_FALSE(CanOpen("C:\\evil.txt", fmOpenRead));
  EXPECT_FALSE(CanOpen("C:\\link.txt", fmCreate));
  EXPECT_EQ(ReadHostFile(m.Root() / "outside.txt"), "untouched");
  EXPECT_EQ(ReadHostFile(m.DriveC() / "target.txt"), "inside");
  // Reading through a link that stays inside the drive works.
  FileStream in("C:\\link.txt", fmOpenRead);
  EXPECT_EQ(in.Size(), 6);
}

TEST(FileStream, CreateGivesTheAttributesOfANewFile) {
  ScopedMachine m;
  WriteHostFile(m.DriveC() / "a.txt", "x");
  ASSERT_TRUE(SetFileAttributes("C:\\a.txt", 0));
  { FileStream out("C:\\a.txt", fmCreate); }
  EXPECT_EQ(GetFileAttributes("C:\\a.txt"), faArchive);
#ifdef _WIN32
  GTEST_SKIP() << "Wine replaces a hidden or system file by a plain create, which Windows refuses";
#endif
  // As on Windows, a hidden or system file is not replaced by a plain create.
  WriteHostFile(m.DriveC() / "h.txt", "x");
  WriteHostFile(m.DriveC() / "s.txt", "x");
  ASSERT_TRUE(SetFileAttributes("C:\\h.txt", faHidden));
  ASSERT_TRUE(SetFileAttributes("C:\\s.txt", faSysFile));
  EXPECT_FALSE(CanOpen("C:\\h.txt", fmCreate));
  EXPECT_FALSE(CanOpen("C:\\s.txt", fmCreate));
  EXPECT_EQ(ReadHostFile(m.DriveC() / "h.txt"), "x");
}

TEST(FileStream, GatheredWritesLandInOrderWhateverComesNext) {
  ScopedMachine m;
  const std::string big(40, 'B');
  {
    FileStream out("C:\\g.bin", fmCreate);
    out.GatherWrites(16);
    out.WriteBuffer("0123456789", 10);
#ifndef _WIN32
    // Windows keeps every other reader out of a file opened by fmCreate.
    EXPECT_EQ(ReadHostFile(m.DriveC() / "g.bin"), "");  // still gathered
#endif
    out.WriteBuffer("abcdefghij", 10);                  // does not fit: the first ten go out
    out.WriteBuffer(big.data(), big.size());            // larger than the gathering: straight out
    EXPECT_EQ(out.Size(), 60);
    EXPECT_EQ(out.Position(), 60);
    out.Seek(0, SeekOrigin::Begin);
    char head[4] = {};
    out.ReadBuffer(head, sizeof head);
    EXPECT_EQ(std::string(head, 4), "0123");
    out.Seek(0, SeekOrigin::End);
    out.WriteBuffer("tail", 4);
    // The time is set after everything gathered has gone out, so closing does not change it.
    ASSERT_TRUE(out.SetDosDateTime(0x3A214C2A));
  }
  EXPECT_EQ(ReadHostFile(m.DriveC() / "g.bin"), "0123456789abcdefghij" + big + "tail");
  FileStream in("C:\\g.bin", fmOpenRead);
  EXPECT_EQ(in.GetDosDateTime(), 0x3A214C2A);
}

TEST(FileStream, ReadingAheadKeepsPositionsSeeksAndContents) {
  ScopedMachine m;
  std::string content;
  for (int i = 0; i < 100; ++i) content += static_cast<char>('A' + i % 26);
  WriteHostFile(m.DriveC() / "r.bin", content);
  FileStream in("C:\\r.bin", fmOpenRead);
  in.ReadAhead(16);
  auto read = [&](std::size_t n) {
    std::string out(n, '\0');
    out.resize(in.Read(out.data(), n));
    return out;
  };
  EXPECT_EQ(read(5), content.substr(0, 5));
  EXPECT_EQ(in.Position(), 5);
  EXPECT_EQ(read(20), content.substr(5, 20));  // across two blocks read ahead
  in.Seek(-3, SeekOrigin::Current);            // back inside the block in hand
  EXPECT_EQ(read(3), content.substr(22, 3));
  in.Seek(2, SeekOrigin::Begin);               // before it
  EXPECT_EQ(read(4), content.substr(2, 4));
  in.Seek(40, SeekOrigin::Current);            // beyond it
  EXPECT_EQ(in.Position(), 46);
  EXPECT_EQ(read(16), content.substr(46, 16));  // a whole block's worth goes straight through
  EXPECT_EQ(read(1), content.substr(62, 1));
  in.Seek(-4, SeekOrigin::End);
  EXPECT_EQ(read(10), content.substr(96));
  EXPECT_EQ(read(1), "");
  EXPECT_EQ(in.Position(), 100);
  EXPECT_EQ(in.Size(), 100);
  EXPECT_THROW(in.Seek(-101, SeekOrigin::Current), EStreamError);
}

}  // namespace
}  // namespace zev::platform
