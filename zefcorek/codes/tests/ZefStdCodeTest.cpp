#include "zefcorek/ZefStdCode.h"

#include "../src/SpacedPrimes.h"

#include "textrum/LStrFunctions.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <random>
#include <string>

namespace {

using CodesDB::TZefStdCode;
using CodesDB::TZefStdCodeSplittedData;

std::u16string textOf(const TZefStdCode& code) { return code.c_str(); }

std::string narrow(const std::u16string& text) {
  std::string out;
  for (char16_t unit : text) out += unit < 0x80 ? static_cast<char>(unit) : '?';
  return out;
}

TEST(ZefStdCodeTest, SplitsFromTheEndAndBuildsBack) {
  struct Row {
    const char16_t* text;
    const char16_t* prefix;
    char16_t separator;
    uint16_t digits;
    int64_t number;
    int32_t duplicate;
    const char16_t* built;
  };
  const Row rows[] = {
      {u"P-001", u"P", u'-', 3, 1, -1, u"P-001"},
      {u"P-001(2)", u"P", u'-', 3, 1, 2, u"P-001(2)"},
      {u"A1 (2)", u"A", 0, 1, 1, 2, u"A1(2)"},  // blanks before the suffix go
      {u"12", u"", 0, 2, 12, -1, u"12"},
      {u"A B1", u"A B", 0, 1, 1, -1, u"A B1"},  // 'B' stands before the digits
      {u"AB", u"AB", 0, 0, -1, -1, u"AB"},
      {u"\u00C91", u"", u'\u00C9', 1, 1, -1, u"\u00C91"},  // not ASCII: a separator
      {u"A(0)", u"A", 0, 0, -1, -1, u"A"},                 // '(0)' is dropped
      {u"A( 1 2)", u"A", 0, 0, -1, 1, u"A(1)"},            // reading stops at the blank
      {u"A(2))", u"A(2)", u')', 0, -1, -1, u"A(2))"},      // a second ')' is no suffix
      {u"(2)", u"", 0, 0, -1, 2, u"(2)"},
      // Too large for the number types: the digits stay in the text.
      {u"P12345678901234567890", u"P12345678901234567890", 0, 0, -1, -1, u"P12345678901234567890"},
      {u"P9223372036854775807", u"P", 0, 19, std::numeric_limits<int64_t>::max(), -1, u"P9223372036854775807"},
      {u"A(2147483648)", u"A(2147483648", u')', 0, -1, -1, u"A(2147483648)"},
      {u"", u"", 0, 0, -1, -1, u""},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(narrow(row.text));
    const TZefStdCode code(row.text);
    TZefStdCodeSplittedData parts;
    code.Split(parts);
    EXPECT_EQ(std::u16string(parts.Prefix.c_str()), row.prefix);
    EXPECT_EQ(parts.Separator, row.separator);
    EXPECT_EQ(parts.NumDigits, row.digits);
    EXPECT_EQ(parts.Number, row.number);
    EXPECT_EQ(parts.DuplicateNumber, row.duplicate);
    EXPECT_EQ(std::u16string(code.GetPrefix().c_str()), row.prefix);
    EXPECT_EQ(code.GetSeparator(), row.separator);
    EXPECT_EQ(code.GetNumber(), row.number);
    EXPECT_EQ(code.GetDuplicateNumber(), row.duplicate);
    EXPECT_EQ(code.IsDuplicate(), row.duplicate >= 0);
    EXPECT_EQ(code.IsPrefixEmpty(), *row.prefix == 0);
    TZefStdCode built;
    built.Set(parts);
    EXPECT_EQ(textOf(built), row.built);
    EXPECT_EQ(built.GetHash(), TZefStdCode(row.built).GetHash());
  }
  // The null code splits like the empty one.
  TZefStdCodeSplittedData parts;
  parts.Number = 5;
  TZefStdCode().Split(parts);
  EXPECT_EQ(parts.Number, -1);
  EXPECT_EQ(parts.DuplicateNumber, -1);
}

TEST(ZefStdCodeTest, GeneratorsStepNumberThenPrefix) {
  enum class Op { Next, Prev, NextEx, Duplicate, ResetDuplicate };
  struct Row {
    Op op;
    const char16_t* text;
    int step;
    const char16_t* expected;
  };
  const Row rows[] = {
      {Op::Next, u"P-001", 0, u"P-002"},
      {Op::Next, u"X-009", 0, u"X-010"},
      {Op::Next, u"AB9", 0, u"AB10"},
      {Op::Next, u"A", 0, u"B"},
      {Op::Next, u"Az", 0, u"Ba"},
      {Op::Next, u"Z", 0, u"AA"},
      {Op::Next, u"zz", 0, u"aaa"},
      {Op::Next, u"A-", 0, u"B-"},
      {Op::Next, u"9-", 0, u"AA-"},
      {Op::Next, u"P-001(2)", 0, u"P-002"},
      {Op::Next, u"(2)", 0, u"P"},
      {Op::Next, u"A-Z", 0, u"B-A"},  // the '-' is passed over
      {Op::Next, u"-Z", 0, u"AAA"},   // and lost when the carry runs out
      {Op::Next, u"~z", 0, u"aaa"},   // '~' is above 'a': a lower-case run
      {Op::Next, u"P9223372036854775807", 0, u"Q0000000000000000001"},
      {Op::Next, u"", 0, u""},
      {Op::Prev, u"P-002", 0, u"P-001"},
      {Op::Prev, u"B0", 0, u"A99"},
      {Op::Prev, u"B000", 0, u"A099"},
      {Op::Prev, u"BA", 0, u"AZ"},
      {Op::Prev, u"AB", 0, u"AA"},
      {Op::Prev, u"A", 0, u"zz"},  // every ASCII-led prefix borrows to 'z'
      {Op::Prev, u"AA", 0, u"zzz"},
      {Op::Prev, u"(2)", 0, u"P"},
      {Op::Prev, u"", 0, u""},
      {Op::NextEx, u"P-001", 3, u"P-004"},
      {Op::NextEx, u"P-001", 0, u"P-002"},  // a step below 1 is 1
      {Op::NextEx, u"P-001", -7, u"P-002"},
      {Op::NextEx, u"", 5, u"A5"},
      {Op::NextEx, u"AB", 9, u"AB1"},
      {Op::NextEx, u"A1(4)", 2, u"A3"},
      // Past the largest number: MakeNext's rule at that limit.
      {Op::NextEx, u"P9223372036854775806", 5, u"Q0000000000000000001"},
      {Op::Duplicate, u"P-001", 0, u"P-001(2)"},
      {Op::Duplicate, u"P-001(2)", 0, u"P-001(3)"},
      {Op::Duplicate, u"A(0)", 0, u"A(2)"},
      {Op::Duplicate, u"", 0, u"(2)"},  // an emptied code, not a null one
      {Op::ResetDuplicate, u"P-001(3)", 0, u"P-001"},
      {Op::ResetDuplicate, u"A1 (2)", 0, u"A1"},
      {Op::ResetDuplicate, u"A1 ", 0, u"A1"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(narrow(row.text) + " op " + std::to_string(static_cast<int>(row.op)));
    TZefStdCode code(row.text);
    switch (row.op) {
      case Op::Next: code.MakeNext(); break;
      case Op::Prev: code.MakePrev(); break;
      case Op::NextEx: code.MakeNextEx(row.step); break;
      case Op::Duplicate: code.MakeDuplicate(); break;
      case Op::ResetDuplicate: code.ResetDuplicateNumber(); break;
    }
    EXPECT_EQ(textOf(code), row.expected);
    EXPECT_EQ(code.GetHash(), TZefStdCode(row.expected).GetHash());
  }
}

TEST(ZefStdCodeTest, NullCodeGenerators) {
  TZefStdCode null;
  EXPECT_EQ(textOf(null.MakeDuplicate()), u"A(2)");
  TZefStdCode null2;
  EXPECT_TRUE(null2.MakeNext().IsEmpty());
  EXPECT_TRUE(null2.MakePrev().IsEmpty());
  EXPECT_TRUE(null2.ResetDuplicateNumber().IsEmpty());
  EXPECT_EQ(textOf(null2.MakeNextEx(0)), u"A1");
}

// Sign of a three-way result.
int sign(int32_t value) { return (value > 0) - (value < 0); }

TEST(ZefStdCodeTest, OrdersByParts) {
  struct Row {
    const char16_t* a;
    const char16_t* b;
    int compare;        // by parts, case-insensitive
    int compareCS;      // by parts, prefixes case-sensitive
    int stringCompare;  // whole text, case-insensitive
    bool same;          // IsSameCode of two codes
  };
  const Row rows[] = {
      {u"A9", u"A10", -1, -1, 1, false},
      {u"A1", u"A01", -1, -1, 1, false},
      {u"A", u"A0", -1, -1, -1, false},
      {u"P-001", u"P-001(2)", -1, -1, -1, false},
      {u"p-001", u"P-001", 0, 1, 0, true},
      {u"A1 (2)", u"A1(2)", 0, 0, -1, false},                // equal parts, different texts
      {u"A-1", u"A_1", -1, -1, -1, false},                   // separators as unsigned units
      {u"\u0391\u0392C", u"\u03B1\u03B2c", 0, -1, 0, true},  // Greek folds
      // A letter beyond ASCII at the end is a separator, compared as a unit.
      {u"A\u00C9", u"a\u00E9", -1, -1, 0, true},
      {u"", u"", 0, 0, 0, true},
      {u"", u"A", -1, -1, -1, false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(narrow(row.a) + " vs " + narrow(row.b));
    const TZefStdCode a(row.a), b(row.b);
    EXPECT_EQ(sign(a.Compare(b)), row.compare);
    EXPECT_EQ(sign(b.Compare(a)), -row.compare);
    EXPECT_EQ(sign(a.CompareCS(b)), row.compareCS);
    EXPECT_EQ(sign(a.StringCompare(b)), row.stringCompare);
    EXPECT_EQ(a.IsSameCode(b), row.same);
    EXPECT_EQ(a == b, row.same);
    EXPECT_EQ(a != b, !row.same);
    EXPECT_EQ(a < b, row.compare < 0);
    EXPECT_EQ(a >= b, row.compare >= 0);
    // The text forms parse the text and compare by parts.
    EXPECT_EQ(sign(a.Compare(row.b)), row.compare);
    EXPECT_EQ(a.IsSameCode(row.b), row.compare == 0);
    EXPECT_EQ(a.IsSameCodeCS(row.b), row.compareCS == 0);
  }
  EXPECT_TRUE(TZefStdCode(u"A1 (2)").IsSameCode(u"A1(2)"));
  EXPECT_TRUE(TZefStdCode(u"A1 (2)").IsSameCode("A1(2)"));
  EXPECT_FALSE(TZefStdCode(u"P-001").IsSameCodeCS(TZefStdCode(u"p-001")));
  EXPECT_EQ(TZefStdCode(u"A").StringCompareCS(u"a"), -1);
  EXPECT_EQ(TZefStdCode(u"abc").StringCompare("ABC"), 0);
}

TEST(ZefStdCodeTest, NullAndEmptyAreOneCode) {
  const TZefStdCode null;
  TZefStdCode emptied(u"P-001");
  emptied.Clear();
  const TZefStdCode text(u"A");
  EXPECT_TRUE(null.IsEmpty());
  EXPECT_TRUE(emptied.IsEmpty());
  EXPECT_TRUE(null.IsSameCode(emptied));
  EXPECT_TRUE(emptied.IsSameCode(null));
  EXPECT_TRUE(null.IsSameCodeCS(emptied));
  EXPECT_EQ(null.Compare(emptied), 0);
  EXPECT_EQ(emptied.Compare(null), 0);
  EXPECT_EQ(null.StringCompare(emptied), 0);
  EXPECT_EQ(null.Compare(text), -1);
  EXPECT_EQ(text.Compare(null), 1);
  EXPECT_EQ(null.StringCompareCS(text), -1);
  EXPECT_EQ(text.StringCompare(null), 1);
  EXPECT_TRUE(null.IsSameCode(static_cast<const char16_t*>(nullptr)));
  EXPECT_TRUE(null.IsSameCode(u"  "));
}

TEST(ZefStdCodeTest, HashFoldsCaseAndMarksEmpty) {
  for (const char16_t* text : {u"abc", u"ABC", u"aBc"}) {
    EXPECT_EQ(TZefStdCode(text).GetHash(), 571075) << narrow(text);
  }
  EXPECT_EQ(TZefStdCode(u"").GetHash(), -1);
  EXPECT_EQ(TZefStdCode().GetHash(), -1);
  // Beyond ASCII the hash follows the string library's lower case.
  const char16_t* upper = u"\u0416\u0391\u00C9W";  // Cyrillic, Greek, Latin-1
  LWideStrRec* record = LStrAllocFromWSzStrW(upper, -1);
  LWideStrRec* lower = LStrLowerCaseW(record);
  EXPECT_EQ(TZefStdCode(upper).GetHash(), TZefStdCode(LStrCstrW(lower)).GetHash());
  EXPECT_NE(std::u16string(LStrCstrW(lower)), upper);
  LStrDestroyW(lower);
  LStrDestroyW(record);
  // A long text wraps in 64 bits and keeps the low 31.
  const std::u16string longText(200, u'z');
  uint64_t h = 1;
  for (char16_t unit : longText) h = h * 17 + uint64_t{unit} * 19;
  EXPECT_EQ(TZefStdCode(longText).GetHash(), static_cast<int32_t>(h & 0x7FFFFFFF));
}

TEST(ZefStdCodeTest, SettersTrimConvertAndKeepRecords) {
  EXPECT_EQ(textOf(TZefStdCode(u"  P-001 \t")), u"P-001");
  EXPECT_EQ(textOf(TZefStdCode("  \xC3\x89"
                               "1 ")),
            u"\u00C91");  // UTF-8
  EXPECT_EQ(textOf(TZefStdCode(std::string(" x "))), u"x");
  EXPECT_EQ(textOf(TZefStdCode(std::u16string(u" y "))), u"y");
  EXPECT_EQ(textOf(TZefStdCode(CLWideStr(u" w "))), u"w");
  EXPECT_EQ(textOf(TZefStdCode(CLAnsiStr(" a "))), u"a");
  EXPECT_EQ(textOf(TZefStdCode(static_cast<const char*>(nullptr))), u"");
  EXPECT_EQ(textOf(TZefStdCode(int64_t{-42})), u"-42");
  EXPECT_EQ(textOf(TZefStdCode(std::numeric_limits<int64_t>::min())), u"-9223372036854775808");

  // Copies share nothing that a change of one would show in the other.
  TZefStdCode original(u"P-001");
  TZefStdCode copy(original);
  copy.MakeNext();
  EXPECT_EQ(textOf(original), u"P-001");
  EXPECT_EQ(original.GetHash(), TZefStdCode(u"p-001").GetHash());

  // A move hands the record over; the source is null again.
  TZefStdCode moved(std::move(copy));
  EXPECT_EQ(textOf(moved), u"P-002");
  EXPECT_EQ(textOf(copy.MakeDuplicate()), u"A(2)");

  // Assigning a null code empties the target but keeps its record.
  TZefStdCode target(u"X");
  target = TZefStdCode();
  EXPECT_TRUE(target.IsEmpty());
  EXPECT_EQ(textOf(target.MakeDuplicate()), u"(2)");
  target.FullClear();
  EXPECT_EQ(textOf(target.MakeDuplicate()), u"A(2)");
  target.ClearData(false);
  EXPECT_EQ(textOf(target.MakeDuplicate()), u"(2)");
  target.ClearData(true);
  target.AllocData();
  EXPECT_TRUE(target.IsEmpty());
  target = target;  // self-assignment keeps the text
  EXPECT_EQ(textOf(target), u"");

  const std::u16string asWide = TZefStdCode(u"\u00C9-1");
  const std::string asNarrow = TZefStdCode(u"\u00C9-1");
  EXPECT_EQ(asWide, u"\u00C9-1");
  EXPECT_EQ(asNarrow, "\xC3\x89-1");
  EXPECT_EQ(std::u16string(TZefStdCode(u"Q").AsString().c_str()), u"Q");
  EXPECT_EQ(std::u16string(TZefStdCode().AsStringPtr()), u"");
}

// Codes that compare equal must hash alike, or a code database would keep
// two "equal" entries in two buckets. Variant forms that only a full case
// folding joins (long s, final sigma, micro sign, dotless i) stay apart.
TEST(ZefStdCodeTest, EqualCodesHashAlike) {
  const char16_t units[] = u"sS\u017F\u03C3\u03C2\u03A3\u00B5\u03BC\u039CiI\u0131\u00E9\u00C9";
  std::mt19937 random(17);
  int equalPairs = 0;
  for (int round = 0; round < 20000; ++round) {
    std::u16string a, b;
    for (int k = 0; k < 2; ++k) {
      a += units[random() % (std::size(units) - 1)];
      b += units[random() % (std::size(units) - 1)];
    }
    const TZefStdCode x(a), y(b);
    if (x.StringCompare(y) != 0) continue;
    ++equalPairs;
    ASSERT_EQ(x.GetHash(), y.GetHash());
    ASSERT_TRUE(x.IsSameCode(y));
  }
  EXPECT_GT(equalPairs, 100);
  EXPECT_FALSE(TZefStdCode(u"\u017F1").IsSameCode(TZefStdCode(u"s1")));
  EXPECT_TRUE(TZefStdCode(u"\u03A31").IsSameCode(TZefStdCode(u"\u03C31")));
}

TEST(ZefStdCodeTest, StartsAndEndsWith) {
  const TZefStdCode code(u"Well-7");
  const TZefStdCode empty;
  EXPECT_TRUE(code.StartsWith(u"Well"));
  EXPECT_FALSE(code.StartsWith(u"well"));
  EXPECT_TRUE(code.StartsWithIC(u"well"));
  EXPECT_FALSE(code.StartsWith(u"Well-77"));
  EXPECT_TRUE(code.EndsWith(u"-7"));
  EXPECT_FALSE(code.EndsWith(u"L-7"));
  EXPECT_TRUE(code.EndsWithIC(u"L-7"));
  EXPECT_FALSE(code.EndsWithIC(u"xWell-7"));
  EXPECT_TRUE(code.StartsWith(nullptr));
  EXPECT_TRUE(code.EndsWithIC(u""));
  EXPECT_TRUE(empty.StartsWith(u""));
  EXPECT_FALSE(empty.StartsWith(u"W"));
  EXPECT_FALSE(empty.EndsWithIC(u"W"));
}

TEST(ZefStdCodeTest, NextSpacedPrime) {
  EXPECT_EQ(CodesDB::NextSpacedPrime(0), 11u);
  EXPECT_EQ(CodesDB::NextSpacedPrime(823), 1237u);
  EXPECT_EQ(CodesDB::NextSpacedPrime(2469), 2777u);
  EXPECT_EQ(CodesDB::NextSpacedPrime(13845162), 13845163u);
  EXPECT_EQ(CodesDB::NextSpacedPrime(20000000), 13845163u);
}

// Random codes in the shapes hosts use: a prefix of letters, digits and
// punctuation, an optional separator, an optional zero-padded number and an
// optional suffix.
std::u16string randomCode(std::mt19937_64& random, bool withSuffix) {
  static const char16_t kUnits[] = u"ABCXYZabxyz0189-_ .#\u00C9";
  std::u16string text;
  const int prefixLength = static_cast<int>(random() % 4);
  for (int i = 0; i < prefixLength; ++i) text += kUnits[random() % (std::size(kUnits) - 1)];
  if (random() % 2) text += u"-/_"[random() % 3];
  if (random() % 4) {
    const int digits = 1 + static_cast<int>(random() % 20);
    for (int i = 0; i < digits; ++i) text += static_cast<char16_t>(u'0' + random() % 10);
  }
  // (A blank before a suffix is dropped by the split: not this shape.)
  const bool blankEnd = !text.empty() && text.back() == u' ';
  if (withSuffix && !blankEnd && random() % 2) text += u"(" + std::u16string(1, u'1' + random() % 9) + u")";
  return text;
}

TEST(ZefStdCodeTest, RandomCodesRoundTrip) {
  std::mt19937_64 random(91);
  int stepped = 0;
  for (int i = 0; i < 20000; ++i) {
    const std::u16string text = randomCode(random, /*withSuffix=*/true);
    SCOPED_TRACE(narrow(text));
    const TZefStdCode code(text);
    TZefStdCodeSplittedData parts;
    code.Split(parts);
    TZefStdCode built;
    built.Set(parts);
    // Trimming aside, Build(Split(c)) gives the text back for these shapes.
    EXPECT_EQ(textOf(built), textOf(code));
    EXPECT_EQ(code.Compare(built), 0);

    // MakePrev undoes MakeNext while the number keeps its width.
    TZefStdCodeSplittedData check;
    code.Split(check);
    if (check.Number < 0 || check.DuplicateNumber >= 0) continue;
    if (check.Number == std::numeric_limits<int64_t>::max()) continue;
    TZefStdCode next(code);
    next.MakeNext();
    if (std::u16string(next.c_str()).size() != textOf(code).size()) continue;
    next.MakePrev();
    EXPECT_EQ(textOf(next), textOf(code));
    ++stepped;
  }
  EXPECT_GT(stepped, 1000);  // the property was really exercised
}

TEST(ZefStdCodeTest, LongDigitRunsStayInThePrefix) {
  const std::u16string twenty = u"A99999999999999999999";
  TZefStdCode code(twenty);
  EXPECT_EQ(code.GetNumber(), -1);
  EXPECT_EQ(std::u16string(code.GetPrefix().c_str()), twenty);
  TZefStdCodeSplittedData parts;
  code.Split(parts);
  TZefStdCode built;
  built.Set(parts);
  EXPECT_EQ(textOf(built), twenty);
  // Stepping such a code steps its prefix, digits and all.
  EXPECT_EQ(textOf(code.MakeNext()), u"B00000000000000000000");
}

}  // namespace
