#include "platform/datetime.h"

#include <cmath>
#include <cstdlib>
#include <ctime>

#include "platform/exception.h"

namespace {
constexpr const char* DateEncodeError = "Invalid argument to date encode";
constexpr const char* TimeEncodeError = "Invalid argument to time encode";
constexpr const char* DateDecodeError = "Invalid argument to date decode";

constexpr int64_t MillisecondsPerDay = 86'400'000;
// Far beyond year 9999 yet small enough that the millisecond count of a day
// number fits in 64 bits.
constexpr double LargestDecodableDays = 1e10;

// Days from 1 March of year 0 in the proleptic Gregorian calendar, shifted so
// that 1970-01-01 is day 0; valid for every year an int holds.
constexpr int64_t daysFromCivil(int64_t year, int month, int day) {
  year -= month <= 2;
  const int64_t era = (year >= 0 ? year : year - 399) / 400;
  const int64_t yearOfEra = year - era * 400;
  const int64_t dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
  const int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
  return era * 146097 + dayOfEra - 719468;
}

TDateParts civilFromDays(int64_t days) {
  days += 719468;
  const int64_t era = (days >= 0 ? days : days - 146096) / 146097;
  const int64_t dayOfEra = days - era * 146097;
  const int64_t yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
  const int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
  const int64_t shiftedMonth = (5 * dayOfYear + 2) / 153;
  const int day = static_cast<int>(dayOfYear - (153 * shiftedMonth + 2) / 5 + 1);
  const int month = static_cast<int>(shiftedMonth < 10 ? shiftedMonth + 3 : shiftedMonth - 9);
  return {static_cast<int>(yearOfEra + era * 400 + (month <= 2)), month, day};
}

// Known at compile time, so date constants of other files may use it during
// their own static initialisation.
constexpr int64_t EpochDays = daysFromCivil(1899, 12, 30);

bool isLeapYear(int year) { return year % 4 == 0 && (year % 100 != 0 || year % 400 == 0); }

int daysInMonth(int year, int month) {
  static constexpr int Days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return month == 2 && isLeapYear(year) ? 29 : Days[month - 1];
}

struct SplitValue {
  int64_t Days;
  int64_t MillisecondOfDay;
};

// Rounds the whole value to the millisecond before splitting it, so that a
// time just short of midnight carries into the next day instead of reading
// as hour 24.
SplitValue split(TDateTime value) {
  if (!std::isfinite(value) || std::fabs(value) > LargestDecodableDays) throw EConvertError(DateDecodeError);
  const int64_t total = std::llround(value * MillisecondsPerDay);
  return {total / MillisecondsPerDay, std::llabs(total) % MillisecondsPerDay};
}
}  // namespace

TDateTime EncodeDate(int year, int month, int day) {
  if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1 || day > daysInMonth(year, month)) {
    throw EConvertError(DateEncodeError);
  }
  return static_cast<TDateTime>(daysFromCivil(year, month, day) - EpochDays);
}

TDateTime EncodeTime(int hour, int minute, int second, int millisecond) {
  if (hour < 0 || hour >= 24 || minute < 0 || minute >= 60 || second < 0 || second >= 60 || millisecond < 0 ||
      millisecond >= 1000) {
    throw EConvertError(TimeEncodeError);
  }
  const int64_t total = ((hour * 60 + minute) * 60 + second) * int64_t{1000} + millisecond;
  return static_cast<TDateTime>(total) / MillisecondsPerDay;
}

TDateParts DecodeDate(TDateTime value) { return civilFromDays(split(value).Days + EpochDays); }

TTimeParts DecodeTime(TDateTime value) {
  const int64_t ms = split(value).MillisecondOfDay;
  return {static_cast<int>(ms / 3'600'000), static_cast<int>(ms / 60'000 % 60), static_cast<int>(ms / 1000 % 60),
          static_cast<int>(ms % 1000)};
}

int DayOfWeek(TDateTime value) {
  // Day 0, 30 December 1899, was a Saturday.
  const int64_t shifted = (split(value).Days + 6) % 7;
  return static_cast<int>(shifted < 0 ? shifted + 7 : shifted) + 1;
}

TDateTime Now() {
  timespec moment{};
  clock_gettime(CLOCK_REALTIME, &moment);
  // localtime_r reads TZ only once unless asked again; tests change it.
  tzset();
  std::tm parts{};
  localtime_r(&moment.tv_sec, &parts);
  // A leap second reads as the last second of its minute.
  const int second = parts.tm_sec < 60 ? parts.tm_sec : 59;
  return EncodeDate(parts.tm_year + 1900, parts.tm_mon + 1, parts.tm_mday) +
         EncodeTime(parts.tm_hour, parts.tm_min, second, static_cast<int>(moment.tv_nsec / 1'000'000));
}

std::optional<int32_t> LocalUtcOffsetSeconds() {
  tzset();
  const time_t now = time(nullptr);
  std::tm parts{};
  if (!localtime_r(&now, &parts)) return std::nullopt;
  return static_cast<int32_t>(parts.tm_gmtoff);
}
