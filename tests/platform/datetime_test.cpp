#include "platform/datetime.h"

#include <gtest/gtest.h>

#include <ctime>
#include <limits>
#include <string>

#include "platform/exception.h"
#include "tests/platform/scoped_time_zone.h"

namespace {

std::string messageOf(void (*action)()) {
  try {
    action();
  } catch (const EConvertError& e) {
    return e.Message;
  }
  return "no error";
}

struct DateCase {
  int Year, Month, Day;
  double Expected;
};

// Day 0 is 30 December 1899; dates before it count backwards.
const DateCase kDates[] = {
    {1899, 12, 30, 0},    {1899, 12, 31, 1},  {1900, 1, 1, 2},         {1900, 3, 1, 61},   {1994, 11, 6, 34644},
    {2000, 2, 29, 36585}, {1, 1, 1, -693593}, {9999, 12, 31, 2958465}, {1899, 12, 29, -1},
};

TEST(DateTimeEncode, CountsDaysFromTheEpochAndDecodesBack) {
  for (const auto& c : kDates) {
    SCOPED_TRACE(std::to_string(c.Year) + "-" + std::to_string(c.Month) + "-" + std::to_string(c.Day));
    EXPECT_EQ(EncodeDate(c.Year, c.Month, c.Day), c.Expected);
    const TDateParts back = DecodeDate(c.Expected);
    EXPECT_EQ(back.Year, c.Year);
    EXPECT_EQ(back.Month, c.Month);
    EXPECT_EQ(back.Day, c.Day);
  }
}

TEST(DateTimeEncode, RejectsImpossibleDatesAndTimesWithTheToolkitMessages) {
  for (auto bad :
       {+[] { EncodeDate(1900, 2, 29); }, +[] { EncodeDate(0, 1, 1); }, +[] { EncodeDate(10000, 1, 1); },
        +[] { EncodeDate(2001, 13, 1); }, +[] { EncodeDate(2001, 4, 31); }, +[] { EncodeDate(2001, 1, 0); }}) {
    EXPECT_EQ(messageOf(bad), "Invalid argument to date encode");
  }
  for (auto bad :
       {+[] { EncodeTime(24, 0, 0, 0); }, +[] { EncodeTime(0, 60, 0, 0); }, +[] { EncodeTime(0, 0, 60, 0); },
        +[] { EncodeTime(0, 0, 0, 1000); }, +[] { EncodeTime(-1, 0, 0, 0); }, +[] { EncodeTime(0, -1, 0, 0); }}) {
    EXPECT_EQ(messageOf(bad), "Invalid argument to time encode");
  }
}

TEST(DateTimeDecode, TimeOfDayComesFromTheFractionRoundedToTheMillisecond) {
  const TDateTime value = EncodeDate(1994, 11, 6) + EncodeTime(8, 49, 37, 250);
  const TTimeParts t = DecodeTime(value);
  EXPECT_EQ(t.Hour, 8);
  EXPECT_EQ(t.Minute, 49);
  EXPECT_EQ(t.Second, 37);
  EXPECT_EQ(t.Millisecond, 250);

  // Negative values keep the whole day towards zero and the time from the
  // fraction's magnitude, as the toolkit's values do.
  const TTimeParts westOffset = DecodeTime(-EncodeTime(5, 30, 0, 0));
  EXPECT_EQ(westOffset.Hour, 5);
  EXPECT_EQ(westOffset.Minute, 30);

  // A hair before midnight carries into the next day rather than hour 24.
  const TDateTime almostMidnight = 1.0 - 1e-12;
  EXPECT_EQ(DecodeTime(almostMidnight).Hour, 0);
  EXPECT_EQ(DecodeDate(almostMidnight).Day, 31);
}

TEST(DateTimeDecode, ValuesBeyondAnyCalendarRaiseInsteadOfOverflowing) {
  EXPECT_THROW(DecodeDate(1e300), EConvertError);
  EXPECT_THROW(DecodeTime(std::numeric_limits<double>::quiet_NaN()), EConvertError);
  EXPECT_THROW(DayOfWeek(-std::numeric_limits<double>::infinity()), EConvertError);
  EXPECT_EQ(DecodeDate(EncodeDate(9999, 12, 31) + 5).Year, 10000);
}

TEST(DateTimeDecode, DayOfWeekStartsWithSunday) {
  EXPECT_EQ(DayOfWeek(0), 7);                        // Saturday 30 December 1899
  EXPECT_EQ(DayOfWeek(EncodeDate(1994, 11, 6)), 1);  // Sunday
  EXPECT_EQ(DayOfWeek(EncodeDate(2024, 2, 29)), 5);  // Thursday
  EXPECT_EQ(DayOfWeek(EncodeDate(1, 1, 1)), 2);      // Monday
}

TEST(DateTimeLocal, OffsetFollowsTheTimeZoneVariable) {
  {
    ScopedTimeZone zone("XST-1");
    EXPECT_EQ(LocalUtcOffsetSeconds(), 3600);
  }
  {
    ScopedTimeZone zone("XST5:30");
    EXPECT_EQ(LocalUtcOffsetSeconds(), -(5 * 3600 + 30 * 60));
  }
  {
    ScopedTimeZone zone("UTC0");
    EXPECT_EQ(LocalUtcOffsetSeconds(), 0);
  }
}

TEST(DateTimeLocal, NowIsTheLocalWallClock) {
  ScopedTimeZone zone("XST-2");
  const time_t before = time(nullptr);
  const TDateTime now = Now();
  // The Unix epoch is day 25569; two hours east of UTC.
  const double expected = 25569.0 + (static_cast<double>(before) + 2 * 3600) / 86400.0;
  EXPECT_NEAR(now, expected, 5.0 / 86400);
}

}  // namespace
