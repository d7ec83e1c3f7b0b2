// T_V2DLIST: the box of the rotated outline, the split of an almost
// rectangular outline into its edges, radial moves and the fitting of a
// polyline's ends to boundaries.
#include "zefcorek/V2DList.h"

#include "VertexListStorageImpl.h"

#include "zefcorek/Angles.h"
#include "zefcorek/Line2D.h"
#include "zefcorek/RecList.h"

#include <array>
#include <memory>
#include <new>

namespace {

constexpr double kPi = 3.141592653589793;
// Vertices whose interior angle is below this are corners.
constexpr double kCornerAngle = 2.356194490192345;
constexpr double kFarAway = 1e30;
// The rotations tried for the smallest box, in degrees.
constexpr int kFirstDegree = -15;
constexpr int kLastDegree = 94;
// A new end closer than this to the vertex beside it is that vertex.
constexpr double kEndGap = 1e-6;

T_VECTOR2D rotated(const T_VECTOR2D& v, const T_VECTOR2D& c, long double cosine, long double sine) {
  const ExtendedReal dx = ExtendedReal(v.x) - c.x;
  const ExtendedReal dy = ExtendedReal(v.y) - c.y;
  return T_VECTOR2D(dx * cosine - dy * sine + c.x, dy * cosine + dx * sine + c.y);
}

int sign(long double d) { return d > 0.0L ? 1 : (d < 0.0L ? -1 : 0); }

T_POINT2D point(const T_VECTOR2D& v) { return T_POINT2D{v.x, v.y}; }

// The position of x relative to m along the line.
long double positionOn(const T_LINE2D& line, const T_VECTOR2D& m, const T_VECTOR2D& x) {
  long double d = 0.0L;
  line.DeltaFromPtsOnLine(point(m), point(x), d);
  return d;
}

}  // namespace

int T_V2DLIST::GetLimitsOfRotatedList(double angle, const T_VECTOR2D* centre, T_VECTOR2D* min, T_VECTOR2D* max) const {
  if (GetCount() < 3 || centre == nullptr) {
    if (min != nullptr) *min = T_VECTOR2D();
    if (max != nullptr) *max = T_VECTOR2D();
    return 0;
  }
  const long double cosine = std::cos(ExtendedReal(angle));
  const long double sine = std::sin(ExtendedReal(angle));
  bool first = true;
  T_VECTOR2D lo, hi;
  store_.forEach([&](const T_VECTOR2D& v) {
    const T_VECTOR2D r = rotated(v, *centre, cosine, sine);
    if (first) {
      lo = r;
      hi = r;
      first = false;
      return;
    }
    lo = T_VECTOR2D(std::min(lo.x, r.x), std::min(lo.y, r.y));
    hi = T_VECTOR2D(std::max(hi.x, r.x), std::max(hi.y, r.y));
  });
  if (min != nullptr) *min = lo;
  if (max != nullptr) *max = hi;
  return 1;
}

int T_V2DLIST::FindNearestVertexAtCornerNode(double angle, const T_VECTOR2D* centre, const T_VECTOR2D* target,
                                             TRecListNodeType_Dummy** node, unsigned* index) const {
  if (node != nullptr) *node = nullptr;
  if (index != nullptr) *index = kNoIndex;
  const unsigned n = GetCount();
  if (n < 4 || centre == nullptr || target == nullptr) return 0;
  const long double cosine = std::cos(ExtendedReal(angle));
  const long double sine = std::sin(ExtendedReal(angle));
  long double best = kFarAway;
  for (unsigned i = 0; i < n; ++i) {
    const T_VECTOR2D v = *GetVertex(i);
    const long double d = rotated(v, *centre, cosine, sine).Distance(*target);
    if (i != 0 && !(d < best)) continue;
    double atPrevious = 0.0, atVertex = 0.0, atNext = 0.0;
    auCalcTrgAngles(point(*GetVertex((i + n - 1) % n)), point(v), point(*GetVertex((i + 1) % n)), &atPrevious,
                    &atVertex, &atNext);
    if (!(atVertex < kCornerAngle)) continue;
    best = d;
    if (node != nullptr) store_.records()->GetNodeAt(i, node);
    if (index != nullptr) *index = i;
  }
  return 1;
}

int T_V2DLIST::FindEdgesOfQuasiRectangle(T_V2DLIST** edges, unsigned) const {
  if (edges == nullptr) return 0;
  for (int i = 0; i < 4; ++i) edges[i] = nullptr;
  const unsigned n = GetCount();
  if (n < 4) return 0;
  const T_VECTOR2D centre = CalcBarycentre();

  // The rotation whose box has the smallest area, the first on ties.
  double bestAngle = 0.0;
  long double bestArea = 0.0L;
  T_VECTOR2D lo, hi;
  for (int k = kFirstDegree; k <= kLastDegree; ++k) {
    const double angle = k * (1.0 / 180.0) * kPi;
    T_VECTOR2D min, max;
    GetLimitsOfRotatedList(angle, &centre, &min, &max);
    const long double area = (ExtendedReal(max.x) - min.x) * (ExtendedReal(max.y) - min.y);
    if (k != kFirstDegree && !(area < bestArea)) continue;
    bestArea = area;
    bestAngle = angle;
    lo = min;
    hi = max;
  }

  const T_VECTOR2D corners[4] = {{lo.x, lo.y}, {hi.x, lo.y}, {hi.x, hi.y}, {lo.x, hi.y}};
  std::array<unsigned, 4> at{};
  std::array<TRecListNodeType_Dummy*, 4> nodes{};
  for (int c = 0; c < 4; ++c) {
    FindNearestVertexAtCornerNode(bestAngle, &centre, &corners[c], &nodes[c], &at[c]);
    if (nodes[c] == nullptr) return 0;
    for (int earlier = 0; earlier < c; ++earlier) {
      if (nodes[earlier] == nodes[c]) return 0;
    }
  }

  int upSteps = 0;
  for (int c = 0; c < 4; ++c) upSteps += at[(c + 1) % 4] > at[c] ? 1 : 0;
  if (upSteps == 2) return 0;
  const bool forward = upSteps > 2;

  std::array<std::unique_ptr<T_V2DLIST>, 4> made;
  for (int c = 0; c < 4; ++c) {
    made[c].reset(new (std::nothrow) T_V2DLIST());
    if (!made[c]) return 0;
    const unsigned last = at[(c + 1) % 4];
    for (unsigned i = at[c];; i = forward ? (i + 1) % n : (i + n - 1) % n) {
      if (made[c]->Add(GetVertex(i)) == kNoIndex) return 0;
      if (i == last) break;
    }
  }
  for (int c = 0; c < 4; ++c) edges[c] = made[c].release();
  return 1;
}

void T_V2DLIST::ShrinkOrExpandBy(double distance) {
  if (GetCount() == 0) return;
  const T_VECTOR2D c = CalcBarycentre();
  store_.forEach([&](T_VECTOR2D& v) {
    const long double r = v.Distance(c);
    if (!(r > 0.0L)) return;
    const long double f = (r + distance) / r;
    v = T_VECTOR2D(c.x + (ExtendedReal(v.x) - c.x) * f, c.y + (ExtendedReal(v.y) - c.y) * f);
  });
  store_.invalidateLimits();
}

// Vertices are removed from the front while they lie beyond `front` on its
// side (the same sign of position, farther out), and from the back beyond
// `back`; the two points then become the ends unless an end vertex already
// lies within kEndGap of them.
template <class Position>
void T_V2DLIST::trimToEnds(Position position, const T_VECTOR2D& front, long double frontPos, const T_VECTOR2D& back,
                           long double backPos) {
  const auto beyond = [&](unsigned i, long double limit) {
    const long double d = position(*GetVertex(i));
    return sign(d) == sign(limit) && std::fabs(d) > std::fabs(limit);
  };
  while (GetCount() != 0 && beyond(0, frontPos)) DeleteAt(0);
  while (GetCount() != 0 && beyond(GetCount() - 1, backPos)) DeleteAt(GetCount() - 1);
  if (GetCount() == 0) {
    Add(&front);
    Add(&back);
  } else {
    if (GetVertex(0)->Distance(front) > kEndGap) store_.insertAt(0, front);
    if (GetVertex(GetCount() - 1)->Distance(back) > kEndGap) Add(&back);
  }
  store_.invalidateLimits();
}

int T_V2DLIST::AdjustToTouchPerimenter(const T_V2DLIST* perimeter, unsigned) {
  if (GetCount() < 2 || perimeter == nullptr) return 0;
  const unsigned sides = perimeter->GetCount();
  if (perimeter->IsClosed() != 0 ? sides < 3 : sides < 4) return 0;
  const T_VECTOR2D f = *GetVertex(0);
  const T_VECTOR2D e = *GetVertex(GetCount() - 1);
  if (f == e) return 0;
  std::unique_ptr<T_V2DLIST> hits(perimeter->FindIntersectionsWithRay(&f, &e, 0));
  if (!hits || hits->GetCount() != 2) return 0;
  T_VECTOR2D x0 = *hits->GetVertex(0);
  T_VECTOR2D x1 = *hits->GetVertex(1);
  const T_LINE2D line(point(f), point(e));
  const T_VECTOR2D m = (f + e) * 0.5L;
  if (sign(positionOn(line, m, x0)) != sign(positionOn(line, m, f))) std::swap(x0, x1);
  trimToEnds([&](const T_VECTOR2D& v) { return positionOn(line, m, v); }, x0, positionOn(line, m, x0), x1,
             positionOn(line, m, x1));
  return 1;
}

// The two boundary points must differ: through a single point there is no
// line to measure positions along.
int T_V2DLIST::AdjustToTouchQuasiOrthoLines(const T_V2DLIST* lineA, const T_V2DLIST* lineB, unsigned) {
  if (GetCount() < 2 || lineA == nullptr || lineB == nullptr) return 0;
  const auto boundaryPoints = [this](const T_V2DLIST* boundary) {
    T_V2DLIST* found = GetIntersectionsWithOther(boundary, 1);
    if (found == nullptr && boundary->GetCount() != 0)
      found = FindIntersectionsWithRay(boundary->GetVertex(0), boundary->GetVertex(boundary->GetCount() - 1), 0);
    return std::unique_ptr<T_V2DLIST>(found);
  };
  const std::unique_ptr<T_V2DLIST> xa = boundaryPoints(lineA);
  const std::unique_ptr<T_V2DLIST> xb = boundaryPoints(lineB);
  if (!xa || !xb || xa->GetCount() != 1 || xb->GetCount() != 1) return 0;
  T_VECTOR2D pa = *xa->GetVertex(0);
  T_VECTOR2D pb = *xb->GetVertex(0);
  T_LINE2D line;
  if (!line.From2P(point(pa), point(pb))) return 0;
  const T_VECTOR2D m = (pa + pb) * 0.5L;
  const auto position = [&](const T_VECTOR2D& v) {
    T_POINT2D projected{};
    line.ProjectPointEx(point(v), T_LINE2D::kPerpendicular, projected);
    return positionOn(line, m, T_VECTOR2D(projected));
  };
  if (sign(positionOn(line, m, pa)) != sign(position(*GetVertex(0)))) std::swap(pa, pb);
  trimToEnds(position, pa, positionOn(line, m, pa), pb, positionOn(line, m, pb));
  return 1;
}
