// T_V2DLIST: crossings of the sides with a segment, an unbounded line and the
// sides of another list.
#include "zefcorek/V2DList.h"

#include "PlanViewRules.h"

#include "zefcorek/Line2D.h"

#include <memory>
#include <new>

namespace {

// The nearer a ray hit may lie to the point appended before it and still be
// that point.
constexpr double kSameRayHit = 1e-5;

T_POINT2D point(const T_VECTOR2D& v) { return T_POINT2D{v.x, v.y}; }

// The query's second point: p2 itself or p1 + p2.
T_POINT2D secondPoint(const T_VECTOR2D* p1, const T_VECTOR2D* p2, int relative) {
  return relative != 0 ? point(*p1 + *p2) : point(*p2);
}

bool samePoint(const T_POINT2D& a, const T_POINT2D& b) { return a.x == b.x && a.y == b.y; }

// Appends p to *result, made on the first point; false when that fails (the
// result is then deleted and null).
bool append(std::unique_ptr<T_V2DLIST>& result, const T_POINT2D& p) {
  if (!result) result.reset(new (std::nothrow) T_V2DLIST());
  if (result && result->Add(p.x, p.y) != T_V2DLIST::kNoIndex) return true;
  result.reset();
  return false;
}

}  // namespace

T_V2DLIST* T_V2DLIST::FindIntersectionsWithLine(const T_VECTOR2D* p1, const T_VECTOR2D* p2, int relative) const {
  if (p1 == nullptr || p2 == nullptr) return nullptr;
  return zefcorek::segmentCrossings(store_, point(*p1), secondPoint(p1, p2, relative));
}

int T_V2DLIST::CheckHasIntersectionsWithLine(const T_VECTOR2D* p1, const T_VECTOR2D* p2, int relative) const {
  std::unique_ptr<T_V2DLIST> found(FindIntersectionsWithLine(p1, p2, relative));
  return found ? 1 : 0;
}

T_V2DLIST* T_V2DLIST::FindIntersectionsWithRay(const T_VECTOR2D* p1, const T_VECTOR2D* p2, int relative) const {
  if (p1 == nullptr || p2 == nullptr || GetCount() == 0) return nullptr;
  const T_POINT2D q1 = point(*p1);
  const T_POINT2D q2 = secondPoint(p1, p2, relative);
  T_LINE2D query;
  if (!query.From2P(q1, q2)) return nullptr;
  std::unique_ptr<T_V2DLIST> result;
  T_POINT2D last{};
  bool complete = true;
  zefcorek::forEachSide(store_, IsClosed() != 0, [&](const T_POINT2D& a, const T_POINT2D& b) {
    T_LINE2D side;
    if (!complete || !side.From2P(a, b)) return;
    T_POINT2D x{};
    if (query.IntersectEx(side, a, b, &x) != T_LINE2D::kCrossingInRect) return;
    if (result && T_VECTOR2D(x).Distance(T_VECTOR2D(last)) <= kSameRayHit) return;
    complete = append(result, x);
    last = x;
  });
  return result.release();
}

int T_V2DLIST::CheckHasIntersectionsWithRay(const T_VECTOR2D* p1, const T_VECTOR2D* p2, int relative) const {
  std::unique_ptr<T_V2DLIST> found(FindIntersectionsWithRay(p1, p2, relative));
  return found ? 1 : 0;
}

// Option bit 0 on an open list: the first side also yields a crossing of
// its line that lies before vertex 1 along the side (beyond vertex 0, or on
// the side where the proper rule refused it), the last side one that lies
// after vertex n - 2; either within the segment's box.
T_V2DLIST* T_V2DLIST::FindIntersectionsWithLineEx(const T_VECTOR2D* p1, const T_VECTOR2D* p2, unsigned options) const {
  const unsigned n = GetCount();
  if (p1 == nullptr || p2 == nullptr || n == 0) return nullptr;
  const T_POINT2D q1 = point(*p1);
  const T_POINT2D q2 = point(*p2);
  if (samePoint(q1, q2)) return nullptr;
  const bool lengthen = (options & 1) != 0 && IsClosed() == 0;
  T_LINE2D query;
  query.From2P(q1, q2);
  std::unique_ptr<T_V2DLIST> result;
  bool complete = true;
  unsigned k = 0;  // the side's first vertex
  zefcorek::forEachSide(store_, IsClosed() != 0, [&](const T_POINT2D& a, const T_POINT2D& b) {
    const unsigned side = k++;
    if (!complete || samePoint(a, b)) return;
    T_POINT2D x{};
    if (zefcorek::sidesCross(a, b, q1, q2, &x)) {
      complete = append(result, x);
      return;
    }
    if (!lengthen) return;
    T_LINE2D line;
    line.From2P(a, b);
    if (line.Intersect(query, &x) != T_LINE2D::kCrossing || !T_LINE2D::CheckPtInRect(q1, q2, x)) return;
    long double d = 0.0L;
    const bool beforeFirst = side == 0 && line.DeltaFromPtsOnLine(b, x, d) && d < 0.0L;
    const bool afterLast = side + 2 == n && line.DeltaFromPtsOnLine(a, x, d) && d > 0.0L;
    if (beforeFirst || afterLast) complete = append(result, x);
  });
  return result.release();
}

T_V2DLIST* T_V2DLIST::GetIntersectionsWithOther(const T_V2DLIST* other, unsigned options) const {
  if (GetCount() < 2 || other == nullptr || other->GetCount() < 2) return nullptr;
  std::unique_ptr<T_V2DLIST> result;
  bool complete = true;
  zefcorek::forEachSide(other->store_, other->IsClosed() != 0, [&](const T_POINT2D& a, const T_POINT2D& b) {
    if (!complete) return;
    const T_VECTOR2D from(a), to(b);
    std::unique_ptr<T_V2DLIST> found((options & 1) != 0 ? FindIntersectionsWithLineEx(&from, &to, 1)
                                                        : FindIntersectionsWithLine(&from, &to, 0));
    for (unsigned i = 0; found && complete && i < found->GetCount(); ++i)
      complete = append(result, point(*found->GetVertex(i)));
  });
  return complete ? result.release() : nullptr;
}

int T_V2DLIST::IntersectsOther(T_V2DLIST* other) const {
  if (GetCount() < 2 || other == nullptr || other->GetCount() < 2) return 0;
  return zefcorek::openSidesCross(store_, other->store_);
}
