// The inside test of the 2-D vertex list against Boost.Geometry's within on
// the same star-shaped polygons and query points, 10^2 to 10^5 vertices.
#include "zefcorek/V2DList.h"

#include "PolyFixtures.h"

#include <benchmark/benchmark.h>
#include <boost/geometry.hpp>

#include <memory>
#include <random>
#include <vector>

namespace {

namespace bg = boost::geometry;
using BoostPoint = bg::model::d2::point_xy<double>;
using BoostPolygon = bg::model::polygon<BoostPoint, /*ClockWise=*/false, /*Closed=*/false>;

struct Fixture {
  T_V2DLIST list;
  BoostPolygon polygon;
  std::vector<T_VECTOR2D> queries;
};

// One polygon per size, made once, and 64 query points in its box.
const Fixture& fixture(unsigned n) {
  static std::vector<std::unique_ptr<Fixture>> made;
  for (const auto& f : made) {
    if (f->list.GetCount() == n) return *f;
  }
  auto f = std::make_unique<Fixture>();
  std::mt19937_64 random(20261210 + n);
  for (const geobench::Pt& p : geobench::sortedStarRing(n, random)) {
    f->list.Add(p.x, p.y);
    bg::append(f->polygon.outer(), BoostPoint(p.x, p.y));
  }
  f->list.SetClosed(1);
  std::uniform_real_distribution<double> unit(0.0, 1.0);
  for (int k = 0; k < 64; ++k) f->queries.emplace_back(unit(random) * 16 - 8, unit(random) * 16 - 8);
  made.push_back(std::move(f));
  return *made.back();
}

void BM_PtInsideCheck(benchmark::State& state) {
  const Fixture& f = fixture(unsigned(state.range(0)));
  for (auto _ : state) {
    int inside = 0;
    for (const T_VECTOR2D& q : f.queries) inside += f.list.PtInsideCheck(&q);
    benchmark::DoNotOptimize(inside);
  }
  state.SetItemsProcessed(state.iterations() * int64_t(f.queries.size()));
}

void BM_BoostWithin(benchmark::State& state) {
  const Fixture& f = fixture(unsigned(state.range(0)));
  for (auto _ : state) {
    int inside = 0;
    for (const T_VECTOR2D& q : f.queries) inside += bg::within(BoostPoint(q.x, q.y), f.polygon) ? 1 : 0;
    benchmark::DoNotOptimize(inside);
  }
  state.SetItemsProcessed(state.iterations() * int64_t(f.queries.size()));
}

BENCHMARK(BM_PtInsideCheck)->RangeMultiplier(10)->Range(100, 100000);
BENCHMARK(BM_BoostWithin)->RangeMultiplier(10)->Range(100, 100000);

}  // namespace
