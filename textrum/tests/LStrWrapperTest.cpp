#include "textrum/LStr.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace {

template <typename Char>
std::basic_string<Char> text(std::string_view ascii) {
  return std::basic_string<Char>(ascii.begin(), ascii.end());
}

template <typename Char>
struct Family;
template <>
struct Family<char> {
  using Str = CLAnsiStr;
  static constexpr auto alloc = LStrAllocA;
  static constexpr auto assignText = LStrAssignASzStrA;
  static constexpr auto length = LStrLengthA;
  static constexpr auto destroy = LStrDestroyA;
};
template <>
struct Family<char16_t> {
  using Str = CLWideStr;
  static constexpr auto alloc = LStrAllocW;
  static constexpr auto assignText = LStrAssignWSzStrW;
  static constexpr auto length = LStrLengthW;
  static constexpr auto destroy = LStrDestroyW;
};

template <typename Char>
class LStrWrapperTest : public testing::Test {
protected:
  using Str = typename Family<Char>::Str;
  static std::basic_string<Char> t(std::string_view ascii) { return text<Char>(ascii); }
};

using CharTypes = testing::Types<char, char16_t>;
TYPED_TEST_SUITE(LStrWrapperTest, CharTypes);

TYPED_TEST(LStrWrapperTest, ConstructorsMakeTheirOwnRecord) {
  using Str = typename TestFixture::Str;
  using Char = TypeParam;
  const auto abc = TestFixture::t("abc");
  struct Case {
    Str str;
    std::basic_string<Char> expected;
  };
  const Case cases[] = {
      {Str(), {}},
      {Str(abc.c_str(), -1), abc},
      {Str(abc.c_str(), 2), TestFixture::t("ab")},
      {Str(static_cast<const Char*>(nullptr), -1), {}},
      {Str(abc), abc},
      {Str(Char('x'), 3), TestFixture::t("xxx")},
      {Str(Char('x'), -1), {}},
  };
  for (const Case& row : cases) {
    EXPECT_TRUE(row.str.OwnsRecord());
    EXPECT_EQ(row.str.Text(), row.expected);
    EXPECT_EQ(row.str.IsEmpty(), row.expected.empty());
    EXPECT_NE(row.str.c_str(), nullptr);
  }
}

// Copies, moves and assignments in every combination of owned and borrowed
// wrappers; the sanitizer build reports any leak or double free.
TYPED_TEST(LStrWrapperTest, CopiesMovesAndAssignmentsNeverShareOwnership) {
  using Str = typename TestFixture::Str;
  using Api = Family<TypeParam>;
  auto t = TestFixture::t;

  Str a(t("alpha"));
  Str copy(a);
  EXPECT_NE(copy.Handle(), a.Handle());
  copy.AppendSz(t("!").c_str());
  EXPECT_EQ(a.Text(), t("alpha"));

  Str moved(std::move(copy));
  EXPECT_EQ(moved.Text(), t("alpha!"));
  EXPECT_TRUE(copy.IsEmpty());  // moved-from holds a fresh record of its own
  copy.AssignSz(t("reused").c_str());

  Str b(t("beta"));
  b = a;
  EXPECT_EQ(b.Text(), t("alpha"));
  EXPECT_NE(b.Handle(), a.Handle());
  b = b;
  b = std::move(b);
  EXPECT_EQ(b.Text(), t("alpha"));
  b = std::move(moved);
  EXPECT_EQ(b.Text(), t("alpha!"));

  // A borrowed record stays with its owner: assignments write into it, and
  // neither copying nor moving hands it to another wrapper to destroy.
  auto* record = Api::alloc();
  {
    Str borrowed(record, /*owns=*/false);
    borrowed = a;
    EXPECT_EQ(Api::length(record), 5);
    borrowed = Str(t("xy"));
    EXPECT_EQ(Api::length(record), 2);
    Str owner(t("owner"));
    owner = std::move(borrowed);
    EXPECT_NE(owner.Handle(), record);
    EXPECT_EQ(owner.Text(), t("xy"));
    Str taken(std::move(borrowed));
    EXPECT_EQ(taken.Handle(), record);
    EXPECT_FALSE(taken.OwnsRecord());
    EXPECT_TRUE(borrowed.OwnsRecord());
    std::vector<Str> many(3, taken);
    many.push_back(std::move(taken));
    many.emplace_back(t("grow the vector"));
  }
  Api::assignText(record, nullptr, 0);  // still alive after its wrappers
  Api::destroy(record);

  // A null record is never held: the wrapper makes an empty one of its own.
  const Str fromNull(static_cast<typename Str::RecordType*>(nullptr), /*owns=*/false);
  EXPECT_TRUE(fromNull.IsEmpty());
  EXPECT_TRUE(fromNull.OwnsRecord());

  // Taking over a record returned by a function.
  Str adopted(Api::alloc(), /*owns=*/true);
  adopted.AssignSz(t("mine").c_str());
  EXPECT_EQ(adopted.Length(), 4);
}

TYPED_TEST(LStrWrapperTest, EditsChainAndCompare) {
  using Str = typename TestFixture::Str;
  auto t = TestFixture::t;
  Str s(t("bd"));
  s.Insert(Str(t("a")), 1).Insert(Str(t("c")), 3).Append(Str(t("e"))).AppendSz(nullptr);
  EXPECT_EQ(s.Text(), t("abcde"));
  EXPECT_EQ(s.Delete(2, 2).Text(), t("ade"));
  EXPECT_EQ((Str(t("ab")) + Str(t("cd"))).Text(), t("abcd"));
  s.AssignSz(nullptr);
  EXPECT_TRUE(s.IsEmpty());

  EXPECT_TRUE(s == nullptr);
  EXPECT_TRUE(s == t("").c_str());
  s.AssignSz(t("abc").c_str());
  EXPECT_TRUE(s == t("abc").c_str());
  EXPECT_TRUE(s != t("ab").c_str());
  EXPECT_TRUE(s != nullptr);
  EXPECT_EQ(s.CompareIC(Str(t("ABC"))), 0);
  EXPECT_LT(s.CompareIC(Str(t("ABD"))), 0);
  EXPECT_GT(s.CompareIC(Str()), 0);
}

TYPED_TEST(LStrWrapperTest, FormatReplacesTheTextWithTypedArguments) {
  using Str = typename TestFixture::Str;
  using Char = TypeParam;
  auto t = TestFixture::t;
  Str s(t("old text"));
  const auto name = t("x");
  EXPECT_EQ(s.Format(t("%d-%s|%5.2f|%-3c|").c_str(), 42, name.c_str(), 3.14159, Char('z')).Text(),
            t("42-x| 3.14|z  |"));
  // An integer is never read as a string's address; a missing argument
  // renders nothing.
  s.sprintf(t("[%s][%d]").c_str(), 7);
  EXPECT_EQ(s.Text(), t("[][]"));
  s.Format(nullptr);
  EXPECT_TRUE(s.IsEmpty());
}

// The members that hand out a new string take over the new record; the
// source keeps its own.
TYPED_TEST(LStrWrapperTest, PartsAndCaseGiveNewOwnedStrings) {
  using Str = typename TestFixture::Str;
  auto t = TestFixture::t;
  Str s(t(" \tAbC dE\r\n"));
  const Str trimmed = s.Trim();
  EXPECT_TRUE(trimmed.OwnsRecord());
  EXPECT_EQ(trimmed.Text(), t("AbC dE"));
  EXPECT_EQ(trimmed.LowerCase().Text(), t("abc de"));
  EXPECT_EQ(trimmed.SubString(2, 3).Text(), t("bC "));
  EXPECT_EQ(trimmed.Right(2).Text(), t("dE"));
  EXPECT_EQ(trimmed.PosPtr(t("C").c_str()), 3);
  EXPECT_EQ(trimmed.PosPtr(t("x").c_str()), 0);
  EXPECT_EQ(s.Length(), 10);
  EXPECT_EQ(s.SelfTrim().Text(), t("AbC dE"));
  EXPECT_EQ(Str(t("42")).ToIntDef(-1), 42);
  EXPECT_EQ(Str(t("4x")).ToIntDef(-1), -1);
}

TEST(CLWideStrTest, StartsWithIC) {
  const CLWideStr str(std::u16string(u"abc"));
  struct Case {
    const char16_t* prefix;
    bool expected;
  };
  const Case cases[] = {
      {nullptr, false}, {u"", false}, {u"AB", true}, {u"abc", true}, {u"abcd", false}, {u"b", false},
  };
  for (const Case& row : cases) {
    EXPECT_EQ(str.StartsWithIC(row.prefix), row.expected)
        << (row.prefix ? std::string(row.prefix, row.prefix + std::u16string_view(row.prefix).size()) : "(null)");
  }
}

TEST(CLWideStrTest, UnicodeStringRoundTripKeepsEmbeddedNuls) {
  const std::u16string withNul(u"a\0b", 3);
  CLWideStr str(withNul);
  EXPECT_EQ(str.Length(), 3);
  EXPECT_EQ(str.ToUnicodeString(), withNul);
  str.AssignUStr(u"\u00e9t\u00e9");
  EXPECT_EQ(str.ToUnicodeString(), u"\u00e9t\u00e9");
}

}  // namespace
