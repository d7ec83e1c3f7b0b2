// The solvers of the shape-keeping and two-scale kinds: weighted similarity
// (7, 8), rigid motion (10, 11) by Gauss-Newton iteration, scale-rotate (12,
// 13) and rotate-scale (19, 20) by Gauss-Newton iteration with a condition
// equation, and the oriented fit (14, 15, 16) in closed form.
//
// The iterations follow the Gauss-Newton method (least squares by
// successive linearisation): each pass forms the normal equations
// N = A^T P A, g = A^T P L of the current residuals L and corrects the
// unknowns by d = -N^-1 g. P is diagonal and is never formed in full.
#include "zefcorek/GfxRotoTrans.h"

#include "zefcorek/MtxLib.h"
#include "zefcorek/WeightedNormalEquations.h"

#include "GfxRotoTransSolve.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <memory>
#include <vector>

namespace {

using MtxLib::TColVec;
using MtxLib::TGenMtx;
using Points = std::vector<GfxControlPoint>;

constexpr ZRESULT kEFail = static_cast<ZRESULT>(0x80004005u);
constexpr int kMostPasses = 500;

using zefcorek::rototrans::weightSum;

// The reference point of a set: the point itself, the first of two, or the
// weighted mean of three or more.
void referencePoint(const Points& points, double W, bool destination, double& cx, double& cy) {
  auto xOf = [&](const GfxControlPoint& p) { return destination ? p.X : p.x; };
  auto yOf = [&](const GfxControlPoint& p) { return destination ? p.Y : p.y; };
  if (points.size() <= 2) {
    cx = xOf(points[0]);
    cy = yOf(points[0]);
    return;
  }
  cx = cy = 0;
  for (const auto& p : points) {
    cx += p.w * xOf(p);
    cy += p.w * yOf(p);
  }
  cx /= W;
  cy /= W;
}

// Gauss-Newton on `m` unknowns. fill(u, A, L, p) lays out every row at the
// current unknowns; after each correction adjust(u) may normalise them;
// converged(d) decides on the correction. False on a singular pass or
// without convergence in 500 passes.
template <typename Fill, typename Adjust, typename Converged>
bool gaussNewton(unsigned m, size_t rows, double* u, Fill fill, Adjust adjust, Converged converged) {
  std::vector<double> A(rows * m), L(rows), p(rows);
  for (int pass = 0; pass < kMostPasses; ++pass) {
    fill(u, A.data(), L.data(), p.data());
    TGenMtx N, g;
    zefcorek::weightedNormalEquations(A, L, p, m, N, g);
    const TGenMtx Q = MtxLib::Inverse(N);
    if (Q.Status() != MtxLib::kOk) return false;
    const TGenMtx d = (-Q) * g;
    double correction[8] = {};
    for (unsigned k = 0; k < m; ++k) {
      correction[k] = d.At(k, 0);
      u[k] += correction[k];
    }
    adjust(u);
    if (converged(correction)) return true;
  }
  return false;
}

// |v| < limit, false for a NaN.
bool below(double v, double limit) { return std::fabs(v) < limit; }

}  // namespace

// --- weighted similarity (kinds 7, 8) ----------------------------------------------

ZRESULT IGfxRotoTransImp::SolveWeightedSimilarity() {
  const bool centred = kind_ == grtWeightedSimilarityCentred;
  if (count_ == 0) return ZR_FAILED;
  const Points points = controlPoints();
  if (count_ == 1) {
    const GfxControlPoint& q = points[0];
    zefcorek::rototrans::onePointSimilarity(c_, q.x, q.y, q.X, q.Y, centred);
    solved_ = 1;
    return ZR_OK;
  }
  const double W = weightSum(points);
  double xc = 0, yc = 0, Xc = 0, Yc = 0;
  referencePoint(points, W, false, xc, yc);
  if (centred) referencePoint(points, W, true, Xc, Yc);
  TGenMtx N(4, 4);
  TColVec b(4);
  for (const GfxControlPoint& q : points) {
    const double p = q.w / W;
    const double x = q.x - xc, y = q.y - yc, X = q.X - Xc, Y = q.Y - Yc;
    N.At(0, 0) += p * (x * x + y * y);
    N.At(1, 1) += p * (x * x + y * y);
    N.At(2, 2) += p;
    N.At(3, 3) += p;
    for (auto [r, c] : {std::pair{0u, 2u}, {2u, 0u}, {1u, 3u}, {3u, 1u}}) N.At(r, c) += p * x;
    N.At(0, 3) += p * y;
    N.At(3, 0) += p * y;
    N.At(1, 2) += -p * y;
    N.At(2, 1) += -p * y;
    b.At(0, 0) += p * (x * X + y * Y);
    b.At(1, 0) += p * (x * Y - y * X);
    b.At(2, 0) += p * X;
    b.At(3, 0) += p * Y;
  }
  const std::unique_ptr<TGenMtx> u(N.Solve(b));
  if (u == nullptr || u->Status() != MtxLib::kOk) {
    solved_ = 0;
    return finishSolve(ZR_FAILED);
  }
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
  // The squared scale, without a root; a NaN passes.
  if (std::fabs(c_[2] * c_[2] + c_[3] * c_[3]) < 1e-8) {
    solved_ = 0;
    return finishSolve(kEFail);
  }
  solved_ = 1;
  return finishSolve(ZR_OK);
}

// --- rigid motion (kinds 10, 11) ------------------------------------------------------

ZRESULT IGfxRotoTransImp::SolveRigid() {
  const bool centred = kind_ == grtRigidCentred;
  if (count_ == 0) return ZR_FAILED;
  const Points points = controlPoints();
  if (count_ == 1) {
    const GfxControlPoint& q = points[0];
    c_[0] = centred ? q.x : 0.0;
    c_[1] = centred ? q.y : 0.0;
    c_[2] = 0.0;
    c_[3] = 1.0;
    c_[4] = centred ? q.X : q.X - q.x;
    c_[5] = centred ? q.Y : q.Y - q.y;
    solved_ = 1;
    return ZR_OK;
  }
  const double W = weightSum(points);
  double xc = 0, yc = 0;
  if (centred) referencePoint(points, W, false, xc, yc);
  const double a0 = 0.9;
  double u[4] = {a0, std::sqrt(std::fabs(1 - a0 * a0)), -1.0, -1.0};
  const bool converged = gaussNewton(
      4, 2 * points.size(), u,
      [&](const double* v, double* A, double* L, double* p) {
        const double a = v[0], b = v[1], tx = v[2], ty = v[3];
        for (size_t i = 0; i < points.size(); ++i) {
          const GfxControlPoint& q = points[i];
          const double x = q.x - xc, y = q.y - yc;
          double* r0 = A + 8 * i;
          double* r1 = r0 + 4;
          r0[0] = x, r0[1] = -y, r0[2] = 1, r0[3] = 0;
          r1[0] = y, r1[1] = x, r1[2] = 0, r1[3] = 1;
          L[2 * i] = (a * x - b * y + tx) - q.X;
          L[2 * i + 1] = (a * y + b * x + ty) - q.Y;
          p[2 * i] = p[2 * i + 1] = q.w / W;
        }
      },
      [](double*) {},
      [](const double* d) {
        return below(d[0], 1e-10) && below(d[1], 1e-10) && below(d[2], 1e-6) && below(d[3], 1e-6);
      });
  if (!converged) {
    solved_ = 0;
    return finishSolve(ZR_FAILED);
  }
  const double s = std::sqrt(std::fabs(u[0] * u[0] + u[1] * u[1]));
  c_[0] = xc;
  c_[1] = yc;
  c_[3] = u[0] / s;
  c_[2] = u[1] / s;
  c_[4] = u[2];
  c_[5] = u[3];
  solved_ = 1;
  return finishSolve(ZR_OK);
}

// --- two scales (kinds 12, 13, 19, 20) --------------------------------------------------
//
// The backward set is fitted on its own, not inverted: the inverse of two
// scales followed by a turn is a turn followed by two scales, and the
// reverse, so a backward model of the same shape expresses the inverse only
// for equal scales or a quarter turn. Otherwise the backward fit is a
// least-squares compromise with residuals left over, and two things keep the
// plain iteration from it:
// - Its passes overshoot: with scales 2 and 0.5 under a 30 degree turn each
//   plain scale-rotate pass multiplies a deviation from the optimum by about
//   -1.4 and ends in a two-cycle. A step is therefore cut short where the
//   weighted residual stops falling along it.
// - The condition equation weighs as much as the points, so where it cannot
//   hold with them the plain rotate-scale iteration settles on rows that are
//   not orthogonal, which the stored lengths and direction cannot express.
//   Each correction therefore meets the linearised condition exactly (the
//   correction of least weighted change that does, formed from the same
//   normal equations), and the unknowns are brought back onto the condition
//   after every step, so what is stored is what was fitted.
// On exact data of the model the steps stay full but for terms of the order
// of the correction itself, so the passes still end in a few, on the
// coefficients of the plain method.

namespace {

constexpr unsigned kTwoScaleUnknowns = 6;
// A step from the slopes below this fraction of the correction has the
// halvings of the full step weighed against it; they go down to 1/1024.
constexpr double kShortStep = 0.25;
constexpr int kMostHalvings = 10;

// The origin and target points of one direction, and the centre.
struct Direction {
  std::vector<GfxControlPoint> points;  // x, y: origin; X, Y: target
  double W = 1;
  double xc = 0, yc = 0;
};

Direction directionOf(const Points& all, bool forward, bool centred) {
  Direction d;
  d.points = all;
  if (!forward) {
    for (GfxControlPoint& q : d.points) {
      std::swap(q.x, q.X);
      std::swap(q.y, q.Y);
    }
  }
  d.W = weightSum(d.points);
  if (centred) {
    for (const GfxControlPoint& q : d.points) {
      d.xc += q.w * q.x;
      d.yc += q.w * q.y;
    }
    d.xc /= d.W;
    d.yc /= d.W;
  }
  return d;
}

bool twoScaleConverged(const double* d) {
  return below(d[0], 1e-10) && below(d[1], 1e-10) && below(d[2], 1e-10) && below(d[3], 1e-10) && below(d[4], 1e-6) &&
         below(d[5], 1e-6);
}

// Gauss-Newton on the six unknowns of a two-scale model whose last row is
// the condition equation. fill(u, A, L, p) lays out every row at the
// current unknowns; project(u) brings the unknowns onto the condition
// without leaving the model. False on a singular pass or without
// convergence in 500 passes.
//
// The step length along a correction d comes from the slope of the
// weighted squared residual (the condition row included) at both ends,
// g . d with g = A^T P L: where it
// still falls at the full step the full step is taken, otherwise the step
// ends where the slope, taken as linear, vanishes. Slopes stay exact to
// rounding where differences of the residual itself no longer resolve the
// last digits the convergence test asks for.
//
// The slopes see the straight step, not the unknowns brought back onto the
// condition after it, and far from the optimum the two part: a step that
// turns the first row far moves the second with it, and the residual may
// grow many times over (scales 0.7 and 4 turned by -1.2 rad: from 4.3 to
// 51, after which the fit settled on a poorer optimum); and where the
// scales have nearly vanished the turn hardly changes the residual, the
// slope step shrinks to millionths and the passes run out. Where the step
// from the slopes raises the residual on the condition, or is shorter than
// a quarter, the halvings of the full step are weighed on the condition
// too, and the one that lowers the residual most clearly takes its place.
template <typename Fill, typename Project>
bool twoScaleGaussNewton(size_t rows, double* u, Fill fill, Project project) {
  constexpr unsigned m = kTwoScaleUnknowns;
  std::vector<double> A(rows * m), L(rows), p(rows);
  auto normalEquations = [&](const double* v, TGenMtx& N, TGenMtx& g) {
    fill(v, A.data(), L.data(), p.data());
    zefcorek::weightedNormalEquations(A, L, p, m, N, g);
  };
  auto slope = [](const TGenMtx& g, const double* d) {
    double sum = 0;
    for (unsigned j = 0; j < m; ++j) sum += g.At(j, 0) * d[j];
    return sum;
  };
  // The weighted squared residual of the points as L holds it.
  auto pointResidual = [&] {
    double sum = 0;
    for (size_t i = 0; i + 1 < rows; ++i) sum += p[i] * L[i] * L[i];
    return sum;
  };
  // The same after a step of `length` along d and back onto the condition.
  auto residualAfter = [&](const double* d, double length) {
    double v[m];
    for (unsigned j = 0; j < m; ++j) v[j] = u[j] + length * d[j];
    project(v);
    fill(v, A.data(), L.data(), p.data());
    return pointResidual();
  };
  project(u);
  for (int pass = 0; pass < kMostPasses; ++pass) {
    TGenMtx N, g;
    normalEquations(u, N, g);
    const double before = pointResidual();
    const TGenMtx Q = MtxLib::Inverse(N);
    if (Q.Status() != MtxLib::kOk) return false;
    const TGenMtx plain = (-Q) * g;
    // The condition row n and its value h: move d along Q n until
    // n . d = -h.
    const double* n = &A[(rows - 1) * m];
    const double h = L[rows - 1];
    double d[m], Qn[m], nd = 0, nQn = 0;
    for (unsigned j = 0; j < m; ++j) {
      d[j] = plain.At(j, 0);
      Qn[j] = 0;
      for (unsigned k = 0; k < m; ++k) Qn[j] += Q.At(j, k) * n[k];
      nd += n[j] * d[j];
      nQn += n[j] * Qn[j];
    }
    if (nQn > 0 && std::isfinite(nQn)) {
      const double shift = (nd + h) / nQn;
      for (unsigned j = 0; j < m; ++j) d[j] -= shift * Qn[j];
    }
    const bool converged = twoScaleConverged(d);
    double step = 1;
    if (!converged) {
      const double atStart = slope(g, d);
      double full[m];
      for (unsigned j = 0; j < m; ++j) full[j] = u[j] + d[j];
      TGenMtx fullN, fullG;
      normalEquations(full, fullN, fullG);
      const double atEnd = slope(fullG, d);
      if (atStart < 0 && atEnd > 0) step = atStart / (atStart - atEnd);
      const double after = residualAfter(d, step);
      if (after > before || step < kShortStep) {
        // Clearly lower: by more than rounding of the residual.
        double bar = std::min(before, after) * (1 - 1e-9);
        for (int halvings = 0; halvings <= kMostHalvings; ++halvings) {
          const double length = std::ldexp(1.0, -halvings);
          const double residual = residualAfter(d, length);
          if (residual < bar) {
            bar = residual;
            step = length;
          }
        }
      }
    }
    for (unsigned j = 0; j < m; ++j) u[j] += step * d[j];
    project(u);
    if (converged) return true;
  }
  return false;
}

}  // namespace

ZRESULT IGfxRotoTransImp::SolveScaleRotate(bool forward) {
  if (count_ <= 2) return ZR_FAILED;
  const Direction dir = directionOf(controlPoints(), forward, kind_ == grtScaleRotateCentred);
  const size_t n = dir.points.size();
  double u[6] = {1.1, 0.9, 0.9, std::sqrt(1 - 0.9 * 0.9), -1.0, -1.0};
  const bool converged = twoScaleGaussNewton(
      2 * n + 1, u,
      [&](const double* v, double* A, double* L, double* p) {
        const double sx = v[0], sy = v[1], c = v[2], s = v[3], tx = v[4], ty = v[5];
        for (size_t i = 0; i < n; ++i) {
          const GfxControlPoint& q = dir.points[i];
          const double x = q.x - dir.xc, y = q.y - dir.yc;
          double* r0 = A + 12 * i;
          double* r1 = r0 + 6;
          r0[0] = c * x, r0[1] = -s * y, r0[2] = sx * x, r0[3] = -sy * y, r0[4] = 1, r0[5] = 0;
          r1[0] = s * x, r1[1] = c * y, r1[2] = sy * y, r1[3] = sx * x, r1[4] = 0, r1[5] = 1;
          L[2 * i] = sx * c * x - sy * s * y + tx - q.X;
          L[2 * i + 1] = sy * c * y + sx * s * x + ty - q.Y;
          p[2 * i] = p[2 * i + 1] = q.w / dir.W;
        }
        double* condition = A + 12 * n;
        condition[0] = 0, condition[1] = 0, condition[2] = 2 * c, condition[3] = 2 * s;
        condition[4] = 0, condition[5] = 0;
        L[2 * n] = s * s + c * c - 1;
        p[2 * n] = 1.0;
      },
      [](double* v) {
        // Scaling (cos, sin) to unit length and both scales the other way
        // keeps the transformation; so does flipping all four, which keeps
        // both scales positive.
        const double length = std::hypot(v[2], v[3]);
        if (length > 0 && std::isfinite(length)) {
          v[0] *= length;
          v[1] *= length;
          v[2] /= length;
          v[3] /= length;
        }
        if (v[0] < 0 || v[1] < 0)
          for (int k = 0; k < 4; ++k) v[k] = -v[k];
      });
  if (!converged) {
    solved_ = 0;
    return finishSolve(ZR_FAILED);
  }
  double* c = c_ + (forward ? 0 : 8);
  c[0] = dir.xc;
  c[1] = dir.yc;
  for (int k = 0; k < 6; ++k) c[2 + k] = u[k];
  solved_ = 1;
  return finishSolve(ZR_OK);
}

namespace {

// The rotate-scale rows (a, b) and (c, d) as the stored set expresses them:
// the first row's length s1 and direction, the second row's signed length s2
// along the perpendicular of that direction (negative for a mirror).
struct RotateScaleSet {
  double s1, s2, cosine, sine;
};

RotateScaleSet rotateScaleSet(const double* v) {
  const double s1 = std::hypot(v[0], v[1]);
  if (!(s1 > 0)) return {0, std::hypot(v[2], v[3]), 1, 0};
  const double cosine = v[0] / s1, sine = v[1] / s1;
  return {s1, v[3] * cosine - v[2] * sine, cosine, sine};
}

}  // namespace

ZRESULT IGfxRotoTransImp::SolveRotateScale(bool forward) {
  if (count_ <= 2) return ZR_FAILED;
  const Direction dir = directionOf(controlPoints(), forward, kind_ == grtRotateScaleCentred);
  const size_t n = dir.points.size();
  double u[6] = {1.0, 0.0, 0.0, 1.0, 0.0, 0.0};
  const bool converged = twoScaleGaussNewton(
      2 * n + 1, u,
      [&](const double* v, double* A, double* L, double* p) {
        const double a = v[0], b = v[1], c = v[2], d = v[3], tx = v[4], ty = v[5];
        for (size_t i = 0; i < n; ++i) {
          const GfxControlPoint& q = dir.points[i];
          const double x = q.x - dir.xc, y = q.y - dir.yc;
          double* r0 = A + 12 * i;
          double* r1 = r0 + 6;
          r0[0] = x, r0[1] = y, r0[2] = 0, r0[3] = 0, r0[4] = 1, r0[5] = 0;
          r1[0] = 0, r1[1] = 0, r1[2] = x, r1[3] = y, r1[4] = 0, r1[5] = 1;
          L[2 * i] = a * x + b * y + tx - q.X;
          L[2 * i + 1] = c * x + d * y + ty - q.Y;
          p[2 * i] = p[2 * i + 1] = q.w / dir.W;
        }
        double* condition = A + 12 * n;
        condition[0] = c, condition[1] = d, condition[2] = a, condition[3] = b;
        condition[4] = 0, condition[5] = 0;
        L[2 * n] = b * d + a * c;
        p[2 * n] = 1.0;
      },
      [](double* v) {
        // The second row onto the perpendicular of the first.
        const RotateScaleSet set = rotateScaleSet(v);
        v[2] = -set.s2 * set.sine;
        v[3] = set.s2 * set.cosine;
      });
  if (!converged) {
    solved_ = 0;
    return finishSolve(ZR_FAILED);
  }
  // cos and sin of the first row itself keep its quadrant; the second row's
  // length is signed, so a mirrored fit is stored as fitted.
  const RotateScaleSet set = rotateScaleSet(u);
  double* c = c_ + (forward ? 0 : 8);
  c[0] = dir.xc;
  c[1] = dir.yc;
  c[2] = set.s1;
  c[3] = set.s2;
  c[4] = set.cosine;
  c[5] = set.sine;
  c[6] = u[4];
  c[7] = u[5];
  solved_ = 1;
  return finishSolve(ZR_OK);
}

// --- the oriented kinds (14, 15, 16) ------------------------------------------------------

namespace {

// Gauss-Jordan elimination without row exchanges on the 4 x 5 augmented
// matrix; column 4 then holds the solution. False on a zero pivot.
bool jordan(double M[4][5]) {
  for (int k = 0; k < 4; ++k) {
    const double pivot = M[k][k];
    if (pivot == 0.0) return false;
    double next[4][5];
    for (int i = 0; i < 4; ++i)
      for (int j = k + 1; j < 5; ++j) next[i][j] = i == k ? -M[k][j] / pivot : M[i][j] - M[k][j] * M[i][k] / pivot;
    for (int i = 0; i < 4; ++i)
      for (int j = k + 1; j < 5; ++j) M[i][j] = next[i][j];
  }
  return true;
}

// The stretch r of the source y from the distances between pairs of points
// whose weights are both positive: D ~ g u + h v, r = sqrt(h) / sqrt(g).
double estimateStretch(const Points& points) {
  double Suu = 0, Suv = 0, Svv = 0, SuD = 0, SvD = 0;
  for (size_t i = 0; i < points.size(); ++i) {
    if (!(points[i].w > 0)) continue;
    for (size_t j = i + 1; j < points.size(); ++j) {
      if (!(points[j].w > 0)) continue;
      const GfxControlPoint &a = points[i], &b = points[j];
      const double D = (b.X - a.X) * (b.X - a.X) + (b.Y - a.Y) * (b.Y - a.Y);
      const double u = (b.x - a.x) * (b.x - a.x);
      const double v = (b.y - a.y) * (b.y - a.y);
      Suu += u * u;
      Suv += u * v;
      Svv += v * v;
      SuD += u * D;
      SvD += v * D;
    }
  }
  const double det = Suu * Svv - Suv * Suv;
  if (det == 0) return 1.0;
  const double g = (SuD * Svv - SvD * Suv) / det;
  const double h = (SvD * Suu - SuD * Suv) / det;
  return g > 0 && h > 0 ? std::sqrt(h) / std::sqrt(g) : 1.0;
}

}  // namespace

ZRESULT IGfxRotoTransImp::SolveOriented(uint32_t kind) {
  GfxOrientCoeffs o = orientCoeffs();
  solved_ = 0;
  o.flags &= ~(kOrientScaleKept | kOrientStretch | kOrientShiftOnly);
  if (kind != grtOrientRigid) o.flags |= kOrientScaleKept;
  if (kind == grtOrientStretched) o.flags |= kOrientStretch;
  o.ex = o.ey = 0.0;
  setOrientCoeffs(o);
  if (count_ == 0) return ZR_FAILED;
  const Points points = controlPoints();
  std::vector<double> stretched(points.size());
  uint32_t usable = 0;
  size_t first = 0;
  for (size_t i = 0; i < points.size(); ++i) {
    stretched[i] = points[i].y;
    if (points[i].w >= 0 && usable++ == 0) first = i;
  }
  if (usable == 1) {
    o.flags |= kOrientShiftOnly;
    o.ex = points[first].X - points[first].x;
    o.ey = points[first].Y - points[first].y;
    setOrientCoeffs(o);
    solved_ = 1;
    return ZR_OK;
  }
  if (usable == 0) return ZR_FAILED;
  o.r = kind == grtOrientStretched ? estimateStretch(points) : 1.0;
  for (double& y : stretched) y *= o.r;

  double sxx = 0, sx = 0, sy = 0, sxX = 0, sxY = 0, sX = 0, sY = 0;
  for (size_t i = 0; i < points.size(); ++i) {
    if (!(points[i].w >= 0)) continue;
    const double x = points[i].x, y = stretched[i], X = points[i].X, Y = points[i].Y;
    sxx += x * x + y * y;
    sx += x;
    sy += y;
    sxX += x * X + y * Y;
    sxY += x * Y - y * X;
    sX += X;
    sY += Y;
  }
  const double m = usable;
  double M[4][5] = {{sxx, 0, sx, sy, -sxX}, {0, sxx, sy, -sx, sxY}, {sx, sy, m, 0, -sX}, {sy, -sx, 0, m, -sY}};
  if (!jordan(M)) {
    o.alpha = 0;
    o.tx = o.ty = 0;
    o.s = 1.0;
    o.r = 1.0;
    o.p = 0;
    o.q = 1.0;
    setOrientCoeffs(o);
    return ZR_FAILED;
  }
  o.q = M[0][4];
  o.p = M[1][4];
  o.tx = M[2][4];
  o.ty = M[3][4];
  o.s = std::sqrt(std::fabs(o.q * o.q + o.p * o.p));
  if (kind == grtOrientRigid) {
    // Unit scale: the translation moves by the mean residual of the
    // unit-scale transformation over the usable points.
    o.q /= o.s;
    o.p /= o.s;
    setOrientCoeffs(o);
    solved_ = 1;
    double dx = 0, dy = 0;
    for (const GfxControlPoint& q : points) {
      if (!(q.w >= 0)) continue;
      const T_POINT2D in{q.x, q.y};
      T_POINT2D out{};
      TransformPoint(&in, &out);
      dx += out.x - q.X;
      dy += out.y - q.Y;
    }
    solved_ = 0;
    o.tx -= dx / m;
    o.ty -= dy / m;
    o.s = 1.0;
  }
  if (std::fabs(o.p) < 1e-10) o.p = 0;
  double phi;
  if (std::fabs(o.q) <= 1e-10) {
    o.q = 0;
    phi = o.p >= 0 ? M_PI / 2 : -M_PI / 2;
  } else {
    phi = std::atan2(o.p, o.q);
  }
  o.alpha = M_PI / 2 - phi;
  while (o.alpha < 0) o.alpha += 2 * M_PI;
  while (o.alpha > 2 * M_PI) o.alpha -= 2 * M_PI;
  setOrientCoeffs(o);
  solved_ = 1;
  return ZR_OK;
}
