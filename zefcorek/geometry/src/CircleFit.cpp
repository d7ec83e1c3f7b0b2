// The least-squares circle of a point set.
//
// The geometric fit minimises the sum of squared distances of the points
// from the circle. Its centre satisfies c = mean + L * G, where L is the mean
// distance of the points from c and G the mean unit vector from the points
// towards c; iterating that fixed point from the mean converges for points
// spread round the circle (Spath's algorithm for the geometric circle fit).
#include "zefcorek/Circle2D.h"

#include "zefcorek/ExtendedReal.h"
#include "zefcorek/SSqrt.h"

#include <cmath>

namespace {

constexpr int kMaxRounds = 100;
// The rounds stop when neither coordinate of the centre moved farther.
constexpr double kCentreSettled = 1e-8;
// Points this close to the centre give no direction and are skipped.
constexpr long double kAtCentre = 1e-8;

}  // namespace

void T_CIRCLE2D::CalcFromPointsLeastSquares(unsigned int n, const T_POINT2D* pts) {
  if (n == 0) return;
  ExtendedReal sumX = 0.0L, sumY = 0.0L;
  for (unsigned int i = 0; i < n; ++i) {
    sumX += pts[i].x;
    sumY += pts[i].y;
  }
  const ExtendedReal inverseN = 1.0L / n;
  const ExtendedReal meanX = sumX * inverseN;
  const ExtendedReal meanY = sumY * inverseN;

  T_POINT2D c{double(meanX), double(meanY)};
  ExtendedReal meanDist = 0.0L;
  for (int round = 0; round < kMaxRounds; ++round) {
    const T_POINT2D previous = c;
    ExtendedReal dist = 0.0L, towardsX = 0.0L, towardsY = 0.0L;
    for (unsigned int i = 0; i < n; ++i) {
      const ExtendedReal dx = ExtendedReal(pts[i].x) - c.x;
      const ExtendedReal dy = ExtendedReal(pts[i].y) - c.y;
      const ExtendedReal li = SSqrt(double(dx * dx + dy * dy));
      if (li <= kAtCentre) continue;
      dist += li;
      towardsX -= dx / li;
      towardsY -= dy / li;
    }
    meanDist = dist * inverseN;
    c = {double(meanX + meanDist * (towardsX * inverseN)), double(meanY + meanDist * (towardsY * inverseN))};
    if (std::fabs(c.x - previous.x) <= kCentreSettled && std::fabs(c.y - previous.y) <= kCentreSettled) break;
  }
  center = c;
  radius = meanDist;
  Calc3PFromCR();
}
