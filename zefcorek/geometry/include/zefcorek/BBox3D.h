// T_BBOX3D: an axis-parallel 3-D bounding box that grows as points are added.
//
// Two independent flags describe the box. The empty flag says the corners
// hold no point yet: the next coordinate on each axis is taken whole instead
// of being compared. The valid flag says the owner has declared the box
// usable; adding points never sets it, only SetValid(true) does, and only
// valid boxes intersect anything. Coordinates are compared with ordered IEEE
// comparisons, so a NaN is never taken into a box that already has extent.
#pragma once

#include "zefcorek/ExtendedReal.h"
#include "zefcorek/GeoTypes.h"

#include "platform/Export.h"

#include <cmath>
#include <utility>

class ZEF_EXPORT T_BBOX3D {
public:
  // Boxes whose squared diagonal is below this count as empty.
  static constexpr double kEmptyDiagonal2 = 1e-13;

  T_BBOX3D() { Empty(); }

  // Zeroes both corners, sets the empty flag and clears the valid flag.
  void Empty() {
    min_ = {0.0, 0.0, 0.0};
    max_ = {0.0, 0.0, 0.0};
    empty_ = true;
    valid_ = false;
  }

  // True for a box without points and for a box whose corners (nearly)
  // coincide, such as a box of a single point.
  bool IsEmpty() const {
    if (empty_) return true;
    const ExtendedReal dx = ExtendedReal(max_.x) - min_.x;
    const ExtendedReal dy = ExtendedReal(max_.y) - min_.y;
    const ExtendedReal dz = ExtendedReal(max_.z) - min_.z;
    return std::fabs(dx * dx + dy * dy + dz * dz) < kEmptyDiagonal2;
  }

  const tagT_POINT3D* Min() const { return &min_; }
  const tagT_POINT3D* Max() const { return &max_; }

  // Each Add form widens one axis; last ends the point and clears the empty
  // flag, so the axes of a first point are all taken whole.
  void AddX(double v, bool last) { addAxis(&tagT_POINT3D::x, v, v, last); }
  void AddY(double v, bool last) { addAxis(&tagT_POINT3D::y, v, v, last); }
  void AddZ(double v, bool last) { addAxis(&tagT_POINT3D::z, v, v, last); }
  // The two-value forms take an interval given in either order.
  void AddX(double a, double b, bool last) { addInterval(&tagT_POINT3D::x, a, b, last); }
  void AddY(double a, double b, bool last) { addInterval(&tagT_POINT3D::y, a, b, last); }
  void AddZ(double a, double b, bool last) { addInterval(&tagT_POINT3D::z, a, b, last); }

  void Add(const tagT_POINT3D* p) {
    AddX(p->x, false);
    AddY(p->y, false);
    AddZ(p->z, true);
  }

  // Widens the box to hold other; an empty other adds nothing.
  void AddOther(const T_BBOX3D* other) {
    if (other->IsEmpty()) return;
    Add(other->Min());
    Add(other->Max());
  }

  // The box of p (and of q when q is not null); the valid flag is kept.
  void Init(const tagT_POINT3D* p, const tagT_POINT3D* q) {
    min_ = *p;
    max_ = *p;
    empty_ = false;
    if (q) Add(q);
  }

  // Whether the plan views (x and y only) of two valid boxes overlap;
  // touching edges count as overlapping.
  bool IntersectsWith(const T_BBOX3D& other) const {
    if (empty_ || !valid_ || other.empty_ || !other.valid_) return false;
    return !(min_.x > other.max_.x || min_.y > other.max_.y || max_.x < other.min_.x || max_.y < other.min_.y);
  }

  // The four corners of a face into out[0..3]: 0 the top (z = max z), 1 the
  // bottom, 2 and 3 the sides x = min and max x, 4 and 5 the sides y = min
  // and max y, 6 the outline on the plane z = 0. False, out untouched, for
  // an empty box (its empty flag) or a face above 6; validity is not asked.
  bool GetFace(unsigned int face, tagT_POINT3D* out) const;
  // Corner i (0..7): bit 2 picks max x, bit 1 max y, bit 0 max z. False,
  // out untouched, for i above 7; neither flag is asked.
  bool GetVertex(unsigned int i, tagT_POINT3D* out) const;

  // SetValid(false) discards the box entirely, as Empty() does.
  void SetValid(bool v) {
    if (!v) {
      Empty();
      return;
    }
    valid_ = true;
  }
  bool IsValid() const { return valid_; }

private:
  void addAxis(double tagT_POINT3D::*axis, double low, double high, bool last) {
    if (empty_ || low < min_.*axis) min_.*axis = low;
    if (empty_ || high > max_.*axis) max_.*axis = high;
    if (last) empty_ = false;
  }
  void addInterval(double tagT_POINT3D::*axis, double a, double b, bool last) {
    if (a > b) std::swap(a, b);
    addAxis(axis, a, b, last);
  }

  tagT_POINT3D min_;  // minimum corner; meaningful once empty_ is clear
  tagT_POINT3D max_;  // maximum corner
  bool empty_ : 1;    // no point added since the last reset
  bool valid_ : 1;    // declared usable by the owner through SetValid(true)
};
