// Hatch generation against GEOS: on random polygons with a hole, the total
// length that even-odd hatching draws per family equals the length of the
// same scan lines intersected with the polygon by GEOS.
#include "zefcorek/HatchHandlerImp.h"
#include "zefcorek/HatchRegistry.h"

#include "zefcorek/ClassIds.h"
#include "zefcorek/ZefCoreK.h"

#include "HatchJobs.h"

#include <geos_c.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>
#include <vector>

namespace {

// A star-shaped ring around (cx, cy): sorted angles, random radii.
std::vector<HatchVertex> starRing(std::mt19937& random, uint32_t ring, double cx, double cy, double rMin, double rMax,
                                  int count) {
  std::uniform_real_distribution<double> radius(rMin, rMax);
  std::vector<HatchVertex> out;
  for (int i = 0; i < count; ++i) {
    const double a = 2 * M_PI * (i + 0.5 * std::uniform_real_distribution<double>(0, 1)(random)) / count;
    const double r = radius(random);
    out.push_back({ring, 0, 0, cx + r * std::cos(a), cy + r * std::sin(a)});
  }
  return out;
}

GEOSGeometry* geosRing(GEOSContextHandle_t geos, const std::vector<HatchVertex>& ring) {
  GEOSCoordSequence* seq = GEOSCoordSeq_create_r(geos, static_cast<unsigned>(ring.size() + 1), 2);
  for (size_t i = 0; i <= ring.size(); ++i) {
    const HatchVertex& v = ring[i % ring.size()];
    GEOSCoordSeq_setXY_r(geos, seq, static_cast<unsigned>(i), v.x, v.y);
  }
  return GEOSGeom_createLinearRing_r(geos, seq);
}

struct Length {
  double total = 0;
};

int32_t addLength(HatchSegmentRec* rec) {
  if (rec->kind == kHatchSegmentPiece)
    static_cast<Length*>(rec->context)->total += std::hypot(rec->endX - rec->startX, rec->endY - rec->startY);
  return 0;
}

TEST(HatchGeos, EvenOddLengthsMatch) {
  void* made = nullptr;
  ASSERT_EQ(zefCoreKAllocIntf(&CLSID_IHatchRegistryImp, &made, 0), S_OK);
  auto* registry = static_cast<IHatchRegistry*>(made);
  auto* handler = new IHatchHandlerACADCompImp();
  ASSERT_EQ(registry->RegisterHandler(handler), 0);
  GEOSContextHandle_t geos = GEOS_init_r();

  std::mt19937 random(2024);
  int compared = 0;
  for (int polygon = 0; polygon < 4; ++polygon) {
    std::vector<HatchVertex> outer = starRing(random, 0, 50, 40, 20, 35, 40);
    std::vector<HatchVertex> hole = starRing(random, 1, 52, 41, 4, 12, 12);
    std::vector<HatchVertex> vertices = outer;
    vertices.insert(vertices.end(), hole.begin(), hole.end());
    GEOSGeometry* holes[] = {geosRing(geos, hole)};
    GEOSGeometry* shape = GEOSGeom_createPolygon_r(geos, geosRing(geos, outer), holes, 1);
    ASSERT_EQ(GEOSisValid_r(geos, shape), 1);

    for (double degrees : {0.0, 30.0, 90.0, 137.5}) {
      SCOPED_TRACE(degrees);
      const double spacing = 0.7;
      HatchPatternInfo* info = nullptr;
      ASSERT_EQ(registry->AllocPatternInfo(static_cast<uint32_t>(hatchPatternExtraFor(1)), &info), 0);
      info->capacity = 1;
      info->lineCount = 1;
      HatchPatternLine line{};
      line.angle = degrees * M_PI / 180;
      line.spacing = spacing;
      std::memcpy(&info->lines[0], &line, sizeof(line));
      HatchPatternNode node = nullptr;
      ASSERT_EQ(registry->AddPattern(handler, info, &node), 0);

      Length ours;
      HatchJob job = graphics_test::hatchJob(node, vertices, 2, 1e6, &addLength, &ours);
      ASSERT_EQ(handler->GenerateHatch(&job), 0);

      // The same scan lines: x = k * spacing in the frame turned by
      // rho = pi/2 - angle about the origin, each a long line brought back.
      const double rho = M_PI / 2 - line.angle;
      const double c = std::cos(rho), s = std::sin(rho);
      double theirs = 0;
      for (int k = -200; k <= 200; ++k) {
        const double x = k * spacing;
        const double y0 = -500, y1 = 500;
        GEOSCoordSequence* seq = GEOSCoordSeq_create_r(geos, 2, 2);
        GEOSCoordSeq_setXY_r(geos, seq, 0, y0 * s + x * c, y0 * c - x * s);
        GEOSCoordSeq_setXY_r(geos, seq, 1, y1 * s + x * c, y1 * c - x * s);
        GEOSGeometry* scan = GEOSGeom_createLineString_r(geos, seq);
        GEOSGeometry* inside = GEOSIntersection_r(geos, shape, scan);
        double length = 0;
        GEOSLength_r(geos, inside, &length);
        theirs += length;
        GEOSGeom_destroy_r(geos, inside);
        GEOSGeom_destroy_r(geos, scan);
      }
      ASSERT_GT(theirs, 0);
      EXPECT_NEAR(ours.total, theirs, 1e-9 * theirs);
      ++compared;
      registry->RemovePatternNode(node);
    }
    GEOSGeom_destroy_r(geos, shape);
  }
  EXPECT_EQ(compared, 16);
  GEOS_finish_r(geos);
  registry->UnregisterAllHandlers();
  handler->Release();
  registry->Release();
}

}  // namespace
