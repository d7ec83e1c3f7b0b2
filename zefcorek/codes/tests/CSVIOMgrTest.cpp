#include "zefcorek/CSVIOMgr.h"

#include "zefcorek/ClassIds.h"
#include "zefcorek/ZefCoreK.h"

#include "../../runtime/tests/ScratchFolder.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <string>
#include <vector>

namespace {

using zefcorek::testing::ScratchFolder;

ICSVIOMgr* newManager() {
  void* out = nullptr;
  EXPECT_EQ(zefCoreKAllocIntf(&CLSID_ICSVIOMgrImp, &out, 0), S_OK);
  return static_cast<ICSVIOMgr*>(out);
}

struct Column {
  uint8_t type, id, flags;
};

void setColumns(ICSVIOMgr* csv, std::initializer_list<Column> columns) {
  csv->ClearColumns();
  for (const Column& c : columns) {
    const CSVColumnDef def{c.type, c.id, c.flags, 0};
    ASSERT_EQ(csv->AddColumn(&def, nullptr), ZR_OK);
  }
}

// One cell as text, so rows compare in one expression.
std::string cellText(const CSVCell& cell) {
  if (cell.Flags & CSV_CELL_EMPTY) return "<empty>";
  switch (cell.Type) {
    case 1: return std::to_string(cell.Value.Double);
    case 2: return std::to_string(cell.Value.UInt);
    case 3: return std::to_string(cell.Value.Int);
    case 4: {
      std::string text;
      for (const WCHAR* p = cell.Value.Text; *p; ++p) text += *p < 0x80 ? static_cast<char>(*p) : '?';
      return text;
    }
    default: return "<type " + std::to_string(cell.Type) + ">";
  }
}

// What the read callback saw: "line:cell|cell|...".
struct ReadLog {
  std::vector<std::string> rows;
  int stopAt = -1;  // answer 0 at this row
  static int record(unsigned line, unsigned fields, CSVCell* cells, void* context) {
    auto* self = static_cast<ReadLog*>(context);
    std::string row = std::to_string(line) + ":";
    for (unsigned i = 0; i < fields; ++i) row += (i ? "|" : "") + cellText(cells[i]);
    self->rows.push_back(row);
    return static_cast<int>(self->rows.size()) == self->stopAt ? 0 : 1;
  }
};

TEST(CSVIOMgrTest, SchemaAndSettings) {
  ICSVIOMgr* csv = newManager();
  void* out = &out;
  EXPECT_EQ(csv->QueryInterface(IID_IUnknown, &out), ZR_NOTSUPPORTED);
  EXPECT_EQ(out, &out);
  unsigned index = 0;
  EXPECT_EQ(csv->AddColumn(nullptr, &index), ZR_BADARG);
  const CSVColumnDef def{4, 9, CSV_COLUMN_QUOTED, 0};
  for (unsigned i = 0; i < 31; ++i) {
    ASSERT_EQ(csv->AddColumn(&def, &index), ZR_OK);
    ASSERT_EQ(index, i);
  }
  EXPECT_EQ(csv->AddColumn(&def, &index), ZR_FAILED);
  EXPECT_EQ(index, static_cast<unsigned>(-1));
  EXPECT_EQ(csv->GetColumnCount(), 31u);
  CSVColumnDef got{1, 1, 1, 1};
  EXPECT_EQ(csv->GetColumn(31, &got), ZR_BADARG);
  EXPECT_EQ(got.Type + got.Id + got.Flags + got.Reserved, 0);
  EXPECT_EQ(csv->GetColumn(30, &got), ZR_OK);
  EXPECT_EQ(got.Id, 9);
  EXPECT_EQ(csv->SetColumn(31, &def), ZR_BADARG);
  EXPECT_EQ(csv->HasColumnId(9), ZR_OK);
  EXPECT_EQ(csv->HasColumnId(8), ZR_NO);
  EXPECT_EQ(csv->GetSeparator(), u',');
  EXPECT_EQ(csv->SetSeparator(0, true), ZR_FAILED);
  EXPECT_EQ(csv->GetSeparator(), u',');
  EXPECT_EQ(csv->SetSeparator(u';', true), ZR_OK);
  EXPECT_EQ(csv->GetSeparator(), u';');
  EXPECT_EQ(csv->Read(nullptr), ZR_BADARG);
  EXPECT_EQ(csv->Write(u""), ZR_BADARG);
  EXPECT_EQ(csv->Write(u"x.csv"), ZR_FAILED);  // no write callback
  CSVReadCallback fn = &ReadLog::record;
  void* context = &fn;
  EXPECT_EQ(csv->GetReadCallback(&fn, &context), ZR_OK);
  EXPECT_EQ(fn, nullptr);
  EXPECT_EQ(context, nullptr);
  EXPECT_EQ(csv->ClearColumns(), ZR_OK);
  EXPECT_EQ(csv->GetColumnCount(), 0u);
  EXPECT_EQ(csv->Release(), 0u);
}

TEST(CSVIOMgrTest, ReadsLinesIntoTypedCells) {
  ScratchFolder folder;
  const std::string longText(300, 'x');
  const std::string longField(1100, 'y');
  struct Row {
    const char* name;
    std::initializer_list<Column> columns;
    unsigned headerLines;
    std::string file;
    int stopAt;
    ZRESULT expected;
    std::vector<std::string> rows;
  };
  const Row rows[] = {
      {"quoted separator, spaces",
       {{3, 1, 0}, {4, 2, 0}, {1, 3, 0}},
       0,
       "12, \"a,b\" ,3.5\r\n",
       -1,
       ZR_OK,
       {"1:12|a,b |3.500000"}},
      {"empty fields and extra fields",
       {{2, 1, 0}, {4, 2, 0}, {3, 3, 0}},
       0,
       "\x01\x02 7,,-4,ignored\n,z,\n",
       -1,
       ZR_OK,
       {"1:7|<empty>|-4", "2:<empty>|z|<empty>"}},
      {"empty data line", {{4, 1, 0}, {4, 2, 0}}, 0, "a,b\n\nc,d\n", -1, ZR_FAILED, {"1:a|b"}},
      {"one column takes an empty line", {{4, 1, 0}}, 0, "a\n\nb\n", -1, ZR_OK, {"1:a", "2:<empty>", "3:b"}},
      {"header lines", {{3, 1, 0}}, 2, "h1\nh2\n5\n6", -1, ZR_OK, {"3:5", "4:6"}},
      {"header only", {{3, 1, 0}}, 2, "h1\n", -1, ZR_OK, {}},
      {"callback stops", {{3, 1, 0}}, 0, "1\n2\n", 1, ZR_NO, {"1:1"}},
      {"bad number after good lines", {{1, 1, 0}}, 0, "1.5\nabc\n2\n", -1, ZR_FAILED, {"1:1.500000"}},
      {"ignored column", {{0, 1, 0}, {3, 2, 0}}, 0, "skip,3\n", -1, ZR_OK, {"1:<empty>|3"}},
      {"text cut to 255", {{4, 1, 0}}, 0, longText + "\n", -1, ZR_OK, {"1:" + longText.substr(0, 255)}},
      {"field over 1023", {{4, 1, 0}}, 0, longField + "\n", -1, ZR_FAILED, {}},
      {"line over 2047", {{4, 1, 0}}, 0, std::string(5000, 'z') + "\n", -1, ZR_FAILED, {}},
      {"unknown column type", {{7, 1, 0}}, 0, "q\n", -1, ZR_FAILED, {}},
      {"doubled quotes only switch", {{4, 1, 0}}, 0, "\"a\"\"b\"\n", -1, ZR_OK, {"1:ab"}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    ICSVIOMgr* csv = newManager();
    setColumns(csv, row.columns);
    csv->SetHeaderLineCount(row.headerLines);
    ReadLog log;
    log.stopAt = row.stopAt;
    csv->SetReadCallback(&ReadLog::record, &log);
    EXPECT_EQ(csv->Read(folder.write("in.csv", row.file).c_str()), row.expected);
    EXPECT_EQ(log.rows, row.rows);
    csv->Release();
  }
}

TEST(CSVIOMgrTest, TrailingIgnoredColumnsLeaveTheSchema) {
  ScratchFolder folder;
  ICSVIOMgr* csv = newManager();
  setColumns(csv, {{0, 1, 0}, {0, 2, 0}});
  EXPECT_EQ(csv->Read(folder.write("in.csv", "a,b\n").c_str()), ZR_FAILED);
  EXPECT_EQ(csv->GetColumnCount(), 0u);
  setColumns(csv, {{0, 1, 0}, {3, 2, 0}, {0, 3, 0}, {0, 4, 0}});
  EXPECT_EQ(csv->Read(folder.write("in.csv", ",1\n").c_str()), ZR_OK);
  EXPECT_EQ(csv->GetColumnCount(), 2u);
  EXPECT_EQ(csv->Read(folder.name("missing.csv").c_str()), ZR_FAILED);  // the stream's answer
  csv->Release();
}

// The rows the write callback hands out, cell by cell.
struct WriteRows {
  std::vector<std::vector<std::u16string>> texts;  // per row: one entry per column
  std::vector<std::vector<double>> numbers;
  std::vector<std::vector<bool>> empty;
  static int fill(unsigned row, unsigned columns, CSVCell* cells, void* context) {
    auto* self = static_cast<WriteRows*>(context);
    if (row >= self->texts.size()) return 0;
    for (unsigned i = 0; i < columns; ++i) {
      if (!self->empty.empty() && self->empty[row][i]) cells[i].Flags |= CSV_CELL_EMPTY;
      switch (cells[i].Type) {
        case 1: cells[i].Value.Double = self->numbers[row][i]; break;
        case 2: cells[i].Value.UInt = static_cast<uint32_t>(self->numbers[row][i]); break;
        case 3: cells[i].Value.Int = static_cast<int32_t>(self->numbers[row][i]); break;
        case 4:
          if (self->texts[row][i] == u"<unset>") break;
          std::copy(self->texts[row][i].begin(), self->texts[row][i].end(), cells[i].Value.Text);
          cells[i].Value.Text[self->texts[row][i].size()] = 0;
          break;
      }
    }
    return 1;
  }
};

TEST(CSVIOMgrTest, WritesFormattedAndQuotedFields) {
  ScratchFolder folder;
  ICSVIOMgr* csv = newManager();
  setColumns(csv, {{1, 1, 0}, {2, 2, 0}, {3, 3, 0}, {4, 4, CSV_COLUMN_QUOTED}, {4, 5, 0}, {0, 6, 0}});
  WriteRows rows;
  rows.texts = {{u"", u"", u"", u"a", u"x", u""},
                {u"", u"", u"", u"\"a\"", u"y", u""},
                {u"", u"", u"", u"\"a", u"<unset>", u""},
                {u"", u"", u"", u"<unset>", u"", u""}};
  rows.numbers = {{1.5, 7, -3, 0, 0, 0}, {-0.000004, 4000000000.0, 0, 0, 0, 0}, {2, 0, 0, 0, 0, 0}, {0, 0, 0, 0, 0, 0}};
  rows.empty = {{false, false, false, false, false, false},
                {false, false, true, false, false, false},
                {true, false, false, false, false, false},
                {false, false, false, false, false, false}};
  csv->SetWriteCallback(&WriteRows::fill, &rows);
  EXPECT_EQ(csv->Write(folder.name("out.csv").c_str()), ZR_OK);
  // The ignored column at the end is gone from the schema; a text cell the
  // callback leaves alone keeps the previous row's text.
  EXPECT_EQ(csv->GetColumnCount(), 5u);
  EXPECT_EQ(folder.read("out.csv"),
            "1.50000,7,-3,\"a\",x\r\n"
            "-0.00000,4000000000,,\"a\",y\r\n"
            ",0,0,\"a\",y\r\n"
            "0.00000,0,0,\"a\",\r\n");

  // A text never set reads as the placeholder, quoted like any text.
  setColumns(csv, {{4, 1, CSV_COLUMN_QUOTED}, {4, 2, 0}});
  rows.texts = {{u"<unset>", u"<unset>"}};
  rows.empty.clear();
  EXPECT_EQ(csv->Write(folder.name("out.csv").c_str()), ZR_OK);
  EXPECT_EQ(folder.read("out.csv"), "\"#set_me!#\",#set_me!#\r\n");

  setColumns(csv, {{4, 1, 0}, {4, 2, 0}});
  ASSERT_EQ(csv->SetSeparator(u';', true), ZR_OK);
  rows.texts = {{u"x", u"y"}};
  rows.empty.clear();
  EXPECT_EQ(csv->Write(folder.name("out.csv").c_str()), ZR_OK);
  EXPECT_EQ(folder.read("out.csv"), "x;y;\r\n");

  // A line past the buffer is refused; what came before stays written.
  setColumns(csv, {{4, 1, 0}, {4, 2, 0}, {4, 3, 0}, {4, 4, 0}, {4, 5, 0}, {4, 6, 0}, {4, 7, 0}, {4, 8, 0}, {4, 9, 0}});
  rows.texts = {std::vector<std::u16string>(9, u"s"), std::vector<std::u16string>(9, std::u16string(255, u'w'))};
  EXPECT_EQ(csv->Write(folder.name("out.csv").c_str()), ZR_FAILED);
  EXPECT_EQ(folder.read("out.csv"), "s;s;s;s;s;s;s;s;s;\r\n");
  csv->Release();
}

TEST(CSVIOMgrTest, WriteThenReadGivesTheRowsBack) {
  ScratchFolder folder;
  std::mt19937 random(94);
  WriteRows rows;
  for (int r = 0; r < 1000; ++r) {
    std::u16string text;
    const int length = static_cast<int>(random() % 40);
    for (int k = 0; k < length; ++k) text += static_cast<char16_t>(u"abcXYZ 09,;-\u00E9\u0416"[random() % 14]);
    // Leading blanks do not survive a read, nor do quotes: keep them out.
    while (!text.empty() && text.front() == u' ') text.erase(text.begin());
    rows.texts.push_back({u"", u"", u"", text});
    rows.numbers.push_back({std::round((random() % 2000000) - 1000000.0) / 8.0, static_cast<double>(random()),
                            static_cast<double>(static_cast<int32_t>(random())), 0});
  }
  ICSVIOMgr* csv = newManager();
  setColumns(csv, {{1, 1, 0}, {2, 2, 0}, {3, 3, 0}, {4, 4, CSV_COLUMN_QUOTED}});
  csv->SetWriteCallback(&WriteRows::fill, &rows);
  ASSERT_EQ(csv->Write(folder.name("rt.csv").c_str()), ZR_OK);

  struct Check {
    WriteRows* rows;
    int seen = 0;
    static int compare(unsigned line, unsigned, CSVCell* cells, void* context) {
      auto* self = static_cast<Check*>(context);
      const unsigned r = line - 1;
      EXPECT_EQ(cells[0].Value.Double, self->rows->numbers[r][0]) << line;
      EXPECT_EQ(cells[1].Value.UInt, static_cast<uint32_t>(self->rows->numbers[r][1])) << line;
      EXPECT_EQ(cells[2].Value.Int, static_cast<int32_t>(self->rows->numbers[r][2])) << line;
      EXPECT_EQ(std::u16string(cells[3].Value.Text), self->rows->texts[r][3]) << line;
      ++self->seen;
      return 1;
    }
  } check{&rows};
  csv->SetReadCallback(&Check::compare, &check);
  EXPECT_EQ(csv->Read(folder.name("rt.csv").c_str()), ZR_OK);
  EXPECT_EQ(check.seen, 1000);
  csv->Release();
}

}  // namespace
