// T_ARC3P2D: the arc from a first point through a second to a third.
//
// The arc is its circle plus a sweep: it always runs counter-clockwise from
// startAngle to endAngle, with startAngle < endAngle <= startAngle + 2*pi.
// ccw records which end the first point is: true when the points run
// counter-clockwise (the sweep starts at the first point), false when they
// run clockwise (the sweep starts at the third). First and third points that
// (nearly) coincide make a full circle, and so does the default arc.
#pragma once

#include "zefcorek/Circle2D.h"

#include "platform/Export.h"

class ZEF_EXPORT T_ARC3P2D : public T_CIRCLE2D {
public:
  static constexpr double kTwoPi = 6.283185307179586;
  // First and third points closer than this on both axes close the arc.
  static constexpr double kFullCircleGap = 0.0001;
  // Points within this distance of the chord count as on it.
  static constexpr double kChordTolerance = 1e-8;
  // Result code of the arc's intersections: two crossings of the circles,
  // of which exactly one lies on the arc(s), in out[0]. The line form
  // reports that case as 3.
  static constexpr int kOneOfTwoKept = 4;
  // Points farther than this from the circle are not on the arc.
  static constexpr double kOnArcTolerance = 0.001;

  double startAngle;
  double endAngle;
  bool ccw;

  // A full circle of radius 0 at the origin, from 0 to 2*pi.
  T_ARC3P2D();
  T_ARC3P2D(const T_ARC3P2D& a) = default;
  T_ARC3P2D& operator=(const T_ARC3P2D& a) = default;
  T_ARC3P2D(long double x1, long double y1, long double x2, long double y2, long double x3, long double y3);
  explicit T_ARC3P2D(const T_POINT2D* pts);
  T_ARC3P2D(const T_POINT2D* pt1, const T_POINT2D* pt2, const T_POINT2D* pt3);

  // The circle's intersections, kept only where they lie on the arc (on
  // both arcs for CalcArcIntersection).
  int CalcLineIntersection(const T_POINT2D* a, const T_POINT2D* b, T_POINT2D* out) override;
  int CalcCircleIntersection(T_CIRCLE2D& other, T_POINT2D* out) override;
  void From3P(double x1, double y1, double x2, double y2, double x3, double y3) override;
  void From3P(const T_POINT2D* pts) override;
  void From3P(const T_POINT2D* pt1, const T_POINT2D* pt2, const T_POINT2D* pt3) override;
  virtual int CalcArcIntersection(T_ARC3P2D& other, T_POINT2D* out);

  bool Inverted() const { return !ccw; }

  // The measures below read the stored sweep, which runs counter-clockwise
  // from startAngle to endAngle whichever way the points were given; an arc
  // that is not valid gives 0 or false.
  // The length of the sweep: radius * (endAngle - startAngle).
  double CalcLength() const;
  // The angle of the second point, or of p, seen from the centre.
  double CalcPtOnArcAngle() const;
  double CalcPtAngle(const T_POINT2D* p) const;
  // Whether p lies within 0.001 of the circle and inside the sweep, both
  // ends included.
  bool IsPtOnArc(const T_POINT2D* p) const;

  // Sets startAngle, endAngle and ccw from the three points. An arc that is
  // not valid gets 0, 0 and ccw; a full circle keeps its start angle.
  void CalcAngles();

private:
  // Whether q lies on the other side of the chord than the second point.
  bool isOffArc(const T_POINT2D& q) const;
  // Keeps those of out[0], out[1] that lie on the arc, the survivor first:
  // bothKept, oneKept or 0.
  int keepOnArc(T_POINT2D* out, int bothKept, int oneKept) const;
};
