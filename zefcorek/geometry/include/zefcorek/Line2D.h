// T_LINE2D: an infinite, directed 2-D line in normalised implicit form.
//
// The line is the set of points with a*x + b*y + c = 0. Every member that
// builds the line from points leaves (a, b) a unit vector, so a*x + b*y + c
// is the signed distance of (x, y) from the line. The line is directed: its
// direction is (b, -a) and its normal (a, b) points to the left of it, so
// for the line built from P1 to P2, points to the left of P1->P2 give
// positive values (x to the right, y up). The default line has a = b = c = 0:
// no line at all, on which every point gives 0.
//
// The coefficients are long doubles. Zero tests are exact unless a member
// names a tolerance.
#pragma once

#include "zefcorek/ExtendedReal.h"
#include "zefcorek/GeoTypes.h"

#include "platform/Export.h"

class ZEF_EXPORT T_LINE2D {
public:
  // How ProjectPoint, ProjectPointEx and PtDistance measure: along x, along
  // y or perpendicular to the line; PtDistance also takes kAbsolute added to
  // one of the three for an unsigned result.
  static constexpr int kAlongX = 1;
  static constexpr int kAlongY = 2;
  static constexpr int kPerpendicular = 3;
  static constexpr int kAbsolute = 8;

  // Result codes of Intersect, IntersectEx and IntersectEx2.
  static constexpr int kCrossing = 0;        // one point, written to out
  static constexpr int kParallel = 1;        // distinct parallel lines
  static constexpr int kSameLine = 2;        // the lines coincide
  static constexpr int kCrossingInRect = 3;  // one point, inside the rectangle

  long double a;
  long double b;
  long double c;

  T_LINE2D() : a(0.0L), b(0.0L), c(0.0L) {}
  T_LINE2D(const T_LINE2D& l) = default;
  T_LINE2D& operator=(const T_LINE2D& l) = default;
  T_LINE2D(const T_POINT2D& p1, const T_POINT2D& p2) { From2P(p1, p2); }
  T_LINE2D(double x1, double y1, double x2, double y2) { From2P(x1, y1, x2, y2); }

  void FromOther(const T_LINE2D& l) { *this = l; }

  // The line from p1 towards p2. False, with all coefficients 0, when the
  // points coincide.
  bool From2P(const T_POINT2D& p1, const T_POINT2D& p2) { return From2P(p1.x, p1.y, p2.x, p2.y); }
  bool From2P(double x1, double y1, double x2, double y2);

  // The line through p with direction (c, s); s and c are used as given, so
  // the line is normalised only when s^2 + c^2 = 1. Always true.
  bool FromSinCos(const T_POINT2D& p, long double s, long double c);
  // The line through p of slope t, directed towards increasing x when
  // positive, else towards decreasing x. Always true.
  bool FromTan(const T_POINT2D& p, long double t, bool positive);
  // The line through p with dx/dy = ct, directed towards increasing y when
  // positive, else towards decreasing y. Always true.
  bool FromCot(const T_POINT2D& p, long double ct, bool positive);

  // The line through v at the mean of the angles of v->p1 and v->p2, each
  // in (-pi, pi] as atan2 gives it. The mean is not unwrapped, so the line is
  // always the bisector, but its direction may point away from the angle's
  // opening. Always true.
  bool BisectorFrom3P(const T_POINT2D& v, const T_POINT2D& p1, const T_POINT2D& p2);

  // Perpendiculars to the segment p1p2, directed along the normal of the
  // line p1->p2: through its midpoint (the segment's axis), through p1,
  // through p2, or through p3. False when p1 and p2 coincide.
  bool AxisFrom2P(const T_POINT2D& p1, const T_POINT2D& p2);
  bool PerpendicularInP1From2P(const T_POINT2D& p1, const T_POINT2D& p2);
  bool PerpendicularInP2From2P(const T_POINT2D& p1, const T_POINT2D& p2);
  bool PerpendicularFrom3P(const T_POINT2D& p1, const T_POINT2D& p2, const T_POINT2D& p3);
  // Turns the line in place into its perpendicular through p. Always true.
  bool PerpendicularFromP(const T_POINT2D& p);

  // out = the point at signed distance d from p along the line's direction
  // (p is not projected onto the line first). Always true.
  bool PtFromDelta(const T_POINT2D& p, long double d, T_POINT2D& out) const;
  // The inverse of PtFromDelta for q on the line through p. False, with d 0,
  // for the default line.
  bool DeltaFromPtsOnLine(const T_POINT2D& p, const T_POINT2D& q, long double& d) const;

  // The perpendicular to l through the point at distance d from p along l;
  // out, when not null, receives that point. l may be this line. Always true.
  bool PerpendicularAtDistFromPL(const T_POINT2D& p, const T_LINE2D& l, long double d, T_POINT2D* out);
  // The same on the line p1->p2; false when p1 and p2 coincide.
  bool PerpendicularAtDistFrom2P(const T_POINT2D& p1, const T_POINT2D& p2, long double d, T_POINT2D* out);

  // The parallel through p, with normal and direction reversed. Always true.
  bool ShiftToPt(const T_POINT2D& p);

  // The side of a point: 1 left of the line, -1 right, 0 on it (or NaN).
  int PointPos(const T_POINT2D& p) const { return PointPos(p.x, p.y); }
  int PointPos(double x, double y) const;
  // As PointPos; dist receives the unsigned distance.
  int PointPosEx(const T_POINT2D& p, long double& dist) const;

  // The crossing of two lines (kCrossing, point in *out) or why there is
  // none (kParallel, kSameLine; out untouched). out must not be null.
  int Intersect(const T_LINE2D& l, T_POINT2D* out) const;
  // As Intersect, but a crossing inside the closed rectangle spanned by c1
  // and c2 (grown by tol on every side for IntersectEx2) gives
  // kCrossingInRect.
  int IntersectEx(const T_LINE2D& l, const T_POINT2D& c1, const T_POINT2D& c2, T_POINT2D* out) const;
  int IntersectEx2(const T_LINE2D& l, const T_POINT2D& c1, const T_POINT2D& c2, T_POINT2D* out, double tol) const;

  // Whether p lies in the closed rectangle spanned by the corners c1 and c2,
  // given in either order; the second form grows it by tol on every side.
  static bool CheckPtInRect(const T_POINT2D& c1, const T_POINT2D& c2, const T_POINT2D& p);
  static bool CheckPtInRect2(const T_POINT2D& c1, const T_POINT2D& c2, const T_POINT2D& p, double tol);

  // Moves p onto the line along x (kAlongX), along y (kAlongY) or to the
  // foot of the perpendicular (kPerpendicular, for a normalised line). False,
  // with p untouched, when the line is parallel to the direction of the move
  // or the mode is unknown.
  bool ProjectPoint(T_POINT2D& p, int mode) const;
  // The same into out, p unchanged; out is untouched on false.
  bool ProjectPointEx(const T_POINT2D& p, int mode, T_POINT2D& out) const;

  // dist = the offset of p from the line along x, along y or perpendicular
  // to it (the signed distance, positive on the left, for a normalised
  // line); mode + kAbsolute gives its magnitude. False, with dist holding
  // a*x + b*y + c, for an offset along an axis parallel to the line or an
  // unknown mode.
  bool PtDistance(const T_POINT2D& p, int mode, long double& dist) const;
  bool PtDistance(double x, double y, int mode, long double& dist) const;

  // The least-squares line (regression of y on x) of n points, normalised
  // and directed towards increasing x. False, with all coefficients 0, for
  // fewer than two points or points that all share one x.
  bool CalcFromPointsLeastSquares(unsigned int n, const T_POINT2D* pts);

private:
  // (a, b) becomes (-b, a): the normal turns into the direction.
  void turnLeft();
  // c such that the line passes through (x, y).
  void passThrough(long double x, long double y);
};
