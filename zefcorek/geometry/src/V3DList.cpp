// T_V3DLIST: the 3-D vertex list's own members over the shared storage, and
// its conversion from the 2-D list.
#include "zefcorek/V3DList.h"

#include "VertexListStorageImpl.h"

#include "zefcorek/SSqrt.h"
#include "zefcorek/V2DList.h"

#include <new>

template class zefcorek::VertexListStorage<V3DVertexTraits>;

namespace {

T_V3DVERTEX newVertex(const T_VECTOR3D& v) {
  T_V3DVERTEX vertex{};
  static_cast<T_VECTOR3D&>(vertex) = v;
  vertex.ID = T_V3DLIST::kNoID;
  return vertex;
}

}  // namespace

long double V3DVertexTraits::distance(const T_VECTOR3D& a, const T_VECTOR3D& b) {
  const ExtendedReal dx = ExtendedReal(a.x) - b.x;
  const ExtendedReal dy = ExtendedReal(a.y) - b.y;
  const ExtendedReal dz = ExtendedReal(a.z) - b.z;
  return SSqrt(double(dx * dx + dy * dy + dz * dz));
}

const T_VECTOR3D& V3DVertexTraits::zero() {
  static const T_VECTOR3D zero;
  return zero;
}

T_V3DLIST::T_V3DLIST() = default;

T_V3DLIST::~T_V3DLIST() = default;

void T_V3DLIST::Clear() { store_.clear(); }

unsigned T_V3DLIST::GetCount() const { return store_.count(); }

void T_V3DLIST::SetClosed(int closed) { store_.setClosed(closed); }

int T_V3DLIST::IsClosed() const { return store_.isClosed() ? 1 : 0; }

T_V3DVERTEX* T_V3DLIST::GetVertex(unsigned i) const { return store_.at(i); }

void T_V3DLIST::SetVertex(unsigned i, const T_VECTOR3D* v) {
  if (v != nullptr) store_.setPosition(i, *v);
}

unsigned T_V3DLIST::Add(const T_VECTOR3D* v) { return v != nullptr ? store_.add(newVertex(*v)) : kNoIndex; }

unsigned T_V3DLIST::Add(double x, double y, double z) {
  const T_VECTOR3D v(x, y, z);
  return Add(&v);
}

unsigned T_V3DLIST::Add(T_V3DLIST* other) {
  if (other == nullptr) return 0;
  const unsigned n = other->GetCount();
  unsigned added = 0;
  for (unsigned i = 0; i < n; ++i) {
    const T_VECTOR3D v = *other->GetVertex(i);
    if (Add(&v) == kNoIndex) break;
    ++added;
  }
  return added;
}

void T_V3DLIST::DeleteAt(unsigned i) { store_.deleteAt(i); }

unsigned T_V3DLIST::DeleteByProx(const T_VECTOR3D* p, double tol) {
  return p != nullptr ? store_.deleteByProx(*p, tol) : 0;
}

unsigned T_V3DLIST::RemoveDupedPts(int consecutive, double tol) {
  unsigned count = GetCount();
  if (count < 2) return 0;
  unsigned removed = 0;
  const auto tooClose = [&](unsigned i, unsigned j) {
    return V3DVertexTraits::distance(*GetVertex(i), *GetVertex(j)) < tol;
  };
  const auto remove = [&](unsigned j) {
    store_.records()->RemoveAt(j, 1, false);
    --count;
    ++removed;
  };
  if (consecutive == 0) {
    for (unsigned i = 0; i < count; ++i) {
      for (unsigned j = i + 1; j < count;) {
        if (tooClose(i, j))
          remove(j);
        else
          ++j;
      }
    }
    return removed;
  }
  // A closed list also compares its last vertex with the first; a single
  // vertex left is never compared with itself.
  const bool closed = IsClosed() != 0;
  for (unsigned i = 0; i < count && count > 1;) {
    const bool last = i + 1 == count;
    if (last && !closed) break;
    const unsigned j = last ? 0 : i + 1;
    if (!tooClose(i, j)) {
      ++i;
      continue;
    }
    // i stays: the next vertex moves up to j. After the first vertex has
    // gone, i is the count and the walk ends.
    remove(j);
  }
  return removed;
}

void T_V3DLIST::Swap(unsigned i, unsigned j) { store_.swap(i, j); }

void T_V3DLIST::InvertOrder() { store_.invertOrder(); }

void T_V3DLIST::Sort(CompareFunc compare, void* context) { store_.sort(compare, context); }

bool T_V3DLIST::UpdateLimits() { return store_.updateLimits(); }

bool T_V3DLIST::GetLimits(T_VECTOR3D* min, T_VECTOR3D* max) { return store_.getLimits(min, max); }

void T_V3DLIST::OffsetBy(double dx, double dy, double dz) { store_.offsetBy(T_VECTOR3D(dx, dy, dz)); }

void T_V3DLIST::ScaleBy(double f) { store_.scaleBy(f); }

void T_V3DLIST::ChangeFlags(unsigned i, unsigned flags) {
  if (T_V3DVERTEX* vertex = GetVertex(i)) vertex->flags = flags;
}

unsigned T_V3DLIST::GetFlags(unsigned i) const {
  const T_V3DVERTEX* vertex = GetVertex(i);
  return vertex != nullptr ? vertex->flags : 0;
}

void T_V3DLIST::ChangeID(unsigned i, unsigned id) {
  if (T_V3DVERTEX* vertex = GetVertex(i)) vertex->ID = id;
}

unsigned T_V3DLIST::GetID(unsigned i) const {
  const T_V3DVERTEX* vertex = GetVertex(i);
  return vertex != nullptr ? vertex->ID : kNoID;
}

unsigned T_V3DLIST::FindID(unsigned id) const {
  unsigned index = 0;
  unsigned found = kNoIndex;
  store_.forEach([&](const T_V3DVERTEX& vertex) {
    if (found == kNoIndex && vertex.ID == id) found = index;
    ++index;
  });
  return found;
}

void T_V3DLIST::AutoIDs() {
  unsigned id = 0;
  store_.forEach([&](T_V3DVERTEX& vertex) { vertex.ID = id++; });
}

void* T_V3DLIST::GetAppLink1(unsigned i) const {
  const T_V3DVERTEX* vertex = GetVertex(i);
  return vertex != nullptr ? vertex->appLink1 : nullptr;
}

bool T_V3DLIST::SetAppLink1(unsigned i, void* link) {
  T_V3DVERTEX* vertex = GetVertex(i);
  if (vertex == nullptr) return false;
  vertex->appLink1 = link;
  return true;
}

void* T_V3DLIST::GetAppLink2(unsigned i) const {
  const T_V3DVERTEX* vertex = GetVertex(i);
  return vertex != nullptr ? vertex->appLink2 : nullptr;
}

bool T_V3DLIST::SetAppLink2(unsigned i, void* link) {
  T_V3DVERTEX* vertex = GetVertex(i);
  if (vertex == nullptr) return false;
  vertex->appLink2 = link;
  return true;
}

double T_V3DLIST::GetVtxZ2(unsigned i) const {
  const T_V3DVERTEX* vertex = GetVertex(i);
  return vertex != nullptr ? vertex->Z2 : 0.0;
}

bool T_V3DLIST::SetVtxZ2(unsigned i, double z2) {
  T_V3DVERTEX* vertex = GetVertex(i);
  if (vertex == nullptr) return false;
  vertex->Z2 = z2;
  return true;
}

void* T_V3DLIST::GetPtrTag(unsigned i) const { return store_.tag(i); }

bool T_V3DLIST::SetPtrTag(unsigned i, void* tag) { return store_.setTag(i, tag); }

void T_V3DLIST::Assign(const T_V3DLIST* src) {
  if (src == nullptr) {
    Clear();
    return;
  }
  store_.assign(src->store_);
}

T_V3DLIST* T_V3DLIST::Clone() const {
  auto* copy = new (std::nothrow) T_V3DLIST();
  if (copy != nullptr) copy->Assign(this);
  return copy;
}

// The first Add validates the limits at the first position and every later
// one extends them, so they end valid and exact.
void T_V3DLIST::Assign(const T_V2DLIST* src, double z) {
  Clear();
  if (src == nullptr) return;
  const unsigned n = src->GetCount();
  for (unsigned i = 0; i < n; ++i) {
    const T_VECTOR2D* v = src->GetVertex(i);
    if (Add(v->x, v->y, z) == kNoIndex) {
      Clear();
      break;
    }
  }
  // A list without vertices stays open.
  if (GetCount() != 0) SetClosed(src->IsClosed());
  for (unsigned t = 0; t < zefcorek::VertexListStorage<V3DVertexTraits>::kTagCount; ++t)
    SetPtrTag(t, src->GetPtrTag(t));
}
