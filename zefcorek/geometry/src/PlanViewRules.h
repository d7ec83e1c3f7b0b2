// The plan-view rules that the 2-D and the 3-D vertex list share: the turns
// round the ring, the crossing-number inside test, the pairwise search for
// crossing sides and the crossings of a segment with the sides. Each works on
// a list's storage and reads only x and y of its positions.
#pragma once

#include "PlanCrossing.h"
#include "VertexListStorageImpl.h"

#include "zefcorek/ExtendedReal.h"
#include "zefcorek/GeoTypes.h"
#include "zefcorek/V2DList.h"

#include <algorithm>
#include <memory>
#include <new>
#include <vector>

struct IRecList;

namespace zefcorek {

template <class Store>
T_POINT2D planPoint(const typename Store::Record& record) {
  const auto& v = Store::position(record);
  return T_POINT2D{v.x, v.y};
}

// The plan positions in list order, gathered once for the members that
// revisit them many times.
template <class Store>
std::vector<T_POINT2D> planPoints(const Store& store) {
  std::vector<T_POINT2D> points;
  points.reserve(store.count());
  store.forEach([&](const typename Store::Record& r) { points.push_back(planPoint<Store>(r)); });
  return points;
}

// Above 0 a left (counter-clockwise) turn at b, below 0 a right turn.
inline long double turnAt(const T_POINT2D& a, const T_POINT2D& b, const T_POINT2D& c) {
  return (ExtendedReal(b.x) - a.x) * (ExtendedReal(c.y) - b.y) - (ExtendedReal(b.y) - a.y) * (ExtendedReal(c.x) - b.x);
}

// visit(a, b, c) for the turn at every vertex b of the ring, the last two
// wrapping round to the first and second vertex; stops when visit answers
// false. Nothing for fewer than 3 vertices.
template <class Store, class Visit>
void forEachRingTurn(const Store& store, Visit visit) {
  if (store.count() < 3) return;
  T_POINT2D first{}, second{}, a{}, b{};
  unsigned seen = 0;
  bool go = true;
  store.forEach([&](const typename Store::Record& r) {
    const T_POINT2D c = planPoint<Store>(r);
    if (seen == 0)
      first = c;
    else if (seen == 1)
      second = c;
    if (go && seen >= 2) go = visit(a, b, c);
    a = b;
    b = c;
    ++seen;
  });
  if (go) go = visit(a, b, first);
  if (go) visit(b, first, second);
}

// 1 when every turn of the ring goes one way (straight vertices aside), -1
// when both ways occur, 0 when nothing turns or for fewer than 3 vertices.
template <class Store>
int ringFormCheck(const Store& store) {
  constexpr int kRight = 1, kLeft = 2;
  int seen = 0;
  forEachRingTurn(store, [&](const T_POINT2D& a, const T_POINT2D& b, const T_POINT2D& c) {
    const long double t = turnAt(a, b, c);
    if (t < 0.0L)
      seen |= kRight;
    else if (t > 0.0L)
      seen |= kLeft;
    return seen != (kRight | kLeft);
  });
  if (seen == (kRight | kLeft)) return -1;
  return seen == 0 ? 0 : 1;
}

// Whether the ray from p towards +x crosses the side p1-p2: p.y in
// (min y, max y] of the side and p on or left of it; horizontal sides never
// count.
inline bool rayCrossesSide(const T_POINT2D& p, const T_POINT2D& p1, const T_POINT2D& p2) {
  if (p1.y == p2.y) return false;
  if (!(p.y > std::min(p1.y, p2.y) && p.y <= std::max(p1.y, p2.y) && p.x <= std::max(p1.x, p2.x))) return false;
  if (p1.x == p2.x) return true;
  const ExtendedReal x0 = (ExtendedReal(p.y) - p1.y) * (ExtendedReal(p2.x) - p1.x) / (ExtendedReal(p2.y) - p1.y) + p1.x;
  return p.x <= x0;
}

// The crossing-number test over the ring, whatever the closed flag; the
// nodes are walked once.
template <class Store>
bool ringContains(const Store& store, const T_POINT2D& p) {
  if (store.count() < 3) return false;
  bool inside = false;
  bool started = false;
  T_POINT2D first{}, previous{};
  store.forEach([&](const typename Store::Record& r) {
    const T_POINT2D v = planPoint<Store>(r);
    if (started && rayCrossesSide(p, previous, v)) inside = !inside;
    if (!started) first = v;
    started = true;
    previous = v;
  });
  if (rayCrossesSide(p, previous, first)) inside = !inside;
  return inside;
}

// found(i, j, crossing) for every proper crossing of side i with a later
// side j, side k joining point k and point (k + 1) mod n, for k up to
// `last`; stops when found answers false.
template <class Found>
void forEachSideCrossing(const std::vector<T_POINT2D>& p, unsigned last, Found found) {
  const unsigned n = unsigned(p.size());
  std::vector<PreparedSide> sides;
  sides.reserve(last + 1);
  for (unsigned k = 0; k <= last; ++k) sides.push_back(prepareSide(p[k], p[k + 1 < n ? k + 1 : 0]));
  for (unsigned i = 0; i <= last; ++i) {
    if (!sides[i].valid) continue;
    for (unsigned j = i + 1; j <= last; ++j) {
      T_POINT2D at{};
      if (sidesCross(sides[i], sides[j], &at) && !found(i, j, at)) return;
    }
  }
}

// Whether any two sides cross; lists of 3 vertices or fewer never do.
bool anySidesCross(const std::vector<T_POINT2D>& points, bool closed);
// A new record list (record size 32) with one T_SELFINTSIDES per crossing in
// side order; empty for 3 vertices or fewer; null when it cannot be made
// whole.
IRecList* selfIntersectionList(const std::vector<T_POINT2D>& points, bool closed);

// visit(a, b) for every side in order, the closing side last when closed.
template <class Store, class Visit>
void forEachSide(const Store& store, bool closed, Visit visit) {
  bool started = false;
  T_POINT2D first{}, previous{};
  store.forEach([&](const typename Store::Record& r) {
    const T_POINT2D v = planPoint<Store>(r);
    if (started)
      visit(previous, v);
    else
      first = v;
    started = true;
    previous = v;
  });
  if (closed && started && store.count() > 1) visit(previous, first);
}

// The proper crossings of the segment q1-q2 with the sides, in side order,
// as a new open list; null when there is none, when q1 equals q2 and when
// the result cannot be allocated.
template <class Store>
T_V2DLIST* segmentCrossings(const Store& store, const T_POINT2D& q1, const T_POINT2D& q2) {
  if (store.count() == 0 || (q1.x == q2.x && q1.y == q2.y)) return nullptr;
  T_V2DLIST* result = nullptr;
  bool complete = true;
  forEachSide(store, store.isClosed(), [&](const T_POINT2D& a, const T_POINT2D& b) {
    T_POINT2D at{};
    if (!complete || !sidesCross(a, b, q1, q2, &at)) return;
    if (result == nullptr) result = new (std::nothrow) T_V2DLIST();
    complete = result != nullptr && result->Add(at.x, at.y) != T_V2DLIST::kNoIndex;
  });
  // A list missing some crossings would pass for the whole answer.
  if (!complete) {
    delete result;
    return nullptr;
  }
  return result;
}

// 1 when some side of the open polyline `other` properly crosses a side of
// `store` (a crossing segmentCrossings finds), else 0.
template <class Store, class OtherStore>
int openSidesCross(const Store& store, const OtherStore& other) {
  int crossed = 0;
  forEachSide(other, /*closed=*/false, [&](const T_POINT2D& a, const T_POINT2D& b) {
    if (crossed != 0) return;
    const std::unique_ptr<T_V2DLIST> found(segmentCrossings(store, a, b));
    crossed = found ? 1 : 0;
  });
  return crossed;
}

}  // namespace zefcorek
