#pragma once
// Reading and writing the date texts of HTTP headers and cookies, with their
// time-zone offsets. Values are local date-times; reading never raises and
// gives 0 for a text it cannot read.

#include <string>

#include "platform/datetime.h"

// 1 to 7 for SUN to SAT, 1 to 12 for JAN to DEC, matched as whole
// three-letter texts in any letter case; 0 otherwise.
int DayNameNumber(const std::string& text);
int MonthNameNumber(const std::string& text);

// Reads "Sun, 06 Nov 1994 08:49:37 GMT", "Sunday, 06-Nov-94 08:49:37 GMT",
// "Sun Nov  6 08:49:37 1994" and their relatives. What follows the time (a
// zone name or offset) is left in text for the caller.
TDateTime ParseInternetDate(std::string& text);
// "Sun, 6 Nov 1994 08:49:37 +0100": the value as it stands, with the local
// offset; "GMT" in place of "+0000" when gmt is set.
std::string FormatInternetDate(TDateTime value, bool gmt = false);

// Local time minus UTC, as a fraction of a day; raises
// EIdFailedToRetreiveTimeZoneInfo when the system cannot tell.
TDateTime LocalUtcOffset();
std::string FormatUtcOffset(TDateTime offset, bool gmt);
// "+hhmm" or "-hhmm" as a fraction of a day; 0 for anything else.
TDateTime ParseUtcOffset(const std::string& text);

// Reads a date with its offset and converts it to local time.
TDateTime InternetDateToLocal(const std::string& text);
