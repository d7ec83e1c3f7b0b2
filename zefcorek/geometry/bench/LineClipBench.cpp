// Clipping 10^6 random segments against one window by the three methods,
// and by Boost.Geometry's intersection of a two-point linestring with a box
// on the same segments.
#include "zefcorek/Clipper2D.h"

#include <benchmark/benchmark.h>
#include <boost/geometry.hpp>
#include <boost/geometry/geometries/box.hpp>
#include <boost/geometry/geometries/linestring.hpp>
#include <boost/geometry/geometries/point_xy.hpp>

#include <random>
#include <vector>

namespace {

namespace bg = boost::geometry;

constexpr size_t kSegments = 1000000;
constexpr double kXmin = 0, kYmin = 0, kXmax = 100, kYmax = 70;

struct Seg {
  double x1, y1, x2, y2;
};

const std::vector<Seg>& segments() {
  static const std::vector<Seg> segs = [] {
    std::mt19937_64 rng(130);
    std::uniform_real_distribution<double> coord(-100, 200);
    std::vector<Seg> out(kSegments);
    for (Seg& s : out) s = {coord(rng), coord(rng), coord(rng), coord(rng)};
    return out;
  }();
  return segs;
}

template <typename Clip>
void clipAll(benchmark::State& state, Clip clip) {
  const auto& segs = segments();
  int64_t kept = 0;
  for (auto _ : state) {
    kept = 0;
    for (const Seg& s : segs) {
      T_CODEDCLIPSEG2D r{{s.x1, s.y1, s.x2, s.y2, kXmin, kYmin, kXmax, kYmax}, 0};
      kept += clip(r);
      benchmark::DoNotOptimize(r);
    }
  }
  state.counters["kept"] = double(kept);
  state.SetItemsProcessed(state.iterations() * int64_t(segs.size()));
}

void BM_SPYLineClip2D(benchmark::State& state) {
  clipAll(state, [](T_CODEDCLIPSEG2D& r) { return SPYLineClip2D(&r); });
}
void BM_LBLineClip2D(benchmark::State& state) {
  clipAll(state, [](T_CODEDCLIPSEG2D& r) { return LBLineClip2D(&r.seg); });
}
void BM_CSLineClip2D(benchmark::State& state) {
  clipAll(state, [](T_CODEDCLIPSEG2D& r) { return CSLineClip2D(&r.seg); });
}

void BM_BoostLinestringBox(benchmark::State& state) {
  using Point = bg::model::d2::point_xy<double>;
  using Line = bg::model::linestring<Point>;
  const bg::model::box<Point> box(Point(kXmin, kYmin), Point(kXmax, kYmax));
  const auto& segs = segments();
  int64_t kept = 0;
  std::vector<Line> out;
  Line line;
  line.resize(2);
  for (auto _ : state) {
    kept = 0;
    for (const Seg& s : segs) {
      line[0] = Point(s.x1, s.y1);
      line[1] = Point(s.x2, s.y2);
      out.clear();
      bg::intersection(line, box, out);
      kept += !out.empty();
      benchmark::DoNotOptimize(out);
    }
  }
  state.counters["kept"] = double(kept);
  state.SetItemsProcessed(state.iterations() * int64_t(segs.size()));
}

}  // namespace

BENCHMARK(BM_SPYLineClip2D)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LBLineClip2D)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CSLineClip2D)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BoostLinestringBox)->Unit(benchmark::kMillisecond);
