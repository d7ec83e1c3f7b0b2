#include "zefcorek/StrScanner.h"

#include "zefcorek/GeoTypes.h"

#include <gtest/gtest.h>

#include <numbers>
#include <string>

namespace {

constexpr double kPi = std::numbers::pi;

TEST(StrScannerTest, Integers) {
  struct Case {
    const WCHAR* text;
    bool ok;
    int32_t value;
    uint32_t offset;  // where the scanner stands afterwards
  };
  const Case cases[] = {
      {u"x12", false, 0, 0},        {u"  x12", false, 0, 2},                       // only the blanks were skipped
      {u"-17abc", true, -17, 3},    {u"\t+42", true, 42, 4}, {u"-", false, 0, 1},  // a sign at the very end
      {u"-x", true, 0, 1},                                                         // a sign without digits reads as 0
      {u"4294967297", true, 1, 10},                                                // wraps round in 32 bits
      {u"", false, 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "case " << (&c - cases));
    TStrScanner scanner(c.text);
    int32_t value = 99;
    EXPECT_EQ(scanner.ParseInt(value), c.ok);
    EXPECT_EQ(value, c.value);
    EXPECT_EQ(scanner.CurrReadOfs(), c.offset);
  }
  TStrScanner scanner(u"-1");
  uint32_t value = 0;
  EXPECT_TRUE(scanner.ParseUInt(value));
  EXPECT_EQ(value, 0xFFFFFFFFu);
}

TEST(StrScannerTest, FloatsAndAngles) {
  struct Case {
    const WCHAR* text;
    bool ok;
    double value;
    uint32_t offset;
  };
  const Case floats[] = {
      {u"3.25e2", true, 3.25, 4}, {u".5", false, 0, 0},
      {u" -0.5", true, -0.5, 5},  {u"7.", true, 7, 1},  // a final '.' is not consumed
      {u"+", false, 0, 1},        {u"12", true, 12, 2},
  };
  for (const Case& c : floats) {
    SCOPED_TRACE(testing::Message() << "float case " << (&c - floats));
    TStrScanner scanner(c.text);
    double value = 0;
    EXPECT_EQ(scanner.ParseFloat(value), c.ok);
    if (c.ok) {
      EXPECT_DOUBLE_EQ(value, c.value);
    }
    EXPECT_EQ(scanner.CurrReadOfs(), c.offset);
  }

  struct AngleCase {
    TStrScannerAngleFmt format;
    const WCHAR* text;
    double radians;
  };
  const AngleCase angles[] = {
      {TStrScannerAngleFmt::Degrees, u"450", kPi / 2},     {TStrScannerAngleFmt::Degrees, u"-90", 3 * kPi / 2},
      {TStrScannerAngleFmt::Gon, u"300", 3 * kPi / 2},     {TStrScannerAngleFmt::Radians, u"7", 7 - 2 * kPi},
      {TStrScannerAngleFmt::Radians0, u"-1", 2 * kPi - 1},
  };
  for (const AngleCase& c : angles) {
    TStrScanner scanner(c.text);
    scanner.SetAngleFormat(c.format);
    double radians = -1;
    EXPECT_TRUE(scanner.ParseAngle(radians));
    EXPECT_NEAR(radians, c.radians, 1e-12);
  }
  TStrScanner scanner(u"a");
  EXPECT_EQ(scanner.GetAngleFormat(), TStrScannerAngleFmt::Degrees);
  double radians = 0;
  EXPECT_FALSE(scanner.ParseAngle(radians));
}

TEST(StrScannerTest, Points) {
  TStrScanner scanner(u" 1.5 , -2,3 4,5");
  tagT_POINT3D p{};
  EXPECT_TRUE(scanner.ParsePoint3D(p));
  EXPECT_EQ(p.x, 1.5);
  EXPECT_EQ(p.y, -2);
  EXPECT_EQ(p.z, 3);
  T_POINT2D q{};
  EXPECT_TRUE(scanner.ParsePoint2D(q));
  EXPECT_EQ(q.x, 4);
  EXPECT_EQ(q.y, 5);
  EXPECT_TRUE(scanner.NoMoreData());

  tagT_POINT3D r{};
  TStrScanner optional(u"1,2;");
  EXPECT_TRUE(optional.ParsePoint3DOptZ(r, 9));
  EXPECT_EQ(r.z, 9);
  TStrScanner given(u"1,2,3");
  EXPECT_TRUE(given.ParsePoint3DOptZ(r, 9));
  EXPECT_EQ(r.z, 3);
  TStrScanner badZ(u"1,2,z");
  EXPECT_FALSE(badZ.ParsePoint3DOptZ(r, 9));
  TStrScanner missingY(u"1;2");
  EXPECT_FALSE(missingY.ParsePoint2D(q));
}

TEST(StrScannerTest, SeparatedFields) {
  WCHAR out[16];
  TStrScanner scanner(u"ab;c d\r\nlast");
  EXPECT_TRUE(scanner.ParseStrSepOrEOL(u';', out, 16));
  EXPECT_EQ(std::u16string(out), u"ab");
  EXPECT_TRUE(scanner.ParseStrSepOrEOL(u';', out, 16));  // CR LF both consumed
  EXPECT_EQ(std::u16string(out), u"c d");
  EXPECT_EQ(scanner.CurrReadOfs(), 8u);
  EXPECT_FALSE(scanner.ParseStrSepOrEOL(u';', out, 16));  // no end: restored
  EXPECT_EQ(scanner.CurrReadOfs(), 8u);
  EXPECT_FALSE(scanner.ParseStrSep(u';', out, 16));
  EXPECT_EQ(scanner.CurrReadOfs(), 8u);
  EXPECT_TRUE(scanner.ParseSimpleStrSep(u';', out) == false);
  EXPECT_EQ(std::u16string(out), u"last");

  TStrScanner cut(u"abcdef;");
  EXPECT_FALSE(cut.ParseStrSep(u';', out, 4));  // no room for the field
  EXPECT_EQ(cut.CurrReadOfs(), 0u);
  EXPECT_FALSE(cut.ParseStrSep(u';', out, 1));
  EXPECT_EQ(out[0], u'\0');

  TStrScanner lfcr(u"x\n\ry");
  EXPECT_TRUE(lfcr.ParseStrSepOrEOL(u';', out, 16));
  EXPECT_EQ(lfcr.CurrReadOfs(), 3u);
}

TEST(StrScannerTest, QuotedStringsAndTokens) {
  WCHAR out[16];
  TStrScanner scanner(u"  \"hello\" \"he\" \"Hello\" \"open");
  EXPECT_TRUE(scanner.ParseQuotedStr(out, 16));
  EXPECT_EQ(std::u16string(out), u"hello");
  EXPECT_TRUE(scanner.SkipQuotedStr(u"hello"));   // a leading part matches
  EXPECT_FALSE(scanner.SkipQuotedStr(u"hello"));  // case-sensitive
  EXPECT_TRUE(scanner.SkipSimpleStr(u"HELLO\"", 6));
  EXPECT_FALSE(scanner.ParseQuotedStr(out, 16));  // never closed
  EXPECT_EQ(std::u16string(out), u"open");

  TStrScanner small(u"\"abcdef\"");
  EXPECT_FALSE(small.ParseQuotedStr(out, 4));
  EXPECT_EQ(std::u16string(out), u"abc");

  TStrScanner words(u"  move  12,x\r\ny");
  EXPECT_TRUE(words.ParseToken(u',', out, 16));
  EXPECT_EQ(std::u16string(out), u"move");
  EXPECT_TRUE(words.ParseToken(u',', out, 16));
  EXPECT_EQ(std::u16string(out), u"12");
  EXPECT_TRUE(words.ParseToken(u',', out, 16));
  EXPECT_EQ(std::u16string(out), u"x");
  EXPECT_TRUE(words.SkipSimpleStr(u"Y", 1));
  EXPECT_FALSE(words.ParseToken(u',', out, 16));
  EXPECT_TRUE(words.NoMoreData());
}

TEST(StrScannerTest, PositionsAndNarrowText) {
  TStrScanner scanner;
  EXPECT_TRUE(scanner.NoMoreData());
  scanner.SetStringA("caf\xC3\xA9, 5");
  scanner.PushPos();
  EXPECT_TRUE(scanner.SkipSimpleStr(u"CAFÉ", 4));
  EXPECT_TRUE(scanner.SkipComma());
  int32_t value = 0;
  EXPECT_TRUE(scanner.ParseInt(value));
  EXPECT_EQ(value, 5);
  scanner.PopPos();
  EXPECT_EQ(scanner.CurrReadOfs(), 0u);
  EXPECT_FALSE(scanner.SkipSimpleStr(u"café, 5 and more", 16));
}

}  // namespace
