// Word wrapping of memo text: each line a paragraph of its own, broken after the last blank
// that fits, a word wider than the line broken between characters. Measured here at one pixel
// per character, so widths read as character counts.
#include "ui/text_wrap.h"

#include <gtest/gtest.h>

namespace zev::ui {
namespace {

struct WrapCase {
  const char* name;
  std::vector<std::string> lines;
  int width;
  std::vector<std::string> shown;
};

void PrintTo(const WrapCase& c, std::ostream* out) { *out << c.name; }

class WrapTest : public ::testing::TestWithParam<WrapCase> {};

TEST_P(WrapTest, BreaksAtBlanksKeepingTheLineBreaks) {
  const WrapCase& c = GetParam();
  int measured = 0;
  const auto shown = WrapLines(c.lines, c.width, [&](const std::string& text) {
    ++measured;
    return static_cast<int>(text.size());
  });
  EXPECT_EQ(shown, c.shown);
  EXPECT_LE(measured, 64) << "a line is measured a few times per break, not once per character";
}

INSTANTIATE_TEST_SUITE_P(
    Lines, WrapTest,
    ::testing::Values(
        WrapCase{"FittingLinesStay", {"one two", "", "three"}, 7, {"one two", "", "three"}},
        WrapCase{"BreakAfterTheLastBlankThatFits", {"aaa bbb ccc"}, 9, {"aaa bbb ", "ccc"}},
        WrapCase{"AWordThatDoesNotFitGoesToTheNextLine", {"aaa bbbb"}, 6, {"aaa ", "bbbb"}},
        WrapCase{"BlanksAtTheBreakHangPastTheWidth", {"aaa    bbb"}, 3, {"aaa    ", "bbb"}},
        WrapCase{"ExplicitBreaksAreKept", {"select ", "another", "directory."}, 40, {"select ", "another", "directory."}},
        WrapCase{"AWordWiderThanTheLineIsCut", {"abcdefgh ij"}, 3, {"abc", "def", "gh ", "ij"}},
        WrapCase{"WidthZeroStillMovesOn", {"ab"}, 0, {"a", "b"}},
        WrapCase{"NegativeWidthStillMovesOn", {"ab"}, -3, {"a", "b"}},
        WrapCase{"NoLinesNoneShown", {}, 10, {}},
        WrapCase{"BlanksAloneHangAsOneLine", {"     "}, 2, {"     "}},
        WrapCase{"TheHelpTextOfTheChooser",
                 {"if directory does not exists it will automaticaly be", "created."},
                 49,
                 {"if directory does not exists it will automaticaly ", "be", "created."}}));

TEST(WrapTest, ALongLineCostsFewMeasurements) {
  const std::string word = "word ";
  std::string line;
  for (int i = 0; i < 2000; ++i) line += word;
  int measured = 0;
  const auto shown = WrapLines({line}, 100, [&](const std::string& text) {
    ++measured;
    return static_cast<int>(text.size());
  });
  EXPECT_EQ(shown.size(), 100u);
  EXPECT_EQ(shown.front(), line.substr(0, 100));
  EXPECT_LT(measured, 100 * 16);
}

}  // namespace
}  // namespace zev::ui
