// The three segment clip methods.
#include "zefcorek/Clipper2D.h"

#include "LineClipCases.h"

namespace {

namespace lc = zefcorek::lineclip;

// Region tests are strict, so the edges belong to the window; a NaN
// coordinate compares false both ways and counts as inside its band.
uint8_t regionOf(double x, double y, const T_CLIPSEG2D& r) {
  uint8_t code = 0;
  if (y > r.ymax)
    code |= lc::kAbove;
  else if (y < r.ymin)
    code |= lc::kBelow;
  if (x > r.xmax)
    code |= lc::kRight;
  else if (x < r.xmin)
    code |= lc::kLeft;
  return code;
}

// Moves one end along the segment onto an edge line, from the other end's
// current coordinates; both coordinates of the end change together.
void moveToEdge(T_CLIPSEG2D& r, lc::End end, lc::Edge edge) {
  double& x = end == lc::End::P ? r.x1 : r.x2;
  double& y = end == lc::End::P ? r.y1 : r.y2;
  const double ox = end == lc::End::P ? r.x2 : r.x1;
  const double oy = end == lc::End::P ? r.y2 : r.y1;
  switch (edge) {
    case lc::Edge::Left:
      y = y + (oy - y) * (r.xmin - x) / (ox - x);
      x = r.xmin;
      return;
    case lc::Edge::Right:
      y = y + (oy - y) * (r.xmax - x) / (ox - x);
      x = r.xmax;
      return;
    case lc::Edge::Bottom:
      x = x + (ox - x) * (r.ymin - y) / (oy - y);
      y = r.ymin;
      return;
    case lc::Edge::Top:
      x = x + (ox - x) * (r.ymax - y) / (oy - y);
      y = r.ymax;
      return;
  }
}

bool beyondEdge(const T_CLIPSEG2D& r, lc::End end, lc::Edge edge) {
  const double x = end == lc::End::P ? r.x1 : r.x2;
  const double y = end == lc::End::P ? r.y1 : r.y2;
  switch (edge) {
    case lc::Edge::Left: return x < r.xmin;
    case lc::Edge::Right: return x > r.xmax;
    case lc::Edge::Bottom: return y < r.ymin;
    case lc::Edge::Top: return y > r.ymax;
  }
  return false;
}

// Cohen-Sutherland's own bit order: 1 above, 2 below, 4 right, 8 left.
constexpr uint8_t kCsAbove = 1, kCsBelow = 2, kCsRight = 4, kCsLeft = 8;

uint8_t csCode(double x, double y, const T_CLIPSEG2D& r) {
  const uint8_t region = regionOf(x, y, r);
  return uint8_t(((region & lc::kAbove) ? kCsAbove : 0) | ((region & lc::kBelow) ? kCsBelow : 0) |
                 ((region & lc::kRight) ? kCsRight : 0) | ((region & lc::kLeft) ? kCsLeft : 0));
}

// Each pass puts one end on an edge line, so an end needs at most two
// passes; rounding can send an end just beyond the other axis again, and
// the bound keeps such a segment from looping.
constexpr int kMaxCsPasses = 16;

}  // namespace

int32_t SPYLineClip2D(T_CODEDCLIPSEG2D* coded) {
  T_CLIPSEG2D& r = coded->seg;
  const uint8_t p = regionOf(r.x1, r.y1, r);
  const uint8_t q = regionOf(r.x2, r.y2, r);
  const uint8_t code = lc::combinedCode(p, q);
  coded->code = code;
  if ((p & q) != 0) return 0;  // both ends beyond one edge
  if (code == 0) return 1;
  const lc::Case* c = lc::findCase(code);
  if (c == nullptr) return 0;
  T_CLIPSEG2D work = r;
  for (const lc::Op& op : c->ops) {
    switch (op.kind) {
      case lc::OpKind::None: break;
      case lc::OpKind::Move: moveToEdge(work, op.end, op.edge); continue;
      case lc::OpKind::MoveIf:
        if (beyondEdge(work, op.end, op.edge)) moveToEdge(work, op.end, op.edge);
        continue;
      case lc::OpKind::RejectIf:
        if (beyondEdge(work, op.end, op.edge)) return 0;
        continue;
    }
    break;
  }
  r = work;
  return 1;
}

int32_t LBLineClip2D(T_CLIPSEG2D* r) {
  const double dx = r->x2 - r->x1;
  const double dy = r->y2 - r->y1;
  double t0 = 0.0, t1 = 1.0;
  const double ps[4] = {-dx, dx, -dy, dy};
  const double qs[4] = {r->x1 - r->xmin, r->xmax - r->x1, r->y1 - r->ymin, r->ymax - r->y1};
  for (int k = 0; k < 4; ++k) {
    const double p = ps[k], q = qs[k];
    if (p < 0) {
      const double t = q / p;
      if (t > t1) return 0;
      if (t > t0) t0 = t;
    } else if (p > 0) {
      const double t = q / p;
      if (t < t0) return 0;
      if (t < t1) t1 = t;
    } else if (q < 0) {
      return 0;
    }
  }
  const double x1 = r->x1, y1 = r->y1;
  if (t1 < 1) {
    r->x2 = x1 + t1 * dx;
    r->y2 = y1 + t1 * dy;
  }
  if (t0 > 0) {
    r->x1 = x1 + t0 * dx;
    r->y1 = y1 + t0 * dy;
  }
  return 1;
}

int32_t CSLineClip2D(T_CLIPSEG2D* r) {
  uint8_t c1 = csCode(r->x1, r->y1, *r);
  uint8_t c2 = csCode(r->x2, r->y2, *r);
  for (int pass = 0; pass < kMaxCsPasses; ++pass) {
    if ((c1 | c2) == 0) return 1;
    if ((c1 & c2) != 0) return 0;
    const bool first = c1 != 0;
    const uint8_t out = first ? c1 : c2;
    double x = 0.0, y = 0.0;
    if (out & kCsAbove) {
      x = r->x1 + (r->x2 - r->x1) * (r->ymax - r->y1) / (r->y2 - r->y1);
      y = r->ymax;
    } else if (out & kCsBelow) {
      x = r->x1 + (r->x2 - r->x1) * (r->ymin - r->y1) / (r->y2 - r->y1);
      y = r->ymin;
    } else if (out & kCsRight) {
      y = r->y1 + (r->y2 - r->y1) * (r->xmax - r->x1) / (r->x2 - r->x1);
      x = r->xmax;
    } else {
      y = r->y1 + (r->y2 - r->y1) * (r->xmin - r->x1) / (r->x2 - r->x1);
      x = r->xmin;
    }
    if (first) {
      r->x1 = x;
      r->y1 = y;
      c1 = csCode(x, y, *r);
    } else {
      r->x2 = x;
      r->y2 = y;
      c2 = csCode(x, y, *r);
    }
  }
  return 0;
}
