#pragma once
// Date-time values as the program keeps them: a double counting days since
// 30 December 1899, its fraction the time of day, in local time; 0 means
// absent. Encoding checks every part and fails with the conversion error, so
// a date read from the network either is a real date or raises.

#include <cstdint>
#include <optional>

using TDateTime = double;

struct TDateParts {
  int Year;
  int Month;
  int Day;
};

struct TTimeParts {
  int Hour;
  int Minute;
  int Second;
  int Millisecond;
};

// Years 1 to 9999; EConvertError "Invalid argument to date encode" otherwise.
TDateTime EncodeDate(int year, int month, int day);
// Hours below 24, minutes and seconds below 60, milliseconds below 1000, none
// negative; EConvertError "Invalid argument to time encode" otherwise.
TDateTime EncodeTime(int hour, int minute, int second, int millisecond);

// Decoding takes the whole days towards zero and the time of day from the
// magnitude of the fraction, rounded to the millisecond. Values that are not
// finite or lie beyond any calendar raise EConvertError.
TDateParts DecodeDate(TDateTime value);
TTimeParts DecodeTime(TDateTime value);
// 1 for Sunday up to 7 for Saturday.
int DayOfWeek(TDateTime value);

// The current local date and time, following the TZ environment variable.
TDateTime Now();
// Local time minus UTC at this moment, in seconds, as the C library reports
// it; none when it cannot tell.
std::optional<int32_t> LocalUtcOffsetSeconds();
