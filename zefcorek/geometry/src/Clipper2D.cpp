// The clip window and its choice of method.
#include "zefcorek/Clipper2D.h"

namespace {

constexpr double kDefaultExtent = 16384.0;

}  // namespace

T_CLIPPER2D::T_CLIPPER2D() : method(kLiangBarsky), xmin(0.0), ymin(0.0), xmax(kDefaultExtent), ymax(kDefaultExtent) {}

T_CLIPPER2D::T_CLIPPER2D(const T_POINT2D& pmin, const T_POINT2D& pmax) : T_CLIPPER2D(pmin.x, pmin.y, pmax.x, pmax.y) {}

T_CLIPPER2D::T_CLIPPER2D(double x0, double y0, double x1, double y1)
    : method(kLiangBarsky), xmin(x0), ymin(y0), xmax(x1), ymax(y1) {}

T_CLIPPER2D::T_CLIPPER2D(const T_POINT2D* pts) : T_CLIPPER2D(pts[0], pts[1]) {}

T_CLIPPER2D::T_CLIPPER2D(const T_POINT2D& p, double w, double h) : T_CLIPPER2D(p.x, p.y, p.x + w, p.y + h) {}

bool T_CLIPPER2D::ClipPt(double x, double y) const { return !(x < xmin || y < ymin || x > xmax || y > ymax); }

bool T_CLIPPER2D::CheckClipLine(double x1, double y1, double x2, double y2) const {
  T_POINT2D ca, cb;
  return ClipLine({x1, y1}, {x2, y2}, ca, cb);
}

bool T_CLIPPER2D::ClipLine(const T_POINT2D& a, const T_POINT2D& b, T_POINT2D& ca, T_POINT2D& cb) const {
  T_CODEDCLIPSEG2D r{{a.x, a.y, b.x, b.y, xmin, ymin, xmax, ymax}, 0};
  int32_t accepted = 0;
  switch (method) {
    case kLineEncoding: accepted = SPYLineClip2D(&r); break;
    case kLiangBarsky: accepted = LBLineClip2D(&r.seg); break;
    case kCohenSutherland: accepted = CSLineClip2D(&r.seg); break;
    default: break;
  }
  if (accepted == 0) {
    ca = a;
    cb = b;
    return false;
  }
  ca = {r.seg.x1, r.seg.y1};
  cb = {r.seg.x2, r.seg.y2};
  return true;
}
