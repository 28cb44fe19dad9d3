#include "platform/shell.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "platform/scoped_machine.h"
#include "tests/platform/file_helpers.h"

namespace fs = std::filesystem;

namespace zev::platform {
namespace {

using testing::ReadHostFile;
using testing::WriteHostFile;

TEST(Shell, SplitsParametersLikeACommandLine) {
  EXPECT_EQ(SplitParameters("  /s  \"C:\\Program Files\\x\" a\"b c\"d \"\" "),
            (std::vector<std::string>{"/s", "C:\\Program Files\\x", "ab cd", ""}));
  EXPECT_TRUE(SplitParameters("").empty());
}

TEST(Shell, RecordingLauncherReplacesTheSystemOne) {
  RecordingLauncher recorder;
  Launcher* previous = SetLauncher(&recorder);
  EXPECT_EQ(&CurrentLauncher(), &recorder);
  ShellExecute("C:\\App\\run.exe", "-q", "C:\\App", 5);
  EXPECT_EQ(SetLauncher(previous), &recorder);
  ASSERT_EQ(recorder.requests.size(), 1u);
  EXPECT_EQ(recorder.requests[0].file, "C:\\App\\run.exe");
  EXPECT_EQ(recorder.requests[0].showCommand, 5);
}

TEST(Shell, SystemLauncherStartsAnExecutableInItsDirectory) {
  ScopedMachine m;
  const fs::path script = m.DriveC() / "App" / "run.sh";
  WriteHostFile(script, "#!/bin/sh\npwd > out.tmp; echo \"$1|$2\" >> out.tmp; mv out.tmp out.txt\n");
  fs::permissions(script, fs::perms::owner_all);
  SystemLauncher launcher;
  launcher.Launch({"C:\\APP\\RUN.SH", "one \"two words\"", "", 1});
  const fs::path out = m.DriveC() / "App" / "out.txt";
  for (int i = 0; i < 200 && !fs::exists(out); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  EXPECT_EQ(ReadHostFile(out), fs::canonical(m.DriveC() / "App").string() + "\none|two words\n");
  // Unreachable targets are silently ignored.
  EXPECT_NO_THROW(launcher.Launch({"Q:\\nothing.exe", "", "", 1}));
  EXPECT_NO_THROW(launcher.Launch({"C:\\missing.exe", "", "", 1}));
}

}  // namespace
}  // namespace zev::platform
