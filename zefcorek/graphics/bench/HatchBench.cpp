// Hatch generation beside GEOS: a 1000-vertex polygon with a 100-vertex
// hole, one continuous family (angle 0) and one dashed family (45 degrees),
// against GEOS intersecting the same scan lines (as whole lines) with the
// polygon. GEOS does not cut dashes; the handler does.
#include "zefcorek/HatchHandlerImp.h"
#include "zefcorek/HatchRegistry.h"

#include "zefcorek/ClassIds.h"
#include "zefcorek/ZefCoreK.h"

#include "../tests/HatchJobs.h"

#include <benchmark/benchmark.h>
#include <geos_c.h>

#include <cmath>
#include <cstring>
#include <random>
#include <vector>

namespace {

constexpr double kContinuousSpacing = 0.1;
constexpr double kDashedSpacing = 10;

std::vector<HatchVertex> starRing(std::mt19937& random, uint32_t ring, double r0, double r1, int count) {
  std::uniform_real_distribution<double> radius(r0, r1);
  std::vector<HatchVertex> out;
  for (int i = 0; i < count; ++i) {
    const double a = 2 * M_PI * i / count;
    const double r = radius(random);
    out.push_back({ring, 0, 0, r * std::cos(a), r * std::sin(a)});
  }
  return out;
}

const std::vector<HatchVertex>& polygon() {
  static const std::vector<HatchVertex> vertices = [] {
    std::mt19937 random(11);
    std::vector<HatchVertex> out = starRing(random, 0, 400, 500, 1000);
    const std::vector<HatchVertex> hole = starRing(random, 1, 50, 100, 100);
    out.insert(out.end(), hole.begin(), hole.end());
    return out;
  }();
  return vertices;
}

int32_t countSegment(HatchSegmentRec* rec) {
  if (rec->kind == kHatchSegmentPiece) ++*static_cast<int64_t*>(rec->context);
  return 0;
}

void BM_GenerateHatch(benchmark::State& state) {
  void* made = nullptr;
  zefCoreKAllocIntf(&CLSID_IHatchRegistryImp, &made, 0);
  auto* registry = static_cast<IHatchRegistry*>(made);
  auto* handler = new IHatchHandlerACADCompImp();
  registry->RegisterHandler(handler);
  HatchPatternInfo* info = nullptr;
  registry->AllocPatternInfo(static_cast<uint32_t>(hatchPatternExtraFor(2)), &info);
  info->capacity = 2;
  info->lineCount = 2;
  HatchPatternLine lines[2] = {};
  lines[0].spacing = kContinuousSpacing;
  lines[1].angle = M_PI / 4;
  lines[1].spacing = kDashedSpacing;
  lines[1].dashCount = 2;
  lines[1].dashes[0] = {0.5, 0, 0.5 / 0.75};
  lines[1].dashes[1] = {-0.25, 0.5 / 0.75, 1};
  lines[1].dashTotal = 0.75;
  std::memcpy(info->lines, lines, sizeof(lines));
  HatchPatternNode node = nullptr;
  registry->AddPattern(handler, info, &node);

  const std::vector<HatchVertex>& vertices = polygon();
  int64_t segments = 0;
  for (auto _ : state) {
    segments = 0;
    HatchJob job = graphics_test::hatchJob(node, vertices, 2, 1e6, &countSegment, &segments);
    benchmark::DoNotOptimize(handler->GenerateHatch(&job));
  }
  state.counters["segments"] = static_cast<double>(segments);
  state.SetItemsProcessed(state.iterations() * segments);
  registry->UnregisterAllHandlers();
  handler->Release();
  registry->Release();
}
BENCHMARK(BM_GenerateHatch)->Unit(benchmark::kMillisecond);

GEOSGeometry* ringOf(GEOSContextHandle_t geos, const std::vector<HatchVertex>& v, size_t first, size_t count) {
  GEOSCoordSequence* seq = GEOSCoordSeq_create_r(geos, static_cast<unsigned>(count + 1), 2);
  for (size_t i = 0; i <= count; ++i) {
    const HatchVertex& p = v[first + i % count];
    GEOSCoordSeq_setXY_r(geos, seq, static_cast<unsigned>(i), p.x, p.y);
  }
  return GEOSGeom_createLinearRing_r(geos, seq);
}

// The scan lines of one family: x = k * spacing in the frame turned by
// pi/2 - angle, as long lines in the polygon's frame.
void intersectFamily(GEOSContextHandle_t geos, const GEOSPreparedGeometry* prepared, const GEOSGeometry* shape,
                     double angle, double spacing, int64_t* pieces) {
  const double rho = M_PI / 2 - angle;
  const double c = std::cos(rho), s = std::sin(rho);
  for (double x = -500; x <= 500; x += spacing) {
    GEOSCoordSequence* seq = GEOSCoordSeq_create_r(geos, 2, 2);
    GEOSCoordSeq_setXY_r(geos, seq, 0, -600 * s + x * c, -600 * c - x * s);
    GEOSCoordSeq_setXY_r(geos, seq, 1, 600 * s + x * c, 600 * c - x * s);
    GEOSGeometry* scan = GEOSGeom_createLineString_r(geos, seq);
    if (GEOSPreparedIntersects_r(geos, prepared, scan) == 1) {
      GEOSGeometry* inside = GEOSIntersection_r(geos, shape, scan);
      *pieces += GEOSGetNumGeometries_r(geos, inside);
      GEOSGeom_destroy_r(geos, inside);
    }
    GEOSGeom_destroy_r(geos, scan);
  }
}

void BM_GeosScanLines(benchmark::State& state) {
  GEOSContextHandle_t geos = GEOS_init_r();
  const std::vector<HatchVertex>& v = polygon();
  GEOSGeometry* holes[] = {ringOf(geos, v, 1000, 100)};
  GEOSGeometry* shape = GEOSGeom_createPolygon_r(geos, ringOf(geos, v, 0, 1000), holes, 1);
  const GEOSPreparedGeometry* prepared = GEOSPrepare_r(geos, shape);
  int64_t pieces = 0;
  for (auto _ : state) {
    pieces = 0;
    intersectFamily(geos, prepared, shape, 0, kContinuousSpacing, &pieces);
    intersectFamily(geos, prepared, shape, M_PI / 4, kDashedSpacing, &pieces);
    benchmark::DoNotOptimize(pieces);
  }
  state.counters["pieces"] = static_cast<double>(pieces);
  GEOSPreparedGeom_destroy_r(geos, prepared);
  GEOSGeom_destroy_r(geos, shape);
  GEOS_finish_r(geos);
}
BENCHMARK(BM_GeosScanLines)->Unit(benchmark::kMillisecond);

}  // namespace
