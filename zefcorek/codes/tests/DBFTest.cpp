#include "zefcorek/DBF.h"

#include "zefcorek/ClassIds.h"
#include "zefcorek/ZefCoreK.h"

#include "../../runtime/tests/ScratchFolder.h"

#include "platform/CodePage.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <limits>
#include <string>

namespace {

using DBF::DBFRecordInfo;
using DBF::IDBF;
using zefcorek::testing::ScratchFolder;

IDBF* newTable() {
  void* out = nullptr;
  EXPECT_EQ(zefCoreKAllocIntf(&CLSID_IDBFImp, &out, 0), S_OK);
  return static_cast<IDBF*>(out);
}

// The Windows-form UTF-8 path of a file in the scratch folder.
std::string tablePath(const ScratchFolder& folder, const std::string& name) {
  return platform::wideToAnsiLenient(folder.name(name));
}

int32_t intValue(const DBF::DBFFieldValue& field) {
  int32_t value = 0;
  std::memcpy(&value, field.Value, sizeof(value));
  return value;
}
double doubleValue(const DBF::DBFFieldValue& field) {
  double value = 0;
  std::memcpy(&value, field.Value, sizeof(value));
  return value;
}
std::string textValue(const DBF::DBFFieldValue& field) { return reinterpret_cast<const char*>(field.Value); }

// What a command prints.
std::string run(const std::string& command) {
  std::string output;
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return output;
  char chunk[4096];
  size_t got = 0;
  while ((got = fread(chunk, 1, sizeof(chunk), pipe)) > 0) output.append(chunk, got);
  pclose(pipe);
  return output;
}

struct Sample {
  const char* name;
  int count;
  double ratio;
};
constexpr Sample kSamples[] = {{"alpha", 12, 1.5}, {"beta", -7, 2.25}, {"gamma", 123456, -0.125}};

// Creates the three-field table of the samples.
void writeSampleTable(const std::string& path) {
  IDBF* table = newTable();
  ASSERT_EQ(table->Create(path.c_str()), S_OK);
  EXPECT_EQ(table->AddField("NAME", DBF::FTString, 20, 0), 0);
  EXPECT_EQ(table->AddField("COUNT", DBF::FTInteger, 6, 0), 1);
  EXPECT_EQ(table->AddField("RATIO", DBF::FTDouble, 10, 3), 2);
  for (int r = 0; r < 3; ++r) {
    EXPECT_TRUE(table->WriteStringAttribute(r, 0, kSamples[r].name));
    EXPECT_TRUE(table->WriteIntegerAttribute(r, 1, kSamples[r].count));
    EXPECT_TRUE(table->WriteDoubleAttribute(r, 2, kSamples[r].ratio));
  }
  EXPECT_EQ(table->GetRecordCount(), 3);
  EXPECT_EQ(table->Release(), 0u);  // closes the table
}

TEST(DBFTest, AnswersWithoutATable) {
  IDBF* table = newTable();
  void* out = &out;
  EXPECT_EQ(table->QueryInterface(IID_IUnknown, &out), E_NOINTERFACE);
  EXPECT_EQ(out, nullptr);
  EXPECT_FALSE(table->IsOpen());
  char name[16] = "x";
  int width = 5;
  EXPECT_EQ(table->GetFieldInfo(0, name, &width, nullptr), DBF::FTNone);
  EXPECT_EQ(table->ReadIntegerAttribute(0, 0), std::numeric_limits<int>::min());
  EXPECT_EQ(table->ReadDoubleAttribute(0, 0), -1e100);
  EXPECT_EQ(table->ReadStringAttribute(0, 0), nullptr);
  EXPECT_EQ(table->AddField("A", DBF::FTString, 5, 0), -1);
  DBFRecordInfo info;
  info.Record = 7;
  EXPECT_EQ(table->ReadRecord(0, &info), E_INVALIDARG);
  EXPECT_EQ(info.Record, 0);
  EXPECT_EQ(table->ReadRecord(0, nullptr), E_INVALIDARG);
  EXPECT_FALSE(table->WriteIntegerAttribute(0, 0, 1));
  EXPECT_FALSE(table->WriteStringAttribute(0, 0, "a"));
  EXPECT_EQ(table->ReadTuple(0), nullptr);
  EXPECT_EQ(table->CloneEmpty("x.dbf"), nullptr);
  EXPECT_EQ(table->GetHeaderLength() + table->GetRecordLength() + table->GetFieldCount() + table->GetRecordCount(), 0);
  EXPECT_EQ(table->Close(), 0);
  EXPECT_EQ(table->Open("", true), E_FAIL);
  EXPECT_EQ(table->Open("\\no\\such\\table.dbf", true), E_FAIL);
  EXPECT_EQ(table->Release(), 0u);
}

TEST(DBFTest, WrittenTableReadsBack) {
  ScratchFolder folder;
  const std::string path = tablePath(folder, "sample.dbf");
  writeSampleTable(path);

  IDBF* table = newTable();
  ASSERT_EQ(table->Open(path.c_str(), /*readOnly=*/true), S_OK);
  EXPECT_EQ(table->GetFieldCount(), 3);
  EXPECT_EQ(table->GetRecordCount(), 3);
  EXPECT_EQ(table->GetHeaderLength(), 32 + 3 * 32 + 1);
  EXPECT_EQ(table->GetRecordLength(), 1 + 20 + 6 + 10);
  DBFRecordInfo info;
  ASSERT_EQ(table->ReadRecord(1, &info), S_OK);
  EXPECT_EQ(info.Record, 1);
  ASSERT_EQ(info.FieldCount, 3u);
  EXPECT_STREQ(info.Fields[0].Name, "NAME");
  EXPECT_STREQ(info.Fields[1].Name, "COUNT");
  EXPECT_STREQ(info.Fields[2].Name, "RATIO");
  EXPECT_EQ(info.Fields[0].Type, DBF::FTString);
  EXPECT_EQ(info.Fields[1].Type, DBF::FTInteger);
  EXPECT_EQ(info.Fields[2].Type, DBF::FTDouble);
  EXPECT_EQ(info.Fields[0].Width, 20);
  EXPECT_EQ(info.Fields[1].Width, 6);
  EXPECT_EQ(info.Fields[2].Width, 10);
  EXPECT_EQ(info.Fields[2].Decimals, 3);
  EXPECT_EQ(textValue(info.Fields[0]), "beta");
  EXPECT_EQ(intValue(info.Fields[1]), -7);
  EXPECT_EQ(doubleValue(info.Fields[2]), 2.25);
  EXPECT_EQ(table->ReadRecord(3, &info), E_INVALIDARG);
  EXPECT_EQ(table->ReadRecord(-1, &info), E_INVALIDARG);
  EXPECT_EQ(table->GetFieldInfo(3, nullptr, nullptr, nullptr), DBF::FTNone);
  EXPECT_EQ(table->GetFieldInfo(-1, nullptr, nullptr, nullptr), DBF::FTNone);
  const char* tuple = table->ReadTuple(2);
  ASSERT_NE(tuple, nullptr);
  EXPECT_EQ(std::string(tuple + 1, 5), "gamma");

  // Read-only: every write is refused and the file keeps its values.
  EXPECT_FALSE(table->WriteIntegerAttribute(0, 1, 99));
  EXPECT_FALSE(table->WriteDoubleAttribute(0, 2, 9.5));
  EXPECT_FALSE(table->WriteStringAttribute(0, 0, "zeta"));
  EXPECT_EQ(table->AddField("MORE", DBF::FTString, 4, 0), -1);
  EXPECT_EQ(table->ReadIntegerAttribute(0, 1), 12);

  // A second Open closes the first table; read-write then writes.
  ASSERT_EQ(table->Open(path.c_str(), /*readOnly=*/false), S_OK);
  EXPECT_TRUE(table->WriteIntegerAttribute(0, 1, 99));
  // A text for a numeric field is stored as it stands, not taken for the
  // bytes of a double.
  EXPECT_TRUE(table->WriteStringAttribute(1, 1, "5"));
  EXPECT_TRUE(table->WriteStringAttribute(1, 2, "-3.5"));
  EXPECT_EQ(table->ReadIntegerAttribute(1, 1), 5);
  EXPECT_EQ(table->ReadDoubleAttribute(1, 2), -3.5);
  EXPECT_EQ(table->Close(), 0);
  EXPECT_FALSE(table->IsOpen());
  ASSERT_EQ(table->Open(path.c_str(), true), S_OK);
  EXPECT_EQ(table->ReadIntegerAttribute(0, 1), 99);
  EXPECT_EQ(table->Release(), 0u);
}

TEST(DBFTest, OtherReadersAgree) {
  ScratchFolder folder;
  const std::string path = tablePath(folder, "oracle.dbf");
  writeSampleTable(path);
  const std::string native = folder.native("oracle.dbf");

  EXPECT_EQ(run("dbfdump '" + native + "'"),
            "NAME                  COUNT      RATIO \n"
            "alpha                    12      1.500 \n"
            "beta                     -7      2.250 \n"
            "gamma                123456     -0.125 \n");
  const std::string ogr = run("ogrinfo -al -q '" + native + "' 2>&1");
  for (const char* line :
       {"NAME (String) = alpha", "COUNT (Integer) = -7", "RATIO (Real) = -0.125", "COUNT (Integer) = 123456"}) {
    EXPECT_NE(ogr.find(line), std::string::npos) << line << "\n" << ogr;
  }
  EXPECT_EQ(run("/usr/bin/python3 -c \"import shapefile; r = shapefile.Reader(dbf='" + native +
                "'); print(r.fields[1:], [list(x) for x in r.records()])\""),
            "[['NAME', 'C', 20, 0], ['COUNT', 'N', 6, 0], ['RATIO', 'N', 10, 3]] "
            "[['alpha', 12, 1.5], ['beta', -7, 2.25], ['gamma', 123456, -0.125]]\n");
}

TEST(DBFTest, WideTablesLongTextsAndOtherKinds) {
  ScratchFolder folder;
  const std::string path = tablePath(folder, "wide.dbf");
  IDBF* table = newTable();
  ASSERT_EQ(table->Create(path.c_str()), S_OK);
  for (int i = 0; i < 200; ++i) {
    const std::string name = "F" + std::to_string(i);
    ASSERT_EQ(table->AddField(name.c_str(), DBF::FTInteger, 4, 0), i);
  }
  for (int i = 0; i < 200; ++i) ASSERT_TRUE(table->WriteIntegerAttribute(0, i, i));
  DBFRecordInfo info;
  ASSERT_EQ(table->ReadRecord(0, &info), S_OK);
  EXPECT_EQ(info.FieldCount, 128u);
  EXPECT_STREQ(info.Fields[127].Name, "F127");
  EXPECT_EQ(intValue(info.Fields[127]), 127);

  // Texts are cut to the field, and to 255 in a record description;
  // logical fields answer as text, date fields as integers.
  ASSERT_EQ(table->Create(tablePath(folder, "kinds.dbf").c_str()), S_OK);
  ASSERT_EQ(table->AddField("LONG", DBF::FTString, 255, 0), 0);
  ASSERT_EQ(table->AddField("FLAG", DBF::FTLogical, 1, 0), 1);
  ASSERT_EQ(table->AddField("WHEN", DBF::FTDate, 8, 0), 2);
  const std::string longText(300, 'q');
  // Cut to the field's 255 bytes: written, and reported as cut (false).
  EXPECT_FALSE(table->WriteStringAttribute(0, 0, longText.c_str()));
  EXPECT_TRUE(table->WriteStringAttribute(0, 1, "T"));
  EXPECT_TRUE(table->WriteStringAttribute(0, 2, "20261210"));
  ASSERT_EQ(table->ReadRecord(0, &info), S_OK);
  EXPECT_EQ(textValue(info.Fields[0]), longText.substr(0, 255));
  EXPECT_EQ(info.Fields[1].Type, DBF::FTString);
  EXPECT_EQ(textValue(info.Fields[1]), "T");
  EXPECT_EQ(info.Fields[2].Type, DBF::FTInteger);
  EXPECT_EQ(intValue(info.Fields[2]), 20261210);

  // An empty copy: same fields, no records, the source still open.
  IDBF* copy = table->CloneEmpty(tablePath(folder, "copy.dbf").c_str());
  ASSERT_NE(copy, nullptr);
  EXPECT_EQ(copy->GetRecordCount(), 0);
  ASSERT_EQ(copy->GetFieldCount(), 3);
  char name[16] = {};
  int width = 0;
  EXPECT_EQ(copy->GetFieldInfo(2, name, &width, nullptr), DBF::FTInteger);
  EXPECT_STREQ(name, "WHEN");
  EXPECT_EQ(width, 8);
  EXPECT_TRUE(table->IsOpen());
  EXPECT_EQ(table->GetRecordCount(), 1);
  EXPECT_EQ(copy->Release(), 0u);
  EXPECT_EQ(table->Release(), 0u);
}

}  // namespace
