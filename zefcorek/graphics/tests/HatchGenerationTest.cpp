// Hatch generation by the handler: exact segments, fill rules, dashes and
// dots, the solid fill, the scale query, cancelling, the hit test, pattern
// measures, and a hatch drawn end to end through a display list.
#include "zefcorek/HatchHandlerImp.h"
#include "zefcorek/HatchRegistry.h"

#include "AcadHatchFixture.h"
#include "HatchJobs.h"
#include "NullDispListTarget.h"

#include "zefcorek/ClassIds.h"
#include "zefcorek/DisplayList.h"
#include "zefcorek/ZefCoreK.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

namespace {

struct Segment {
  uint32_t kind;
  double x1, y1, x2, y2;
  uint32_t flags;
  const HatchPatternInfo* info;
  bool stoppedEarly;
};

int32_t recordSegment(HatchSegmentRec* rec) {
  unsigned char first = 0;
  std::memcpy(&first, &rec->startX, 1);
  static_cast<std::vector<Segment>*>(rec->context)
      ->push_back({rec->kind, rec->startX, rec->startY, rec->endX, rec->endY, rec->flags, rec->info, (first & 1) != 0});
  return 0;
}

std::vector<HatchVertex> square(uint32_t ring, double x0, double y0, double x1, double y1, uint16_t flags = 0) {
  return {{ring, 0, flags, x0, y0}, {ring, 0, flags, x1, y0}, {ring, 0, flags, x1, y1}, {ring, 0, flags, x0, y1}};
}

class HatchGenerationTest : public graphics_test::AcadHatchFixture {
protected:
  void afterUnregister() override { EXPECT_EQ(handler->GetRefCount(), 1); }

  HatchJob job(HatchPatternNode node, const std::vector<HatchVertex>& vertices, uint32_t rule = 0, uint32_t rings = 1) {
    HatchJob j = graphics_test::hatchJob(node, vertices, rings, 100, &recordSegment, &segments);
    j.fillRule = rule;
    j.minSpacing = -0.001;  // the handler keeps the absolute value
    j.minDashPeriod = 0.001;
    return j;
  }

  // The kind-2 records only.
  std::vector<Segment> pieces() const {
    std::vector<Segment> out;
    for (const Segment& s : segments)
      if (s.kind == kHatchSegmentPiece) out.push_back(s);
    return out;
  }

  std::vector<Segment> segments;
};

TEST_F(HatchGenerationTest, ExactVerticalLines) {
  const std::vector<HatchVertex> ring = square(0, 0.25, 0, 10.25, 10);
  HatchJob j = job(pattern("*V\n90, 0,0, 0,1\n"), ring);
  ASSERT_EQ(handler->GenerateHatch(&j), 0);
  ASSERT_EQ(segments.size(), 12u);
  EXPECT_EQ(segments.front().kind, kHatchSegmentBegin);
  EXPECT_EQ(segments.back().kind, kHatchSegmentEnd);
  EXPECT_FALSE(segments.back().stoppedEarly);
  for (int x = 1; x <= 10; ++x) {
    const Segment& s = segments[x];
    EXPECT_EQ(s.kind, kHatchSegmentPiece);
    EXPECT_EQ(s.x1, x);
    EXPECT_EQ(s.y1, 0);
    EXPECT_EQ(s.x2, x);
    EXPECT_EQ(s.y2, 10);
    EXPECT_EQ(s.flags, 0u);
  }
  EXPECT_EQ(j.segmentCount, 10u);
  EXPECT_EQ(j.status, 0u);
  EXPECT_EQ(j.minSpacing, 0.001);
}

TEST_F(HatchGenerationTest, DashesAndDots) {
  const std::vector<HatchVertex> ring = square(0, 0.25, 0, 10.25, 10);
  HatchJob dashed = job(pattern("*D\n90, 0,0, 0,1, 0.5,-0.25\n"), ring);
  ASSERT_EQ(handler->GenerateHatch(&dashed), 0);
  std::vector<Segment> got = pieces();
  ASSERT_EQ(got.size(), 140u);
  for (int line = 0; line < 10; ++line) {
    for (int k = 0; k < 14; ++k) {
      const Segment& s = got[line * 14 + k];
      const double start = k < 13 ? 0.75 * k : 9.75;
      const double end = k < 13 ? start + 0.5 : 10;
      EXPECT_EQ(s.x1, line + 1);
      EXPECT_NEAR(s.y1, start, 1e-9) << line << "," << k;
      EXPECT_NEAR(s.y2, end, 1e-9) << line << "," << k;
      EXPECT_EQ(s.flags, 0u);
    }
  }
  // A 0 entry makes dots: start equals end, bit 0 set.
  segments.clear();
  HatchJob dotted = job(pattern("*DOT\n90, 0,0, 0,1, 0.5,-0.25,0,-0.25\n"), ring);
  ASSERT_EQ(handler->GenerateHatch(&dotted), 0);
  size_t dots = 0;
  for (const Segment& s : pieces()) {
    if ((s.flags & kHatchSegmentDot) == 0) continue;
    ++dots;
    EXPECT_EQ(s.x1, s.x2);
    EXPECT_EQ(s.y1, s.y2);
    EXPECT_NEAR(std::fmod(s.y1, 1.0), 0.75, 1e-9);
  }
  EXPECT_EQ(dots, 100u);
}

// Outer ring 0 from x 0.5 to 10.5 and y 0 to 10, inner ring 1 from x 3.5 to
// 6.5 and y 3 to 6, both counter-clockwise: scan lines x = 1..10, of which
// 4, 5 and 6 cross the inner ring.
TEST_F(HatchGenerationTest, FillRules) {
  HatchPatternNode node = pattern("*V\n90, 0,0, 0,1\n");
  using Spans = std::vector<std::pair<double, double>>;
  const struct {
    const char* what;
    uint32_t rule;
    uint16_t innerFlags;
    size_t count;
    Spans atFive;  // the spans of the scan line x = 5
  } rows[] = {
      {"even-odd", 0, 0, 13, {{0, 3}, {6, 10}}},
      {"non-zero winding, merged", 1, 0, 10, {{0, 10}}},
      {"inside exactly one ring", 2, 0, 13, {{0, 3}, {6, 10}}},
      {"inside all rings", 3, 0, 3, {{3, 6}}},
      {"inside more than one ring", 4, 0, 3, {{3, 6}}},
      {"inside at least one ring, merged", 5, 0, 10, {{0, 10}}},
      {"inside a ring and no hole", 6, kHatchVertexHole, 13, {{0, 3}, {6, 10}}},
      {"rule 6 without holes", 6, 0, 10, {{0, 10}}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.what);
    std::vector<HatchVertex> rings = square(0, 0.5, 0, 10.5, 10);
    for (const HatchVertex& v : square(1, 3.5, 3, 6.5, 6, row.innerFlags)) rings.push_back(v);
    segments.clear();
    HatchJob j = job(node, rings, row.rule, 2);
    ASSERT_EQ(handler->GenerateHatch(&j), 0);
    EXPECT_EQ(pieces().size(), row.count);
    Spans atFive;
    for (const Segment& s : pieces())
      if (s.x1 == 5) atFive.push_back({s.y1, s.y2});
    EXPECT_EQ(atFive, row.atFive);
  }
}

TEST_F(HatchGenerationTest, SolidFill) {
  const std::vector<HatchVertex> ring = square(0, 0.5, 0.5, 3.5, 2.5);
  HatchJob j = job(pattern("*solid,any case\n0, 0,0, 0,0.5\n"), ring);
  ASSERT_EQ(handler->GenerateHatch(&j), 0);
  ASSERT_EQ(segments.size(), 5u);
  EXPECT_EQ(segments[0].info, &hatchSolidPattern());
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(segments[1 + i].x1, 0.5 + i);
    EXPECT_EQ(segments[1 + i].y1, 0.5);
    EXPECT_EQ(segments[1 + i].y2, 2.5);
  }
  // A given scale that is too fine falls back to a solid fill too.
  segments.clear();
  HatchJob fine = job(pattern("*FINE\n0, 0,0, 0,0.001\n"), ring);
  fine.minSpacing = 0.5;
  ASSERT_EQ(handler->GenerateHatch(&fine), 0);
  EXPECT_EQ(fine.status, kHatchStatusSpacingTooFine);
  EXPECT_EQ(pieces().size(), 3u);
  EXPECT_EQ(segments[0].info, &hatchSolidPattern());
}

TEST_F(HatchGenerationTest, ScaleQueryAndCancel) {
  const std::vector<HatchVertex> ring = square(0, 0, 0, 10, 10);
  HatchJob query = job(pattern("*Q\n0, 0,0, 0,.125\n"), ring);
  query.scale = 0;
  query.minSpacing = 1;
  ASSERT_EQ(handler->GenerateHatch(&query), 0);
  EXPECT_NEAR(query.scale, 128, 1e-12);
  EXPECT_EQ(query.status, kHatchStatusSpacingTooFine);
  EXPECT_TRUE(segments.empty());
  // Spacing 0 with no minimum: skipped with bit 1, never stuck.
  HatchJob zero = job(pattern("*Z\n0, 0,0, 0,0\n45, 0,0, 0,1\n"), ring);
  zero.minSpacing = 0;
  ASSERT_EQ(handler->GenerateHatch(&zero), 0);
  EXPECT_EQ(zero.status, kHatchStatusSpacingTooFine);
  EXPECT_GT(zero.segmentCount, 0u);
  zero.scale = 0;
  zero.minSpacing = 1;
  ASSERT_EQ(handler->GenerateHatch(&zero), 0);
  EXPECT_NEAR(zero.scale, 10 * 0.05 * 32, 1e-12) << "ended by the other family";

  segments.clear();
  HatchJob cancelled = job(pattern("*C\n0, 0,0, 0,1\n"), ring);
  cancelled.progressFunc = [](int32_t, void*) -> int32_t { return 0; };
  EXPECT_EQ(handler->GenerateHatch(&cancelled), 1);
  EXPECT_EQ(cancelled.status & kHatchStatusCancelled, kHatchStatusCancelled);
  ASSERT_EQ(segments.size(), 2u);
  EXPECT_TRUE(segments.back().stoppedEarly);
  EXPECT_EQ(cancelled.segmentCount, 0u);

  // Refusals.
  HatchJob bad = job(pattern("*B\n0, 0,0, 0,1\n"), ring);
  bad.cbSize = kHatchJobSize - 1;
  EXPECT_EQ(handler->GenerateHatch(&bad), 10);
  bad = job(nullptr, ring);
  EXPECT_EQ(handler->GenerateHatch(&bad), 10);
  bad = job(pattern("*B2\n0, 0,0, 0,1\n"), {ring[0]});
  EXPECT_EQ(handler->GenerateHatch(&bad), 10);
}

// Ring numbers beyond the job's ring count stay within the counters.
TEST_F(HatchGenerationTest, RingNumbersBeyondTheRingCount) {
  const std::vector<HatchVertex> ring = square(5, 0.5, 0, 10.5, 10);
  HatchJob j = job(pattern("*V\n90, 0,0, 0,1\n"), ring, 5, 2);
  ASSERT_EQ(handler->GenerateHatch(&j), 0);
  EXPECT_EQ(j.segmentCount, 10u);
}

TEST_F(HatchGenerationTest, HitTest) {
  const std::vector<HatchVertex> ring = square(0, 0.25, 0, 10.25, 10);
  HatchJob solidLines = job(pattern("*V\n90, 0,0, 0,1\n"), ring);
  HatchJob dotted = job(pattern("*DOT\n90, 0,0, 0,1, 0.5,-0.25,0,-0.25\n"), ring);
  const struct {
    const char* what;
    HatchJob* j;
    double x, y;
    ZRESULT result;
  } rows[] = {
      {"outside the boundary's box", &solidLines, 20, 5, 1},
      {"on a segment", &solidLines, 3, 5, 0},
      {"between two lines", &solidLines, 3.5, 5, 1},
      {"on a dash", &dotted, 3, 0.25, 0},
      {"in a gap", &dotted, 3, 0.6, 1},
      {"on a dot", &dotted, 3, 1.75, 0},
      {"in the gap after the dot", &dotted, 3, 1.875, 1},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.what);
    const double point[2] = {row.x, row.y};
    EXPECT_EQ(handler->HitTestHatch(row.j, point, 0.001), row.result);
  }
  EXPECT_TRUE(segments.empty());
  EXPECT_EQ(handler->HitTestHatch(&solidLines, nullptr, 0.001), 10);
}

TEST_F(HatchGenerationTest, Measures) {
  const struct {
    const char* what;
    std::string text;
    double scale;
    double box[4];
    uint32_t estimate;
    double shortest, longest, meanDash, meanSpacing, piecesPerLine;
  } rows[] = {
      {"vertical lines", "*V\n90, 0,0, 0,1\n", 1, {0, 0, 1, 1}, 1, 0, 0, 0, 1, 1},
      // box (0,-2)-(1.5,0), diagonal 2.5, 1.25 lines of three entries
      {"dashed at scale 2", "*D\n0,0,0,0,1,.5,-.25,0\n", 2, {0, -2, 1.5, 0}, 3, 0.5, 1.0, 0.5, 2, 3.75},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.what);
    HatchMeasureRec m{};
    m.cbSize = kHatchMeasureRecSize;
    m.pattern = pattern(row.text);
    m.scale = row.scale;
    ASSERT_EQ(registry->QueryHatch(&m), 0);
    EXPECT_NEAR(m.boxMinX, row.box[0], 1e-12);
    EXPECT_NEAR(m.boxMinY, row.box[1], 1e-12);
    EXPECT_NEAR(m.boxMaxX, row.box[2], 1e-12);
    EXPECT_NEAR(m.boxMaxY, row.box[3], 1e-12);
    EXPECT_EQ(m.pieceEstimate, row.estimate);
    EXPECT_EQ(m.shortestDash, row.shortest);
    EXPECT_EQ(m.longestDash, row.longest);
    EXPECT_NEAR(m.meanDash, row.meanDash, 1e-12);
    EXPECT_NEAR(m.meanSpacing, row.meanSpacing, 1e-12);
    EXPECT_NEAR(m.piecesPerLine, row.piecesPerLine, 1e-12);
  }
}

// --- end to end ---------------------------------------------------------------------

class LineTarget : public graphics_test::NullDispListTarget {
public:
  ZRESULT DrawLine(int32_t x1, int32_t y1, int32_t x2, int32_t y2, const int32_t*) override {
    lines.push_back({x1, y1, x2, y2});
    return 0;
  }
  std::vector<std::vector<int32_t>> lines;
};

TEST_F(HatchGenerationTest, ThroughTheDisplayList) {
  HatchPatternNode node = pattern("*V\n90, 0,0, 0,1\n");
  auto* list = new IDisplayListImp(registry);
  ASSERT_EQ(list->BeginHatch(node, 0, 1.0, 0.0), 0);
  const int corners[4][2] = {{0, 0}, {10, 0}, {10, 10}, {0, 10}};
  for (const auto& c : corners) ASSERT_EQ(list->HatchVertex(0, 0, 0, c[0], c[1]), 0);
  ASSERT_EQ(list->EndHatch(), 0);
  auto* target = new LineTarget();
  TDispListExecuteParms p{};
  p.cbSize = kDispListExecuteParmsSize;
  p.clipX2 = p.clipY2 = 100;
  p.hatchScale = 1.0;
  p.target = target;
  ASSERT_EQ(list->Execute(&p), 0);
  std::vector<std::vector<int32_t>> expected;
  for (int x = 0; x < 10; ++x) expected.push_back({x, 0, x, 10});
  EXPECT_EQ(target->lines, expected);
  list->Release();
  target->Release();
}

}  // namespace
