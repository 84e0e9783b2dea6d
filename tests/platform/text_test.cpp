// The platform's text routines at their edges: control bytes count as
// blanks, case is ASCII only, and every line ending splits once.
#include <gtest/gtest.h>

#include "platform/text.h"

namespace {

TEST(Text, TrimAndCaseAtTheEdges) {
  EXPECT_EQ(Trim("\t\x01 a b \r\n"), "a b");
  EXPECT_EQ(Trim(" \x7f "), "\x7f");
  EXPECT_EQ(LowerCase("AbC\xc3\x89"), "abc\xc3\x89");
  EXPECT_TRUE(SameText("Content-LENGTH", "content-length"));
  EXPECT_FALSE(SameText("\xc3\xa9", "\xc3\x89"));
  EXPECT_FALSE(SameText("ab", "abc"));
}

TEST(Text, EveryLineEndingSplitsOnce) {
  using Lines = std::vector<std::string>;
  EXPECT_EQ(SplitLines("a\r\nb\nc\rd"), (Lines{"a", "b", "c", "d"}));
  EXPECT_EQ(SplitLines("a\n\nb\n"), (Lines{"a", "", "b"}));
  EXPECT_EQ(SplitLines("\r\n"), (Lines{""}));
  EXPECT_EQ(SplitLines("\n\r"), (Lines{"", ""}));
  EXPECT_EQ(SplitLines(""), Lines{});
}

}  // namespace
