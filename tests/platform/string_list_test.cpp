#include "platform/string_list.h"

#include <gtest/gtest.h>

namespace zev {
namespace {

// IndexOf answers from an index of folded strings; it must answer as the plain search would,
// whatever was added, deleted or cleared since it was built.
TEST(StringList, IndexOfFindsTheFirstEqualIgnoringCaseAcrossChanges) {
  TStringList list;
  EXPECT_EQ(list.IndexOf("a"), -1);
  list.Add("Readme.txt");
  list.Add("README.TXT");
  list.Add("\xC9t\xE9");  // "Été", folded by Windows-1252 rules
  EXPECT_EQ(list.IndexOf("readme.TXT"), 0);
  EXPECT_EQ(list.IndexOf("\xE9T\xC9"), 2);
  list.Add("later");
  EXPECT_EQ(list.IndexOf("LATER"), 3);
  list.Delete(0);
  EXPECT_EQ(list.IndexOf("readme.txt"), 0);
  EXPECT_EQ(list.IndexOf("later"), 2);
  list.Clear();
  EXPECT_EQ(list.IndexOf("later"), -1);
  list.Add("x");
  EXPECT_EQ(list.IndexOf("X"), 0);
}

}  // namespace
}  // namespace zev
