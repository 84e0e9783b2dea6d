#include "net/http/internet_date.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/platform/scoped_time_zone.h"

namespace {

const TDateTime kSunday = EncodeDate(1994, 11, 6) + EncodeTime(8, 49, 37, 0);
const TDateTime kOneHour = EncodeTime(1, 0, 0, 0);

struct ParseCase {
  const char* text;
  TDateTime expected;
  const char* rest;
};

// The three forms servers send, and the relatives the reader tolerates.
const ParseCase kParseCases[] = {
    {"Sun, 06 Nov 1994 08:49:37 GMT", kSunday, "GMT"},
    {"Sunday, 06-Nov-94 08:49:37 GMT", kSunday, "GMT"},
    {"Sun Nov  6 08:49:37 1994", kSunday, ""},
    {"  Sun, 06 Nov 1994 08:49:37 +0100 \r\n", kSunday, "+0100"},
    {"06 Nov 1994 08:49:37 GMT", kSunday, "GMT"},
    {"Fri, Nov 6 1994 08:49:37 GMT", kSunday, "GMT"},
    {"sun, 06 nov 1994 08:49:37 gmt", kSunday, "gmt"},
    {"Sun, 06 Nov 1994", EncodeDate(1994, 11, 6), ""},
    {"Sun, 06 Nov 1994 08:49", EncodeDate(1994, 11, 6) + EncodeTime(8, 49, 0, 0), ""},
    {"Sun, xx Nov 1994", EncodeDate(1994, 11, 1), ""},  // a day that is not a number is the 1st
    // Two-digit years: below 80 in this century, from 80 in the last.
    {"01 Jan 79", EncodeDate(2079, 1, 1), ""},
    {"01 Jan 80", EncodeDate(1980, 1, 1), ""},
    {"01 Jan 99", EncodeDate(1999, 1, 1), ""},
    {"01 Jan 100", EncodeDate(100, 1, 1), ""},
    // Impossible dates and times, and text that is no date, give 0.
    {"", 0, ""},
    {"   ", 0, ""},
    {"Sun, 31 Feb 1994 08:49:37 GMT", 0, ""},
    {"Sun, 06 Nov 1994 25:00:00 GMT", 0, ""},
    {"Sun, 06 Foo 1994 08:49:37 GMT", 0, ""},
    {"garbage", 0, ""},
};

TEST(ParseInternetDate, ReadsTheThreeFormsAndLeavesTheZone) {
  for (const auto& c : kParseCases) {
    SCOPED_TRACE(c.text);
    std::string text = c.text;
    EXPECT_EQ(ParseInternetDate(text), c.expected);
    if (c.expected != 0) {
      EXPECT_EQ(text, c.rest);
    }
  }
}

TEST(DayAndMonthNames, MatchWholeThreeLetterTextsInAnyCase) {
  EXPECT_EQ(DayNameNumber("SUN"), 1);
  EXPECT_EQ(DayNameNumber("sat"), 7);
  EXPECT_EQ(DayNameNumber("Sunday"), 0);
  EXPECT_EQ(MonthNameNumber("jan"), 1);
  EXPECT_EQ(MonthNameNumber("Dec"), 12);
  EXPECT_EQ(MonthNameNumber("June"), 0);
  EXPECT_EQ(MonthNameNumber(""), 0);
}

TEST(UtcOffset, FormatsSignHoursAndMinutes) {
  EXPECT_EQ(FormatUtcOffset(-EncodeTime(5, 30, 0, 0), false), "-0530");
  EXPECT_EQ(FormatUtcOffset(kOneHour, true), "+0100");
  EXPECT_EQ(FormatUtcOffset(0, true), "GMT");
  EXPECT_EQ(FormatUtcOffset(0, false), "+0000");
}

TEST(UtcOffset, ParsesSignedHoursAndMinutesAndNothingElse) {
  EXPECT_EQ(ParseUtcOffset("+0100"), kOneHour);
  EXPECT_EQ(ParseUtcOffset(" -0530 xyz"), -EncodeTime(5, 30, 0, 0));
  EXPECT_EQ(ParseUtcOffset("+01000"), kOneHour);  // only five characters count
  for (const char* bad : {"GMT", "", "+", "+1", "+01", "+01x0", "+2500", "+0060", "0100", "+-1-1"}) {
    SCOPED_TRACE(bad);
    EXPECT_EQ(ParseUtcOffset(bad), 0);
  }
}

TEST(LocalUtcOffset, FollowsTheZone) {
  {
    ScopedTimeZone zone("XST-1");
    EXPECT_EQ(LocalUtcOffset(), kOneHour);
  }
  {
    ScopedTimeZone zone("XST5:30");
    EXPECT_EQ(LocalUtcOffset(), -EncodeTime(5, 30, 0, 0));
  }
}

TEST(FormatInternetDate, WritesTheValueUnchangedWithTheLocalOffset) {
  {
    ScopedTimeZone zone("XST-1");
    EXPECT_EQ(FormatInternetDate(kSunday), "Sun, 6 Nov 1994 08:49:37 +0100");
    EXPECT_EQ(FormatInternetDate(kSunday, true), "Sun, 6 Nov 1994 08:49:37 +0100");
  }
  {
    ScopedTimeZone zone("UTC0");
    EXPECT_EQ(FormatInternetDate(kSunday, true), "Sun, 6 Nov 1994 08:49:37 GMT");
    EXPECT_EQ(FormatInternetDate(kSunday, false), "Sun, 6 Nov 1994 08:49:37 +0000");
    EXPECT_EQ(FormatInternetDate(EncodeDate(2024, 2, 29) + EncodeTime(23, 5, 9, 0)), "Thu, 29 Feb 2024 23:05:09 +0000");
  }
  {
    ScopedTimeZone zone("XST5:30");
    EXPECT_EQ(FormatInternetDate(kSunday), "Sun, 6 Nov 1994 08:49:37 -0530");
  }
}

TEST(InternetDateToLocal, ConvertsFromTheTextsOffsetToTheLocalZone) {
  ScopedTimeZone zone("XST-1");
  // GMT, UT and other short zone names count as UTC.
  EXPECT_DOUBLE_EQ(InternetDateToLocal("Sun, 06 Nov 1994 08:49:37 GMT"), kSunday + kOneHour);
  EXPECT_DOUBLE_EQ(InternetDateToLocal("Sun, 06 Nov 1994 08:49:37 UT"), kSunday + kOneHour);
  EXPECT_DOUBLE_EQ(InternetDateToLocal("Sun Nov  6 08:49:37 1994"), kSunday + kOneHour);
  EXPECT_DOUBLE_EQ(InternetDateToLocal("Sun, 06 Nov 1994 08:49:37 +0100"), kSunday);
  EXPECT_DOUBLE_EQ(InternetDateToLocal("Sun, 06 Nov 1994 08:49:37 -0530"),
                   kSunday + EncodeTime(5, 30, 0, 0) + kOneHour);
  // A text that does not read still gets the local offset added: 0 is not
  // kept as "absent".
  EXPECT_DOUBLE_EQ(InternetDateToLocal("garbage"), kOneHour);
}

}  // namespace
