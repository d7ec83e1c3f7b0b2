// Clipping of 2-D segments against an axis-parallel window.
//
// Three interchangeable methods rewrite a segment record in place: the
// line-encoding method (one prepared case per pair of end regions, after
// Sobkow, Pospisil and Yang), Liang-Barsky (parametric) and Cohen-Sutherland
// (iterative). Each answers 1 when some part of the segment lies in the
// window, with the clipped ends in the record in the segment's own
// direction, and 0 when it misses. The window is closed: a point on an edge
// is inside. T_CLIPPER2D holds a window and the method to use.
#pragma once

#include "zefcorek/GeoTypes.h"

#include "platform/Export.h"

#include <cstddef>
#include <cstdint>

// The record the clip functions read and rewrite: the first end P, the
// second end Q, then the window.
struct T_CLIPSEG2D {
  double x1;
  double y1;
  double x2;
  double y2;
  double xmin;
  double ymin;
  double xmax;
  double ymax;
};
static_assert(sizeof(T_CLIPSEG2D) == 64);

// The record of the line-encoding method: the segment record followed by
// the combined region code of the two ends, which the method writes.
struct T_CODEDCLIPSEG2D {
  T_CLIPSEG2D seg;
  uint16_t code;
};
static_assert(offsetof(T_CODEDCLIPSEG2D, code) == 64 && sizeof(T_CODEDCLIPSEG2D) == 72);

ZEF_EXTERN_C int32_t SPYLineClip2D(T_CODEDCLIPSEG2D* r);
ZEF_EXTERN_C int32_t LBLineClip2D(T_CLIPSEG2D* r);
// A rejection may leave intermediate intersection points in the record.
ZEF_EXTERN_C int32_t CSLineClip2D(T_CLIPSEG2D* r);

class ZEF_EXPORT T_CLIPPER2D {
public:
  // Methods of ClipLine; any other value clips nothing.
  static constexpr int32_t kLineEncoding = 0;
  static constexpr int32_t kLiangBarsky = 1;
  static constexpr int32_t kCohenSutherland = 2;

  int32_t method;
  double xmin;
  double ymin;
  double xmax;
  double ymax;

  // Liang-Barsky on the window (0, 0) - (16384, 16384).
  T_CLIPPER2D();
  T_CLIPPER2D(const T_CLIPPER2D& c) = default;
  T_CLIPPER2D& operator=(const T_CLIPPER2D& c) = default;
  // The constructors below take the limits as given (they are not ordered)
  // and select Liang-Barsky.
  T_CLIPPER2D(const T_POINT2D& pmin, const T_POINT2D& pmax);
  T_CLIPPER2D(double x0, double y0, double x1, double y1);
  explicit T_CLIPPER2D(const T_POINT2D* pts);  // minimum corner pts[0], maximum pts[1]
  T_CLIPPER2D(const T_POINT2D& p, double w, double h);

  // Whether the point lies in the closed window. Each limit is tested for a
  // coordinate beyond it, so a NaN coordinate passes; a window whose minimum
  // exceeds its maximum holds no point.
  bool ClipPt(const T_POINT2D& p) const { return ClipPt(p.x, p.y); }
  bool ClipPt(double x, double y) const;
  // Whether some part of the segment lies in the window by the method.
  bool CheckClipLine(double x1, double y1, double x2, double y2) const;
  // The segment a-b clipped by the method into ca-cb: true when some part
  // of it lies in the window. Otherwise, and for an unknown method, ca and
  // cb receive a and b and the result is false.
  bool ClipLine(const T_POINT2D& a, const T_POINT2D& b, T_POINT2D& ca, T_POINT2D& cb) const;
};
