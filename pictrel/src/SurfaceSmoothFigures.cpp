// Anti-aliased and wide figures: lines, circles, discs, polygons and
// polylines with smooth edges, wide lines without smoothing, and the blend
// of one pixel.
//
// Each smooth figure has two renderers. With GDI+ drawing switched on
// (EnableAntiAlias) the platform's GDI+ draws it into the memory DC; else
// our own rasteriser walks the figure and blends each edge pixel's coverage,
// lifted through CoverageGammaTable, with the depth's coverage blend.
#include "SurfaceDrawing.h"
#include "SurfaceTables.h"

#include "platform/GdiPlusGraphics.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <vector>

namespace {

using Pictrel::CoverageGammaTable;
using Pictrel::SurfaceState;

constexpr int kMaxSmoothWidth = 32;

Gdiplus::ARGB opaqueArgb(COLORREF color) {
  return 0xFF000000u | (uint32_t{GetRValue(color)} << 16) | (uint32_t{GetGValue(color)} << 8) | GetBValue(color);
}

// Blends through the depth's routine when (x, y) lies in the drawable clip.
void blendAt(SurfaceState& state, const tagT_IRECT2D& clip, int64_t x, int64_t y, COLORREF color, uint8_t coverage) {
  if (x < clip.left || x > clip.right || y < clip.top || y > clip.bottom) return;
  state.coverageBlendRoutine(state, static_cast<int>(x), static_cast<int>(y), color, coverage);
}

// The width of a line across its minor axis, so that a slanted line looks
// as wide as an upright one: √2 · w for diagonals, w / cos θ otherwise.
int64_t widthAcross(int64_t width, int64_t dx, int64_t dy) {
  if (dx == 0 || dy == 0) return width;
  if (dx == dy) return static_cast<int64_t>(std::floor(std::sqrt(2.0) * static_cast<double>(width)));
  const double angle = std::atan(static_cast<double>(std::min(dx, dy)) / static_cast<double>(std::max(dx, dy)));
  return static_cast<int64_t>(std::floor(static_cast<double>(width) / std::cos(angle)));
}

// The 16.16 walk of a line: steps first, then calls visit(x, y, fraction)
// with the fraction of the minor axis's step in 16 bits; the start point
// is not visited, the end point is.
template <typename Visit>
void walkFraction(int64_t x, int64_t y, int64_t dx, int64_t dy, int sx, int sy, bool steep, Visit&& visit) {
  const int64_t major = steep ? dy : dx;
  const int64_t minor = steep ? dx : dy;
  if (major == 0) return;
  const uint32_t step = static_cast<uint32_t>((minor * 65536) / major) & 0xFFFFu;
  uint32_t accumulator = 0;
  for (int64_t i = 0; i < major; ++i) {
    const uint32_t next = (accumulator + step) & 0xFFFFu;
    if (minor != 0 && next <= accumulator) {
      if (steep) {
        x += sx;
      } else {
        y += sy;
      }
    }
    if (steep) {
      y += sy;
    } else {
      x += sx;
    }
    visit(x, y, next);
    accumulator = next;
  }
}

// Our own anti-aliased line between clipped end points.
void drawSmoothLine(SurfaceState& state, int x0, int y0, int x1, int y1, int width, COLORREF color) {
  const int64_t dx = std::llabs(int64_t{x1} - x0);
  const int64_t dy = std::llabs(int64_t{y1} - y0);
  if (dx == 0 && dy == 0) return;
  const int sx = x1 >= x0 ? 1 : -1;
  const int sy = y1 >= y0 ? 1 : -1;
  const int64_t across = widthAcross(std::min(width, kMaxSmoothWidth), dx, dy);
  const bool steep = dx < dy;
  const tagT_IRECT2D clip = Pictrel::drawableClip(state);
  walkFraction(x0, y0, dx, dy, sx, sy, steep, [&](int64_t x, int64_t y, uint32_t fraction) {
    const uint8_t near = CoverageGammaTable[255 - (fraction >> 8)];
    const uint8_t far = CoverageGammaTable[fraction >> 8];
    // Offsets across the minor axis, in its own direction.
    const int direction = steep ? sx : sy;
    auto plot = [&](int64_t offset, uint8_t coverage) {
      if (steep) {
        blendAt(state, clip, x + offset, y, color, coverage);
      } else {
        blendAt(state, clip, x, y + offset, color, coverage);
      }
    };
    if (across <= 1) {
      plot(0, near);
      plot(direction, far);
      return;
    }
    if (across == 2) {
      plot(0, 255);
      plot(-direction, near);
      plot(direction, far);
      return;
    }
    const int64_t half = across / 2;
    for (int64_t k = 1 - half; k <= half - 1; ++k) plot(k, 255);
    plot(-half, direction > 0 ? near : far);
    plot(half, direction > 0 ? far : near);
  });
}

// The coverage of a circle's pixel at offset (i, j) from its centre: full on
// the circle, faint one pixel off it, nothing farther.
uint8_t circleCoverage(int64_t i, int64_t j, int64_t r) {
  const auto t = static_cast<int64_t>(std::sqrt(static_cast<double>(i * i + j * j)) - static_cast<double>(r));
  const double coverage = 255.0 - static_cast<double>(std::llabs(t)) * 0.7071067811865476 * 254.0;
  return coverage <= 0 ? 0 : static_cast<uint8_t>(coverage);
}

// Blends (i, j) in all eight octants around the centre.
void plotEightfold(SurfaceState& state, const tagT_IRECT2D& clip, int64_t cx, int64_t cy, int64_t i, int64_t j,
                   COLORREF color, uint8_t coverage) {
  if (coverage == 0) return;
  const uint8_t lifted = CoverageGammaTable[coverage];
  for (int64_t a : {-1, 1}) {
    for (int64_t b : {-1, 1}) {
      blendAt(state, clip, cx + a * i, cy + b * j, color, lifted);
      blendAt(state, clip, cx + a * j, cy + b * i, color, lifted);
    }
  }
}

void drawSmoothCircle(SurfaceState& state, int cx, int cy, int64_t r, int width, COLORREF color) {
  const tagT_IRECT2D clip = Pictrel::drawableClip(state);
  auto plot = [&](int64_t i, int64_t j, uint8_t coverage) {
    plotEightfold(state, clip, cx, cy, i, j, color, coverage);
  };
  plot(0, r, 255);
  plot(0, r + 1, circleCoverage(0, r + 1, r));
  plot(0, r - 1, circleCoverage(0, r - 1, r));
  int64_t x = 0;
  int64_t y = r;
  int64_t decision = 1 - r;
  while (x < y) {
    if (decision < 0) {
      decision += 2 * x + 3;
    } else {
      decision += 2 * x + 5 - 2 * y;
      --y;
    }
    ++x;
    if (width <= 1) {
      plot(x, y, circleCoverage(x, y, r));
      plot(x, y + 1, circleCoverage(x, y + 1, r));
      plot(x, y - 1, circleCoverage(x, y - 1, r));
      continue;
    }
    const int64_t half = width / 2;
    const uint8_t outer = circleCoverage(x, y + 1, r);
    const uint8_t inner = circleCoverage(x, y - 1, r);
    for (int64_t t = -half; t <= half; ++t) {
      for (int64_t k = 1 - half; k <= half; ++k) plot(x + t, y + k, 255);
      plot(x + t, y - half + 1, outer);
      plot(x + t, y + half + 1, outer);
      plot(x + t, y - half, inner);
      plot(x + t, y + half, inner);
    }
  }
}

// The join of two polyline segments at `corner`. The record carries the
// join's geometry; its point list stays empty, so joins add no pixels.
struct JoinParameters {
  tagT_IPOINT2D previous{};
  tagT_IPOINT2D corner{};
  tagT_IPOINT2D next{};
  double lengthIn = 0;
  double lengthOut = 0;
  int width = 0;
  double miterLimit = 4.0;
  bool isRound = true;
  int32_t segmentsIn = 3;
  int32_t segmentsOut = 3;
  std::vector<tagT_IPOINT2D> points;
};

double segmentLength(const tagT_IPOINT2D& a, const tagT_IPOINT2D& b) {
  const double dx = static_cast<double>(int64_t{b.x} - a.x);
  const double dy = static_cast<double>(int64_t{b.y} - a.y);
  return std::sqrt(dx * dx + dy * dy);
}

}  // namespace

HRESULT Pictrel::IDrawableDSImp::AALine(int x0, int y0, int x1, int y1, int width, COLORREF color) {
  if (state_.bitsPerPixel() < 15) return E_FAIL;
  if (width <= 1 && x0 == x1) return VLine(x0, y0, y1, color);
  if (width <= 1 && y0 == y1) return HLine(x0, y0, x1, color);
  LineClipRecord record;
  record.x0 = x0;
  record.y0 = y0;
  record.x1 = x1;
  record.y1 = y1;
  const int64_t grow = std::max(width, 0);
  const tagT_IRECT2D& clip = state_.clip();
  const auto widen = [](int64_t v) { return static_cast<int32_t>(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX)); };
  const tagT_IRECT2D grown{widen(clip.left - grow), widen(clip.top - grow), widen(clip.right + grow),
                           widen(clip.bottom + grow)};
  if (!clipSegment(record, grown)) return S_FALSE;
  if (IsAntiAliasEnabled()) {
    if (!state_.memoryDC) return S_OK;
    Gdiplus::Graphics graphics(state_.memoryDC);
    graphics.SetSmoothingMode(Gdiplus::SmoothingMode::AntiAlias);
    Gdiplus::Pen pen(opaqueArgb(color), static_cast<float>(width));
    graphics.DrawLineI(&pen, record.x0, record.y0, record.x1, record.y1);
    return S_OK;
  }
  drawSmoothLine(state_, record.x0, record.y0, record.x1, record.y1, width, color);
  return S_OK;
}

HRESULT Pictrel::IDrawableDSImp::AACircle(int cx, int cy, int r, int width, COLORREF color) {
  if (state_.bitsPerPixel() < 15) return E_FAIL;
  if (IsAntiAliasEnabled()) {
    if (!state_.memoryDC) return S_OK;
    Gdiplus::Graphics graphics(state_.memoryDC);
    graphics.SetSmoothingMode(Gdiplus::SmoothingMode::AntiAlias);
    Gdiplus::Pen pen(opaqueArgb(color), static_cast<float>(width));
    graphics.DrawEllipseI(&pen, cx - r, cy - r, 2 * r, 2 * r);
    return S_OK;
  }
  drawSmoothCircle(state_, cx, cy, r, width, color);
  return S_OK;
}

HRESULT Pictrel::IDrawableDSImp::AAFilledCircle(int cx, int cy, int r, COLORREF color) {
  if (state_.bitsPerPixel() < 15) return E_FAIL;
  if (r <= 1) return SetPixel(cx, cy, color);
  if (IsAntiAliasEnabled()) {
    if (!state_.memoryDC) return S_OK;
    Gdiplus::Graphics graphics(state_.memoryDC);
    graphics.SetSmoothingMode(Gdiplus::SmoothingMode::AntiAlias);
    Gdiplus::SolidBrush brush(opaqueArgb(color));
    graphics.FillEllipseI(&brush, cx - r, cy - r, 2 * r + 1, 2 * r + 1);
    return S_OK;
  }
  const int64_t radius = r;
  for (int64_t i = -radius; i <= radius; ++i) {
    const auto x = static_cast<int64_t>(std::floor(std::sqrt(static_cast<double>(radius * radius - i * i))));
    if (cx + x - 1 >= cx - x + 1)
      HLine(static_cast<int>(cx - x + 1), static_cast<int>(cy + i), static_cast<int>(cx + x - 1), color);
  }
  return AACircle(cx, cy, r - 3, 2, color);
}

HRESULT Pictrel::IDrawableDSImp::AAPolygon(const tagT_IPOINT2D* points, int count, int width, COLORREF color) {
  if (!points || count < 3) return E_INVALIDARG;
  if (state_.bitsPerPixel() < 15) return E_FAIL;
  for (int i = 0; i < count; ++i) {
    const tagT_IPOINT2D& a = points[i];
    const tagT_IPOINT2D& b = points[(i + 1) % count];
    AALine(a.x, a.y, b.x, b.y, width, color);
  }
  return S_OK;
}

HRESULT Pictrel::IDrawableDSImp::AAPolyline(const tagT_IPOINT2D* points, int count, int width, COLORREF color) {
  if (!points || count < 2) return E_INVALIDARG;
  if (state_.bitsPerPixel() < 15) return E_FAIL;
  JoinParameters join;
  for (int i = 0; i + 1 < count; ++i) {
    AALine(points[i].x, points[i].y, points[i + 1].x, points[i + 1].y, width, color);
    if (i == 0) continue;
    join.previous = points[i - 1];
    join.corner = points[i];
    join.next = points[i + 1];
    join.lengthIn = segmentLength(points[i - 1], points[i]);
    join.lengthOut = segmentLength(points[i], points[i + 1]);
    join.width = width;
    join.points.clear();
    for (size_t k = 0; k + 1 < join.points.size(); ++k)
      Line(join.points[k].x, join.points[k].y, join.points[k + 1].x, join.points[k + 1].y, color);
  }
  return S_OK;
}

HRESULT Pictrel::IDrawableDSImp::ThickLine(int x0, int y0, int x1, int y1, int width, DWORD value) {
  if (width <= 1) return Line(x0, y0, x1, y1, value);
  if (!state_.hasPixels()) return E_FAIL;
  LineClipRecord record;
  record.x0 = x0;
  record.y0 = y0;
  record.x1 = x1;
  record.y1 = y1;
  const tagT_IRECT2D& clip = state_.clip();
  const auto widen = [](int64_t v) { return static_cast<int32_t>(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX)); };
  const tagT_IRECT2D grown{widen(int64_t{clip.left} - width), widen(int64_t{clip.top} - width),
                           widen(int64_t{clip.right} + width), widen(int64_t{clip.bottom} + width)};
  if (!clipSegment(record, grown)) return S_FALSE;
  const int64_t dx = std::llabs(int64_t{record.x1} - record.x0);
  const int64_t dy = std::llabs(int64_t{record.y1} - record.y0);
  const int sx = record.x1 >= record.x0 ? 1 : -1;
  const int sy = record.y1 >= record.y0 ? 1 : -1;
  const int64_t across = widthAcross(width, dx, dy);
  const int64_t half = across <= 1 ? 0 : across == 2 ? 1 : across / 2;
  const bool steep = dx < dy;
  walkFraction(record.x0, record.y0, dx, dy, sx, sy, steep, [&](int64_t x, int64_t y, uint32_t) {
    for (int64_t k = -half; k <= half; ++k) {
      const int64_t px = steep ? x + k : x;
      const int64_t py = steep ? y : y + k;
      if (px < INT32_MIN || px > INT32_MAX || py < INT32_MIN || py > INT32_MAX) continue;
      SetPixel(static_cast<int>(px), static_cast<int>(py), value);
    }
  });
  return S_OK;
}

HRESULT Pictrel::IDrawableDSImp::BlendPixel(int x, int y, COLORREF color, int alpha) {
  const int bpp = state_.bitsPerPixel();
  if (bpp < 15) return SetPixel(x, y, color);
  if (x < 0 || y < 0 || x >= state_.width() || y >= state_.height) return S_FALSE;
  const uint32_t a = static_cast<uint32_t>(std::clamp(alpha, 0, 255));
  BYTE* row = state_.rows[static_cast<size_t>(y)];
  if (bpp == 16) {
    // The colour with the low bits of every channel set; alpha is not used.
    const uint32_t greenBits = state_.greenHasSixBits ? 2 : 3;
    const uint32_t greenFill = state_.greenHasSixBits ? 3 : 7;
    const uint32_t pixel = (((GetRValue(color) >> 3) | 7u) << state_.redShift) |
                           (((GetGValue(color) >> greenBits) | greenFill) << state_.greenShift) |
                           (((GetBValue(color) >> 3) | 7u) << state_.blueShift);
    platform::writePixel(row, x, 16, pixel);
    return S_OK;
  }
  if (bpp == 24) {
    BYTE* p = row + 3 * x;
    const uint32_t channels[3] = {GetBValue(color), GetGValue(color), GetRValue(color)};
    for (int i = 0; i < 3; ++i) p[i] = static_cast<BYTE>((channels[i] * a + p[i] * (255 - a)) >> 8);
    return S_OK;
  }
  const uint32_t pixel = platform::readPixel(row, x, 32);
  const uint32_t own = pixel >> 24;
  const uint8_t shifts[3] = {state_.redShift, state_.greenShift, state_.blueShift};
  const uint32_t channels[3] = {GetRValue(color), GetGValue(color), GetBValue(color)};
  uint32_t result = std::max(a, own) << 24;
  for (int i = 0; i < 3; ++i) {
    const uint32_t d = (pixel >> shifts[i]) & 0xFF;
    result |= (((channels[i] * a + d * own) >> 8) & 0xFF) << shifts[i];
  }
  platform::writePixel(row, x, 32, result);
  return S_OK;
}
