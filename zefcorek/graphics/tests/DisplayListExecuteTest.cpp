// Display list execution onto a recording target, hatch execution through a
// real registry, the group queries and the text dump.
#include "zefcorek/DisplayList.h"

#include "FakeHatchHandler.h"

#include "../../runtime/tests/ScratchFolder.h"

#include "zefcorek/ClassIds.h"
#include "zefcorek/HatchRegistry.h"
#include "zefcorek/ZefCoreK.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace {

using Trace = std::vector<std::string>;

std::string call(const char* name, std::initializer_list<int64_t> values) {
  std::string out = std::string(name) + "(";
  bool first = true;
  for (int64_t v : values) {
    out += (first ? "" : ",") + std::to_string(v);
    first = false;
  }
  return out + ")";
}

// Records every call as text; answers are configurable.
class RecordingTarget : public IStdInterfaceImp, public virtual IDispListTarget {
public:
  ZRESULT IsAborted() override {
    ++aborts;
    if (logAborts) trace.push_back("IsAborted");
    return aborts == abortAt ? abortAnswer : 0;
  }
  ZRESULT BeginExecute() override {
    trace.push_back("BeginExecute");
    return beginAnswer;
  }
  ZRESULT EndExecute() override {
    trace.push_back("EndExecute");
    return 0;
  }
  ZRESULT BeginGroup(TDispListOpInfo* info, uint32_t flags, TDispListExecuteParms*) override {
    trace.push_back(call("BeginGroup", {info->refs.values[0], flags, info->minX, info->minY, info->maxX, info->maxY}));
    return groupAnswer;
  }
  ZRESULT EndGroup(TDispListOpInfo* info, TDispListExecuteParms*) override {
    trace.push_back(call("EndGroup", {info->refs.values[0]}));
    return 0;
  }
  ZRESULT TargetReserved5() override { return 0; }
  ZRESULT SetPenColor(uint32_t colour) override {
    trace.push_back(call("SetPenColor", {colour}));
    return 0;
  }
  ZRESULT TargetReserved7() override { return 0; }
  ZRESULT SetPenWidth(int32_t width) override {
    trace.push_back(call("SetPenWidth", {width}));
    return 0;
  }
  ZRESULT TargetReserved9() override { return 0; }
  ZRESULT SetPenStyle(uint32_t style) override {
    trace.push_back(call("SetPenStyle", {style}));
    return 0;
  }
  ZRESULT TargetReserved11() override { return 0; }
  ZRESULT TargetReserved12() override { return 0; }
  ZRESULT DrawPoint(int32_t x, int32_t y) override {
    trace.push_back(call("DrawPoint", {x, y}));
    return 0;
  }
  ZRESULT DrawLine(int32_t x1, int32_t y1, int32_t x2, int32_t y2, const int32_t* unclipped) override {
    std::string line = call("DrawLine", {x1, y1, x2, y2});
    if (unclipped != nullptr) line += call("", {unclipped[0], unclipped[1], unclipped[2], unclipped[3]});
    trace.push_back(line);
    return 0;
  }
  ZRESULT DrawText2P(int32_t x1, int32_t y1, int32_t x2, int32_t y2, const WCHAR*, const DLFontDef*) override {
    trace.push_back(call("DrawText2P", {x1, y1, x2, y2}));
    return 0;
  }
  ZRESULT TransformPoint(int32_t x, int32_t y, int32_t* outX, int32_t* outY) override {
    if (logTransforms) trace.push_back(call("TransformPoint", {x, y}));
    *outX = x * scale;
    *outY = y * scale;
    return 0;
  }

  Trace trace;
  bool logAborts = false;
  bool logTransforms = false;
  int aborts = 0;
  int abortAt = -1;
  ZRESULT abortAnswer = 0;
  ZRESULT beginAnswer = 0;
  ZRESULT groupAnswer = 0;
  int32_t scale = 1;
};

TDispListOpInfo groupInfo(uint32_t ref) {
  TDispListOpInfo info{};
  info.cbSize = kDispListOpInfoSize;
  info.refs.values[0] = ref;
  return info;
}

class DisplayListExecuteTest : public ::testing::Test {
protected:
  void TearDown() override {
    list->Release();
    target->Release();
  }
  TDispListExecuteParms parms(double x1 = 0, double y1 = 0, double x2 = 100, double y2 = 100) {
    TDispListExecuteParms p{};
    p.cbSize = kDispListExecuteParmsSize;
    p.clipX1 = x1;
    p.clipY1 = y1;
    p.clipX2 = x2;
    p.clipY2 = y2;
    p.hatchScale = 1.0;
    p.target = target;
    return p;
  }
  ZRESULT run(TDispListExecuteParms p) {
    target->trace.clear();
    return list->Execute(&p);
  }
  // 1 when the query without a rectangle lists the group, 0 when the last
  // execution marked it outside.
  uint8_t isListed(const TDispListOpInfo& info) {
    IRecList* groups = nullptr;
    const ZRESULT found = list->GetGroupRefsByClipRect(nullptr, &groups);
    uint8_t listed = 0;
    if (found == 0) {
      unsigned count = 0;
      groups->GetCount(&count);
      for (unsigned i = 0; i < count; ++i) {
        TDispListOpInfo listedInfo;
        groups->GetAt(i, &listedInfo);
        if (listedInfo.refs.values[0] == info.refs.values[0]) listed = 1;
      }
      groups->Release();
    }
    return listed;
  }

  IDisplayListImp* list = new IDisplayListImp(nullptr);
  RecordingTarget* target = new RecordingTarget();
};

TEST_F(DisplayListExecuteTest, ExactTrace) {
  ASSERT_EQ(list->PenColor(5), 0);
  ASSERT_EQ(list->MoveTo(10, 0), 0);
  ASSERT_EQ(list->MoveTo(10, 10), 0);
  target->logAborts = true;
  target->logTransforms = true;
  EXPECT_EQ(run(parms()), 0);
  EXPECT_EQ(target->trace, (Trace{"BeginExecute", "IsAborted", "IsAborted", "TransformPoint(10,0)", "SetPenColor(5)",
                                  "SetPenWidth(0)", "SetPenStyle(0)", "DrawLine(0,0,10,0)(0,0,10,0)", "IsAborted",
                                  "TransformPoint(10,10)", "DrawLine(10,0,10,10)(10,0,10,10)", "EndExecute"}));
}

TEST_F(DisplayListExecuteTest, ExecutionCases) {
  const struct {
    const char* what;
    std::function<void(IDisplayList*)> record;
    std::function<void(TDispListExecuteParms&, RecordingTarget&)> setUp;
    ZRESULT result;
    Trace trace;
  } rows[] = {
      {"a down move onto the same transformed point draws a point",
       [](IDisplayList* l) { l->MoveTo(1, 0); },
       [](TDispListExecuteParms&, RecordingTarget& t) { t.scale = 0; },
       0,
       {"BeginExecute", "SetPenColor(0)", "SetPenWidth(0)", "SetPenStyle(0)", "DrawPoint(0,0)", "EndExecute"}},
      {"a line is clipped; the unclipped ends come along",
       [](IDisplayList* l) { l->MoveTo(200, 0); },
       [](TDispListExecuteParms& p, RecordingTarget&) { p.offset2X = 1; },
       0,
       {"BeginExecute", "SetPenColor(0)", "SetPenWidth(0)", "SetPenStyle(0)", "DrawLine(1,0,101,0)(1,0,201,0)",
        "EndExecute"}},
      {"negative offsets truncate toward zero",
       [](IDisplayList* l) { l->MoveTo(10, 10); },
       [](TDispListExecuteParms& p, RecordingTarget&) {
         p.offsetX = -0.5;
         p.offsetY = 2.9;
         p.offset2X = -1.7;
       },
       0,
       {"BeginExecute", "SetPenColor(0)", "SetPenWidth(0)", "SetPenStyle(0)", "DrawLine(-1,0,7,12)(-1,0,7,12)",
        "EndExecute"}},
      {"a colour change followed by nothing visible never reaches the target",
       [](IDisplayList* l) {
         l->PenColor(4);
         l->PenUp();
         l->MoveTo(5, 5);
       },
       nullptr,
       0,
       {"BeginExecute", "EndExecute"}},
      {"a target refusing to begin",
       [](IDisplayList* l) { l->MoveTo(5, 5); },
       [](TDispListExecuteParms&, RecordingTarget& t) { t.beginAnswer = 3; },
       0,
       {"BeginExecute"}},
      {"a target asking to stop",
       [](IDisplayList* l) { l->MoveTo(5, 5); },
       [](TDispListExecuteParms&, RecordingTarget& t) {
         t.abortAt = 1;
         t.abortAnswer = 7;
       },
       7,
       {"BeginExecute", "EndExecute"}},
      {"an empty list", [](IDisplayList*) {}, nullptr, 0, {}},
      {"texts are not clipped",
       [](IDisplayList* l) {
         DLFontDef font{};
         l->Text2P(500, 500, u"far", &font);
       },
       nullptr,
       0,
       {"BeginExecute", "SetPenColor(0)", "SetPenWidth(0)", "SetPenStyle(0)", "DrawText2P(0,0,500,500)", "EndExecute"}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.what);
    list->Clear();
    row.record(list);
    target->Release();
    target = new RecordingTarget();
    TDispListExecuteParms p = parms();
    if (row.setUp) row.setUp(p, *target);
    EXPECT_EQ(run(p), row.result);
    EXPECT_EQ(target->trace, row.trace);
  }
}

TEST_F(DisplayListExecuteTest, Groups) {
  TDispListOpInfo touching = groupInfo(1);
  TDispListOpInfo outside = groupInfo(2);
  TDispListOpInfo empty = groupInfo(3);
  TDispListOpInfo selected = groupInfo(4);
  TDispListOpInfo nested = groupInfo(5);
  ASSERT_EQ(list->BeginGroup(&touching, 0), 0);
  list->PenUp();
  ASSERT_EQ(list->MoveTo(-10, 50), 0);
  ASSERT_EQ(list->MoveTo(0, 60), 0);  // box touches the clip's left edge
  ASSERT_EQ(list->EndGroup(&touching), 0);
  ASSERT_EQ(list->BeginGroup(&outside, 0), 0);
  ASSERT_EQ(list->MoveTo(200, 200), 0);
  ASSERT_EQ(list->EndGroup(&outside), 0);
  ASSERT_EQ(list->BeginGroup(&empty, 0), 0);
  ASSERT_EQ(list->EndGroup(&empty), 0);
  ASSERT_EQ(list->PenColor(9), 0);
  list->PenDown();
  ASSERT_EQ(list->MoveTo(7, 7), 0);
  ASSERT_EQ(list->BeginGroup(&selected, 1), 0);
  ASSERT_EQ(list->BeginGroup(&nested, 0), 0);
  ASSERT_EQ(list->MoveTo(30, 30), 0);
  ASSERT_EQ(list->EndGroup(&nested), 0);
  ASSERT_EQ(list->EndGroup(&selected), 0);

  TDispListExecuteParms p = parms();
  p.offset2Y = 2;
  ASSERT_EQ(run(p), 0);
  EXPECT_EQ(target->trace,
            (Trace{"BeginExecute", "BeginGroup(1,0,-10,52,0,62)", "EndGroup(1)",
                   // After the skipped groups the pen starts over: all three
                   // attributes are pending, the move starts at the first offset.
                   "SetPenColor(9)", "SetPenWidth(0)", "SetPenStyle(0)", "DrawLine(0,2,7,9)(0,2,7,9)",
                   "BeginGroup(4,1,30,32,30,32)", "BeginGroup(5,0,30,32,30,32)", "SetPenColor(0)", "SetPenWidth(0)",
                   "SetPenStyle(0)", "DrawLine(0,2,30,32)(0,2,30,32)", "EndGroup(5)", "EndGroup(4)", "EndExecute"}));
  // Outside and empty groups are marked: the query without a rectangle
  // leaves them out.
  EXPECT_EQ(isListed(touching), 1);
  EXPECT_EQ(isListed(outside), 0);
  EXPECT_EQ(isListed(empty), 0);

  // Selected only: the unselected group and its nested ones are skipped and
  // keep their marks.
  p.flags = kExecuteSelectedOnly;
  ASSERT_EQ(run(p), 0);
  EXPECT_EQ(std::count_if(target->trace.begin(), target->trace.end(),
                          [](const std::string& s) { return s.rfind("BeginGroup", 0) == 0; }),
            1);
  EXPECT_EQ(isListed(outside), 0) << "filtered: mark kept";
  // A group the target refuses is skipped, unmarked.
  target->groupAnswer = 1;
  ASSERT_EQ(run(parms()), 0);
  EXPECT_EQ(isListed(touching), 1);

  // Wrong parameters: 10, nothing copied or executed.
  TDispListExecuteParms bad = parms();
  bad.cbSize = 88;
  EXPECT_EQ(run(bad), 10);
  bad = parms();
  bad.target = nullptr;
  EXPECT_EQ(list->Execute(&bad), 10);
  EXPECT_TRUE(target->trace.empty());
}

TEST_F(DisplayListExecuteTest, NeverEndedGroupIsSkippedToTheEnd) {
  TDispListOpInfo open = groupInfo(1);
  ASSERT_EQ(list->BeginGroup(&open, 0), 0);
  ASSERT_EQ(list->MoveTo(500, 500), 0);
  ASSERT_EQ(run(parms()), 0);
  EXPECT_EQ(target->trace, (Trace{"BeginExecute", "EndExecute"}));
  tagT_IRECT2D rect{0, 0, 10, 10};
  IRecList* groups = reinterpret_cast<IRecList*>(1);
  EXPECT_EQ(list->GetGroupRefsByClipRect(&rect, &groups), 1);
  EXPECT_EQ(groups, nullptr);
}

// --- hatches ---------------------------------------------------------------------

// A handler whose GenerateHatch emits scripted segments and records the job.
class EmittingHandler : public graphics_test::FakeHatchHandler {
public:
  EmittingHandler() : FakeHatchHandler(GUID{}) {}
  ZRESULT GenerateHatch(HatchJob* job) override {
    seen = *job;
    jobs++;
    for (uint32_t i = 0; i < job->vertexCount; ++i) {
      HatchVertex v{};
      job->vertexFunc(i, &v, job->vertexContext);
      vertices.push_back(v);
    }
    HatchSegmentRec segment{};
    segment.cbSize = kHatchSegmentRecSize;
    segment.context = job->segmentContext;
    segment.kind = kHatchSegmentBegin;
    job->segmentFunc(&segment);
    for (int i = 0; i < lines; ++i) {
      segment.kind = kHatchSegmentPiece;
      segment.startX = 1.5 + i % 50;
      segment.startY = 1;
      segment.endX = dots ? segment.startX : 1.5 + i % 50;
      segment.endY = dots ? 1 : 300;
      segment.flags = dots ? kHatchSegmentDot : 0;
      job->segmentFunc(&segment);
    }
    segment.kind = kHatchSegmentEnd;
    job->segmentFunc(&segment);
    return 0;
  }
  HatchJob seen{};
  int jobs = 0;
  int lines = 1;
  bool dots = false;
  std::vector<HatchVertex> vertices;
};

TEST(DisplayListHatches, RunThroughTheRegistry) {
  void* made = nullptr;
  ASSERT_EQ(zefCoreKAllocIntf(&CLSID_IHatchRegistryImp, &made, 0), S_OK);
  auto* registry = static_cast<IHatchRegistry*>(made);
  auto* handler = new EmittingHandler();
  ASSERT_EQ(registry->RegisterHandler(handler), 0);
  HatchPatternInfo* info = nullptr;
  ASSERT_EQ(registry->AllocPatternInfo(0, &info), 0);
  HatchPatternNode node = nullptr;
  ASSERT_EQ(registry->AddPattern(handler, info, &node), 0);

  auto* list = new IDisplayListImp(registry);
  auto* target = new RecordingTarget();
  auto record = [&](int vertices) {
    list->Clear();
    list->BeginHatch(node, 5, 2.0, 0.25);
    for (int i = 0; i < vertices; ++i) list->HatchVertex(i == 2 ? 3 : 0, 1, 1, 10 * i, 20);
    list->EndHatch();
  };
  TDispListExecuteParms p{};
  p.cbSize = kDispListExecuteParmsSize;
  p.clipX2 = p.clipY2 = 100;
  p.hatchScale = 1.5;
  p.target = target;

  record(1);
  ASSERT_EQ(list->Execute(&p), 0);
  EXPECT_EQ(handler->jobs, 0) << "one vertex makes no hatch";
  record(3);
  list->SetOption(0, 0);
  ASSERT_EQ(list->Execute(&p), 0);
  EXPECT_EQ(handler->jobs, 0) << "hatches switched off";
  list->SetOption(0, 1);
  target->trace.clear();
  ASSERT_EQ(list->Execute(&p), 0);
  ASSERT_EQ(handler->jobs, 1);
  const HatchJob& job = handler->seen;
  EXPECT_EQ(job.cbSize, kHatchJobSize);
  EXPECT_EQ(job.pattern, node);
  EXPECT_EQ(job.ringCount, 4u) << "highest loop + 1";
  EXPECT_EQ(job.vertexCount, 3u);
  EXPECT_EQ(job.vertices, nullptr);
  EXPECT_EQ(job.fillRule, 5u);
  EXPECT_EQ(job.scale, 3.0);
  EXPECT_EQ(job.angle, -0.25);
  EXPECT_EQ(job.baseX, 0.0);
  EXPECT_EQ(job.clipX2, 100.0);
  EXPECT_EQ(job.progressFunc, nullptr);
  EXPECT_EQ(job.minSpacing, 1.0);
  EXPECT_EQ(job.minDashPeriod, 1.0);
  ASSERT_EQ(handler->vertices.size(), 3u);
  EXPECT_EQ(handler->vertices[1].x, 10.0);
  EXPECT_EQ(handler->vertices[1].kind, 1);
  EXPECT_EQ(handler->vertices[2].ring, 3u);
  // The one segment is clipped to the clip rectangle.
  EXPECT_EQ(target->trace, (Trace{"BeginExecute", "SetPenColor(0)", "SetPenWidth(0)", "SetPenStyle(0)",
                                  "DrawLine(1,1,1,100)", "EndExecute"}));

  // Every callback counts (begin and end records too): the target is asked
  // at the 201st and the 402nd, not at the 200th. The five records
  // (BeginHatch, three vertices, EndHatch) are asked about first.
  const struct {
    int lines;
    int asked;
  } abortRows[] = {{400, 2}, {198, 0}, {199, 1}};
  for (const auto& row : abortRows) {
    handler->lines = row.lines;
    target->aborts = 0;
    ASSERT_EQ(list->Execute(&p), 0);
    EXPECT_EQ(target->aborts, 5 + row.asked) << row.lines;
  }
  // Dots become points.
  handler->lines = 1;
  handler->dots = true;
  target->trace.clear();
  ASSERT_EQ(list->Execute(&p), 0);
  EXPECT_EQ(target->trace[4], "DrawPoint(1,1)");

  // A list made without a registry skips hatches.
  auto* lone = new IDisplayListImp(nullptr);
  lone->BeginHatch(node, 5, 2.0, 0.25);
  lone->HatchVertex(0, 0, 0, 0, 0);
  lone->HatchVertex(0, 0, 0, 5, 5);
  lone->EndHatch();
  handler->jobs = 0;
  ASSERT_EQ(lone->Execute(&p), 0);
  EXPECT_EQ(handler->jobs, 0);
  lone->Release();

  list->Release();
  target->Release();
  registry->UnregisterAllHandlers();
  handler->Release();
  registry->Release();
}

// --- group queries and dump ------------------------------------------------------------

TEST_F(DisplayListExecuteTest, GroupQueries) {
  TDispListOpInfo a = groupInfo(1), inner = groupInfo(2), b = groupInfo(3);
  ASSERT_EQ(list->BeginGroup(&a, 0), 0);
  ASSERT_EQ(list->MoveTo(0, 1), 0);
  ASSERT_EQ(list->MoveTo(10, 10), 0);
  ASSERT_EQ(list->BeginGroup(&inner, 0), 0);
  ASSERT_EQ(list->MoveTo(9, 9), 0);
  ASSERT_EQ(list->EndGroup(&inner), 0);
  ASSERT_EQ(list->EndGroup(&a), 0);
  ASSERT_EQ(list->BeginGroup(&b, 0), 0);
  ASSERT_EQ(list->MoveTo(50, 50), 0);
  ASSERT_EQ(list->MoveTo(60, 60), 0);
  ASSERT_EQ(list->EndGroup(&b), 0);

  auto refs = [&](tagT_IRECT2D* rect, tagT_IPOINT2D* point, int tolerance, ZRESULT* result) {
    IRecList* out = nullptr;
    *result = list->GetGroupRefsByClipRectAndPt(rect, point, tolerance, &out);
    std::vector<uint32_t> found;
    if (out == nullptr) return found;
    unsigned count = 0;
    out->GetCount(&count);
    for (unsigned i = 0; i < count; ++i) {
      TDispListOpInfo info;
      out->GetAt(i, &info);
      found.push_back(info.refs.values[0]);
    }
    out->Release();
    return found;
  };
  tagT_IRECT2D edge{60, 60, 70, 70};
  tagT_IRECT2D all{0, 0, 100, 100};
  tagT_IPOINT2D nearA{0, 4};
  tagT_IPOINT2D nearInner{9, 9};
  tagT_IPOINT2D beside{13, 13};
  const struct {
    const char* what;
    tagT_IRECT2D* rect;
    tagT_IPOINT2D* point;
    int tolerance;
    ZRESULT result;
    std::vector<uint32_t> refs;
  } rows[] = {
      {"never executed: all inside", nullptr, nullptr, 0, 0, {1, 2, 3}},
      {"edge-touching box", &edge, nullptr, 0, 0, {3}},
      {"a point rejects the inner group but not the outer", &all, &nearA, 0, 0, {1}},
      {"nested groups follow their outer one", &all, &nearInner, 0, 0, {1, 2}},
      {"tolerance -3 acts as 3", &all, &beside, -3, 0, {1}},
      {"none", &all, &beside, 2, 1, {}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.what);
    ZRESULT result = -1;
    EXPECT_EQ(refs(row.rect, row.point, row.tolerance, &result), row.refs);
    EXPECT_EQ(result, row.result);
  }
  EXPECT_EQ(list->GetGroupRefsByClipRectAndPt(&all, &nearA, 0, nullptr), 10);
  EXPECT_EQ(list->GetGroupRefsByClipRect(&all, nullptr), 10);
}

TEST_F(DisplayListExecuteTest, Dump) {
  zefcorek::testing::ScratchFolder folder;
  const std::u16string path = folder.name("dump.txt");
  ASSERT_EQ(list->DumpToFile(path.c_str()), 0);
  EXPECT_EQ(folder.read("dump.txt"), "DISPLAY LIST IS EMPTY!\r\n");

  TDispListOpInfo one = groupInfo(1), two = groupInfo(2);
  ASSERT_EQ(list->BeginGroup(&one, 0), 0);
  ASSERT_EQ(list->BeginGroup(&two, 0), 0);
  ASSERT_EQ(list->MoveTo(5, 5), 0);
  ASSERT_EQ(list->EndGroup(&two), 0);
  ASSERT_EQ(list->EndGroup(&one), 0);
  ASSERT_EQ(list->DumpToFile(path.c_str()), 0);
  EXPECT_EQ(folder.read("dump.txt"),
            "BEGINGROUP 00000001 [HASSUBGROUPS]\r\n   BEGINGROUP 00000002\r\n      MOVETO 5,5 "
            "[PENDOWN]\r\n   ENDGROUP 00000002\r\nENDGROUP 00000001\r\n");

  // A group deleted after a record keeps its block: one NOP per record.
  list->Clear();
  ASSERT_EQ(list->PenColor(3), 0);
  ASSERT_EQ(list->BeginGroup(&one, 0), 0);
  ASSERT_EQ(list->BeginGroup(&two, 0), 0);
  ASSERT_EQ(list->MoveTo(5, 5), 0);
  ASSERT_EQ(list->EndGroup(&two), 0);
  ASSERT_EQ(list->EndGroup(&one), 0);
  ASSERT_EQ(list->DeleteGroup(&one), 0);
  ASSERT_EQ(list->PenColor(-1), 0);
  ASSERT_EQ(list->BeginHatch(reinterpret_cast<HatchID_Dummy*>(0xABCDEF12), 3, 1, 0), 0);
  ASSERT_EQ(list->HatchVertex(2, 0, 0, -4, 7), 0);
  ASSERT_EQ(list->EndHatch(), 0);
  DLFontDef font{};
  ASSERT_EQ(list->Text2P(8, 9, u"t", &font), 0);
  list->PenUp();
  ASSERT_EQ(list->MoveTo(1, 2), 0);
  ASSERT_EQ(list->DumpToFile(path.c_str()), 0);
  const std::string text = folder.read("dump.txt");
  EXPECT_THAT(text, ::testing::MatchesRegex("PENCOLOR 3\r\n(NOP\r\n){5}PENCOLOR -1\r\nBEGINHATCH [0-9A-F]{8,16},3\r\n"
                                            "HATCHVTX 2,\\(-4,7\\)\r\nENDHATCH\r\nTEXT2P 8,9\r\nMOVETO 1,2 "
                                            "\\[PENUP\\]\r\n"));
  list->Clear();
  ASSERT_EQ(list->DumpToFile(path.c_str()), 0);
  EXPECT_EQ(folder.read("dump.txt"), "DISPLAY LIST IS EMPTY!\r\n");
  EXPECT_EQ(list->DumpToFile(nullptr), 10);
}

}  // namespace
