// What the drawing sources of the surface share: colours as pixels of the
// surface's depth, one template of pixel operations per depth, the
// drawable clip, the segment clipper and the routines that switch on depth.
//
// Colour ↔ pixel (COLORREF: red in the low byte):
//   1-8 bpp  the nearest palette index; back: the palette entry
//   15/16    red >> 3, green >> 3 (>> 2 with six green bits), blue >> 3,
//            each at its channel's shift; back: fields << 3 (green << 2)
//   24 bpp   the bytes blue, green, red
//   32 bpp   each 8-bit channel at its shift, the colour's top byte as the
//            pixel's top byte (alpha); back likewise
#pragma once

#include "DrawableSurface.h"

#include "platform/PixelFormat.h"

#include <algorithm>
#include <cassert>
#include <cstring>
#include <type_traits>

namespace Pictrel {

// The palette index nearest to `color` (see NearestPaletteIndex); −1
// without a palette.
int nearestPaletteIndex(SurfaceState& state, COLORREF color);

// A logical palette of the first `count` (at most 256) colours, none merged
// with another; null when it cannot be made.
HPALETTE paletteOfColors(const RGBQUAD* colors, UINT count);

inline uint32_t colorToPixel(SurfaceState& state, COLORREF color) {
  const int bpp = state.bitsPerPixel();
  if (bpp <= 8) return static_cast<uint32_t>(nearestPaletteIndex(state, color));
  const uint32_t red = GetRValue(color);
  const uint32_t green = GetGValue(color);
  const uint32_t blue = GetBValue(color);
  switch (bpp) {
    case 16:
      return ((red >> 3) << state.redShift) | ((green >> (state.greenHasSixBits ? 2 : 3)) << state.greenShift) |
             ((blue >> 3) << state.blueShift);
    case 24: return blue | (green << 8) | (red << 16);
    default:
      return (red << state.redShift) | (green << state.greenShift) | (blue << state.blueShift) | (color & 0xFF000000u);
  }
}

inline COLORREF pixelToColor(const SurfaceState& state, uint32_t pixel) {
  const int bpp = state.bitsPerPixel();
  if (bpp <= 8) {
    const RGBQUAD& entry = state.info->colors[pixel & 0xFF];
    return RGB(entry.rgbRed, entry.rgbGreen, entry.rgbBlue);
  }
  const DWORD* masks = state.dib.dsBitfields;
  auto field = [&](int channel, uint8_t shift) { return (pixel & masks[channel]) >> shift; };
  switch (bpp) {
    case 16:
      return (field(0, state.redShift) << 3) | ((field(1, state.greenShift) << (state.greenHasSixBits ? 2 : 3)) << 8) |
             ((field(2, state.blueShift) << 3) << 16);
    case 24: return RGB(static_cast<BYTE>(pixel >> 16), static_cast<BYTE>(pixel >> 8), static_cast<BYTE>(pixel));
    default:
      return (field(0, state.redShift) & 0xFF) | ((field(1, state.greenShift) & 0xFF) << 8) |
             ((field(2, state.blueShift) & 0xFF) << 16) | (pixel & 0xFF000000u);
  }
}

// The bits an XOR may change: the index at 1-8 bpp, the colour channels
// above (never the alpha byte of a 32-bpp pixel).
inline uint32_t xorablePixel(const SurfaceState& state, uint32_t pixel) {
  switch (state.bitsPerPixel()) {
    case 1: return pixel & 1u;
    case 4: return pixel & 0x0Fu;
    case 8: return pixel & 0xFFu;
    case 16: return pixel & 0xFFFFu;
    case 24: return pixel & 0xFFFFFFu;
    default: {
      const DWORD* masks = state.dib.dsBitfields;
      return pixel & (masks[0] | masks[1] | masks[2]);
    }
  }
}

// The pixel operations of one depth. Rows are 32-bit aligned, so words
// of 16 and 32 bits can be filled as such.
template <int Bpp>
struct DepthOps {
  static void set(BYTE* row, int x, uint32_t pixel) { platform::writePixel(row, x, Bpp, pixel); }
  static void flip(BYTE* row, int x, uint32_t pixel) {
    platform::writePixel(row, x, Bpp, platform::readPixel(row, x, Bpp) ^ pixel);
  }
  static void fill(BYTE* row, int x0, int x1, uint32_t pixel) {
    const auto count = static_cast<size_t>(x1 - x0 + 1);
    if constexpr (Bpp == 8) {
      std::memset(row + x0, static_cast<int>(pixel & 0xFF), count);
    } else if constexpr (Bpp == 16) {
      std::fill_n(reinterpret_cast<uint16_t*>(row) + x0, count, static_cast<uint16_t>(pixel));
    } else if constexpr (Bpp == 32) {
      std::fill_n(reinterpret_cast<uint32_t*>(row) + x0, count, pixel);
    } else {
      for (int x = x0; x <= x1; ++x) set(row, x, pixel);
    }
  }
};

// Calls f with the depth as a compile-time constant (1, 4, 8, 16, 24, 32).
template <typename F>
void withDepth(int bpp, F&& f) {
  switch (bpp) {
    case 1: return f(std::integral_constant<int, 1>{});
    case 4: return f(std::integral_constant<int, 4>{});
    case 8: return f(std::integral_constant<int, 8>{});
    case 16: return f(std::integral_constant<int, 16>{});
    case 24: return f(std::integral_constant<int, 24>{});
    case 32: return f(std::integral_constant<int, 32>{});
    default: return;
  }
}

// Walks a Bresenham line, calling plot(x, y) for every pixel.
template <typename Plot>
void walkLine(const LineWalk& walk, Plot&& plot) {
  int32_t x = walk.x;
  int32_t y = walk.y;
  int64_t error = walk.error;
  plot(x, y);
  for (int64_t step = 0; step < walk.steps; ++step) {
    if (walk.yMajor) {
      if (error >= 0) {
        x += walk.stepX;
        error -= 2 * walk.dy;
      }
      y += walk.stepY;
      error += 2 * walk.dx;
    } else {
      if (error >= 0) {
        y += walk.stepY;
        error -= 2 * walk.dx;
      }
      x += walk.stepX;
      error += 2 * walk.dy;
    }
    plot(x, y);
  }
}

// Two-colour dashes of period 16: colour A where (n mod 16) ≥ 7, with n the
// pixels left to draw in a span or the coordinate along a line's major axis.
inline bool isDashA(int64_t n) { return ((n % 16) + 16) % 16 >= 7; }

// The clip rectangle cut to the surface: what every writer may touch. Empty
// (left > right or top > bottom) when they do not meet or there are no pixels.
inline tagT_IRECT2D drawableClip(const SurfaceState& state) {
  const tagT_IRECT2D& clip = state.lineClip.clip;
  return {std::max(clip.left, 0), std::max(clip.top, 0),
          std::min(clip.right, state.hasPixels() ? state.width() - 1 : -1), std::min(clip.bottom, state.height - 1)};
}

inline bool isInside(const tagT_IRECT2D& rect, int x, int y) {
  return x >= rect.left && x <= rect.right && y >= rect.top && y <= rect.bottom;
}

// Out-codes of the segment clipper.
inline constexpr uint32_t kOutAbove = 1;
inline constexpr uint32_t kOutBelow = 2;
inline constexpr uint32_t kOutLeft = 4;
inline constexpr uint32_t kOutRight = 8;
inline constexpr uint32_t kOutInvisible = 16;

// Cuts the segment of `record` to `clip`. Visible: true, the end points
// moved onto the unclipped line's own pixels at the boundaries. Invisible:
// false, both out-code words 16, the end points as they were.
bool clipSegment(LineClipRecord& record, const tagT_IRECT2D& clip);

// The walk over the pixels of the unclipped line (x0, y0)-(x1, y1) from
// the clipped start to the clipped end, both on that line.
LineWalk clippedWalk(int x0, int y0, int x1, int y1, int fromX, int fromY, int toX, int toY);

// One edge of a triangle stepped row by row with integer steps (floor
// division, so negative runs step like positive ones): its x on the row
// below its upper end, then the next row's x at each advance.
class TriangleEdge {
public:
  TriangleEdge(int64_t xa, int64_t ya, int64_t xb, int64_t yb) : rows_(yb - ya) {
    if (rows_ <= 0) return;
    const int64_t run = xb - xa;
    step_ = run / rows_;
    if (run % rows_ != 0 && run < 0) --step_;
    remainder_ = run - step_ * rows_;
    error_ = 2 * remainder_ - rows_;
    x_ = xa + step_;
  }
  int64_t x() const { return x_; }
  void advance() {
    if (error_ >= 0) {
      x_ += step_ + 1;
      error_ += remainder_ - rows_;
    } else {
      x_ += step_;
      error_ += remainder_;
    }
  }
  // As `count` calls of advance(), at once. After any advance the error lies
  // in [remainder − rows, remainder), so the number of carries c in the
  // next n steps is the one that puts error + n·remainder − c·rows back in
  // that range. 128-bit terms: n·remainder reaches 2^64 for edges that span
  // the whole coordinate range.
  void skip(int64_t count) {
    assert(count >= 0);
    if (count == 0) return;
    if (rows_ <= 0) {  // a flat edge: error stays 0, every step carries
      x_ += count;
      return;
    }
    using Wide = __int128;
    const Wide carries = (Wide{error_} + Wide{count - 1} * remainder_ + rows_) / rows_;
    x_ += static_cast<int64_t>(Wide{count} * step_ + carries);
    error_ = static_cast<int64_t>(Wide{error_} + Wide{count} * remainder_ - carries * rows_);
  }

private:
  int64_t rows_;
  int64_t step_ = 0;
  int64_t remainder_ = 0;
  int64_t error_ = 0;
  int64_t x_ = 0;
};

// Walks the rows top.y + 1 … bottom.y of a triangle whose corners are
// sorted by y (the top row is not drawn), limited to first … last, and
// hands visit(y, xLong, xShort) each row's x on the long edge (top to
// bottom) and on the short edges (top to middle, then middle to bottom).
// The edges are set straight to the first row drawn, so corners far outside
// the limits cost no steps.
template <typename Visit>
void walkTriangleRows(const tagT_IPOINT2D& top, const tagT_IPOINT2D& middle, const tagT_IPOINT2D& bottom, int64_t first,
                      int64_t last, Visit&& visit) {
  const int64_t start = std::max<int64_t>(int64_t{top.y} + 1, first);
  const int64_t end = std::min<int64_t>(bottom.y, last);
  if (start > end) return;
  TriangleEdge longEdge(top.x, top.y, bottom.x, bottom.y);
  longEdge.skip(start - top.y - 1);
  const bool belowMiddle = start > middle.y;
  TriangleEdge shortEdge = belowMiddle ? TriangleEdge(middle.x, middle.y, bottom.x, bottom.y)
                                       : TriangleEdge(top.x, top.y, middle.x, middle.y);
  shortEdge.skip(start - (belowMiddle ? middle.y : top.y) - 1);
  for (int64_t y = start; y <= end; ++y) {
    if (y == int64_t{middle.y} + 1 && y != start) shortEdge = TriangleEdge(middle.x, middle.y, bottom.x, bottom.y);
    visit(y, longEdge.x(), shortEdge.x());
    longEdge.advance();
    shortEdge.advance();
  }
}

// A pixel value as the pixel slots take it: an index at 1-8 bpp (1 bpp:
// any non-zero value sets the bit), a colour above.
uint32_t valueToPixel(SurfaceState& state, DWORD value);

// Routines that switch on depth.
void xorSpan(SurfaceState& state, int x0, int x1, int y, uint32_t pixel);
void dashedSpan(SurfaceState& state, int x0, int x1, int y, uint32_t pixelA, uint32_t pixelB);
enum class VerticalKind { Set, Xor };
void verticalSpan(SurfaceState& state, VerticalKind kind, int x, int y0, int y1, uint32_t pixel);
void dashedVerticalSpan(SurfaceState& state, int x, int y0, int y1, uint32_t pixelA, uint32_t pixelB);
void xorLine(SurfaceState& state, const LineWalk& walk, uint32_t pixel);

}  // namespace Pictrel
