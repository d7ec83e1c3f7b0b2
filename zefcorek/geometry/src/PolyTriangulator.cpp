// Ear clipping of a simple polygon held in record lists.
//
// The working copy is a record list of TPolyTriangulatorPt in clockwise
// order; ears are cut at the candidate index i (corners i, i + 1, i + 2) and
// the tip is removed, so the next candidate starts at the same corner. The
// list's cursor makes the walks by index one step per access.
#include "zefcorek/PolyTriangulator.h"

#include "RecordLists.h"

#include "zefcorek/ExtendedReal.h"
#include "zefcorek/PtOrientation.h"

#include <cmath>

namespace {

// Consecutive points with different numbers at most this far apart (squared)
// are one point.
constexpr double kDuplicateDist2 = 1e-12;
// Below this the near-line distance is not reduced any further.
constexpr double kSmallestTolerance = 0.00001;
constexpr double kToleranceStep = 0.1;

using zefcorek::makeRecordList;
using zefcorek::recordCount;

void release(IRecList*& list) {
  if (list != nullptr) list->Release();
  list = nullptr;
}

// The position of a record, copied out of its packed field.
T_POINT2D position(const TPolyTriangulatorPt& p) { return p.pt; }

TPolyTriangulatorPt* recordAt(IRecList* list, unsigned i) {
  void* p = nullptr;
  list->GetRecordPtrAt(i, &p);
  return static_cast<TPolyTriangulatorPt*>(p);
}

// Positive when a, b, c turn counter-clockwise (y up): the differences are
// rounded to double, their products kept in extended precision.
ExtendedReal cross(const T_POINT2D& a, const T_POINT2D& b, const T_POINT2D& c) {
  const double ax = a.x - c.x, ay = a.y - c.y;
  const double bx = b.x - c.x, by = b.y - c.y;
  return ExtendedReal(ax) * by - ExtendedReal(ay) * bx;
}

ExtendedReal cross(const TPolyTriangulatorPt& a, const TPolyTriangulatorPt& b, const TPolyTriangulatorPt& c) {
  return cross(position(a), position(b), position(c));
}

bool oppositeSides(double d1, double d2) { return (d1 > 0 && d2 < 0) || (d1 < 0 && d2 > 0); }

bool samePosition(const T_POINT2D& p, const T_POINT2D& q) { return p.x == q.x && p.y == q.y; }

// Whether the segments a-b and c-d cross properly: touching, shared ends and
// overlap along one line are no crossing. Shared ends are found by position
// first: the distance of a line's own end point from the normalised line is
// rounded and need not come out as 0, which would make every ear whose
// corner is shared with a ring edge look crossed.
bool segmentsCross(const T_POINT2D& a, const T_POINT2D& b, const T_POINT2D& c, const T_POINT2D& d) {
  if (samePosition(a, c) || samePosition(a, d) || samePosition(b, c) || samePosition(b, d)) return false;
  if (!oppositeSides(PtOrientation(&a, &b, &c), PtOrientation(&a, &b, &d))) return false;
  return oppositeSides(PtOrientation(&c, &d, &a), PtOrientation(&c, &d, &b));
}

// The context of the ear test's visits.
struct EarVisit {
  IRecList* list;
  TPolyTriangulator* self;
  TPolyTriangulatorPt** tri;
};

}  // namespace

TPolyTriangulator::TPolyTriangulator() : points_(makeRecordList(sizeof(TPolyTriangulatorPt))) {}

TPolyTriangulator::~TPolyTriangulator() { release(points_); }

int TPolyTriangulator::Clear() {
  if (points_ == nullptr) return ZR_OK;
  return points_->Clear(false);
}

int TPolyTriangulator::AddPt(const TPolyTriangulatorPt& p, unsigned* index) {
  if (points_ == nullptr) return ZR_OUTOFMEMORY;
  if (index != nullptr) *index = recordCount(points_);
  return points_->AddTail(&p, nullptr);
}

int TPolyTriangulator::GetPt(unsigned i, TPolyTriangulatorPt& p) {
  if (points_ == nullptr || i >= recordCount(points_)) return ZR_BADARG;
  return points_->GetAt(i, &p);
}

int TPolyTriangulator::DelPt(unsigned i) {
  if (points_ == nullptr || i >= recordCount(points_)) return ZR_BADARG;
  return points_->RemoveAt(i, 1, false);
}

int TPolyTriangulator::GetPtCount(unsigned* n) {
  if (n == nullptr) return ZR_BADARG;
  *n = points_ == nullptr ? 0 : recordCount(points_);
  return ZR_OK;
}

int TPolyTriangulator::Execute(IRecList** result, unsigned order) {
  if (points_ == nullptr || result == nullptr) return ZR_FAILED;
  *result = nullptr;
  IRecList* ring = nullptr;
  if (const int code = ClonePoly(points_, &ring); code != ZR_OK) return code;
  unsigned n = recordCount(ring);
  if (n < 3) {
    release(ring);
    return ZR_FAILED;
  }
  IRecList* triangles = makeRecordList(sizeof(TPolyTriangulatorTrg));
  if (triangles == nullptr) {
    release(ring);
    return ZR_OUTOFMEMORY;
  }
  *result = triangles;

  if (order == kFindOrder) (void)CheckPolyOrder(ring, &order);
  if (order == kCounterClockwise) ring->Reverse();

  double tol = 0.0;
  (void)CalcBBoxArea(ring, &tol);
  if (tol != 0.0) tol /= n;
  if (tol < 1.0) tol = 1.0;

  // Cut ears until two points are left. A candidate that lies near another
  // point's line sets `nearLine`; a full round of failures with no such
  // candidate means no tolerance can help, otherwise the tolerance shrinks
  // and the round starts again.
  int code = ZR_OK;
  unsigned i = 0, failures = 0;
  bool nearLine = false;
  while (n > 2) {
    TPolyTriangulatorPt* ear[3] = {recordAt(ring, i), recordAt(ring, (i + 1) % n), recordAt(ring, (i + 2) % n)};
    const bool good = CheckIsGoodTrg(ring, ear) == ZR_OK;
    const bool clear = CheckThereAreCollinearEdges(ring, i, tol) == 1;
    if (!clear) nearLine = true;
    if (good && clear) {
      code = AddThisTrg(ear, triangles);
      if (code != ZR_OK && code != ZR_NO) break;
      code = ring->RemoveAt((i + 1) % n, 1, false);
      if (code != ZR_OK) break;
      --n;
      failures = 0;
      i %= n;
      continue;
    }
    if (failures++ == n) {
      // An infinite or undefined tolerance (coordinates so large that the
      // box area overflows) never shrinks below the bound: give up as well.
      if (!nearLine || !std::isfinite(tol) || tol < kSmallestTolerance) {
        code = ZR_NO;
        break;
      }
      tol *= kToleranceStep;
      nearLine = false;
      failures = 0;
    }
    i = (i + 1) % n;
  }
  release(ring);
  return code;
}

int TPolyTriangulator::ClonePoly(IRecList* src, IRecList** copy) {
  if (copy == nullptr) return ZR_BADARG;
  *copy = nullptr;
  if (src == nullptr) return ZR_BADARG;
  unsigned recordSize = 0;
  if (const int code = src->GetOption(0, &recordSize); code != ZR_OK) return code;
  IRecList* out = makeRecordList(recordSize);
  if (out == nullptr) return ZR_OUTOFMEMORY;

  int code = ZR_OK;
  IRecList::Node* node = nullptr;
  src->GetHead(&node);
  while (node != nullptr && code == ZR_OK) {
    void* record = nullptr;
    src->GetNodeRecordPtr(node, &record);
    code = out->AddTail(record, nullptr);
    if (code == ZR_OK) code = src->GetNextNode(node, &node);
  }
  if (code == ZR_OK) {
    // Each record against its successor at the time it is handled (the
    // head after the last), so of a run of near points the last one stays.
    auto dropNearSuccessor = [](void* record, void* context, IRecList::Node* at) -> int32_t {
      auto* list = static_cast<IRecList*>(context);
      IRecList::Node* next = nullptr;
      list->GetNextNode(at, &next);
      if (next == nullptr) list->GetHead(&next);
      if (next == at) return 1;
      void* nextRecord = nullptr;
      list->GetNodeRecordPtr(next, &nextRecord);
      const auto& p = *static_cast<const TPolyTriangulatorPt*>(record);
      const auto& q = *static_cast<const TPolyTriangulatorPt*>(nextRecord);
      if (p.id == q.id) return 1;
      const T_POINT2D a = position(p), b = position(q);
      const double dx = a.x - b.x, dy = a.y - b.y;
      if (dx * dx + dy * dy <= kDuplicateDist2) list->RemoveNode(at, false);
      return 1;
    };
    code = out->ForEach(dropNearSuccessor, out);
  }
  if (code != ZR_OK) {
    release(out);
    return code;
  }
  *copy = out;
  return ZR_OK;
}

int TPolyTriangulator::CheckPolyOrder(IRecList* list, unsigned* order) {
  if (list == nullptr) return ZR_BADARG;
  if (order == nullptr) return ZR_OK;
  *order = kFindOrder;
  const unsigned n = recordCount(list);
  if (n < 3) return ZR_OK;
  if (n == 3) {
    const ExtendedReal turn = cross(*recordAt(list, 0), *recordAt(list, 1), *recordAt(list, 2));
    *order = turn >= 0 ? kCounterClockwise : kClockwise;
    return ZR_OK;
  }
  int votes = 0;
  for (unsigned k = 0; k < n; ++k) {
    const ExtendedReal turn = cross(*recordAt(list, k), *recordAt(list, (k + 1) % n), *recordAt(list, (k + 2) % n));
    votes += turn > 0 ? 1 : (turn < 0 ? -1 : 0);
  }
  if (votes != 0) *order = votes < 0 ? kClockwise : kCounterClockwise;
  return ZR_OK;
}

int TPolyTriangulator::CalcBBoxArea(IRecList* list, double* area) {
  if (list == nullptr || area == nullptr) return ZR_BADARG;
  *area = 0.0;
  const unsigned n = recordCount(list);
  if (n == 0) return ZR_OK;
  T_POINT2D lo = position(*recordAt(list, 0)), hi = lo;
  for (unsigned k = 1; k < n; ++k) {
    const T_POINT2D p = position(*recordAt(list, k));
    if (p.x < lo.x)
      lo.x = p.x;
    else if (p.x > hi.x)
      hi.x = p.x;
    if (p.y < lo.y)
      lo.y = p.y;
    else if (p.y > hi.y)
      hi.y = p.y;
  }
  *area = std::fabs((hi.x - lo.x) * (hi.y - lo.y));
  return ZR_OK;
}

int TPolyTriangulator::CheckIsGoodTrg(IRecList* list, TPolyTriangulatorPt** tri) {
  if (list == nullptr || tri == nullptr) return ZR_BADARG;
  // A reflex corner of the clockwise ring; a straight one passes.
  if (cross(*tri[0], *tri[1], *tri[2]) > 0) return ZR_NO;
  EarVisit visit{list, this, tri};
  if (list->ForEach(&CheckAnyPtInsideTrgCB, &visit) != ZR_OK) return ZR_NO;
  if (list->ForEach(&CheckTrgIntersectsEdgesCB, &visit) != ZR_OK) return ZR_NO;
  return ZR_OK;
}

int TPolyTriangulator::CheckAnyPtInsideTrgCB(void* record, void* context, TRecListNodeType_Dummy* /*node*/) {
  const auto& visit = *static_cast<const EarVisit*>(context);
  // The corners themselves by identity: a repeated position is another point.
  for (int k = 0; k < 3; ++k) {
    if (record == visit.tri[k]) return 1;
  }
  const auto& q = *static_cast<const TPolyTriangulatorPt*>(record);
  return visit.self->CheckPtInsideTrg(q, visit.tri) == ZR_OK ? 0 : 1;
}

int TPolyTriangulator::CheckTrgIntersectsEdgesCB(void* record, void* context, TRecListNodeType_Dummy* node) {
  const auto& visit = *static_cast<const EarVisit*>(context);
  IRecList::Node* next = nullptr;
  visit.list->GetNextNode(node, &next);
  if (next == nullptr) visit.list->GetHead(&next);
  void* nextRecord = nullptr;
  visit.list->GetNodeRecordPtr(next, &nextRecord);
  const T_POINT2D a = position(*static_cast<const TPolyTriangulatorPt*>(record));
  const T_POINT2D b = position(*static_cast<const TPolyTriangulatorPt*>(nextRecord));
  const T_POINT2D corner[3] = {position(*visit.tri[0]), position(*visit.tri[1]), position(*visit.tri[2])};
  for (int k = 0; k < 3; ++k) {
    if (segmentsCross(a, b, corner[k], corner[(k + 1) % 3])) return 0;
  }
  return 1;
}

int TPolyTriangulator::CheckPtInsideTrg(const TPolyTriangulatorPt& q, TPolyTriangulatorPt** tri) {
  if (tri == nullptr) return ZR_BADARG;
  const T_POINT2D p = position(q);
  const T_POINT2D c0 = position(*tri[0]), c1 = position(*tri[1]), c2 = position(*tri[2]);
  const bool inside =
      PtOrientation(&c0, &c1, &p) < 0 && PtOrientation(&c1, &c2, &p) < 0 && PtOrientation(&c2, &c0, &p) < 0;
  return inside ? ZR_OK : ZR_NO;
}

int TPolyTriangulator::CheckThereAreCollinearEdges(IRecList* list, unsigned i, double tol) {
  if (list == nullptr) return ZR_BADARG;
  const unsigned n = recordCount(list);
  if (n <= 2) return 0;
  if (n == 3) return 1;
  const T_POINT2D a = position(*recordAt(list, i));
  const T_POINT2D b = position(*recordAt(list, (i + 2) % n));
  for (unsigned k = (i + 3) % n; k != i; k = (k + 1) % n) {
    const T_POINT2D q = position(*recordAt(list, k));
    if (std::fabs(PtOrientation(&a, &b, &q)) < tol) return 0;
  }
  return 1;
}

int TPolyTriangulator::AddThisTrg(TPolyTriangulatorPt** tri, IRecList* out) {
  if (tri == nullptr || out == nullptr) return ZR_BADARG;
  const TPolyTriangulatorTrg t{{tri[0]->id, tri[1]->id, tri[2]->id}};
  if (t.id[0] == t.id[1] || t.id[1] == t.id[2] || t.id[0] == t.id[2]) return ZR_NO;
  return out->AddTail(&t, nullptr);
}
