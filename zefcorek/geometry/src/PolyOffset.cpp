// The polygon offset: input ring, vertex stage, pipeline and result
// selection. The crossing stages are in OffsetSelfIntersections.cpp.
#include "zefcorek/PolyOffset.h"

#include "zefcorek/Angles.h"
#include "zefcorek/CircleTangents.h"
#include "zefcorek/ExtendedReal.h"
#include "zefcorek/Line2D.h"
#include "zefcorek/V3DList.h"

#include "zefcorek/ClassIds.h"
#include "zefcorek/PtrArray.h"
#include "zefcorek/ZefCoreK.h"

#include <algorithm>
#include <cmath>
#include <initializer_list>
#include <new>
#include <vector>

namespace {

constexpr double kHalfPi = 1.5707963267948966;
// Base points closer than this are one point.
constexpr ExtendedReal kDuplicateDistance = 0.0001L;
// Offsets up to this are none.
constexpr double kNoOffset = 1e-5;
// Coefficient triples whose cross product stays below this on every
// component describe one line.
constexpr long double kSameLine = 1e-5L;
// A sharp corner removes a neighbour whose edge is shorter than twice its
// offset less this.
constexpr double kShortEdgeMargin = 0.01;
// Result vertices closer than this collapse.
constexpr double kResultDuplicate = 1e-6;
// Signed areas within this of 0 have no orientation.
constexpr double kFlatArea = 1e-6;

IPtrArray* makePtrArray() {
  void* out = nullptr;
  if (zefCoreKAllocIntf(&CLSID_IPtrArrayImp, &out, 0) != S_OK) return nullptr;
  return static_cast<IPtrArray*>(out);
}

unsigned countOf(IPtrArray* a) { return a == nullptr ? 0 : a->GetCount(); }

OffsetBaseVertex* baseAt(IPtrArray* a, unsigned i) { return static_cast<OffsetBaseVertex*>(a->GetAt(i)); }

T_POINT2D plan(const tagT_POINT3D& p) { return {p.x, p.y}; }

T_LINE2D lineThrough(const T_POINT2D& a, const T_POINT2D& b) {
  T_LINE2D l;
  (void)l.From2P(a, b);
  return l;
}

double effectiveOffset(const OffsetBaseVertex& v) { return std::fabs(v.ofs) > kNoOffset ? v.ofs : 0.0; }

bool samePoint(const T_POINT2D& a, const T_POINT2D& b) { return a.x == b.x && a.y == b.y; }

}  // namespace

// The tangents of the circles round two neighbouring vertices. The edge
// from c to s is the second edge of c's corner and the first of s's, so the
// corners of a pass ask for each edge's tangents twice in a row; the last
// answer is kept and given again for the same circles.
struct TPolyOffset::EdgeTangents {
  T_POINT2D a{}, b{};
  double ra = 0, rb = 0;
  bool known = false;
  int result = 0;
  T_TANGENT2D records[4];

  int get(const T_POINT2D& c1, double r1, const T_POINT2D& c2, double r2) {
    if (known && samePoint(a, c1) && samePoint(b, c2) && ra == r1 && rb == r2) return result;
    a = c1;
    b = c2;
    ra = r1;
    rb = r2;
    result = Calc2CircleTangents(&c1, r1, &c2, r2, records);
    known = true;
    return result;
  }
};

namespace {}  // namespace

// The flags of the corner construction.
enum class TPolyOffset::Corner : uint8_t {
  Mitre = 0,
  DropPredecessor = 1,  // the edge to the predecessor is too short for the corner
  DropSuccessor = 2,    // the edge to the successor is too short for the corner
  SameLine = 4,         // the two offset lines coincide
};

TPolyOffset::TPolyOffset()
    : orgPoly(makePtrArray()),
      closed(0),
      newPoly(makePtrArray()),
      subPolys(makePtrArray()),
      keepOrg(0),
      cutLevel(3.0),
      mode(0) {}

TPolyOffset::~TPolyOffset() {
  Clear();
  for (IPtrArray* a : {orgPoly, newPoly, subPolys}) {
    if (a != nullptr) a->Release();
  }
}

void TPolyOffset::ClearOrgPoly() {
  if (orgPoly == nullptr) return;
  for (unsigned i = 0; i < orgPoly->GetCount(); ++i) delete baseAt(orgPoly, i);
  orgPoly->Clear(false);
}

void TPolyOffset::ClearNewPoly() {
  if (newPoly == nullptr) return;
  for (unsigned i = 0; i < newPoly->GetCount(); ++i) delete static_cast<OffsetVertex*>(newPoly->GetAt(i));
  newPoly->Clear(false);
}

void TPolyOffset::ClearSubPolys() {
  if (subPolys == nullptr) return;
  for (unsigned i = 0; i < subPolys->GetCount(); ++i) {
    auto* r = static_cast<OffsetResultPoly*>(subPolys->GetAt(i));
    if (r == nullptr) continue;
    delete r->list;
    delete r;
  }
  subPolys->Clear(false);
}

void TPolyOffset::Clear() {
  ClearOrgPoly();
  ClearNewPoly();
  ClearSubPolys();
}

void TPolyOffset::InitBasePoly(unsigned n, int isClosed) {
  Clear();
  closed = isClosed;
  if (orgPoly == nullptr) return;
  for (unsigned i = 0; i < n; ++i) {
    auto* v = new (std::nothrow) OffsetBaseVertex{};
    if (v == nullptr || orgPoly->Add(v, nullptr) != ZR_OK) {
      delete v;
      ClearOrgPoly();  // a partial ring would be a different polygon
      return;
    }
  }
}

// The setters and getters skip an index beyond the arrays: without an array
// (the factory failed) every index is beyond them.
void TPolyOffset::SetBasePolyPt(unsigned i, const tagT_POINT3D* p) {
  if (i >= countOf(orgPoly)) return;
  OffsetBaseVertex* v = baseAt(orgPoly, i);
  v->basePt = *p;
  v->offsetPt = *p;
}

void TPolyOffset::SetBasePolyOfs(unsigned i, double ofs) {
  if (i < countOf(orgPoly)) baseAt(orgPoly, i)->ofs = ofs;
}

void TPolyOffset::InvertOffsets() {
  for (unsigned i = 0; i < countOf(orgPoly); ++i) baseAt(orgPoly, i)->ofs = -baseAt(orgPoly, i)->ofs;
}

unsigned TPolyOffset::GetNewPolyCount() const { return countOf(subPolys); }

unsigned TPolyOffset::GetNewPolyNumPts(unsigned i) const {
  if (i >= countOf(subPolys)) return 0;
  return static_cast<OffsetResultPoly*>(subPolys->GetAt(i))->list->GetCount();
}

void TPolyOffset::GetNewPolyPt(unsigned i, unsigned j, tagT_POINT3D* out) const {
  if (i >= countOf(subPolys)) return;
  const T_V3DVERTEX* v = static_cast<OffsetResultPoly*>(subPolys->GetAt(i))->list->GetVertex(j);
  if (v != nullptr) *out = {v->x, v->y, v->z};
}

void TPolyOffset::SimplifyAngles() {}

void TPolyOffset::SimplifyAngles2(T_V3DLIST* /*list*/) {}

void TPolyOffset::RemoveOrgPolyDupedPts() {
  if (orgPoly == nullptr) return;
  unsigned i = 0;
  while (i < orgPoly->GetCount()) {
    const unsigned n = orgPoly->GetCount();
    OffsetBaseVertex* v = baseAt(orgPoly, i);
    const OffsetBaseVertex* next = baseAt(orgPoly, i + 1 < n ? i + 1 : 0);
    const ExtendedReal dx = ExtendedReal(v->basePt.x) - next->basePt.x;
    const ExtendedReal dy = ExtendedReal(v->basePt.y) - next->basePt.y;
    if (v->removed || (!next->removed && std::sqrt(dx * dx + dy * dy) < kDuplicateDistance)) {
      delete v;
      (void)orgPoly->Delete(i, false);
      continue;
    }
    ++i;
  }
}

// The corner of c between the offset lines of p->c and c->s: the outer
// tangents of the circles of radius |offset| round the vertices, on the
// side that mode selects.
TPolyOffset::Corner TPolyOffset::computeOffsetCorner(const T_POINT2D& p, const T_POINT2D& c, const T_POINT2D& s,
                                                     double dp, double dc, double ds, T_POINT2D& corner,
                                                     EdgeTangents& before, EdgeTangents& after) const {
  corner = c;
  if (before.get(p, std::fabs(dp), c, std::fabs(dc)) < 0 || after.get(c, std::fabs(dc), s, std::fabs(ds)) < 0)
    return Corner::Mitre;
  const unsigned side = mode == 0 ? 0 : 1;
  const T_LINE2D l1 = before.records[side].line;
  const T_LINE2D l2 = after.records[side].line;

  const long double cx = l1.b * l2.c - l1.c * l2.b;
  const long double cy = l1.c * l2.a - l1.a * l2.c;
  const long double cz = l1.a * l2.b - l1.b * l2.a;
  if (std::fabs(cx) < kSameLine && std::fabs(cy) < kSameLine && std::fabs(cz) < kSameLine) {
    T_LINE2D perpendicular = l1;
    (void)perpendicular.PerpendicularFromP(c);
    (void)l1.Intersect(perpendicular, &corner);
    return Corner::SameLine;
  }
  // Parallel distinct lines (a reversal) give no mitre; the corner stays c.
  (void)l1.Intersect(l2, &corner);
  if (aeCalcRightAngle(p, c, s) >= kHalfPi) return Corner::Mitre;
  long double e1 = 0, e2 = 0;
  (void)lineThrough(p, c).PtDistance(s, T_LINE2D::kPerpendicular | T_LINE2D::kAbsolute, e1);
  (void)lineThrough(c, s).PtDistance(p, T_LINE2D::kPerpendicular | T_LINE2D::kAbsolute, e2);
  if (e1 < 2.0 * std::fabs(ds) - kShortEdgeMargin) return Corner::DropSuccessor;
  if (e2 < 2.0 * std::fabs(dp) - kShortEdgeMargin) return Corner::DropPredecessor;
  return Corner::Mitre;
}

bool TPolyOffset::ComputeNewShapeFromOrg() {
  const unsigned n = countOf(orgPoly);
  // Two slots used in turn: the second edge of one corner is the first of
  // the next.
  EdgeTangents slots[2];
  unsigned next = 0;
  for (unsigned i = 0; i < n; ++i) {
    OffsetBaseVertex* v = baseAt(orgPoly, i);
    if (!(std::fabs(v->ofs) > kNoOffset)) continue;
    const unsigned ip = i == 0 ? n - 1 : i - 1;
    const unsigned is = i + 1 == n ? 0 : i + 1;
    OffsetBaseVertex* p = baseAt(orgPoly, ip);
    OffsetBaseVertex* s = baseAt(orgPoly, is);
    const T_POINT2D pp = plan(p->basePt), c = plan(v->basePt), ss = plan(s->basePt);
    T_POINT2D corner{};
    EdgeTangents& before = slots[next];
    EdgeTangents& after = slots[1 - next];
    next = 1 - next;
    const Corner flag =
        computeOffsetCorner(pp, c, ss, effectiveOffset(*p), v->ofs, effectiveOffset(*s), corner, before, after);
    T_POINT2D moved{};
    switch (flag) {
      case Corner::DropPredecessor: {
        // The vertex moves to where the edge before p meets the edge after it;
        // parallel edges leave it in place.
        p->removed = true;
        const T_POINT2D before = plan(baseAt(orgPoly, ip == 0 ? n - 1 : ip - 1)->basePt);
        if (lineThrough(before, pp).Intersect(lineThrough(c, ss), &moved) == T_LINE2D::kCrossing) {
          v->basePt.x = moved.x;
          v->basePt.y = moved.y;
        }
        return false;
      }
      case Corner::DropSuccessor: {
        s->removed = true;
        const T_POINT2D after = plan(baseAt(orgPoly, is + 1 == n ? 0 : is + 1)->basePt);
        if (lineThrough(pp, c).Intersect(lineThrough(ss, after), &moved) == T_LINE2D::kCrossing) {
          v->basePt.x = moved.x;
          v->basePt.y = moved.y;
        }
        return false;
      }
      case Corner::Mitre:
      case Corner::SameLine:
        v->offsetPt.x = corner.x;
        v->offsetPt.y = corner.y;
        break;
    }
  }
  return true;
}

void TPolyOffset::CreateNewPolyCopy() {
  for (unsigned i = 0; i < countOf(orgPoly); ++i) {
    auto* v = new (std::nothrow) OffsetVertex{int(i), baseAt(orgPoly, i)->offsetPt, nullptr, -1, false, false};
    if (v == nullptr || newPoly->Add(v, nullptr) != ZR_OK) delete v;
  }
}

bool TPolyOffset::addResult(T_V3DLIST* list) {
  auto* r = new (std::nothrow) OffsetResultPoly{list, 0, -1.0};
  if (r == nullptr || subPolys->Add(r, nullptr) != ZR_OK) {
    delete r;
    delete list;
    return false;
  }
  return true;
}

void TPolyOffset::measureResults() {
  for (unsigned k = 0; k < countOf(subPolys); ++k) {
    auto* r = static_cast<OffsetResultPoly*>(subPolys->GetAt(k));
    (void)r->list->RemoveDupedPts(1, kResultDuplicate);
    const unsigned n = r->list->GetCount();
    ExtendedReal twice = 0;
    if (n > 2) {
      for (unsigned i = 0; i < n; ++i) {
        const T_V3DVERTEX* a = r->list->GetVertex(i);
        const T_V3DVERTEX* b = r->list->GetVertex(i + 1 == n ? 0 : i + 1);
        twice += ExtendedReal(a->x) * b->y - ExtendedReal(b->x) * a->y;
      }
    }
    const double area = double(twice / 2);
    r->orientation = area > kFlatArea ? -1 : (area < -kFlatArea ? 1 : 0);
    r->area = std::fabs(area);
  }
}

void TPolyOffset::selectResults() {
  const unsigned n = countOf(subPolys);
  if (n >= 2) {
    SortPtrArray(
        subPolys,
        [](void* a, void* b, void*) {
          return static_cast<OffsetResultPoly*>(a)->area > static_cast<OffsetResultPoly*>(b)->area ? -1 : 1;
        },
        nullptr, 0, int(n) - 1);
  }
  for (unsigned k = 0; k < countOf(subPolys);) {
    auto* r = static_cast<OffsetResultPoly*>(subPolys->GetAt(k));
    const unsigned points = r->list->GetCount();
    if (r->orientation == 1 && points >= 3) {
      if (cutLevel > 0 && points > 3) SimplifyAngles2(r->list);
      ++k;
      continue;
    }
    delete r->list;
    delete r;
    (void)subPolys->Delete(k, false);
  }
}

int TPolyOffset::Execute() {
  if (orgPoly == nullptr || newPoly == nullptr || subPolys == nullptr) return -1;
  // Corners, restarted whenever a sharp corner removed a neighbour.
  for (;;) {
    if (orgPoly->GetCount() < 3) return -1;
    ClearNewPoly();
    RemoveOrgPolyDupedPts();
    if (orgPoly->GetCount() < 3) return -1;
    if (cutLevel > 0 && orgPoly->GetCount() > 3) SimplifyAngles();
    if (ComputeNewShapeFromOrg()) break;
  }
  RemoveOrgPolyDupedPts();
  if (orgPoly->GetCount() < 3) return -1;
  if (cutLevel > 0 && orgPoly->GetCount() > 3) SimplifyAngles();
  CreateNewPolyCopy();

  // Crossings, their copies, numbers and marks.
  if (IPtrArray* crossings = CalcNewPolySelfIntList()) {
    InsertFirstCopies(crossings);
    InsertNewPts(crossings);
  }
  AssignSelfIntIDs();
  IPtrArray* copies = CreateIntIDList();
  if (copies != nullptr) {
    MarkTwins(copies);
    MarkBadSplits(copies);
    MarkBadCycles(copies);
  }
  if (keepOrg != 0 && copies != nullptr) {
    FreeIntIDList(copies);
    copies = nullptr;
  }

  if (copies == nullptr) {
    auto* list = new (std::nothrow) T_V3DLIST();
    if (list == nullptr) return -1;
    list->SetClosed(1);
    for (unsigned i = 0; i < newPoly->GetCount(); ++i) {
      const auto* v = static_cast<OffsetVertex*>(newPoly->GetAt(i));
      const unsigned at = list->Add(v->pt.x, v->pt.y, v->pt.z);
      list->ChangeID(at, unsigned(v->orgIndex));
    }
    if (!addResult(list)) return -1;
  } else {
    const bool anyClean = [&] {
      for (unsigned k = 0; k < copies->GetCount(); ++k) {
        const auto* c = static_cast<CrossingCopy*>(copies->GetAt(k));
        if (c->badSplit == 0 && c->badCycle == 0) return true;
      }
      return false;
    }();
    if (anyClean) walkLoops(copies);
    FreeIntIDList(copies);
    if (!anyClean) return -1;
  }

  measureResults();
  if (keepOrg == 0) selectResults();
  return countOf(subPolys) == 0 ? -1 : 0;
}

// Merge-based: the items of the range are sorted stably and written back.
// An item goes before an earlier one only when the compare says so both
// ways, so a compare that answers -1 for equal keys (as the offset's own
// compares do) keeps their order.
void TPolyOffset::SortPtrArray(IPtrArray* array, CompareFunc compare, void* context, int lo, int hi) {
  if (array == nullptr || lo < 0 || hi <= lo || unsigned(hi) >= array->GetCount()) return;
  std::vector<void*> items;
  items.reserve(size_t(hi - lo + 1));
  for (int i = lo; i <= hi; ++i) items.push_back(array->GetAt(unsigned(i)));
  std::stable_sort(items.begin(), items.end(),
                   [&](void* a, void* b) { return compare(a, b, context) < 0 && compare(b, a, context) > 0; });
  for (int i = lo; i <= hi; ++i) (void)array->Replace(unsigned(i), items[size_t(i - lo)], false);
}
