// Triangle centres, the arc length through three points and box clipping.
#include "zefcorek/TriangleFunctions.h"

#include "zefcorek/Circle2D.h"
#include "zefcorek/ExtendedReal.h"
#include "zefcorek/SSqrt.h"
#include "zefcorek/StdInterface.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace {

constexpr double kPi = 3.141592653589793;
constexpr double kTwoPi = 6.283185307179586;
constexpr double kThird = 1.0 / 3.0;

double length(const T_POINT2D& p, const T_POINT2D& q) {
  const double dx = p.x - q.x, dy = p.y - q.y;
  return double(SSqrt(dx * dx + dy * dy));
}

// The direction from o to p; straight up or down when p lies exactly above
// or below o (and up when they coincide).
double directionAngle(const T_POINT2D& o, const T_POINT2D& p) {
  if (p.x == o.x) return p.y - o.y >= 0.0 ? kPi / 2 : -kPi / 2;
  return std::atan2(p.y - o.y, p.x - o.x);
}

}  // namespace

void CalcTrgBarycenter(const T_POINT2D* a, const T_POINT2D* b, const T_POINT2D* c, T_POINT2D* out) {
  out->x = (a->x + b->x + c->x) * kThird;
  out->y = (a->y + b->y + c->y) * kThird;
}

bool CalcTrgIncenter(const T_POINT2D* a, const T_POINT2D* b, const T_POINT2D* c, T_POINT2D* out) {
  const double la = length(*b, *c), lb = length(*c, *a), lc = length(*a, *b);
  const double p = la + lb + lc;
  if (p == 0.0) return false;
  out->x = (la * a->x + lb * b->x + lc * c->x) / p;
  out->y = (la * a->y + lb * b->y + lc * c->y) / p;
  return true;
}

// The sweep s between the directions to the two ends is taken the short way
// round and then, when the ends run clockwise seen from the centre, the long
// way; the first exchange makes the swept arc the one holding the third
// point.
int gfxuCalcArc3PLength(const T_POINT2D* points, double* length) {
  if (points == nullptr || length == nullptr) return ZR_BADARG;
  T_POINT2D a = points[0], b = points[1];
  const T_POINT2D c = points[2];
  if ((a.x - c.x) * (b.y - c.y) - (a.y - c.y) * (b.x - c.x) > 0.0) std::swap(a, b);
  const T_CIRCLE2D circle(&a, &b, &c);
  if (!circle.valid) return ZR_FAILED;
  const T_POINT2D& o = circle.center;
  double s = std::fabs(directionAngle(o, a) - directionAngle(o, b));
  if (s > kPi) s = kTwoPi - s;
  if ((a.x - o.x) * (b.y - o.y) - (a.y - o.y) * (b.x - o.x) < 0.0) s = kTwoPi - s;
  *length = double(s * circle.radius);
  return ZR_OK;
}

namespace {

// Moves the end p onto the bound of axis `along` when `beyond` says it lies
// past it, carrying the other coordinate along the segment p-q unless the
// segment runs parallel to the bound.
bool clipEnd(T_POINT2D& p, const T_POINT2D& q, double T_POINT2D::*along, double T_POINT2D::*other, double bound,
             bool beyond) {
  if (!beyond) return false;
  const double run = q.*along - p.*along;
  if (run != 0.0) p.*other = p.*other + (q.*other - p.*other) * (bound - p.*along) / run;
  p.*along = bound;
  return true;
}

}  // namespace

int gfxuClipLine2Box(double x1, double y1, double x2, double y2, T_POINT2D* a, T_POINT2D* b) {
  const auto [xmin, xmax] = std::minmax(x1, x2);
  const auto [ymin, ymax] = std::minmax(y1, y2);
  T_POINT2D p = *a, q = *b;
  bool clipped = false;
  clipped |= clipEnd(p, q, &T_POINT2D::x, &T_POINT2D::y, xmin, p.x < xmin);
  clipped |= clipEnd(p, q, &T_POINT2D::x, &T_POINT2D::y, xmax, p.x > xmax);
  clipped |= clipEnd(q, p, &T_POINT2D::x, &T_POINT2D::y, xmin, q.x < xmin);
  clipped |= clipEnd(q, p, &T_POINT2D::x, &T_POINT2D::y, xmax, q.x > xmax);
  clipped |= clipEnd(p, q, &T_POINT2D::y, &T_POINT2D::x, ymin, p.y < ymin);
  clipped |= clipEnd(p, q, &T_POINT2D::y, &T_POINT2D::x, ymax, p.y > ymax);
  clipped |= clipEnd(q, p, &T_POINT2D::y, &T_POINT2D::x, ymin, q.y < ymin);
  clipped |= clipEnd(q, p, &T_POINT2D::y, &T_POINT2D::x, ymax, q.y > ymax);
  if (!clipped) return 1;
  *a = p;
  *b = q;
  return 0;
}
