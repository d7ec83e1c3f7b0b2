#include "platform/Utf16.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <string>

namespace {

using namespace std::literals;

struct CasePair {
  const char* name;
  char16_t upper;
  char16_t lower;
};

// Two-way pairs at the edges of every run of the mapping table.
constexpr CasePair kPairs[] = {
    {"ASCII", u'A', u'a'},
    {"ASCII last", u'Z', u'z'},
    {"Latin-1 first", 0x00C0, 0x00E0},
    {"Latin-1 thorn", 0x00DE, 0x00FE},
    {"y with diaeresis crosses blocks", 0x0178, 0x00FF},
    {"A with macron", 0x0100, 0x0101},
    {"IJ after the dotted I", 0x0132, 0x0133},
    {"L with acute (odd capital)", 0x0139, 0x013A},
    {"ENG", 0x014A, 0x014B},
    {"Z with caron", 0x017D, 0x017E},
    {"Greek alpha", 0x0391, 0x03B1},
    {"Greek omega", 0x03A9, 0x03C9},
    {"Greek sigma", 0x03A3, 0x03C3},
    {"Greek alpha with tonos", 0x0386, 0x03AC},
    {"Greek omicron with tonos", 0x038C, 0x03CC},
    {"Greek lunate sigma", 0x03F9, 0x03F2},
    {"Greek reversed lunate", 0x03FD, 0x037B},
    {"Cyrillic IE with grave", 0x0400, 0x0450},
    {"Cyrillic A", 0x0410, 0x0430},
    {"Cyrillic YA", 0x042F, 0x044F},
    {"Cyrillic OMEGA", 0x0460, 0x0461},
    {"Cyrillic palochka", 0x04C0, 0x04CF},
    {"Cyrillic ZHE with breve", 0x04C1, 0x04C2},
    {"Cyrillic supplement", 0x0500, 0x0501},
};

TEST(Utf16Test, CasePairsMapBothWays) {
  for (const CasePair& pair : kPairs) {
    EXPECT_EQ(platform::toLowerUnit(pair.upper), pair.lower) << pair.name;
    EXPECT_EQ(platform::toUpperUnit(pair.lower), pair.upper) << pair.name;
    EXPECT_EQ(platform::toUpperUnit(pair.upper), pair.upper) << pair.name;
    EXPECT_EQ(platform::toLowerUnit(pair.lower), pair.lower) << pair.name;
  }
}

TEST(Utf16Test, VariantFormsMapOneWayAndFoldTogether) {
  // final sigma, long s, micro sign, dotless i, dotted capital I
  EXPECT_EQ(platform::toUpperUnit(0x03C2), 0x03A3);
  EXPECT_EQ(platform::toLowerUnit(0x03A3), 0x03C3);
  EXPECT_EQ(platform::toUpperUnit(0x017F), u'S');
  EXPECT_EQ(platform::toUpperUnit(0x00B5), 0x039C);
  EXPECT_EQ(platform::toUpperUnit(0x0131), u'I');
  EXPECT_EQ(platform::toLowerUnit(0x0130), u'i');
  EXPECT_EQ(platform::compareIgnoreCase(u"\u03C3\u03C2", u"\u03A3\u03A3"), 0);
  EXPECT_EQ(platform::compareIgnoreCase(u"\u017Fun", u"SUN"), 0);
  // Letters without a case and the multiplication/division signs stay.
  for (char16_t unit : {char16_t(0x00D7), char16_t(0x00F7), char16_t(0x00DF), char16_t(0x0138), char16_t(0x0149),
                        char16_t(0x0390), char16_t(0x05D0), char16_t(0xD800)}) {
    EXPECT_EQ(platform::toUpperUnit(unit), unit) << std::hex << int{unit};
    EXPECT_EQ(platform::toLowerUnit(unit), unit) << std::hex << int{unit};
  }
}

// Over every unit: mapping is idempotent, and every unit that changes maps
// back unless it is one of the listed one-way letters.
TEST(Utf16Test, MappingIsConsistentOverAllUnits) {
  const std::u16string upperOnly = u"\u00B5\u0131\u017F\u03C2\u03D0\u03D1\u03D5\u03D6\u03F0\u03F1\u03F5";
  const std::u16string lowerOnly = u"\u0130\u03F4";
  int letters = 0;
  for (int value = 0; value <= 0xFFFF; ++value) {
    const auto unit = static_cast<char16_t>(value);
    const char16_t upper = platform::toUpperUnit(unit);
    const char16_t lower = platform::toLowerUnit(unit);
    EXPECT_EQ(platform::toUpperUnit(upper), upper) << std::hex << value;
    EXPECT_EQ(platform::toLowerUnit(lower), lower) << std::hex << value;
    if (upper != unit && upperOnly.find(unit) == std::u16string::npos) {
      EXPECT_EQ(platform::toLowerUnit(upper), unit) << std::hex << value;
    }
    if (lower != unit && lowerOnly.find(unit) == std::u16string::npos) {
      EXPECT_EQ(platform::toUpperUnit(lower), unit) << std::hex << value;
      ++letters;
    }
  }
  // Capitals per block (ASCII, Latin-1, Extended-A, Greek, Cyrillic): the
  // count guards against a run of the table silently dropping out.
  EXPECT_EQ(letters, 26 + 30 + 62 + 56 + 148);
}

struct CompareCase {
  std::u16string_view a;
  std::u16string_view b;
  int ordinal;
  int ignoreCase;
};

TEST(Utf16Test, ComparisonsOrderByUnitsThenLength) {
  const CompareCase cases[] = {
      {u"", u"", 0, 0},
      {u"", u"a", -1, -1},
      {u"abc", u"ABC", 1, 0},
      {u"ab", u"abc", -1, -1},
      {u"\u0416\u0443\u043A", u"\u0436\u0423\u041A", -1, 0},  // Cyrillic
      {u"a\0b"sv, u"a\0c"sv, -1, -1},                         // embedded NUL
      {u"\uFFFF", u"\u0100", 1, 1},                           // unsigned units
  };
  for (const CompareCase& c : cases) {
    EXPECT_EQ(platform::compareOrdinal(c.a, c.b), c.ordinal);
    EXPECT_EQ(platform::compareOrdinal(c.b, c.a), -c.ordinal);
    EXPECT_EQ(platform::compareIgnoreCase(c.a, c.b), c.ignoreCase);
    EXPECT_EQ(platform::compareIgnoreCase(c.b, c.a), -c.ignoreCase);
  }
  EXPECT_TRUE(platform::startsWithIgnoreCase(u"abc", u"AB"));
  EXPECT_FALSE(platform::startsWithIgnoreCase(u"a", u"AB"));
}

TEST(Utf16Test, SearchAndWin32Forms) {
  EXPECT_EQ(platform::findUnits(u"abcabc", u"bc"), 1u);
  EXPECT_EQ(platform::findUnits(u"abcabc", u"bc", 2), 4u);
  EXPECT_EQ(platform::findUnits(u"abc", u"x"), platform::kNotFound);
  EXPECT_EQ(platform::findUnits(u"abc", u"a", 4), platform::kNotFound);
  EXPECT_EQ(platform::findUnitsIgnoreCase(u"xx\u0391\u0392", u"\u03B1\u03B2"), 2u);
  EXPECT_EQ(platform::findUnitsIgnoreCase(u"ab", u"abc"), platform::kNotFound);
  EXPECT_EQ(platform::findLastUnits(u"abcabc", u"bc"), 4u);
  EXPECT_EQ(platform::findLastUnits(u"abcabc", u"bc", 3), 1u);

  EXPECT_EQ(lstrlenW(nullptr), 0);
  EXPECT_EQ(lstrlenW(u"\u00E8t\u00E9"), 3);
  char16_t text[] = u"\u00E9t\u00E9 \u0436";
  EXPECT_EQ(CharUpperBuffW(text, 5), 5u);
  EXPECT_EQ(std::u16string(text), u"\u00C9T\u00C9 \u0416");
  CharLowerBuffW(text, 2);
  EXPECT_EQ(std::u16string(text), u"\u00E9t\u00C9 \u0416");
}

// The length is searched eight units at a time from a 16-byte boundary: a
// NUL at every offset from every alignment of the start.
TEST(Utf16Test, LengthFindsTheNulFromEveryAlignment) {
  alignas(16) char16_t text[64];
  for (size_t start = 0; start < 8; ++start) {
    for (size_t length = 0; length + start < 63; ++length) {
      std::fill(std::begin(text), std::end(text), u'x');
      text[start + length] = 0;
      EXPECT_EQ(platform::utf16Length(text + start), length) << "start " << start;
    }
  }
  EXPECT_EQ(platform::utf16Length(nullptr), 0u);
}

}  // namespace
