// Constructions, side tests and intersections of the directed 2-D line.
#include "zefcorek/Line2D.h"

#include "zefcorek/SSqrt.h"

#include <algorithm>
#include <cmath>

void T_LINE2D::turnLeft() {
  const long double oldA = a;
  a = -b;
  b = oldA;
}

void T_LINE2D::passThrough(long double x, long double y) { c = -(a * x + b * y); }

bool T_LINE2D::From2P(double x1, double y1, double x2, double y2) {
  a = ExtendedReal(y1) - y2;
  b = ExtendedReal(x2) - x1;
  const long double len = SSqrt(double(a * a + b * b));
  if (len == 0.0L) {
    a = b = c = 0.0L;
    return false;
  }
  a /= len;
  b /= len;
  passThrough(x1, y1);
  return true;
}

bool T_LINE2D::FromSinCos(const T_POINT2D& p, long double s, long double cs) {
  a = -s;
  b = cs;
  passThrough(p.x, p.y);
  return true;
}

bool T_LINE2D::FromTan(const T_POINT2D& p, long double t, bool positive) {
  const long double angle = std::atan2(t, positive ? 1.0L : -1.0L);
  return FromSinCos(p, std::sin(angle), std::cos(angle));
}

bool T_LINE2D::FromCot(const T_POINT2D& p, long double ct, bool positive) {
  const long double angle = std::atan2(positive ? 1.0L : -1.0L, ct);
  return FromSinCos(p, std::sin(angle), std::cos(angle));
}

bool T_LINE2D::BisectorFrom3P(const T_POINT2D& v, const T_POINT2D& p1, const T_POINT2D& p2) {
  const long double angle1 = std::atan2(ExtendedReal(p1.y) - v.y, ExtendedReal(p1.x) - v.x);
  const long double angle2 = std::atan2(ExtendedReal(p2.y) - v.y, ExtendedReal(p2.x) - v.x);
  const long double angle = (angle1 + angle2) * 0.5L;
  return FromSinCos(v, std::sin(angle), std::cos(angle));
}

bool T_LINE2D::AxisFrom2P(const T_POINT2D& p1, const T_POINT2D& p2) {
  if (!From2P(p1, p2)) return false;
  turnLeft();
  c = -(a * (ExtendedReal(p1.x) + p2.x) * 0.5L + b * (ExtendedReal(p1.y) + p2.y) * 0.5L);
  return true;
}

bool T_LINE2D::PerpendicularInP1From2P(const T_POINT2D& p1, const T_POINT2D& p2) {
  return PerpendicularFrom3P(p1, p2, p1);
}

// Through p2, the mirror of PerpendicularInP1From2P: the perpendicular at
// the far end of the segment.
bool T_LINE2D::PerpendicularInP2From2P(const T_POINT2D& p1, const T_POINT2D& p2) {
  return PerpendicularFrom3P(p1, p2, p2);
}

bool T_LINE2D::PerpendicularFrom3P(const T_POINT2D& p1, const T_POINT2D& p2, const T_POINT2D& p3) {
  if (!From2P(p1, p2)) return false;
  turnLeft();
  passThrough(p3.x, p3.y);
  return true;
}

bool T_LINE2D::PerpendicularFromP(const T_POINT2D& p) {
  turnLeft();
  passThrough(p.x, p.y);
  return true;
}

bool T_LINE2D::PtFromDelta(const T_POINT2D& p, long double d, T_POINT2D& out) const {
  out.x = double(p.x + b * d);
  out.y = double(p.y - a * d);
  return true;
}

bool T_LINE2D::DeltaFromPtsOnLine(const T_POINT2D& p, const T_POINT2D& q, long double& d) const {
  // Divide by the larger of the two coefficients; on a tie prefer b.
  const long double absA = std::fabs(a);
  const long double absB = std::fabs(b);
  const bool useB = absB > absA || (absB == absA && b != 0.0L);
  if (useB) {
    d = (ExtendedReal(q.x) - p.x) / b;
    return true;
  }
  if (a != 0.0L) {
    d = -(ExtendedReal(q.y) - p.y) / a;
    return true;
  }
  d = 0.0L;
  return false;
}

bool T_LINE2D::PerpendicularAtDistFromPL(const T_POINT2D& p, const T_LINE2D& l, long double d, T_POINT2D* out) {
  const T_LINE2D base = l;  // l may be this line
  T_POINT2D q;
  base.PtFromDelta(p, d, q);
  a = -base.b;
  b = base.a;
  passThrough(q.x, q.y);
  if (out) *out = q;
  return true;
}

bool T_LINE2D::PerpendicularAtDistFrom2P(const T_POINT2D& p1, const T_POINT2D& p2, long double d, T_POINT2D* out) {
  T_LINE2D base;
  if (!base.From2P(p1, p2)) return false;
  return PerpendicularAtDistFromPL(p1, base, d, out);
}

bool T_LINE2D::ShiftToPt(const T_POINT2D& p) {
  T_LINE2D shifted = *this;
  shifted.PerpendicularFromP(p);
  shifted.PerpendicularFromP(p);
  *this = shifted;
  return true;
}

int T_LINE2D::PointPos(double x, double y) const {
  const long double v = a * x + b * y + c;
  if (v < 0.0L) return -1;
  if (v > 0.0L) return 1;
  return 0;
}

int T_LINE2D::PointPosEx(const T_POINT2D& p, long double& dist) const {
  const long double v = a * p.x + b * p.y + c;
  dist = std::fabs(v);
  return PointPos(p);
}

int T_LINE2D::Intersect(const T_LINE2D& l, T_POINT2D* out) const {
  const long double nx = l.c * b - c * l.b;
  const long double ny = c * l.a - l.c * a;
  const long double d = a * l.b - l.a * b;
  if (d != 0.0L) {
    out->x = double(nx / d);
    out->y = double(ny / d);
    return kCrossing;
  }
  return nx == 0.0L && ny == 0.0L ? kSameLine : kParallel;
}

bool T_LINE2D::CheckPtInRect(const T_POINT2D& c1, const T_POINT2D& c2, const T_POINT2D& p) {
  return CheckPtInRect2(c1, c2, p, 0.0);
}

bool T_LINE2D::CheckPtInRect2(const T_POINT2D& c1, const T_POINT2D& c2, const T_POINT2D& p, double tol) {
  const auto [minX, maxX] = std::minmax(c1.x, c2.x);
  const auto [minY, maxY] = std::minmax(c1.y, c2.y);
  return minX - tol <= p.x && p.x <= maxX + tol && minY - tol <= p.y && p.y <= maxY + tol;
}

int T_LINE2D::IntersectEx(const T_LINE2D& l, const T_POINT2D& c1, const T_POINT2D& c2, T_POINT2D* out) const {
  const int result = Intersect(l, out);
  return result == kCrossing && CheckPtInRect(c1, c2, *out) ? kCrossingInRect : result;
}

int T_LINE2D::IntersectEx2(const T_LINE2D& l, const T_POINT2D& c1, const T_POINT2D& c2, T_POINT2D* out,
                           double tol) const {
  const int result = Intersect(l, out);
  return result == kCrossing && CheckPtInRect2(c1, c2, *out, tol) ? kCrossingInRect : result;
}
