// The self-intersection searches that both vertex lists share.
#include "PlanViewRules.h"
#include "RecordLists.h"

#include "zefcorek/RecList.h"
#include "zefcorek/SelfIntSides.h"

namespace zefcorek {

namespace {

// The last side to test: the closing side (n - 1) only when closed.
unsigned lastSide(size_t n, bool closed) { return unsigned(closed ? n - 1 : n - 2); }

}  // namespace

bool anySidesCross(const std::vector<T_POINT2D>& points, bool closed) {
  if (points.size() <= 3) return false;
  bool crossed = false;
  forEachSideCrossing(points, lastSide(points.size(), closed), [&](unsigned, unsigned, const T_POINT2D&) {
    crossed = true;
    return false;
  });
  return crossed;
}

// The record list is made before the vertices are looked at, so a list with
// nothing to report is empty rather than null.
IRecList* selfIntersectionList(const std::vector<T_POINT2D>& points, bool closed) {
  IRecList* sides = makeRecordList(sizeof(T_SELFINTSIDES));
  if (sides == nullptr) return nullptr;
  const unsigned n = unsigned(points.size());
  if (n <= 3) return sides;
  bool complete = true;
  forEachSideCrossing(points, lastSide(n, closed), [&](unsigned i, unsigned j, const T_POINT2D& at) {
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

}  // namespace zefcorek
