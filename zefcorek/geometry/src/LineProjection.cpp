// Moving points onto a line, measuring their offset from it, and fitting a
// line to a point set.
#include "zefcorek/Line2D.h"

#include <cmath>

bool T_LINE2D::ProjectPoint(T_POINT2D& p, int mode) const { return ProjectPointEx(p, mode, p); }

bool T_LINE2D::ProjectPointEx(const T_POINT2D& p, int mode, T_POINT2D& out) const {
  switch (mode) {
    case kAlongX:
      if (a == 0.0L) return false;
      out.x = double(-(c + b * p.y) / a);
      out.y = p.y;
      return true;
    case kAlongY:
      if (b == 0.0L) return false;
      out.y = double(-(c + a * p.x) / b);
      out.x = p.x;
      return true;
    case kPerpendicular: {
      // The foot of the perpendicular, both coordinates from the old point
      // (p and out may be the same record).
      const ExtendedReal x = p.x;
      const ExtendedReal y = p.y;
      out.x = double(b * b * x - a * b * y - a * c);
      out.y = double(a * a * y - a * b * x - b * c);
      return true;
    }
  }
  return false;
}

bool T_LINE2D::PtDistance(const T_POINT2D& p, int mode, long double& dist) const {
  dist = a * p.x + b * p.y + c;
  switch (mode & ~kAbsolute) {
    case kAlongX:
      if (a == 0.0L) return false;
      dist /= a;
      break;
    case kAlongY:
      if (b == 0.0L) return false;
      dist /= b;
      break;
    case kPerpendicular: break;
    default: return false;
  }
  if (mode & kAbsolute) dist = std::fabs(dist);
  return true;
}

bool T_LINE2D::PtDistance(double x, double y, int mode, long double& dist) const {
  return PtDistance(T_POINT2D{x, y}, mode, dist);
}

// Ordinary least squares of y on x, written with sums about the means: the
// slope is Sxy / Sxx with Sxx = sum (x - mean x)^2 and Sxy = sum
// (x - mean x)(y - mean y). Centring keeps the sums from cancelling when the
// points lie far from the origin, and points that all share one x give an
// Sxx of exactly 0 instead of a rounding residue.
bool T_LINE2D::CalcFromPointsLeastSquares(unsigned int n, const T_POINT2D* pts) {
  a = b = c = 0.0L;
  if (n < 2 || !pts) return false;

  ExtendedReal sumX = 0.0L, sumY = 0.0L;
  for (unsigned int i = 0; i < n; ++i) {
    sumX += pts[i].x;
    sumY += pts[i].y;
  }
  const ExtendedReal meanX = sumX / n;
  const ExtendedReal meanY = sumY / n;

  ExtendedReal sxx = 0.0L, sxy = 0.0L;
  for (unsigned int i = 0; i < n; ++i) {
    const ExtendedReal dx = pts[i].x - meanX;
    sxx += dx * dx;
    sxy += dx * (pts[i].y - meanY);
  }
  if (sxx == 0.0L) return false;

  // y = m*x + q, that is -m*x + y - q = 0, scaled to a unit normal.
  const ExtendedReal m = sxy / sxx;
  const ExtendedReal q = meanY - m * meanX;
  const ExtendedReal len = std::sqrt(m * m + 1.0L);
  a = -m / len;
  b = 1.0L / len;
  c = -q / len;
  return true;
}
