// T_V3DLIST: plan-view tests, crossings, measures and the insertion of
// vertices where the chain crosses a horizontal plane.
#include "zefcorek/V3DList.h"

#include "PlanViewRules.h"

#include "zefcorek/RecList.h"
#include "zefcorek/SSqrt.h"
#include "zefcorek/V2DList.h"

#include <cmath>
#include <memory>

namespace {

// Pairs of vertices closer than this in 3-D count as duplicates.
constexpr double kDuplicateGap = 1e-6;
// Sides whose heights differ by no more than this are taken as level.
constexpr double kLevelSide = 1e-6;
// Shoelace sums within this of 0 leave the orientation undecided.
constexpr double kOrderDeadBand = 1e-6;

T_POINT2D point(const T_VECTOR2D& v) { return T_POINT2D{v.x, v.y}; }

}  // namespace

int T_V3DLIST::OrderCheck() const {
  if (GetCount() < 3) return 0;
  double sum = 0.0;
  bool started = false;
  T_VECTOR3D first, previous;
  const auto add = [&](const T_VECTOR3D& a, const T_VECTOR3D& b) { sum += a.x * b.y - a.y * b.x; };
  store_.forEach([&](const T_V3DVERTEX& v) {
    if (started)
      add(previous, v);
    else
      first = v;
    started = true;
    previous = v;
  });
  add(previous, first);
  if (sum > kOrderDeadBand) return -1;
  return sum < -kOrderDeadBand ? 1 : 0;
}

int T_V3DLIST::FormCheck() const { return zefcorek::ringFormCheck(store_); }

unsigned T_V3DLIST::PtInsideCheck(const T_VECTOR2D* p) const {
  if (p == nullptr) return 0;
  return zefcorek::ringContains(store_, point(*p)) ? 1 : 0;
}

int T_V3DLIST::SelfIntCheck2D() const {
  return zefcorek::anySidesCross(zefcorek::planPoints(store_), IsClosed() != 0) ? 1 : 0;
}

IRecList* T_V3DLIST::SelfIntGetSidesList(int closed) const {
  return zefcorek::selfIntersectionList(zefcorek::planPoints(store_), closed != 0);
}

void T_V3DLIST::FreeSelfIntSidesList(IRecList* list) const {
  if (list != nullptr) list->Release();
}

T_V2DLIST* T_V3DLIST::FindIntersectionsWithLine(const T_VECTOR2D* p1, const T_VECTOR2D* p2, int relative) const {
  if (p1 == nullptr || p2 == nullptr) return nullptr;
  const T_VECTOR2D q = relative != 0 ? *p1 + *p2 : *p2;
  return zefcorek::segmentCrossings(store_, point(*p1), point(q));
}

int T_V3DLIST::CheckHasIntersectionsWithLine(const T_VECTOR2D* p1, const T_VECTOR2D* p2, int relative) const {
  std::unique_ptr<T_V2DLIST> found(FindIntersectionsWithLine(p1, p2, relative));
  return found ? 1 : 0;
}

int T_V3DLIST::IntersectsOther2D(T_V3DLIST* other) const {
  if (GetCount() < 2 || other == nullptr || other->GetCount() < 2) return 0;
  return zefcorek::openSidesCross(store_, other->store_);
}

T_VECTOR3D T_V3DLIST::CalcBarycentre() const {
  const unsigned n = GetCount();
  if (n == 0) return T_VECTOR3D();
  ExtendedReal sx = 0.0L, sy = 0.0L, sz = 0.0L;
  store_.forEach([&](const T_V3DVERTEX& v) {
    sx += v.x;
    sy += v.y;
    sz += v.z;
  });
  return T_VECTOR3D(double(sx / n), double(sy / n), double(sz / n));
}

double T_V3DLIST::CalcLength2D(int planar) {
  if (GetCount() < 2) return 0.0;
  double length = 0.0;
  const auto side = [&](const T_VECTOR3D& a, const T_VECTOR3D& b) {
    const ExtendedReal dx = ExtendedReal(b.x) - a.x;
    const ExtendedReal dy = ExtendedReal(b.y) - a.y;
    const ExtendedReal dz = planar != 0 ? 0.0L : ExtendedReal(b.z) - a.z;
    length += double(SSqrt(double(dx * dx + dy * dy + dz * dz)));
  };
  bool started = false;
  T_VECTOR3D first, previous;
  store_.forEach([&](const T_V3DVERTEX& v) {
    if (started)
      side(previous, v);
    else
      first = v;
    started = true;
    previous = v;
  });
  if (IsClosed() != 0) side(previous, first);
  return length;
}

unsigned T_V3DLIST::CountDupedPts(int consecutive) const {
  const unsigned n = GetCount();
  if (n < 2) return 0;
  std::vector<T_VECTOR3D> p;
  p.reserve(n);
  store_.forEach([&](const T_V3DVERTEX& v) { p.push_back(v); });
  const auto close = [&](unsigned i, unsigned j) { return V3DVertexTraits::distance(p[i], p[j]) < kDuplicateGap; };
  unsigned pairs = 0;
  for (unsigned i = 0; i + 1 < n; ++i) {
    if (consecutive != 0) {
      pairs += close(i, i + 1) ? 1 : 0;
      continue;
    }
    for (unsigned j = i + 1; j < n; ++j) pairs += close(i, j) ? 1 : 0;
  }
  return pairs;
}

// Each side is read as the list stands, earlier insertions included; a new
// vertex is never the start of a side, so the walk goes on from b.
void T_V3DLIST::AddHorzPlaneIntersections(double z0) {
  if (GetCount() < 2) return;
  // The vertex on side a-b at height z0, or false when the side does not
  // cross the plane strictly or is (nearly) level.
  const auto crossing = [z0](const T_VECTOR3D& a, const T_VECTOR3D& b, T_V3DVERTEX& out) {
    const bool crosses = (a.z < z0 && z0 < b.z) || (a.z > z0 && z0 > b.z);
    const ExtendedReal dz = std::fabs(ExtendedReal(b.z) - a.z);
    if (!crosses || !(dz > kLevelSide)) return false;
    const ExtendedReal t = std::fabs(ExtendedReal(z0) - a.z) / dz;
    out = T_V3DVERTEX{};
    out.x = double(a.x + (ExtendedReal(b.x) - a.x) * t);
    out.y = double(a.y + (ExtendedReal(b.y) - a.y) * t);
    out.z = double(a.z + (ExtendedReal(b.z) - a.z) * t);
    out.ID = kNoID;
    return true;
  };
  IRecList* records = store_.records();
  T_V3DVERTEX fresh{};
  for (unsigned k = 0; k + 1 < GetCount(); ++k) {
    if (!crossing(*GetVertex(k), *GetVertex(k + 1), fresh)) continue;
    if (records->InsertAt(&fresh, k + 1, nullptr) == ZR_OK) ++k;
  }
  if (IsClosed() != 0 && crossing(*GetVertex(GetCount() - 1), *GetVertex(0), fresh)) records->AddHead(&fresh, nullptr);
}

void T_V3DLIST::AddPlaneIntersections(T_PLANE*, const T_V3DLIST*) {}
