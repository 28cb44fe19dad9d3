// The file stream as other processes and a full disk see it on Linux, where fork and a file-size
// limit stand in for them.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>

#include "platform/error.h"
#include "platform/file_stream.h"
#include "tests/platform/can_open.h"
#include "tests/support/host_files.h"
#include "tests/support/scoped_machine.h"

namespace zev::platform {
namespace {

using zev::testing::WriteHostFile;

// Opens the file in a forked child and reports whether that worked: the other process's view.
bool ChildCanOpen(const std::string& name, std::uint16_t mode) {
  const pid_t pid = ::fork();
  if (pid == 0) ::_exit(CanOpen(name, mode) ? 0 : 1);
  int status = 0;
  ::waitpid(pid, &status, 0);
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

TEST(FileStream, OtherProcessesMeetTheSameSharingRules) {
  ScopedMachine m;
  WriteHostFile(m.DriveC() / "shared.dat", "data");
  {
    FileStream reader("C:\\shared.dat", fmOpenRead | fmShareDenyWrite);
    EXPECT_FALSE(ChildCanOpen("C:\\shared.dat", fmOpenWrite | fmShareDenyNone));
    EXPECT_TRUE(ChildCanOpen("C:\\shared.dat", fmOpenRead | fmShareDenyNone));
  }
  EXPECT_TRUE(ChildCanOpen("C:\\shared.dat", fmOpenWrite | fmShareDenyNone));
  {
    // An existing writer rules out a newcomer that denies writing.
    FileStream writer("C:\\shared.dat", fmOpenWrite | fmShareDenyNone);
    EXPECT_FALSE(ChildCanOpen("C:\\shared.dat", fmOpenRead | fmShareExclusive));
  }
  {
    FileStream exclusive("C:\\shared.dat", fmOpenRead | fmShareCompat);
    EXPECT_FALSE(ChildCanOpen("C:\\shared.dat", fmOpenRead | fmShareDenyNone));
  }
}

TEST(FileStream, AGatheredWriteThatFailsIsReportedByTheNextWriteAndByFlush) {
  ScopedMachine m;
  FileStream out("C:\\full.bin", fmCreate);
  out.GatherWrites(256);
  // A file-size limit stands in for a full disk, even for root.
  rlimit saved{};
  ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
  const auto savedHandler = std::signal(SIGXFSZ, SIG_IGN);
  rlimit small = saved;
  small.rlim_cur = 64;
  ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
  const std::string block(100, 'x');
  const std::size_t gathered = out.Write(block.data(), block.size());
  bool flushFailed = false;
  try {
    out.Flush();
  } catch (const EWriteError&) {
    flushFailed = true;
  }
  const std::size_t later = out.Write("y", 1);
  ::setrlimit(RLIMIT_FSIZE, &saved);
  std::signal(SIGXFSZ, savedHandler);

  EXPECT_EQ(gathered, block.size());
  EXPECT_TRUE(flushFailed);
  EXPECT_EQ(later, 0u);
  EXPECT_THROW(out.Flush(), EWriteError);
}

}  // namespace
}  // namespace zev::platform
