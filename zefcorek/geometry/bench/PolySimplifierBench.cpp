// Simplifying a noisy track of 100,000 points with T_POLYSIMPLIFIER and with
// GEOS's DouglasPeuckerSimplifier at the same tolerance. The counters give
// both vertex counts and both largest deviations of a track point from the
// simplified line that covers it (our tolerance bounds the mean distance of
// a run, Douglas-Peucker's the largest).
#include "zefcorek/PolySimplifier.h"
#include "zefcorek/RecList.h"

#include <benchmark/benchmark.h>
#include <geos/geom/Coordinate.h>
#include <geos/geom/CoordinateArraySequence.h>
#include <geos/geom/CoordinateSequence.h>
#include <geos/geom/GeometryFactory.h>
#include <geos/geom/LineString.h>
#include <geos/simplify/DouglasPeuckerSimplifier.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <vector>

namespace {

constexpr double kTolerance = 1.0;

const std::vector<T_POINT2D>& track() {
  static const std::vector<T_POINT2D> points = [] {
    std::mt19937_64 rng(160);
    std::normal_distribution<double> noise(0.0, 0.3), turn(0.0, 0.05);
    std::vector<T_POINT2D> out;
    double x = 0, y = 0, heading = 0;
    for (int i = 0; i < 100000; ++i) {
      heading += turn(rng);
      x += std::cos(heading);
      y += std::sin(heading);
      out.push_back({x + noise(rng), y + noise(rng)});
    }
    return out;
  }();
  return points;
}

double segmentDistance(const T_POINT2D& p, const T_POINT2D& a, const T_POINT2D& b) {
  const double dx = b.x - a.x, dy = b.y - a.y;
  const double len2 = dx * dx + dy * dy;
  double t = len2 == 0 ? 0 : ((p.x - a.x) * dx + (p.y - a.y) * dy) / len2;
  t = std::clamp(t, 0.0, 1.0);
  return std::hypot(p.x - (a.x + t * dx), p.y - (a.y + t * dy));
}

void BM_TPolySimplifier(benchmark::State& state) {
  const auto& pts = track();
  T_POLYSIMPLIFIER s;
  for (const T_POINT2D& p : pts) (void)s.AddBasePt(&p);
  // Arg: the flags (0: growing and splitting only; 3: with exchange and join).
  const TPolySimpParms parms{kTolerance, 0, uint32_t(state.range(0)), 0, nullptr, nullptr};
  for (auto _ : state) benchmark::DoNotOptimize(s.Execute(&parms));
  // The largest distance of a track point from the line of its run.
  double worst = 0;
  for (unsigned i = 0; i < s.GetSimpLnCount(); ++i) {
    TPolySimpLine l{};
    (void)s.GetSimpLn(i, &l);
    unsigned n = 0;
    l.Points->GetCount(&n);
    for (unsigned k = 0; k < n; ++k) {
      T_POINT2D p{};
      l.Points->GetAt(k, &p);
      worst = std::max(worst, std::fabs(l.A * p.x + l.B * p.y + l.C));
    }
  }
  state.counters["vertices"] = s.GetSimpPtCountEx();
  state.counters["max_deviation"] = worst;
  state.SetItemsProcessed(state.iterations() * int64_t(pts.size()));
}

void BM_GeosDouglasPeucker(benchmark::State& state) {
  const auto& pts = track();
  auto factory = geos::geom::GeometryFactory::create();
  geos::geom::CoordinateArraySequence seq;
  for (const T_POINT2D& p : pts) seq.add(geos::geom::Coordinate(p.x, p.y));
  std::unique_ptr<geos::geom::LineString> line(factory->createLineString(seq));
  std::unique_ptr<geos::geom::Geometry> simplified;
  for (auto _ : state) {
    simplified = geos::simplify::DouglasPeuckerSimplifier::simplify(line.get(), kTolerance);
    benchmark::DoNotOptimize(simplified.get());
  }
  // The kept vertices are track points in order: each track point is
  // measured against the kept segment that spans it.
  const auto coords = simplified->getCoordinates();
  double worst = 0;
  size_t kept = 0;
  for (const T_POINT2D& p : pts) {
    const geos::geom::Coordinate& a = coords->getAt(kept);
    const geos::geom::Coordinate& b = coords->getAt(std::min(kept + 1, coords->size() - 1));
    worst = std::max(worst, segmentDistance(p, {a.x, a.y}, {b.x, b.y}));
    if (kept + 2 < coords->size() && p.x == b.x && p.y == b.y) ++kept;
  }
  state.counters["vertices"] = double(coords->size());
  state.counters["max_deviation"] = worst;
  state.SetItemsProcessed(state.iterations() * int64_t(pts.size()));
}

}  // namespace

BENCHMARK(BM_TPolySimplifier)->Arg(0)->Arg(3)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GeosDouglasPeucker)->Unit(benchmark::kMillisecond);
