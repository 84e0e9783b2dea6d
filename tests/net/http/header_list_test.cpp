#include "net/http/header_list.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "net/http/http_exceptions.h"

namespace {

std::vector<std::string> linesOf(const TIdHeaderList& list) {
  std::vector<std::string> lines;
  for (int32_t i = 0; i < list.Count(); ++i) lines.push_back(list.Strings(i));
  return lines;
}

void fill(TIdHeaderList& list, const std::vector<std::string>& lines) {
  for (const auto& line : lines) list.Add(line);
}

// Words of the given length separated by single blanks, count words in all.
std::string words(int count, int length) {
  std::string text;
  for (int i = 0; i < count; ++i) {
    if (i > 0) text += ' ';
    text += std::string(static_cast<size_t>(length), static_cast<char>('a' + i % 26));
  }
  return text;
}

TEST(HeaderListLookup, NamesMatchInAnyLetterCase) {
  TIdHeaderList list;
  fill(list, {"Content-Type: text/html"});
  EXPECT_EQ(list.ValueOf("content-type"), "text/html");
  EXPECT_EQ(list.ValueOf("CONTENT-TYPE"), "text/html");
  EXPECT_EQ(list.NameAt(0), "CONTENT-TYPE");
  list.MatchCase = true;
  EXPECT_EQ(list.NameAt(0), "Content-Type");
  EXPECT_EQ(list.IndexOfHeader("content-TYPE"), 0);
  EXPECT_EQ(list.ValueOf("Content-Length"), "");
}

TEST(HeaderListLookup, ValueStartsAfterNameAndOneSeparatorCharacterAndIsTrimmed) {
  TIdHeaderList list;
  fill(list, {"A:b", "B:   spaced \t", "C:", "D: x: y"});
  EXPECT_EQ(list.ValueOf("A"), "b");
  EXPECT_EQ(list.ValueOf("B"), "spaced");
  EXPECT_EQ(list.ValueOf("C"), "");
  EXPECT_EQ(list.ValueOf("D"), "x: y");
}

TEST(HeaderListLookup, ALineWithoutAColonHasTheEmptyName) {
  TIdHeaderList list;
  fill(list, {"HTTP/1.0 200 OK", "Server: s"});
  EXPECT_EQ(list.NameAt(0), "");
  EXPECT_EQ(list.IndexOfHeader(""), 0);
  EXPECT_EQ(list.IndexOfHeader("HTTP/1.0 200 OK"), -1);
  // Its value skips one character, as for any name.
  EXPECT_EQ(list.ValueAt(0), "TTP/1.0 200 OK");
}

TEST(HeaderListLookup, IndexesOutsideTheListReadAsEmptyValues) {
  TIdHeaderList list;
  fill(list, {"A: 1"});
  EXPECT_EQ(list.ValueAt(-1), "");
  EXPECT_EQ(list.ValueAt(1), "");
  try {
    list.NameAt(1);
    FAIL();
  } catch (const EStringListError& e) {
    EXPECT_EQ(e.Message, "List index out of bounds (1)");
  }
  EXPECT_THROW(list.Delete(-1), EStringListError);
  EXPECT_THROW(list.Insert(2, "x"), EStringListError);
  list.Insert(1, "B: 2");
  EXPECT_EQ(linesOf(list), (std::vector<std::string>{"A: 1", "B: 2"}));
}

TEST(HeaderListUnfold, ContinuationLinesStartWithABlankOrATab) {
  TIdHeaderList list;
  fill(list, {"X-A: one", " two", "\tthree  ", "X-B: next", "", " after-empty", "X-C:", "  ", " \t c ", "\td"});
  EXPECT_EQ(list.ValueOf("X-A"), "one two three");
  EXPECT_EQ(list.ValueOf("X-B"), "next");
  // Empty parts add no blank.
  EXPECT_EQ(list.ValueOf("X-C"), "c d");
  list.UnfoldValues = false;
  EXPECT_EQ(list.ValueOf("X-A"), "one");
}

TEST(HeaderListPut, ReplacesTheFirstLineOfANameInPlace) {
  TIdHeaderList list;
  fill(list, {"A: 1", "Cookie: a", " folded", "B: 2", "Cookie: b"});
  list.PutValue("cookie", "c");
  EXPECT_EQ(linesOf(list), (std::vector<std::string>{"A: 1", "cookie: c", "B: 2", "Cookie: b"}));
  list.PutValue("New", "n");
  EXPECT_EQ(list.Strings(4), "New: n");
}

TEST(HeaderListPut, AnEmptyValueDeletesOnlyTheFirstLineOfAName) {
  TIdHeaderList list;
  fill(list, {"A: 1", "B: 2"});
  list.PutValue("Cookie", "");
  EXPECT_EQ(linesOf(list), (std::vector<std::string>{"A: 1", "B: 2"}));

  TIdHeaderList cookies;
  fill(cookies, {"Cookie: a", " more", "Cookie: b"});
  cookies.PutValue("Cookie", "");
  EXPECT_EQ(linesOf(cookies), (std::vector<std::string>{"Cookie: b"}));
}

TEST(HeaderListPut, WithoutFoldingKeepsContinuationLinesAndOneLongLine) {
  TIdHeaderList list;
  list.FoldValues = false;
  fill(list, {"A: 1", " old"});
  list.PutValue("A", words(40, 5));
  EXPECT_EQ(list.Count(), 2);
  EXPECT_EQ(list.Strings(0), "A: " + words(40, 5));
  EXPECT_EQ(list.Strings(1), " old");
  list.NameSeparator = "=";
  list.PutValue("B", "2");
  EXPECT_EQ(list.Strings(2), "B=2");
}

// Folding at the width every list starts with and at the width of the raw
// header lists of the records.
class HeaderListFoldAtWidth : public ::testing::TestWithParam<int32_t> {};

TEST_P(HeaderListFoldAtWidth, BreaksAtBlanksWithinTheWidthAndUnfoldsBack) {
  const int32_t width = GetParam();
  TIdHeaderList list(width);
  const std::string value = words(width / 3, 5);
  list.PutValue("X-Long", value);

  const auto lines = linesOf(list);
  ASSERT_GT(lines.size(), 1u);
  EXPECT_EQ(lines[0].rfind("X-Long: ", 0), 0u);
  for (size_t i = 0; i < lines.size(); ++i) {
    SCOPED_TRACE(lines[i]);
    const size_t leading = i == 0 ? 0 : 1;
    EXPECT_LE(lines[i].size() - leading, static_cast<size_t>(width));
    if (i > 0) {
      EXPECT_EQ(lines[i][0], ' ');
      EXPECT_NE(lines[i][1], ' ');
    }
    EXPECT_NE(lines[i].back(), ' ');
  }
  EXPECT_EQ(list.ValueOf("x-long"), value);

  // Putting a shorter value removes the old continuation lines.
  list.PutValue("X-Long", "short");
  EXPECT_EQ(linesOf(list), (std::vector<std::string>{"X-Long: short"}));
}

TEST(HeaderListFold, TwoHundredCharactersAtWidth78) {
  TIdHeaderList list;
  const std::string value = words(40, 4);  // 199 characters
  list.PutValue("X", value);
  const auto lines = linesOf(list);
  EXPECT_EQ(lines, (std::vector<std::string>{
                       "X: " + words(15, 4).substr(0, 74),
                       " " + value.substr(75, 74),
                       " " + value.substr(150),
                   }));
  EXPECT_EQ(list.ValueOf("X"), value);
}

TEST_P(HeaderListFoldAtWidth, CommasBreakAndGainABlankWhenUnfolded) {
  TIdHeaderList list(GetParam());
  std::string value;
  for (int i = 0; i < GetParam() / 6; ++i) value += (i ? "," : "") + std::string(6, static_cast<char>('a' + i % 26));
  list.PutValue("Accept", value);
  ASSERT_GT(list.Count(), 1);
  EXPECT_EQ(list.Strings(0).back(), ',');
  EXPECT_EQ(list.Strings(1)[0], ' ');
  const std::string unfolded = list.ValueOf("Accept");
  EXPECT_EQ(unfolded.size(), value.size() + static_cast<size_t>(list.Count() - 1));
  EXPECT_NE(unfolded.find(", "), std::string::npos);
}

// The blank after the name is a break character like any other: a long value
// without one moves whole onto a continuation line and reads back unchanged.
TEST(HeaderListFold, NeverBreaksAValueWithoutABreakCharacter) {
  TIdHeaderList list;
  const std::string unbroken(300, 'x');
  list.PutValue("A", unbroken);
  EXPECT_EQ(linesOf(list), (std::vector<std::string>{"A:", " " + unbroken}));
  EXPECT_EQ(list.ValueOf("A"), unbroken);
}

TEST_P(HeaderListFoldAtWidth, NeverBreaksInsideDoubleQuotes) {
  const int count = GetParam() / 3;
  const std::string quoted = "\"" + words(count, 5) + "\"";
  TIdHeaderList list(GetParam());
  list.PutValue("Q", quoted + "xx");
  EXPECT_EQ(linesOf(list), (std::vector<std::string>{"Q:", " " + quoted + "xx"}));

  // After the closing quote, breaking resumes.
  const std::string mixed = quoted + " " + words(count, 5);
  list.PutValue("Q", mixed);
  EXPECT_GT(list.Count(), 2);
  EXPECT_EQ(list.Strings(1), " " + quoted);
  EXPECT_EQ(list.ValueOf("Q"), mixed);
}

INSTANTIATE_TEST_SUITE_P(Widths, HeaderListFoldAtWidth, ::testing::Values(78, 1024));

TEST(HeaderListFold, TabsBreakAndAnExistingFoldIsKept) {
  TIdHeaderList list(20);
  list.PutValue("T", "aaaaaaaaaa\tbbbbbbbbbb\tcccccccccc\tdddddddddd ee");
  EXPECT_EQ(linesOf(list), (std::vector<std::string>{"T: aaaaaaaaaa", " bbbbbbbbbb", " cccccccccc", " dddddddddd ee"}));

  TIdHeaderList folded;
  folded.PutValue("F", "one\r\n two");
  EXPECT_EQ(linesOf(folded), (std::vector<std::string>{"F: one", " two"}));
}

// A break found when only the text's last character is left to walk adds no
// line break, so the break character stays inside the last line.
TEST(HeaderListFold, NoBreakIsAddedBeforeTheLastCharacter) {
  TIdHeaderList list(20);
  list.PutValue("T", "aaaaaaaaaa\tbbbbbbbbbb\tcccccccccc");
  EXPECT_EQ(linesOf(list), (std::vector<std::string>{"T: aaaaaaaaaa", " bbbbbbbbbb\tcccccccccc"}));
}

TEST(HeaderListExtract, GathersEveryLineOfANameInOrder) {
  TIdHeaderList list;
  fill(list, {"Set-Cookie: a=1", "Server: x", "set-cookie: b=2", " c=3"});
  TIdHeaderList values;
  values.Add("kept");
  list.ExtractValues("SET-COOKIE", &values);
  EXPECT_EQ(linesOf(values), (std::vector<std::string>{"kept", "a=1", "b=2 c=3"}));
  EXPECT_NO_THROW(list.ExtractValues("Set-Cookie", nullptr));
}

TEST(HeaderListText, LinesEndWithCrLfAndAnyLineBreakSplits) {
  TIdHeaderList list;
  list.SetText("a\r\nb\nc\rd\r\n\r\ne");
  EXPECT_EQ(linesOf(list), (std::vector<std::string>{"a", "b", "c", "d", "", "e"}));
  EXPECT_EQ(list.Text(), "a\r\nb\r\nc\r\nd\r\n\r\ne\r\n");
  TIdHeaderList copy(1024);
  copy.Assign(list);
  EXPECT_EQ(linesOf(copy), linesOf(list));
  EXPECT_EQ(copy.FoldWidth, 1024);
  list.SetText("");
  EXPECT_EQ(list.Count(), 0);
}

}  // namespace
