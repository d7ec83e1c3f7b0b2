// IPlaneFitImp: the point list and the least-squares fit of a height plane.
//
// The normal equations are formed on coordinates taken relative to the
// points' mean and c is moved back afterwards. The plain sums of x*x, x*y
// and y*y at surveying coordinates (hundreds of kilometres from the origin)
// cancel away most of their digits when the equations are solved; relative
// to the mean the same plane comes out to full precision.
#include "zefcorek/PlaneFit.h"

#include "zefcorek/ClassIds.h"
#include "zefcorek/ClassMakers.h"
#include "zefcorek/ExtendedReal.h"
#include "zefcorek/MtxLib.h"

#include <memory>
#include <new>

namespace {

class IPlaneFitImp final : public CountedUnknownImp<IPlaneFit> {
public:
  IPlaneFitImp() = default;
  IPlaneFitImp(const IPlaneFitImp&) = delete;
  IPlaneFitImp& operator=(const IPlaneFitImp&) = delete;

  HRESULT QueryInterface(REFIID iid, void** out) override;
  HRESULT Clear() override;
  ULONG GetCount() override { return count_; }
  HRESULT AddPoint(unsigned id, const tagT_POINT3D* pt) override;
  HRESULT GetPoint(unsigned index, unsigned* id, tagT_POINT3D* pt) override;
  HRESULT Compute() override;
  HRESULT GetPlaneData(T_PLANEFITDATA* out) override;
  HRESULT SetPlaneData(const T_PLANEFITDATA* in) override;
  virtual ~IPlaneFitImp() { freePoints(); }

private:
  struct Node {
    Node* next;
    unsigned id;
    tagT_POINT3D point;
  };

  void freePoints();
  // The least-squares plane of three or more points; false when the normal
  // equations are singular.
  bool fitPlane(T_PLANEFITDATA& plane) const;

  Node* newest_ = nullptr;  // head of the list, newest first; owned
  unsigned count_ = 0;      // nodes from newest_
  T_PLANEFITDATA plane_{};
};

HRESULT IPlaneFitImp::QueryInterface(REFIID iid, void** out) {
  if (out == nullptr) return E_INVALIDARG;
  *out = nullptr;
  if (iid != CLSID_IPlaneFitImp && iid != IID_IUnknown) return E_NOINTERFACE;
  *out = this;
  AddRef();
  return S_OK;
}

void IPlaneFitImp::freePoints() {
  while (newest_ != nullptr) {
    Node* next = newest_->next;
    delete newest_;
    newest_ = next;
  }
  count_ = 0;
}

HRESULT IPlaneFitImp::Clear() {
  freePoints();
  plane_ = T_PLANEFITDATA{};
  return S_OK;
}

HRESULT IPlaneFitImp::AddPoint(unsigned id, const tagT_POINT3D* pt) {
  if (pt == nullptr) return E_INVALIDARG;
  auto* node = new (std::nothrow) Node{newest_, id, *pt};
  if (node == nullptr) return E_OUTOFMEMORY;
  newest_ = node;
  ++count_;
  return S_OK;
}

HRESULT IPlaneFitImp::GetPoint(unsigned index, unsigned* id, tagT_POINT3D* pt) {
  if (id == nullptr && pt == nullptr) return E_INVALIDARG;
  if (index >= count_) {
    if (id != nullptr) *id = 0;
    if (pt != nullptr) {
      pt->x = 0.0;
      pt->y = 0.0;
    }
    return E_INVALIDARG;
  }
  const Node* node = newest_;
  for (unsigned i = 0; i < index; ++i) node = node->next;
  if (id != nullptr) *id = node->id;
  if (pt != nullptr) *pt = node->point;
  return S_OK;
}

bool IPlaneFitImp::fitPlane(T_PLANEFITDATA& plane) const {
  ExtendedReal sx = 0.0L, sy = 0.0L, sz = 0.0L;
  for (const Node* node = newest_; node != nullptr; node = node->next) {
    sx += node->point.x;
    sy += node->point.y;
    sz += node->point.z;
  }
  const double mx = double(sx / count_), my = double(sy / count_), mz = double(sz / count_);

  MtxLib::TGenMtx m(3, 3);
  MtxLib::TColVec v(3);
  for (const Node* node = newest_; node != nullptr; node = node->next) {
    const double x = node->point.x - mx;
    const double y = node->point.y - my;
    const double z = node->point.z - mz;
    m.At(0, 0) += x * x;
    m.At(0, 1) += x * y;
    m.At(0, 2) += x;
    m.At(1, 0) += x * y;
    m.At(1, 1) += y * y;
    m.At(1, 2) += y;
    m.At(2, 0) += x;
    m.At(2, 1) += y;
    v.At(0, 0) += x * z;
    v.At(1, 0) += y * z;
    v.At(2, 0) += z;
  }
  m.At(2, 2) = count_;
  const std::unique_ptr<MtxLib::TGenMtx> s(m.Solve(v));
  if (!s || s->Status() != MtxLib::kOk) return false;
  plane.valid = 1;
  plane.a = s->At(0, 0);
  plane.b = s->At(1, 0);
  plane.c = double(ExtendedReal(mz) + s->At(2, 0) - ExtendedReal(plane.a) * mx - ExtendedReal(plane.b) * my);
  return true;
}

HRESULT IPlaneFitImp::Compute() {
  plane_ = T_PLANEFITDATA{};
  if (count_ == 0) return E_FAIL;
  if (count_ == 1) {
    plane_ = T_PLANEFITDATA{1, 0.0, 0.0, newest_->point.z};
    return S_OK;
  }
  if (count_ == 2) {
    plane_ = T_PLANEFITDATA{1, 0.0, 0.0, double((ExtendedReal(newest_->point.z) + newest_->next->point.z) * 0.5L)};
    return S_OK;
  }
  // The matrices allocate; running out of memory must not leave through
  // the interface as an exception.
  T_PLANEFITDATA fitted{};
  try {
    if (!fitPlane(fitted)) return E_FAIL;
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  }
  plane_ = fitted;
  return S_OK;
}

HRESULT IPlaneFitImp::GetPlaneData(T_PLANEFITDATA* out) {
  if (out == nullptr) return E_INVALIDARG;
  *out = plane_;
  return S_OK;
}

HRESULT IPlaneFitImp::SetPlaneData(const T_PLANEFITDATA* in) {
  if (in == nullptr) return E_INVALIDARG;
  plane_ = *in;
  return S_OK;
}

}  // namespace

void* zefcorek::makeIPlaneFitImp(intptr_t) { return static_cast<IPlaneFit*>(new (std::nothrow) IPlaneFitImp()); }
