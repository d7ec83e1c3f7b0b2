// What the extended-precision side test costs against a plain double cross
// product, over the same random point triples.
#include "zefcorek/PtOrientation.h"

#include <benchmark/benchmark.h>

#include <random>
#include <vector>

namespace {

struct Triple {
  T_POINT2D a, b, q;
};

const std::vector<Triple>& triples(std::size_t count) {
  static std::vector<Triple> points;
  if (points.size() != count) {
    std::mt19937_64 random(20261209);
    std::uniform_real_distribution<double> coordinate(-1000.0, 1000.0);
    points.resize(count);
    for (Triple& t : points) {
      t.a = {coordinate(random), coordinate(random)};
      t.b = {coordinate(random), coordinate(random)};
      t.q = {coordinate(random), coordinate(random)};
    }
  }
  return points;
}

int crossProductSign(const T_POINT2D& a, const T_POINT2D& b, const T_POINT2D& q) {
  const double d = (b.x - a.x) * (q.y - a.y) - (b.y - a.y) * (q.x - a.x);
  return (d > 0.0) - (d < 0.0);
}

void BM_PtOrientationSign(benchmark::State& state) {
  const std::vector<Triple>& points = triples(std::size_t(state.range(0)));
  for (auto _ : state) {
    int sum = 0;
    for (const Triple& t : points) sum += PtOrientationSign(&t.a, &t.b, &t.q);
    benchmark::DoNotOptimize(sum);
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}

void BM_DoubleCrossProductSign(benchmark::State& state) {
  const std::vector<Triple>& points = triples(std::size_t(state.range(0)));
  for (auto _ : state) {
    int sum = 0;
    for (const Triple& t : points) sum += crossProductSign(t.a, t.b, t.q);
    benchmark::DoNotOptimize(sum);
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}

}  // namespace

BENCHMARK(BM_PtOrientationSign)->Arg(1000)->Arg(1000000);
BENCHMARK(BM_DoubleCrossProductSign)->Arg(1000)->Arg(1000000);
