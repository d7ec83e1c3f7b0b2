// Polygon centroids over record lists.
#include "zefcorek/PolygonCentroid.h"

#include "RecordLists.h"

#include "zefcorek/RecList.h"
#include "zefcorek/SSqrt.h"
#include "zefcorek/Vector3D.h"

#include <cmath>

namespace {

constexpr double kLeastArea2D = 0.001;
constexpr double kLeastArea3D = 1e-8;

using zefcorek::recordCount;

template <class Point>
Point vertexAt(IRecList* list, unsigned i) {
  void* record = nullptr;
  list->GetRecordPtrAt(i, &record);
  return *static_cast<const Point*>(record);
}

// The triangle's area: half its base ab times the distance of c from the
// line through a and b.
double triangleArea3D(const T_VECTOR3D& a, const T_VECTOR3D& b, const T_VECTOR3D& c) {
  const T_VECTOR3D ab = b - a;
  const T_VECTOR3D ac = c - a;
  const double base = double(SSqrt(ab.Len2()));
  if (base == 0.0) return 0.0;
  const double t = ac.Dot(ab) / (base * base);
  const double height = double(SSqrt((ac - ab * t).Len2()));
  return 0.5 * base * height;
}

}  // namespace

bool CalcPgonCentroid2D(IRecList* list, T_POINT2D* out) {
  if (list == nullptr || out == nullptr) return false;
  const unsigned n = recordCount(list);
  double area = 0.0, sx = 0.0, sy = 0.0;
  for (unsigned i = 0; i < n; ++i) {
    const T_POINT2D p = vertexAt<T_POINT2D>(list, i);
    const T_POINT2D q = vertexAt<T_POINT2D>(list, (i + 1) % n);
    const double w = p.x * q.y - q.x * p.y;
    area += w;
    sx += (p.x + q.x) * w;
    sy += (p.y + q.y) * w;
  }
  area /= 2;
  sx *= 1.0 / 6.0;
  sy *= 1.0 / 6.0;
  if (std::fabs(area) < kLeastArea2D) {
    *out = T_POINT2D{0.0, 0.0};
    return false;
  }
  *out = T_POINT2D{sx / area, sy / area};
  return true;
}

bool CalcPgonCentroid3D(IRecList* list, tagT_POINT3D* out) {
  if (list == nullptr || out == nullptr) return false;
  const unsigned n = recordCount(list);
  if (n < 3) return false;
  const T_VECTOR3D apex(vertexAt<tagT_POINT3D>(list, n - 1));
  double weight = 0.0;
  T_VECTOR3D sum;
  T_VECTOR3D previous(vertexAt<tagT_POINT3D>(list, 0));
  for (unsigned i = 0; i + 2 < n; ++i) {
    const T_VECTOR3D next(vertexAt<tagT_POINT3D>(list, i + 1));
    const double s = triangleArea3D(previous, next, apex);
    weight += s;
    sum += (previous + next + apex) * s * (1.0 / 3.0);
    previous = next;
  }
  if (std::fabs(weight) < kLeastArea3D) return false;
  const T_VECTOR3D centroid = sum / weight;
  *out = tagT_POINT3D{centroid.x, centroid.y, centroid.z};
  return true;
}
