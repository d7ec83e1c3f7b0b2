// Blits of the surface into device contexts: its own pixels through the
// platform's blits from its memory DC, an attached image through the
// image's own Draw.
#include "SurfaceDrawing.h"

#include "interfaces/RasterImage.h"

#include "platform/GdiBlits.h"

#include <utility>

namespace {

using Pictrel::SurfaceState;

tagT_IRECT2D sourceOrWhole(const SurfaceState& state, const tagT_IRECT2D* source) {
  return source ? *source : tagT_IRECT2D{0, 0, state.width() - 1, state.height - 1};
}

int widthOf(const tagT_IRECT2D& rect) { return rect.right - rect.left + 1; }
int heightOf(const tagT_IRECT2D& rect) { return rect.bottom - rect.top + 1; }

// The attached image drawn from `source` onto `destination`, clipped to it.
__attribute__((no_sanitize("vptr"))) void drawAttachedImage(const SurfaceState& state, HDC dc,
                                                            const tagT_IRECT2D& source,
                                                            const tagT_IRECT2D& destination) {
  RasterDrawParms parms{};
  parms.size = sizeof parms;
  parms.hdc = dc;
  parms.source = {source.left, source.top, source.right, source.bottom};
  parms.destination = {destination.left, destination.top, destination.right, destination.bottom};
  parms.clip = parms.destination;
  static_cast<IRasterImage*>(state.pixelOwner)->Draw(&parms);
}

// A palette of the surface's colours selected and realised in the DCs for
// the life of a blit, then put back and deleted.
class RealizedPalette {
public:
  RealizedPalette(Pictrel::IDrawableDS* surface, HDC target, HDC memory, bool wanted) {
    if (!wanted || surface->GetBitsPerPixel() > 8 || surface->CreateHPALETTE(target, &palette_) != S_OK) return;
    for (HDC dc : {target, memory}) {
      if (!dc) continue;
      selections_[count_++] = {dc, SelectPalette(dc, palette_, FALSE)};
      RealizePalette(dc);
    }
  }
  ~RealizedPalette() {
    for (int i = 0; i < count_; ++i) SelectPalette(selections_[i].first, selections_[i].second, FALSE);
    if (palette_) DeleteObject(palette_);
  }
  RealizedPalette(const RealizedPalette&) = delete;
  RealizedPalette& operator=(const RealizedPalette&) = delete;

private:
  HPALETTE palette_ = nullptr;
  std::pair<HDC, HPALETTE> selections_[2];
  int count_ = 0;
};

}  // namespace

HRESULT Pictrel::IDrawableDSImp::BltTo(HDC dc, const tagT_IRECT2D* source, int x, int y, bool realizePalette) {
  if (!dc) return E_INVALIDARG;
  if (!state_.hasPixels()) return E_FAIL;
  const tagT_IRECT2D area = sourceOrWhole(state_, source);
  if (state_.mode == SurfaceMode::AttachedImage) {
    drawAttachedImage(state_, dc, area, {x, y, x + widthOf(area) - 1, y + heightOf(area) - 1});
    return S_OK;
  }
  RealizedPalette palette(this, dc, nullptr, realizePalette);
  BitBlt(dc, x, y, widthOf(area), heightOf(area), state_.memoryDC, area.left, area.top, SRCCOPY);
  GdiFlush();
  return S_OK;
}

HRESULT Pictrel::IDrawableDSImp::StretchTo(HDC dc, const tagT_IRECT2D* source, const tagT_IRECT2D* destination,
                                           bool realizePalette) {
  if (!dc) return E_INVALIDARG;
  if (!state_.hasPixels() || !destination) return E_FAIL;
  const tagT_IRECT2D area = sourceOrWhole(state_, source);
  if (state_.mode == SurfaceMode::AttachedImage) {
    drawAttachedImage(state_, dc, area, *destination);
    return S_OK;
  }
  RealizedPalette palette(this, dc, state_.memoryDC, realizePalette);
  const int width = widthOf(*destination);
  const int height = heightOf(*destination);
  if (width == widthOf(area) && height == heightOf(area)) {
    BitBlt(dc, destination->left, destination->top, width, height, state_.memoryDC, area.left, area.top, SRCCOPY);
  } else {
    // A display takes the nearest pixels; a printer the averages.
    if (GetDeviceCaps(dc, TECHNOLOGY) == DT_RASDISPLAY) {
      SetStretchBltMode(dc, COLORONCOLOR);
    } else {
      SetStretchBltMode(dc, HALFTONE);
      SetBrushOrgEx(dc, 0, 0, nullptr);
    }
    StretchBlt(dc, destination->left, destination->top, width, height, state_.memoryDC, area.left, area.top,
               widthOf(area), heightOf(area), SRCCOPY);
  }
  GdiFlush();
  return S_OK;
}

HRESULT Pictrel::IDrawableDSImp::AlphaBlendTo(HDC dc, const tagT_IRECT2D* source, int x, int y, int* width,
                                              int* height) {
  if (!state_.memoryDC) return E_FAIL;
  const tagT_IRECT2D area = sourceOrWhole(state_, source);
  AlphaBlend(dc, x, y, width ? *width : widthOf(area), height ? *height : heightOf(area), state_.memoryDC, area.left,
             area.top, widthOf(area), heightOf(area), BLENDFUNCTION{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA});
  return S_OK;
}

HRESULT Pictrel::IDrawableDSImp::AlphaBlendToEx(HDC dc, const tagT_IRECT2D* source, int x, int y,
                                                const BLENDFUNCTION* blend) {
  if (!blend) return E_INVALIDARG;
  if (!state_.memoryDC) return E_FAIL;
  const tagT_IRECT2D area = sourceOrWhole(state_, source);
  AlphaBlend(dc, x, y, widthOf(area), heightOf(area), state_.memoryDC, area.left, area.top, widthOf(area),
             heightOf(area), *blend);
  return S_OK;
}
