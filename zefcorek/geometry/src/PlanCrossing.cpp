// The plan-view crossing rule of the vertex lists.
#include "PlanCrossing.h"

#include "zefcorek/Vector2D.h"

#include <algorithm>

namespace zefcorek {

bool farFromAll(const T_POINT2D& p, std::initializer_list<T_POINT2D> points, double gap) {
  for (const T_POINT2D& q : points) {
    if (T_VECTOR2D(p).Distance(T_VECTOR2D(q)) <= gap) return false;
  }
  return true;
}

PreparedSide prepareSide(const T_POINT2D& a, const T_POINT2D& b) {
  PreparedSide side{a,    b, T_LINE2D(), std::min(a.x, b.x), std::min(a.y, b.y), std::max(a.x, b.x), std::max(a.y, b.y),
                    false};
  side.valid = side.line.From2P(a, b);
  return side;
}

bool sidesCross(const PreparedSide& a, const PreparedSide& b, T_POINT2D* at) {
  if (!a.valid || !b.valid) return false;
  if (a.maxX < b.minX || b.maxX < a.minX || a.maxY < b.minY || b.maxY < a.minY) return false;
  T_POINT2D x{};
  const int meet = a.line.IntersectEx(b.line, a.a, a.b, &x);
  if (meet != T_LINE2D::kCrossing && meet != T_LINE2D::kCrossingInRect) return false;
  if (at != nullptr) *at = x;
  if (meet != T_LINE2D::kCrossingInRect || !T_LINE2D::CheckPtInRect(b.a, b.b, x)) return false;
  return farFromAll(x, {a.a, a.b, b.a, b.b}, kCrossingEndGap);
}

// Both lines give the same crossing (the determinants only change sign), so
// the point is computed once and checked against both boxes.
bool sidesCross(const T_POINT2D& a1, const T_POINT2D& a2, const T_POINT2D& b1, const T_POINT2D& b2, T_POINT2D* at) {
  T_LINE2D lineA, lineB;
  if (!lineA.From2P(a1, a2) || !lineB.From2P(b1, b2)) return false;
  T_POINT2D x{};
  const int meet = lineA.IntersectEx(lineB, a1, a2, &x);
  if (meet != T_LINE2D::kCrossing && meet != T_LINE2D::kCrossingInRect) return false;
  if (at != nullptr) *at = x;
  if (meet != T_LINE2D::kCrossingInRect || !T_LINE2D::CheckPtInRect(b1, b2, x)) return false;
  return farFromAll(x, {a1, a2, b1, b2}, kCrossingEndGap);
}

}  // namespace zefcorek
