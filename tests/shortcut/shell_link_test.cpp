#include "shortcut/shell_link.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <memory>

#include "platform/attributes.h"
#include "platform/error.h"
#include "tests/shortcut/link_reader.h"
#include "tests/support/host_files.h"
#include "tests/support/scoped_machine.h"

namespace fs = std::filesystem;

namespace zev::shortcut {
namespace {

using testing::ParseLink;
using zev::testing::ReadHostBytes;
using zev::testing::WriteHostFile;

fs::path DataFile(const std::string& name) { return fs::path(__FILE__).parent_path() / "data" / name; }

TEST(ShellLink, MatchesTheGoldenFile) {
  // data/edit_exe.lnk was checked field by field against the format document and read back with
  // lnkinfo (see data/README.md); any change to the writer's bytes shows here.
  const std::vector<std::uint8_t> golden = ReadHostBytes(DataFile("edit_exe.lnk"));
  ASSERT_EQ(golden.size(), 183u);
  EXPECT_EQ(BuildShellLink("C:\\Program Files\\Tools\\edit.exe", "C:\\Program Files\\Tools\\"), golden);
}

TEST(ShellLink, HeaderAndLinkInfoFollowTheLayout) {
  struct Case {
    std::string target, workingDir;
  };
  const Case cases[] = {
      {"C:\\x", "C:\\"},  // shortest; odd lengths, so nothing relies on alignment
      {"d:\\Program Files\\Tools\\edit.exe", "d:\\Program Files\\Tools\\"},
      {"C:\\Caf\xE9 \xC4pfel\\Gr\xFC\xDF.exe", "C:\\Caf\xE9 \xC4pfel\\"},  // ANSI bytes as they stand
      {"C:\\" + std::string(300, 'a') + "\\b.exe", "C:\\" + std::string(300, 'a') + "\\"},
      {"C:/Tools/edit.exe", "C:/Tools/"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.target);
    const testing::ParsedLink link = ParseLink(BuildShellLink(c.target, c.workingDir));
    EXPECT_EQ(link.linkFlags, 0x12u);  // HasLinkInfo | HasWorkingDir, not IsUnicode
    EXPECT_EQ(link.fileAttributes, 0x20u);
    EXPECT_TRUE(link.timesZero);
    EXPECT_EQ(link.showCommand, 1u);
    EXPECT_EQ(link.hotKey, 0u);
    EXPECT_EQ(link.linkInfoFlags, 1u);  // VolumeIDAndLocalBasePath
    EXPECT_EQ(link.driveType, 3u);
    EXPECT_EQ(link.driveSerial, 0u);
    EXPECT_EQ(link.volumeLabel, "");
    EXPECT_EQ(link.localBasePath, c.target);
    EXPECT_EQ(link.commonPathSuffix, "");
    EXPECT_TRUE(link.hasWorkingDir);
    EXPECT_EQ(link.workingDir, c.workingDir);
  }
}

TEST(ShellLink, EmptyWorkingDirectoryIsLeftOut) {
  const testing::ParsedLink link = ParseLink(BuildShellLink("C:\\a.exe", ""));
  EXPECT_EQ(link.linkFlags, 0x02u);
  EXPECT_FALSE(link.hasWorkingDir);
  EXPECT_EQ(link.localBasePath, "C:\\a.exe");
}

TEST(ShellLink, RefusesWhatTheFormatOrAPathCannotHold) {
  const std::string bad[] = {
      "",
      "edit.exe",          // relative
      "\\Tools\\edit.exe",  // no drive
      "C:edit.exe",        // drive-relative
      "1:\\edit.exe",
      std::string("C:\\a\0b.exe", 10),  // a NUL would cut the stored path short
      "C:\\a\tb.exe",
      "C:\\a?.exe",
      "C:\\a|b.exe",
      "C:\\a:b.exe",
  };
  for (const std::string& target : bad) {
    SCOPED_TRACE(target);
    EXPECT_THROW(BuildShellLink(target, "C:\\"), Exception);
  }
  EXPECT_THROW(BuildShellLink("C:\\a.exe", std::string("C:\\\n", 4)), Exception);
  // The working directory's character count is 16 bits wide.
  const std::string longest = "C:\\" + std::string(0xFFFF - 3, 'd');
  EXPECT_EQ(ParseLink(BuildShellLink("C:\\a.exe", longest)).workingDir, longest);
  EXPECT_THROW(BuildShellLink("C:\\a.exe", longest + "d"), Exception);
}

TEST(ShellLink, SaveReplacesAnExistingFileAndKeepsItOnBadInput) {
  platform::ScopedMachine m;
  const fs::path host = m.DriveC() / "e.lnk";
  WriteHostFile(host, std::string(1000, 'x'));
  EXPECT_THROW(SaveShellLink("C:\\e.lnk", "relative.exe", ""), Exception);
  EXPECT_EQ(fs::file_size(host), 1000u);

  SaveShellLink("c:\\E.LNK", "C:\\Tools\\edit.exe", "C:\\Tools\\");
  EXPECT_EQ(ReadHostBytes(host), BuildShellLink("C:\\Tools\\edit.exe", "C:\\Tools\\"));

  ASSERT_TRUE(platform::SetFileAttributes("C:\\e.lnk", platform::faReadOnly));
  EXPECT_THROW(SaveShellLink("C:\\e.lnk", "C:\\other.exe", ""), platform::EFCreateError);
  EXPECT_THROW(SaveShellLink("C:\\missing\\e.lnk", "C:\\other.exe", ""), platform::EFCreateError);
}

// Runs lnkinfo on a host file and returns its output.
std::string RunLnkinfo(const fs::path& file) {
  const std::string command = "lnkinfo '" + file.string() + "' 2>&1";
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> pipe(popen(command.c_str(), "r"), pclose);
  if (!pipe) return "";
  std::string out;
  char buffer[4096];
  std::size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, pipe.get())) > 0) out.append(buffer, n);
  return out;
}

// The value of a "Name : value" line of lnkinfo's report.
std::string LnkinfoField(const std::string& report, const std::string& name) {
  std::size_t p = report.find("\t" + name);
  if (p == std::string::npos) return "<missing " + name + ">";
  p = report.find(": ", p);
  const std::size_t end = report.find('\n', p);
  return report.substr(p + 2, end - p - 2);
}

TEST(ShellLink, ReadsBackWithLnkinfo) {
#ifdef _WIN32
  GTEST_SKIP() << "lnkinfo is a tool of the Linux host";
#endif
  if (std::system("command -v lnkinfo >/dev/null 2>&1") != 0)
    GTEST_SKIP() << "lnkinfo is not installed (Debian package liblnk-utils)";
  platform::ScopedMachine m;
  SaveShellLink("C:\\edit.lnk", "c:\\Program Files\\Tools\\edit.exe", "c:\\Program Files\\Tools\\");
  const std::string report = RunLnkinfo(m.Host("C:\\edit.lnk"));
  EXPECT_EQ(LnkinfoField(report, "Local path"), "c:\\Program Files\\Tools\\edit.exe") << report;
  EXPECT_EQ(LnkinfoField(report, "Working directory"), "c:\\Program Files\\Tools\\") << report;
  EXPECT_EQ(LnkinfoField(report, "Drive type"), "Fixed (3)") << report;

  // Windows-1252 bytes, which lnkinfo reads as that code page by default and prints as UTF-8.
  SaveShellLink("C:\\cafe.lnk", "C:\\Caf\xE9\\x.exe", "C:\\Caf\xE9\\");
  const std::string cafe = RunLnkinfo(m.Host("C:\\cafe.lnk"));
  EXPECT_EQ(LnkinfoField(cafe, "Local path"), "C:\\Caf\xC3\xA9\\x.exe") << cafe;
  EXPECT_EQ(LnkinfoField(cafe, "Working directory"), "C:\\Caf\xC3\xA9\\") << cafe;
}

}  // namespace
}  // namespace zev::shortcut
