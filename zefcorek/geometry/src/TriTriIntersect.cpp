// The triangle-triangle tests. Both triangles are first tested against the
// other's plane; a pair that survives is cut by the line where the planes
// meet, and each triangle covers an interval of that line, measured by the
// coordinate of the axis along which the line runs most steeply. The
// triangles intersect when the intervals overlap. Triangles in one plane go
// to the coplanar test instead.
//
// Source: T. Moeller, "A Fast Triangle-Triangle Intersection Test", Journal
// of Graphics Tools 2(2), 1997, with its epsilon test and its later
// division-free and intersection-line variants.
#include "zefcorek/TriTriIntersect.h"

#include "platform/MessageBox.h"

#include <cmath>
#include <utility>

namespace {

// Signed distances below this are 0.
constexpr double kEpsilon = 1e-6;
// Intersection points beyond this are taken as runaway.
constexpr double kCoordinateBound = 1e10;

struct Vec {
  double x, y, z;
  double operator[](int k) const { return k == 0 ? x : (k == 1 ? y : z); }
};

Vec load(const double* p) { return Vec{p[0], p[1], p[2]}; }
Vec sub(const Vec& a, const Vec& b) { return Vec{a.x - b.x, a.y - b.y, a.z - b.z}; }
Vec add(const Vec& a, const Vec& b) { return Vec{a.x + b.x, a.y + b.y, a.z + b.z}; }
Vec scale(const Vec& a, double s) { return Vec{a.x * s, a.y * s, a.z * s}; }
double dot(const Vec& a, const Vec& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
Vec cross(const Vec& a, const Vec& b) {
  return Vec{a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}

struct Triangle {
  Vec p[3];
};

// One triangle against the other's plane: the plane's normal and the
// corners' signed distances from it, small ones zeroed.
struct PlaneSide {
  Vec normal;
  double d[3];
  // All three corners strictly on one side: the plane separates them.
  bool separates() const { return d[0] * d[1] > 0.0 && d[0] * d[2] > 0.0; }
  bool allZero() const { return d[0] == 0.0 && d[1] == 0.0 && d[2] == 0.0; }
};

// The distances of `corners` from the plane of `plane`.
PlaneSide sideOf(const Triangle& plane, const Triangle& corners) {
  PlaneSide s{};
  s.normal = cross(sub(plane.p[1], plane.p[0]), sub(plane.p[2], plane.p[0]));
  const double offset = -dot(s.normal, plane.p[0]);
  for (int i = 0; i < 3; ++i) {
    s.d[i] = dot(s.normal, corners.p[i]) + offset;
    if (std::fabs(s.d[i]) < kEpsilon) s.d[i] = 0.0;
  }
  return s;
}

// The axis along which the planes' common line runs most steeply; ties keep
// the lower axis.
int lineAxis(const Vec& n1, const Vec& n2) {
  const Vec dir = cross(n1, n2);
  double largest = std::fabs(dir.x);
  int axis = 0;
  if (std::fabs(dir.y) > largest) {
    largest = std::fabs(dir.y);
    axis = 1;
  }
  if (std::fabs(dir.z) > largest) axis = 2;
  return axis;
}

// The corner a that lies alone on its side of the other plane and the two
// others b, c; false when every distance is 0 (the triangles are coplanar).
struct Corners {
  int a, b, c;
};
bool loneCorner(const double d[3], Corners& out) {
  if (d[0] * d[1] > 0.0)
    out = {2, 0, 1};
  else if (d[0] * d[2] > 0.0)
    out = {1, 0, 2};
  else if (d[1] * d[2] > 0.0 || d[0] != 0.0)
    out = {0, 1, 2};
  else if (d[1] != 0.0)
    out = {1, 0, 2};
  else if (d[2] != 0.0)
    out = {2, 0, 1};
  else
    return false;
  return true;
}

// Where the triangle's edges from the lone corner meet the other plane, as
// positions along the line (on the chosen axis).
struct Interval {
  double lo, hi;
  bool swapped;  // the ends were exchanged to put them in order
};
Interval ordered(double first, double second) {
  if (first > second) return Interval{second, first, true};
  return Interval{first, second, false};
}
bool disjoint(const Interval& i, const Interval& j) { return i.hi < j.lo || j.hi < i.lo; }

Interval interval(const Triangle& t, const double d[3], const Corners& k, int axis) {
  const double va = t.p[k.a][axis], vb = t.p[k.b][axis], vc = t.p[k.c][axis];
  const double da = d[k.a], db = d[k.b], dc = d[k.c];
  return ordered(va + (vb - va) * da / (da - db), va + (vc - va) * da / (da - dc));
}

Triangle triangle(const double* p0, const double* p1, const double* p2) {
  return Triangle{{load(p0), load(p1), load(p2)}};
}

int coplanar(const Vec& n, const Triangle& v, const Triangle& u);

// What the three tests find before their own steps: each triangle's side of
// the other's plane, the axis the planes' common line is projected on, and
// each triangle's lone corner; `flat` when a triangle has none, so that the
// pair is coplanar.
struct PlaneCut {
  PlaneSide ofU, ofV;
  int axis;
  Corners kv, ku;
  bool flat;
};

// False when either plane separates the triangles; else true with cut made.
bool cutByPlanes(const Triangle& v, const Triangle& u, PlaneCut& cut) {
  cut.ofU = sideOf(v, u);
  if (cut.ofU.separates()) return false;
  cut.ofV = sideOf(u, v);
  if (cut.ofV.separates()) return false;
  cut.axis = lineAxis(cut.ofU.normal, cut.ofV.normal);
  cut.flat = !loneCorner(cut.ofV.d, cut.kv) || !loneCorner(cut.ofU.d, cut.ku);
  return true;
}

}  // namespace

int tri_tri_intersect(const double* v0, const double* v1, const double* v2, const double* u0, const double* u1,
                      const double* u2) {
  const Triangle v = triangle(v0, v1, v2), u = triangle(u0, u1, u2);
  PlaneCut cut{};
  if (!cutByPlanes(v, u, cut)) return 0;
  if (cut.flat) return coplanar(cut.ofU.normal, v, u);
  return disjoint(interval(v, cut.ofV.d, cut.kv, cut.axis), interval(u, cut.ofU.d, cut.ku, cut.axis)) ? 0 : 1;
}

int NoDivTriTriIsect(const double* v0, const double* v1, const double* v2, const double* u0, const double* u1,
                     const double* u2) {
  const Triangle v = triangle(v0, v1, v2), u = triangle(u0, u1, u2);
  PlaneCut cut{};
  if (!cutByPlanes(v, u, cut)) return 0;
  if (cut.flat) return coplanar(cut.ofU.normal, v, u);
  const auto& [ofU, ofV, axis, kv, ku, flat] = cut;
  // Each interval end is p_a + (p_b - p_a) d_a / (d_a - d_b); both
  // intervals are multiplied through by all four denominators.
  const double a = v.p[kv.a][axis];
  const double b = (v.p[kv.b][axis] - a) * ofV.d[kv.a];
  const double c = (v.p[kv.c][axis] - a) * ofV.d[kv.a];
  const double x0 = ofV.d[kv.a] - ofV.d[kv.b];
  const double x1 = ofV.d[kv.a] - ofV.d[kv.c];
  const double dd = u.p[ku.a][axis];
  const double e = (u.p[ku.b][axis] - dd) * ofU.d[ku.a];
  const double f = (u.p[ku.c][axis] - dd) * ofU.d[ku.a];
  const double y0 = ofU.d[ku.a] - ofU.d[ku.b];
  const double y1 = ofU.d[ku.a] - ofU.d[ku.c];
  const double xx = x0 * x1, yy = y0 * y1, xxyy = xx * yy;
  const Interval i1 = ordered(a * xxyy + b * x1 * yy, a * xxyy + c * x0 * yy);
  const Interval i2 = ordered(dd * xxyy + e * xx * y1, dd * xxyy + f * xx * y0);
  return disjoint(i1, i2) ? 0 : 1;
}

namespace {

// The coordinate plane (i0, i1) on which a triangle of normal n has the
// largest area.
void projectionAxes(const Vec& n, int& i0, int& i1) {
  const double ax = std::fabs(n.x), ay = std::fabs(n.y), az = std::fabs(n.z);
  if (ax > ay) {
    if (ax > az) {
      i0 = 1;
      i1 = 2;
    } else {
      i0 = 0;
      i1 = 1;
    }
  } else if (az > ay) {
    i0 = 0;
    i1 = 1;
  } else {
    i0 = 0;
    i1 = 2;
  }
}

struct P2 {
  double x, y;
};

// Whether edge p-q meets edge r-s; touching counts.
bool edgesMeet(const P2& p, const P2& q, const P2& r, const P2& s) {
  const P2 a{q.x - p.x, q.y - p.y};
  const P2 b{r.x - s.x, r.y - s.y};
  const P2 c{p.x - r.x, p.y - r.y};
  const double f = a.y * b.x - a.x * b.y;
  const double d = b.y * c.x - b.x * c.y;
  if (!((f > 0.0 && d >= 0.0 && d <= f) || (f < 0.0 && d <= 0.0 && d >= f))) return false;
  const double e = a.x * c.y - a.y * c.x;
  if (f > 0.0) return e >= 0.0 && e <= f;
  return e <= 0.0 && e >= f;
}

// Whether p lies strictly inside the triangle r (a point on an edge does
// not).
bool strictlyInside(const P2& p, const P2 r[3]) {
  double g[3];
  for (int i = 0; i < 3; ++i) {
    const P2& from = r[i];
    const P2& to = r[(i + 1) % 3];
    g[i] = (to.y - from.y) * (p.x - from.x) - (to.x - from.x) * (p.y - from.y);
  }
  return g[0] * g[1] > 0.0 && g[0] * g[2] > 0.0;
}

int coplanar(const Vec& n, const Triangle& v, const Triangle& u) {
  int i0 = 0, i1 = 1;
  projectionAxes(n, i0, i1);
  P2 pv[3], pu[3];
  for (int i = 0; i < 3; ++i) {
    pv[i] = P2{v.p[i][i0], v.p[i][i1]};
    pu[i] = P2{u.p[i][i0], u.p[i][i1]};
  }
  for (int i = 0; i < 3; ++i) {
    for (int j = 0; j < 3; ++j) {
      if (edgesMeet(pv[i], pv[(i + 1) % 3], pu[j], pu[(j + 1) % 3])) return 1;
    }
  }
  return strictlyInside(pv[0], pu) || strictlyInside(pu[0], pv) ? 1 : 0;
}

// The interval of one triangle on the common line together with the two
// points where its edges from the lone corner meet the other plane, the
// points following their interval ends when those are put in order.
struct Crossing {
  Interval range;
  Vec low, high;  // the points at range.lo and range.hi
};
Crossing crossing(const Triangle& t, const double d[3], const Corners& k, int axis) {
  const Vec& pa = t.p[k.a];
  const double ta = d[k.a] / (d[k.a] - d[k.b]);
  const double tc = d[k.a] / (d[k.a] - d[k.c]);
  const Vec first = add(pa, scale(sub(t.p[k.b], pa), ta));
  const Vec second = add(pa, scale(sub(t.p[k.c], pa), tc));
  const Interval range = interval(t, d, k, axis);
  return range.swapped ? Crossing{range, second, first} : Crossing{range, first, second};
}

void store(double* out, const Vec& p) {
  out[0] = p.x;
  out[1] = p.y;
  out[2] = p.z;
}

bool runaway(const Vec& p) {
  return std::fabs(p.x) > kCoordinateBound || std::fabs(p.y) > kCoordinateBound || std::fabs(p.z) > kCoordinateBound;
}

// Triangle 2 lying in triangle 1's plane (all its distances within the
// band) while triangle 1 does not lie in triangle 2's has no interval of
// its own: the pair is answered as coplanar, as the other two tests do.
int intersectWithLine(const Triangle& v, const Triangle& u, int* isCoplanar, double* out1, double* out2) {
  PlaneCut cut{};
  if (!cutByPlanes(v, u, cut)) return 0;
  *isCoplanar = cut.flat ? 1 : 0;
  if (cut.flat) return coplanar(cut.ofU.normal, v, u);
  const Crossing a = crossing(v, cut.ofV.d, cut.kv, cut.axis);
  const Crossing b = crossing(u, cut.ofU.d, cut.ku, cut.axis);
  if (disjoint(a.range, b.range)) return 0;
  Vec first{}, second{};
  if (b.range.lo < a.range.lo) {
    first = a.low;
    second = b.range.hi < a.range.hi ? b.high : a.high;
  } else {
    first = b.low;
    second = b.range.hi > a.range.hi ? a.high : b.high;
  }
  store(out1, first);
  store(out2, second);
  return runaway(first) || runaway(second) ? 0 : 1;
}

}  // namespace

int T2TIntersectWithIL(const double* v0, const double* v1, const double* v2, const double* u0, const double* u1,
                       const double* u2, int* coplanar, double* isectpt1, double* isectpt2) {
  try {
    return intersectWithLine(triangle(v0, v1, v2), triangle(u0, u1, u2), coplanar, isectpt1, isectpt2);
  } catch (...) {
    MessageBoxW(nullptr, u"Error in T2TIntersectWithIL", u"Tarsyn.DLL", MB_OK);
    return 0;
  }
}

int coplanar_tri_tri(const double* n, const double* v0, const double* v1, const double* v2, const double* u0,
                     const double* u1, const double* u2) {
  return coplanar(load(n), triangle(v0, v1, v2), triangle(u0, u1, u2));
}
