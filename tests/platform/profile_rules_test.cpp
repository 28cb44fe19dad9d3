// The profile rules, run on both hosts: on Linux against the project's stand-in, on Windows
// against the system's own functions. Where the two answer differently, a case says what each
// host gives and why the stand-in keeps its answer. The Windows answers are those of the system's
// functions as this project's tests run them, under Wine.
#include <gtest/gtest.h>

#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "platform/profile.h"
#include "tests/support/host_files.h"

#ifdef _WIN32
#include "platform/machine.h"
constexpr bool kWindows = true;
#else
#include "tests/support/scoped_machine.h"
constexpr bool kWindows = false;
#endif

namespace zev::platform {
namespace {

namespace fs = std::filesystem;
using testing::ReadHostFile;
using testing::WriteHostFile;

// A folder for profile files, by its host path and by the Windows path the profile functions take.
class ProfileFolder {
 public:
#ifdef _WIN32
  // The real machine, whose drives are the system's.
  ProfileFolder()
      : saved_(Machine::Current()),
        host_(fs::temp_directory_path() / ("zev-profile-" + std::to_string(std::random_device()()))),
        windows_(host_.string()) {
    fs::create_directories(host_);
    Machine::Current().Configure({}, host_);
  }
  ~ProfileFolder() {
    Machine::Current() = saved_;
    std::error_code ignored;
    for (const auto& entry : fs::directory_iterator(host_, ignored))
      fs::permissions(entry.path(), fs::perms::owner_write, fs::perm_options::add, ignored);
    fs::remove_all(host_, ignored);
  }
#else
  ProfileFolder() : host_(machine_.DriveC() / "rules"), windows_("C:\\rules") { fs::create_directories(host_); }
#endif
  ProfileFolder(const ProfileFolder&) = delete;
  ProfileFolder& operator=(const ProfileFolder&) = delete;

  fs::path Host(const std::string& name) const { return host_ / name; }
  std::string Windows(const std::string& name) const { return windows_ + "\\" + name; }

 private:
#ifdef _WIN32
  Machine saved_;
#else
  ScopedMachine machine_;
#endif
  fs::path host_;
  std::string windows_;
};

// What a host answers; most cases expect the same of both.
struct Answer {
  std::string standIn;
  std::string windows;
  Answer(const char* both) : standIn(both), windows(both) {}  // NOLINT: the common case
  Answer(std::string onLinux, std::string onWindows) : standIn(std::move(onLinux)), windows(std::move(onWindows)) {}
  const std::string& OnThisHost() const { return kWindows ? windows : standIn; }
};

constexpr const char* kDefault = "<default>";

struct ReadCase {
  const char* what;
  std::string file;
  const char* section;
  const char* key;
  Answer expected;
};

class ProfileRules : public ::testing::Test {
 protected:
  std::string Read(const std::string& file, const char* section, const char* key, std::uint32_t size = 1024) {
    std::string value;
    GetPrivateProfileString(section, key, kDefault, value, size, folder_.Windows(file));
    return value;
  }

  ProfileFolder folder_;
};

TEST_F(ProfileRules, ReadsValuesAsWindowsDoes) {
  const ReadCase cases[] = {
      {"double quotes removed, blanks inside kept", "[S]\r\nk = \"  v  \"\r\n", "S", "k", "  v  "},
      {"single quotes removed", "[S]\r\nk='v'\r\n", "S", "k", "v"},
      {"unmatched quotes kept", "[S]\r\nk=\"v'\r\n", "S", "k", "\"v'"},
      {"one quote alone kept", "[S]\r\nk=\"v\r\n", "S", "k", "\"v"},
      {"blanks around names and value trimmed", "[S]\r\n \t k \t= \t v \t\r\n", "S", "k", "v"},
      {"section and key without regard to case", "[SeC]\r\nKeY=v\r\n", "sEc", "kEy", "v"},
      {"section name trimmed", "[ S ]\r\nk=v\r\n", "S", "k", "v"},
      {"first of repeated keys", "[S]\r\nk=1\r\nK=2\r\n", "S", "k", "1"},
      {"first of repeated sections", "[S]\r\nk=1\r\n[s]\r\nk=2\r\n", "S", "k", "1"},
      // The first section of a name is the section: a key that only a later one holds is missing.
      {"key only in a repeated section", "[S]\r\na=1\r\n[S]\r\nb=2\r\n", "S", "b", kDefault},
      // The system's functions have no comment lines of their own: asked for by its whole name, a
      // ";" line is a key. The stand-in never reads one: nobody asks for such a key, and writing one
      // is refused.
      {"comment line", "[S]\r\n;k=v\r\n", "S", ";k", {kDefault, "v"}},
      {"comment line not found by its key", "[S]\r\n;k=v\r\n", "S", "k", kDefault},
      {"only ';' starts a comment", "[S]\r\n#k=v\r\n", "S", "#k", "v"},
      {"no comment after a value", "[S]\r\nk=v ; note\r\n", "S", "k", "v ; note"},
      {"'=' in a value", "[S]\r\nk=a=b\r\n", "S", "k", "a=b"},
      {"empty value is no default", "[S]\r\nk=\r\n", "S", "k", ""},
      {"LF-only lines", "[S]\nk=v\n", "S", "k", "v"},
      {"last line without its end", "[S]\r\nk=v", "S", "k", "v"},
      {"header with text after it", "[S] text\r\nk=v\r\n", "S", "k", "v"},
      {"indented header", "  [S]\r\nk=v\r\n", "S", "k", "v"},
      {"blank inside a key name", "[S]\r\nmy key=v\r\n", "S", "my key", "v"},
      {"key before every section", "k=v\r\n[S]\r\n", "S", "k", kDefault},
      // Wine skips a UTF-8 byte order mark; Windows reads it as part of the first line, whose
      // section then has another name. The stand-in does as Windows does.
      {"UTF-8 byte order mark", "\xEF\xBB\xBF[S]\r\nk=v\r\n", "S", "k", {kDefault, "v"}},
      // Wine also ends lines at a lone CR. The files are DOS files: LF and CRLF end their lines.
      {"CR-only lines", "[S]\rk=v\r", "S", "k", {kDefault, "v"}},
      // Wine does not match "É" with "é"; the stand-in folds Windows-1252 letters as the
      // program's own name comparisons do.
      {"Windows-1252 letters folded", "[\xC9t\xE9]\r\nk=v\r\n", "\xC9T\xC9", "k", {"v", kDefault}},
      {"missing section", "[S]\r\nk=v\r\n", "T", "k", kDefault},
      {"missing file", "", "S", "k", kDefault},
  };
  int n = 0;
  for (const ReadCase& c : cases) {
    const std::string name = "read" + std::to_string(n++) + ".ini";
    if (!c.file.empty()) WriteHostFile(folder_.Host(name), c.file);
    EXPECT_EQ(Read(name, c.section, c.key), c.expected.OnThisHost()) << c.what;
  }
  EXPECT_FALSE(fs::exists(folder_.Host("read" + std::to_string(n - 1) + ".ini")));
}

TEST_F(ProfileRules, CutsValuesAndDefaultsToTheBuffer) {
  WriteHostFile(folder_.Host("cut.ini"), "[S]\r\nk=abcdef\r\n");
  std::string value;
  EXPECT_EQ(GetPrivateProfileString("S", "k", "", value, 4, folder_.Windows("cut.ini")), 3u);
  EXPECT_EQ(value, "abc");
  EXPECT_EQ(GetPrivateProfileString("S", "x", "  lead and trail  ", value, 1024, folder_.Windows("cut.ini")), 16u);
  EXPECT_EQ(value, "  lead and trail");
  // Windows drops the default's trailing spaces only; the stand-in takes a tab for a blank there
  // too, as it does wherever it trims.
  GetPrivateProfileString("S", "x", "tab\t", value, 1024, folder_.Windows("cut.ini"));
  EXPECT_EQ(value, kWindows ? "tab\t" : "tab");
  EXPECT_EQ(GetPrivateProfileString("S", "x", "defaults", value, 5, folder_.Windows("cut.ini")), 4u);
  EXPECT_EQ(value, "defa");
  EXPECT_EQ(GetPrivateProfileInt("S", "x", 7, folder_.Windows("cut.ini")), 7);
}

TEST_F(ProfileRules, ListsKeyNamesInFileOrder) {
  WriteHostFile(folder_.Host("keys.ini"),
                "[S]\r\nzeta=1\r\n;alpha=c\r\nalpha=2\r\nno equals sign\r\n  Zeta  =3\r\n[T]\r\nt=1\r\n[s]\r\nlater=4\r\n");
  using Names = std::vector<std::string>;
  EXPECT_EQ(GetPrivateProfileKeyNames("s", kProfileKeyListBufferSize, folder_.Windows("keys.ini")),
            (Names{"zeta", "alpha", "Zeta"}));
  // Names that do not fit whole are left out (Windows itself would cut the last one short).
  EXPECT_EQ(GetPrivateProfileKeyNames("S", 12, folder_.Windows("keys.ini")), (Names{"zeta", "alpha"}));
  EXPECT_EQ(GetPrivateProfileKeyNames("S", 11, folder_.Windows("keys.ini")), (Names{"zeta"}));
  std::string listing;
  EXPECT_EQ(GetPrivateProfileString("S", "", "", listing, 12, folder_.Windows("keys.ini")), 11u);
  EXPECT_EQ(listing, std::string("zeta\0alpha\0", 11));
}

struct WriteCase {
  const char* what;
  std::string before;
  const char* section;
  const char* key;
  const char* value;
  const char* readBack;
  Answer after;
};

// The system rewrites the whole file from what it parsed: every line end becomes CRLF, blank
// lines go, a comment counts as a key line, and a value loses its leading blanks. The stand-in
// keeps every line it does not change byte for byte, so that a file edited by hand stays as it
// was; each file reads back the same either way.
TEST_F(ProfileRules, WritesKeysInPlaceAndKeepsOtherLines) {
  const WriteCase cases[] = {
      {"new file", "", "S", "k", "v", "v", "[S]\r\nk=v\r\n"},
      {"key rewritten in place, other lines kept", "; top\n[S]\nx = 1\n; note\ny=2\n", "s", "X", "one", "one",
       {"; top\n[S]\nx=one\r\n; note\ny=2\n", "; top\r\n[S]\r\nx=one\r\n; note\r\ny=2\r\n"}},
      {"new key after the section's last key", "[A]\r\nx=1\r\n; note\r\n\r\n[B]\r\ny=2\r\n", "A", "z", "3", "3",
       {"[A]\r\nx=1\r\nz=3\r\n; note\r\n\r\n[B]\r\ny=2\r\n", "[A]\r\nx=1\r\n; note\r\nz=3\r\n[B]\r\ny=2\r\n"}},
      {"new section at the end", "[A]\r\nx=1", "B", "y", "2", "2", "[A]\r\nx=1\r\n[B]\r\ny=2\r\n"},
      {"value written as given", "[S]\r\n", "S", "k", " \"q\" ", "q", {"[S]\r\nk= \"q\" \r\n", "[S]\r\nk=\"q\" \r\n"}},
  };
  int n = 0;
  for (const WriteCase& c : cases) {
    const std::string name = "write" + std::to_string(n++) + ".ini";
    if (!c.before.empty()) WriteHostFile(folder_.Host(name), c.before);
    EXPECT_TRUE(WritePrivateProfileString(c.section, c.key, c.value, folder_.Windows(name))) << c.what;
    EXPECT_EQ(ReadHostFile(folder_.Host(name)), c.after.OnThisHost()) << c.what;
    EXPECT_EQ(Read(name, c.section, c.key), c.readBack) << c.what;
  }
}

TEST_F(ProfileRules, ErasesSectionsAndRefusesWhatItCannotWrite) {
  WriteHostFile(folder_.Host("erase.ini"), "[A]\r\na=1\r\n[B]\r\nb=1\r\n[a]\r\nc=1\r\n");
  EXPECT_TRUE(ErasePrivateProfileSection("a", folder_.Windows("erase.ini")));
  EXPECT_EQ(ReadHostFile(folder_.Host("erase.ini")), "[B]\r\nb=1\r\n");
  EXPECT_TRUE(ErasePrivateProfileSection("A", folder_.Windows("absent.ini")));
  EXPECT_FALSE(fs::exists(folder_.Host("absent.ini")));

  // A line break would add lines of its own: refused on both hosts, the file untouched.
  WriteHostFile(folder_.Host("refused.ini"), "[S]\r\nk=1\r\n");
  EXPECT_FALSE(WritePrivateProfileString("S", "k", "v\r\n[T]", folder_.Windows("refused.ini")));
  EXPECT_FALSE(WritePrivateProfileString("S", "a=b", "v", folder_.Windows("refused.ini")));
  EXPECT_EQ(ReadHostFile(folder_.Host("refused.ini")), "[S]\r\nk=1\r\n");

  // A read-only file stays as it is.
  fs::permissions(folder_.Host("refused.ini"), fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                  fs::perm_options::remove);
  EXPECT_FALSE(WritePrivateProfileString("S", "k", "2", folder_.Windows("refused.ini")));
  EXPECT_EQ(Read("refused.ini", "S", "k"), "1");

  EXPECT_FALSE(WritePrivateProfileString("S", "k", "v", folder_.Windows("no folder\\x.ini")));
  EXPECT_FALSE(fs::exists(folder_.Host("no folder")));
}

}  // namespace
}  // namespace zev::platform
