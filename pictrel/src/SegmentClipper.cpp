// The segment clipper: cuts a line to the clip rectangle so that the
// clipped line sets exactly the pixels of the unclipped one inside it.
//
// Cohen-Sutherland out-codes decide what is wholly inside or outside; a
// point outside is moved onto one boundary at a time (top, bottom, right,
// left). Its other coordinate is the Bresenham pixel of the unclipped line
// there, computed from the unclipped start in exact integers: with
// k the distance from the start to the boundary along the boundary's axis,
// and the line's larger delta D and smaller delta d,
//   crossing the minor axis's boundary:  q = ⌊(2k·d + D) / 2D⌋, the pixel
//     of step k;
//   crossing the major axis's boundary:  the first pixel of run k,
//     q = ⌊(2k·D − D − 1) / 2d⌋ + 1, when the start moves, and the last,
//     q = ⌊(2k·D + D − 1) / 2d⌋, when the end moves.
// Products of coordinates need more than 64 bits, so the sums are 128-bit.
#include "SurfaceDrawing.h"

#include <cstdlib>

namespace {

using Wide = __int128;

uint32_t outcodeOf(int64_t x, int64_t y, const tagT_IRECT2D& clip) {
  uint32_t code = 0;
  if (y < clip.top) code |= Pictrel::kOutAbove;
  if (y > clip.bottom) code |= Pictrel::kOutBelow;
  if (x < clip.left) code |= Pictrel::kOutLeft;
  if (x > clip.right) code |= Pictrel::kOutRight;
  return code;
}

Wide floorDivide(Wide numerator, Wide denominator) {
  Wide quotient = numerator / denominator;
  if ((numerator % denominator != 0) && ((numerator < 0) != (denominator < 0))) --quotient;
  return quotient;
}

// The offset along the other axis of the pixel where the line meets a
// boundary `k` steps from its start along `along` (with the delta
// `alongDelta`; the other axis has `acrossDelta`).
int64_t offsetAcross(int64_t k, int64_t alongDelta, int64_t acrossDelta, bool alongIsMajor, bool movingStart) {
  const Wide twoK = Wide{2} * k;
  if (!alongIsMajor) {
    // The boundary lies across the minor axis: the line sits at minor
    // offset k for a run of major steps; take its first or last pixel.
    const Wide major = acrossDelta;
    const Wide minor = alongDelta;
    if (movingStart) return static_cast<int64_t>(floorDivide(twoK * major - major - 1, 2 * minor) + 1);
    return static_cast<int64_t>(floorDivide(twoK * major + major - 1, 2 * minor));
  }
  // Along the major axis every step is one pixel: round to the nearest
  // minor offset, ties as Bresenham takes them.
  return static_cast<int64_t>(floorDivide(twoK * acrossDelta + alongDelta, 2 * Wide{alongDelta}));
}

}  // namespace

bool Pictrel::clipSegment(LineClipRecord& record, const tagT_IRECT2D& clip) {
  const int64_t startX = record.x0;
  const int64_t startY = record.y0;
  const int64_t dx = std::llabs(int64_t{record.x1} - startX);
  const int64_t dy = std::llabs(int64_t{record.y1} - startY);
  const int64_t signX = record.x1 >= record.x0 ? 1 : -1;
  const int64_t signY = record.y1 >= record.y0 ? 1 : -1;
  const bool yMajor = dy >= dx;

  int64_t x[2] = {record.x0, record.x1};
  int64_t y[2] = {record.y0, record.y1};
  uint32_t code[2] = {outcodeOf(x[0], y[0], clip), outcodeOf(x[1], y[1], clip)};
  record.startOutcode = record.endOutcode = 0;

  for (int pass = 0; pass < 9; ++pass) {
    if ((code[0] | code[1]) == 0) {
      record.x0 = static_cast<int32_t>(x[0]);
      record.y0 = static_cast<int32_t>(y[0]);
      record.x1 = static_cast<int32_t>(x[1]);
      record.y1 = static_cast<int32_t>(y[1]);
      return true;
    }
    if ((code[0] & code[1]) != 0) break;
    const int end = code[0] != 0 ? 0 : 1;
    (end == 0 ? record.startOutcode : record.endOutcode) |= code[end];
    const uint32_t bit = (code[end] & kOutAbove)   ? kOutAbove
                         : (code[end] & kOutBelow) ? kOutBelow
                         : (code[end] & kOutRight) ? kOutRight
                                                   : kOutLeft;
    if (bit == kOutAbove || bit == kOutBelow) {
      const int64_t boundary = bit == kOutAbove ? clip.top : clip.bottom;
      const int64_t k = std::llabs(boundary - startY);
      y[end] = boundary;
      x[end] = startX + signX * offsetAcross(k, dy, dx, yMajor, end == 0);
    } else {
      const int64_t boundary = bit == kOutLeft ? clip.left : clip.right;
      const int64_t k = std::llabs(boundary - startX);
      x[end] = boundary;
      y[end] = startY + signY * offsetAcross(k, dx, dy, !yMajor, end == 0);
    }
    code[end] = outcodeOf(x[end], y[end], clip);
  }
  record.startOutcode = record.endOutcode = kOutInvisible;
  return false;
}

Pictrel::LineWalk Pictrel::clippedWalk(int x0, int y0, int x1, int y1, int fromX, int fromY, int toX, int toY) {
  LineWalk walk;
  walk.dx = std::llabs(int64_t{x1} - x0);
  walk.dy = std::llabs(int64_t{y1} - y0);
  walk.stepX = x1 >= x0 ? 1 : -1;
  walk.stepY = y1 >= y0 ? 1 : -1;
  walk.yMajor = walk.dy >= walk.dx;
  walk.x = fromX;
  walk.y = fromY;
  // Steps already taken from the unclipped start along the major axis, and
  // how often the minor coordinate moved in them.
  const Wide along = walk.yMajor ? std::llabs(int64_t{fromY} - y0) : std::llabs(int64_t{fromX} - x0);
  const Wide across = walk.yMajor ? std::llabs(int64_t{fromX} - x0) : std::llabs(int64_t{fromY} - y0);
  const Wide major = walk.yMajor ? walk.dy : walk.dx;
  const Wide minor = walk.yMajor ? walk.dx : walk.dy;
  walk.error = static_cast<int64_t>(2 * minor - major + 2 * along * minor - 2 * major * across);
  walk.steps = walk.yMajor ? std::llabs(int64_t{toY} - fromY) : std::llabs(int64_t{toX} - fromX);
  return walk;
}
