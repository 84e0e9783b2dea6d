#include "platform/int_parse.h"

#include <limits>
#include <optional>
#include <string>

#include <fmt/core.h>

#include "platform/exception.h"

namespace {
constexpr const char* InvalidInteger = "'{}' is not a valid integer value";

std::optional<int64_t> parseDecimal(std::string_view text, int64_t minimum, int64_t maximum) {
  size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  if (i == text.size()) return std::nullopt;
  // Accumulate as a negative number so that the minimum itself fits.
  int64_t value = 0;
  for (; i < text.size(); ++i) {
    const char c = text[i];
    if (c < '0' || c > '9') return std::nullopt;
    const int digit = c - '0';
    if (value < (std::numeric_limits<int64_t>::min() + digit) / 10) return std::nullopt;
    value = value * 10 - digit;
  }
  if (!negative) {
    if (value < -maximum) return std::nullopt;
    return -value;
  }
  if (value < minimum) return std::nullopt;
  return value;
}

template <typename T>
std::optional<T> parseAs(std::string_view text) {
  auto v = parseDecimal(text, std::numeric_limits<T>::min(), std::numeric_limits<T>::max());
  if (!v) return std::nullopt;
  return static_cast<T>(*v);
}
}  // namespace

void RaiseInvalidInteger(std::string_view text) { throw EConvertError(fmt::format(InvalidInteger, text)); }

int32_t StrToInt(std::string_view text) {
  if (auto v = parseAs<int32_t>(text)) return *v;
  RaiseInvalidInteger(text);
}

int64_t StrToInt64(std::string_view text) {
  if (auto v = parseAs<int64_t>(text)) return *v;
  RaiseInvalidInteger(text);
}

int32_t StrToIntDef(std::string_view text, int32_t fallback) { return parseAs<int32_t>(text).value_or(fallback); }

int64_t StrToInt64Def(std::string_view text, int64_t fallback) { return parseAs<int64_t>(text).value_or(fallback); }
