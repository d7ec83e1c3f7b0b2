// A hatch job written to DXF by the registry: boundary polylines, hatch
// lines and dots, job sizes, refusals, and the files read back by ezdxf.
#include "zefcorek/HatchHandlerImp.h"
#include "zefcorek/HatchRegistry.h"

#include "CommandOutput.h"
#include "AcadHatchFixture.h"
#include "FakeHatchHandler.h"
#include "HatchJobs.h"

#include "zefcorek/ClassIds.h"
#include "zefcorek/ZefCoreK.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

// Counts of the entity keywords in a DXF text, in order of appearance.
std::vector<std::string> entities(const std::string& dxf) {
  std::vector<std::string> out;
  size_t at = 0;
  const std::string marker = "  0\r\n";
  while ((at = dxf.find(marker, at)) != std::string::npos) {
    at += marker.size();
    const size_t end = dxf.find("\r\n", at);
    out.push_back(dxf.substr(at, end - at));
  }
  return out;
}

std::vector<HatchVertex> ring(const std::vector<uint32_t>& rings) {
  const double corners[4][2] = {{0.25, 0}, {10.25, 0}, {10.25, 10}, {0.25, 10}};
  std::vector<HatchVertex> out;
  for (size_t i = 0; i < rings.size(); ++i)
    out.push_back({rings[i], 0, 0, corners[i % 4][0] + 20.0 * (i / 4), corners[i % 4][1]});
  return out;
}

class HatchDxfExportTest : public graphics_test::AcadHatchFixture {
protected:
  HatchJob job(HatchPatternNode node, const std::vector<HatchVertex>& vertices) {
    return graphics_test::hatchJob(node, vertices, 2, 100, [](HatchSegmentRec*) -> int32_t {
      ADD_FAILURE() << "the caller's segment callback is not called";
      return 0;
    });
  }
  std::string exported(HatchJob* j, ZRESULT expected = 0) {
    EXPECT_EQ(registry->ExportHatchToDXF(j, folder.name("out.dxf").c_str()), expected);
    return folder.read("out.dxf");
  }
};

TEST_F(HatchDxfExportTest, SquareWithVerticalLines) {
  const std::vector<HatchVertex> vertices = ring({0, 0, 0, 0});
  HatchJob j = job(pattern("*V\n90, 0,0, 0,1\n"), vertices);
  const std::string dxf = exported(&j);
  std::vector<std::string> expected = {"SECTION", "ENDSEC", "SECTION", "POLYLINE", "VERTEX",
                                       "VERTEX",  "VERTEX", "VERTEX",  "SEQEND"};
  expected.insert(expected.end(), 10, "LINE");
  expected.insert(expected.end(), {"ENDSEC", "EOF"});
  EXPECT_EQ(entities(dxf), expected);
  EXPECT_NE(dxf.find("  0\r\nPOLYLINE\r\n  8\r\nFIGURE\r\n 66\r\n1\r\n 10\r\n0\r\n 20\r\n0\r\n"
                     " 30\r\n0\r\n 70\r\n1\r\n 62\r\n7\r\n"),
            std::string::npos);
  for (int x = 1; x <= 10; ++x) {
    const std::string line = "  0\r\nLINE\r\n  8\r\nHATCH\r\n 62\r\n3\r\n 10\r\n" + std::to_string(x) +
                             ".00000\r\n 20\r\n0.00000\r\n 30\r\n0.00000\r\n"
                             " 11\r\n" +
                             std::to_string(x) +
                             ".00000\r\n 21\r\n10.00000\r\n"
                             " 31\r\n0.00000\r\n";
    EXPECT_NE(dxf.find(line), std::string::npos) << x;
  }
}

struct CallbackSource {
  std::vector<HatchVertex> vertices;
  uint32_t failAt = 0xFFFFFFFF;
};

ZRESULT fromSource(uint32_t index, HatchVertex* out, void* context) {
  auto* source = static_cast<CallbackSource*>(context);
  if (index == source->failAt) return 7;
  *out = source->vertices[index];
  return 0;
}

TEST_F(HatchDxfExportTest, RingsFromTheArrayAndTheCallback) {
  HatchPatternNode node = pattern("*V\n90, 0,0, 0,1\n");
  auto polylines = [](const std::string& dxf) {
    std::vector<int> vertexCounts;
    for (const std::string& e : entities(dxf)) {
      if (e == "POLYLINE")
        vertexCounts.push_back(0);
      else if (e == "VERTEX")
        ++vertexCounts.back();
    }
    return vertexCounts;
  };
  const std::vector<HatchVertex> two = ring({0, 0, 0, 1, 1, 1});
  HatchJob fromArray = job(node, two);
  const std::string arrayDxf = exported(&fromArray);
  EXPECT_EQ(polylines(arrayDxf), (std::vector<int>{3, 3}));

  CallbackSource source{two};
  HatchJob fromCallback = job(node, {});
  fromCallback.vertices = nullptr;
  fromCallback.vertexCount = 6;
  fromCallback.vertexFunc = &fromSource;
  fromCallback.vertexContext = &source;
  EXPECT_EQ(exported(&fromCallback), arrayDxf);

  // A first ring 5 through the callback: an empty polyline comes first.
  source.vertices = ring({5, 5, 5, 5});
  fromCallback.vertexCount = 4;
  EXPECT_EQ(polylines(exported(&fromCallback)), (std::vector<int>{0, 4}));

  // A failing callback: its code, the file closed and complete.
  source.failAt = 2;
  const std::string partial = exported(&fromCallback, 7);
  EXPECT_EQ(partial.substr(partial.size() - 18), "ENDSEC\r\n  0\r\nEOF\r\n");
  EXPECT_EQ(polylines(partial), (std::vector<int>{0, 2}));
}

TEST_F(HatchDxfExportTest, DotsSizesAndRefusals) {
  const std::vector<HatchVertex> vertices = ring({0, 0, 0, 0});
  HatchJob dotted = job(pattern("*DOT\n90, 0,0, 0,1, 0.5,-0.25,0,-0.25\n"), vertices);
  const std::string dxf = exported(&dotted);
  EXPECT_NE(dxf.find("  0\r\nPOINT\r\n  8\r\nHATCH\r\n 10\r\n1.00000\r\n 20\r\n0.75000\r\n 30\r\n"
                     "0.00000\r\n"),
            std::string::npos);

  // A larger caller record reaches the handler at our size.
  auto* fake = new graphics_test::FakeHatchHandler(GUID{}, 5);
  ASSERT_EQ(registry->RegisterHandler(fake), 0);
  HatchPatternInfo* info = nullptr;
  ASSERT_EQ(registry->AllocPatternInfo(0, &info), 0);
  HatchPatternNode fakeNode = nullptr;
  ASSERT_EQ(registry->AddPattern(fake, info, &fakeNode), 0);
  struct {
    HatchJob job;
    uint8_t more[200 - sizeof(HatchJob)];
  } large{};
  static_assert(sizeof(large) >= 200);
  large.job = job(fakeNode, vertices);
  large.job.cbSize = sizeof(large);
  EXPECT_EQ(registry->ExportHatchToDXF(&large.job, folder.name("fake.dxf").c_str()), 5);
  ASSERT_EQ(fake->calls.size(), 1u);
  EXPECT_NE(fake->calls[0].record, &large.job);
  EXPECT_EQ(fake->calls[0].size, kHatchJobSize);
  EXPECT_EQ(fake->calls[0].op, 10);

  HatchJob shortJob = job(fakeNode, vertices);
  shortJob.cbSize = kHatchJobSize - 1;
  EXPECT_EQ(registry->ExportHatchToDXF(&shortJob, folder.name("short.dxf").c_str()), 10);
  HatchJob none = job(fakeNode, {});
  none.vertices = nullptr;
  EXPECT_EQ(registry->ExportHatchToDXF(&none, folder.name("none.dxf").c_str()), 10);
  EXPECT_FALSE(folder.exists("short.dxf"));
  EXPECT_FALSE(folder.exists("none.dxf"));
  HatchJob missing = job(fakeNode, vertices);
  EXPECT_EQ(registry->ExportHatchToDXF(&missing, folder.name("no\\such\\x.dxf").c_str()), 2);
  registry->UnregisterHandler(fake);
  fake->Release();
}

// The exported file of the square loads in ezdxf with the same entities.
TEST_F(HatchDxfExportTest, ReadsBackInEzdxf) {
  const std::vector<HatchVertex> vertices = ring({0, 0, 0, 0});
  HatchJob j = job(pattern("*V\n90, 0,0, 0,1\n"), vertices);
  exported(&j);
  const std::string script =
      "import sys\n"
      "from ezdxf import recover\n"
      "doc, auditor = recover.readfile(sys.argv[1])\n"
      "print('errors', len(auditor.errors))\n"
      "for e in doc.modelspace():\n"
      "  if e.dxftype() == 'LINE':\n"
      "    print('LINE', e.dxf.layer, e.dxf.color, '%.5f %.5f %.5f %.5f' % (e.dxf.start.x,\n"
      "          e.dxf.start.y, e.dxf.end.x, e.dxf.end.y))\n"
      "  else:\n"
      "    print(e.dxftype(), e.dxf.layer, e.dxf.color, len(e.vertices), e.is_closed)\n";
  std::string out;
  ASSERT_NO_FATAL_FAILURE(graphics_test::readCommand(
      "/usr/bin/python3 -c \"" + script + "\" " + folder.native("out.dxf"), "python3-ezdxf is needed\n", &out));
  std::string expected = "errors 0\nPOLYLINE FIGURE 7 4 True\n";
  for (int x = 1; x <= 10; ++x) {
    char line[128];
    std::snprintf(line, sizeof line, "LINE HATCH 3 %d.00000 0.00000 %d.00000 10.00000\n", x, x);
    expected += line;
  }
  EXPECT_EQ(out, expected);
}

}  // namespace
