// Triangle pairs for the triangle-triangle tests, the random draw their
// oracle comparison uses, and the exact answer it compares with; the
// benchmark times the tests on the same pairs.
#pragma once

#include <CGAL/Exact_predicates_inexact_constructions_kernel.h>
#include <CGAL/intersections.h>

#include <array>
#include <random>

namespace tritri {

using P = std::array<double, 3>;
struct Pair {
  P v[3];
  P u[3];
};

// The n-th pair of the draw: in general position, nearly coplanar (n % 4 ==
// 1: triangle 2's corners are combinations of triangle 1's, lifted a little
// along z) or touching (n % 4 == 2: sharing a corner).
class PairDraw {
public:
  Pair next(size_t n) {
    Pair t{};
    for (P& p : t.v) p = point();
    for (P& p : t.u) p = point();
    if (n % 4 == 1) {
      for (P& p : t.u) {
        const double a = unit_(random_) * 2 - 0.5, b = unit_(random_) * 2 - 0.5;
        for (int k = 0; k < 3; ++k) p[k] = t.v[0][k] + a * (t.v[1][k] - t.v[0][k]) + b * (t.v[2][k] - t.v[0][k]);
        p[2] += (unit_(random_) - 0.5) * 2e-7;
      }
    } else if (n % 4 == 2) {
      t.u[0] = t.v[n % 3];
    }
    return t;
  }

private:
  P point() { return P{unit_(random_), unit_(random_), unit_(random_)}; }

  std::mt19937_64 random_{4918};
  std::uniform_real_distribution<double> unit_{0.0, 1.0};
};

// Whether the triangles meet, by exact predicates.
inline bool exactAnswer(const Pair& t) {
  using K = CGAL::Exact_predicates_inexact_constructions_kernel;
  const auto point = [](const P& p) { return K::Point_3(p[0], p[1], p[2]); };
  const K::Triangle_3 a(point(t.v[0]), point(t.v[1]), point(t.v[2]));
  const K::Triangle_3 b(point(t.u[0]), point(t.u[1]), point(t.u[2]));
  return CGAL::do_intersect(a, b);
}

}  // namespace tritri
