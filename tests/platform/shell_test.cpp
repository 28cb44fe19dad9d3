#include "platform/shell.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/recording_launcher.h"

namespace zev::platform {
namespace {

TEST(Shell, SplitsParametersLikeACommandLine) {
  EXPECT_EQ(SplitParameters("  /s  \"C:\\Program Files\\x\" a\"b c\"d \"\" "),
            (std::vector<std::string>{"/s", "C:\\Program Files\\x", "ab cd", ""}));
  EXPECT_TRUE(SplitParameters("").empty());
}

TEST(Shell, RecordingLauncherReplacesTheSystemOne) {
  RecordingLauncher recorder;
  Launcher* previous = SetLauncher(&recorder);
  EXPECT_EQ(&CurrentLauncher(), &recorder);
  EXPECT_EQ(ShellExecute("C:\\App\\run.exe", "-q", "C:\\App", 5, true), "recorded");
  EXPECT_EQ(SetLauncher(previous), &recorder);
  ASSERT_EQ(recorder.requests.size(), 1u);
  EXPECT_EQ(recorder.requests[0].file, "C:\\App\\run.exe");
  EXPECT_EQ(recorder.requests[0].showCommand, 5);
  EXPECT_TRUE(recorder.requests[0].userChose);
}

TEST(Shell, WindowsProgramsAreKnownByTheirExtension) {
  for (const char* name : {"a.exe", "C:\\x\\SETUP.EXE", "a.Bat", "b.cmd", "c.com", "d.msi", "e.lnk", "f.pif", "g.scr"})
    EXPECT_TRUE(IsWindowsProgramName(name)) << name;
  for (const char* name : {"readme.txt", "a.exe.txt", "exe", "C:\\x.exe\\readme", "notes.html", ""})
    EXPECT_FALSE(IsWindowsProgramName(name)) << name;
}

}  // namespace
}  // namespace zev::platform
