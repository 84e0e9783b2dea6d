#include "net/http/tokens.h"

#include <gtest/gtest.h>

#include <string>

#include "net/http/hosts.h"

namespace {

struct TakeCase {
  const char* input;
  const char* delimiter;
  bool caseSensitive;
  const char* token;
  const char* rest;
};

const TakeCase kTakeCases[] = {
    {"a b c", " ", true, "a", "b c"}, {"abc", " ", true, "abc", ""},
    {"", " ", true, "", ""},          {"s://h/x", "://", true, "s", "h/x"},
    {"aXYb", "xy", true, "aXYb", ""}, {"aXYb", "xy", false, "a", "b"},
    {"a", "", true, "a", ""},  // an empty delimiter is never found
};

TEST(TakeToken, ReturnsTheTextBeforeTheDelimiterAndKeepsTheRest) {
  for (const auto& c : kTakeCases) {
    SCOPED_TRACE(std::string(c.input) + " / " + c.delimiter);
    std::string input = c.input;
    EXPECT_EQ(TakeToken(input, c.delimiter, true, c.caseSensitive), c.token);
    EXPECT_EQ(input, c.rest);
  }
}

TEST(TakeToken, WithoutDeletingLeavesTheInputAlone) {
  std::string input = "Nov  6 1994";
  EXPECT_EQ(TakeToken(input, " ", false), "Nov");
  EXPECT_EQ(input, "Nov  6 1994");
  EXPECT_EQ(TakeTokenNoCase(input, "NOV", false), "");
}

TEST(TakeToken, FindsAZeroByteDelimiter) {
  std::string input("ab\0cd", 5);
  EXPECT_EQ(TakeToken(input, std::string(1, '\0')), "ab");
  EXPECT_EQ(input, "cd");
}

TEST(TakeToken, NoCaseMatchesAsciiLettersOnly) {
  std::string input = "keyVALUErest";
  EXPECT_EQ(TakeTokenNoCase(input, "value"), "key");
  EXPECT_EQ(input, "rest");
}

TEST(LastPosNoCase, SearchesBackwardsFromTheStart) {
  EXPECT_EQ(LastPosNoCase("/", "/a/b/c"), 5);
  EXPECT_EQ(LastPosNoCase("/", "/a/b/c", 4), 3);
  EXPECT_EQ(LastPosNoCase("/", "/a/b/c", 3), 3);
  EXPECT_EQ(LastPosNoCase("AB", "xabyab"), 5);
  EXPECT_EQ(LastPosNoCase("ab", "xabyab", 4), 2);
  EXPECT_EQ(LastPosNoCase("ab", "xabyab", 100), 5);
  EXPECT_EQ(LastPosNoCase("/", "abc"), 0);
  EXPECT_EQ(LastPosNoCase("abcd", "abc"), 0);
  EXPECT_EQ(LastPosNoCase("/", ""), 0);
  EXPECT_EQ(LastPosNoCase("/", "/a", 0), 0);
}

TEST(FindInMemory, FindsTheFirstOccurrenceInsideTheBlockOnly) {
  const char block[] = "xxabcabc\0abc";
  EXPECT_EQ(FindInMemory("abc", block, 8), 3);
  EXPECT_EQ(FindInMemory(std::string("\0abc", 4), block, 12), 9);
  EXPECT_EQ(FindInMemory("abc", block, 4), 0);  // the block ends inside the match
  EXPECT_EQ(FindInMemory("", block, 8), 0);
  EXPECT_EQ(FindInMemory("abcabcabc", block, 8), 0);
}

TEST(IndexInList, FindsTheFirstEqualEntry) {
  const std::vector<std::string> list = {"GET", "get", "POST"};
  EXPECT_EQ(IndexInList("get", list, true), 1);
  EXPECT_EQ(IndexInList("get", list, false), 0);
  EXPECT_EQ(IndexInList("Post", list, false), 2);
  EXPECT_EQ(IndexInList("Post", list, true), -1);
  EXPECT_EQ(IndexInList("x", {}, false), -1);
}

struct HostCase {
  const char* text;
  bool dottedQuad;
  bool hostName;
};

const HostCase kHosts[] = {
    {"1.2.3.4", true, false},        {" 127.0.0.255 ", true, false}, {"1.2.3.4.5", false, true},
    {"1.2.3", false, true},          {"256.1.1.1", false, true},     {"1.2.3.-1", false, true},
    {"1.2.3.x", false, true},        {"1..2.3", false, true},        {"www.site.example", false, true},
    {".site.example", false, false}, {"localhost", false, true},     {"", false, true},
};

TEST(Hosts, DottedQuadsAreAddressesAndNotHostNames) {
  for (const auto& c : kHosts) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(IsDottedQuad(c.text), c.dottedQuad);
    EXPECT_EQ(LooksLikeHostName(c.text), c.hostName);
  }
}

TEST(Hosts, DomainPartStartsAtTheFirstDot) {
  EXPECT_EQ(DomainPart("h.a.b"), ".a.b");
  EXPECT_EQ(DomainPart("localhost"), "localhost");
  EXPECT_EQ(DomainPart(".a"), ".a");
}

}  // namespace
