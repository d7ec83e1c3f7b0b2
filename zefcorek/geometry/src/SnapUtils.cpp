// Distance and intersection tests for object snapping.
#include "zefcorek/SnapUtils.h"

#include "zefcorek/Line2D.h"

#include <cmath>
#include <initializer_list>

namespace {

// Offsets from both ends whose product exceeds this put the point beyond
// the segment ...
constexpr ExtendedReal kBeyondProduct = 0.01L;
// ... along an axis on which the segment spans at least this much.
constexpr double kMinSpan = 0.1;
// The segments' bounding boxes are grown by this on every side.
constexpr double kBoxTolerance = 1e-5;

ExtendedReal square(ExtendedReal v) { return v * v; }

// The squared distance from the line through a and b, or kSnapNoResult.
ExtendedReal lineDist2(const T_POINT2D& p, const T_POINT2D& a, const T_POINT2D& b) {
  const ExtendedReal u = ExtendedReal(a.y) - b.y;
  const ExtendedReal v = ExtendedReal(b.x) - a.x;
  const ExtendedReal s = u * u + v * v;
  if (s == 0.0L) return kSnapNoResult;
  const double len = double(std::sqrt(std::fabs(s)));
  const ExtendedReal nu = u / len, nv = v / len;
  const ExtendedReal c = -(nu * a.x + nv * a.y);
  return square(nu * p.x + nv * p.y + c);
}

// Beyond both ends along one axis: both offsets of one sign, and the
// segment long enough along it for the test to mean something.
bool beyondAlong(ExtendedReal da, ExtendedReal db) {
  return da * db > kBeyondProduct && std::fabs(da - db) >= kMinSpan;
}

bool inGrownBox(const T_POINT2D& p, const T_POINT2D& e1, const T_POINT2D& e2) {
  const double xlo = double(ExtendedReal(std::fmin(e1.x, e2.x)) - kBoxTolerance);
  const double xhi = double(ExtendedReal(std::fmax(e1.x, e2.x)) + kBoxTolerance);
  const double ylo = double(ExtendedReal(std::fmin(e1.y, e2.y)) - kBoxTolerance);
  const double yhi = double(ExtendedReal(std::fmax(e1.y, e2.y)) + kBoxTolerance);
  return p.x >= xlo && p.x <= xhi && p.y >= ylo && p.y <= yhi;
}

bool linesCross(const T_POINT2D& a1, const T_POINT2D& a2, const T_POINT2D& b1, const T_POINT2D& b2, T_POINT2D* ip) {
  const T_LINE2D la(a1, a2);
  const T_LINE2D lb(b1, b2);
  return la.Intersect(lb, ip) == T_LINE2D::kCrossing;
}

void reportDistance(const T_POINT2D& ip, const T_POINT2D* ref, long double* dist2) {
  if (ref == nullptr || dist2 == nullptr) return;
  const double dx = ip.x - ref->x;
  const double dy = ip.y - ref->y;
  *dist2 = square(dx) + square(dy);
}

}  // namespace

long double snapUtP2LinDist2(const T_POINT2D* p, const T_POINT2D* a, const T_POINT2D* b) {
  return lineDist2(*p, *a, *b);
}

bool snapUtChkP2SegDist2(long double maxDist2, const T_POINT2D* p, const T_POINT2D* a, const T_POINT2D* b,
                         long double* dist2, long double* dist2A, long double* dist2B) {
  for (long double* out : {dist2, dist2A, dist2B}) {
    if (out != nullptr) *out = kSnapNoResult;
  }
  if (square(ExtendedReal(b->x) - a->x) + square(ExtendedReal(b->y) - a->y) == 0.0L) return false;
  const ExtendedReal d2 = lineDist2(*p, *a, *b);
  if (!(d2 < maxDist2)) return false;
  const ExtendedReal dax = ExtendedReal(p->x) - a->x, day = ExtendedReal(p->y) - a->y;
  const ExtendedReal dbx = ExtendedReal(p->x) - b->x, dby = ExtendedReal(p->y) - b->y;
  if (beyondAlong(dax, dbx) || beyondAlong(day, dby)) return false;
  if (dist2 != nullptr) *dist2 = d2;
  if (dist2A != nullptr) *dist2A = dax * dax + day * day;
  if (dist2B != nullptr) *dist2B = dbx * dbx + dby * dby;
  return true;
}

bool snapUtLnLnIntersect(const T_POINT2D* a1, const T_POINT2D* a2, const T_POINT2D* b1, const T_POINT2D* b2,
                         T_POINT2D* ip, const T_POINT2D* ref, long double* dist2) {
  if (!linesCross(*a1, *a2, *b1, *b2, ip)) return false;
  reportDistance(*ip, ref, dist2);
  return true;
}

bool snapUtLnSegIntersect(const T_POINT2D* a1, const T_POINT2D* a2, const T_POINT2D* b1, const T_POINT2D* b2,
                          T_POINT2D* ip, const T_POINT2D* ref, long double* dist2) {
  if (!linesCross(*a1, *a2, *b1, *b2, ip) || !inGrownBox(*ip, *b1, *b2)) return false;
  reportDistance(*ip, ref, dist2);
  return true;
}

bool snapUtSegSegIntersect(const T_POINT2D* a1, const T_POINT2D* a2, const T_POINT2D* b1, const T_POINT2D* b2,
                           T_POINT2D* ip, const T_POINT2D* ref, long double* dist2) {
  if (!linesCross(*a1, *a2, *b1, *b2, ip) || !inGrownBox(*ip, *a1, *a2) || !inGrownBox(*ip, *b1, *b2)) return false;
  reportDistance(*ip, ref, dist2);
  return true;
}

long double snapUtMin(double x, double y) { return x < y ? x : y; }

long double snapUtMax(double x, double y) { return y < x ? x : y; }

namespace {

int signOf(double t) { return t > 0 ? 1 : (t < 0 ? -1 : 0); }

bool opposite(double s, double t) {
  const int a = signOf(s), b = signOf(t);
  return a != 0 && b != 0 && a != b;
}

}  // namespace

bool CheckSegSwaps(const T_POINT2D* p0, const T_POINT2D* p1, const T_POINT2D* p2, bool middle) {
  if (middle) return opposite(p1->x - p0->x, p1->x - p2->x) || opposite(p1->y - p0->y, p1->y - p2->y);
  return opposite(p1->x - p0->x, p2->x - p0->x) || opposite(p1->y - p0->y, p2->y - p0->y);
}
