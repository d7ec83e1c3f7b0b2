#include "textrum/LStr.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

namespace {

// The wrapper and array of one family, so that one test body covers both.
template <typename Char>
struct Family;
template <>
struct Family<char> {
  using Str = CLAnsiStr;
  using Array = CLAnsiStrArray;
};
template <>
struct Family<char16_t> {
  using Str = CLWideStr;
  using Array = CLWideStrArray;
};

// An ASCII text in the family's character type.
template <typename Char>
std::basic_string<Char> text(std::string_view ascii) {
  return std::basic_string<Char>(ascii.begin(), ascii.end());
}

template <typename Char>
std::vector<std::basic_string<Char>> texts(const std::vector<std::string>& ascii) {
  std::vector<std::basic_string<Char>> result;
  for (const std::string& item : ascii) result.push_back(text<Char>(item));
  return result;
}

template <typename Array>
auto fieldsOf(const Array& array) {
  std::vector<std::basic_string<typename std::remove_pointer_t<decltype(array[0])>::CharType>> result;
  for (int i = 0; i < array.Count(); ++i) result.emplace_back(array[i]->Text());
  return result;
}

// A source wrapper holding `ascii` with the given index base.
template <typename Char>
typename Family<Char>::Str source(std::string_view ascii, int base) {
  typename Family<Char>::Str str(text<Char>(ascii));
  if constexpr (std::is_same_v<Char, char>) {
    LStrSetCharIndexBaseA(str.Handle(), base);
  } else {
    LStrSetCharIndexBaseW(str.Handle(), base);
  }
  return str;
}

template <typename Char>
class SplitTest : public testing::Test {
protected:
  using Str = typename Family<Char>::Str;
  using Array = typename Family<Char>::Array;
};

using CharTypes = testing::Types<char, char16_t>;
TYPED_TEST_SUITE(SplitTest, CharTypes);

struct SeparatorCase {
  const char* source;
  bool trim;
  std::vector<std::string> fields;
};

TYPED_TEST(SplitTest, SplitBySepExCutsAtEverySeparator) {
  using Char = TypeParam;
  const SeparatorCase cases[] = {
      {"", false, {}},
      {"abc", false, {"abc"}},
      {"a,b,c", false, {"a", "b", "c"}},
      // Adjacent separators give an empty field; a final one gives none after it.
      {"a,,b,", false, {"a", "", "b"}},
      {",a", false, {"", "a"}},
      {",", false, {""}},
      {" a , b ", false, {" a ", " b "}},
      {" a , b ", true, {"a", "b"}},
      {" , ", true, {"", ""}},
      // Every code up to 32 is trimmed, not only the space.
      {"\t x\r\n,\x01y\x1f", true, {"x", "y"}},
  };
  for (const SeparatorCase& row : cases) {
    for (int base : {0, 1}) {
      typename TestFixture::Array array;
      const int count = SplitBySepEx(source<Char>(row.source, base), Char(','), array, row.trim);
      EXPECT_EQ(count, static_cast<int>(row.fields.size())) << row.source << " base " << base;
      EXPECT_EQ(fieldsOf(array), texts<Char>(row.fields)) << row.source << " base " << base;
    }
  }
}

TYPED_TEST(SplitTest, SplitBySepFillsAtMostMaxFieldsAndEmptiesTheRest) {
  using Char = TypeParam;
  using Str = typename TestFixture::Str;
  struct Case {
    const char* source;
    int maxFields;
    int found;
    std::vector<std::string> fields;  // all maxFields wrappers afterwards
  };
  const Case cases[] = {
      {"a,b,c", 2, 2, {"a", "b"}},
      {"a,b,c", 4, 3, {"a", "b", "c", ""}},
      {"", 2, 0, {"", ""}},
      {"a,", 3, 1, {"a", "", ""}},
  };
  for (const Case& row : cases) {
    std::vector<Str> fields(static_cast<size_t>(row.maxFields), Str(text<Char>("old")));
    EXPECT_EQ(SplitBySep(source<Char>(row.source, 1), Char(','), row.maxFields, fields.data(), false), row.found)
        << row.source;
    std::vector<std::basic_string<Char>> got;
    for (const Str& field : fields) got.emplace_back(field.Text());
    EXPECT_EQ(got, texts<Char>(row.fields)) << row.source << " max " << row.maxFields;
  }

  // No room: nothing is written.
  Str untouched(text<Char>("old"));
  EXPECT_EQ(SplitBySep(source<Char>("a,b", 1), Char(','), 0, &untouched, false), 0);
  EXPECT_EQ(untouched.Text(), text<Char>("old"));
  EXPECT_EQ(SplitBySep(source<Char>("a,b", 1), Char(','), 3, static_cast<Str*>(nullptr), false), 0);
}

TYPED_TEST(SplitTest, SplitByFixedLayoutCutsConsecutiveWidths) {
  using Char = TypeParam;
  struct Case {
    const char* source;
    std::vector<int> widths;
    bool trim;
    std::vector<std::string> fields;
  };
  const Case cases[] = {
      {"ABCDEFG", {2, 3, 5}, false, {"AB", "CDE", "FG"}},
      // Past the end of the text every field is still appended, empty.
      {"ABCDEFG", {7, 1, 2}, false, {"ABCDEFG", "", ""}},
      {"", {2}, false, {""}},
      {"ABCD", {0, 2}, false, {"", "AB"}},
      // A negative width cuts nothing and does not step back.
      {"ABCD", {2, -1, 2}, false, {"AB", "", "CD"}},
      {"  AB  CD ", {4, 5}, true, {"AB", "CD"}},
      {"  AB  CD ", {4, 5}, false, {"  AB", "  CD "}},
  };
  for (const Case& row : cases) {
    for (int base : {0, 1}) {
      typename TestFixture::Array array;
      const int count = SplitByFixedLayout(source<Char>(row.source, base), static_cast<int>(row.widths.size()),
                                           row.widths.data(), array, row.trim);
      EXPECT_EQ(count, static_cast<int>(row.widths.size())) << row.source;
      EXPECT_EQ(fieldsOf(array), texts<Char>(row.fields)) << row.source << " base " << base;
    }
  }
}

TYPED_TEST(SplitTest, SplitByFixedLayoutExCutsOneBasedInclusiveRanges) {
  using Char = TypeParam;
  struct Case {
    const char* source;
    std::vector<int> ranges;  // pairs (first, last)
    bool trim;
    std::vector<std::string> fields;
  };
  const Case cases[] = {
      {"ABCDEFG", {1, 2, 4, 6}, false, {"AB", "DEF"}},
      {"ABCDEFG", {7, 7, 1, 1}, false, {"G", "A"}},
      // Cut at the end of the text; empty past it or when last < first.
      {"ABCDEFG", {6, 9, 8, 9, 3, 2}, false, {"FG", "", ""}},
      // A range starting before the text keeps the part inside it.
      {"ABCDEFG", {0, 2, -5, 1}, false, {"AB", "A"}},
      {"A  B  C", {2, 4, 5, 6}, true, {"B", ""}},
  };
  for (const Case& row : cases) {
    // Positions are 1-based whatever the source's index base.
    for (int base : {0, 1}) {
      typename TestFixture::Array array;
      const int fieldCount = static_cast<int>(row.ranges.size() / 2);
      EXPECT_EQ(SplitByFixedLayoutEx(source<Char>(row.source, base), fieldCount, row.ranges.data(), array, row.trim),
                fieldCount);
      EXPECT_EQ(fieldsOf(array), texts<Char>(row.fields)) << row.source << " base " << base;
    }
  }
}

TYPED_TEST(SplitTest, LayoutsWithoutTheirTablesEmptyTheArray) {
  using Char = TypeParam;
  typename TestFixture::Array array;
  SplitBySepEx(source<Char>("x,y", 1), Char(','), array, false);
  EXPECT_EQ(SplitByFixedLayout(source<Char>("ABC", 1), 2, nullptr, array, false), 0);
  SplitBySepEx(source<Char>("x,y", 1), Char(','), array, false);
  EXPECT_EQ(SplitByFixedLayoutEx(source<Char>("ABC", 1), 2, nullptr, array, false), 0);
  EXPECT_EQ(array.Count(), 0);
}

TYPED_TEST(SplitTest, SplitNamedEquCutsAtTheFirstSeparator) {
  using Char = TypeParam;
  struct Case {
    const char* source;  // null: no text
    bool trim;
    char separator;
    bool split;
    std::vector<std::string> fields;
  };
  const Case cases[] = {
      {"key = v=1", true, '=', true, {"key", "v=1"}},
      {"key = v=1", false, '=', true, {"key ", " v=1"}},
      {"=x", false, '=', true, {"", "x"}},
      {"k=", false, '=', true, {"k", ""}},
      {"a:b=c", true, ':', true, {"a", "b=c"}},
      {"novalue", true, '=', false, {}},
      {"", true, '=', false, {}},
      {nullptr, true, '=', false, {}},
  };
  for (const Case& row : cases) {
    typename TestFixture::Array array;
    // A previous split's fields never survive a failed one.
    SplitBySepEx(source<Char>("old,fields", 1), Char(','), array, false);
    const std::basic_string<Char> input = text<Char>(row.source == nullptr ? "" : row.source);
    EXPECT_EQ(SplitNamedEqu(row.source == nullptr ? nullptr : input.c_str(), array, row.trim, Char(row.separator)),
              row.split)
        << (row.source ? row.source : "(null)");
    EXPECT_EQ(fieldsOf(array), texts<Char>(row.fields)) << (row.source ? row.source : "(null)");
  }
}

TYPED_TEST(SplitTest, ASecondSplitReusesTheItems) {
  using Char = TypeParam;
  typename TestFixture::Array array;
  SplitBySepEx(source<Char>("a,b,c", 1), Char(','), array, false);
  const auto* first = array[0];
  const auto* third = array[2];
  const auto* firstRecord = first->Handle();
  const int allocated = array.Allocated();

  EXPECT_EQ(SplitBySepEx(source<Char>("x,y", 1), Char(','), array, false), 2);
  EXPECT_EQ(array[0], first);
  EXPECT_EQ(array[0]->Handle(), firstRecord);
  EXPECT_EQ(array.Allocated(), allocated);
  // The unused item is still alive (the sanitizer would report a freed one).
  EXPECT_EQ(third->Text(), text<Char>("c"));
  EXPECT_EQ(fieldsOf(array), texts<Char>({"x", "y"}));
}

// The source may be one of the wrappers being written; its text must be read
// before any field replaces it.
TYPED_TEST(SplitTest, SourceMayBeOneOfTheTargets) {
  using Char = TypeParam;
  using Str = typename TestFixture::Str;
  typename TestFixture::Array array;
  SplitBySepEx(source<Char>("a long first item,b,c", 1), Char(','), array, false);
  array[0]->AssignText(text<Char>("alpha beta,gamma delta,epsilon"));
  EXPECT_EQ(SplitBySepEx(*array[0], Char(','), array, false), 3);
  EXPECT_EQ(fieldsOf(array), texts<Char>({"alpha beta", "gamma delta", "epsilon"}));

  // An item beyond the count, still alive after Clear(true).
  Str* spare = array[2];
  array.Clear(/*keepItems=*/true);
  spare->AssignText(text<Char>("one two,three four,five six"));
  EXPECT_EQ(SplitBySepEx(*spare, Char(','), array, false), 3);
  EXPECT_EQ(fieldsOf(array), texts<Char>({"one two", "three four", "five six"}));

  // A wrapper that borrows an item's record is that item too. (A short
  // field gives its long text back, which would free the source.)
  const char* const longLast = "a last field long enough that its text is much larger than the field before";
  array[1]->AssignText(text<Char>(std::string("red,b,") + longLast));
  const Str borrowed(array[1]->Handle(), /*owns=*/false);
  EXPECT_EQ(SplitBySepEx(borrowed, Char(','), array, false), 3);
  EXPECT_EQ(fieldsOf(array), texts<Char>({"red", "b", longLast}));

  // A source that only shares its text with an item (narrow records share
  // it on assignment) is read as it stands and stays as it was.
  const Str shared(text<Char>("north east,south west,up"));
  *array[0] = shared;
  EXPECT_EQ(SplitBySepEx(shared, Char(','), array, false), 3);
  EXPECT_EQ(fieldsOf(array), texts<Char>({"north east", "south west", "up"}));
  EXPECT_EQ(shared.Text(), text<Char>("north east,south west,up"));

  const int widths[] = {6, 6};
  array[1]->AssignText(text<Char>("123456abcdef"));
  SplitByFixedLayout(*array[1], 2, widths, array, false);
  EXPECT_EQ(fieldsOf(array), texts<Char>({"123456", "abcdef"}));

  array[0]->AssignText(text<Char>("a fairly long name=a fairly long value"));
  EXPECT_TRUE(SplitNamedEqu(array[0]->c_str(), array, false, Char('=')));
  EXPECT_EQ(fieldsOf(array), texts<Char>({"a fairly long name", "a fairly long value"}));

  Str fields[2] = {Str(text<Char>("first field text;second field text")), Str()};
  EXPECT_EQ(SplitBySep(fields[0], Char(';'), 2, fields, false), 2);
  EXPECT_EQ(fields[0].Text(), text<Char>("first field text"));
  EXPECT_EQ(fields[1].Text(), text<Char>("second field text"));
}

TEST(SplitNarrowTest, TrimKeepsMultibyteCharacters) {
  CLAnsiStrArray array;
  // "é" is C3 A9 and "€" E2 82 AC: bytes above 127, negative as char.
  EXPECT_EQ(SplitBySepExA(CLAnsiStr(std::string("\xC3\xA9 , \xE2\x82\xAC")), ',', array, true), 2);
  EXPECT_EQ(array[0]->Text(), "\xC3\xA9");
  EXPECT_EQ(array[1]->Text(), "\xE2\x82\xAC");
}

TEST(SplitWideTest, SeparatorIsAWholeUnit) {
  // A unit whose low byte is ',' is not a separator.
  CLWideStrArray array;
  EXPECT_EQ(SplitBySepExW(CLWideStr(std::u16string(u"a\u012Cb,c")), u',', array, false), 2);
  EXPECT_EQ(array[0]->ToUnicodeString(), u"a\u012Cb");
  EXPECT_EQ(array[1]->ToUnicodeString(), u"c");
}

}  // namespace
