// Where the entry forms settle their sign, as shares of all calls, on the
// benchmark's easy and hard inputs. Built on the instrumented copy of the
// predicate sources (the library itself never counts); its timings include
// the counting and are not the figures to quote.
#include "zefcorek/Predicates.h"

#include <benchmark/benchmark.h>

#include <cstring>

#include "PredicateInputs.h"
#include "PredicatesInit.h"
#include "StageCounters.h"

namespace {

using zefcorek::predicates::PredicateKind;
using zefcorek::predicates::StageKind;
using zefcorek::predicates::stageCounts;
using zefcorek::predicates::bench::InputKind;
using zefcorek::predicates::bench::inputSet;
using zefcorek::predicates::testing::ShapeKind;

constexpr PredicateKind predicateOf(ShapeKind shape) {
  switch (shape) {
    case ShapeKind::Line: return PredicateKind::Orient2d;
    case ShapeKind::Plane: return PredicateKind::Orient3d;
    case ShapeKind::Circle: return PredicateKind::Incircle;
    case ShapeKind::Sphere: return PredicateKind::Insphere;
  }
  return PredicateKind::Orient2d;
}

template <ShapeKind Shape, InputKind Kind>
void stageShares(benchmark::State& state) {
  predicates_init();
  const auto& cases = inputSet(Shape, Kind).extended;
  std::memset(stageCounts, 0, sizeof stageCounts);
  for (auto _ : state) {
    for (const auto& c : cases) {
      const auto& p = c.points;
      switch (Shape) {
        case ShapeKind::Line: benchmark::DoNotOptimize(orient2d(p[0], p[1], p[2])); break;
        case ShapeKind::Plane: benchmark::DoNotOptimize(orient3d(p[0], p[1], p[2], p[3])); break;
        case ShapeKind::Circle: benchmark::DoNotOptimize(incircle(p[0], p[1], p[2], p[3])); break;
        case ShapeKind::Sphere: benchmark::DoNotOptimize(insphere(p[0], p[1], p[2], p[3], p[4])); break;
      }
    }
  }
  const auto* counts = stageCounts[int(predicateOf(Shape))];
  double total = 0;
  for (int s = 0; s < zefcorek::predicates::stageKindCount; ++s) total += double(counts[s]);
  const char* names[] = {"A%", "B%", "exactdiff%", "C%", "D%"};
  for (int s = 0; s < zefcorek::predicates::stageKindCount; ++s) {
    state.counters[names[s]] = 100.0 * double(counts[s]) / total;
  }
}

#define ZEF_STAGE_BENCH(shape, name)                                             \
  BENCHMARK(stageShares<ShapeKind::shape, InputKind::Easy>)->Name(name "/easy"); \
  BENCHMARK(stageShares<ShapeKind::shape, InputKind::Hard>)->Name(name "/hard"); \
  BENCHMARK(stageShares<ShapeKind::shape, InputKind::HardExtended>)->Name(name "/hard-extended");

ZEF_STAGE_BENCH(Line, "orient2d")
ZEF_STAGE_BENCH(Plane, "orient3d")
ZEF_STAGE_BENCH(Circle, "incircle")
ZEF_STAGE_BENCH(Sphere, "insphere")

}  // namespace
