// FnMinimum: Brent's one-dimensional minimisation.
//
// Source: R. P. Brent, "Algorithms for Minimization without Derivatives",
// Prentice-Hall 1973, chapter 5 (procedure localmin). x holds the best
// point so far, w the second best, v the one before; e is the step before
// last, which a parabolic step must beat by half to be taken.
#include "zefcorek/FnMinimum.h"

#include <cmath>

namespace {

// The golden-section fraction (3 - sqrt(5)) / 2.
const double kGolden = (3.0 - std::sqrt(5.0)) / 2.0;
// The fixed relative precision sqrt(1e-10).
constexpr double kRelative = 1e-5;
// Far beyond what the method needs on any function that is a number
// everywhere; it only ends searches that could not end otherwise.
constexpr int kMostSteps = 10000;

}  // namespace

double FnMinimum(double ax, double bx, FnMinimumFunc f, void* data, double tol) {
  double a = ax, b = bx;
  double x = a + kGolden * (b - a);
  double w = x, v = x;
  double e = 0.0, d = 0.0;
  double fx = f(x, data);
  double fw = fx, fv = fx;
  for (int step = 0; step < kMostSteps; ++step) {
    const double xm = (a + b) / 2;
    const double tol1 = kRelative * std::fabs(x) + tol / 3;
    const double t2 = 2 * tol1;
    if (std::fabs(x - xm) <= t2 - (b - a) / 2) return x;

    double p = 0.0, q = 0.0, r = 0.0;
    if (std::fabs(e) > tol1) {
      r = (x - w) * (fx - fv);
      q = (x - v) * (fx - fw);
      p = (x - v) * q - (x - w) * r;
      q = 2 * (q - r);
      if (q > 0.0)
        p = -p;
      else
        q = -q;
      r = e;
      e = d;
    }
    if (std::fabs(p) >= std::fabs(q * r / 2) || p <= q * (a - x) || p >= q * (b - x)) {
      e = x >= xm ? a - x : b - x;
      d = kGolden * e;
    } else {
      d = p / q;
      const double u = x + d;
      if (u - a < t2 || b - u < t2) d = x < xm ? tol1 : -tol1;
    }

    const double u = std::fabs(d) >= tol1 ? x + d : (d > 0.0 ? x + tol1 : x - tol1);
    const double fu = f(u, data);
    // A NaN never narrows the interval: the search could not end.
    if (std::isnan(fu)) return x;

    if (fu >= fx) {
      if (u < x)
        a = u;
      else
        b = u;
    }
    if (fu <= fx) {
      if (u < x)
        b = x;
      else
        a = x;
      v = w;
      fv = fw;
      w = x;
      fw = fx;
      x = u;
      fx = fu;
      continue;
    }
    if (fu <= fw || w == x) {
      v = w;
      fv = fw;
      w = u;
      fw = fu;
    } else if (fu <= fv || v == x || v == w) {
      v = u;
      fv = fu;
    }
  }
  return x;
}
