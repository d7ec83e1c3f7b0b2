// Single pixels, the palette with its nearest-colour cache, Clear, and the
// segment clipper's slot.
//
// Every slot that touches a pixel tests it against the drawable clip (the
// clip rectangle cut to the surface), so a clip rectangle larger than the
// surface never lets a write out of the pixel memory.
#include "SurfaceDrawing.h"

#include <algorithm>
#include <cassert>
#include <cstring>

uint32_t Pictrel::valueToPixel(SurfaceState& state, DWORD value) {
  switch (state.bitsPerPixel()) {
    case 1: return value != 0 ? 1u : 0u;
    case 4: return value & 0x0Fu;
    case 8: return value & 0xFFu;
    default: return colorToPixel(state, value);
  }
}

namespace {

using Pictrel::SurfaceState;

// The state of a pixel slot at (x, y): E_FAIL without pixels, S_FALSE
// outside the drawable clip, S_OK when the pixel may be touched.
HRESULT pixelAccess(const SurfaceState& state, int x, int y) {
  if (!state.hasPixels()) return E_FAIL;
  return Pictrel::isInside(Pictrel::drawableClip(state), x, y) ? S_OK : S_FALSE;
}

uint32_t readAt(const SurfaceState& state, int x, int y) {
  return platform::readPixel(state.rows[static_cast<size_t>(y)], x, state.bitsPerPixel());
}

void writeAt(SurfaceState& state, int x, int y, uint32_t pixel) {
  platform::writePixel(state.rows[static_cast<size_t>(y)], x, state.bitsPerPixel(), pixel);
}

bool hasPalette(const SurfaceState& state) { return state.hasPixels() && state.bitsPerPixel() <= 8; }

uint32_t squaredDistance(COLORREF color, const RGBQUAD& entry) {
  const int red = GetRValue(color) - entry.rgbRed;
  const int green = GetGValue(color) - entry.rgbGreen;
  const int blue = GetBValue(color) - entry.rgbBlue;
  return static_cast<uint32_t>(red * red + green * green + blue * blue);
}

}  // namespace

int Pictrel::nearestPaletteIndex(SurfaceState& state, COLORREF color) {
  if (!hasPalette(state)) return -1;
  NearestColorCache& cache = state.nearestCache;
  for (uint32_t i = 0; i < cache.count; ++i) {
    if (cache.colors[i] == color) return static_cast<int>(cache.indexes[i]);
  }
  const int entries = 1 << state.bitsPerPixel();
  int nearest = 0;
  uint32_t nearestDistance = UINT32_MAX;
  for (int i = 0; i < entries; ++i) {
    const uint32_t distance = squaredDistance(color, state.info->colors[i]);
    if (distance >= nearestDistance) continue;
    nearest = i;
    nearestDistance = distance;
    if (distance == 0) break;
  }
  if (cache.count < 4) ++cache.count;
  std::copy_backward(cache.colors, cache.colors + 3, cache.colors + 4);
  std::copy_backward(cache.indexes, cache.indexes + 3, cache.indexes + 4);
  cache.colors[0] = color;
  cache.indexes[0] = static_cast<uint32_t>(nearest);
  return nearest;
}

int Pictrel::IDrawableDSImp::NearestPaletteIndex(COLORREF color) { return nearestPaletteIndex(state_, color); }

RGBQUAD* Pictrel::IDrawableDSImp::GetPalette() { return hasPalette(state_) ? state_.info->colors : nullptr; }

HRESULT Pictrel::IDrawableDSImp::SetPalette(const RGBQUAD* entries) {
  if (!entries) return E_INVALIDARG;
  if (!hasPalette(state_)) return E_FAIL;
  // Only the library's own table changes: the DIB section keeps the colours
  // it was made with, so blits of the surface still show those.
  std::copy_n(entries, 1 << state_.bitsPerPixel(), state_.info->colors);
  state_.nearestCache = {};
  return S_OK;
}

HRESULT Pictrel::IDrawableDSImp::CreateHPALETTE(HDC dc, HPALETTE* out) {
  if (!out) return E_INVALIDARG;
  *out = nullptr;
  if (!dc) return E_INVALIDARG;
  if (!hasPalette(state_)) return E_FAIL;
  *out = paletteOfColors(state_.info->colors, 1u << state_.bitsPerPixel());
  return *out ? S_OK : E_FAIL;
}

HPALETTE Pictrel::paletteOfColors(const RGBQUAD* colors, UINT count) {
  assert(count <= 256);
  struct {
    LOGPALETTE head;
    PALETTEENTRY more[255];
  } logical{};
  logical.head.palVersion = 0x300;
  logical.head.palNumEntries = static_cast<WORD>(count);
  PALETTEENTRY* target = logical.head.palPalEntry;
  for (UINT i = 0; i < count; ++i) target[i] = {colors[i].rgbRed, colors[i].rgbGreen, colors[i].rgbBlue, PC_NOCOLLAPSE};
  return CreatePalette(&logical.head);
}

HRESULT Pictrel::IDrawableDSImp::GetPixel(int x, int y, COLORREF* out) {
  if (!out) return E_INVALIDARG;
  *out = 0x000000FF;
  const HRESULT access = pixelAccess(state_, x, y);
  if (access != S_OK) return access;
  *out = pixelToColor(state_, readAt(state_, x, y));
  return S_OK;
}

HRESULT Pictrel::IDrawableDSImp::SetPixel(int x, int y, DWORD value) {
  const HRESULT access = pixelAccess(state_, x, y);
  if (access != S_OK) return access;
  writeAt(state_, x, y, Pictrel::valueToPixel(state_, value));
  return S_OK;
}

HRESULT Pictrel::IDrawableDSImp::XorPixel(int x, int y, DWORD value) {
  const HRESULT access = pixelAccess(state_, x, y);
  if (access != S_OK) return access;
  const uint32_t mask = xorablePixel(state_, Pictrel::valueToPixel(state_, value));
  writeAt(state_, x, y, readAt(state_, x, y) ^ mask);
  return S_OK;
}

HRESULT Pictrel::IDrawableDSImp::GetPixelIndex(int x, int y, int* out) {
  if (!out) return E_INVALIDARG;
  *out = 0;
  if (state_.bitsPerPixel() > 8) return E_FAIL;
  const HRESULT access = pixelAccess(state_, x, y);
  if (access != S_OK) return access;
  *out = static_cast<int>(readAt(state_, x, y));
  return S_OK;
}

HRESULT Pictrel::IDrawableDSImp::SetPixelIndex(int x, int y, int index) {
  if (state_.bitsPerPixel() > 8) return E_FAIL;
  return SetPixel(x, y, static_cast<DWORD>(index));
}

HRESULT Pictrel::IDrawableDSImp::XorPixelIndex(int x, int y, int index) {
  if (state_.bitsPerPixel() > 8) return E_FAIL;
  if (index == 0) return S_OK;
  return XorPixel(x, y, static_cast<DWORD>(index));
}

HRESULT Pictrel::IDrawableDSImp::Clear(COLORREF color) {
  if (!state_.hasPixels()) return E_FAIL;
  const tagT_IRECT2D area = drawableClip(state_);
  if (area.left > area.right || area.top > area.bottom) return S_OK;
  const uint32_t pixel = colorToPixel(state_, color);
  const bool isWholeSurface =
      area.left == 0 && area.top == 0 && area.right == state_.width() - 1 && area.bottom == state_.height - 1;
  if (!isWholeSurface) {
    for (int y = area.top; y <= area.bottom; ++y) state_.spanRoutine(state_, area.left, area.right, y, pixel);
    return S_OK;
  }
  // The whole surface: one row drawn, then copied byte for byte.
  state_.spanRoutine(state_, 0, area.right, 0, pixel);
  const auto rowBytes = static_cast<size_t>(state_.dib.dsBm.bmWidthBytes);
  for (int y = 1; y < state_.height; ++y) std::memcpy(state_.rows[static_cast<size_t>(y)], state_.rows[0], rowBytes);
  return S_OK;
}

HRESULT Pictrel::IDrawableDSImp::ClipLine(int* x0, int* y0, int* x1, int* y1) {
  if (!x0 || !y0 || !x1 || !y1) return E_INVALIDARG;
  LineClipRecord& record = state_.lineClip;
  record.x0 = *x0;
  record.y0 = *y0;
  record.x1 = *x1;
  record.y1 = *y1;
  if (!clipSegment(record, record.clip)) return S_FALSE;
  *x0 = record.x0;
  *y0 = record.y0;
  *x1 = record.x1;
  *y1 = record.y1;
  return S_OK;
}
