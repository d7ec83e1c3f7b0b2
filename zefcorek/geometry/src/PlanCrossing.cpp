// The plan-view crossing rule of the vertex lists.
#include "PlanCrossing.h"

#include "zefcorek/Line2D.h"
#include "zefcorek/Vector2D.h"

namespace zefcorek {

bool farFromAll(const T_POINT2D& p, std::initializer_list<T_POINT2D> points, double gap) {
  for (const T_POINT2D& q : points) {
    if (T_VECTOR2D(p).Distance(T_VECTOR2D(q)) <= gap)
      return false;
  }
  return true;
}

// Both lines give the same crossing (the determinants only change sign), so
// the point is computed once and checked against both boxes.
bool sidesCross(const T_POINT2D& a1, const T_POINT2D& a2, const T_POINT2D& b1,
                const T_POINT2D& b2, T_POINT2D* at) {
  T_LINE2D lineA, lineB;
  if (!lineA.From2P(a1, a2) || !lineB.From2P(b1, b2))
    return false;
  T_POINT2D x{};
  const int meet = lineA.IntersectEx(lineB, a1, a2, &x);
  if (meet != T_LINE2D::kCrossing && meet != T_LINE2D::kCrossingInRect)
    return false;
  if (at != nullptr)
    *at = x;
  if (meet != T_LINE2D::kCrossingInRect || !T_LINE2D::CheckPtInRect(b1, b2, x))
    return false;
  return farFromAll(x, {a1, a2, b1, b2}, kCrossingEndGap);
}

}  // namespace zefcorek
