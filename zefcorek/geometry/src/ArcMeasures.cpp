// The arc's length, the angles of its points and the test whether a point
// lies on it.
//
// CalcAngles stores, for both directions of the three points, the
// counter-clockwise sweep from startAngle to endAngle that holds the second
// point. That sweep is the arc, so the measures read it the same way for an
// inverted arc, and a full circle measures 2*pi.
#include "zefcorek/Arc3P2D.h"

#include "zefcorek/ExtendedReal.h"
#include "zefcorek/SSqrt.h"

#include <cmath>

double T_ARC3P2D::CalcLength() const {
  if (!valid) return 0.0;
  return double(radius * (ExtendedReal(endAngle) - startAngle));
}

double T_ARC3P2D::CalcPtOnArcAngle() const { return valid ? double(pointAngle(p2)) : 0.0; }

double T_ARC3P2D::CalcPtAngle(const T_POINT2D* p) const { return valid ? double(pointAngle(*p)) : 0.0; }

bool T_ARC3P2D::IsPtOnArc(const T_POINT2D* p) const {
  if (!valid) return false;
  const ExtendedReal dx = ExtendedReal(p->x) - center.x;
  const ExtendedReal dy = ExtendedReal(p->y) - center.y;
  const double dist = double(SSqrt(double(dx * dx + dy * dy)));
  if (std::fabs(dist - radius) > kOnArcTolerance) return false;
  double angle = double(pointAngle(*p));
  if (angle < startAngle) angle += kTwoPi;
  return startAngle <= angle && angle <= endAngle;
}
