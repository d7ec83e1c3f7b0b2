#include "textrum/LStr.h"

#include "platform/LastError.h"
#include "platform/Locale.h"
#include "platform/OleString.h"
#include "platform/Resources.h"

#include <gtest/gtest.h>

#include <dlfcn.h>

#include <memory>
#include <random>
#include <thread>
#include <vector>
#include <string>
#include <string_view>

namespace {

using namespace std::literals;

// The exported functions of one family, so that one test body covers both.
template <typename Char>
struct Api;

template <>
struct Api<char> {
  using Rec = LAnsiStrRec;
  static constexpr auto alloc = LStrAllocA;
  static constexpr auto fromText = LStrAllocFromASzStrA;
  static constexpr auto clone = LStrAllocCloneAA;
  static constexpr auto ofChar = LStrAllocStringOfCharA;
  static constexpr auto destroy = LStrDestroyA;
  static constexpr auto getBase = LStrGetCharIndexBaseA;
  static constexpr auto setBase = LStrSetCharIndexBaseA;
  static constexpr auto assign = LStrAssignA;
  static constexpr auto assignText = LStrAssignASzStrA;
  static constexpr auto append = LStrAppendA;
  static constexpr auto appendText = LStrAppendASzStrA;
  static constexpr auto appendChar = LStrAppendCharA;
  static constexpr auto appendInt = LStrAppendIntValueA;
  static constexpr auto length = LStrLengthA;
  static constexpr auto setLength = LStrSetLengthA;
  static constexpr auto cstr = LStrCstrA;
  static constexpr auto insert = LStrInsertA;
  static constexpr auto erase = LStrDeleteA;
  static constexpr auto compare = LStrCompareA;
  static constexpr auto compareIC = LStrCompareICA;
  static constexpr auto getChar = LStrGetCharAtA;
  static constexpr auto setChar = LStrSetCharAtA;
  static constexpr auto charAddr = LStrCharAddrAtA;
  static constexpr auto fromInt64 = LStrAllocFromInt64A;
  static constexpr auto fromUInt64 = LStrAllocFromUInt64A;
  static constexpr auto fromDouble = LStrAllocFromDoubleA;
};

template <>
struct Api<char16_t> {
  using Rec = LWideStrRec;
  static constexpr auto alloc = LStrAllocW;
  static constexpr auto fromText = LStrAllocFromWSzStrW;
  static constexpr auto clone = LStrAllocCloneWW;
  static constexpr auto ofChar = LStrAllocStringOfCharW;
  static constexpr auto destroy = LStrDestroyW;
  static constexpr auto getBase = LStrGetCharIndexBaseW;
  static constexpr auto setBase = LStrSetCharIndexBaseW;
  static constexpr auto assign = LStrAssignW;
  static constexpr auto assignText = LStrAssignWSzStrW;
  static constexpr auto append = LStrAppendW;
  static constexpr auto appendText = LStrAppendWSzStrW;
  static constexpr auto appendChar = LStrAppendCharW;
  static constexpr auto appendInt = LStrAppendIntValueW;
  static constexpr auto length = LStrLengthW;
  static constexpr auto setLength = LStrSetLengthW;
  static constexpr auto cstr = LStrCstrW;
  static constexpr auto insert = LStrInsertW;
  static constexpr auto erase = LStrDeleteW;
  static constexpr auto compare = LStrCompareW;
  static constexpr auto compareIC = LStrCompareICW;
  static constexpr auto getChar = LStrGetCharAtW;
  static constexpr auto setChar = LStrSetCharAtW;
  static constexpr auto charAddr = LStrCharAddrAtW;
  static constexpr auto fromInt64 = LStrAllocFromInt64W;
  static constexpr auto fromUInt64 = LStrAllocFromUInt64W;
  static constexpr auto fromDouble = LStrAllocFromDoubleW;
};

// ASCII test texts written once and widened for the wide family.
template <typename Char>
std::basic_string<Char> T(std::string_view ascii) {
  return std::basic_string<Char>(ascii.begin(), ascii.end());
}

template <typename Char>
struct RecDeleter {
  void operator()(typename Api<Char>::Rec* record) const { Api<Char>::destroy(record); }
};
template <typename Char>
using Owned = std::unique_ptr<typename Api<Char>::Rec, RecDeleter<Char>>;

template <typename Char>
Owned<Char> make(std::string_view ascii, int base = 1) {
  const auto text = T<Char>(ascii);
  Owned<Char> record(Api<Char>::fromText(text.data(), static_cast<int>(text.size())));
  Api<Char>::setBase(record.get(), base);
  return record;
}

// The record's whole text, embedded NULs included.
template <typename Char>
std::basic_string<Char> textOf(const typename Api<Char>::Rec* record) {
  return std::basic_string<Char>(Api<Char>::cstr(record), static_cast<size_t>(Api<Char>::length(record)));
}

template <typename Char>
class LStrCoreTest : public testing::Test {};
using CharTypes = testing::Types<char, char16_t>;
TYPED_TEST_SUITE(LStrCoreTest, CharTypes);

TYPED_TEST(LStrCoreTest, EveryAllocatedRecordHasBaseOneAndNeverANullText) {
  using A = Api<TypeParam>;
  const auto abc = T<TypeParam>("abc");
  const Owned<TypeParam> baseZero = make<TypeParam>("xyz", 0);
  const Owned<TypeParam> records[] = {
      Owned<TypeParam>(A::alloc()),
      Owned<TypeParam>(A::fromText(nullptr, -1)),
      Owned<TypeParam>(A::fromText(abc.data(), 0)),
      Owned<TypeParam>(A::ofChar(TypeParam('x'), 0)),
      Owned<TypeParam>(A::ofChar(TypeParam('x'), -5)),
      Owned<TypeParam>(A::clone(baseZero.get())),
  };
  for (const auto& record : records) {
    EXPECT_EQ(A::getBase(record.get()), 1);
    ASSERT_NE(A::cstr(record.get()), nullptr);
  }
  EXPECT_EQ(textOf<TypeParam>(records[5].get()), T<TypeParam>("xyz"));
  for (int i = 0; i < 5; ++i) EXPECT_EQ(A::cstr(records[i].get())[0], TypeParam(0)) << i;

  EXPECT_FALSE(A::setBase(records[0].get(), 2));
  EXPECT_FALSE(A::setBase(records[0].get(), -1));
  EXPECT_EQ(A::getBase(records[0].get()), 1);
  EXPECT_TRUE(A::setBase(records[0].get(), 0));
  EXPECT_EQ(A::getBase(records[0].get()), 0);

  const Owned<TypeParam> repeated(A::ofChar(TypeParam('z'), 3));
  EXPECT_EQ(textOf<TypeParam>(repeated.get()), T<TypeParam>("zzz"));
}

TYPED_TEST(LStrCoreTest, TextArgumentsFollowNullAndLengthRules) {
  using A = Api<TypeParam>;
  const auto withNul = T<TypeParam>("ab\0cd"sv);
  const Owned<TypeParam> r = make<TypeParam>("xy");
  EXPECT_EQ(A::appendText(r.get(), nullptr, 5), 2);          // null appends nothing
  EXPECT_EQ(A::appendText(r.get(), withNul.data(), -1), 4);  // up to the NUL
  EXPECT_EQ(A::appendText(r.get(), withNul.data(), 5), 9);   // NUL kept
  EXPECT_EQ(textOf<TypeParam>(r.get()), T<TypeParam>("xyabab\0cd"sv));
  EXPECT_EQ(A::assignText(r.get(), withNul.data(), 1), 1);
  EXPECT_EQ(textOf<TypeParam>(r.get()), T<TypeParam>("a"));
  EXPECT_EQ(A::assignText(r.get(), nullptr, 3), 0);
  EXPECT_EQ(A::cstr(r.get())[0], TypeParam(0));

  EXPECT_EQ(std::basic_string<TypeParam>(A::appendChar(r.get(), TypeParam('q'))), T<TypeParam>("q"));
  EXPECT_EQ(std::basic_string<TypeParam>(A::appendInt(r.get(), -2147483647 - 1)), T<TypeParam>("q-2147483648"));
}

struct EditCase {
  const char* text;
  int base;
  int position;
  const char* inserted;  // insert this, or delete `count` when null
  int count;
  const char* expected;
};

TYPED_TEST(LStrCoreTest, InsertAndDeleteClampPositionsInTheRecordsBase) {
  using A = Api<TypeParam>;
  const EditCase cases[] = {
      {"abc", 1, 2, "XY", 0, "aXYbc"},
      {"abc", 0, 1, "XY", 0, "aXYbc"},   // same place in base 0
      {"abc", 1, 4, "XY", 0, "abcXY"},   // one past the end appends
      {"abc", 1, 99, "XY", 0, "abcXY"},  // beyond the end appends
      {"abc", 1, 0, "XY", 0, "XYabc"},   // before the start inserts first
      {"abc", 0, -7, "XY", 0, "XYabc"},
      {"", 1, 5, "XY", 0, "XY"},
      {"abc", 1, 2, "", 0, "abc"},
      {"abcdef", 1, 2, nullptr, 3, "aef"},
      {"abcdef", 0, 1, nullptr, 3, "aef"},
      {"abcdef", 1, 4, nullptr, 99, "abc"},    // count past the end
      {"abcdef", 1, 6, nullptr, 1, "abcde"},   // last character
      {"abcdef", 1, 7, nullptr, 1, "abcdef"},  // position past the end
      {"abcdef", 1, 0, nullptr, 2, "abcdef"},  // position before the start
      {"abcdef", 0, 6, nullptr, 1, "abcdef"},
      {"abcdef", 1, 2, nullptr, 0, "abcdef"},
      {"abcdef", 1, 2, nullptr, -1, "abcdef"},
      {"abcdef", 1, 1, nullptr, 6, ""},
      {"abc", 1, 2147483647, "X", 0, "abcX"},  // no overflow in the base shift
      {"abc", 0, 2147483647, nullptr, 1, "abc"},
  };
  for (const EditCase& c : cases) {
    const Owned<TypeParam> r = make<TypeParam>(c.text, c.base);
    int length;
    if (c.inserted != nullptr) {
      const Owned<TypeParam> source = make<TypeParam>(c.inserted);
      length = A::insert(r.get(), source.get(), c.position);
    } else {
      length = A::erase(r.get(), c.position, c.count);
    }
    const auto expected = T<TypeParam>(c.expected);
    EXPECT_EQ(textOf<TypeParam>(r.get()), expected) << c.text << " @" << c.position;
    EXPECT_EQ(length, static_cast<int>(expected.size())) << c.text << " @" << c.position;
  }
}

// Assigning a part of the record's own text overwrites it in place: every
// short length (each size class of the in-place move) from both ends.
TYPED_TEST(LStrCoreTest, AssigningAPartOfItsOwnTextKeepsEveryUnit) {
  using A = Api<TypeParam>;
  const std::string whole = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWX";
  for (int length = 1; length <= 40; ++length) {
    for (const int from : {0, 1, static_cast<int>(whole.size()) - length}) {
      const Owned<TypeParam> r = make<TypeParam>(whole);
      EXPECT_EQ(A::assignText(r.get(), A::cstr(r.get()) + from, length), length);
      EXPECT_EQ(textOf<TypeParam>(r.get()), T<TypeParam>(whole.substr(from, length))) << length << " @" << from;
    }
  }
}

TYPED_TEST(LStrCoreTest, SourcesMayBeTheRecordItself) {
  using A = Api<TypeParam>;
  const Owned<TypeParam> r = make<TypeParam>("abc");
  EXPECT_EQ(A::append(r.get(), r.get()), 6);
  EXPECT_EQ(A::insert(r.get(), r.get(), 2), 12);
  EXPECT_EQ(textOf<TypeParam>(r.get()), T<TypeParam>("aabcabcbcabc"));
  EXPECT_EQ(A::appendText(r.get(), A::cstr(r.get()) + 10, -1), 14);
  EXPECT_EQ(A::assignText(r.get(), A::cstr(r.get()) + 1, 3), 3);
  EXPECT_EQ(textOf<TypeParam>(r.get()), T<TypeParam>("abc"));
  EXPECT_EQ(A::assign(r.get(), r.get()), 3);
  EXPECT_EQ(textOf<TypeParam>(r.get()), T<TypeParam>("abc"));
  // Many appends to one record (the narrow text grows in place).
  for (int i = 0; i < 200; ++i) A::appendText(r.get(), A::cstr(r.get()), 1);
  EXPECT_EQ(A::length(r.get()), 203);
}

// Texts are overwritten in place and grow in their room: a seeded run of
// assignments, appends (also of the record's own text), length changes and
// deletions of every size against a standard string, checking the text, the
// length and, for wide records, the automation string's length prefix.
TYPED_TEST(LStrCoreTest, EditsInPlaceFollowAStandardString) {
  using A = Api<TypeParam>;
  using Text = std::basic_string<TypeParam>;
  const Owned<TypeParam> r = make<TypeParam>("");
  Text model;
  std::mt19937 random(7);
  auto pieceOf = [&](size_t length) {
    Text piece(length, TypeParam('a'));
    for (TypeParam& c : piece) c = static_cast<TypeParam>('a' + random() % 26);
    return piece;
  };
  for (int step = 0; step < 3000; ++step) {
    const size_t size = random() % 4 == 0 ? random() % 3000 : random() % 40;
    switch (random() % 6) {
      case 0:
      case 1: {
        const Text piece = pieceOf(size);
        A::appendText(r.get(), piece.data(), static_cast<int>(piece.size()));
        model += piece;
        break;
      }
      case 2: {
        const Text piece = pieceOf(size);
        A::assignText(r.get(), piece.data(), static_cast<int>(piece.size()));
        model = piece;
        break;
      }
      case 3: {
        const size_t from = model.empty() ? 0 : random() % model.size();
        const size_t count = std::min(size, model.size() - from);
        A::appendText(r.get(), A::cstr(r.get()) + from, static_cast<int>(count));
        model += model.substr(from, count);
        break;
      }
      case 4:
        A::setLength(r.get(), static_cast<int>(size));
        model.resize(size, TypeParam(0));
        break;
      default:
        A::erase(r.get(), 1, static_cast<int>(size));
        model.erase(0, std::min(size, model.size()));
        break;
    }
    ASSERT_EQ(textOf<TypeParam>(r.get()), model) << "step " << step;
    ASSERT_EQ(A::cstr(r.get())[model.size()], TypeParam(0)) << "step " << step;
    if constexpr (std::is_same_v<TypeParam, char16_t>) {
      ASSERT_EQ(SysStringLen(LStrCbstrW(r.get())), model.size()) << "step " << step;
    }
  }
}

TYPED_TEST(LStrCoreTest, SetLengthCutsAndExtendsWithNuls) {
  using A = Api<TypeParam>;
  const Owned<TypeParam> r = make<TypeParam>("abcdef");
  EXPECT_EQ(A::setLength(r.get(), 3), 3);
  EXPECT_EQ(textOf<TypeParam>(r.get()), T<TypeParam>("abc"));
  EXPECT_EQ(A::setLength(r.get(), 5), 5);
  EXPECT_EQ(textOf<TypeParam>(r.get()), T<TypeParam>("abc\0\0"sv));
  EXPECT_EQ(A::cstr(r.get())[5], TypeParam(0));
  EXPECT_EQ(A::setLength(r.get(), -4), 0);
  EXPECT_EQ(A::length(r.get()), 0);
  EXPECT_EQ(A::cstr(r.get())[0], TypeParam(0));
}

TYPED_TEST(LStrCoreTest, CharacterAccessIsCheckedInBothFamilies) {
  using A = Api<TypeParam>;
  const Owned<TypeParam> one = make<TypeParam>("abc", 1);
  const Owned<TypeParam> zero = make<TypeParam>("abc", 0);
  EXPECT_EQ(A::getChar(one.get(), 1), TypeParam('a'));
  EXPECT_EQ(A::getChar(zero.get(), 0), TypeParam('a'));
  EXPECT_EQ(A::getChar(zero.get(), 2), TypeParam('c'));
  EXPECT_EQ(A::setChar(zero.get(), 1, TypeParam('B')), 3);
  *A::charAddr(one.get(), 3) = TypeParam('C');
  EXPECT_EQ(textOf<TypeParam>(zero.get()), T<TypeParam>("aBc"));
  EXPECT_EQ(textOf<TypeParam>(one.get()), T<TypeParam>("abC"));

  struct Outside {
    const Owned<TypeParam>& record;
    int position;
  };
  const Owned<TypeParam> empty = make<TypeParam>("");
  const Outside outside[] = {{one, 0},          {one, 4}, {zero, -1}, {zero, 3}, {empty, 1}, {one, -2147483647 - 1},
                             {zero, 2147483647}};
  for (const Outside& o : outside) {
    SetLastError(ERROR_SUCCESS);
    EXPECT_EQ(A::getChar(o.record.get(), o.position), TypeParam(0)) << o.position;
    EXPECT_EQ(GetLastError(), ERROR_INVALID_INDEX) << o.position;
    SetLastError(ERROR_SUCCESS);
    EXPECT_EQ(A::charAddr(o.record.get(), o.position), nullptr) << o.position;
    EXPECT_EQ(GetLastError(), ERROR_INVALID_INDEX) << o.position;
    const auto before = textOf<TypeParam>(o.record.get());
    EXPECT_EQ(A::setChar(o.record.get(), o.position, TypeParam('!')), static_cast<int>(before.size()));
    EXPECT_EQ(textOf<TypeParam>(o.record.get()), before) << o.position;
  }
}

TYPED_TEST(LStrCoreTest, ComparisonsPutEmptyFirst) {
  using A = Api<TypeParam>;
  struct Case {
    const char* a;
    const char* b;
    int ordinal;
    int ignoreCase;
  };
  const Case cases[] = {
      {"", "", 0, 0},        {"", "a", -1, -1},    {"abc", "abc", 0, 0},     {"abc", "ABC", 1, 0},
      {"ab", "abc", -1, -1}, {"abd", "abc", 1, 1}, {"Zeta", "alpha", -1, 1},
  };
  for (const Case& c : cases) {
    const Owned<TypeParam> a = make<TypeParam>(c.a);
    const Owned<TypeParam> b = make<TypeParam>(c.b);
    EXPECT_EQ(A::compare(a.get(), b.get()), c.ordinal) << c.a << " vs " << c.b;
    EXPECT_EQ(A::compare(b.get(), a.get()), -c.ordinal) << c.a << " vs " << c.b;
    EXPECT_EQ(A::compareIC(a.get(), b.get()), c.ignoreCase) << c.a << " vs " << c.b;
    EXPECT_EQ(A::compareIC(b.get(), a.get()), -c.ignoreCase) << c.a << " vs " << c.b;
  }
}

TYPED_TEST(LStrCoreTest, NumbersAsText) {
  using A = Api<TypeParam>;
  struct IntCase {
    int64_t value;
    const char* text;
  };
  const IntCase ints[] = {
      {0, "0"}, {-1, "-1"}, {INT64_MAX, "9223372036854775807"}, {INT64_MIN, "-9223372036854775808"}};
  for (const IntCase& c : ints) {
    EXPECT_EQ(textOf<TypeParam>(Owned<TypeParam>(A::fromInt64(c.value)).get()), T<TypeParam>(c.text));
  }
  EXPECT_EQ(textOf<TypeParam>(Owned<TypeParam>(A::fromUInt64(UINT64_MAX)).get()), T<TypeParam>("18446744073709551615"));

  const platform::ScopedUserLocale pointLocale("C");  // these texts have a '.' as decimal separator
  struct DoubleCase {
    double value;
    const char* text;
  };
  const DoubleCase doubles[] = {
      {0.0, "0"},
      {-0.0, "0"},
      {1.0, "1"},
      {-2.5, "-2.5"},
      {123.456, "123.456"},
      {0.1 + 0.2, "0.3"},  // 15 significant digits
      {1.0 / 3.0, "0.333333333333333"},
      {2.0 / 3.0, "0.666666666666667"},
      {999999999999999.0, "999999999999999"},  // largest fixed exponent
      {1e15, "1E15"},
      {1.5e300, "1.5E300"},
      {0.0001, "0.0001"},  // smallest fixed exponent
      {0.00001, "1E-5"},
      {-1.25e-10, "-1.25E-10"},
      {9.9999999999999999e14, "1E15"},  // rounding carries into the exponent
      {std::numeric_limits<double>::quiet_NaN(), "NAN"},
      {std::numeric_limits<double>::infinity(), "INF"},
      {-std::numeric_limits<double>::infinity(), "-INF"},
  };
  for (const DoubleCase& c : doubles) {
    EXPECT_EQ(textOf<TypeParam>(Owned<TypeParam>(A::fromDouble(c.value)).get()), T<TypeParam>(c.text)) << c.text;
  }
}

// --- narrow sharing -------------------------------------------------------------

TEST(LStrNarrowTest, ClonesAndAssignmentsShareUntilWritten) {
  LAnsiStrRec* original = LStrAllocFromASzStrA("shared", -1);
  LAnsiStrRec* clone = LStrAllocCloneAA(original);
  LAnsiStrRec* assigned = LStrAllocA();
  LStrAssignA(assigned, original);
  EXPECT_EQ(LStrCstrA(clone), LStrCstrA(original));  // one text, three records
  EXPECT_EQ(LStrCstrA(assigned), LStrCstrA(original));

  LStrSetCharAtA(clone, 1, 'S');
  EXPECT_STREQ(LStrCstrA(clone), "Shared");
  EXPECT_STREQ(LStrCstrA(original), "shared");
  EXPECT_STREQ(LStrCstrA(assigned), "shared");

  char* unique = LStrUniqueA(assigned);
  EXPECT_NE(unique, LStrCstrA(original));
  unique[0] = 'X';
  EXPECT_STREQ(LStrCstrA(original), "shared");
  EXPECT_EQ(LStrUniqueA(assigned), unique);  // already unshared: no copy

  LStrAssignA(clone, original);
  LStrDestroyA(original);  // the text lives on in the clone
  LStrAppendASzStrA(clone, "!", 1);
  EXPECT_STREQ(LStrCstrA(clone), "shared!");
  LStrDeleteA(clone, 1, 1);
  EXPECT_STREQ(LStrCstrA(clone), "hared!");
  LStrDestroyA(clone);
  LStrDestroyA(assigned);
  LStrDestroyA(nullptr);
  LStrDestroyW(nullptr);
}

// A shared text is never overwritten in place, whatever its room; an
// unshared one is, when the new text fits.
TEST(LStrNarrowTest, AssignmentWritesInPlaceOnlyIntoAnUnsharedText) {
  LAnsiStrRec* first = LStrAllocFromASzStrA("shared text", -1);
  LAnsiStrRec* second = LStrAllocCloneAA(first);
  LStrAssignASzStrA(first, "short", -1);
  EXPECT_STREQ(LStrCstrA(second), "shared text");
  EXPECT_STREQ(LStrCstrA(first), "short");
  const char* own = LStrCstrA(second);
  LStrAssignASzStrA(second, "other", -1);
  EXPECT_EQ(LStrCstrA(second), own);
  EXPECT_STREQ(LStrCstrA(second), "other");
  LStrDestroyA(first);
  LStrDestroyA(second);
}

// Records on different threads may share one text; its count must stay
// exact or the text is freed twice or leaked (both caught by the sanitizers).
TEST(LStrNarrowTest, SharedTextSurvivesClonesOnManyThreads) {
  LAnsiStrRec* original = LStrAllocFromASzStrA("shared between threads", -1);
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([original] {
      LAnsiStrRec* mine = LStrAllocA();
      for (int i = 0; i < 20000; ++i) {
        LAnsiStrRec* clone = LStrAllocCloneAA(original);
        LStrAssignA(mine, clone);
        LStrDestroyA(clone);
      }
      LStrSetCharAtA(mine, 1, 'S');  // unshares
      LStrDestroyA(mine);
    });
  }
  for (std::thread& thread : threads) thread.join();
  EXPECT_STREQ(LStrCstrA(original), "shared between threads");
  LStrDestroyA(original);
}

TEST(LStrNarrowTest, LastCharacterIsTheLastWholeSequence) {
  struct Case {
    std::string_view text;
    int offset;  // -1: null
  };
  const Case cases[] = {
      {"", -1},
      {"abc", 2},
      {"a\xC3\xA8", 1},          // two-byte
      {"a\xE2\x82\xAC", 1},      // three-byte
      {"a\xF0\x9F\x98\x80", 1},  // four-byte
      {"a\x80", 1},              // stray continuation byte: the byte itself
      {"a\xE2\x82", 2},          // cut-off sequence
      {"\x80\x80\x80\x80", 3},
  };
  for (const Case& c : cases) {
    LAnsiStrRec* record = LStrAllocFromASzStrA(c.text.data(), static_cast<int>(c.text.size()));
    const char* last = LStrAnsiLastCharA(record);
    if (c.offset < 0) {
      EXPECT_EQ(last, nullptr);
    } else {
      EXPECT_EQ(last - LStrCstrA(record), c.offset) << c.text;
    }
    LStrDestroyA(record);
  }
}

// --- between the families --------------------------------------------------------

TEST(LStrConversionTest, TextsConvertThroughTheAnsiCodePage) {
  LAnsiStrRec* narrow = LStrAllocFromASzStrA("\xC3\xA9t\xC3\xA9 \xE2\x82\xAC", -1);  // "été €"
  LWideStrRec* wide = LStrAllocCloneAW(narrow);
  EXPECT_EQ(std::u16string(LStrCstrW(wide)), u"\u00E9t\u00E9 \u20AC");
  LAnsiStrRec* back = LStrAllocCloneWA(wide);
  EXPECT_EQ(LStrCompareA(back, narrow), 0);
  EXPECT_EQ(LStrWideCharBufSizeA(narrow), 6);
  EXPECT_EQ(LStrWideCharBufSizeW(wide), 10);

  char16_t buffer[6];
  EXPECT_EQ(LStrWideCharA(narrow, buffer, 6), buffer);
  EXPECT_EQ(std::u16string(buffer), u"\u00E9t\u00E9 \u20AC");
  SetLastError(ERROR_SUCCESS);
  LStrWideCharA(narrow, buffer, 5);  // no room for the terminator
  EXPECT_EQ(buffer[0], u'\0');
  EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);

  LAnsiStrRec* upper = LStrAllocFromASzStrA("\xC3\x89T\xC3\x89 \xE2\x82\xAC", -1);  // "ÉTÉ €"
  EXPECT_EQ(LStrCompareICA(upper, narrow), 0);
  EXPECT_EQ(LStrCompareA(upper, narrow), -1);

  LAnsiStrRec* empty = LStrAllocA();
  EXPECT_EQ(LStrWideCharBufSizeA(empty), 1);
  EXPECT_EQ(LStrWideCharA(empty, buffer, 1)[0], u'\0');

  // Malformed text is replaced, not dropped.
  LWideStrRec* fromBad = LStrAllocFromASzStrW(
      "a\xFF"
      "b",
      -1);
  EXPECT_EQ(std::u16string(LStrCstrW(fromBad)), u"a\uFFFDb");
  // A counted narrow text is taken byte for byte, NUL bytes included (raw
  // network names); a count of 0 is the empty text.
  LWideStrRec* counted = LStrAllocFromASzStrW("ab\0c\0", 5);
  EXPECT_EQ(LStrLengthW(counted), 5);
  EXPECT_EQ(std::u16string(LStrCstrW(counted), 5), std::u16string(u"ab\0c\0", 5));
  LWideStrRec* none = LStrAllocFromASzStrW("abc", 0);
  EXPECT_EQ(LStrLengthW(none), 0);
  const char16_t lone[] = {u'x', char16_t(0xD800), u'\0'};
  LAnsiStrRec* fromLone = LStrAllocFromWSzStrA(lone, -1);
  EXPECT_STREQ(LStrCstrA(fromLone), "x?");

  for (LAnsiStrRec* r : {narrow, back, upper, empty, fromLone}) LStrDestroyA(r);
  for (LWideStrRec* r : {wide, fromBad, counted, none}) LStrDestroyW(r);
}

TEST(LStrWideTest, TextIsAnAutomationStringNeverShared) {
  LWideStrRec* abc = LStrAllocFromWSzStrW(u"abc", -1);
  EXPECT_EQ(LStrWideCharBufSizeW(abc), 6);
  BSTR text = LStrCbstrW(abc);
  EXPECT_EQ(text, LStrCstrW(abc));
  EXPECT_EQ(SysStringLen(text), 3u);
  EXPECT_EQ(LStrBSTRRef(text), text);

  LWideStrRec* copy = LStrAllocW();
  LStrAssignW(copy, abc);
  EXPECT_NE(LStrCstrW(copy), LStrCstrW(abc));  // copied, not shared
  EXPECT_EQ(LStrUniqueW(copy), LStrCstrW(copy));
  EXPECT_EQ(*LStrUnicodeLastCharW(copy), u'c');

  LWideStrRec* empty = LStrAllocFromCharW(u'\0');
  EXPECT_EQ(LStrLengthW(empty), 0);
  EXPECT_EQ(SysStringLen(LStrCbstrW(empty)), 0u);  // the static empty string has a prefix
  EXPECT_EQ(LStrUnicodeLastCharW(empty), nullptr);
  LAnsiStrRec* narrowNul = LStrAllocFromCharA('\0');
  EXPECT_EQ(LStrLengthA(narrowNul), 1);

  LStrDestroyA(narrowNul);
  for (LWideStrRec* r : {abc, copy, empty}) LStrDestroyW(r);
}

TEST(LStrResourceTest, LoadsFromTheModulesStringTable) {
  const auto module = reinterpret_cast<HINSTANCE>(uintptr_t{0x7E57});
  platform::registerStringResources(module, {{17, u"\u00C8 pronto"}});
  LWideStrRec* wide = LStrAllocLoadStrW(module, 17);
  LAnsiStrRec* narrow = LStrAllocLoadStrA(module, 17);
  LWideStrRec* missing = LStrAllocLoadStrW(module, 18);
  LAnsiStrRec* noBlock = LStrAllocLoadStrA(module, 4000);
  EXPECT_EQ(std::u16string(LStrCstrW(wide)), u"\u00C8 pronto");
  EXPECT_STREQ(LStrCstrA(narrow), "\xC3\x88 pronto");
  EXPECT_EQ(LStrLengthW(missing), 0);
  EXPECT_EQ(LStrLengthA(noBlock), 0);
  EXPECT_EQ(LStrGetCharIndexBaseW(wide), 1);
  platform::unregisterStringResources(module);
  LStrDestroyW(wide);
  LStrDestroyW(missing);
  LStrDestroyA(narrow);
  LStrDestroyA(noBlock);
}

TEST(LStrExportTest, FunctionsAreFoundByTheirPlainNames) {
  for (const char* name : {"LStrAllocA", "LStrAllocW", "LStrDestroyW", "LStrCompareICW", "LStrCbstrW", "LStrBSTRRef",
                           "LStrAnsiLastCharA", "LStrAllocLoadStrW"}) {
    EXPECT_NE(dlsym(RTLD_DEFAULT, name), nullptr) << name;
  }
}

}  // namespace
