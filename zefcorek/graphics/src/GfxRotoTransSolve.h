// Pieces the control-point solvers share across their source files.
#pragma once

#include "zefcorek/GfxRotoTrans.h"

#include <vector>

namespace zefcorek::rototrans {

// The sum of the weights; 1 when they sum to 0, so that means stay finite.
inline double weightSum(const std::vector<GfxControlPoint>& points) {
  double W = 0;
  for (const auto& p : points) W += p.w;
  return W == 0.0 ? 1.0 : W;
}

// The similarity of a single point (x, y) -> (X, Y): no turn, unit scale,
// about the source point; the centred kinds keep the destination in c6, c7
// instead of the shift.
inline void onePointSimilarity(double* c, double x, double y, double X, double Y, bool centred) {
  c[0] = x;
  c[1] = y;
  c[2] = 0.0;
  c[3] = 1.0;
  c[4] = centred ? 0.0 : X;
  c[5] = centred ? 0.0 : Y;
  if (centred) {
    c[6] = X;
    c[7] = Y;
  }
}

}  // namespace zefcorek::rototrans
