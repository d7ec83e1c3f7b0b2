#include "zefcorek/CsvRows.h"

#include "zefcorek/StringList.h"

#include "ScratchFolder.h"

#include <gtest/gtest.h>

#include <climits>
#include <optional>
#include <string>
#include <vector>

namespace {

using zefcorek::testing::ScratchFolder;
using Fields = std::vector<std::u16string>;

// The list's items, or nullopt for a null list (which is released).
std::optional<Fields> takeItems(IStringList* list) {
  if (list == nullptr) return std::nullopt;
  Fields items;
  for (uint32_t i = 0; i < list->GetCount(); ++i) {
    const WCHAR* text = nullptr;
    list->GetStringPtr(i, &text);
    items.emplace_back(text);
  }
  list->Release();
  return items;
}

TEST(CsvRowsTest, SplitToStringList) {
  struct Case {
    const char* what;
    WCHAR separator;
    const WCHAR* row;
    std::optional<Fields> fields;
  };
  const Case cases[] = {
      {"quotes, blanks, empty field", u'|', u"  a |\"b|c\"|  |d", Fields{u"a", u"b|c", u"", u"d"}},
      {"only blanks", u'|', u"   ", std::nullopt},
      {"null row", u'|', nullptr, std::nullopt},
      {"trailing separator", u',', u"a,b,", Fields{u"a", u"b"}},
      {"trailing separator and blanks", u',', u"a, ", Fields{u"a"}},
      {"leading separator", u',', u",a", Fields{u"", u"a"}},
      {"lone separator", u',', u",", Fields{u""}},
      {"inner quotes stay", u',', u"\"x\"\"y\",\"", Fields{u"x\"\"y", u"\""}},
      {"quoted empty", u',', u"\"\",z", Fields{u"", u"z"}},
      {"one field", u',', u" abc ", Fields{u"abc"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(takeItems(SplitCSVRowToStringList(c.separator, c.row)), c.fields);
  }
}

TEST(CsvRowsTest, SplitRowOfStringList) {
  IStringList* rows = SplitCSVRowToStringList(u';', u"a,b;c");
  ASSERT_NE(rows, nullptr);
  EXPECT_EQ(takeItems(SplitCSVRowOfStringList(u',', rows, 0)), (Fields{u"a", u"b"}));
  EXPECT_EQ(takeItems(SplitCSVRowOfStringList(u',', rows, 2)), std::nullopt);
  EXPECT_EQ(takeItems(SplitCSVRowOfStringList(u',', nullptr, 0)), std::nullopt);
  rows->Release();
}

// The lists the CSV readers make are ordinary lists to their callers:
// items of a wide row (more fields than a row usually has) and of a loaded
// file can be replaced, deleted, added and cleared in any order.
TEST(CsvRowsTest, SplitAndLoadedListsCanBeEdited) {
  std::u16string row;
  Fields expected;
  for (int i = 0; i < 70; ++i) {
    expected.push_back(u"f" + std::u16string(static_cast<size_t>(i % 7), u'x'));
    row += (i == 0 ? u"" : u",") + expected.back();
  }
  IStringList* list = SplitCSVRowToStringList(u',', row.c_str());
  ASSERT_NE(list, nullptr);
  ASSERT_EQ(list->GetCount(), 70u);
  EXPECT_EQ(list->SetString(3, u"replaced"), ZR_OK);
  EXPECT_EQ(list->Delete(0), ZR_OK);
  EXPECT_EQ(list->Add(u"added", nullptr), ZR_OK);
  EXPECT_EQ(list->Exchange(1, 68), ZR_OK);
  expected[3] = u"replaced";
  expected.erase(expected.begin());
  expected.push_back(u"added");
  std::swap(expected[1], expected[68]);
  EXPECT_EQ(takeItems(list), expected);

  ScratchFolder folder;
  std::u16string path = folder.write("rows.csv", "one\ntwo\nthree\n");
  IStringList* rows = LoadCSVFile(path.c_str());
  ASSERT_NE(rows, nullptr);
  EXPECT_EQ(rows->SetString(0, u"first"), ZR_OK);
  EXPECT_EQ(rows->Delete(1), ZR_OK);
  EXPECT_EQ(rows->Clear(), ZR_OK);
  EXPECT_EQ(rows->Add(u"again", nullptr), ZR_OK);
  EXPECT_EQ(takeItems(rows), Fields{u"again"});
}

TEST(CsvRowsTest, SplitToFieldsArray) {
  struct Case {
    const char* what;
    int32_t maxFields;
    const WCHAR* row;
    Fields fields;
  };
  const Case cases[] = {
      {"limit", 2, u"a,b,c", {u"a", u"b"}},
      {"all", 8, u" a , b ,c ", {u"a", u"b", u"c"}},
      {"single field", 8, u"abc", {u"abc"}},
      {"quotes dropped", 8, u"\"x,y\",z\"q\"", {u"x,y", u"zq"}},
      {"trailing separator", 8, u"a,b,", {u"a", u"b"}},
      {"empty fields", 8, u",,c", {u"", u"", u"c"}},
      {"blank row", 8, u"   ", {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    WCHAR* fields[8] = {};
    int32_t count = SplitCSVRowToFieldsArray(c.maxFields, u',', c.row, fields);
    Fields got(fields, fields + std::max(count, 0));
    EXPECT_EQ(got, c.fields);
    FreeSplitCSVRowFieldsArray(count, fields);
  }
}

TEST(CsvRowsTest, IntegerRanges) {
  struct Case {
    const WCHAR* row;
    int32_t maxCount;
    std::vector<int32_t> values;
  };
  const Case cases[] = {
      {u"1,3-5,x,9", 10, {1, 3, 4, 5, 9}},
      {u"1,3-5,x,9", 3, {1, 3, 4}},
      {u"3-7", 10, {3, 4, 5, 6, 7}},
      {u"-2", 10, {-2}},
      {u"3 - 7", 10, {3}},
      {u"7-3,1", 10, {1}},
      {u"-3--1", 10, {-3, -2, -1}},
      {u"2147483646-2147483647", 10, {INT32_MAX - 1, INT32_MAX}},
      {u"", 10, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << std::string(c.row, c.row + std::u16string_view(c.row).size()));
    int32_t out[10] = {};
    int32_t count = ParseCSVRowOfInts(c.maxCount, u',', c.row, out);
    EXPECT_EQ(std::vector<int32_t>(out, out + count), c.values);
  }
}

TEST(CsvRowsTest, ComposeFoldsRunsAndReadsBack) {
  struct Case {
    std::vector<int32_t> values;
    std::u16string text;
  };
  const Case cases[] = {
      {{1, 2, 3, 5, 7, 8}, u"1-3,5,7-8"},
      {{3, 3}, u"3,3"},
      {{-2, -1, 0}, u"-2-0"},
      {{INT32_MAX - 1, INT32_MAX, INT32_MIN}, u"2147483646-2147483647,-2147483648"},
      {{}, u""},
  };
  for (const Case& c : cases) {
    WCHAR out[128] = u"junk";
    EXPECT_EQ(ComposeCSVRowOfInts(static_cast<int32_t>(c.values.size()), u',', c.values.data(), out), out);
    EXPECT_EQ(std::u16string(out), c.text);
    // Ranges of ascending values read back as the same values.
    if (c.values.size() == 6) {
      int32_t back[16] = {};
      int32_t count = ParseCSVRowOfInts(16, u',', out, back);
      EXPECT_EQ(std::vector<int32_t>(back, back + count), c.values);
    }
  }
}

TEST(CsvRowsTest, LoadFile) {
  ScratchFolder folder;
  std::string longRow(1500, 'x');
  std::u16string path = folder.write("rows.csv", "a|b\r\n\r\n" + longRow + "\nlast");
  std::optional<Fields> rows = takeItems(LoadCSVFile(path.c_str()));
  ASSERT_TRUE(rows.has_value());
  // The long row stays one row.
  EXPECT_EQ(*rows, (Fields{u"a|b", u"", std::u16string(longRow.begin(), longRow.end()), u"last"}));

  // UTF-16 cut one byte short: the lone byte ends the text.
  std::u16string odd = folder.write("odd.csv", std::string("\xFF\xFE"
                                                           "a\0|\0b\0\n\0c\0d",
                                                           13));
  EXPECT_EQ(takeItems(LoadCSVFile(odd.c_str())), (Fields{u"a|b", u"c"}));

  std::u16string empty = folder.write("empty.csv", "");
  EXPECT_EQ(takeItems(LoadCSVFile(empty.c_str())), Fields{});
  EXPECT_EQ(takeItems(LoadCSVFile(folder.name("missing.csv").c_str())), std::nullopt);
}

// Enough rows to fill several of the list's text blocks, with long rows
// among them, so that rows land on both sides of every block boundary.
TEST(CsvRowsTest, LoadFileOfManyRows) {
  ScratchFolder folder;
  std::string text;
  Fields expected;
  for (int i = 0; i < 3000; ++i) {
    std::string row = "row " + std::to_string(i) + "," + std::string(static_cast<size_t>(i % 37), 'y');
    if (i % 700 == 0) row += std::string(1300, 'z');
    text += row + "\r\n";
    expected.emplace_back(row.begin(), row.end());
  }
  std::u16string path = folder.write("many.csv", text);
  EXPECT_EQ(takeItems(LoadCSVFile(path.c_str())), expected);
}

}  // namespace
