// The licence text a package brings is shown up to 1 MiB and 10,000 lines; the rest is cut, with a
// note in the log, so that a few bytes of set (a file of newlines compresses to nothing) cannot
// make the memo take gigabytes.
#include "setup/license_text.h"

#include <algorithm>

#include "tests/setup/setup_fixture.h"

namespace zev::setup::testing {
namespace {

class LicenseTextTest : public SetupFixture {};

std::string Repeat(const std::string& piece, std::size_t times) {
  std::string out;
  out.reserve(piece.size() * times);
  for (std::size_t i = 0; i < times; ++i) out += piece;
  return out;
}

TEST_F(LicenseTextTest, IsCutAtOneMebibyteAndTenThousandLines) {
  struct Case {
    const char* what;
    std::string content;
    std::size_t lines;
    std::size_t lastLineSize;
    bool cut;
  };
  const Case cases[] = {
      {"10000 lines", Repeat("x\r\n", 10000), 10000, 1, false},
      {"10000 lines and one more", Repeat("x\r\n", 10000) + "y", 10000, 1, true},
      {"8 MiB of newlines", std::string(8 << 20, '\n'), 10000, 0, true},
      {"one line of exactly 1 MiB", std::string(kLicenseMaxBytes, 'a'), 1, kLicenseMaxBytes, false},
      {"one line of 1 MiB and one byte", std::string(kLicenseMaxBytes + 1, 'a'), 1, kLicenseMaxBytes, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    PutTemp("license.txt", c.content);
    const LicenseText text = LoadLicenseText("C:\\WINDOWS\\Temp\\z\\license.txt");
    EXPECT_EQ(text.lines.size(), c.lines);
    EXPECT_EQ(text.lines.back().size(), c.lastLineSize);
    EXPECT_EQ(text.cut, c.cut);
  }
  // The wizard shows what was kept and says in the log that the rest was cut.
  PutTemp("license.txt", std::string(8 << 20, '\n'));
  TZEV& wizard = ShowWizard();
  EXPECT_EQ(wizard.Memo3.Lines.Count(), kLicenseMaxLines);
  EXPECT_TRUE(std::any_of(log.begin(), log.end(), [](const std::string& line) {
    return line.find("licence text cut after 10000 lines") != std::string::npos;
  }));
}

}  // namespace
}  // namespace zev::setup::testing
