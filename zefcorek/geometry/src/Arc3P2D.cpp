// The arc through three points: its sweep and its intersections.
#include "zefcorek/Arc3P2D.h"

#include "zefcorek/PtOrientation.h"

#include <cmath>
#include <utility>

T_ARC3P2D::T_ARC3P2D() : T_CIRCLE2D(), startAngle(0.0), endAngle(kTwoPi), ccw(true) {}

// The sweep starts from 0 so that an arc whose first and third points
// coincide, which keeps the start angle it finds, is the full circle from 0.
T_ARC3P2D::T_ARC3P2D(long double x1, long double y1, long double x2, long double y2, long double x3, long double y3)
    : T_CIRCLE2D(x1, y1, x2, y2, x3, y3), startAngle(0.0), endAngle(kTwoPi), ccw(true) {
  CalcAngles();
}

T_ARC3P2D::T_ARC3P2D(const T_POINT2D* pts) : T_CIRCLE2D(pts), startAngle(0.0), endAngle(kTwoPi), ccw(true) {
  CalcAngles();
}

T_ARC3P2D::T_ARC3P2D(const T_POINT2D* pt1, const T_POINT2D* pt2, const T_POINT2D* pt3)
    : T_CIRCLE2D(pt1, pt2, pt3), startAngle(0.0), endAngle(kTwoPi), ccw(true) {
  CalcAngles();
}

void T_ARC3P2D::From3P(double x1, double y1, double x2, double y2, double x3, double y3) {
  T_CIRCLE2D::From3P(x1, y1, x2, y2, x3, y3);
  CalcAngles();
}

void T_ARC3P2D::From3P(const T_POINT2D* pts) {
  T_CIRCLE2D::From3P(pts);
  CalcAngles();
}

void T_ARC3P2D::From3P(const T_POINT2D* pt1, const T_POINT2D* pt2, const T_POINT2D* pt3) {
  T_CIRCLE2D::From3P(pt1, pt2, pt3);
  CalcAngles();
}

void T_ARC3P2D::CalcAngles() {
  if (!valid) {
    startAngle = 0.0;
    endAngle = 0.0;
    ccw = true;
    return;
  }
  const double a1 = double(pointAngle(p1));
  const double a3 = double(pointAngle(p3));
  if (std::fabs(p1.x - p3.x) < kFullCircleGap && std::fabs(p1.y - p3.y) < kFullCircleGap) {
    ccw = true;
    endAngle = startAngle + kTwoPi;
    return;
  }
  // The second point right of the chord first -> third: the points run
  // counter-clockwise and the sweep starts at the first point.
  if (PtOrientationSign(&p1, &p3, &p2, kChordTolerance) < 0) {
    ccw = true;
    startAngle = a1;
    endAngle = a3 <= a1 ? a3 + kTwoPi : a3;
    return;
  }
  ccw = false;
  startAngle = a3;
  endAngle = a1 <= a3 ? a1 + kTwoPi : a1;
}

// The arc is the part of its circle on the second point's side of the chord;
// points on the chord line are kept, and an arc whose second point lies on
// the chord keeps everything.
bool T_ARC3P2D::isOffArc(const T_POINT2D& q) const {
  const int reference = PtOrientationSign(&p1, &p3, &p2, kChordTolerance);
  return PtOrientationSign(&p1, &p3, &q, kChordTolerance) * reference < 0;
}

int T_ARC3P2D::keepOnArc(T_POINT2D* out, int bothKept, int oneKept) const {
  const bool firstOff = isOffArc(out[0]);
  const bool secondOff = isOffArc(out[1]);
  if (!firstOff && !secondOff) return bothKept;
  if (firstOff && secondOff) return 0;
  if (firstOff) out[0] = out[1];
  return oneKept;
}

int T_ARC3P2D::CalcLineIntersection(const T_POINT2D* a, const T_POINT2D* b, T_POINT2D* out) {
  const int n = T_CIRCLE2D::CalcLineIntersection(a, b, out);
  switch (n) {
    case kLineMisses: return kLineMisses;
    case kLineTouches: return isOffArc(out[0]) ? kLineMisses : kLineTouches;
    default: return keepOnArc(out, kLineCrosses, 3);
  }
}

int T_ARC3P2D::CalcCircleIntersection(T_CIRCLE2D& other, T_POINT2D* out) {
  if (!valid || !other.valid) return kCirclesApart;
  const int n = T_CIRCLE2D::CalcCircleIntersection(other, out);
  if (n <= kCirclesConcentric) return n;
  if (n == kCirclesTouch) return isOffArc(out[0]) ? kCirclesApart : kCirclesTouch;
  return keepOnArc(out, kCirclesCross, kOneOfTwoKept);
}

int T_ARC3P2D::CalcArcIntersection(T_ARC3P2D& other, T_POINT2D* out) {
  if (!valid || !other.valid) return kCirclesApart;
  // Through the virtual operation: the points come back already narrowed to
  // the other arc, with its centre as the first circle.
  const int n = other.CalcCircleIntersection(*this, out);
  if (n <= kCirclesConcentric) return n;
  if (n == kCirclesTouch || n == kOneOfTwoKept) return isOffArc(out[0]) ? kCirclesApart : n;
  return keepOnArc(out, kCirclesCross, kOneOfTwoKept);
}
