#include "textrum/LStr.h"

#include "platform/LastError.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <memory>
#include <string>
#include <string_view>

namespace {

// The functions of one family, so that one test body covers both.
template <typename Char>
struct Api;

template <>
struct Api<char> {
  using Rec = LAnsiStrRec;
  static Rec* make(std::string_view text) { return LStrAllocFromASzStrA(text.data(), static_cast<int>(text.size())); }
  static std::string_view text(const Rec* r) { return {LStrCstrA(r), static_cast<size_t>(LStrLengthA(r))}; }
  static constexpr auto destroy = LStrDestroyA;
  static constexpr auto setBase = LStrSetCharIndexBaseA;
  static constexpr auto pos = LStrPosA;
  static constexpr auto posPtr = LStrPosPtrA;
  static constexpr auto lastDelimiter = LStrLastDelimiterA;
  static constexpr auto isDelimiter = LStrIsDelimiterA;
  static constexpr auto isPathDelimiter = LStrIsPathDelimiterA;
  static constexpr auto subString = LStrSubStringA;
  static constexpr auto left = LStrLeftA;
  static constexpr auto right = LStrRightA;
  static constexpr auto padLeft = LStrPadLeftA;
  static constexpr auto padRight = LStrPadRightA;
  static constexpr auto replace = LStrReplaceA;
  static constexpr auto trim = LStrTrimA;
  static constexpr auto trimLeft = LStrTrimLeftA;
  static constexpr auto trimRight = LStrTrimRightA;
  static constexpr auto selfTrim = LStrSelfTrimA;
  static constexpr auto selfTrimLeft = LStrSelfTrimLeftA;
  static constexpr auto selfTrimRight = LStrSelfTrimRightA;
  static constexpr auto toInt = LStrToIntA;
  static constexpr auto toIntDef = LStrToIntDefA;
  static constexpr auto toDoubleDef = LStrToDoubleDefA;
  static constexpr auto catSprintf = _LStrCatSprintfA;
  static constexpr auto sprintf = _LStrSprintfA;
  static constexpr auto format = _LStrFormatA;
};

template <>
struct Api<char16_t> {
  using Rec = LWideStrRec;
  static Rec* make(std::u16string_view text) {
    return LStrAllocFromWSzStrW(text.data(), static_cast<int>(text.size()));
  }
  static std::u16string_view text(const Rec* r) { return {LStrCstrW(r), static_cast<size_t>(LStrLengthW(r))}; }
  static constexpr auto destroy = LStrDestroyW;
  static constexpr auto setBase = LStrSetCharIndexBaseW;
  static constexpr auto pos = LStrPosW;
  static constexpr auto posPtr = LStrPosPtrW;
  static constexpr auto lastDelimiter = LStrLastDelimiterW;
  static constexpr auto isDelimiter = LStrIsDelimiterW;
  static constexpr auto isPathDelimiter = LStrIsPathDelimiterW;
  static constexpr auto subString = LStrSubStringW;
  static constexpr auto left = LStrLeftW;
  static constexpr auto right = LStrRightW;
  static constexpr auto padLeft = LStrPadLeftW;
  static constexpr auto padRight = LStrPadRightW;
  static constexpr auto replace = LStrReplaceW;
  static constexpr auto trim = LStrTrimW;
  static constexpr auto trimLeft = LStrTrimLeftW;
  static constexpr auto trimRight = LStrTrimRightW;
  static constexpr auto selfTrim = LStrSelfTrimW;
  static constexpr auto selfTrimLeft = LStrSelfTrimLeftW;
  static constexpr auto selfTrimRight = LStrSelfTrimRightW;
  static constexpr auto toInt = LStrToIntW;
  static constexpr auto toIntDef = LStrToIntDefW;
  static constexpr auto toDoubleDef = LStrToDoubleDefW;
  static constexpr auto catSprintf = _LStrCatSprintfW;
  static constexpr auto sprintf = _LStrSprintfW;
  static constexpr auto format = _LStrFormatW;
};

template <typename Char>
class LStrFunctionsTest : public testing::Test {
protected:
  using A = Api<Char>;
  using Rec = typename A::Rec;
  using Text = std::basic_string<Char>;
  struct Destroy {
    void operator()(Rec* r) const { A::destroy(r); }
  };
  using Owned = std::unique_ptr<Rec, Destroy>;

  // An ASCII literal in this family's characters.
  static Text T(std::string_view ascii) { return Text(ascii.begin(), ascii.end()); }
  static Owned make(std::string_view ascii, int base = 1) {
    Owned r(A::make(T(ascii)));
    A::setBase(r.get(), base);
    return r;
  }
  // Takes a new record from a function and returns its text.
  static Text take(Rec* r) {
    Owned owned(r);
    return Text(A::text(r));
  }
};

using CharTypes = testing::Types<char, char16_t>;
TYPED_TEST_SUITE(LStrFunctionsTest, CharTypes);

TYPED_TEST(LStrFunctionsTest, SearchesInTheRecordsBase) {
  using A = typename TestFixture::A;
  for (const int base : {0, 1}) {
    const auto r = TestFixture::make("ab\\cd\\ab", base);
    const auto ab = TestFixture::make("ab");
    const auto missing = TestFixture::make("zz");
    const auto empty = TestFixture::make("");
    const auto delimiters = TestFixture::make("\\:");
    EXPECT_EQ(A::pos(r.get(), ab.get()), base) << base;
    EXPECT_EQ(A::pos(r.get(), missing.get()), base - 1) << base;
    EXPECT_EQ(A::pos(r.get(), empty.get()), base - 1) << base;
    EXPECT_EQ(A::posPtr(r.get(), TestFixture::T("cd").c_str()), base + 3) << base;
    EXPECT_EQ(A::posPtr(r.get(), nullptr), base - 1) << base;
    EXPECT_EQ(A::lastDelimiter(r.get(), delimiters.get()), base + 5) << base;
    EXPECT_EQ(A::lastDelimiter(r.get(), missing.get()), base - 1) << base;
    EXPECT_TRUE(A::isDelimiter(r.get(), delimiters.get(), base + 2)) << base;
    EXPECT_FALSE(A::isDelimiter(r.get(), delimiters.get(), base + 1)) << base;
    for (const int outside : {base - 1, base + 8, INT_MIN, INT_MAX}) {
      EXPECT_FALSE(A::isDelimiter(r.get(), delimiters.get(), outside)) << outside;
      EXPECT_FALSE(A::isPathDelimiter(r.get(), outside)) << outside;
    }
    EXPECT_TRUE(A::isPathDelimiter(r.get(), base + 5)) << base;
  }
}

TYPED_TEST(LStrFunctionsTest, PartsStayInsideTheTextForAnyPositionOrCount) {
  using A = typename TestFixture::A;
  struct Case {
    int position;  // base 1; the base-0 run passes position - 1
    int count;
    const char* expected;
  };
  const Case subStrings[] = {
      {3, -1, "cdef"},
      {3, 2, "cd"},
      {1, 100, "abcdef"},
      {0, 2, "ab"},
      {-5, 3, "abc"},
      {6, 5, "f"},
      {7, -1, ""},
      {7, 1, ""},
      {2, 0, ""},
      {INT_MIN, -1, "abcdef"},
      {INT_MAX, 3, ""},
      {2, INT_MAX, "bcdef"},
      {INT_MIN, INT_MAX, "abcdef"},
  };
  for (const int base : {1, 0}) {
    const auto r = TestFixture::make("abcdef", base);
    for (const Case& c : subStrings) {
      const int position = c.position == INT_MIN ? INT_MIN : c.position - (1 - base);
      EXPECT_EQ(TestFixture::take(A::subString(r.get(), position, c.count)), TestFixture::T(c.expected))
          << "base " << base << " position " << c.position << " count " << c.count;
    }
  }
  const auto r = TestFixture::make("abc");
  const struct {
    int n;
    const char* left;
    const char* right;
  } ends[] = {{-1, "", ""}, {0, "", ""}, {2, "ab", "bc"}, {3, "abc", "abc"}, {5, "abc", "abc"}, {INT_MIN, "", ""}};
  for (const auto& c : ends) {
    EXPECT_EQ(TestFixture::take(A::left(r.get(), c.n)), TestFixture::T(c.left)) << c.n;
    EXPECT_EQ(TestFixture::take(A::right(r.get(), c.n)), TestFixture::T(c.right)) << c.n;
  }
}

TYPED_TEST(LStrFunctionsTest, PadsToTheWidth) {
  using A = typename TestFixture::A;
  const auto seven = TestFixture::make("7");
  const auto four = TestFixture::make("1234");
  const auto empty = TestFixture::make("");
  EXPECT_EQ(TestFixture::take(A::padLeft(seven.get(), '0', 3)), TestFixture::T("007"));
  EXPECT_EQ(TestFixture::take(A::padRight(seven.get(), '.', 3)), TestFixture::T("7.."));
  EXPECT_EQ(TestFixture::take(A::padLeft(four.get(), '0', 3)), TestFixture::T("1234"));
  EXPECT_EQ(TestFixture::take(A::padRight(four.get(), '0', INT_MIN)), TestFixture::T("1234"));
  EXPECT_EQ(TestFixture::take(A::padLeft(empty.get(), '*', 2)), TestFixture::T("**"));
}

TYPED_TEST(LStrFunctionsTest, ReplacesEveryOccurrenceAndAlwaysEnds) {
  using A = typename TestFixture::A;
  struct Case {
    const char* text;
    const char* oldText;  // null stays null
    const char* newText;
    const char* expected;
  };
  const Case cases[] = {
      {"a-b-c", "-", nullptr, "abc"},
      {"a-b-c", "-", "", "abc"},
      {"a-b-c", "-", "+", "a+b+c"},
      {"a-b-c", nullptr, "+", "a-b-c"},
      {"a-b-c", "", "+", "a-b-c"},
      {"abc", "x", "y", "abc"},
      {"aaa", "a", "aa", "aaaaaa"},  // the replacement contains the searched text
      {"ab", "ab", "xaby", "xaby"},
      {"a    b", "  ", " ", "a b"},  // a run of blanks still collapses
      {"x%d%d", "%d", "%d%d", "x%d%d%d%d"},
      {"", "a", "b", ""},
      // the search starts again from the start: a match formed across the cut is replaced too
      {"xaabb", "ab", "", "x"},
      {"aab", "ab", "b", "b"},
      {"abab", "ab", "ba", "bbaa"},
      {"aaab", "ab", "b", "b"},
      {"a((b))", "(b)", "b", "ab"},
      {"aaa", "aa", "a", "a"},
      // lengthening rewrites that end, and one that would not: an inserted "bb" is not rewritten again
      {"ab", "ab", "bba", "bba"},
      {"aab", "ab", "bab", "babab"},
  };
  for (const Case& c : cases) {
    const auto r = TestFixture::make(c.text);
    const auto oldText = c.oldText ? TestFixture::T(c.oldText) : typename TestFixture::Text();
    const auto newText = c.newText ? TestFixture::T(c.newText) : typename TestFixture::Text();
    EXPECT_EQ(TestFixture::take(
                  A::replace(r.get(), c.oldText ? oldText.c_str() : nullptr, c.newText ? newText.c_str() : nullptr)),
              TestFixture::T(c.expected))
        << c.text << " " << (c.oldText ? c.oldText : "null");
    EXPECT_EQ(A::text(r.get()), TestFixture::T(c.text));  // the source is unchanged
  }
}

// Each replacement costs about the length of the new text, not of the whole
// text: long texts whose every unit is rewritten, many times over where the
// rule keeps making matches, still end at once.
TYPED_TEST(LStrFunctionsTest, ReplacesThroughLongTexts) {
  using A = typename TestFixture::A;
  const auto repeated = [](std::string_view unit, size_t times) {
    std::string text;
    for (size_t i = 0; i < times; ++i) text += unit;
    return text;
  };
  constexpr size_t kTimes = 200000;
  const struct {
    std::string text;
    const char* oldText;
    const char* newText;
    std::string expected;
  } cases[] = {
      {repeated("-", kTimes), "-", "", ""},
      {repeated("a", kTimes), "a", "aa", repeated("aa", kTimes)},
      {repeated("ab", kTimes), "ab", "xaby", repeated("xaby", kTimes)},
      {repeated("\r\n", kTimes), "\r\n", "{$CRLF$}", repeated("{$CRLF$}", kTimes)},
      {repeated("b", kTimes) + "a", "ba", "abb", "a" + repeated("bb", kTimes)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.oldText << " -> " << c.newText);
    const auto r = TestFixture::make(c.text);
    const auto oldText = TestFixture::T(c.oldText);
    const auto newText = TestFixture::T(c.newText);
    EXPECT_TRUE(TestFixture::take(A::replace(r.get(), oldText.c_str(), newText.c_str())) == TestFixture::T(c.expected));
  }
}

TYPED_TEST(LStrFunctionsTest, TrimsBlanksAndControlCharacters) {
  using A = typename TestFixture::A;
  struct Case {
    const char* text;
    const char* both;
    const char* start;
    const char* end;
  };
  const Case cases[] = {
      {" \t a b \r\n", "a b", "a b \r\n", " \t a b"},
      {"\x01x\x1F", "x", "x\x1F", "\x01x"},
      {"   ", "", "", ""},
      {"", "", "", ""},
      {"x", "x", "x", "x"},
  };
  for (const Case& c : cases) {
    const auto r = TestFixture::make(c.text);
    EXPECT_EQ(TestFixture::take(A::trim(r.get())), TestFixture::T(c.both)) << c.text;
    EXPECT_EQ(TestFixture::take(A::trimLeft(r.get())), TestFixture::T(c.start)) << c.text;
    EXPECT_EQ(TestFixture::take(A::trimRight(r.get())), TestFixture::T(c.end)) << c.text;
    const auto both = TestFixture::make(c.text);
    const auto start = TestFixture::make(c.text);
    const auto end = TestFixture::make(c.text);
    A::selfTrim(both.get());
    A::selfTrimLeft(start.get());
    A::selfTrimRight(end.get());
    EXPECT_EQ(A::text(both.get()), TestFixture::T(c.both)) << c.text;
    EXPECT_EQ(A::text(start.get()), TestFixture::T(c.start)) << c.text;
    EXPECT_EQ(A::text(end.get()), TestFixture::T(c.end)) << c.text;
  }
}

TYPED_TEST(LStrFunctionsTest, ReadsNumbersOnlyFromWholeTexts) {
  using A = typename TestFixture::A;
  struct Case {
    const char* text;
    int32_t intDef;    // LStrToIntDef with default 5
    double doubleDef;  // LStrToDoubleDef with default 0
  };
  const Case cases[] = {
      {"0x1F", 31, 0},
      {"0X1f", 31, 0},
      {"0x1G", 5, 0},
      {"12 ", 5, 0},
      {"", 5, 0},
      {"-17", -17, -17},
      {" 8", 8, 8},
      {"0xFFFFFFFF", -1, 0},
      {"0x100000000", 5, 0},
      {"99999999999", 5, 99999999999.0},
      {"1,5", 5, 0},
      {"2.5", 5, 2.5},
      {"1e3", 5, 1000},
      {"0x", 5, 0},
  };
  for (const Case& c : cases) {
    const auto r = TestFixture::make(c.text);
    EXPECT_EQ(A::toIntDef(r.get(), 5), c.intDef) << c.text;
    EXPECT_EQ(A::toDoubleDef(r.get(), 0), c.doubleDef) << c.text;
  }
  const struct {
    const char* text;
    int32_t value;
    bool error;
  } strict[] = {{"42", 42, false}, {"-$10", -16, false}, {"0x1G", 1, false}, {"0xZ", 0, false},
                {"12 ", 0, true},  {"", 0, true},        {"abc", 0, true}};
  for (const auto& c : strict) {
    const auto r = TestFixture::make(c.text);
    SetLastError(ERROR_SUCCESS);
    EXPECT_EQ(A::toInt(r.get()), c.value) << c.text;
    EXPECT_EQ(GetLastError() == ERROR_INVALID_DATA, c.error) << c.text;
  }
}

TYPED_TEST(LStrFunctionsTest, FormatsWithTwoPassesIntoTheRecord) {
  using A = typename TestFixture::A;
  const auto T = [](std::string_view ascii) { return TestFixture::T(ascii); };
  const auto r = TestFixture::make("x");
  EXPECT_EQ(A::catSprintf(r.get(), T("%d").c_str(), 42), 2);
  EXPECT_EQ(A::text(r.get()), T("x42"));
  EXPECT_EQ(A::catSprintf(r.get(), T("").c_str()), 0);
  EXPECT_EQ(A::catSprintf(r.get(), nullptr), 0);
  EXPECT_EQ(A::text(r.get()), T("x42"));
  // An argument may be the record's own text.
  EXPECT_EQ(A::catSprintf(r.get(), T("-%s").c_str(), A::text(r.get()).data()), 4);
  EXPECT_EQ(A::text(r.get()), T("x42-x42"));
  EXPECT_EQ(A::sprintf(r.get(), T("%ld|%Ld|%5.2f|%-3c|").c_str(), -1, int64_t{1} << 33, 2.5, 'q'), 24);
  EXPECT_EQ(A::text(r.get()), T("-1|8589934592| 2.50|q  |"));
  EXPECT_EQ(A::sprintf(r.get(), nullptr), 0);
  EXPECT_EQ(A::text(r.get()), T(""));
  const auto format = TestFixture::make("%s=%u");
  EXPECT_EQ(TestFixture::take(A::format(format.get(), T("k").c_str(), 7u)), T("k=7"));
  const auto empty = TestFixture::make("");
  EXPECT_EQ(TestFixture::take(A::format(empty.get(), 1)), T(""));
}

// --- the family-specific behaviour --------------------------------------------

TEST(LStrFunctionsFamilyTest, NarrowFunctionsKeepWholeUtf8Characters) {
  LAnsiStrRec* text = LStrAllocFromASzStrA(
      "x\xC3\xA8"
      "a\xA8"
      "a",
      -1);  // "xèa", a stray byte, "a"
  LAnsiStrRec* pattern = LStrAllocFromASzStrA(
      "\xA8"
      "a",
      -1);
  EXPECT_EQ(LStrPosA(text, pattern), 3);      // bytewise, inside "è"
  EXPECT_EQ(LStrAnsiPosA(text, pattern), 5);  // only on whole characters
  LAnsiStrRec* lead = LStrAllocFromASzStrA("\xC3", -1);
  EXPECT_EQ(LStrAnsiPosA(text, lead), 0);  // half a character is no match
  LAnsiStrRec* upper = LStrUpperCaseA(text);
  EXPECT_STREQ(LStrCstrA(upper),
               "X\xC3\x88"
               "A\xA8"
               "A");  // "XÈA", the stray byte kept
  LStrSelfLowerCaseA(upper);
  EXPECT_STREQ(LStrCstrA(upper),
               "x\xC3\xA8"
               "a\xA8"
               "a");
  for (LAnsiStrRec* r : {text, pattern, upper, lead}) LStrDestroyA(r);
}

TEST(LStrFunctionsFamilyTest, WideCaseMappingIsTheSameEverywhere) {
  LWideStrRec* text = LStrAllocFromWSzStrW(u"\u00E0b\u0451\U0001F600", -1);
  LWideStrRec* upper = LStrUpperCaseW(text);
  EXPECT_EQ(std::u16string_view(LStrCstrW(upper)), u"\u00C0B\u0401\U0001F600");
  LStrSelfLowerCaseW(upper);
  EXPECT_EQ(std::u16string_view(LStrCstrW(upper)), std::u16string_view(LStrCstrW(text)));
  LStrDestroyW(text);
  LStrDestroyW(upper);
}

TEST(LStrFunctionsFamilyTest, NumberTexts) {
  const double value = 1234.5;
  LWideStrRec* emptyWide = LStrAllocW();
  LAnsiStrRec* emptyNarrow = LStrAllocA();
  LWideStrRec* picture = LStrAllocFromWSzStrW(u"#,##0.00", -1);
  LWideStrRec* results[] = {LStrFormatFloatW(emptyWide, &value), LStrFormatFloatW(picture, &value),
                            LStrFloatToStrFW(-1234.5, 4, 15, 2), LStrIntToHexW(255, 4),
                            LStrFormatFloatW(picture, nullptr),  LStrAllocFromDoubleW(0.1),
                            LStrAllocFromInt64W(INT64_MIN)};
  const std::u16string_view expected[] = {u"#error#", u"1,234.50", u"($1,234.50)",         u"00FF",
                                          u"",        u"0.1",      u"-9223372036854775808"};
  for (size_t i = 0; i < std::size(results); ++i) {
    EXPECT_EQ(std::u16string_view(LStrCstrW(results[i])), expected[i]) << i;
    LStrDestroyW(results[i]);
  }
  LAnsiStrRec* narrow[] = {LStrFormatFloatA(emptyNarrow, &value), LStrFloatToStrFA(1234.5, 1, 4, 2),
                           LStrIntToHexA(-1, 0), LStrAllocFromUInt64A(UINT64_MAX), LStrFloatToStrFA(2.5, 2, 15, 0)};
  const char* narrowExpected[] = {"1234.5", "1.235E+03", "FFFFFFFF", "18446744073709551615", "3"};
  for (size_t i = 0; i < std::size(narrow); ++i) {
    EXPECT_STREQ(LStrCstrA(narrow[i]), narrowExpected[i]) << i;
    LStrDestroyA(narrow[i]);
  }
  LStrDestroyW(emptyWide);
  LStrDestroyW(picture);
  LStrDestroyA(emptyNarrow);
}

int setThroughList(LWideStrRec* record, const WCHAR* format, ...) {
  va_list args;
  va_start(args, format);
  const int length = _LStrVPrintfW(record, format, args);
  va_end(args);
  return length;
}

int appendThroughList(LAnsiStrRec* record, const char* format, ...) {
  va_list args;
  va_start(args, format);
  const int appended = _LStrCatVPrintfA(record, format, args);
  va_end(args);
  return appended;
}

TEST(LStrFunctionsFamilyTest, FormatsTakeTheirFamilysStringsAndArgumentLists) {
  LWideStrRec* wide = LStrAllocW();
  EXPECT_EQ(_LStrPrintfW(wide, u"%s/%S/%c", u"w\u00E8", "n\xC3\xA8", u'\u20AC'), 7);
  EXPECT_EQ(std::u16string_view(LStrCstrW(wide)), u"w\u00E8/n\u00E8/\u20AC");
  EXPECT_EQ(setThroughList(wide, u"%I64d %S", int64_t{-5}, "n"), 4);
  EXPECT_EQ(std::u16string_view(LStrCstrW(wide)), u"-5 n");
  LAnsiStrRec* narrow = LStrAllocFromASzStrA("v", -1);
  EXPECT_EQ(appendThroughList(narrow, "%s%S", "\xC3\xA8", u"\u00E8"), 4);
  EXPECT_STREQ(LStrCstrA(narrow), "v\xC3\xA8\xC3\xA8");
  EXPECT_EQ(appendThroughList(narrow, "%s", ""), 0);
  EXPECT_STREQ(LStrCstrA(narrow), "v\xC3\xA8\xC3\xA8");
  LStrDestroyW(wide);
  LStrDestroyA(narrow);
}

}  // namespace
