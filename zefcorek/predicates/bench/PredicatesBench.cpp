// Cost per call of the adaptive predicates on easy (random) and hard
// (near-degenerate) points, beside a naive double-precision determinant
// and, when it is installed, the filtered exact predicates of the CGAL
// kernel, all on the same points.
#include "zefcorek/Predicates.h"

#include <benchmark/benchmark.h>

#include "PredicateInputs.h"

#ifdef ZEF_BENCH_WITH_CGAL
#include <CGAL/Exact_predicates_inexact_constructions_kernel.h>
#endif

namespace {

using zefcorek::predicates::bench::casesPerSet;
using zefcorek::predicates::bench::InputKind;
using zefcorek::predicates::bench::inputSet;
using zefcorek::predicates::testing::ShapeKind;

constexpr int pointStride = 3;
constexpr int caseStride = 15;

// One call per iteration, cycling through the set, so the time per
// iteration is the time per call.
template <typename Call>
void runCalls(benchmark::State& state, Call call) {
  int index = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(call(index));
    index = (index + 1) & (casesPerSet - 1);
  }
  state.SetItemsProcessed(state.iterations());
}

template <ShapeKind Shape, InputKind Kind>
void extendedPredicate(benchmark::State& state) {
  const auto& cases = inputSet(Shape, Kind).extended;
  runCalls(state, [&](int i) {
    const auto& p = cases[std::size_t(i)].points;
    switch (Shape) {
      case ShapeKind::Line: return orient2d(p[0], p[1], p[2]);
      case ShapeKind::Plane: return orient3d(p[0], p[1], p[2], p[3]);
      case ShapeKind::Circle: return incircle(p[0], p[1], p[2], p[3]);
      case ShapeKind::Sphere: return insphere(p[0], p[1], p[2], p[3], p[4]);
    }
    return REAL(0);
  });
}

// The textbook determinants, with no guarantee at all, in double or in
// long double (the plain extended-precision peer of the easy inputs).
template <typename Number>
Number naiveOrient2d(const Number* a, const Number* b, const Number* c) {
  return (a[0] - c[0]) * (b[1] - c[1]) - (a[1] - c[1]) * (b[0] - c[0]);
}

template <typename Number>
Number naiveOrient3d(const Number* a, const Number* b, const Number* c, const Number* d) {
  Number adx = a[0] - d[0], bdx = b[0] - d[0], cdx = c[0] - d[0];
  Number ady = a[1] - d[1], bdy = b[1] - d[1], cdy = c[1] - d[1];
  Number adz = a[2] - d[2], bdz = b[2] - d[2], cdz = c[2] - d[2];
  return adz * (bdx * cdy - cdx * bdy) + bdz * (cdx * ady - adx * cdy) + cdz * (adx * bdy - bdx * ady);
}

template <typename Number>
Number naiveIncircle(const Number* a, const Number* b, const Number* c, const Number* d) {
  Number adx = a[0] - d[0], bdx = b[0] - d[0], cdx = c[0] - d[0];
  Number ady = a[1] - d[1], bdy = b[1] - d[1], cdy = c[1] - d[1];
  Number alift = adx * adx + ady * ady, blift = bdx * bdx + bdy * bdy;
  Number clift = cdx * cdx + cdy * cdy;
  return alift * (bdx * cdy - cdx * bdy) + blift * (cdx * ady - adx * cdy) + clift * (adx * bdy - bdx * ady);
}

template <typename Number>
Number naiveInsphere(const Number* a, const Number* b, const Number* c, const Number* d, const Number* e) {
  Number aex = a[0] - e[0], bex = b[0] - e[0], cex = c[0] - e[0], dex = d[0] - e[0];
  Number aey = a[1] - e[1], bey = b[1] - e[1], cey = c[1] - e[1], dey = d[1] - e[1];
  Number aez = a[2] - e[2], bez = b[2] - e[2], cez = c[2] - e[2], dez = d[2] - e[2];
  Number ab = aex * bey - bex * aey, bc = bex * cey - cex * bey;
  Number cd = cex * dey - dex * cey, da = dex * aey - aex * dey;
  Number ac = aex * cey - cex * aey, bd = bex * dey - dex * bey;
  Number abc = aez * bc - bez * ac + cez * ab, bcd = bez * cd - cez * bd + dez * bc;
  Number cda = cez * da + dez * ac + aez * cd, dab = dez * ab + aez * bd + bez * da;
  Number alift = aex * aex + aey * aey + aez * aez, blift = bex * bex + bey * bey + bez * bez;
  Number clift = cex * cex + cey * cey + cez * cez, dlift = dex * dex + dey * dey + dez * dez;
  return (dlift * abc - clift * dab) + (blift * cda - alift * bcd);
}

// The plain long double determinants as functions of their own, called as
// the predicates are (not expanded into the loop).
[[gnu::noinline]] REAL plainOrient2d(const REAL* a, const REAL* b, const REAL* c) {
  return naiveOrient2d<REAL>(a, b, c);
}
[[gnu::noinline]] REAL plainOrient3d(const REAL* a, const REAL* b, const REAL* c, const REAL* d) {
  return naiveOrient3d<REAL>(a, b, c, d);
}
[[gnu::noinline]] REAL plainIncircle(const REAL* a, const REAL* b, const REAL* c, const REAL* d) {
  return naiveIncircle<REAL>(a, b, c, d);
}
[[gnu::noinline]] REAL plainInsphere(const REAL* a, const REAL* b, const REAL* c, const REAL* d, const REAL* e) {
  return naiveInsphere<REAL>(a, b, c, d, e);
}

template <ShapeKind Shape, InputKind Kind>
void naiveExtended(benchmark::State& state) {
  const auto& cases = inputSet(Shape, Kind).extended;
  runCalls(state, [&](int i) {
    const auto& p = cases[std::size_t(i)].points;
    switch (Shape) {
      case ShapeKind::Line: return plainOrient2d(p[0], p[1], p[2]);
      case ShapeKind::Plane: return plainOrient3d(p[0], p[1], p[2], p[3]);
      case ShapeKind::Circle: return plainIncircle(p[0], p[1], p[2], p[3]);
      case ShapeKind::Sphere: return plainInsphere(p[0], p[1], p[2], p[3], p[4]);
    }
    return REAL(0);
  });
}

template <ShapeKind Shape, InputKind Kind>
void naiveDouble(benchmark::State& state) {
  const auto& coordinates = inputSet(Shape, Kind).coordinates;
  runCalls(state, [&](int i) {
    const double* c = &coordinates[std::size_t(i) * caseStride];
    const double* p[5] = {c, c + pointStride, c + 2 * pointStride, c + 3 * pointStride, c + 4 * pointStride};
    switch (Shape) {
      case ShapeKind::Line: return naiveOrient2d<double>(p[0], p[1], p[2]);
      case ShapeKind::Plane: return naiveOrient3d<double>(p[0], p[1], p[2], p[3]);
      case ShapeKind::Circle: return naiveIncircle<double>(p[0], p[1], p[2], p[3]);
      case ShapeKind::Sphere: return naiveInsphere<double>(p[0], p[1], p[2], p[3], p[4]);
    }
    return 0.0;
  });
}

#ifdef ZEF_BENCH_WITH_CGAL
using Kernel = CGAL::Exact_predicates_inexact_constructions_kernel;

template <ShapeKind Shape, InputKind Kind>
void cgalFiltered(benchmark::State& state) {
  const auto& coordinates = inputSet(Shape, Kind).coordinates;
  std::vector<Kernel::Point_2> points2;
  std::vector<Kernel::Point_3> points3;
  for (std::size_t i = 0; i < coordinates.size(); i += pointStride) {
    points2.emplace_back(coordinates[i], coordinates[i + 1]);
    points3.emplace_back(coordinates[i], coordinates[i + 1], coordinates[i + 2]);
  }
  runCalls(state, [&](int i) {
    const std::size_t first = std::size_t(i) * 5;
    const auto* p = &points2[first];
    const auto* q = &points3[first];
    switch (Shape) {
      case ShapeKind::Line: return int(CGAL::orientation(p[0], p[1], p[2]));
      case ShapeKind::Plane: return int(CGAL::orientation(q[0], q[1], q[2], q[3]));
      case ShapeKind::Circle: return int(CGAL::side_of_oriented_circle(p[0], p[1], p[2], p[3]));
      case ShapeKind::Sphere: return int(CGAL::side_of_oriented_sphere(q[0], q[1], q[2], q[3], q[4]));
    }
    return 0;
  });
}
#endif

#define ZEF_PREDICATE_BENCH(shape, name)                                                                     \
  BENCHMARK(extendedPredicate<ShapeKind::shape, InputKind::Easy>)->Name(name "/easy/ours");                  \
  BENCHMARK(extendedPredicate<ShapeKind::shape, InputKind::Hard>)->Name(name "/hard/ours");                  \
  BENCHMARK(extendedPredicate<ShapeKind::shape, InputKind::HardExtended>)->Name(name "/hard-extended/ours"); \
  BENCHMARK(naiveExtended<ShapeKind::shape, InputKind::Easy>)->Name(name "/easy/naive-long-double");         \
  BENCHMARK(naiveDouble<ShapeKind::shape, InputKind::Easy>)->Name(name "/easy/naive-double");                \
  BENCHMARK(naiveDouble<ShapeKind::shape, InputKind::Hard>)->Name(name "/hard/naive-double");

ZEF_PREDICATE_BENCH(Line, "orient2d")
ZEF_PREDICATE_BENCH(Plane, "orient3d")
ZEF_PREDICATE_BENCH(Circle, "incircle")
ZEF_PREDICATE_BENCH(Sphere, "insphere")

#ifdef ZEF_BENCH_WITH_CGAL
#define ZEF_CGAL_BENCH(shape, name)                                                    \
  BENCHMARK(cgalFiltered<ShapeKind::shape, InputKind::Easy>)->Name(name "/easy/cgal"); \
  BENCHMARK(cgalFiltered<ShapeKind::shape, InputKind::Hard>)->Name(name "/hard/cgal");
ZEF_CGAL_BENCH(Line, "orient2d")
ZEF_CGAL_BENCH(Plane, "orient3d")
ZEF_CGAL_BENCH(Circle, "incircle")
ZEF_CGAL_BENCH(Sphere, "insphere")
#endif

}  // namespace
