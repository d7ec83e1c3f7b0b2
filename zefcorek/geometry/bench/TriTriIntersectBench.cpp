// The three triangle-triangle tests against CGAL's exact do_intersect on the
// same 10^6 pairs: in general position, nearly coplanar and touching, as
// the tests' oracle comparison draws them.
#include "zefcorek/TriTriIntersect.h"

#include <CGAL/Exact_predicates_inexact_constructions_kernel.h>
#include <CGAL/intersections.h>
#include <benchmark/benchmark.h>

#include <array>
#include <random>
#include <vector>

namespace {

using P = std::array<double, 3>;
struct Pair {
  P v[3];
  P u[3];
};

const std::vector<Pair>& pairs() {
  static const std::vector<Pair> made = [] {
    std::mt19937_64 random(4918);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    const auto randomPoint = [&] { return P{unit(random), unit(random), unit(random)}; };
    std::vector<Pair> out(1000000);
    for (size_t n = 0; n < out.size(); ++n) {
      Pair& t = out[n];
      for (P& p : t.v) p = randomPoint();
      for (P& p : t.u) p = randomPoint();
      if (n % 4 == 1) {
        for (P& p : t.u) {
          const double a = unit(random) * 2 - 0.5, b = unit(random) * 2 - 0.5;
          for (int k = 0; k < 3; ++k) p[k] = t.v[0][k] + a * (t.v[1][k] - t.v[0][k]) + b * (t.v[2][k] - t.v[0][k]);
          p[2] += (unit(random) - 0.5) * 2e-7;
        }
      } else if (n % 4 == 2) {
        t.u[0] = t.v[n % 3];
      }
    }
    return out;
  }();
  return made;
}

template <class Test>
void runPairs(benchmark::State& state, Test test) {
  const std::vector<Pair>& all = pairs();
  for (auto _ : state) {
    int hits = 0;
    for (const Pair& t : all) hits += test(t);
    benchmark::DoNotOptimize(hits);
  }
  state.SetItemsProcessed(state.iterations() * int64_t(all.size()));
}

void BM_TriTriIntersect(benchmark::State& state) {
  runPairs(state, [](const Pair& t) {
    return tri_tri_intersect(t.v[0].data(), t.v[1].data(), t.v[2].data(), t.u[0].data(), t.u[1].data(), t.u[2].data());
  });
}

void BM_NoDivTriTriIsect(benchmark::State& state) {
  runPairs(state, [](const Pair& t) {
    return NoDivTriTriIsect(t.v[0].data(), t.v[1].data(), t.v[2].data(), t.u[0].data(), t.u[1].data(), t.u[2].data());
  });
}

void BM_T2TIntersectWithIL(benchmark::State& state) {
  runPairs(state, [](const Pair& t) {
    int coplanar = 0;
    double a[3], b[3];
    return T2TIntersectWithIL(t.v[0].data(), t.v[1].data(), t.v[2].data(), t.u[0].data(), t.u[1].data(), t.u[2].data(),
                              &coplanar, a, b);
  });
}

void BM_CgalDoIntersect(benchmark::State& state) {
  using K = CGAL::Exact_predicates_inexact_constructions_kernel;
  runPairs(state, [](const Pair& t) {
    const auto point = [](const P& p) { return K::Point_3(p[0], p[1], p[2]); };
    const K::Triangle_3 a(point(t.v[0]), point(t.v[1]), point(t.v[2]));
    const K::Triangle_3 b(point(t.u[0]), point(t.u[1]), point(t.u[2]));
    return CGAL::do_intersect(a, b) ? 1 : 0;
  });
}

BENCHMARK(BM_TriTriIntersect)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_NoDivTriTriIsect)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_T2TIntersectWithIL)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CgalDoIntersect)->Unit(benchmark::kMillisecond);

}  // namespace
