// Drawing against a depth buffer, and the textured quadrilateral.
//
// The depth buffer is a second surface of this surface's size at 32 bpp
// whose rows hold 32-bit floats; larger values are nearer. A pixel is
// written only where the figure is nearer than the stored value, which it
// then replaces. The textured quadrilateral maps this surface's picture
// onto four corners and hands every covered pixel's texel to a callback.
#include "SurfaceDrawing.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <utility>

namespace {

using Pictrel::SurfaceState;

float readDepth(const BYTE* row, int x) {
  float value = 0;
  std::memcpy(&value, row + 4 * static_cast<size_t>(x), sizeof value);
  return value;
}

void writeDepth(BYTE* row, int x, float value) { std::memcpy(row + 4 * static_cast<size_t>(x), &value, sizeof value); }

// Writes the pixel where `depth` is nearer than the buffer holds.
void depthTestedWrite(SurfaceState& state, BYTE* depthRow, int x, int y, float depth, uint32_t pixel) {
  if (!(depth > readDepth(depthRow, x))) return;
  writeDepth(depthRow, x, depth);
  platform::writePixel(state.rows[static_cast<size_t>(y)], x, state.bitsPerPixel(), pixel);
}

}  // namespace

HRESULT Pictrel::IDrawableDSImp::checkDepthSurface(IDrawableDS* depthSurface) {
  if (!depthSurface) return E_INVALIDARG;
  if (!state_.hasPixels()) return E_FAIL;
  // The buffer must cover this surface exactly, so no row or column read
  // or written through it lies outside either surface.
  if (depthSurface->GetBitsPerPixel() != 32 || depthSurface->GetWidth() != state_.width() ||
      depthSurface->GetHeight() != state_.height)
    return E_INVALIDARG;
  return S_OK;
}

HRESULT Pictrel::IDrawableDSImp::FillTriangleDepth(IDrawableDS* depthSurface, const tagT_IPOINT2D* points,
                                                   const float* depths, DWORD value) {
  if (!points || !depths) return E_INVALIDARG;
  const HRESULT usable = checkDepthSurface(depthSurface);
  if (usable != S_OK) return usable;
  struct Corner {
    tagT_IPOINT2D point;
    float depth;
  };
  Corner c0{points[0], depths[0]};
  Corner c1{points[1], depths[1]};
  Corner c2{points[2], depths[2]};
  if (c1.point.y < c0.point.y) std::swap(c0, c1);
  if (c2.point.y < c0.point.y) std::swap(c0, c2);
  if (c2.point.y < c1.point.y) std::swap(c1, c2);
  const uint32_t pixel = valueToPixel(state_, value);
  auto depthAlong = [](const Corner& a, const Corner& b, int64_t y) {
    if (b.point.y == a.point.y) return static_cast<double>(b.depth);
    const double t = static_cast<double>(y - a.point.y) / static_cast<double>(int64_t{b.point.y} - a.point.y);
    return a.depth + (static_cast<double>(b.depth) - a.depth) * t;
  };
  walkTriangleRows(c0.point, c1.point, c2.point, 0, state_.height - 1, [&](int64_t y, int64_t xLong, int64_t xShort) {
    const bool lowerHalf = y > c1.point.y;
    const double zLong = depthAlong(c0, c2, y);
    const double zShort = lowerHalf ? depthAlong(c1, c2, y) : depthAlong(c0, c1, y);
    BYTE* depthRow = depthSurface->GetScanLine(static_cast<int>(y));
    if (!depthRow) return;
    const bool longIsLeft = xLong <= xShort;
    const int64_t left = longIsLeft ? xLong : xShort;
    const int64_t right = longIsLeft ? xShort : xLong;
    const double zLeft = longIsLeft ? zLong : zShort;
    const double zRight = longIsLeft ? zShort : zLong;
    for (int64_t x = std::max<int64_t>(left, 0); x <= std::min<int64_t>(right, state_.width() - 1); ++x) {
      const double t = right == left ? 0.0 : static_cast<double>(x - left) / static_cast<double>(right - left);
      const auto z = static_cast<float>(zLeft + (zRight - zLeft) * t);
      depthTestedWrite(state_, depthRow, static_cast<int>(x), static_cast<int>(y), z, pixel);
    }
  });
  return S_OK;
}

HRESULT Pictrel::IDrawableDSImp::DepthTestedSquare(IDrawableDS* depthSurface, const tagT_IPOINT2D* point, int size,
                                                   int32_t depthBits, DWORD value) {
  if (!point) return E_INVALIDARG;
  const HRESULT usable = checkDepthSurface(depthSurface);
  if (usable != S_OK) return usable;
  depthSurface->GetImpData();
  const int64_t r = size / 4 + 1;
  const auto depth = std::bit_cast<float>(depthBits);
  const uint32_t pixel = valueToPixel(state_, value);
  for (int64_t y = int64_t{point->y} - r; y <= int64_t{point->y} + r; ++y) {
    if (y < 0 || y >= state_.height) continue;
    BYTE* depthRow = depthSurface->GetScanLine(static_cast<int>(y));
    if (!depthRow) continue;
    const int64_t first = std::max<int64_t>(0, int64_t{point->x} - r);
    const int64_t last = std::min<int64_t>(int64_t{point->x} + r, state_.width() - 1);
    for (int64_t x = first; x <= last; ++x)
      depthTestedWrite(state_, depthRow, static_cast<int>(x), static_cast<int>(y), depth, pixel);
  }
  return S_OK;
}

namespace {

// The texel at (u, v) as the callback gets it; false where the texture
// has none (outside it, or a 15/16-bpp texture).
bool fetchTexel(const SurfaceState& texture, int u, int v, COLORREF& color) {
  const int bpp = texture.bitsPerPixel();
  if (bpp == 16 || u < 0 || v < 0 || u >= texture.width() || v >= texture.height) return false;
  color = Pictrel::pixelToColor(texture, platform::readPixel(texture.rows[static_cast<size_t>(v)], u, bpp));
  if (bpp == 24) color &= 0x00FFFFFF;
  return true;
}

bool isInTexture(int64_t u, int64_t v, int64_t width, int64_t height) {
  return u >= 0 && v >= 0 && (u >> 16) < width && (v >> 16) < height;
}

}  // namespace

HRESULT Pictrel::IDrawableDSImp::DrawTexturedQuad(const TexturedQuadRecord* record) {
  if (!record || !record->callback) return E_INVALIDARG;
  if (state_.mode != SurfaceMode::OwnDib || !state_.hasPixels()) return E_FAIL;
  const TexturedQuadRecord& quad = *record;
  const bool truncating = (quad.flags & 1) != 0;
  // All four corners are tested for the early rejection.
  const int* xs = quad.x;
  if (std::all_of(xs, xs + 4, [&](int x) { return x > quad.clipMaxX; }) ||
      std::all_of(xs, xs + 4, [&](int x) { return x < quad.clipMinX; }))
    return S_FALSE;
  const double x0 = quad.x[0], y0 = quad.y[0];
  const double d = (quad.x[1] - x0) * (quad.y[3] - y0) - (quad.x[3] - x0) * (quad.y[1] - y0);
  if (d == 0) return S_FALSE;
  const double width = state_.width();
  const double height = state_.height;
  const double top = *std::min_element(quad.y, quad.y + 4);
  const double bottom = *std::max_element(quad.y, quad.y + 4);
  const double rounding = truncating ? 0.4999 : 0.5;
  const int64_t firstRow = std::max<int64_t>(quad.clipMinY, static_cast<int64_t>(std::floor(top + rounding)));
  const int64_t lastRow = std::min<int64_t>(quad.clipMaxY, static_cast<int64_t>(std::floor(bottom + rounding)));
  if (firstRow > lastRow) return S_FALSE;
  // The affine texel map: (u, v) = (a · width, b · height) where
  // (x, y) − corner 0 = a · (corner 1 − corner 0) + b · (corner 3 − corner 0).
  const double dudx = (quad.y[3] - y0) * width / d;
  const double dvdx = -(quad.y[1] - y0) * height / d;
  auto uAt = [&](double x, double y) {
    return ((x - x0) * (quad.y[3] - y0) - (y - y0) * (quad.x[3] - x0)) / d * width;
  };
  auto vAt = [&](double x, double y) {
    return ((y - y0) * (quad.x[1] - x0) - (x - x0) * (quad.y[1] - y0)) / d * height;
  };
  constexpr double kFixed = 65536.0;
  const auto stepU = static_cast<int64_t>(std::llround(dudx * kFixed));
  const auto stepV = static_cast<int64_t>(std::llround(dvdx * kFixed));
  const auto texWidth = static_cast<int64_t>(width);
  const auto texHeight = static_cast<int64_t>(height);
  for (int64_t row = firstRow; row <= lastRow; ++row) {
    // The quad's left and right edges on this row: the crossings of its
    // four sides (the edge pair changes at the corners' rows).
    double left = 0;
    double right = 0;
    bool crossed = false;
    for (int i = 0; i < 4; ++i) {
      const double ax = quad.x[i], ay = quad.y[i];
      const double bx = quad.x[(i + 1) % 4], by = quad.y[(i + 1) % 4];
      if (ay == by || row < std::min(ay, by) || row > std::max(ay, by)) continue;
      const double x = ax + (bx - ax) * (static_cast<double>(row) - ay) / (by - ay);
      left = crossed ? std::min(left, x) : x;
      right = crossed ? std::max(right, x) : x;
      crossed = true;
    }
    if (!crossed) continue;
    int64_t first = truncating ? static_cast<int64_t>(left) : static_cast<int64_t>(std::floor(left + 0.5));
    int64_t last = truncating ? static_cast<int64_t>(right) : static_cast<int64_t>(std::floor(right - 0.5));
    first = std::max<int64_t>(first, quad.clipMinX);
    last = std::min<int64_t>(last, quad.clipMaxX);
    if (first > last) continue;
    auto u = static_cast<int64_t>(std::llround(uAt(static_cast<double>(first), static_cast<double>(row)) * kFixed));
    auto v = static_cast<int64_t>(std::llround(vAt(static_cast<double>(first), static_cast<double>(row)) * kFixed));
    // Pull the ends in while they fall outside the texture.
    while (first <= last && !isInTexture(u, v, texWidth, texHeight)) {
      ++first;
      u += stepU;
      v += stepV;
    }
    while (last >= first && !isInTexture(u + (last - first) * stepU, v + (last - first) * stepV, texWidth, texHeight))
      --last;
    for (int64_t x = first; x <= last; ++x, u += stepU, v += stepV) {
      COLORREF color = 0;
      if (!fetchTexel(state_, static_cast<int>(u >> 16), static_cast<int>(v >> 16), color)) continue;
      quad.callback(quad.userData, static_cast<int>(x), static_cast<int>(row), color, color);
    }
  }
  return S_OK;
}
