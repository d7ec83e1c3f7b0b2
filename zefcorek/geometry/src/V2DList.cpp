// T_V2DLIST: the 2-D vertex list's members over the shared storage, its
// conversion from the 3-D list and its shape tests.
#include "zefcorek/V2DList.h"

#include "PlanViewRules.h"
#include "VertexListStorageImpl.h"

#include "zefcorek/V3DList.h"

#include <new>

template class zefcorek::VertexListStorage<V2DVertexTraits>;

const T_VECTOR2D& V2DVertexTraits::zero() {
  static const T_VECTOR2D zero;
  return zero;
}

T_V2DLIST::T_V2DLIST() = default;

T_V2DLIST::~T_V2DLIST() = default;

void T_V2DLIST::Clear() { store_.clear(); }

unsigned T_V2DLIST::GetCount() const { return store_.count(); }

void T_V2DLIST::SetClosed(int closed) { store_.setClosed(closed); }

int T_V2DLIST::IsClosed() const { return store_.isClosed() ? 1 : 0; }

T_VECTOR2D* T_V2DLIST::GetVertex(unsigned i) const { return store_.at(i); }

void T_V2DLIST::SetVertex(unsigned i, const T_VECTOR2D* v) {
  if (v != nullptr) store_.setPosition(i, *v);
}

unsigned T_V2DLIST::Add(const T_VECTOR2D* v) { return v != nullptr ? store_.add(*v) : kNoIndex; }

unsigned T_V2DLIST::Add(double x, double y) {
  const T_VECTOR2D v(x, y);
  return Add(&v);
}

// The count is taken first: walking a list that grows under the walk would
// never end when a list is added to itself.
unsigned T_V2DLIST::Add(T_V2DLIST* other) {
  if (other == nullptr) return 0;
  const unsigned n = other->GetCount();
  unsigned added = 0;
  for (unsigned i = 0; i < n; ++i) {
    const T_VECTOR2D v = *other->GetVertex(i);
    if (Add(&v) == kNoIndex) break;
    ++added;
  }
  return added;
}

void T_V2DLIST::DeleteAt(unsigned i) { store_.deleteAt(i); }

unsigned T_V2DLIST::DeleteByProx(const T_VECTOR2D* p, double tol) {
  return p != nullptr ? store_.deleteByProx(*p, tol) : 0;
}

void T_V2DLIST::Swap(unsigned i, unsigned j) { store_.swap(i, j); }

void T_V2DLIST::InvertOrder() { store_.invertOrder(); }

void T_V2DLIST::Sort(CompareFunc compare, void* context) { store_.sort(compare, context); }

bool T_V2DLIST::UpdateLimits() { return store_.updateLimits(); }

bool T_V2DLIST::GetLimits(T_VECTOR2D* min, T_VECTOR2D* max) { return store_.getLimits(min, max); }

void T_V2DLIST::OffsetBy(double dx, double dy) { store_.offsetBy(T_VECTOR2D(dx, dy)); }

void T_V2DLIST::ScaleBy(double f) { store_.scaleBy(f); }

void* T_V2DLIST::GetPtrTag(unsigned i) const { return store_.tag(i); }

bool T_V2DLIST::SetPtrTag(unsigned i, void* tag) { return store_.setTag(i, tag); }

void T_V2DLIST::Assign(const T_V2DLIST* src) {
  if (src == nullptr) {
    Clear();
    return;
  }
  store_.assign(src->store_);
}

// The first Add validates the limits at the first vertex and every later one
// extends them, so they end valid and exact.
void T_V2DLIST::Assign(const T_V3DLIST* src) {
  Clear();
  if (src == nullptr) return;
  const unsigned n = src->GetCount();
  for (unsigned i = 0; i < n; ++i) {
    const T_V3DVERTEX* v = src->GetVertex(i);
    if (Add(v->x, v->y) == kNoIndex) {
      Clear();
      break;
    }
  }
  // A list without vertices stays open.
  if (GetCount() != 0) SetClosed(src->IsClosed());
  for (unsigned t = 0; t < zefcorek::VertexListStorage<V2DVertexTraits>::kTagCount; ++t)
    SetPtrTag(t, src->GetPtrTag(t));
}

T_V2DLIST* T_V2DLIST::Clone() const {
  auto* copy = new (std::nothrow) T_V2DLIST();
  if (copy != nullptr) copy->Assign(this);
  return copy;
}

// --- shape tests -----------------------------------------------------------

T_VECTOR2D T_V2DLIST::CalcBarycentre() const {
  const unsigned n = GetCount();
  if (n == 0) return T_VECTOR2D();
  ExtendedReal sx = 0.0L, sy = 0.0L;
  store_.forEach([&](const T_VECTOR2D& v) {
    sx += v.x;
    sy += v.y;
  });
  return T_VECTOR2D(sx / n, sy / n);
}

// Counts turns, not area: each left turn of the ring adds one, each right
// turn takes one away.
int T_V2DLIST::OrderCheck() const {
  int balance = 0;
  zefcorek::forEachRingTurn(store_, [&](const T_POINT2D& a, const T_POINT2D& b, const T_POINT2D& c) {
    const long double t = zefcorek::turnAt(a, b, c);
    if (t > 0.0L)
      ++balance;
    else if (t < 0.0L)
      --balance;
    return true;
  });
  return balance > 0 ? 1 : (balance < 0 ? -1 : 0);
}

int T_V2DLIST::FormCheck() const { return zefcorek::ringFormCheck(store_); }

int T_V2DLIST::SelfIntCheck() const {
  if (GetCount() <= 3) return 0;
  return zefcorek::anySidesCross(zefcorek::planPoints(store_), IsClosed() != 0) ? 1 : 0;
}

IRecList* T_V2DLIST::SelfIntGetSidesList(int closed) const {
  return zefcorek::selfIntersectionList(zefcorek::planPoints(store_), closed != 0);
}

void T_V2DLIST::FreeSelfIntSidesList(IRecList* list) const {
  if (list != nullptr) list->Release();
}

int T_V2DLIST::PtInsideCheck(const T_VECTOR2D* p) const {
  if (p == nullptr || GetCount() < 3) return 0;
  if (store_.limitsValid()) {
    const T_VECTOR2D& lo = store_.limitsMin();
    const T_VECTOR2D& hi = store_.limitsMax();
    if (p->x < lo.x || p->x > hi.x || p->y < lo.y || p->y > hi.y) return 0;
  }
  return zefcorek::ringContains(store_, T_POINT2D{p->x, p->y}) ? 1 : 0;
}
