// Offsets of the fixture rings by TPolyOffset::Execute and by Clipper's
// ClipperOffset with mitre joins (a large mitre limit, so that neither
// bevels) on the same rings. The counters give each side's total area, so
// the two outlines can be compared per fixture.
#include "PolyFixtures.h"

#include "zefcorek/PolyOffset.h"

#include "zefcorek/PtrArray.h"

#include <benchmark/benchmark.h>
#include <polyclipping/clipper.hpp>

#include <cmath>
#include <vector>

namespace {

constexpr double kOffset = 1.0;
constexpr double kClipperScale = 1e6;  // Clipper works on integers

enum Kind { kConvex, kConcave, kComb, kSpiral };

std::vector<geobench::Pt> fixture(int kind, int n) {
  switch (kind) {
    case kConvex: return geobench::convexRing(n);
    case kConcave: return geobench::concaveRing(n, 151);
    case kComb: return geobench::combRing(n / 4);
    default: return geobench::spiralRing(n);
  }
}

double offsetArea(TPolyOffset& o) {
  double area = 0;
  for (unsigned r = 0; r < o.GetNewPolyCount(); ++r) area += static_cast<OffsetResultPoly*>(o.subPolys->GetAt(r))->area;
  return area;
}

// Args: fixture kind, vertex count, mode (0 inward, 1 outward).
void BM_TPolyOffset(benchmark::State& state) {
  const auto ring = fixture(int(state.range(0)), int(state.range(1)));
  const unsigned mode = unsigned(state.range(2));
  double area = 0;
  unsigned results = 0;
  for (auto _ : state) {
    TPolyOffset o;
    o.InitBasePoly(unsigned(ring.size()), 1);
    for (unsigned i = 0; i < ring.size(); ++i) {
      const tagT_POINT3D p{ring[i].x, ring[i].y, 0};
      o.SetBasePolyPt(i, &p);
      o.SetBasePolyOfs(i, kOffset);
    }
    o.SetMode(mode);
    if (o.Execute() != 0) state.SkipWithError("Execute failed");
    results = o.GetNewPolyCount();
    area = offsetArea(o);
    benchmark::DoNotOptimize(area);
  }
  state.counters["area"] = area;
  state.counters["results"] = results;
  state.SetItemsProcessed(state.iterations() * int64_t(ring.size()));
}

void BM_ClipperOffset(benchmark::State& state) {
  const auto ring = fixture(int(state.range(0)), int(state.range(1)));
  const unsigned mode = unsigned(state.range(2));
  ClipperLib::Path path;
  for (const auto& p : ring)
    path.push_back(
        {ClipperLib::cInt(std::llround(p.x * kClipperScale)), ClipperLib::cInt(std::llround(p.y * kClipperScale))});
  double area = 0;
  size_t results = 0;
  for (auto _ : state) {
    ClipperLib::ClipperOffset offset(/*miterLimit=*/1e6);
    offset.AddPath(path, ClipperLib::jtMiter, ClipperLib::etClosedPolygon);
    ClipperLib::Paths solution;
    offset.Execute(solution, (mode == 0 ? -kOffset : kOffset) * kClipperScale);
    results = solution.size();
    area = 0;
    for (const auto& s : solution) area += ClipperLib::Area(s);
    area = std::fabs(area) / (kClipperScale * kClipperScale);
    benchmark::DoNotOptimize(area);
  }
  state.counters["area"] = area;
  state.counters["results"] = double(results);
  state.SetItemsProcessed(state.iterations() * int64_t(ring.size()));
}

void fixtureArgs(benchmark::internal::Benchmark* b) {
  for (int kind : {kConvex, kConcave, kComb, kSpiral}) {
    for (int n : {12, 100, 1000}) {
      for (int mode : {0, 1}) b->Args({kind, n, mode});
    }
  }
}

}  // namespace

BENCHMARK(BM_TPolyOffset)->Apply(fixtureArgs)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ClipperOffset)->Apply(fixtureArgs)->Unit(benchmark::kMicrosecond);
