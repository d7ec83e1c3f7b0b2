#include "platform/Scan.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

using platform::FormatErrorKind;
using platform::scanText;

// One integer field followed by %n: count, value and units consumed.
TEST(ScanTest, ReadsIntegersByTheCRules) {
  struct Case {
    const char* text;
    const char* format;
    int count;
    int32_t value;
    int consumed;  // -1: %n not reached
  };
  const Case cases[] = {
      {"1F", "%X%n", 1, 31, 2},
      {"1G", "%X%n", 1, 1, 1},          // stops at the first non-digit
      {"0x1f", "%x%n", 1, 31, 4},       // the prefix is part of a hexadecimal field
      {"0xg", "%x%n", 1, 0, 1},         // a prefix without digits is just the zero
      {"FFFFFFFF", "%X%n", 1, -1, 8},   // the 32-bit pattern
      {"1FFFFFFFF", "%X%n", 1, -1, 9},  // saturates
      {"12 ", "%d%n", 1, 12, 2},        // the trailing blank is not consumed
      {"  -42", "%d%n", 1, -42, 5},
      {"+7", "%d%n", 1, 7, 2},
      {"99999999999", "%d%n", 1, 2147483647, 11},
      {"-99999999999", "%d%n", 1, -2147483647 - 1, 12},
      {"-1", "%u%n", 1, -1, 2},  // negated modulo 2^32, as strtoul
      {"0x10", "%i%n", 1, 16, 4},
      {"010", "%i%n", 1, 8, 3},
      {"12345", "%3d%n", 1, 123, 3},
      {"100=text", "%lU=%n", 1, 100, 4},
      {"-", "%d%n", 0, 0, -1},
      {"abc", "%d%n", 0, 0, -1},
      {"", "%d%n", -1, 0, -1},  // the text ended before the first field
      {"   ", "%d%n", -1, 0, -1},
      {"5%", "%d%%%n", 1, 5, 2},
      {"1 2", "%*d %d%n", 1, 2, 3},  // suppressed fields are not counted
  };
  for (const Case& c : cases) {
    int32_t value = 0;
    int consumed = -1;
    EXPECT_EQ(scanText(c.text, c.format, &value, &consumed), c.count) << c.format << " on '" << c.text << "'";
    EXPECT_EQ(value, c.value) << c.format << " on '" << c.text << "'";
    EXPECT_EQ(consumed, c.consumed) << c.format << " on '" << c.text << "'";
  }
}

TEST(ScanTest, ReadsFloatingPointWithAPointWhateverTheLocale) {
  struct Case {
    const char* text;
    int count;
    double value;
    int consumed;
  };
  const Case cases[] = {
      {"2.5", 1, 2.5, 3},      {"1,5", 1, 1.0, 1},      {"1.5e3", 1, 1500.0, 5}, {"1e", 1, 1.0, 1},
      {"1e+", 1, 1.0, 1},      {".5", 1, 0.5, 2},       {"-.5e-1", 1, -0.05, 6}, {"  +3.", 1, 3.0, 5},
      {".", 0, 0.0, -1},       {"-", 0, 0.0, -1},       {"", -1, 0.0, -1},       {"1e999", 1, HUGE_VAL, 5},
      {"-1e-999", 1, -0.0, 7}, {"INF", 1, HUGE_VAL, 3}, {"0.1", 1, 0.1, 3},
  };
  for (const Case& c : cases) {
    double value = 0;
    int consumed = -1;
    EXPECT_EQ(scanText(c.text, "%lf%n", &value, &consumed), c.count) << c.text;
    EXPECT_EQ(value, c.value) << c.text;
    EXPECT_EQ(consumed, c.consumed) << c.text;
  }
  double value = 0;
  EXPECT_EQ(scanText("nan", "%lf", &value), 1);
  EXPECT_TRUE(std::isnan(value));
  float single = 0;
  EXPECT_EQ(scanText("0.25", "%f", &single), 1);
  EXPECT_EQ(single, 0.25f);
}

TEST(ScanTest, MatchesLiteralsBlanksAndSeveralFields) {
  int32_t a = 0, b = 0;
  EXPECT_EQ(scanText("3-7", "%ld-%ld", &a, &b), 2);
  EXPECT_EQ(b, 7);
  EXPECT_EQ(scanText("5", "%ld-%ld", &a, &b), 1);
  EXPECT_EQ(scanText("12.3=", "%d.%d=", &a, &b), 2);
  EXPECT_EQ(scanText("12=", "%d.%d=", &a, &b), 1);
  EXPECT_EQ(scanText("4:2", "%d:%d", &a, &b), 2);

  char hemisphere = 0;
  double d = 0, m = 0, s = 0;
  EXPECT_EQ(scanText("N 45\t30  15.5", " %c %lf %lf %lf", &hemisphere, &d, &m, &s), 4);
  EXPECT_EQ(hemisphere, 'N');
  EXPECT_EQ(s, 15.5);

  std::string word;
  char letter = 0;
  EXPECT_EQ(scanText("  word  x", "%s %c", &word, &letter), 2);
  EXPECT_EQ(word, "word");
  EXPECT_EQ(letter, 'x');
  EXPECT_EQ(scanText("abcdef", "%3s", &word), 1);
  EXPECT_EQ(word, "abc");
}

TEST(ScanTest, WideTextCountsUtf16Units) {
  double value = 0;
  int consumed = 0;
  EXPECT_EQ(scanText(u"2.5x", u"%lf%n", &value, &consumed), 1);
  EXPECT_EQ(consumed, 3);
  std::u16string word;
  EXPECT_EQ(scanText(u"\u00E8\U0001F600 z", u"%s%n", &word, &consumed), 1);
  EXPECT_EQ(word, u"\u00E8\U0001F600");
  EXPECT_EQ(consumed, 3);
  // U+0125 ends in the byte of '%': it is a literal to match, not a field.
  int32_t number = 0;
  EXPECT_EQ(scanText(u"\u0125d5", u"\u0125d%d", &number), 1);
  EXPECT_EQ(number, 5);
  EXPECT_EQ(scanText(u"%d5", u"\u0125d%d", &number), 0);
}

TEST(ScanTest, ReportsWrongOrMissingTargetsWithoutStoringThroughThem) {
  double notAnInteger = 7;
  const platform::ScanTarget wrong[] = {platform::ScanTarget::to(&notAnInteger)};
  const platform::ScanResult mismatched = platform::scanArgs(std::string_view("12"), "%d", wrong);
  EXPECT_EQ(mismatched.count, 0);
  EXPECT_EQ(mismatched.status.error, FormatErrorKind::ArgumentMismatch);
  EXPECT_EQ(notAnInteger, 7);

  int32_t only = 0;
  const platform::ScanTarget one[] = {platform::ScanTarget::to(&only)};
  const platform::ScanResult missing = platform::scanArgs(std::string_view("1 2"), "%d %d", one);
  EXPECT_EQ(missing.count, 1);
  EXPECT_EQ(missing.status.error, FormatErrorKind::MissingArgument);
  EXPECT_EQ(missing.status.offset, 3u);

  std::u16string wideWord;
  const platform::ScanTarget wideTarget[] = {platform::ScanTarget::to(&wideWord)};
  EXPECT_EQ(platform::scanArgs(std::string_view("w"), "%s", wideTarget).status.error,
            FormatErrorKind::ArgumentMismatch);
  EXPECT_EQ(platform::scanArgs(std::string_view("1"), "%[0-9]", one).status.error, FormatErrorKind::BadDirective);
}

}  // namespace
