// Reading values back: the plain scanners, the angular forms, the packed
// degree-minute-second functions, and round trips through the formatter.
#include "zefcorek/DataFormatter.h"
#include "zefcorek/Dms.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <string>
#include <string_view>

namespace {

constexpr double kPi = 3.141592653589793;

double degrees(double d, double m = 0, double s = 0) { return (d + m / 60 + s / 3600) * kPi / 180; }

// One radian in arc seconds, for tolerances.
constexpr double kArcSecond = kPi / 648000;

TEST(DataScannerTest, EmptyAndUnreadableTextsFail) {
  CDataFormatter f;
  const char16_t* bad[] = {u"", u"   ", u"abc", u"inf", u"-infinity", u"nan", u"1e999"};
  for (const char16_t* text : bad) {
    for (unsigned char unit = 0; unit < 3; ++unit) {
      f.SelectLinearFormat(unit);
      f.SelectAreaFormat(unit);
      f.SelectVolumeFormat(unit);
      double v = 99;
      EXPECT_FALSE(f.ScanLinearValue(text, &v));
      EXPECT_EQ(v, 0.0);
      v = 99;
      EXPECT_FALSE(f.ScanAreaValue(text, &v));
      EXPECT_EQ(v, 0.0);
      v = 99;
      EXPECT_FALSE(f.ScanVolumeValue(text, &v));
      EXPECT_EQ(v, 0.0);
    }
    for (unsigned char unit = 0; unit < 10; ++unit) {
      // In the longitude units the e of 1e999 is the east letter: 1 deg E.
      if ((unit == 4 || unit == 9) && std::u16string_view(text) == u"1e999") continue;
      f.SelectAngularFormat(unit);
      double v = 99;
      EXPECT_FALSE(f.ScanAngularValue(text, &v)) << "unit " << int(unit);
      EXPECT_EQ(v, 0.0);
    }
  }
}

TEST(DataScannerTest, PlainKinds) {
  CDataFormatter f;
  double v = 0;
  f.SelectLinearFormat(1);
  ASSERT_TRUE(f.ScanLinearValue(u"2", &v));
  EXPECT_DOUBLE_EQ(v, 0.6096);
  f.SelectLinearFormat(0);
  ASSERT_TRUE(f.ScanLinearValue(u"12,5", &v));
  EXPECT_EQ(v, 12.0) << "no comma treatment";
  ASSERT_TRUE(f.ScanLinearValue(u" 1e2m", &v));
  EXPECT_EQ(v, 100.0);
  f.SelectAreaFormat(2);
  ASSERT_TRUE(f.ScanAreaValue(u"1", &v));
  EXPECT_EQ(v, f.GetAreaFormat()->Factor);

  DF_LINEARFMT bad = *f.GetLinearFormat();
  bad.UnitId = 3;
  f.SetLinearFormat(&bad);
  v = 5;
  EXPECT_FALSE(f.ScanLinearValue(u"2", &v));
  EXPECT_EQ(v, 0.0);
}

TEST(DataScannerTest, AngularForms) {
  CDataFormatter f;
  const double north = degrees(45, 30, 15);
  struct Case {
    unsigned char unit;
    const char16_t* text;
    bool ok;
    double radians;
  };
  const Case cases[] = {
      {1, u"12,5", true, degrees(12.5)},
      {1, u"45.5000deg", true, degrees(45.5)},
      {0, u"100", true, kPi / 2},
      {6, u"1600", true, kPi / 2},
      {5, u"3600", true, degrees(1)},
      {2, u"12.3456", true, degrees(12, 34, 56)},
      {2, u"-12.3456", true, -degrees(12, 34, 56)},
      {7, u"2700000", true, -kPi / 2},  // 270 deg wraps once
      {7, u"-0453015", true, -north},
      {3, u"45 30 15 N", true, north},
      {3, u"N 45 30 15", true, north},
      {3, u"45\u00B030'15\"N", true, north},
      {3, u"45:30:15", true, north},
      {3, u"45.30.15", true, north},
      {3, u"45.30.1525", true, degrees(45, 30, 15.25)},
      {3, u"45,30,1525", true, degrees(45, 30, 15.25)},
      {3, u"45.5N", true, degrees(45.5)},
      {3, u"45.5s", true, -degrees(45.5)},
      {3, u"-45.5", true, -degrees(45.5)},
      {3, u"-45 30 15 N", true, north},  // the letter decides
      {3, u"45d 30' 15\" S", true, -north},
      {3, u"45\u00B0 30' N", true, degrees(45, 30)},
      {3, u"45.5 E", false, 0},
      {4, u"10 20 30 O", true, -degrees(10, 20, 30)},
      {4, u"10 20 30 w", true, -degrees(10, 20, 30)},
      {4, u"10 20 30 N", false, 0},
      {9, u"12 30 15", true, degrees(12, 30, 15)},
      {9, u"-12 30 15", true, -degrees(12, 30, 15)},
      {8, u"45.5000deg", false, 0},  // 'd' is read as the letter
      {9, u"45.5000deg", false, 0},
  };
  for (const Case& c : cases) {
    f.SelectAngularFormat(c.unit);
    double v = 99;
    const bool ok = f.ScanAngularValue(c.text, &v);
    EXPECT_EQ(ok, c.ok) << "unit " << int(c.unit) << " case " << (&c - cases);
    EXPECT_NEAR(v, c.radians, 1e-4 * kArcSecond) << "unit " << int(c.unit) << " case " << (&c - cases);
  }
  DF_ANGULARFMT bad = *f.GetAngularFormat();
  bad.UnitId = 10;
  f.SetAngularFormat(&bad);
  double v = 1;
  EXPECT_FALSE(f.ScanAngularValue(u"12", &v));
  EXPECT_EQ(v, 0.0);
}

TEST(DataScannerTest, PackedAngleFunctions) {
  struct Case {
    double packed;
    double d, m, s;
    int sign;
  };
  const Case cases[] = {
      {-12.3456, 12, 34, 56, -1},
      {12.345678, 12, 34, 56.78, 1},
      {-0.0, 0, 0, 0, 1},
      {0.3, 0, 30, 0, 1},
      // A fraction that prints as 1.00000000 carries into the degrees
      // instead of dropping one.
      {12.999999999, 13, 0, 0, 1},
  };
  for (const Case& c : cases) {
    double d = -1, m = -1, s = -1;
    int sign = 0;
    SplitDMS(c.packed, &d, &m, &s, &sign);
    EXPECT_EQ(d, c.d) << c.packed;
    EXPECT_EQ(m, c.m) << c.packed;
    EXPECT_NEAR(s, c.s, 1e-9) << c.packed;
    EXPECT_EQ(sign, c.sign) << c.packed;
  }
  // The nudge adds about 1e-5 of a second.
  EXPECT_NEAR(DMS2RAD(45.3), degrees(45, 30, 0.00001), 1e-9 * kArcSecond);
  EXPECT_NEAR(DMS2RAD(-12.345678), -degrees(12, 34, 56.78001), 1e-6 * kArcSecond);
}

// What the formatter writes, the scanner reads back within the text's
// resolution.
TEST(DataScannerTest, RoundTripsThroughTheFormatter) {
  CDataFormatter f;
  std::mt19937_64 rng(44);
  std::uniform_real_distribution<double> angle(-3.1, 3.1), length(-1e4, 1e4);
  int checked = 0;
  for (unsigned char unit = 0; unit < 10; ++unit) {
    f.SelectAngularFormat(unit);
    for (int decimals = 0; decimals <= 6; ++decimals) {
      for (int i = 0; i < 40; ++i) {
        const double a = angle(rng);
        const std::u16string text = f.FmtAngularValue(a, decimals);
        double back = 0;
        ASSERT_TRUE(f.ScanAngularValue(text.c_str(), &back)) << "unit " << int(unit) << " decimals " << decimals;
        const bool dms = unit == 2 || unit == 3 || unit == 4 || unit == 7;
        // The packed forms keep four decimals of seconds once taken apart,
        // rounded once more.
        const bool packed = unit == 2 || unit == 7;
        const double tol = dms ? (0.5 * std::pow(10.0, -decimals) + (packed ? 0.5e-4 : 0)) * kArcSecond
                               : 0.5 * std::pow(10.0, -decimals) * f.GetAngularFormat()->Factor;
        EXPECT_NEAR(back, a, tol * 1.000001 + 1e-15) << "unit " << int(unit) << " decimals " << decimals;
        ++checked;
      }
    }
  }
  for (unsigned char unit = 0; unit < 3; ++unit) {
    f.SelectLinearFormat(unit);
    f.SelectAreaFormat(unit);
    f.SelectVolumeFormat(unit);
    for (int i = 0; i < 40; ++i) {
      const double v = length(rng);
      double back = 0;
      const double lt = 0.5e-3 * f.GetLinearFormat()->Factor * 1.000001;
      ASSERT_TRUE(f.ScanLinearValue(std::u16string(f.FmtLinearValue(v, -1)).c_str(), &back));
      EXPECT_NEAR(back, v, lt);
      ASSERT_TRUE(f.ScanAreaValue(std::u16string(f.FmtAreaValue(v)).c_str(), &back));
      EXPECT_NEAR(back, v, 0.5e-3 * f.GetAreaFormat()->Factor * 1.000001);
      ASSERT_TRUE(f.ScanVolumeValue(std::u16string(f.FmtVolumeValue(v)).c_str(), &back));
      EXPECT_NEAR(back, v, 0.5e-3 * f.GetVolumeFormat()->Factor * 1.000001);
      checked += 3;
    }
  }
  EXPECT_EQ(checked, 10 * 7 * 40 + 3 * 40 * 3);
}

}  // namespace
