#include "platform/shell.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <chrono>
#include <condition_variable>
#include <fstream>
#include <mutex>
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

// What a started program writes into a named pipe: opening the pipe waits until the program opens
// it, reading ends when the program closes it. Should the program never come, a watchdog opens
// the pipe itself after a minute (read and write, which does not wait), so that the test fails
// with nothing read instead of hanging.
std::string ReadFromProgram(const fs::path& pipe) {
  std::mutex mutex;
  std::condition_variable doneChanged;
  bool done = false;
  std::thread watchdog([&] {
    std::unique_lock lock(mutex);
    if (!doneChanged.wait_for(lock, std::chrono::minutes(1), [&] { return done; }))
      std::fstream(pipe, std::ios::in | std::ios::out);
  });
  const std::string text = ReadHostFile(pipe);
  {
    const std::lock_guard lock(mutex);
    done = true;
  }
  doneChanged.notify_one();
  watchdog.join();
  return text;
}

TEST(Shell, SystemLauncherStartsAnExecutableInItsDirectory) {
  ScopedMachine m;
  const fs::path script = m.DriveC() / "App" / "run.sh";
  WriteHostFile(script, "#!/bin/sh\n{ pwd; echo \"$1|$2\"; } > out.pipe\n");
  fs::permissions(script, fs::perms::owner_all);
  const fs::path out = m.DriveC() / "App" / "out.pipe";
  ASSERT_EQ(::mkfifo(out.c_str(), 0600), 0);
  SystemLauncher launcher;
  launcher.Launch({"C:\\APP\\RUN.SH", "one \"two words\"", "", 1});
  EXPECT_EQ(ReadFromProgram(out), fs::canonical(m.DriveC() / "App").string() + "\none|two words\n");
  // Unreachable targets are silently ignored.
  EXPECT_NO_THROW(launcher.Launch({"Q:\\nothing.exe", "", "", 1}));
  EXPECT_NO_THROW(launcher.Launch({"C:\\missing.exe", "", "", 1}));
}

}  // namespace
}  // namespace zev::platform
