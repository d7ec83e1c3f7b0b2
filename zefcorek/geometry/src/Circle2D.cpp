// The circle from centre and radius or from three points, and its
// intersections with lines and other circles.
#include "zefcorek/Circle2D.h"

#include "zefcorek/ExtendedReal.h"
#include "zefcorek/SSqrt.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr long double kHalfPi = 1.5707963267948966;
// Chords whose ends differ in y by less than this are treated as horizontal:
// their perpendicular bisector is taken as vertical.
constexpr long double kHorizontalChord = 1e-8;

bool samePoint(const T_POINT2D& p, const T_POINT2D& q) { return p.x == q.x && p.y == q.y; }

}  // namespace

T_CIRCLE2D::T_CIRCLE2D() : radius(0.0L), center{0, 0}, p1{0, 0}, p2{0, 0}, p3{0, 0}, valid(false) {}

T_CIRCLE2D::T_CIRCLE2D(long double cx, long double cy, long double r)
    : radius(r), center{double(cx), double(cy)}, p1{0, 0}, p2{0, 0}, p3{0, 0}, valid(false) {
  Calc3PFromCR();
}

T_CIRCLE2D::T_CIRCLE2D(long double x1, long double y1, long double x2, long double y2, long double x3, long double y3)
    : T_CIRCLE2D() {
  setPoints({double(x1), double(y1)}, {double(x2), double(y2)}, {double(x3), double(y3)});
  CalcCRFrom3P();
}

T_CIRCLE2D::T_CIRCLE2D(const T_POINT2D* pts) : T_CIRCLE2D(&pts[0], &pts[1], &pts[2]) {}

T_CIRCLE2D::T_CIRCLE2D(const T_POINT2D* pt1, const T_POINT2D* pt2, const T_POINT2D* pt3) : T_CIRCLE2D() {
  setPoints(*pt1, *pt2, *pt3);
  CalcCRFrom3P();
}

void T_CIRCLE2D::setPoints(const T_POINT2D& pt1, const T_POINT2D& pt2, const T_POINT2D& pt3) {
  p1 = pt1;
  p2 = pt2;
  p3 = pt3;
  valid = false;
}

void T_CIRCLE2D::From3P(double x1, double y1, double x2, double y2, double x3, double y3) {
  setPoints({x1, y1}, {x2, y2}, {x3, y3});
  CalcCRFrom3P();
}

void T_CIRCLE2D::From3P(const T_POINT2D* pts) { From3P(&pts[0], &pts[1], &pts[2]); }

void T_CIRCLE2D::From3P(const T_POINT2D* pt1, const T_POINT2D* pt2, const T_POINT2D* pt3) {
  // Through the base class explicitly: the arc's override calls this one
  // and then computes its angles itself.
  setPoints(*pt1, *pt2, *pt3);
  CalcCRFrom3P();
}

void T_CIRCLE2D::FromCR(double cx, double cy, double r) {
  center = {cx, cy};
  radius = r;
  valid = false;
  Calc3PFromCR();
}

void T_CIRCLE2D::Calc3PFromCR() {
  p1 = {double(center.x - radius), center.y};
  p2 = {double(center.x + radius), center.y};
  p3 = {center.x, double(center.y + radius)};
  valid = true;
}

// The centre is where the perpendicular bisectors of the chords 1-2 and 2-3
// meet. The work is done relative to the lower-left corner of the points so
// that large coordinates do not swamp their differences.
void T_CIRCLE2D::CalcCRFrom3P() {
  const ExtendedReal mx = std::min({p1.x, p2.x, p3.x});
  const ExtendedReal my = std::min({p1.y, p2.y, p3.y});
  const ExtendedReal x1 = p1.x - mx, y1 = p1.y - my;
  const ExtendedReal x2 = p2.x - mx, y2 = p2.y - my;
  const ExtendedReal x3 = p3.x - mx, y3 = p3.y - my;

  ExtendedReal cx = 0.0L, cy = 0.0L;
  if (samePoint(p1, p3)) {
    // An arc back to its start: the full circle on the diameter 1-2. With
    // all three points in one place there is no circle.
    if (samePoint(p1, p2)) return;
    cx = (x1 + x2) * 0.5L;
    cy = (y1 + y2) * 0.5L;
  } else {
    // Distinct collinear points have no circle through them. Without this
    // test the bisectors below would be (nearly) parallel and meet far away.
    if ((x2 - x1) * (y3 - y1) - (y2 - y1) * (x3 - x1) == 0.0L) return;
    const ExtendedReal dy12 = y2 - y1;
    const ExtendedReal dy23 = y3 - y2;
    const ExtendedReal mx12 = (x1 + x2) * 0.5L, my12 = (y1 + y2) * 0.5L;
    const ExtendedReal mx23 = (x2 + x3) * 0.5L, my23 = (y2 + y3) * 0.5L;
    if (std::fabs(dy12) < kHorizontalChord) {
      if (dy23 == 0.0L) return;
      const ExtendedReal k23 = -(x3 - x2) / dy23;
      cx = mx12;
      cy = my23 + k23 * (cx - mx23);
    } else if (std::fabs(dy23) < kHorizontalChord) {
      const ExtendedReal k12 = -(x2 - x1) / dy12;
      cx = mx23;
      cy = my12 + k12 * (cx - mx12);
    } else {
      const ExtendedReal k12 = -(x2 - x1) / dy12;
      const ExtendedReal k23 = -(x3 - x2) / dy23;
      if (k12 - k23 == 0.0L) return;  // parallel bisectors: collinear points
      cx = (k12 * mx12 - k23 * mx23 + my23 - my12) / (k12 - k23);
      cy = my12 + k12 * (cx - mx12);
    }
  }
  radius = SSqrt(double((x2 - cx) * (x2 - cx) + (y2 - cy) * (y2 - cy)));
  center = {double(cx + mx), double(cy + my)};
  valid = true;
}

long double T_CIRCLE2D::pointAngle(const T_POINT2D& p) const {
  const ExtendedReal dx = ExtendedReal(p.x) - center.x;
  const ExtendedReal dy = ExtendedReal(p.y) - center.y;
  if (dx == 0.0L) return dy >= 0.0L ? kHalfPi : -kHalfPi;
  return std::atan2(dy, dx);
}

// The line a + t*d against the circle: t solves |a + t*d - c|^2 = r^2, whose
// discriminant (divided by 4) is r^2 |d|^2 - ((c - a) x d)^2.
int T_CIRCLE2D::CalcLineIntersection(const T_POINT2D* a, const T_POINT2D* b, T_POINT2D* out) {
  if (!valid) return kLineMisses;
  const ExtendedReal dx = ExtendedReal(b->x) - a->x;
  const ExtendedReal dy = ExtendedReal(b->y) - a->y;
  const ExtendedReal len2 = dx * dx + dy * dy;
  if (len2 == 0.0L) return kLineMisses;  // two equal points give no line
  const ExtendedReal ox = ExtendedReal(center.x) - a->x;
  const ExtendedReal oy = ExtendedReal(center.y) - a->y;
  const ExtendedReal along = ox * dx + oy * dy;
  const ExtendedReal across = oy * dx - ox * dy;
  const double disc = double(radius * radius * len2 - across * across);
  if (disc < 0.0) return kLineMisses;
  auto pointAt = [&](ExtendedReal t) { return T_POINT2D{double(a->x + t * dx), double(a->y + t * dy)}; };
  if (disc == 0.0) {
    out[0] = pointAt(along / len2);
    return kLineTouches;
  }
  const ExtendedReal s = SSqrt(disc);
  out[0] = pointAt((along - s) / len2);
  out[1] = pointAt((along + s) / len2);
  return kLineCrosses;
}

int T_CIRCLE2D::CalcCircleIntersection(T_CIRCLE2D& other, T_POINT2D* out) {
  if (!valid || !other.valid) return kCirclesApart;
  const double r0 = double(radius);
  const double r1 = double(other.radius);
  const ExtendedReal dx = ExtendedReal(other.center.x) - center.x;
  const ExtendedReal dy = ExtendedReal(other.center.y) - center.y;
  const ExtendedReal dist = SSqrt(double(dx * dx + dy * dy));
  if (dist > ExtendedReal(r0) + r1) return kCirclesApart;
  if (dist == 0.0L) return kCirclesConcentric;
  // One circle strictly inside the other: no point in common.
  if (dist < std::fabs(ExtendedReal(r0) - r1)) return kCirclesApart;
  const ExtendedReal ux = dx / dist, uy = dy / dist;
  const ExtendedReal a = (dist * dist + ExtendedReal(r0) * r0 - ExtendedReal(r1) * r1) / (2 * dist);
  const ExtendedReal h2 = ExtendedReal(r0) * r0 - a * a;
  const ExtendedReal h = h2 > 0.0L ? SSqrt(double(h2)) : 0.0L;
  const ExtendedReal px = center.x + a * ux, py = center.y + a * uy;
  out[0] = {double(px - h * uy), double(py + h * ux)};
  out[1] = {double(px + h * uy), double(py - h * ux)};
  return h2 == 0.0L ? kCirclesTouch : kCirclesCross;
}
