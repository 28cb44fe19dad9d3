// Captions with accelerator marks: what is shown, which letter is underlined and which letter
// Alt presses.
#include "ui/accelerator.h"

#include <gtest/gtest.h>

namespace zev::ui {
namespace {

struct CaptionCase {
  const char* caption;
  const char* shown;
  std::size_t underline;
  char letter;
};

class AcceleratorTest : public ::testing::TestWithParam<CaptionCase> {};

TEST_P(AcceleratorTest, MarksAreStrippedAndTheFirstMarkedLetterCounts) {
  const CaptionCase& c = GetParam();
  std::size_t underline = 0;
  EXPECT_EQ(StripAccelerator(c.caption, underline), c.shown);
  EXPECT_EQ(underline, c.underline);
  EXPECT_EQ(AcceleratorOf(c.caption), c.letter);
}

constexpr std::size_t kNone = std::string::npos;

INSTANTIATE_TEST_SUITE_P(Captions, AcceleratorTest,
                         ::testing::Values(CaptionCase{"&Next", "Next", 0, 'N'}, CaptionCase{"C&heck", "Check", 1, 'H'},
                                           CaptionCase{"&ok", "ok", 0, 'O'}, CaptionCase{"Cancel", "Cancel", kNone, 0},
                                           CaptionCase{"", "", kNone, 0}, CaptionCase{"A&&B", "A&B", kNone, 0},
                                           CaptionCase{"&&&x", "&x", 1, 'X'}, CaptionCase{"&a&b", "ab", 0, 'A'},
                                           CaptionCase{"x&", "x&", kNone, 0}, CaptionCase{"&&", "&", kNone, 0}));

}  // namespace
}  // namespace zev::ui
