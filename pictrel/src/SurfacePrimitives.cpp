// The aliased figures: spans and lines (solid, XOR, two-colour dashes),
// rectangles, midpoint circles and ellipses, filled rectangles, triangles
// and polygons.
//
// Spans and lines are clipped exactly to the drawable clip; circles and
// ellipses are plotted pixel by pixel through the pixel slots, which test
// each point. Coordinates computed from the caller's (centres plus radii,
// edge steps) are 64-bit, so no figure wraps around the int range.
#include "SurfaceDrawing.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <vector>

namespace {

using Pictrel::SurfaceState;

enum class StrokeKind { Solid, Xor, Dashed };

// The pixels a stroke writes: one for solid and XOR strokes, two for dashes
// (at 1 bpp dash A clears and dash B sets, whatever the colours).
struct StrokePixels {
  uint32_t first = 0;
  uint32_t second = 0;
};

StrokePixels strokePixels(SurfaceState& state, StrokeKind kind, COLORREF colorA, COLORREF colorB) {
  switch (kind) {
    case StrokeKind::Solid: return {Pictrel::colorToPixel(state, colorA), 0};
    case StrokeKind::Xor: return {Pictrel::xorablePixel(state, Pictrel::colorToPixel(state, colorA)), 0};
    case StrokeKind::Dashed:
      if (state.bitsPerPixel() == 1) return {0, 1};
      return {Pictrel::colorToPixel(state, colorA), Pictrel::colorToPixel(state, colorB)};
  }
  return {};
}

bool isEmpty(const tagT_IRECT2D& rect) { return rect.left > rect.right || rect.top > rect.bottom; }

bool missesRect(const tagT_IRECT2D& clip, int64_t left, int64_t top, int64_t right, int64_t bottom) {
  return isEmpty(clip) || left > clip.right || right < clip.left || top > clip.bottom || bottom < clip.top;
}

HRESULT strokeHorizontal(SurfaceState& state, StrokeKind kind, int64_t x0, int64_t y, int64_t x1, COLORREF colorA,
                         COLORREF colorB = 0) {
  if (!state.hasPixels()) return E_FAIL;
  const tagT_IRECT2D clip = Pictrel::drawableClip(state);
  if (x0 > x1) std::swap(x0, x1);
  if (missesRect(clip, x0, y, x1, y)) return S_FALSE;
  const auto left = static_cast<int>(std::max<int64_t>(x0, clip.left));
  const auto right = static_cast<int>(std::min<int64_t>(x1, clip.right));
  const auto row = static_cast<int>(y);
  const StrokePixels pixels = strokePixels(state, kind, colorA, colorB);
  switch (kind) {
    case StrokeKind::Solid: state.spanRoutine(state, left, right, row, pixels.first); break;
    case StrokeKind::Xor: Pictrel::xorSpan(state, left, right, row, pixels.first); break;
    case StrokeKind::Dashed: Pictrel::dashedSpan(state, left, right, row, pixels.first, pixels.second); break;
  }
  return S_OK;
}

HRESULT strokeVertical(SurfaceState& state, StrokeKind kind, int64_t x, int64_t y0, int64_t y1, COLORREF colorA,
                       COLORREF colorB = 0) {
  if (!state.hasPixels()) return E_FAIL;
  const tagT_IRECT2D clip = Pictrel::drawableClip(state);
  if (y0 > y1) std::swap(y0, y1);
  if (missesRect(clip, x, y0, x, y1)) return S_FALSE;
  const auto top = static_cast<int>(std::max<int64_t>(y0, clip.top));
  const auto bottom = static_cast<int>(std::min<int64_t>(y1, clip.bottom));
  const auto column = static_cast<int>(x);
  const StrokePixels pixels = strokePixels(state, kind, colorA, colorB);
  switch (kind) {
    case StrokeKind::Solid:
      Pictrel::verticalSpan(state, Pictrel::VerticalKind::Set, column, top, bottom, pixels.first);
      break;
    case StrokeKind::Xor:
      Pictrel::verticalSpan(state, Pictrel::VerticalKind::Xor, column, top, bottom, pixels.first);
      break;
    case StrokeKind::Dashed:
      Pictrel::dashedVerticalSpan(state, column, top, bottom, pixels.first, pixels.second);
      break;
  }
  return S_OK;
}

HRESULT strokeLine(SurfaceState& state, StrokeKind kind, int x0, int y0, int x1, int y1, COLORREF colorA,
                   COLORREF colorB = 0) {
  if (y0 == y1) return strokeHorizontal(state, kind, x0, y0, x1, colorA, colorB);
  if (x0 == x1) return strokeVertical(state, kind, x0, y0, y1, colorA, colorB);
  if (!state.hasPixels()) return E_FAIL;
  Pictrel::LineClipRecord record;
  record.x0 = x0;
  record.y0 = y0;
  record.x1 = x1;
  record.y1 = y1;
  const tagT_IRECT2D clip = Pictrel::drawableClip(state);
  if (isEmpty(clip) || !Pictrel::clipSegment(record, clip)) return S_FALSE;
  const Pictrel::LineWalk walk = Pictrel::clippedWalk(x0, y0, x1, y1, record.x0, record.y0, record.x1, record.y1);
  const StrokePixels pixels = strokePixels(state, kind, colorA, colorB);
  switch (kind) {
    case StrokeKind::Solid: state.lineRoutine(state, walk, pixels.first); break;
    case StrokeKind::Xor: Pictrel::xorLine(state, walk, pixels.first); break;
    case StrokeKind::Dashed: state.dashedLineRoutine(state, walk, pixels.first, pixels.second); break;
  }
  return S_OK;
}

// The midpoint circle walk over one octant of a circle of radius r around
// the origin: plot(x, y, lastOfRow) with 0 ≤ x ≤ y, where lastOfRow says
// that no later step has this y.
template <typename Plot>
void walkCircle(int64_t r, Plot&& plot) {
  int64_t x = 0;
  int64_t y = r;
  int64_t error = 0;
  int64_t d = 1 - 2 * r;
  while (y >= x) {
    const int64_t nextError = error + 2 * x + 1;
    const bool yDrops = 2 * nextError + d >= 1;
    const bool walkEnds = (yDrops ? y - 1 : y) < x + 1;
    plot(x, y, yDrops || walkEnds);
    error = nextError;
    ++x;
    if (yDrops) {
      --y;
      error += d;
      d += 2;
    }
  }
}

int64_t magnitude(int r) { return std::llabs(int64_t{r}); }

}  // namespace

HRESULT Pictrel::IDrawableDSImp::HLine(int x0, int y, int x1, COLORREF color) {
  return strokeHorizontal(state_, StrokeKind::Solid, x0, y, x1, color);
}

HRESULT Pictrel::IDrawableDSImp::VLine(int x, int y0, int y1, COLORREF color) {
  return strokeVertical(state_, StrokeKind::Solid, x, y0, y1, color);
}

HRESULT Pictrel::IDrawableDSImp::Line(int x0, int y0, int x1, int y1, COLORREF color) {
  return strokeLine(state_, StrokeKind::Solid, x0, y0, x1, y1, color);
}

HRESULT Pictrel::IDrawableDSImp::XorHLine(int x0, int y, int x1, COLORREF color) {
  return strokeHorizontal(state_, StrokeKind::Xor, x0, y, x1, color);
}

HRESULT Pictrel::IDrawableDSImp::XorVLine(int x, int y0, int y1, COLORREF color) {
  return strokeVertical(state_, StrokeKind::Xor, x, y0, y1, color);
}

HRESULT Pictrel::IDrawableDSImp::XorLine(int x0, int y0, int x1, int y1, COLORREF color) {
  return strokeLine(state_, StrokeKind::Xor, x0, y0, x1, y1, color);
}

HRESULT Pictrel::IDrawableDSImp::DashedHLine(int x0, int y, int x1, COLORREF colorA, COLORREF colorB) {
  return strokeHorizontal(state_, StrokeKind::Dashed, x0, y, x1, colorA, colorB);
}

HRESULT Pictrel::IDrawableDSImp::DashedVLine(int x, int y0, int y1, COLORREF colorA, COLORREF colorB) {
  return strokeVertical(state_, StrokeKind::Dashed, x, y0, y1, colorA, colorB);
}

HRESULT Pictrel::IDrawableDSImp::DashedLine(int x0, int y0, int x1, int y1, COLORREF colorA, COLORREF colorB) {
  return strokeLine(state_, StrokeKind::Dashed, x0, y0, x1, y1, colorA, colorB);
}

HRESULT Pictrel::IDrawableDSImp::Rectangle(int x0, int y0, int x1, int y1, COLORREF color) {
  if (!state_.hasPixels()) return E_FAIL;
  HLine(x0, y0, x1, color);
  if (y0 != y1) HLine(x0, y1, x1, color);
  VLine(x0, y0, y1, color);
  if (x0 != x1) VLine(x1, y0, y1, color);
  return S_OK;
}

HRESULT Pictrel::IDrawableDSImp::XorRectangle(int x0, int y0, int x1, int y1, COLORREF color) {
  if (!state_.hasPixels()) return E_FAIL;
  const int left = std::min(x0, x1);
  const int right = std::max(x0, x1);
  const int top = std::min(y0, y1);
  const int bottom = std::max(y0, y1);
  // Every outline pixel once: the full top and bottom rows, then the sides
  // over the rows strictly between them.
  XorHLine(left, top, right, color);
  if (top == bottom) return S_OK;
  XorHLine(left, bottom, right, color);
  if (int64_t{bottom} - top > 1) {
    XorVLine(left, top + 1, bottom - 1, color);
    if (right > left) XorVLine(right, top + 1, bottom - 1, color);
  }
  return S_OK;
}

HRESULT Pictrel::IDrawableDSImp::FillRect(int x0, int y0, int x1, int y1, COLORREF color) {
  if (!state_.hasPixels()) return E_FAIL;
  const tagT_IRECT2D clip = drawableClip(state_);
  const int left = std::max(std::min(x0, x1), clip.left);
  const int right = std::min(std::max(x0, x1), clip.right);
  const int top = std::max(std::min(y0, y1), clip.top);
  const int bottom = std::min(std::max(y0, y1), clip.bottom);
  if (left > right || top > bottom) return S_FALSE;
  const uint32_t pixel = colorToPixel(state_, color);
  for (int y = top; y <= bottom; ++y) state_.spanRoutine(state_, left, right, y, pixel);
  return S_OK;
}

HRESULT Pictrel::IDrawableDSImp::FillRectR(const tagT_IRECT2D* rect, COLORREF color) {
  if (!rect) return E_INVALIDARG;
  return FillRect(rect->left, rect->top, rect->right, rect->bottom, color);
}

namespace {

// Plots through a pixel slot, skipping points beyond the int range.
template <typename Slot>
void plotPoint(Slot&& slot, int64_t x, int64_t y) {
  constexpr int64_t kMin = std::numeric_limits<int>::min();
  constexpr int64_t kMax = std::numeric_limits<int>::max();
  if (x < kMin || x > kMax || y < kMin || y > kMax) return;
  slot(static_cast<int>(x), static_cast<int>(y));
}

}  // namespace

HRESULT Pictrel::IDrawableDSImp::Circle(int cx, int cy, int r, DWORD value) {
  if (!state_.hasPixels()) return E_FAIL;
  if (r == 0) return SetPixel(cx, cy, value);
  const int64_t radius = magnitude(r);
  if (missesRect(drawableClip(state_), cx - radius, cy - radius, cx + radius, cy + radius)) return S_OK;
  auto set = [&](int x, int y) { SetPixel(x, y, value); };
  walkCircle(radius, [&](int64_t x, int64_t y, bool) {
    for (int64_t sx : {-1, 1}) {
      for (int64_t sy : {-1, 1}) {
        plotPoint(set, cx + sx * y, cy + sy * x);
        plotPoint(set, cx + sx * x, cy + sy * y);
      }
    }
  });
  return S_OK;
}

HRESULT Pictrel::IDrawableDSImp::XorCircle(int cx, int cy, int r, DWORD value) {
  if (!state_.hasPixels()) return E_FAIL;
  if (r == 0) return XorPixel(cx, cy, value);
  const int64_t radius = magnitude(r);
  if (missesRect(drawableClip(state_), cx - radius, cy - radius, cx + radius, cy + radius)) return S_OK;
  auto flip = [&](int x, int y) { XorPixel(x, y, value); };
  walkCircle(radius, [&](int64_t x, int64_t y, bool) {
    if (x == 0) {
      // The four points on the axes, once each.
      plotPoint(flip, cx + y, cy);
      plotPoint(flip, cx - y, cy);
      plotPoint(flip, cx, cy + y);
      plotPoint(flip, cx, cy - y);
      return;
    }
    for (int64_t sx : {-1, 1}) {
      for (int64_t sy : {-1, 1}) {
        plotPoint(flip, cx + sx * y, cy + sy * x);
        plotPoint(flip, cx + sx * x, cy + sy * y);
      }
    }
  });
  return S_OK;
}

HRESULT Pictrel::IDrawableDSImp::FilledCircle(int cx, int cy, int r, COLORREF color) {
  if (!state_.hasPixels()) return E_FAIL;
  if (r == 0) return SetPixel(cx, cy, color);
  const int64_t radius = magnitude(r);
  if (missesRect(drawableClip(state_), cx - radius, cy - radius, cx + radius, cy + radius)) return S_OK;
  walkCircle(radius, [&](int64_t x, int64_t y, bool) {
    strokeHorizontal(state_, StrokeKind::Solid, cx - y, cy + x, cx + y, color);
    if (x != 0) strokeHorizontal(state_, StrokeKind::Solid, cx - y, cy - x, cx + y, color);
    strokeHorizontal(state_, StrokeKind::Solid, cx - x, cy + y, cx + x, color);
    if (y != 0) strokeHorizontal(state_, StrokeKind::Solid, cx - x, cy - y, cx + x, color);
  });
  return S_OK;
}

HRESULT Pictrel::IDrawableDSImp::XorFilledCircle(int cx, int cy, int r, COLORREF color) {
  if (!state_.hasPixels()) return E_FAIL;
  if (r == 0) return XorPixel(cx, cy, color);
  const int64_t radius = magnitude(r);
  if (missesRect(drawableClip(state_), cx - radius, cy - radius, cx + radius, cy + radius)) return S_OK;
  // The rows of FilledCircle's disc, each XORed once with its widest span:
  // the rows cy ± x at every step (x grows by one per step), and the rows
  // cy ± y at the last step that has that y, unless that row is cy ± x of
  // the same step.
  auto flipRow = [&](int64_t half, int64_t dy) {
    strokeHorizontal(state_, StrokeKind::Xor, cx - half, cy + dy, cx + half, color);
    if (dy != 0) strokeHorizontal(state_, StrokeKind::Xor, cx - half, cy - dy, cx + half, color);
  };
  walkCircle(radius, [&](int64_t x, int64_t y, bool lastOfRow) {
    flipRow(y, x);
    if (lastOfRow && y > x) flipRow(x, y);
  });
  return S_OK;
}

namespace {

// The ellipse walk from (rx, 0) up to x = 0: plot(x, y) for the first
// quadrant's points after the starting one. 128-bit terms, as rx·ry²
// passes 64 bits for large radii.
template <typename Plot>
void walkEllipse(int64_t rx, int64_t ry, Plot&& plot) {
  using Wide = __int128;
  Wide e = Wide{rx} * ry * ry;
  Wide t = 2 * Wide{rx} * ry * ry;
  Wide s = 0;
  int64_t x = rx;
  int64_t y = 0;
  while (x > 0) {
    if (e > 0) {
      s += 2 * Wide{rx} * rx;
      e -= s;
      ++y;
    }
    if (e <= 0) {
      t -= 2 * Wide{ry} * ry;
      e += t;
      --x;
    }
    plot(x, y);
  }
}

}  // namespace

namespace {

// The outline of an ellipse, each point through `slot` (setting or flipping
// one pixel).
template <typename Slot>
HRESULT drawEllipse(const Pictrel::SurfaceState& state, int cx, int cy, int rx, int ry, Slot&& slot) {
  if (!state.hasPixels()) return E_FAIL;
  const int64_t width = magnitude(rx);
  const int64_t height = magnitude(ry);
  if (missesRect(drawableClip(state), cx - width, cy - height, cx + width, cy + height)) return S_OK;
  plotPoint(slot, int64_t{cx} + rx, cy);
  plotPoint(slot, int64_t{cx} - rx, cy);
  walkEllipse(rx, ry, [&](int64_t x, int64_t y) {
    plotPoint(slot, cx + x, cy + y);
    plotPoint(slot, cx - x, cy + y);
    plotPoint(slot, cx + x, cy - y);
    plotPoint(slot, cx - x, cy - y);
  });
  return S_OK;
}

}  // namespace

HRESULT Pictrel::IDrawableDSImp::Ellipse(int cx, int cy, int rx, int ry, DWORD value) {
  return drawEllipse(state_, cx, cy, rx, ry, [&](int x, int y) { SetPixel(x, y, value); });
}

HRESULT Pictrel::IDrawableDSImp::XorEllipse(int cx, int cy, int rx, int ry, DWORD value) {
  return drawEllipse(state_, cx, cy, rx, ry, [&](int x, int y) { XorPixel(x, y, value); });
}

HRESULT Pictrel::IDrawableDSImp::FillTriangle(const tagT_IPOINT2D* points, COLORREF color) {
  if (!points) return E_INVALIDARG;
  if (!state_.hasPixels()) return E_FAIL;
  tagT_IPOINT2D p0 = points[0];
  tagT_IPOINT2D p1 = points[1];
  tagT_IPOINT2D p2 = points[2];
  if (p1.y < p0.y) std::swap(p0, p1);
  if (p2.y < p0.y) std::swap(p0, p2);
  if (p2.y < p1.y) std::swap(p1, p2);
  const tagT_IRECT2D clip = drawableClip(state_);
  walkTriangleRows(p0, p1, p2, clip.top, clip.bottom, [&](int64_t y, int64_t xLong, int64_t xShort) {
    strokeHorizontal(state_, StrokeKind::Solid, xLong, y, xShort, color);
  });
  return S_OK;
}

namespace {

// The crossings of column x with the polygon's edges, each edge taken
// half-open in x so that a vertex counts once and vertical edges never.
void columnCrossings(int x, const tagT_IPOINT2D* points, int count, std::vector<int>& crossings) {
  crossings.clear();
  for (int i = 0; i < count; ++i) {
    const tagT_IPOINT2D& a = points[i];
    const tagT_IPOINT2D& b = points[(i + 1) % count];
    const bool crosses = (a.x <= x && x < b.x) || (b.x <= x && x < a.x);
    if (!crosses) continue;
    const double slope = static_cast<double>(int64_t{b.y} - a.y) / static_cast<double>(int64_t{b.x} - a.x);
    const double y = a.y + 0.5 + slope * (static_cast<double>(x) - a.x);
    // Truncated toward zero, kept inside the int range.
    const double limited = std::clamp(y, static_cast<double>(std::numeric_limits<int>::min()),
                                      static_cast<double>(std::numeric_limits<int>::max()));
    crossings.push_back(static_cast<int>(limited));
  }
  std::stable_sort(crossings.begin(), crossings.end());
}

}  // namespace

HRESULT Pictrel::IDrawableDSImp::FillPolygonColumn(int x, const tagT_IPOINT2D* points, int count, COLORREF color) {
  if (!points || count < 2) return E_INVALIDARG;
  std::vector<int> crossings;
  columnCrossings(x, points, count, crossings);
  for (size_t i = 0; i + 1 < crossings.size(); i += 2) VLine(x, crossings[i], crossings[i + 1], color);
  return S_FALSE;
}

HRESULT Pictrel::IDrawableDSImp::FillPolygon(const tagT_IPOINT2D* points, int count, COLORREF color) {
  if (!points || count < 3) return E_INVALIDARG;
  if (!state_.hasPixels()) return E_FAIL;
  int left = points[0].x;
  int right = points[0].x;
  int top = points[0].y;
  int bottom = points[0].y;
  for (int i = 1; i < count; ++i) {
    left = std::min(left, points[i].x);
    right = std::max(right, points[i].x);
    top = std::min(top, points[i].y);
    bottom = std::max(bottom, points[i].y);
  }
  const tagT_IRECT2D clip = drawableClip(state_);
  if (missesRect(clip, left, top, right, bottom)) return S_FALSE;
  std::vector<int> crossings;
  for (int x = std::max(left, clip.left); x <= std::min(right, clip.right); ++x) {
    columnCrossings(x, points, count, crossings);
    for (size_t i = 0; i + 1 < crossings.size(); i += 2)
      strokeVertical(state_, StrokeKind::Solid, x, crossings[i], crossings[i + 1], color);
  }
  return S_OK;
}
