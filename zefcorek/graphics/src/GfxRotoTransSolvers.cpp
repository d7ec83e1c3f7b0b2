// The closed-form solvers of the unweighted kinds: similarity (kinds 0 and
// 4), affine about the source mean (kind 1) and the axis scales of measured
// segments (kind 2). Each builds the normal equations of its least-squares
// model in MtxLib matrices and solves them; the solution matrix Solve hands
// out is owned by a unique_ptr on every path.
#include "zefcorek/GfxRotoTrans.h"

#include "zefcorek/MtxLib.h"

#include "GfxRotoTransSolve.h"

#include <cmath>
#include <memory>

namespace {

using MtxLib::TColVec;
using MtxLib::TGenMtx;

// Solves N u = v; null when the system has no unique solution.
std::unique_ptr<TGenMtx> solve(const TGenMtx& N, const TColVec& v) {
  std::unique_ptr<TGenMtx> u(N.Solve(v));
  if (u == nullptr || u->Status() != MtxLib::kOk) return nullptr;
  return u;
}

}  // namespace

// Least squares for X' = b x' - a y' + tx, Y' = a x' + b y' + ty with the
// unknowns (b, a, tx, ty), about the source centre (and for kind 4 the
// destination centre): the first point for two points, else the mean.
ZRESULT IGfxRotoTransImp::SolveSimilarity() {
  const uint32_t n = count_;
  const bool centred = kind_ == grtSimilarityCentred;
  if (n == 0) return ZR_FAILED;
  if (n == 1) {
    const GfxRotoTransPoint& p = table_[0].record;
    zefcorek::rototrans::onePointSimilarity(c_, p.srcX, p.srcY, p.dstX, p.dstY, centred);
    solved_ = 1;
    return ZR_OK;
  }
  double xc = table_[0].record.srcX, yc = table_[0].record.srcY;
  double Xc = centred ? table_[0].record.dstX : 0, Yc = centred ? table_[0].record.dstY : 0;
  if (n > 2) {
    xc = yc = Xc = Yc = 0;
    for (uint32_t i = 0; i < n; ++i) {
      const GfxRotoTransPoint& p = table_[i].record;
      xc += p.srcX;
      yc += p.srcY;
      Xc += p.dstX;
      Yc += p.dstY;
    }
    xc /= n;
    yc /= n;
    Xc = centred ? Xc / n : 0;
    Yc = centred ? Yc / n : 0;
  }
  TGenMtx N(4, 4);
  TColVec v(4);
  for (uint32_t i = 0; i < n; ++i) {
    const GfxRotoTransPoint& p = table_[i].record;
    const double x = p.srcX - xc, y = p.srcY - yc, X = p.dstX - Xc, Y = p.dstY - Yc;
    N.At(0, 0) += x * x + y * y;
    N.At(1, 1) += x * x + y * y;
    N.At(0, 2) += x;
    N.At(2, 0) += x;
    N.At(0, 3) += y;
    N.At(3, 0) += y;
    N.At(1, 2) -= y;
    N.At(2, 1) -= y;
    N.At(1, 3) += x;
    N.At(3, 1) += x;
    v.At(0, 0) += x * X + y * Y;
    v.At(1, 0) += x * Y - y * X;
    v.At(2, 0) += X;
    v.At(3, 0) += Y;
  }
  N.At(2, 2) = n;
  N.At(3, 3) = n;
  const std::unique_ptr<TGenMtx> u = solve(N, v);
  if (u != nullptr) {
    c_[0] = xc;
    c_[1] = yc;
    c_[3] = u->At(0, 0);
    c_[2] = u->At(1, 0);
    c_[4] = u->At(2, 0);
    c_[5] = u->At(3, 0);
    if (centred) {
      c_[6] = Xc;
      c_[7] = Yc;
    }
    solved_ = 1;
  }
  SetModified(true);
  return u != nullptr ? ZR_OK : ZR_FAILED;
}

// Least squares for X = u0 x' + u1 y' + u4, Y = u3 x' + u2 y' + u5 about
// the mean of the source points. A linear part of determinant exactly 0
// fails with the new coefficients kept.
ZRESULT IGfxRotoTransImp::SolveAffine() {
  const uint32_t n = count_;
  if (n < 2) return ZR_FAILED;
  double xc = 0, yc = 0;
  for (uint32_t i = 0; i < n; ++i) {
    xc += table_[i].record.srcX;
    yc += table_[i].record.srcY;
  }
  xc /= n;
  yc /= n;
  TGenMtx N(6, 6);
  TColVec v(6);
  for (uint32_t i = 0; i < n; ++i) {
    const GfxRotoTransPoint& p = table_[i].record;
    const double x = p.srcX - xc, y = p.srcY - yc, X = p.dstX, Y = p.dstY;
    const double gX[6] = {x, y, 0, 0, 1, 0};
    const double gY[6] = {0, 0, y, x, 0, 1};
    for (unsigned r = 0; r < 6; ++r) {
      for (unsigned c = 0; c < 6; ++c) N.At(r, c) += gX[r] * gX[c] + gY[r] * gY[c];
      v.At(r, 0) += X * gX[r] + Y * gY[r];
    }
  }
  N.At(4, 4) = n;
  N.At(5, 5) = n;
  const std::unique_ptr<TGenMtx> u = solve(N, v);
  ZRESULT result = ZR_FAILED;
  if (u != nullptr) {
    c_[0] = xc;
    c_[1] = yc;
    for (unsigned k = 0; k < 6; ++k) c_[2 + k] = u->At(k, 0);
    const double D = c_[3] * c_[5] - c_[2] * c_[4];
    if (D != 0.0) {
      solved_ = 1;
      result = ZR_OK;
    }
  }
  SetModified(true);
  return result;
}

// sx = sum(Lx ax) / sum(ax^2), sy likewise, where the true length L of each
// segment is split along the segment (or along its angle when flag bit 0 is
// set) and a zero extent counts as 1e-8.
ZRESULT IGfxRotoTransImp::SolveAxisScales() {
  const uint32_t n = count_;
  if (n == 0) return ZR_FAILED;
  constexpr double kZeroExtent = 1e-08;
  TGenMtx N(2, 2);
  TColVec v(2);
  for (uint32_t i = 0; i < n; ++i) {
    const GfxRotoTransPoint& p = table_[i].record;
    double ax = std::fabs(p.dstX - p.srcX);
    double ay = std::fabs(p.dstY - p.srcY);
    if (ax == 0) ax = kZeroExtent;
    if (ay == 0) ay = kZeroExtent;
    const double l = std::sqrt(ax * ax + ay * ay);
    const double L = p.length;
    const bool alongAngle = (p.flags & 1) != 0;
    const double Lx = alongAngle ? std::fabs(std::cos(p.angle)) * L : ax / l * L;
    const double Ly = alongAngle ? std::fabs(std::sin(p.angle)) * L : ay / l * L;
    N.At(0, 0) += ax * ax;
    N.At(1, 1) += ay * ay;
    v.At(0, 0) += Lx * ax;
    v.At(1, 0) += Ly * ay;
  }
  const std::unique_ptr<TGenMtx> u = solve(N, v);
  if (u != nullptr) {
    c_[0] = u->At(0, 0);
    c_[1] = u->At(1, 0);
    solved_ = 1;
  }
  SetModified(true);
  return u != nullptr ? ZR_OK : ZR_FAILED;
}
