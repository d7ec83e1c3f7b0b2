// The faces and corners of T_BBOX3D.
#include "zefcorek/BBox3D.h"

namespace {

// Each face as the plane's fixed coordinate and the two that run round it:
// `fixedAxis` is held at `fixedAt` (0: the minimum, 1: the maximum, 2: zero),
// and the corners go (min, min), (max, min), (max, max), (min, max) over
// (firstAxis, secondAxis).
struct Face {
  int fixedAxis;
  int fixedAt;
  int firstAxis;
  int secondAxis;
};
constexpr Face kFaces[7] = {
    {2, 1, 0, 1}, {2, 0, 0, 1}, {0, 0, 1, 2}, {0, 1, 1, 2}, {1, 0, 0, 2}, {1, 1, 0, 2}, {2, 2, 0, 1},
};
constexpr double tagT_POINT3D::*kAxis[3] = {&tagT_POINT3D::x, &tagT_POINT3D::y, &tagT_POINT3D::z};

}  // namespace

bool T_BBOX3D::GetFace(unsigned int face, tagT_POINT3D* out) const {
  if (empty_ || face > 6) return false;
  const Face& f = kFaces[face];
  const double fixedValue =
      f.fixedAt == 2 ? 0.0 : (f.fixedAt == 1 ? max_.*kAxis[f.fixedAxis] : min_.*kAxis[f.fixedAxis]);
  // Which ends of the two running axes each corner takes.
  constexpr bool kFirstAtMax[4] = {false, true, true, false};
  constexpr bool kSecondAtMax[4] = {false, false, true, true};
  for (int k = 0; k < 4; ++k) {
    tagT_POINT3D corner{};
    corner.*kAxis[f.fixedAxis] = fixedValue;
    corner.*kAxis[f.firstAxis] = kFirstAtMax[k] ? max_.*kAxis[f.firstAxis] : min_.*kAxis[f.firstAxis];
    corner.*kAxis[f.secondAxis] = kSecondAtMax[k] ? max_.*kAxis[f.secondAxis] : min_.*kAxis[f.secondAxis];
    out[k] = corner;
  }
  return true;
}

bool T_BBOX3D::GetVertex(unsigned int i, tagT_POINT3D* out) const {
  if (i > 7) return false;
  *out = tagT_POINT3D{(i & 4) != 0 ? max_.x : min_.x, (i & 2) != 0 ? max_.y : min_.y, (i & 1) != 0 ? max_.z : min_.z};
  return true;
}
