// IGfxBSplineImp: uniform B-splines by de Boor's algorithm (C. de Boor, "On
// calculating with B-splines", J. Approx. Theory 6, 1972), with clamped
// knots for open curves and uniform periodic knots for closed ones.
#include "zefcorek/GfxBSpline.h"

#include "zefcorek/ClassMakers.h"

#include "CountedReferences.h"

#include <algorithm>
#include <new>

IGfxSpline::~IGfxSpline() = default;
IGfxBSpline::~IGfxBSpline() = default;

void* zefcorek::makeIGfxBSplineImp(intptr_t) { return static_cast<IGfxBSpline*>(new (std::nothrow) IGfxBSplineImp()); }

namespace {

constexpr uint32_t kMinDegree = 2;
constexpr uint32_t kMaxDegree = 3;
constexpr uint32_t kMinSteps = 2;
constexpr uint32_t kMaxSteps = 128;
constexpr size_t kInitialWork = 64;
// The end point is evaluated just inside the parameter range.
constexpr double kEndInset = 0.00001;

// Knot i: uniform periodic for a closed curve; uniform clamped (k + 1 equal
// knots at each end) for an open one over N control points.
double knot(uint32_t i, bool closed, uint32_t k, uint32_t knots) {
  if (closed) return i;
  if (i <= k) return 0;
  if (i <= knots) return static_cast<double>(i - k);
  return static_cast<double>(knots - k);
}

using zefcorek::graphics::handOut;
using zefcorek::graphics::replaceCounted;

}  // namespace

IGfxBSplineImp::IGfxBSplineImp() : work_(kInitialWork) {}

IGfxBSplineImp::~IGfxBSplineImp() {
  SetSource(nullptr);
  SetDestination(nullptr);
}

HRESULT IGfxBSplineImp::QueryInterface(REFIID, void**) { return ZR_NOTSUPPORTED; }

ZRESULT IGfxBSplineImp::GetSource(IGfxPtSource3** out) { return handOut(source_, out); }

ZRESULT IGfxBSplineImp::SetSource(IGfxPtSource3* source) {
  replaceCounted(&source_, source);
  return ZR_OK;
}

ZRESULT IGfxBSplineImp::GetDestination(IGfxPtDestination3** out) { return handOut(destination_, out); }

ZRESULT IGfxBSplineImp::SetDestination(IGfxPtDestination3* destination) {
  replaceCounted(&destination_, destination);
  return ZR_OK;
}

ZRESULT IGfxBSplineImp::GetDegreeRange(uint32_t* min, uint32_t* max) {
  if (min == nullptr && max == nullptr) return ZR_BADARG;
  if (min != nullptr) *min = kMinDegree;
  if (max != nullptr) *max = kMaxDegree;
  return ZR_OK;
}

ZRESULT IGfxBSplineImp::GetDegree(uint32_t* out) {
  if (out == nullptr) return ZR_BADARG;
  *out = degree_;
  return ZR_OK;
}

ZRESULT IGfxBSplineImp::SetDegree(uint32_t degree) {
  if (degree < kMinDegree || degree > kMaxDegree) return ZR_FAILED;
  degree_ = degree;
  return ZR_OK;
}

ZRESULT IGfxBSplineImp::GetStepCount(uint32_t* out) {
  if (out == nullptr) return ZR_BADARG;
  *out = steps_;
  return ZR_OK;
}

ZRESULT IGfxBSplineImp::SetStepCount(uint32_t steps) {
  if (steps < kMinSteps || steps > kMaxSteps) return ZR_BADARG;
  steps_ = steps;
  return ZR_OK;
}

// de Boor's evaluation at t on span r: control points first .. first + k
// (modulo n) at work positions r - k .. r, then k levels of blending.
ZRESULT IGfxBSplineImp::evaluate(double t, uint32_t r, uint32_t first, uint32_t k, uint32_t n, bool closed,
                                 uint32_t knots, tagT_POINT3D* out) {
  if (work_.size() < static_cast<size_t>(k) + r) work_.resize(static_cast<size_t>(k) + r);
  for (uint32_t i = 0; i <= k; ++i) {
    if (const ZRESULT result = source_->GetPoint((first + i) % n, &work_[r - k + i]); result != ZR_OK) return result;
  }
  for (uint32_t level = 1; level <= k; ++level) {
    for (uint32_t j = r; j >= r - k + level; --j) {
      const double a = knot(j, closed, k, knots);
      const double b = knot(j + k + 1 - level, closed, k, knots);
      if (a == b) continue;
      tagT_POINT3D& p = work_[j];
      const tagT_POINT3D& q = work_[j - 1];
      p.x = ((b - t) * q.x + (t - a) * p.x) / (b - a);
      p.y = ((b - t) * q.y + (t - a) * p.y) / (b - a);
      if (p.z != q.z) p.z = ((b - t) * q.z + (t - a) * p.z) / (b - a);
    }
  }
  *out = work_[r];
  return ZR_OK;
}

ZRESULT IGfxBSplineImp::Compute() {
  if (source_ == nullptr || destination_ == nullptr) return ZR_FAILED;
  uint32_t n = 0;
  if (const ZRESULT result = source_->GetCount(&n); result != ZR_OK) return result;
  if (n < 2) return ZR_FAILED;
  const bool closed = source_->TestOptions(kGfxPtClosed) == ZR_OK;
  const uint32_t k = std::min(degree_, n - 1);
  if (const ZRESULT writable = destination_->CheckWritable(); writable != ZR_OK)
    return writable == ZR_NO ? ZR_FAILED : writable;
  const uint32_t knots = closed ? n + k : n;
  const uint64_t samples = static_cast<uint64_t>(knots - k) * steps_;
  const double h = 1.0 / steps_;
  const double end = knot(knots, closed, k, knots);

  double t = knot(k, closed, k, knots);
  double nextKnot = t + 1;
  uint32_t span = k;
  uint32_t first = 0;
  uint64_t emitted = 0;
  tagT_POINT3D point{};
  while (t < end) {
    if (t >= nextKnot) {
      first = (first + 1) % n;
      ++span;
      nextKnot += 1;
    }
    if (const ZRESULT result = evaluate(t, span, first, k, n, closed, knots, &point); result != ZR_OK) return result;
    if (const ZRESULT result = destination_->AddPoint(&point); result != ZR_OK) return result;
    if (++emitted == samples) break;
    t += h;
  }
  if (const ZRESULT result = evaluate(end - kEndInset, span, first, k, n, closed, knots, &point); result != ZR_OK)
    return result;
  for (; emitted < samples + 1; ++emitted) {
    if (const ZRESULT result = destination_->AddPoint(&point); result != ZR_OK) return result;
  }
  return destination_->ChangeOptions(kGfxPtClosed, closed);
}
