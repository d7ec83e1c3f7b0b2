// The value formatter: unit tables, plain and degree-minute-second texts,
// the conversions to the current unit and the selection event.
#include "zefcorek/DataFormatter.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

namespace {

constexpr double kPi = 3.141592653589793;

// UTF-8 of a UTF-16 text without surrogates, for readable failures.
std::string utf8(const WCHAR* text) {
  std::string out;
  for (; *text != 0; ++text) {
    const char16_t c = *text;
    if (c < 0x80) {
      out += char(c);
    } else if (c < 0x800) {
      out += char(0xC0 | (c >> 6));
      out += char(0x80 | (c & 0x3F));
    } else {
      out += char(0xE0 | (c >> 12));
      out += char(0x80 | ((c >> 6) & 0x3F));
      out += char(0x80 | (c & 0x3F));
    }
  }
  return out;
}

double degrees(double d, double m = 0, double s = 0) { return (d + m / 60 + s / 3600) * kPi / 180; }

TEST(DataFormatterTest, NewFormatterAndUnitTables) {
  CDataFormatter f;
  EXPECT_EQ(f.AdjustFmtEvent, nullptr);
  EXPECT_EQ(utf8(f.FmtLinearValueEx(1.0, true, -1)), "1.000m");
  EXPECT_EQ(f.GetAngularFormat()->UnitId, 0);
  EXPECT_EQ(utf8(f.GetAngularFormat()->Suffix), "grad");
  EXPECT_EQ(f.GetAngularFormat()->Decimals, 4);

  // The factors, bit for bit.
  struct FactorCase {
    const char* what;
    double got;
    double want;
  };
  const FactorCase factors[] = {
      {"US ft", f.SelectLinearFormat(2)->Factor, 0.30480370641306997},
      {"ft", f.SelectLinearFormat(1)->Factor, 0.3048},
      {"US ft2", f.SelectAreaFormat(2)->Factor, 0.092905299443144948},
      {"ft2", f.SelectAreaFormat(1)->Factor, 0.3048 * 0.3048},
      {"US ft3", f.SelectVolumeFormat(2)->Factor, 0.028317879615686707},
      {"ft3", f.SelectVolumeFormat(1)->Factor, 0.028316846592000004},
      {"gons", f.SelectAngularFormat(0)->Factor, 0.015707963267948967},
      {"arc seconds", f.SelectAngularFormat(5)->Factor, 4.84813681109536e-06},
      {"mils", f.SelectAngularFormat(6)->Factor, 0.0009817477042468104},
      {"packed seconds", f.SelectAngularFormat(7)->Factor, -1.0},
  };
  for (const FactorCase& c : factors)
    EXPECT_EQ(std::bit_cast<uint64_t>(c.got), std::bit_cast<uint64_t>(c.want)) << c.what;
  EXPECT_EQ(utf8(f.SelectVolumeFormat(2)->Suffix), "US ft\u00B3");
  EXPECT_EQ(utf8(f.SelectAreaFormat(0)->Suffix), "m\u00B2");

  // A selection replaces the whole record: no bytes after the terminator.
  DF_LINEARFMT dirty;
  std::memset(&dirty, 0x55, sizeof dirty);
  f.SetLinearFormat(&dirty);
  const DF_LINEARFMT* fresh = f.SelectLinearFormat(0);
  for (int i = 2; i < 18; ++i) EXPECT_EQ(fresh->Suffix[i], 0) << i;
  EXPECT_EQ(f.SelectLinearFormat(99)->UnitId, 0);
}

TEST(DataFormatterTest, PlainDecimalText) {
  CDataFormatter f;
  f.SelectLinearFormat(1);
  EXPECT_EQ(utf8(f.FmtLinearValue(0.3048, 2)), "1.00");
  EXPECT_EQ(utf8(f.FmtLinearValueEx(0.3048, true, 1)), "1.0ft");
  f.SelectLinearFormat(0);
  struct Case {
    double value;
    int decimals;
    const char* text;
  };
  const Case cases[] = {
      {2.5, 0, "2"},  // no point; an exact half rounds to even
      {3.5, 0, "4"},        {-1.25, 1, "-1.2"}, {0.125, 2, "0.12"}, {1.0, -1, "1.000"},  // the record's Decimals
      {-7.0, -5, "-7.000"},
  };
  for (const Case& c : cases) EXPECT_EQ(utf8(f.FmtLinearValue(c.value, c.decimals)), c.text) << c.value;
  EXPECT_EQ(utf8(f.FmtAreaValue(2.0)), "2.000");
  EXPECT_EQ(utf8(f.FmtVolumeValue(-0.0005)), "-0.001");

  // A number of decimals whose text cannot fit OutBuffer gives the empty
  // text instead of overflowing it.
  EXPECT_EQ(utf8(f.FmtLinearValue(1.0, 600)), "");
  EXPECT_EQ(utf8(f.FmtLinearValue(1.0, 500)).size(), 502u);
  EXPECT_EQ(utf8(f.FmtLinearValue(1.0, std::numeric_limits<int>::max())), "");
}

TEST(DataFormatterTest, UnusableValues) {
  CDataFormatter f;
  const double beyond = std::nextafter(1e38, 2e38);
  const double unusable[] = {beyond, -beyond, std::numeric_limits<double>::infinity(),
                             -std::numeric_limits<double>::infinity(), std::nan("")};
  for (unsigned char angular : {0, 2, 3, 7}) {
    f.SelectAngularFormat(angular);
    for (double v : unusable) {
      EXPECT_EQ(utf8(f.FmtLinearValueEx(v, true, 2)), "") << v;
      EXPECT_EQ(utf8(f.FmtAngularValueEx(v, true, 2)), "") << v << " unit " << int(angular);
      EXPECT_EQ(utf8(f.FmtAreaValue(v)), "") << v;
      EXPECT_EQ(utf8(f.FmtVolumeValue(v)), "") << v;
      EXPECT_EQ(f.LinearToCurrUnit(v), -1e100);
      EXPECT_EQ(f.AngularToCurrUnit(v), -1e100);
      EXPECT_EQ(f.AreaToCurrUnit(v), -1e100);
      EXPECT_EQ(f.VolumeToCurrUnit(v), -1e100);
    }
  }
  f.SelectAngularFormat(0);
  EXPECT_NE(utf8(f.FmtLinearValue(1e38, 0)), "");
  EXPECT_NE(utf8(f.FmtLinearValue(-1e38, 0)), "");
  EXPECT_EQ(f.LinearToCurrUnit(-1e38), -1e38);
  // Whole degrees beyond the 32-bit range cannot be printed.
  f.SelectAngularFormat(2);
  EXPECT_EQ(utf8(f.FmtAngularValue(1e38, 2)), "");
  EXPECT_EQ(f.AngularToCurrUnit(1e38), -1e100);
}

TEST(DataFormatterTest, UnknownUnits) {
  CDataFormatter f;
  DF_LINEARFMT bad = *f.GetLinearFormat();
  bad.UnitId = 3;
  f.SetLinearFormat(&bad);
  EXPECT_EQ(utf8(f.FmtLinearValueEx(2.0, true, 2)), "#error#");
  EXPECT_EQ(f.LinearToCurrUnit(2.5), 2.5);
  DF_ANGULARFMT badAngle = *f.GetAngularFormat();
  badAngle.UnitId = 10;
  f.SetAngularFormat(&badAngle);
  EXPECT_EQ(utf8(f.FmtAngularValueEx(1.0, true, 2)), "#error#");
  EXPECT_EQ(f.AngularToCurrUnit(1.5), 1.5);
}

TEST(DataFormatterTest, AngularTexts) {
  CDataFormatter f;
  const double a = degrees(12, 34, 56.7891);
  struct Case {
    unsigned char unit;
    double value;
    int decimals;
    bool suffix;
    const char* text;
  };
  const Case cases[] = {
      {0, kPi / 2, 4, false, "100.0000"},
      {1, degrees(45.5), 2, true, "45.50deg"},
      {5, degrees(0, 0, 1.5), 1, true, "1.5\""},
      {6, kPi, 0, true, "3200mil"},
      {2, a, 4, true, "012.34567891dms"},
      {2, -a, 4, false, "-12.34567891"},
      {7, a, 5, false, "0123456.78910"},
      {7, -a, 5, false, "-123456.78910"},
      {3, -a, 5, false, " 12\u00B0 34' 56.78910\" S"},
      {3, a, 5, true, " 12\u00B0 34' 56.78910\" N"},
      {4, -a, 5, true, " 12\u00B0 34' 56.78910\" W"},
      {4, a, 5, false, " 12\u00B0 34' 56.78910\" E"},
      {3, -0.0, 5, false, "  0\u00B0 00' 00.00000\" N"},
      {3, degrees(45.5), 5, false, " 45\u00B0 30' 00.00000\" N"},
      {3, -1e-12, 5, false, "  0\u00B0 00' 00.00000\" S"},
      // Seconds that round to 60 carry in units 3 and 4 only.
      {3, degrees(0, 0, 59.999996), 5, false, "  0\u00B0 01' 00.00000\" N"},
      {3, degrees(10, 59, 59.999996), 5, false, " 11\u00B0 00' 00.00000\" N"},
      {2, degrees(0, 0, 59.999996), 4, false, "000.00600000"},
      {2, degrees(10, 59, 59.999996), 4, false, "010.59600000"},
      // Between -1 and 0 degrees the packed forms keep the sign.
      {2, -degrees(0.5), 4, false, "-00.30000000"},
      {7, -degrees(0.5), 5, false, "-003000.00000"},
      {2, degrees(0.5), 4, false, "000.30000000"},
      // Without decimals the seconds keep two digits.
      {7, a, 0, false, "0123457"},
      {3, a, 0, false, " 12\u00B0 34' 57\" N"},
      {3, degrees(10, 59, 59.6), 0, false, " 11\u00B0 00' 00\" N"},
  };
  for (const Case& c : cases) {
    f.SelectAngularFormat(c.unit);
    EXPECT_EQ(utf8(f.FmtAngularValueEx(c.value, c.suffix, c.decimals)), c.text)
        << "unit " << int(c.unit) << ", " << c.value;
  }
  // Units 3 and 4 append no suffix even when their record holds one.
  for (unsigned char unit : {3, 4}) {
    DF_ANGULARFMT fmt = *f.SelectAngularFormat(unit);
    fmt.Suffix[0] = u'z';
    f.SetAngularFormat(&fmt);
    EXPECT_EQ(utf8(f.FmtAngularValueEx(a, true, 0)).find('z'), std::string::npos);
  }
}

TEST(DataFormatterTest, ToCurrentUnit) {
  CDataFormatter f;
  for (unsigned char unit : {2, 3, 4, 7}) {
    f.SelectAngularFormat(unit);
    EXPECT_DOUBLE_EQ(f.AngularToCurrUnit(degrees(45.5)), 45.3) << int(unit);
    EXPECT_DOUBLE_EQ(f.AngularToCurrUnit(-degrees(45.5)), -45.3) << int(unit);
    EXPECT_DOUBLE_EQ(f.AngularToCurrUnit(-degrees(0.5)), -0.3) << int(unit) << ": sign kept";
  }
  // Seconds are truncated, not rounded: 59.99996 s with 4 decimals.
  f.SelectAngularFormat(2);
  EXPECT_DOUBLE_EQ(f.AngularToCurrUnit(degrees(1, 2, 59.99996)), 1.02599999);
  f.SelectAngularFormat(1);
  EXPECT_DOUBLE_EQ(f.AngularToCurrUnit(degrees(45.5)), 45.5);
  f.SelectLinearFormat(1);
  EXPECT_DOUBLE_EQ(f.LinearToCurrUnit(0.6096), 2.0);
  f.SelectAreaFormat(1);
  EXPECT_DOUBLE_EQ(f.AreaToCurrUnit(0.09290304), 1.0);
  EXPECT_EQ(f.VolumeToCurrUnit(3.0), 3.0);
}

struct Announcement {
  CDataFormatter* formatter;
  const void* records[4];
};
std::vector<Announcement> gAnnouncements;

int recordAnnouncement(CDataFormatter* f, DF_LINEARFMT* l, DF_ANGULARFMT* a, DF_AREAFMT* ar, DF_VOLUMEFMT* v) {
  gAnnouncements.push_back({f, {l, a, ar, v}});
  if (ar != nullptr) ar->Decimals = 7;  // the handler edits the live record
  return 12345;
}

TEST(DataFormatterTest, SelectionEvent) {
  gAnnouncements.clear();
  CDataFormatter f;
  EXPECT_TRUE(gAnnouncements.empty());
  f.AdjustFmtEvent = &recordAnnouncement;
  f.ForceAdjustFmtEvent(false, false, false, false);
  EXPECT_TRUE(gAnnouncements.empty());
  f.SelectAreaFormat(1);
  ASSERT_EQ(gAnnouncements.size(), 1u);
  EXPECT_EQ(gAnnouncements[0].formatter, &f);
  EXPECT_EQ(gAnnouncements[0].records[0], nullptr);
  EXPECT_EQ(gAnnouncements[0].records[1], nullptr);
  EXPECT_EQ(gAnnouncements[0].records[2], f.GetAreaFormat());
  EXPECT_EQ(gAnnouncements[0].records[3], nullptr);
  EXPECT_EQ(f.GetAreaFormat()->Decimals, 7);
  f.SelectAngularFormat(10);
  ASSERT_EQ(gAnnouncements.size(), 2u);
  EXPECT_EQ(gAnnouncements[1].records[1], f.GetAngularFormat());
  EXPECT_EQ(f.GetAngularFormat()->UnitId, 0);
  f.SetVolumeFormat(f.GetVolumeFormat());
  f.ForceAdjustFmtEvent(true, false, false, true);
  ASSERT_EQ(gAnnouncements.size(), 3u);
  EXPECT_EQ(gAnnouncements[2].records[0], f.GetLinearFormat());
  EXPECT_EQ(gAnnouncements[2].records[3], f.GetVolumeFormat());
}

}  // namespace
