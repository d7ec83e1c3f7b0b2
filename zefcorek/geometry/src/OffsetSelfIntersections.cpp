// The offset ring's self-intersections: the crossings of non-adjacent edges,
// their pairs of linked copies, the numbering and marking of the copies, and
// the walk of the clean loops.
//
// Each crossing point goes into both of its edges as a copy; the two copies
// are partners. A walk along newPoly that jumps to the partner at every
// clean copy follows one loop of the outline. Pairs whose copies interleave
// with another pair's along the ring (badSplit), and loops that would run
// against their base edges (badCycle), cannot start a loop; the copies of
// interleaving pairs are passed through as ordinary vertices but not
// written.
#include "zefcorek/PolyOffset.h"

#include "zefcorek/ExtendedReal.h"
#include "zefcorek/Line2D.h"
#include "zefcorek/V3DList.h"
#include "zefcorek/Vector3D.h"

#include "zefcorek/ClassIds.h"
#include "zefcorek/PtrArray.h"
#include "zefcorek/ZefCoreK.h"

#include <algorithm>
#include <cmath>
#include <initializer_list>
#include <new>
#include <unordered_map>
#include <utility>
#include <vector>

namespace {

// Crossings nearer than this to an end of either edge are touches.
constexpr ExtendedReal kEndDistance = 1e-8L;
// How far outside a piece's ends a crossing still counts as on the piece,
// in units of the piece's length.
constexpr ExtendedReal kPieceSlack = 1e-9L;

IPtrArray* makePtrArray() {
  void* out = nullptr;
  if (zefCoreKAllocIntf(&CLSID_IPtrArrayImp, &out, 0) != S_OK) return nullptr;
  return static_cast<IPtrArray*>(out);
}

OffsetVertex* vertexAt(IPtrArray* a, unsigned i) { return static_cast<OffsetVertex*>(a->GetAt(i)); }
OffsetCrossing* crossingAt(IPtrArray* a, unsigned i) { return static_cast<OffsetCrossing*>(a->GetAt(i)); }
CrossingCopy* copyAt(IPtrArray* a, unsigned i) { return static_cast<CrossingCopy*>(a->GetAt(i)); }

T_POINT2D plan(const tagT_POINT3D& p) { return {p.x, p.y}; }

ExtendedReal distance2D(const T_POINT2D& a, const T_POINT2D& b) {
  const ExtendedReal dx = ExtendedReal(a.x) - b.x, dy = ExtendedReal(a.y) - b.y;
  return std::sqrt(dx * dx + dy * dy);
}

ExtendedReal squaredDistance(const T_POINT2D& a, const tagT_POINT3D& b) {
  const ExtendedReal dx = ExtendedReal(a.x) - b.x, dy = ExtendedReal(a.y) - b.y;
  return dx * dx + dy * dy;
}

// Every index >= k names the vertex one further on after an insertion at k.
void shiftIndices(IPtrArray* crossings, unsigned k) {
  for (unsigned r = 0; r < crossings->GetCount(); ++r) {
    OffsetCrossing* c = crossingAt(crossings, r);
    for (unsigned* index : {&c->a0, &c->a1, &c->b0, &c->b1}) {
      if (*index >= k) ++*index;
    }
  }
}

// Whether the crossing lies on the piece w -> v of an edge: its parameter
// along the piece, within a hair of [0, 1]. (A box test shrunk at the ends
// is empty for a piece parallel to an axis.)
bool pieceHolds(const tagT_POINT3D& w, const tagT_POINT3D& v, const T_POINT2D& pt) {
  const ExtendedReal dx = ExtendedReal(v.x) - w.x, dy = ExtendedReal(v.y) - w.y;
  const ExtendedReal len2 = dx * dx + dy * dy;
  if (len2 == 0.0L) return pt.x == w.x && pt.y == w.y;
  const ExtendedReal t = ((ExtendedReal(pt.x) - w.x) * dx + (ExtendedReal(pt.y) - w.y) * dy) / len2;
  return t >= -kPieceSlack && t <= 1.0L + kPieceSlack;
}

struct EdgeCompareContext {
  IPtrArray* newPoly;
  bool second;  // compare the second edges (b0) instead of the first (a0)
};

// By the edge's start index, then by the distance from its start vertex, a
// distance not above the other's first.
int compareAlongEdge(void* a, void* b, void* context) {
  const auto& ctx = *static_cast<EdgeCompareContext*>(context);
  const auto* ca = static_cast<OffsetCrossing*>(a);
  const auto* cb = static_cast<OffsetCrossing*>(b);
  const unsigned sa = ctx.second ? ca->b0 : ca->a0;
  const unsigned sb = ctx.second ? cb->b0 : cb->a0;
  if (sa != sb) return sa < sb ? -1 : 1;
  const tagT_POINT3D& start = vertexAt(ctx.newPoly, sa)->pt;
  return squaredDistance(ca->pt, start) <= squaredDistance(cb->pt, start) ? -1 : 1;
}

}  // namespace

namespace {

// An edge of newPoly for the crossing search: its line (when its ends
// differ) and its bounding box, grown by a hair so that a crossing computed
// from either line's side is never cut off by the box test.
struct SearchEdge {
  unsigned index;
  T_LINE2D line;
  bool valid;
  double xmin, xmax, ymin, ymax;
};

SearchEdge searchEdge(unsigned index, const T_POINT2D& a, const T_POINT2D& b) {
  SearchEdge e{index, T_LINE2D(), false, 0, 0, 0, 0};
  e.valid = e.line.From2P(a, b);
  const double slack =
      1e-9 * (1.0 + std::fmax(std::fmax(std::fabs(a.x), std::fabs(b.x)), std::fmax(std::fabs(a.y), std::fabs(b.y))));
  e.xmin = std::fmin(a.x, b.x) - slack;
  e.xmax = std::fmax(a.x, b.x) + slack;
  e.ymin = std::fmin(a.y, b.y) - slack;
  e.ymax = std::fmax(a.y, b.y) + slack;
  return e;
}

}  // namespace

// Every pair of edges (i, j), i < j <= last, is tested as the crossing rule
// says; pairs whose boxes are apart cannot meet its box conditions and are
// left out by a sweep along x, and the pairs left are tested in (i, j)
// order, so the list comes out as a test of all pairs would give it.
IPtrArray* TPolyOffset::CalcNewPolySelfIntList() {
  const unsigned n = newPoly == nullptr ? 0 : newPoly->GetCount();
  if (n < 4) return nullptr;
  const unsigned last = closed != 0 ? n - 1 : n - 2;
  std::vector<SearchEdge> edges;
  edges.reserve(last + 1);
  for (unsigned i = 0; i <= last; ++i)
    edges.push_back(searchEdge(i, plan(vertexAt(newPoly, i)->pt), plan(vertexAt(newPoly, (i + 1) % n)->pt)));

  std::vector<unsigned> byX(edges.size());
  for (unsigned i = 0; i < byX.size(); ++i) byX[i] = i;
  std::sort(byX.begin(), byX.end(), [&](unsigned a, unsigned b) {
    return edges[a].xmin < edges[b].xmin || (edges[a].xmin == edges[b].xmin && a < b);
  });
  std::vector<std::pair<unsigned, unsigned>> candidates;
  for (size_t a = 0; a < byX.size(); ++a) {
    const SearchEdge& ea = edges[byX[a]];
    if (!ea.valid) continue;
    for (size_t b = a + 1; b < byX.size() && edges[byX[b]].xmin <= ea.xmax; ++b) {
      const SearchEdge& eb = edges[byX[b]];
      if (!eb.valid || eb.ymin > ea.ymax || eb.ymax < ea.ymin) continue;
      candidates.emplace_back(std::min(ea.index, eb.index), std::max(ea.index, eb.index));
    }
  }
  std::sort(candidates.begin(), candidates.end());

  IPtrArray* list = makePtrArray();
  if (list == nullptr) return nullptr;
  for (const auto& [i, j] : candidates) {
    const unsigned i2 = (i + 1) % n, j2 = (j + 1) % n;
    const T_POINT2D pi = plan(vertexAt(newPoly, i)->pt), pi2 = plan(vertexAt(newPoly, i2)->pt);
    const T_POINT2D pj = plan(vertexAt(newPoly, j)->pt), pj2 = plan(vertexAt(newPoly, j2)->pt);
    const T_LINE2D& l1 = edges[i].line;
    const T_LINE2D& l2 = edges[j].line;
    T_POINT2D p{}, q{};
    if (l2.IntersectEx(l1, pi, pi2, &p) != T_LINE2D::kCrossingInRect ||
        l1.IntersectEx(l2, pj, pj2, &q) != T_LINE2D::kCrossingInRect)
      continue;
    if (!(distance2D(p, pi) > kEndDistance && distance2D(p, pi2) > kEndDistance && distance2D(q, pj) > kEndDistance &&
          distance2D(q, pj2) > kEndDistance))
      continue;
    auto* c = new (std::nothrow) OffsetCrossing{i, i2, j, j2, p};
    if (c == nullptr || list->Add(c, nullptr) != ZR_OK) delete c;
  }
  if (list->GetCount() == 0) {
    list->Release();
    return nullptr;
  }
  return list;
}

void TPolyOffset::FreeNewPolySelfIntList(IPtrArray* crossings) {
  if (crossings == nullptr) return;
  for (unsigned r = 0; r < crossings->GetCount(); ++r) delete crossingAt(crossings, r);
  crossings->Release();
}

void TPolyOffset::InsertFirstCopies(IPtrArray* crossings) {
  if (crossings == nullptr || newPoly == nullptr) return;
  EdgeCompareContext ctx{newPoly, false};
  if (crossings->GetCount() >= 2) SortPtrArray(crossings, &compareAlongEdge, &ctx, 0, int(crossings->GetCount()) - 1);
  for (unsigned r = 0; r < crossings->GetCount(); ++r) {
    OffsetCrossing* c = crossingAt(crossings, r);
    const OffsetVertex* start = vertexAt(newPoly, c->a0);
    auto* copy =
        new (std::nothrow) OffsetVertex{start->orgIndex, {c->pt.x, c->pt.y, start->pt.z}, nullptr, -1, false, false};
    const unsigned k = c->a1;
    if (copy == nullptr || newPoly->Insert(k, copy) != ZR_OK) {
      delete copy;
      continue;
    }
    shiftIndices(crossings, k);
    c->a0 = k;
  }
}

void TPolyOffset::InsertNewPts(IPtrArray* crossings) {
  if (crossings == nullptr || newPoly == nullptr) {
    FreeNewPolySelfIntList(crossings);
    return;
  }
  EdgeCompareContext ctx{newPoly, true};
  if (crossings->GetCount() >= 2) SortPtrArray(crossings, &compareAlongEdge, &ctx, 0, int(crossings->GetCount()) - 1);
  for (unsigned r = 0; r < crossings->GetCount(); ++r) {
    OffsetCrossing* c = crossingAt(crossings, r);
    const unsigned count = newPoly->GetCount();
    // Back from the edge's end to the piece that holds the crossing.
    unsigned j = c->b1;
    OffsetVertex* v = vertexAt(newPoly, j);
    while (j != c->b0) {
      const unsigned jp = j == 0 ? count - 1 : j - 1;
      OffsetVertex* w = vertexAt(newPoly, jp);
      if (pieceHolds(w->pt, v->pt, c->pt)) break;
      v = w;
      j = jp;
    }
    auto* copy = new (std::nothrow) OffsetVertex{v->orgIndex, {c->pt.x, c->pt.y, v->pt.z}, nullptr, -1, false, false};
    if (copy == nullptr || newPoly->Insert(j, copy) != ZR_OK) {
      delete copy;
      continue;
    }
    shiftIndices(crossings, j);
    c->b0 = j;
    OffsetVertex* first = vertexAt(newPoly, c->a0);
    copy->partner = first;
    first->partner = copy;
  }
  FreeNewPolySelfIntList(crossings);
}

void TPolyOffset::AssignSelfIntIDs() {
  int next = 0;
  for (unsigned i = 0; i < (newPoly == nullptr ? 0 : newPoly->GetCount()); ++i) {
    OffsetVertex* v = vertexAt(newPoly, i);
    if (v->partner != nullptr) v->id = next++;
  }
}

IPtrArray* TPolyOffset::CreateIntIDList() {
  if (newPoly == nullptr) return nullptr;
  IPtrArray* list = nullptr;
  for (unsigned i = 0; i < newPoly->GetCount(); ++i) {
    const OffsetVertex* v = vertexAt(newPoly, i);
    if (v->partner == nullptr) continue;
    if (list == nullptr && (list = makePtrArray()) == nullptr) return nullptr;
    auto* c = new (std::nothrow) CrossingCopy{v->id, v->partner->id, i, -1, 0, 0};
    if (c == nullptr || list->Add(c, nullptr) != ZR_OK) delete c;
  }
  return list;
}

void TPolyOffset::FreeIntIDList(IPtrArray* copies) {
  if (copies == nullptr) return;
  for (unsigned k = 0; k < copies->GetCount(); ++k) delete copyAt(copies, k);
  copies->Release();
}

void TPolyOffset::MarkTwins(IPtrArray* copies) {
  const unsigned n = copies->GetCount();
  for (unsigned k = 0; k < n; ++k) {
    CrossingCopy* c = copyAt(copies, k);
    for (unsigned m = n; m-- > 0;) {
      const CrossingCopy* t = copyAt(copies, m);
      if (t->id == c->partnerId && t->partnerId == c->id) {
        c->twin = int(m);
        break;
      }
    }
  }
}

void TPolyOffset::MarkBadSplits(IPtrArray* copies) {
  const int n = int(copies->GetCount());
  for (int c = 0; c < n; ++c) {
    const int t = copyAt(copies, unsigned(c))->twin;
    for (int m = c + 1; m < t; ++m) {
      CrossingCopy* cm = copyAt(copies, unsigned(m));
      if (cm->twin >= c && cm->twin <= t) continue;  // nested or the same pair
      cm->badSplit = 1;
      vertexAt(newPoly, cm->vertex)->bad = true;
      if (cm->twin >= 0 && cm->twin < n) {
        CrossingCopy* tm = copyAt(copies, unsigned(cm->twin));
        tm->badSplit = 1;
        vertexAt(newPoly, tm->vertex)->bad = true;
      }
    }
  }
}

namespace {

// Where each vertex of newPoly stands, for the jumps of the walks; newPoly
// does not change while they run.
class VertexIndex {
public:
  explicit VertexIndex(IPtrArray* newPoly) {
    for (unsigned i = 0; i < newPoly->GetCount(); ++i)
      index_.emplace(static_cast<const OffsetVertex*>(newPoly->GetAt(i)), i);
  }
  unsigned of(const OffsetVertex* v) const { return index_.at(v); }

private:
  std::unordered_map<const OffsetVertex*, unsigned> index_;
};

}  // namespace

void TPolyOffset::MarkBadCycles(IPtrArray* copies) {
  const unsigned count = newPoly->GetCount();
  const VertexIndex where(newPoly);
  for (unsigned k = 0; k < copies->GetCount(); ++k) {
    CrossingCopy* c = copyAt(copies, k);
    if (c->badSplit != 0) continue;
    const unsigned s = c->vertex;
    unsigned j = s;
    bool clean = false;
    // A clean loop comes back to its start by a jump within one pass round
    // the ring; a walk that does not is bad.
    for (unsigned step = 0; step <= count && !clean; ++step) {
      const OffsetVertex* w = vertexAt(newPoly, j);
      if (j != s && w->partner != nullptr && !w->bad) {
        j = where.of(w->partner);
        if (j == s) {
          clean = true;
          break;
        }
      }
      if (CheckNewPolyEdgeTilted(j) != 0) break;
      j = (j + 1) % count;
    }
    if (!clean) c->badCycle = 1;
  }
}

int TPolyOffset::CheckNewPolyEdgeTilted(unsigned j) {
  const unsigned count = newPoly->GetCount();
  const OffsetVertex* a = vertexAt(newPoly, j);
  const OffsetVertex* b = vertexAt(newPoly, (j + 1) % count);
  if (a->orgIndex == -1 || b->orgIndex == -1) return 0;
  const auto* oa = static_cast<OffsetBaseVertex*>(orgPoly->GetAt(unsigned(a->orgIndex)));
  const auto* ob = static_cast<OffsetBaseVertex*>(orgPoly->GetAt(unsigned(b->orgIndex)));
  T_VECTOR3D base = T_VECTOR3D(ob->offsetPt) - T_VECTOR3D(oa->offsetPt);
  T_VECTOR3D edge = T_VECTOR3D(b->pt) - T_VECTOR3D(a->pt);
  (void)base.SafeNormalize();
  (void)edge.SafeNormalize();
  auto opposite = [](double u, double v) { return u != 0 && v != 0 && (u < 0) != (v < 0); };
  return opposite(base.x, edge.x) && opposite(base.y, edge.y) ? 1 : 0;
}

void TPolyOffset::walkLoops(IPtrArray* copies) {
  const unsigned count = newPoly->GetCount();
  const VertexIndex where(newPoly);
  for (unsigned k = 0; k < copies->GetCount(); ++k) {
    const CrossingCopy* c = copyAt(copies, k);
    if (c->badSplit != 0 || c->badCycle != 0 || vertexAt(newPoly, c->vertex)->visited) continue;
    auto* list = new (std::nothrow) T_V3DLIST();
    if (list == nullptr) return;
    list->SetClosed(1);
    if (!addResult(list)) return;
    const unsigned s = c->vertex;
    unsigned j = s;
    // At most one pass round the ring: a walk that has not come back to its
    // start copy by a jump by then ends its result there.
    for (unsigned step = 0; step < count; ++step) {
      const OffsetVertex* v = vertexAt(newPoly, j);
      if (j != s && v->partner != nullptr && !v->bad) {
        j = where.of(v->partner);
        if (j == s) break;
        v->partner->visited = true;
      }
      if (!v->bad) {
        const unsigned at = list->Add(v->pt.x, v->pt.y, v->pt.z);
        list->ChangeID(at, unsigned(v->orgIndex));
      }
      j = (j + 1) % count;
    }
  }
}
