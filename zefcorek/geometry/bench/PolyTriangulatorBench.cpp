// Ear clipping of star-shaped rings by TPolyTriangulator and by GEOS's
// ear-clipping PolygonTriangulator on the same rings. The Python peer
// (mapbox earcut) is timed on the same rings by triangulate_peer.py.
#include "PolyFixtures.h"

#include "zefcorek/PolyTriangulator.h"

#include <benchmark/benchmark.h>
#include <geos/geom/Coordinate.h>
#include <geos/geom/GeometryFactory.h>
#include <geos/geom/Polygon.h>
#include <geos/triangulate/polygon/PolygonTriangulator.h>

namespace {

constexpr uint64_t kSeed = 141;

void BM_TPolyTriangulator(benchmark::State& state) {
  const auto ring = geobench::starRing(int(state.range(0)), kSeed);
  TPolyTriangulator t;
  for (size_t i = 0; i < ring.size(); ++i) (void)t.AddPt({uint32_t(i), {ring[i].x, ring[i].y}}, nullptr);
  unsigned triangles = 0;
  for (auto _ : state) {
    IRecList* result = nullptr;
    const int code = t.Execute(&result, TPolyTriangulator::kClockwise);
    if (code != 0) state.SkipWithError("Execute failed");
    if (result != nullptr) {
      result->GetCount(&triangles);
      result->Release();
    }
    benchmark::DoNotOptimize(triangles);
  }
  state.counters["triangles"] = triangles;
  state.SetItemsProcessed(state.iterations() * int64_t(ring.size()));
}

void BM_GeosPolygonTriangulator(benchmark::State& state) {
  const auto ring = geobench::starRing(int(state.range(0)), kSeed);
  auto factory = geos::geom::GeometryFactory::create();
  std::vector<geos::geom::Coordinate> coords;
  for (const auto& p : ring) coords.emplace_back(p.x, p.y);
  coords.emplace_back(ring[0].x, ring[0].y);
  auto polygon = factory->createPolygon(std::move(coords));
  size_t triangles = 0;
  for (auto _ : state) {
    auto result = geos::triangulate::polygon::PolygonTriangulator::triangulate(polygon.get());
    triangles = result->getNumGeometries();
    benchmark::DoNotOptimize(triangles);
  }
  state.counters["triangles"] = double(triangles);
  state.SetItemsProcessed(state.iterations() * int64_t(ring.size()));
}

}  // namespace

BENCHMARK(BM_TPolyTriangulator)->Arg(15)->Arg(94)->Arg(500)->Arg(2523)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GeosPolygonTriangulator)->Arg(15)->Arg(94)->Arg(500)->Arg(2523)->Unit(benchmark::kMillisecond);
