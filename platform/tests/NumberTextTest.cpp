#include "platform/NumberText.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

using platform::FloatFormatKind;

TEST(NumberTextTest, FloatToStrUsesFifteenSignificantDigits) {
  struct Case {
    double value;
    const char* expected;
  };
  const Case cases[] = {
      {0.0, "0"},
      {-0.0, "0"},
      {0.1, "0.1"},
      {0.1 + 0.2, "0.3"},  // the 17th digit does not show
      {-1.5, "-1.5"},
      {100.0, "100"},
      {1.0 / 3.0, "0.333333333333333"},
      {2.0 / 3.0, "0.666666666666667"},
      {123456789012345.0, "123456789012345"},  // fifteen integer digits stay fixed
      {1e15, "1E15"},                          // sixteen do not
      {1e100, "1E100"},
      {1e-4, "0.0001"},
      {1e-5, "1E-5"},
      {-1.5e-7, "-1.5E-7"},
      {999999999999999.9, "1E15"},  // rounding carries into a new digit
      {HUGE_VAL, "INF"},
      {-HUGE_VAL, "-INF"},
      {std::nan(""), "NAN"},
  };
  for (const Case& c : cases) EXPECT_EQ(platform::FloatToStr(c.value), c.expected) << c.value;
}

TEST(NumberTextTest, FloatToStrFFormatsEachKind) {
  struct Case {
    double value;
    FloatFormatKind kind;
    int precision;
    int digits;
    const char* expected;
  };
  const Case cases[] = {
      // Exact halves go away from zero; binary values just below a half do not.
      {0.125, FloatFormatKind::Fixed, 15, 2, "0.13"},
      {2.5, FloatFormatKind::Fixed, 15, 0, "3"},
      {-2.5, FloatFormatKind::Fixed, 15, 0, "-3"},
      {1.005, FloatFormatKind::Fixed, 15, 2, "1.00"},
      {0.5, FloatFormatKind::Fixed, 15, 0, "1"},
      {-0.001, FloatFormatKind::Fixed, 15, 2, "0.00"},    // no sign on a rounded zero
      {1.23456, FloatFormatKind::Fixed, 3, 4, "1.2300"},  // the precision limits the digits
      {1234.5, FloatFormatKind::Fixed, 3, 2, "1.23E3"},   // too many integer digits
      {99.95, FloatFormatKind::Fixed, 15, 1, "100.0"},
      {1234.5, FloatFormatKind::Exponent, 4, 2, "1.235E+03"},
      {-0.000123, FloatFormatKind::Exponent, 3, 0, "-1.23E-4"},
      {0.0, FloatFormatKind::Exponent, 3, 2, "0.00E+00"},
      {12.5, FloatFormatKind::General, 2, 0, "13"},
      {1e-10, FloatFormatKind::General, 15, 3, "1E-010"},
      {1234567.891, FloatFormatKind::Number, 15, 2, "1,234,567.89"},
      {-999.5, FloatFormatKind::Number, 15, 0, "-1,000"},
      {1234.5, FloatFormatKind::Currency, 15, 2, "$1,234.50"},
      {-1234.5, FloatFormatKind::Currency, 15, 2, "($1,234.50)"},
      {HUGE_VAL, FloatFormatKind::Currency, 15, 2, "INF"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(platform::FloatToStrF(c.value, c.kind, c.precision, c.digits), c.expected)
        << c.value << " kind " << static_cast<int>(c.kind);

  platform::NumberFormatSettings euro;
  euro.decimalSeparator = ',';
  euro.thousandSeparator = '.';
  euro.currencyString = "\xE2\x82\xAC";
  euro.currencyFormat = 3;
  euro.negativeCurrencyFormat = 8;
  EXPECT_EQ(platform::FloatToStrF(1234.5, FloatFormatKind::Currency, 15, 2, euro), "1.234,50 \xE2\x82\xAC");
  EXPECT_EQ(platform::FloatToStrF(-1234.5, FloatFormatKind::Currency, 15, 2, euro), "-1.234,50 \xE2\x82\xAC");
}

TEST(NumberTextTest, FormatFloatFollowsThePicture) {
  struct Case {
    const char* picture;
    double value;
    const char* expected;
  };
  const Case cases[] = {
      {"0.00", 0.125, "0.13"},
      {"0.00", 1.005, "1.00"},
      {"0", 2.5, "3"},
      {"0", -2.5, "-3"},
      {"000", 7, "007"},
      {"0", 123456, "123456"},  // more digits than places: all at the first
      {"x0y0", 123, "x12y3"},
      {"#,##0.00", 1234567.891, "1,234,567.89"},
      {"#,##0", -1234, "-1,234"},
      {"#.##", 0.5, ".5"},
      {"0.##", 1, "1"},
      {"0.0#", 1.5, "1.5"},
      {"#", 0, ""},
      {"0.00", -0.001, "0.00"},  // a rounded zero has no sign
      {"0.00E+00", 1234.5, "1.23E+03"},
      {"00.0E+0", 1234.5, "12.3E+2"},
      {"0.0E-0", 0.00012, "1.2E-4"},
      {"0.0E-0", 12000, "1.2E4"},
      {"0;(0);zero", -5, "(5)"},
      {"0;(0);zero", 0, "zero"},
      {"0.0;(0.0);zero", 0.01, "zero"},  // rounds to zero: the zero section
      {"0;", -5, "-5"},                  // empty negative section: the first, signed
      {";0", 1.5, "1.5"},                // empty first section: the general format
      {"", 1.5, "1.5"},
      {"'#'0", 5, "#5"},
      {"0 \"kg\"", 5, "5 kg"},
      {"0", 1e20, "1E20"},  // beyond 18 integer digits: general
      {"0.00", HUGE_VAL, "INF"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(platform::FormatFloat(c.picture, c.value), c.expected) << c.picture << " of " << c.value;
  EXPECT_EQ(platform::FormatFloat(u"#,##0.0 \u20AC", 1234.56), u"1,234.6 \u20AC");
}

TEST(NumberTextTest, IntToHexIsUpperCaseAndZeroPadded) {
  EXPECT_EQ(platform::IntToHex(255, 4), "00FF");
  EXPECT_EQ(platform::IntToHex(0x1F, 1), "1F");
  EXPECT_EQ(platform::IntToHex(0, 0), "0");
  EXPECT_EQ(platform::IntToHex(-1, 0), "FFFFFFFF");
  EXPECT_EQ(platform::IntToHex(int64_t{-1}, 4), "FFFFFFFFFFFFFFFF");
  EXPECT_EQ(platform::IntToHex(1, 1000).size(), 64u);
}

TEST(NumberTextTest, StrToIntTakesOnlyWholeIntegers) {
  struct Case {
    const char* text;
    std::optional<int32_t> value;
  };
  const Case cases[] = {
      {"123", 123},
      {"-123", -123},
      {"+5", 5},
      {" 42", 42},
      {"$1F", 31},
      {"0x1f", 31},
      {"X10", 16},
      {"$FFFFFFFF", -1},
      {"-$10", -16},
      {"2147483647", 2147483647},
      {"-2147483648", -2147483647 - 1},
      {"", std::nullopt},
      {" ", std::nullopt},
      {"12 ", std::nullopt},
      {"2147483648", std::nullopt},
      {"0x", std::nullopt},
      {"$", std::nullopt},
      {"1.5", std::nullopt},
      {"abc", std::nullopt},
      {"$100000000", std::nullopt},
      {"0x1G", std::nullopt},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(platform::StrToInt(c.text), c.value) << c.text;
    EXPECT_EQ(platform::StrToIntDef(c.text, 77), c.value.value_or(77)) << c.text;
  }
  EXPECT_EQ(platform::StrToInt(u"-$7f"), -127);
  EXPECT_EQ(platform::StrToIntDef(u"\u0661", 3), 3);  // only ASCII digits count
}

}  // namespace
