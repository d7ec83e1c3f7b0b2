// The proper crossing of two sides in plan view, the rule that the vertex
// lists' self-intersection and crossing queries share.
//
// Two sides cross when the lines through them (T_LINE2D::From2P; a side of
// zero length has none) meet in a point that lies in the closed axis-aligned
// box of each side and farther than kCrossingEndGap from all four ends. So
// sides that share a vertex, touch at an end or run along one line never
// cross.
#pragma once

#include "zefcorek/GeoTypes.h"
#include "zefcorek/Line2D.h"

#include <initializer_list>

namespace zefcorek {

// How far a crossing must stay from the ends of both sides.
inline constexpr double kCrossingEndGap = 1e-6;

// Whether side a1-a2 crosses side b1-b2; *at (when not null) receives the
// crossing of the lines whenever they meet.
bool sidesCross(const T_POINT2D& a1, const T_POINT2D& a2, const T_POINT2D& b1, const T_POINT2D& b2, T_POINT2D* at);

// A side prepared once for many crossing tests: its ends, its line and its
// box. `valid` is false for a side of zero length, which has no line.
struct PreparedSide {
  T_POINT2D a, b;
  T_LINE2D line;
  double minX, minY, maxX, maxY;
  bool valid;
};
PreparedSide prepareSide(const T_POINT2D& a, const T_POINT2D& b);
// sidesCross on prepared sides. Boxes that do not overlap are refused before
// the lines are intersected: a point in both boxes needs them to overlap.
bool sidesCross(const PreparedSide& a, const PreparedSide& b, T_POINT2D* at);

// Whether p lies farther than gap from every one of the given points.
bool farFromAll(const T_POINT2D& p, std::initializer_list<T_POINT2D> points, double gap);

}  // namespace zefcorek
