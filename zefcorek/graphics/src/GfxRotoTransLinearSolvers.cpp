// The solvers whose equations are linear in the unknowns: bilinear (kind 3,
// each direction), conditioned affine (5), plain affine (6, and 17
// weighted), weighted affine (9) and projective (18).
//
// They share one frame: below the kind's fewest points nothing happens;
// otherwise the normal equations N u = b are summed point by point from the
// kind's equation rows a . u = l (N(j, k) += p a(j) a(k), b(j) += p a(j) l,
// with p = w / W for the weighted kinds, W the weight sum taken as 1.0 when
// exactly 0.0), solved, and on success the kind's coefficients stored and
// its acceptance test applied. A singular system stores nothing. From the
// solve on, the object is marked modified whatever the outcome.
#include "zefcorek/GfxRotoTrans.h"

#include "zefcorek/MtxLib.h"

#include "GfxRotoTransSolve.h"

#include <array>
#include <memory>

namespace {

using MtxLib::TColVec;
using MtxLib::TGenMtx;
using ControlPoints = std::vector<GfxControlPoint>;

constexpr unsigned kMostUnknowns = 8;

// One equation a . u = l of a point.
struct Equation {
  std::array<double, kMostUnknowns> a{};
  double l = 0;
};

using zefcorek::rototrans::weightSum;

// Sums and solves the normal equations of the rows that `rows(point, emit)`
// gives for every point. False when the system has no unique solution.
template <typename Rows>
bool solveNormal(const ControlPoints& points, unsigned m, bool weighted, Rows rows,
                 std::array<double, kMostUnknowns>* u) {
  const double W = weighted ? weightSum(points) : 1.0;
  TGenMtx N(m, m);
  TColVec b(m);
  for (const auto& point : points) {
    const double p = weighted ? point.w / W : 1.0;
    rows(point, [&](const Equation& e) {
      for (unsigned j = 0; j < m; ++j) {
        if (e.a[j] == 0) continue;
        for (unsigned k = 0; k < m; ++k) N.At(j, k) += p * e.a[j] * e.a[k];
        b.At(j, 0) += p * e.a[j] * e.l;
      }
    });
  }
  const std::unique_ptr<TGenMtx> solution(N.Solve(b));
  if (solution == nullptr || solution->Status() != MtxLib::kOk) return false;
  for (unsigned j = 0; j < m; ++j) (*u)[j] = solution->At(j, 0);
  return true;
}

Equation row(std::initializer_list<double> a, double l) {
  Equation e;
  unsigned j = 0;
  for (double v : a) e.a[j++] = v;
  e.l = l;
  return e;
}

}  // namespace

std::vector<GfxControlPoint> IGfxRotoTransImp::controlPoints() const {
  std::vector<GfxControlPoint> points(count_);
  for (uint32_t i = 0; i < count_; ++i) {
    const GfxRotoTransPoint& r = table_[i].record;
    points[i] = {r.srcX, r.srcY, r.dstX, r.dstY, r.weight};
  }
  return points;
}

ZRESULT IGfxRotoTransImp::finishSolve(ZRESULT result) {
  SetModified(true);
  return result;
}

ZRESULT IGfxRotoTransImp::SolveBilinear(bool forward) {
  if (count_ < 4) return ZR_FAILED;
  std::array<double, kMostUnknowns> u{};
  const bool solved = solveNormal(
      controlPoints(), 8, false,
      [&](const GfxControlPoint& p, auto emit) {
        const double s = forward ? p.x : p.X, t = forward ? p.y : p.Y;
        const double S = forward ? p.X : p.x, T = forward ? p.Y : p.y;
        emit(row({1, s, t, s * t, 0, 0, 0, 0}, S));
        emit(row({0, 0, 0, 0, 1, s, t, s * t}, T));
      },
      &u);
  if (!solved) {
    solved_ = 0;
    return finishSolve(ZR_FAILED);
  }
  for (unsigned k = 0; k < 8; ++k) c_[(forward ? 0 : 8) + k] = u[k];
  solved_ = 1;
  return finishSolve(ZR_OK);
}

ZRESULT IGfxRotoTransImp::SolveConditionedAffine() {
  if (count_ < 2) return ZR_FAILED;
  const ControlPoints points = controlPoints();
  double xs = 0, ys = 0, Xs = 0, Ys = 0;
  for (const GfxControlPoint& p : points) {
    xs += p.x;
    ys += p.y;
    Xs += p.X;
    Ys += p.Y;
  }
  const double n = count_;
  xs /= n;
  ys /= n;
  Xs /= n;
  Ys /= n;
  std::array<double, kMostUnknowns> u{};
  const bool solved = solveNormal(
      points, 4, false,
      [&](const GfxControlPoint& p, auto emit) {
        const double x = p.x - xs, y = p.y - ys;
        emit(row({x, y, 0, 0}, p.X));
        emit(row({0, 0, y, x}, p.Y));
        emit(row({x * x, x * y, y * y, x * y}, 0));
      },
      &u);
  if (!solved) {
    solved_ = 0;
    return finishSolve(ZR_FAILED);
  }
  c_[0] = xs;
  c_[1] = ys;
  for (unsigned k = 0; k < 4; ++k) c_[2 + k] = u[k];
  c_[6] = c_[7] = 0.0;
  c_[8] = Xs;
  c_[9] = Ys;
  const bool accepted = c_[3] * c_[5] - c_[2] * c_[4] != 0.0;
  solved_ = accepted ? 1 : 0;
  return finishSolve(accepted ? ZR_OK : ZR_FAILED);
}

ZRESULT IGfxRotoTransImp::SolveAffinePlain() {
  if (count_ < 4) return ZR_FAILED;
  const bool weighted = kind_ == grtWeightedAffinePlain;
  std::array<double, kMostUnknowns> u{};
  const bool solved = solveNormal(
      controlPoints(), 6, weighted,
      [&](const GfxControlPoint& p, auto emit) {
        emit(row({p.x, p.y, 1, 0, 0, 0}, p.X));
        emit(row({0, 0, 0, p.x, p.y, 1}, p.Y));
      },
      &u);
  if (!solved) {
    solved_ = 0;
    return finishSolve(ZR_FAILED);
  }
  for (unsigned k = 0; k < 6; ++k) c_[k] = u[k];
  const bool accepted = c_[0] * c_[4] - c_[3] * c_[1] != 0.0;
  solved_ = accepted ? 1 : 0;
  return finishSolve(accepted ? ZR_OK : ZR_FAILED);
}

ZRESULT IGfxRotoTransImp::SolveWeightedAffine() {
  if (count_ < 2) return ZR_FAILED;
  const ControlPoints points = controlPoints();
  const double W = weightSum(points);
  double xc = 0, yc = 0;
  for (const GfxControlPoint& p : points) {
    xc += p.w * p.x;
    yc += p.w * p.y;
  }
  xc /= W;
  yc /= W;
  std::array<double, kMostUnknowns> u{};
  const bool solved = solveNormal(
      points, 6, true,
      [&](const GfxControlPoint& p, auto emit) {
        const double x = p.x - xc, y = p.y - yc;
        emit(row({x, y, 0, 0, 1, 0}, p.X));
        emit(row({0, 0, y, x, 0, 1}, p.Y));
      },
      &u);
  if (!solved) {
    solved_ = 0;
    return finishSolve(ZR_FAILED);
  }
  c_[0] = xc;
  c_[1] = yc;
  for (unsigned k = 0; k < 6; ++k) c_[2 + k] = u[k];
  const bool accepted = c_[3] * c_[5] - c_[2] * c_[4] != 0.0;
  solved_ = accepted ? 1 : 0;
  return finishSolve(accepted ? ZR_OK : ZR_FAILED);
}

// The projective map with its denominator multiplied out, in raw
// coordinates (no centring or scaling); the fitted matrix H must be
// invertible.
ZRESULT IGfxRotoTransImp::SolveProjective() {
  if (count_ < 4) return ZR_FAILED;
  std::array<double, kMostUnknowns> u{};
  const bool solved = solveNormal(
      controlPoints(), 8, true,
      [&](const GfxControlPoint& p, auto emit) {
        emit(row({p.x, p.y, 1, 0, 0, 0, -p.x * p.X, -p.y * p.X}, p.X));
        emit(row({0, 0, 0, p.x, p.y, 1, -p.x * p.Y, -p.y * p.Y}, p.Y));
      },
      &u);
  if (!solved) {
    solved_ = 0;
    return finishSolve(ZR_FAILED);
  }
  for (unsigned k = 0; k < 8; ++k) c_[k] = u[k];
  TGenMtx H(3, 3);
  const double h[9] = {c_[0], c_[1], c_[2], c_[3], c_[4], c_[5], c_[6], c_[7], 1.0};
  for (unsigned r = 0; r < 3; ++r)
    for (unsigned c = 0; c < 3; ++c) H.At(r, c) = h[3 * r + c];
  const bool invertible = MtxLib::Inverse(H).Status() == MtxLib::kOk;
  solved_ = invertible ? 1 : 0;
  return finishSolve(invertible ? ZR_OK : ZR_FAILED);
}
