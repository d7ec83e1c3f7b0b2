// The self-intersection test of the 3-D vertex list against GEOS's isSimple
// on the same simple (star-shaped) rings, 10^2 to 10^4 vertices. The list
// compares every pair of sides, so it grows quadratically; GEOS sweeps.
#include "zefcorek/V3DList.h"

#include "PolyFixtures.h"

#include <benchmark/benchmark.h>
#include <geos_c.h>

#include <memory>
#include <random>
#include <vector>

namespace {

struct Ring {
  T_V3DLIST list;
  std::vector<double> xy;  // x0, y0, x1, y1, ...
};

const Ring& ring(unsigned n) {
  static std::vector<std::unique_ptr<Ring>> made;
  for (const auto& r : made) {
    if (r->list.GetCount() == n) return *r;
  }
  auto r = std::make_unique<Ring>();
  std::mt19937_64 random(20261210 + n);
  for (const geobench::Pt& p : geobench::sortedStarRing(n, random)) {
    r->list.Add(p.x, p.y, 0.0);
    r->xy.push_back(p.x);
    r->xy.push_back(p.y);
  }
  r->list.SetClosed(1);
  made.push_back(std::move(r));
  return *made.back();
}

void BM_SelfIntCheck2D(benchmark::State& state) {
  const Ring& r = ring(unsigned(state.range(0)));
  for (auto _ : state) benchmark::DoNotOptimize(r.list.SelfIntCheck2D());
}

void BM_GeosIsSimple(benchmark::State& state) {
  const Ring& r = ring(unsigned(state.range(0)));
  GEOSContextHandle_t context = GEOS_init_r();
  const unsigned n = unsigned(r.xy.size() / 2);
  GEOSCoordSequence* sequence = GEOSCoordSeq_create_r(context, n + 1, 2);
  for (unsigned i = 0; i <= n; ++i)
    GEOSCoordSeq_setXY_r(context, sequence, i, r.xy[2 * (i % n)], r.xy[2 * (i % n) + 1]);
  GEOSGeometry* geometry = GEOSGeom_createLinearRing_r(context, sequence);
  for (auto _ : state) benchmark::DoNotOptimize(GEOSisSimple_r(context, geometry));
  GEOSGeom_destroy_r(context, geometry);
  GEOS_finish_r(context);
}

BENCHMARK(BM_SelfIntCheck2D)->RangeMultiplier(10)->Range(100, 10000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_GeosIsSimple)->RangeMultiplier(10)->Range(100, 10000)->Unit(benchmark::kMicrosecond);

}  // namespace
