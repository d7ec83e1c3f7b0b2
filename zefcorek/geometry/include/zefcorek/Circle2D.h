// T_CIRCLE2D: a 2-D circle that keeps both of its descriptions.
//
// A circle is known by its centre and radius and by three points on it; the
// class keeps both and derives one from the other. valid tells whether the
// centre and radius describe the circle: building from centre and radius
// always succeeds, building from three points succeeds unless the points
// admit no circle (collinear, or all in one place). Every member that stores
// new points clears valid before it computes.
//
// The radius is held in extended precision; the centre and the points are
// doubles. The intersection members are virtual so that the arc can narrow
// them to its own sweep.
#pragma once

#include "zefcorek/GeoTypes.h"

#include "platform/Export.h"

class ZEF_EXPORT T_CIRCLE2D {
public:
  // Result codes of CalcLineIntersection.
  static constexpr int kLineMisses = 0;   // also for a circle that is not valid
  static constexpr int kLineTouches = 1;  // one point, in out[0]
  static constexpr int kLineCrosses = 2;  // two points, in out[0] and out[1]
  // Result codes of CalcCircleIntersection.
  static constexpr int kCirclesApart = 0;       // no point (or a circle not valid)
  static constexpr int kCirclesConcentric = 1;  // same centre, no point written
  static constexpr int kCirclesTouch = 2;       // out[0] = out[1]
  static constexpr int kCirclesCross = 3;       // two points

  long double radius;
  T_POINT2D center;
  T_POINT2D p1;  // three points on the circle, in the order they were given
  T_POINT2D p2;
  T_POINT2D p3;
  bool valid;  // center and radius describe the circle

  T_CIRCLE2D();
  T_CIRCLE2D(const T_CIRCLE2D& c) = default;
  T_CIRCLE2D& operator=(const T_CIRCLE2D& c) = default;
  // The circle of centre (cx, cy) and radius r; its three points are set.
  T_CIRCLE2D(long double cx, long double cy, long double r);
  // The circle through three points, given as coordinates, as an array of
  // three or as three pointers; valid tells whether there is one.
  T_CIRCLE2D(long double x1, long double y1, long double x2, long double y2, long double x3, long double y3);
  explicit T_CIRCLE2D(const T_POINT2D* pts);
  T_CIRCLE2D(const T_POINT2D* pt1, const T_POINT2D* pt2, const T_POINT2D* pt3);

  // The line through a and b (unbounded both ways) against the circle; out
  // holds two points, the one met first from a towards b in out[0]. A line
  // of zero length (a = b) misses.
  virtual int CalcLineIntersection(const T_POINT2D* a, const T_POINT2D* b, T_POINT2D* out);
  // This circle against other; out holds two points, out[0] on the left of
  // the direction from this centre to the other's. A circle lying strictly
  // inside the other has no intersection.
  virtual int CalcCircleIntersection(T_CIRCLE2D& other, T_POINT2D* out);
  // Rebuild from three points; valid tells whether a circle resulted.
  virtual void From3P(double x1, double y1, double x2, double y2, double x3, double y3);
  virtual void From3P(const T_POINT2D* pts);
  virtual void From3P(const T_POINT2D* pt1, const T_POINT2D* pt2, const T_POINT2D* pt3);

  // Rebuild from centre and radius.
  void FromCR(double cx, double cy, double r);
  // Sets the three points from centre and radius: the left, right and top
  // of the circle. Sets valid.
  void Calc3PFromCR();
  // The least-squares circle of n points (the geometric fit, iterated from
  // their mean for at most 100 rounds). valid is set and the three points
  // follow from the result, also when the rounds run out; n = 0 leaves the
  // circle as it was.
  void CalcFromPointsLeastSquares(unsigned int n, const T_POINT2D* pts);

  // Sets centre, radius and valid from the three points. When the points
  // admit no circle nothing is changed, so valid stays as the caller left it.
  // Points whose first and third coincide give the circle whose diameter is
  // the segment from the first to the second.
  void CalcCRFrom3P();

protected:
  // The angle of p seen from the centre, in (-pi, pi]; straight up or down
  // when p lies exactly above, below or on the centre.
  long double pointAngle(const T_POINT2D& p) const;

private:
  void setPoints(const T_POINT2D& pt1, const T_POINT2D& pt2, const T_POINT2D& pt3);
};
