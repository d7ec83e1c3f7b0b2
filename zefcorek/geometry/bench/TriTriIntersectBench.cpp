// The three triangle-triangle tests against CGAL's exact do_intersect on the
// same 10^6 pairs: in general position, nearly coplanar and touching, as
// the tests' oracle comparison draws them.
#include "zefcorek/TriTriIntersect.h"

#include "../tests/TriTriPairs.h"

#include <benchmark/benchmark.h>

#include <vector>

namespace {

using tritri::Pair;

const std::vector<Pair>& pairs() {
  static const std::vector<Pair> made = [] {
    tritri::PairDraw draw;
    std::vector<Pair> out(1000000);
    for (size_t n = 0; n < out.size(); ++n) out[n] = draw.next(n);
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
  runPairs(state, [](const Pair& t) { return tritri::exactAnswer(t) ? 1 : 0; });
}

BENCHMARK(BM_TriTriIntersect)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_NoDivTriTriIsect)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_T2TIntersectWithIL)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CgalDoIntersect)->Unit(benchmark::kMillisecond);

}  // namespace
