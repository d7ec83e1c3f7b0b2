// Contours of a smooth analytic surface on a TIN of about 10^6 triangles,
// 22 levels: cutting and linking with T_ISOLINER. contour_peer.py times
// matplotlib's tricontour on the same TIN and levels.
#include "zefcorek/IsoLiner.h"
#include "zefcorek/RecList.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <set>
#include <vector>

namespace {

// The grid and surface that contour_peer.py rebuilds: n x n points on
// [0, 1000]^2, z = 50 sin(x / 150) cos(y / 230) + 0.02 x, two triangles per
// cell; levels RefZ -45 + 5 k.
constexpr int kGrid = 708;  // 2 * 707^2 = 999,698 triangles
constexpr double kRefZ = -45.0;
constexpr double kDeltaZ = 5.0;

double surface(double x, double y) { return 50 * std::sin(x / 150) * std::cos(y / 230) + 0.02 * x; }

const std::vector<tagT_POINT3D>& grid() {
  static const std::vector<tagT_POINT3D> points = [] {
    std::vector<tagT_POINT3D> out;
    out.reserve(size_t(kGrid) * kGrid);
    for (int j = 0; j < kGrid; ++j) {
      for (int i = 0; i < kGrid; ++i) {
        const double x = 1000.0 * i / (kGrid - 1), y = 1000.0 * j / (kGrid - 1);
        out.push_back({x, y, surface(x, y)});
      }
    }
    return out;
  }();
  return points;
}

void BM_IsoLinerTin(benchmark::State& state) {
  const auto& pts = grid();
  size_t lines = 0;
  // Levels are compared exactly, so one level reached with different
  // rounding from different triangles is several levels here.
  std::set<double> levels;
  for (auto _ : state) {
    T_ISOLINER t;
    t.SetRefZ(kRefZ);
    t.SetDeltaZ(kDeltaZ);
    t.BeginProcess();
    for (int j = 0; j + 1 < kGrid; ++j) {
      for (int i = 0; i + 1 < kGrid; ++i) {
        const tagT_POINT3D& a = pts[size_t(j) * kGrid + i];
        const tagT_POINT3D& b = pts[size_t(j) * kGrid + i + 1];
        const tagT_POINT3D& c = pts[size_t(j + 1) * kGrid + i];
        const tagT_POINT3D& d = pts[size_t(j + 1) * kGrid + i + 1];
        const tagT_POINT3D t1[3] = {a, b, d};
        const tagT_POINT3D t2[3] = {a, d, c};
        (void)t.ProcessTrg(t1);
        (void)t.ProcessTrg(t2);
      }
    }
    t.EndProcess();
    lines = 0;
    levels.clear();
    while (t.PrepareNextIsoLine()) {
      bool closed = false;
      IRecList* line = t.GetPreparedIsoLine(closed);
      IsoLineSegment first{};
      line->GetAt(0, &first);
      levels.insert(first.z);
      ++lines;
    }
  }
  state.counters["lines"] = double(lines);
  state.counters["distinct_levels"] = double(levels.size());
  state.counters["triangles"] = 2.0 * (kGrid - 1) * (kGrid - 1);
}

}  // namespace

BENCHMARK(BM_IsoLinerTin)->Unit(benchmark::kSecond)->Iterations(1);
