// The hatch handler's pattern files: the ".pat" reader, ParsePatNumber, the
// ".BPA" binary form, and the handler's identity.
#include "zefcorek/HatchHandlerImp.h"
#include "zefcorek/HatchRegistry.h"

#include "CommandOutput.h"
#include "../../runtime/tests/ScratchFolder.h"

#include "zefcorek/ClassIds.h"
#include "zefcorek/ZefCoreK.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <clocale>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

namespace {

using zefcorek::testing::ScratchFolder;

const char kFixture[] =
    ";; test\n"
    "*ANSI31,ANSI Iron, Brick, Stone masonry\n"
    "45, 0,0, 0,.125\n"
    "*DASHED , dashes and dots\n"
    ";[PrwScale=2.5]\n"
    "0,0,0,0,1,.5,-.25,0\n"
    "*VLINES\n"
    "90, 0,0, 0,1\n";

std::u16string nameOf(const HatchPatternInfo* info) { return info->name; }

// A handler registered in a registry, records freed at the end.
class HatchFileTest : public ::testing::Test {
protected:
  void SetUp() override {
    void* made = nullptr;
    ASSERT_EQ(zefCoreKAllocIntf(&CLSID_IHatchRegistryImp, &made, 0), S_OK);
    registry = static_cast<IHatchRegistry*>(made);
    ASSERT_EQ(zefCoreKAllocIntf(&CLSID_IHatchHandlerACADCompImp, &made, 0), S_OK);
    handler = static_cast<IHatchHandler*>(made);
    ASSERT_EQ(registry->RegisterHandler(handler), 0);
  }
  void TearDown() override {
    for (HatchPatternInfo* info : records)
      if (info != nullptr) registry->FreePatternInfo(info);
    registry->UnregisterAllHandlers();
    EXPECT_EQ(handler->GetRefCount(), 1);
    handler->Release();
    registry->Release();
  }
  ZRESULT load(const std::u16string& path, uint32_t first, uint32_t count) {
    for (HatchPatternInfo* info : records)
      if (info != nullptr) registry->FreePatternInfo(info);
    records.assign(count, reinterpret_cast<HatchPatternInfo*>(1));
    return handler->LoadPatterns(path.c_str(), first, count, records.data());
  }
  uint32_t countOf(const std::u16string& path, ZRESULT* result) {
    uint32_t count = 99;
    *result = handler->GetPatternCount(path.c_str(), &count);
    return count;
  }

  ScratchFolder folder;
  IHatchRegistry* registry = nullptr;
  IHatchHandler* handler = nullptr;
  std::vector<HatchPatternInfo*> records;
};

void expectFixture(const std::vector<HatchPatternInfo*>& r) {
  ASSERT_EQ(r.size(), 3u);
  EXPECT_EQ(nameOf(r[0]), u"ANSI31");
  EXPECT_EQ(std::u16string(r[0]->description), u"ANSI Iron, Brick, Stone masonry");
  EXPECT_EQ(r[0]->indexInFile, 0u);
  EXPECT_EQ(r[0]->capacity, 8u);
  EXPECT_EQ(r[0]->cbSize, hatchPatternSizeFor(8));
  EXPECT_EQ(r[0]->lineCount, 1u);
  EXPECT_NEAR(r[0]->lines[0].angle, M_PI / 4, 1e-15);
  EXPECT_EQ(+r[0]->lines[0].spacing, 0.125);
  EXPECT_EQ(+r[0]->lines[0].dashCount, 0u);
  EXPECT_EQ(+r[0]->prwScale, 0.0);

  EXPECT_EQ(nameOf(r[1]), u"DASHED ");
  EXPECT_EQ(std::u16string(r[1]->description), u"dashes and dots");
  EXPECT_EQ(+r[1]->prwScale, 2.5);
  const HatchPatternLine& dashed = r[1]->lines[0];
  ASSERT_EQ(dashed.dashCount, 3u);
  EXPECT_EQ(+dashed.dashes[0].length, 0.5);
  EXPECT_EQ(+dashed.dashes[1].length, -0.25);
  EXPECT_EQ(+dashed.dashes[2].length, 0.0);
  EXPECT_EQ(+dashed.dashTotal, 0.75);
  const double fractions[3][2] = {{0, 2.0 / 3}, {2.0 / 3, 1}, {1, 1}};
  for (int i = 0; i < 3; ++i) {
    EXPECT_NEAR(dashed.dashes[i].start, fractions[i][0], 1e-15) << i;
    EXPECT_NEAR(dashed.dashes[i].end, fractions[i][1], 1e-15) << i;
  }

  EXPECT_EQ(nameOf(r[2]), u"VLINES");
  EXPECT_EQ(r[2]->description[0], u'\0');
  EXPECT_EQ(r[2]->indexInFile, 2u);
  EXPECT_EQ(+r[2]->lines[0].angle, 90 * (1.0 / 180.0) * M_PI);
}

TEST_F(HatchFileTest, ReadsTheFixture) {
  const std::u16string path = folder.write("fixture.pat", kFixture);
  ZRESULT result = -1;
  EXPECT_EQ(countOf(path, &result), 3u);
  EXPECT_EQ(result, 0);
  ASSERT_EQ(load(path, 0, 3), 0);
  expectFixture(records);
  EXPECT_EQ(std::u16string(records[2]->fileName), path);

  // A comma as the locale's decimal separator changes nothing.
  const char* previous = std::setlocale(LC_NUMERIC, nullptr);
  const std::string saved = previous != nullptr ? previous : "C";
  if (std::setlocale(LC_NUMERIC, "de_DE.UTF-8") != nullptr) {
    ASSERT_EQ(load(path, 0, 3), 0);
    expectFixture(records);
    std::setlocale(LC_NUMERIC, saved.c_str());
  }
}

TEST_F(HatchFileTest, ReaderCases) {
  const std::string four = "*A\n0,0,0,0,1\n*B\n0,0,0,0,1\n*C\n0,0,0,0,1\n*D\n0,0,0,0,1\n";
  std::string nine = "*NINE\n";
  for (int i = 0; i < 9; ++i) nine += std::to_string(i * 10) + ",0,0,0,1\n";
  const struct {
    const char* what;
    std::string text;
    uint32_t first, count;
    ZRESULT result;
    std::vector<std::u16string> names;  // of out[], "" for null
  } rows[] = {
      {"data before the first header", "0,0,0,0,1\n*A\n0,0,0,0,1\n", 0, 1, 2, {u""}},
      {"first 2, count 3 of four", four, 2, 3, 1, {u"C", u"D", u""}},
      {"first past the last header", four, 5, 1, 1, {u""}},
      {"a data line of four fields", "*A\n0,0,0,0,1\n*B\n0,0,0,1\n", 0, 2, 2, {u"", u""}},
      {"seven dash values", "*A\n0,0,0,0,1,1,1,1,1,1,1,1\n", 0, 1, 2, {u""}},
      {"a field that is no number", "*A\n0,0,x,0,1\n", 0, 1, 2, {u""}},
      {"nine lines", nine, 0, 1, 0, {u"NINE"}},
      {"control characters", "\x1A\n   ;\n\n*A\n   0,0,0,0,1\n", 0, 1, 0, {u"A"}},
      {"no header at all", ";only\n", 0, 1, 2, {u""}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.what);
    const std::u16string path = folder.write("case.pat", row.text);
    EXPECT_EQ(load(path, row.first, row.count), row.result);
    ASSERT_EQ(records.size(), row.names.size());
    for (size_t i = 0; i < records.size(); ++i)
      EXPECT_EQ(records[i] != nullptr ? nameOf(records[i]) : u"", row.names[i]) << i;
  }
  // The nine-line pattern grew from capacity 8 to 16.
  ASSERT_EQ(load(folder.write("nine.pat", nine), 0, 1), 0);
  EXPECT_EQ(records[0]->capacity, 16u);
  EXPECT_EQ(records[0]->lineCount, 9u);
  EXPECT_EQ(records[0]->cbSize, hatchPatternSizeFor(16));
  EXPECT_NEAR(records[0]->lines[8].angle, 80 * M_PI / 180, 1e-15);

  ZRESULT result = -1;
  EXPECT_EQ(countOf(folder.write("bad.pat", "0,0,0,0,1\n*A\n"), &result), 0u);
  EXPECT_EQ(result, 2);
  EXPECT_EQ(countOf(folder.name("missing.pat"), &result), 0u);
  EXPECT_NE(result, 0);
  EXPECT_EQ(handler->LoadPatterns(folder.name("x.pat").c_str(), 0, 0, records.data()), 10);
}

TEST_F(HatchFileTest, HeadersAndPreviewScales) {
  const std::string seventy(70, 'N');
  const std::string text = "*" + seventy +
                           "\n0,0,0,0,1\n"
                           ";[PrwScale=-3]\n"
                           "*SPACED\n; [PrwScale=2]\n;[PrwScale=2]x\n0,0,0,0,1\n";
  ASSERT_EQ(load(folder.write("h.pat", ";[PrwScale=9]\n" + text), 0, 2), 0);
  EXPECT_EQ(nameOf(records[0]), std::u16string(63, u'N'));
  EXPECT_EQ(records[0]->description[0], u'\0');
  EXPECT_EQ(+records[0]->prwScale, 3.0) << "absolute value, after the header";
  EXPECT_EQ(+records[1]->prwScale, 0.0) << "a blank after ';' or text after ']'";
  // A line longer than the reader's buffer is cut; its rest is no line.
  const std::string longLine = "*LONG," + std::string(600, 'd') + "\n0,0,0,0,1\n";
  ASSERT_EQ(load(folder.write("long.pat", longLine), 0, 1), 0);
  EXPECT_EQ(records[0]->lineCount, 1u);
  EXPECT_EQ(std::u16string(records[0]->description), std::u16string(127, u'd'));
}

TEST(HatchPatNumber, Forms) {
  const struct {
    const char16_t* text;
    double value;
  } rows[] = {{u"-.25", -0.25}, {u".5", 0.5}, {u"+.5", 0.5}, {u" .5", 0.5}, {u"1e2", 100.0}, {u"-3", -3.0}};
  for (const auto& row : rows) EXPECT_EQ(IHatchHandlerACADCompImp::ParsePatNumber(row.text), row.value);
  for (const char16_t* bad : {u"", u"x", u"1,5", u"1.5.2", u"--1", u"1e999"})
    EXPECT_TRUE(std::isnan(IHatchHandlerACADCompImp::ParsePatNumber(bad)));
}

TEST_F(HatchFileTest, HandlerIdentity) {
  GUID id{};
  EXPECT_EQ(handler->GetHandlerInfo(0, &id), 0);
  EXPECT_EQ(std::memcmp(&id, &CLSID_IHatchHandlerACADCompImp, sizeof(GUID)), 0);
  uint32_t value = 0;
  EXPECT_EQ(handler->GetHandlerInfo(1, &value), 0);
  EXPECT_EQ(value, 24u);
  char16_t name[32] = {};
  EXPECT_EQ(handler->GetHandlerInfo(2, name), 0);
  EXPECT_EQ(std::u16string(name), u"Quillmere Vector Hatcher");
  EXPECT_EQ(handler->GetHandlerInfo(3, &value), 0);
  EXPECT_EQ(value, 0x10000u);
  EXPECT_EQ(handler->GetHandlerInfo(4, &value), 10);
  EXPECT_EQ(handler->GetHandlerInfo(0, nullptr), 10);
  EXPECT_EQ(handler->GetOption(0, &value), 10);
  EXPECT_EQ(handler->SetOption(0, 0), 21);
  EXPECT_EQ(handler->ReservedOp(), 21);

  const HatchPatternInfo& solid = hatchSolidPattern();
  EXPECT_EQ(solid.cbSize, 1256u);
  EXPECT_EQ(nameOf(&solid), u"SOLID");
  EXPECT_EQ(solid.tag, 0xFFFFFFFFu);
  EXPECT_EQ(+solid.lines[0].spacing, 1.0);
  EXPECT_EQ(+solid.lines[0].dashes[0].end, 1.0);

  // Without a registry nothing can be read.
  IHatchHandler* lone = new IHatchHandlerACADCompImp();
  HatchPatternInfo* out = nullptr;
  EXPECT_EQ(lone->LoadPatterns(u"x.pat", 0, 1, &out), 2);
  lone->Release();
}

// --- ".BPA" ----------------------------------------------------------------------

TEST_F(HatchFileTest, BinaryBytesAndRoundTrips) {
  ASSERT_EQ(load(folder.write("fixture.pat", kFixture), 0, 3), 0);
  std::vector<HatchPatternInfo*> fixture = records;
  records.clear();

  HatchPatternInfo* vlines[] = {fixture[2]};
  const std::u16string vlinesPath = folder.name("vlines.BPA");
  ASSERT_EQ(handler->SavePatterns(vlinesPath.c_str(), vlines, 1), 0);
  const std::string bytes = folder.read("vlines.BPA");
  ASSERT_EQ(bytes.size(), 596u);
  auto u32At = [&](size_t offset) {
    uint32_t v;
    std::memcpy(&v, bytes.data() + offset, 4);
    return v;
  };
  auto f64At = [&](size_t offset) {
    double v;
    std::memcpy(&v, bytes.data() + offset, 8);
    return v;
  };
  EXPECT_EQ(u32At(0), 0xFFFFFFFFu);
  EXPECT_EQ(u32At(4), 1u);
  EXPECT_EQ(bytes.substr(8 + 128, 12), std::string("V\0L\0I\0N\0E\0S\0", 12));
  EXPECT_EQ(u32At(8 + 512), 0u);
  EXPECT_EQ(u32At(8 + 516), 2u);
  EXPECT_EQ(f64At(8 + 520), 0.0);
  EXPECT_EQ(u32At(8 + 528), 8u);
  EXPECT_EQ(u32At(8 + 532), 1u);
  EXPECT_EQ(f64At(8 + 536), 90 * (1.0 / 180.0) * M_PI);
  EXPECT_EQ(f64At(8 + 536 + 24), 1.0) << "spacing";
  EXPECT_EQ(u32At(8 + 536 + 40), 0u) << "no dashes";

  HatchPatternInfo* dashed[] = {fixture[1]};
  ASSERT_EQ(handler->SavePatterns(folder.name("dashed.bpa").c_str(), dashed, 1), 0);
  EXPECT_EQ(+folder.read("dashed.bpa").size(), 668u);

  // A 12-line pattern (capacity 16) and a record of kind 1 (no line data).
  std::string twelve = "*TWELVE,twelve\n";
  for (int i = 0; i < 12; ++i) twelve += std::to_string(i) + ",1,2,3,4,0.5,-0.5\n";
  ASSERT_EQ(load(folder.write("twelve.pat", twelve), 0, 1), 0);
  HatchPatternInfo* big = records[0];
  records.clear();
  HatchPatternInfo* other = nullptr;
  ASSERT_EQ(registry->AllocPatternInfo(8, &other), 0);
  other->kind = 1;
  other->indexInFile = 7;
  std::memcpy(other->leadingText, u"lead", 10);
  HatchPatternInfo* all[] = {fixture[0], fixture[1], fixture[2], big, other};
  const std::u16string allPath = folder.name("all.BPA");
  ASSERT_EQ(handler->SavePatterns(allPath.c_str(), all, 5), 0);
  ASSERT_EQ(load(allPath, 0, 5), 0);
  for (int i = 0; i < 5; ++i) {
    SCOPED_TRACE(i);
    // Tag, file name and reserved are not stored; the rest comes back.
    HatchPatternInfo* original = all[i];
    HatchPatternInfo* read = records[i];
    EXPECT_EQ(read->cbSize, original->kind == 0 ? hatchPatternSizeFor(original->capacity) : hatchPatternSizeFor(0));
    EXPECT_EQ(std::memcmp(read->leadingText, original->leadingText, 128 + 0), 0);
    EXPECT_EQ(std::memcmp(read->name, original->name, 128 + 256 + 4), 0);
    EXPECT_EQ(read->indexInFile, original->indexInFile);
    EXPECT_EQ(+read->prwScale, +original->prwScale);
    EXPECT_EQ(read->fileName[0], u'\0');
    if (original->kind != 0) continue;
    EXPECT_EQ(read->capacity, original->capacity);
    ASSERT_EQ(read->lineCount, original->lineCount);
    EXPECT_EQ(+std::memcmp(read->lines, original->lines, original->lineCount * sizeof(HatchPatternLine)), 0);
  }
  EXPECT_EQ(records[3]->capacity, 16u);

  // First 1, count 1: the second pattern only; the others are freed.
  ASSERT_EQ(load(allPath, 1, 1), 0);
  EXPECT_EQ(nameOf(records[0]), u"DASHED ");
  // Other extensions are not written.
  EXPECT_EQ(handler->SavePatterns(folder.name("all.pat").c_str(), all, 5), 21);
  EXPECT_FALSE(folder.exists("all.pat"));
  EXPECT_EQ(handler->SavePatterns(nullptr, all, 5), 10);

  // A save replaces the file whole; one that fails leaves the old file as it
  // was, and neither leaves a temporary file behind.
  ASSERT_EQ(handler->SavePatterns(vlinesPath.c_str(), all, 5), 0);
  EXPECT_EQ(folder.read("vlines.BPA"), folder.read("all.BPA"));
  const std::string blocker = folder.native("vlines.BPA.~" + std::to_string(getpid()) + ".tmp");
  std::filesystem::create_directory(blocker);
  EXPECT_NE(handler->SavePatterns(vlinesPath.c_str(), vlines, 1), 0);
  EXPECT_EQ(folder.read("vlines.BPA"), folder.read("all.BPA"));
  std::filesystem::remove(blocker);
  size_t files = 0;
  for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(folder.native(""))) ++files;
  EXPECT_EQ(files, 5u) << "fixture.pat, vlines.BPA, dashed.bpa, twelve.pat, all.BPA";
  for (HatchPatternInfo* info : all) registry->FreePatternInfo(info);
}

std::string le32(uint32_t v) { return std::string(reinterpret_cast<const char*>(&v), 4); }
std::string le64(double v) { return std::string(reinterpret_cast<const char*>(&v), 8); }

// A narrow-form block built byte by byte: ANSI (UTF-8) texts of 64, 64 and
// 128 bytes, then the numbers.
std::string narrowBlock(const std::string& name, uint32_t capacity, uint32_t lines, uint32_t dashCount) {
  std::string block(256, '\0');
  block.replace(64, name.size(), name);
  block.replace(128, 5, "d\xC3\xA9sc");
  block += le32(0) + le32(4) + le64(1.5) + le32(capacity) + le32(lines);
  for (uint32_t i = 0; i < lines; ++i) {
    block += le64(0.5) + le64(1) + le64(2) + le64(3) + le64(4) + le32(dashCount);
    for (uint32_t d = 0; d < dashCount; ++d) block += le64(1) + le64(0) + le64(1);
    block += le64(dashCount != 0 ? 1.0 : 0.0);
  }
  return block;
}

TEST_F(HatchFileTest, NarrowFormAndDamagedFiles) {
  const std::string good = le32(1) + narrowBlock("NARROW", 8, 2, 1);
  ASSERT_EQ(load(folder.write("narrow.bpa", good), 0, 1), 0);
  EXPECT_EQ(nameOf(records[0]), u"NARROW");
  EXPECT_EQ(std::u16string(records[0]->description), u"d\u00E9sc");
  EXPECT_EQ(records[0]->indexInFile, 4u);
  EXPECT_EQ(+records[0]->prwScale, 1.5);
  EXPECT_EQ(records[0]->lineCount, 2u);
  EXPECT_EQ(+records[0]->lines[1].shift, 4.0);
  EXPECT_EQ(+records[0]->lines[1].dashCount, 1u);

  // A full-width name keeps a terminator.
  std::string fullName = narrowBlock(std::string(64, 'W'), 0, 0, 0);
  ASSERT_EQ(load(folder.write("fullname.bpa", le32(1) + fullName), 0, 1), 0);
  EXPECT_EQ(nameOf(records[0]), std::u16string(63, u'W'));

  const struct {
    const char* what;
    std::string bytes;
  } damaged[] = {
      {"truncated in a line", good.substr(0, good.size() - 5)},
      {"truncated in the head", good.substr(0, 100)},
      {"empty", ""},
      {"more lines than room", le32(1) + narrowBlock("A", 1, 2, 0)},
      {"seven dashes", le32(1) + narrowBlock("A", 8, 1, 7)},
      {"a capacity of gigabytes", le32(1) + narrowBlock("A", 0x7FFFFFFF, 0, 0)},
      {"a count past the data", le32(3) + narrowBlock("A", 8, 1, 0)},
      {"a line count past the data", le32(1) + narrowBlock("A", 60000, 60000, 0).substr(0, 400)},
  };
  for (const auto& row : damaged) {
    SCOPED_TRACE(row.what);
    EXPECT_EQ(load(folder.write("damaged.bpa", row.bytes), 0, 3), 2);
    for (HatchPatternInfo* info : records) EXPECT_EQ(info, nullptr);
  }
}

// The fixture read by ezdxf's own pattern parser gives the same lines.
TEST_F(HatchFileTest, AgreesWithEzdxf) {
  // ezdxf's parser needs a description on every header.
  std::string described = kFixture;
  described.replace(described.find("*VLINES"), 7, "*VLINES,v");
  const std::string native = folder.native("fixture.pat");
  const std::u16string path = folder.write("fixture.pat", described);
  ASSERT_EQ(load(path, 0, 3), 0);
  const std::string command =
      "/usr/bin/python3 -c \"import sys, ezdxf.tools.pattern as p\n"
      "for name, lines in p.parse(open(sys.argv[1]).read()).items():\n"
      "  for a, base, off, dashes in lines:\n"
      "    print(a, base[0], base[1], off[0], off[1], len(dashes), *dashes)\" " +
      native;
  std::string output;
  ASSERT_NO_FATAL_FAILURE(graphics_test::readCommand(command, "python3-ezdxf is needed: ", &output));
  std::istringstream lines(output);
  int checked = 0;
  for (HatchPatternInfo* info : records) {
    for (uint32_t l = 0; l < info->lineCount; ++l, ++checked) {
      const HatchPatternLine& line = info->lines[l];
      double degrees, bx, by, ox, oy;
      size_t dashCount;
      ASSERT_TRUE(lines >> degrees >> bx >> by >> ox >> oy >> dashCount);
      EXPECT_NEAR(line.angle, degrees * M_PI / 180, 1e-12);
      EXPECT_EQ(+line.originX, bx);
      EXPECT_EQ(+line.originY, by);
      // ezdxf keeps shift and spacing as an offset turned by the angle.
      const double c = std::cos(line.angle), s = std::sin(line.angle);
      EXPECT_NEAR(line.shift * c - line.spacing * s, ox, 1e-9);
      EXPECT_NEAR(line.shift * s + line.spacing * c, oy, 1e-9);
      ASSERT_EQ(dashCount, line.dashCount);
      for (uint32_t d = 0; d < line.dashCount; ++d) {
        double length;
        lines >> length;
        EXPECT_EQ(+line.dashes[d].length, length);
      }
    }
  }
  EXPECT_EQ(checked, 3);
}

}  // namespace
