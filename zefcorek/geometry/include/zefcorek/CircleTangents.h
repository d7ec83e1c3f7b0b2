// The common tangents of two circles.
//
// Calc2CircleTangents finds the lines that touch both circles: the two
// outer tangents, which leave both centres on one side, and, when the
// circles lie apart, the two inner tangents, which pass between them. The
// polygon offset builds its corners from the outer tangents of the circles
// round two neighbouring vertices.
#pragma once

#include "zefcorek/GeoTypes.h"
#include "zefcorek/Line2D.h"

#include "platform/Export.h"

#include <cstdint>

// One common tangent of two circles.
struct T_TANGENT2D {
  static constexpr int32_t kNone = 0;   // the record holds no tangent
  static constexpr int32_t kOuter = 1;  // both centres on one side of the line
  static constexpr int32_t kInner = 2;  // the line passes between the centres

  int32_t kind;
  T_LINE2D line;  // normalised
  T_POINT2D pt1;  // the foot of the perpendicular from the first centre
  T_POINT2D pt2;  // the foot of the perpendicular from the second centre
};

// Results of Calc2CircleTangents besides the number of tangents.
constexpr int kFirstCircleInside = -1;   // the first circle lies in the second
constexpr int kSecondCircleInside = -2;  // the second circle lies in the first

// Writes the common tangents of the circles (c1, r1) and (c2, r2) into
// out[0..3] and answers their number. Radii are taken as magnitudes, and one
// below 1e-5 counts as 1e-5, so a point is a tiny circle. With 4 the circles
// lie apart: out[0] and out[1] are the outer tangents, on the right and on
// the left of the direction from c1 to c2, out[2] and out[3] the inner ones.
// With 2 the circles overlap: out[0] and out[1] are the outer tangents and
// out[2], out[3] are cleared. A circle inside the other, touching included,
// gives kFirstCircleInside or kSecondCircleInside with all four records
// cleared (kind 0, line 0, points at the origin).
ZEF_EXTERN_C int Calc2CircleTangents(const T_POINT2D* c1, double r1, const T_POINT2D* c2, double r2, T_TANGENT2D* out);
