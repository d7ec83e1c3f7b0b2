// T_V2DLIST: the 2-D vertex list's members over the shared storage, its
// conversion from the 3-D list and its shape tests.
#include "zefcorek/V2DList.h"

#include "PlanCrossing.h"
#include "VertexListStorageImpl.h"

#include "zefcorek/V3DList.h"

#include <new>
#include <vector>

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
  if (v != nullptr)
    store_.setPosition(i, *v);
}

unsigned T_V2DLIST::Add(const T_VECTOR2D* v) { return v != nullptr ? store_.add(*v) : kNoIndex; }

unsigned T_V2DLIST::Add(double x, double y) {
  const T_VECTOR2D v(x, y);
  return Add(&v);
}

// The count is taken first: walking a list that grows under the walk would
// never end when a list is added to itself.
unsigned T_V2DLIST::Add(T_V2DLIST* other) {
  if (other == nullptr)
    return 0;
  const unsigned n = other->GetCount();
  unsigned added = 0;
  for (unsigned i = 0; i < n; ++i) {
    const T_VECTOR2D v = *other->GetVertex(i);
    if (Add(&v) == kNoIndex)
      break;
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
  if (src == nullptr)
    return;
  const unsigned n = src->GetCount();
  for (unsigned i = 0; i < n; ++i) {
    const T_V3DVERTEX* v = src->GetVertex(i);
    if (Add(v->x, v->y) == kNoIndex) {
      Clear();
      break;
    }
  }
  // A list without vertices stays open.
  if (GetCount() != 0)
    SetClosed(src->IsClosed());
  for (unsigned t = 0; t < zefcorek::VertexListStorage<V2DVertexTraits>::kTagCount; ++t)
    SetPtrTag(t, src->GetPtrTag(t));
}

T_V2DLIST* T_V2DLIST::Clone() const {
  auto* copy = new (std::nothrow) T_V2DLIST();
  if (copy != nullptr)
    copy->Assign(this);
  return copy;
}

// --- shape tests -----------------------------------------------------------

namespace {

// Above 0 a left (counter-clockwise) turn at b, below 0 a right turn.
long double turn(const T_VECTOR2D& a, const T_VECTOR2D& b, const T_VECTOR2D& c) {
  return (ExtendedReal(b.x) - a.x) * (ExtendedReal(c.y) - b.y) -
         (ExtendedReal(b.y) - a.y) * (ExtendedReal(c.x) - b.x);
}

}  // namespace

T_VECTOR2D T_V2DLIST::CalcBarycentre() const {
  const unsigned n = GetCount();
  if (n == 0)
    return T_VECTOR2D();
  ExtendedReal sx = 0.0L, sy = 0.0L;
  store_.forEach([&](const T_VECTOR2D& v) {
    sx += v.x;
    sy += v.y;
  });
  return T_VECTOR2D(sx / n, sy / n);
}

// The vertices a, b, c of each turn, b running over the whole list and the
// last two turns wrapping round to the first and second vertex.
template <class Visit>
void T_V2DLIST::forEachTurn(Visit visit) const {
  if (GetCount() < 3)
    return;
  const T_VECTOR2D first = *GetVertex(0);
  const T_VECTOR2D second = *GetVertex(1);
  unsigned seen = 0;
  T_VECTOR2D a, b;
  bool go = true;
  store_.forEach([&](const T_VECTOR2D& c) {
    if (go && seen >= 2)
      go = visit(a, b, c);
    a = b;
    b = c;
    ++seen;
  });
  if (go)
    go = visit(a, b, first);
  if (go)
    visit(b, first, second);
}

int T_V2DLIST::OrderCheck() const {
  int balance = 0;
  forEachTurn([&](const T_VECTOR2D& a, const T_VECTOR2D& b, const T_VECTOR2D& c) {
    const long double t = turn(a, b, c);
    if (t > 0.0L)
      ++balance;
    else if (t < 0.0L)
      --balance;
    return true;
  });
  return balance > 0 ? 1 : (balance < 0 ? -1 : 0);
}

int T_V2DLIST::FormCheck() const {
  constexpr int kRight = 1, kLeft = 2;
  int seen = 0;
  forEachTurn([&](const T_VECTOR2D& a, const T_VECTOR2D& b, const T_VECTOR2D& c) {
    const long double t = turn(a, b, c);
    if (t < 0.0L)
      seen |= kRight;
    else if (t > 0.0L)
      seen |= kLeft;
    return seen != (kRight | kLeft);
  });
  if (seen == (kRight | kLeft))
    return -1;
  return seen == 0 ? 0 : 1;
}

// Every pair of sides, each side of zero length skipped. The positions are
// gathered once (walking the nodes), as the pairs revisit them many times.
template <class Found>
void T_V2DLIST::forEachCrossing(unsigned last, Found found) const {
  const unsigned n = GetCount();
  std::vector<T_POINT2D> p;
  p.reserve(n);
  store_.forEach([&](const T_VECTOR2D& v) { p.push_back(T_POINT2D{v.x, v.y}); });
  const auto end = [n](unsigned k) { return k + 1 < n ? k + 1 : 0; };
  const auto degenerate = [&](unsigned k) {
    return p[k].x == p[end(k)].x && p[k].y == p[end(k)].y;
  };
  for (unsigned i = 0; i <= last; ++i) {
    if (degenerate(i))
      continue;
    for (unsigned j = i + 1; j <= last; ++j) {
      if (degenerate(j))
        continue;
      T_POINT2D at{};
      if (zefcorek::sidesCross(p[i], p[end(i)], p[j], p[end(j)], &at) && !found(i, j, at))
        return;
    }
  }
}

int T_V2DLIST::SelfIntCheck() const {
  const unsigned n = GetCount();
  if (n <= 3)
    return 0;
  int crossed = 0;
  forEachCrossing(IsClosed() ? n - 1 : n - 2, [&](unsigned, unsigned, const T_POINT2D&) {
    crossed = 1;
    return false;
  });
  return crossed;
}

IRecList* T_V2DLIST::SelfIntGetSidesList(int closed) const {
  void* out = nullptr;
  if (zefCoreKAllocIntf(&CLSID_IRecListImp, &out, 0) != S_OK || out == nullptr)
    return nullptr;
  auto* sides = static_cast<IRecList*>(out);
  if (sides->SetOption(0, sizeof(T_SELFINTSIDES)) != ZR_OK) {
    sides->Release();
    return nullptr;
  }
  const unsigned n = GetCount();
  if (n <= 3)
    return sides;
  bool complete = true;
  forEachCrossing(closed != 0 ? n - 1 : n - 2, [&](unsigned i, unsigned j, const T_POINT2D& at) {
    const T_SELFINTSIDES record{i, (i + 1) % n, j, (j + 1) % n, T_VECTOR2D(at)};
    complete = sides->AddTail(&record, nullptr) == ZR_OK;
    return complete;
  });
  // A list missing some crossings would pass for the whole answer.
  if (!complete) {
    sides->Release();
    return nullptr;
  }
  return sides;
}

void T_V2DLIST::FreeSelfIntSidesList(IRecList* list) const {
  if (list != nullptr)
    list->Release();
}

// The ray from p towards +x crosses the side when p.y lies in (min y, max
// y] of the side and p lies left of it; horizontal sides never count.
int T_V2DLIST::PtInsideCheck(const T_VECTOR2D* p) const {
  if (p == nullptr || GetCount() < 3)
    return 0;
  if (store_.limitsValid()) {
    const T_VECTOR2D& lo = store_.limitsMin();
    const T_VECTOR2D& hi = store_.limitsMax();
    if (p->x < lo.x || p->x > hi.x || p->y < lo.y || p->y > hi.y)
      return 0;
  }
  const auto crosses = [p](const T_VECTOR2D& p1, const T_VECTOR2D& p2) {
    if (p1.y == p2.y)
      return false;
    if (!(p->y > std::min(p1.y, p2.y) && p->y <= std::max(p1.y, p2.y) &&
          p->x <= std::max(p1.x, p2.x)))
      return false;
    if (p1.x == p2.x)
      return true;
    const ExtendedReal x0 = (ExtendedReal(p->y) - p1.y) * (ExtendedReal(p2.x) - p1.x) /
                                (ExtendedReal(p2.y) - p1.y) +
                            p1.x;
    return p->x <= x0;
  };
  bool inside = false;
  bool started = false;
  T_VECTOR2D first, previous;
  store_.forEach([&](const T_VECTOR2D& v) {
    if (started && crosses(previous, v))
      inside = !inside;
    if (!started)
      first = v;
    started = true;
    previous = v;
  });
  if (crosses(previous, first))
    inside = !inside;
  return inside ? 1 : 0;
}
