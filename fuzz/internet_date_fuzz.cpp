// Any text as a date: reading never raises or reads outside the text, and a
// date that reads is written and read back to the same value. Year 1900 is
// left out: the reader takes it as "no year here" and looks for the year
// after the time, so a written 1900 date loses its time when read.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <ctime>
#include <string>

#include "fuzz_check.h"
#include "net/http/internet_date.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  setenv("TZ", "XST-1", 1);
  tzset();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  std::string rest = text;
  const TDateTime value = ParseInternetDate(rest);
  fuzzCheck(rest.size() <= text.size(), "the rest is part of the text", text);
  InternetDateToLocal(text);
  const TDateTime offset = ParseUtcOffset(text);
  fuzzCheck(offset > -1 && offset < 1, "an offset is less than a day", text);

  if (value >= EncodeDate(1901, 1, 1)) {
    const std::string formatted = FormatInternetDate(value);
    std::string zone = formatted;
    fuzzCheck(ParseInternetDate(zone) == value, "a written date reads back", text + "\n" + formatted);
    fuzzCheck(zone == "+0100", "the written offset is the local one", text + "\n" + formatted);
  }
  return 0;
}
