#include "platform/int_parse.h"

#include <gtest/gtest.h>

#include "platform/exception.h"

namespace {

TEST(StrToInt, AcceptsSignedDecimalsUpToTheLimits) {
  EXPECT_EQ(StrToInt("0"), 0);
  EXPECT_EQ(StrToInt("  42"), 42);
  EXPECT_EQ(StrToInt("+7"), 7);
  EXPECT_EQ(StrToInt("-2147483648"), INT32_MIN);
  EXPECT_EQ(StrToInt("2147483647"), INT32_MAX);
  EXPECT_EQ(StrToInt64("9223372036854775807"), INT64_MAX);
  EXPECT_EQ(StrToInt64("-9223372036854775808"), INT64_MIN);
  EXPECT_EQ(StrToInt64("3000000000"), 3000000000LL);
}

TEST(StrToInt, RejectsEverythingElseWithTheConversionMessage) {
  for (const char* bad : {"", " ", "-", "12a", "0x10", "$10", "1 ", "2147483648", "-2147483649", "1.5"}) {
    SCOPED_TRACE(bad);
    try {
      StrToInt(bad);
      FAIL();
    } catch (const EConvertError& e) {
      EXPECT_EQ(e.Message, std::string("'") + bad + "' is not a valid integer value");
    }
  }
  EXPECT_THROW(StrToInt64("9223372036854775808"), EConvertError);
  EXPECT_THROW(StrToInt64("-9223372036854775809"), EConvertError);
}

TEST(StrToIntDef, FallsBackInsteadOfRaising) {
  EXPECT_EQ(StrToIntDef("abc", -1), -1);
  EXPECT_EQ(StrToIntDef("12", -1), 12);
  EXPECT_EQ(StrToInt64Def("99999999999", 0), 99999999999LL);
}

}  // namespace
