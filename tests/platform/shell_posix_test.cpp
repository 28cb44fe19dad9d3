// The Linux side of the program start: host files are never run, Windows programs go to the
// configured runner and documents to xdg-open, watched through named pipes and recording scripts.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <fstream>
#include <mutex>
#include <thread>

#include "platform/shell.h"
#include "tests/support/host_files.h"
#include "tests/support/scoped_environment.h"
#include "tests/support/scoped_machine.h"

namespace fs = std::filesystem;

namespace zev::platform {
namespace {

using zev::testing::ReadHostFile;
using zev::testing::WriteHostFile;

// Makes a named pipe at path for a detached child to write into.
void MakePipe(const fs::path& path) {
  fs::create_directories(path.parent_path());
  ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0) << path;
}

// What a detached child writes into the named pipe at path: opening the pipe waits until the
// child opens it, reading ends when the child closes it. Should the child never come, a watchdog
// opens the pipe itself after a minute (read and write, which does not wait), so that the test
// fails with nothing read instead of hanging.
std::string ReadFromChild(const fs::path& pipe) {
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

// A host script that records its working directory and arguments, one per line, into out (a
// named pipe the test reads, or a plain file where the script must not run at all).
void WriteRecorder(const fs::path& script, const fs::path& out) {
  WriteHostFile(script, "#!/bin/sh\n{ pwd; for a in \"$@\"; do echo \"$a\"; done; } > '" + out.string() + "'\n");
  fs::permissions(script, fs::perms::owner_all);
}

// Restores the program runner and PATH that a test changes.
class ShellTest : public ::testing::Test {
 protected:
  ShellTest() : savedPath_(std::getenv("PATH") ? std::getenv("PATH") : ""), path_("PATH", savedPath_) {}
  ~ShellTest() override { SetProgramRunner(""); }
  // Puts a recording xdg-open first on PATH.
  void FakeXdgOpen() {
    WriteRecorder(m.Root() / "bin" / "xdg-open", m.Root() / "opened.txt");
    path_.Set((m.Root() / "bin").string() + ":" + savedPath_);
  }

  ScopedMachine m;
  std::string savedPath_;
  zev::testing::ScopedEnvironmentVariable path_;
};

// What the system launcher does with each kind of file: it starts no host file, whatever it is
// called, and asks for the user's choice before it opens a document.
TEST_F(ShellTest, SystemLauncherNeverRunsAHostFile) {
  FakeXdgOpen();
  struct Case {
    const char* name;
    const char* content;
    bool executable;
    bool chosen;
    const char* runner;
    const char* outcome;  // how the outcome begins
  } cases[] = {
      // An executable host script is not run, as a program or as a document.
      {"run.sh", "#!/bin/sh\ntouch ran\n", true, true, "", "not opened: C:\\App\\run.sh would start a host program"},
      {"run.exe", "#!/bin/sh\ntouch ran\n", true, true, "", "not started: C:\\App\\run.exe is a Windows program and no"},
      // A runner never gets a host executable that calls itself a Windows program.
      {"elf.exe", "\x7f" "ELF\x02\x01", false, true, "/bin/true", "not started: C:\\App\\elf.exe is no Windows program"},
      {"run.bat", "#!/bin/sh\n", false, true, "/bin/true", "not started: C:\\App\\run.bat is no Windows program"},
      {"app.exe", "MZ", false, true, "no-such-runner-here", "not started: the program runner no-such-runner-here"},
      // Documents: only when chosen, and never a program in disguise.
      {"readme.txt", "text", false, false, "", "not opened: C:\\App\\readme.txt is a document and the user did not"},
      {"tool.desktop", "[Desktop Entry]\nExec=touch ran\n", false, true, "", "not opened: C:\\App\\tool.desktop would"},
      {"notes.txt", "text", true, true, "", "not opened: C:\\App\\notes.txt would start a host program (it has the"},
      {"readme.doc", "#!/bin/sh\n", false, true, "", "not opened: C:\\App\\readme.doc would start a host program"},
      {"missing.exe", nullptr, false, true, "/bin/true", "not started: C:\\App\\missing.exe does not exist"},
  };
  SystemLauncher launcher;
  for (const Case& c : cases) {
    const fs::path file = m.DriveC() / "App" / c.name;
    fs::remove(file);
    if (c.content) {
      WriteHostFile(file, c.content);
      fs::permissions(file, c.executable ? fs::perms::owner_all : fs::perms::owner_read | fs::perms::owner_write);
    }
    SetProgramRunner(c.runner);
    const std::string outcome = launcher.Launch({std::string("C:\\App\\") + c.name, "", "", 1, c.chosen});
    EXPECT_EQ(outcome.rfind(c.outcome, 0), 0u) << c.name << ": " << outcome;
  }
  EXPECT_FALSE(fs::exists(m.Root() / "opened.txt"));
  EXPECT_EQ(launcher.Launch({"Q:\\nothing.exe", "", "", 1, true}).rfind("not started: ", 0), 0u);
}

TEST_F(ShellTest, WindowsProgramGoesToTheConfiguredRunnerInItsDirectory) {
  const fs::path runner = m.Root() / "bin" / "runner";
  WriteRecorder(runner, m.Root() / "ran.txt");
  WriteHostFile(m.DriveC() / "App" / "app.exe", "MZ\x90");
  MakePipe(m.Root() / "ran.txt");
  SetProgramRunner("\"" + runner.string() + "\" --flag");
  ASSERT_EQ(ProgramRunner(), (std::vector<std::string>{runner.string(), "--flag"}));
  const std::string outcome = SystemLauncher().Launch({"C:\\APP\\APP.EXE", "one \"two words\"", "", 1, false});
  const fs::path app = fs::canonical(m.DriveC() / "App");
  EXPECT_EQ(outcome, "handed to " + runner.string() + ": " + (app / "app.exe").string());
  EXPECT_EQ(ReadFromChild(m.Root() / "ran.txt"), app.string() + "\n--flag\n" + (app / "app.exe").string() + "\none\ntwo words\n");
}

TEST_F(ShellTest, ChosenDocumentIsOpenedWithXdgOpen) {
  FakeXdgOpen();
  WriteHostFile(m.DriveC() / "Docs" / "readme.txt", "read me");
  MakePipe(m.Root() / "opened.txt");
  const std::string outcome = SystemLauncher().Launch({"C:\\Docs\\readme.txt", "", "", 1, true});
  const fs::path docs = fs::canonical(m.DriveC() / "Docs");
  EXPECT_EQ(outcome, "opened with xdg-open: " + (docs / "readme.txt").string());
  EXPECT_EQ(ReadFromChild(m.Root() / "opened.txt"), docs.string() + "\n" + (docs / "readme.txt").string() + "\n");
}

}  // namespace
}  // namespace zev::platform
