#include "net/http/internet_date.h"

#include <cstdlib>

#include <fmt/core.h>

#include "net/http/http_exceptions.h"
#include "net/http/messages.h"
#include "net/http/text_helpers.h"
#include "net/http/tokens.h"
#include "platform/exception.h"
#include "platform/int_parse.h"

namespace {
constexpr const char* DayNames[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
constexpr const char* MonthNames[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                      "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

template <size_t N>
int nameNumber(const std::string& text, const char* const (&names)[N]) {
  for (size_t i = 0; i < N; ++i) {
    if (SameText(text, names[i])) return static_cast<int>(i) + 1;
  }
  return 0;
}

// Day and month may come in either order ("06 Nov" or "Nov 6"); each reading
// takes its token and the blanks after it.
int takeDay(std::string& text, const std::string& separator) {
  const int day = StrToIntDef(TakeToken(text, separator), 1);
  text = TrimLeft(text);
  return day;
}

int takeMonth(std::string& text, const std::string& separator) {
  const int month = MonthNameNumber(TakeToken(text, separator));
  text = TrimLeft(text);
  return month;
}

TDateTime parseDate(std::string& text) {
  if (DayNameNumber(text.substr(0, 3)) > 0) {
    TakeToken(text);
    text = TrimLeft(text);
  }
  // Some servers write "06-Nov-94"; a "-" counts only inside the first word.
  const size_t dash = TextPos("-", text);
  const std::string separator = dash >= 2 && dash < TextPos(" ", text) ? "-" : " ";

  int day = 0;
  int month = 0;
  if (MonthNameNumber(TakeToken(text, separator, false)) > 0) {
    month = takeMonth(text, separator);
    day = takeDay(text, separator);
  } else {
    day = takeDay(text, separator);
    month = takeMonth(text, separator);
  }

  // The asctime form puts the year after the time.
  const std::string yearToken = TakeToken(text);
  int year = StrToIntDef(yearToken, 1900);
  if (year == 1900) {
    year = StrToIntDef(text, 1900);
    text = yearToken;
  }
  if (year < 80) {
    year += 2000;
  } else if (year < 100) {
    year += 1900;
  }

  TDateTime result = EncodeDate(year, month, day);
  if (TextPos(":", text) > 0) {
    std::string time = TakeToken(text);
    const int hours = StrToIntDef(TakeToken(time, ":"), 0);
    const int minutes = StrToIntDef(TakeToken(time, ":"), 0);
    const int seconds = StrToIntDef(TakeToken(time, ":"), 0);
    result += EncodeTime(hours, minutes, seconds, 0);
  }
  text = TrimLeft(text);
  return result;
}
}  // namespace

int DayNameNumber(const std::string& text) { return nameNumber(text, DayNames); }

int MonthNameNumber(const std::string& text) { return nameNumber(text, MonthNames); }

TDateTime ParseInternetDate(std::string& text) {
  text = Trim(text);
  if (text.empty()) return 0;
  try {
    return parseDate(text);
  } catch (const EConvertError&) {
    // An impossible date or time reads as no date at all.
    return 0;
  }
}

std::string FormatInternetDate(TDateTime value, bool gmt) {
  const TDateParts date = DecodeDate(value);
  const TTimeParts time = DecodeTime(value);
  return fmt::format("{}, {} {} {} {:02}:{:02}:{:02} {}", DayNames[DayOfWeek(value) - 1], date.Day,
                     MonthNames[date.Month - 1], date.Year, time.Hour, time.Minute, time.Second,
                     FormatUtcOffset(LocalUtcOffset(), gmt));
}

TDateTime LocalUtcOffset() {
  const auto seconds = LocalUtcOffsetSeconds();
  if (!seconds) throw EIdFailedToRetreiveTimeZoneInfo(http_messages::TimeZoneInfoFailed);
  const int minutes = std::abs(*seconds / 60);
  const TDateTime magnitude = EncodeTime(minutes / 60, minutes % 60, 0, 0);
  return *seconds < 0 ? -magnitude : magnitude;
}

std::string FormatUtcOffset(TDateTime offset, bool gmt) {
  if (gmt && offset == 0) return "GMT";
  const TTimeParts time = DecodeTime(offset);
  return fmt::format("{}{:02}{:02}", offset >= 0 ? '+' : '-', time.Hour, time.Minute);
}

TDateTime ParseUtcOffset(const std::string& text) {
  const std::string offset = Trim(text).substr(0, 5);
  if (offset.empty() || (offset[0] != '+' && offset[0] != '-')) return 0;
  // A short text leaves the minutes empty, which does not read as a number.
  const auto digits = [&offset](size_t from) { return from < offset.size() ? offset.substr(from, 2) : std::string(); };
  try {
    const TDateTime magnitude = EncodeTime(StrToInt(digits(1)), StrToInt(digits(3)), 0, 0);
    return offset[0] == '-' ? -magnitude : magnitude;
  } catch (const EConvertError&) {
    return 0;
  }
}

TDateTime InternetDateToLocal(const std::string& text) {
  std::string rest = text;
  TDateTime result = ParseInternetDate(rest);
  const TDateTime offset = rest.size() > 4 ? ParseUtcOffset(rest) : 0;
  return result - offset + LocalUtcOffset();
}
