#pragma once
// Strict decimal integer conversion: optional leading blanks, an optional
// sign, digits, and nothing after them. Anything else, or a value out of
// range, raises EConvertError "'<text>' is not a valid integer value".

#include <cstdint>
#include <string_view>

int32_t StrToInt(std::string_view text);
int64_t StrToInt64(std::string_view text);
// Raises the conversion error for text, for callers whose valid range is
// narrower than the type's.
[[noreturn]] void RaiseInvalidInteger(std::string_view text);

int32_t StrToIntDef(std::string_view text, int32_t fallback);
int64_t StrToInt64Def(std::string_view text, int64_t fallback);
