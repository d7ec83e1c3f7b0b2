// Side tests against a directed line.
#include "zefcorek/PtOrientation.h"

#include "zefcorek/Line2D.h"

#include <cmath>

double PtOrientation(const T_POINT2D* a, const T_POINT2D* b, const T_POINT2D* q) {
  T_LINE2D line;
  if (!line.From2P(*a, *b)) return -1.0;
  long double dist = 0.0L;
  line.PtDistance(*q, T_LINE2D::kPerpendicular, dist);
  return double(dist);
}

int PtOrientationSign(double d) {
  if (d < 0.0) return -1;
  if (d > 0.0) return 1;
  return 0;
}

int PtOrientationSign(double d, double tol) {
  const double t = std::fabs(tol);
  if (d < -t) return -1;
  if (d > t) return 1;
  return 0;
}

int PtOrientationSign(const T_POINT2D* a, const T_POINT2D* b, const T_POINT2D* q) {
  return PtOrientationSign(PtOrientation(a, b, q));
}

int PtOrientationSign(const T_POINT2D* a, const T_POINT2D* b, const T_POINT2D* q, double tol) {
  return PtOrientationSign(PtOrientation(a, b, q), tol);
}
