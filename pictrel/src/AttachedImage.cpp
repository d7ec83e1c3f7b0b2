// Attaching a raster image: the surface draws straight into its pixels.
//
// The raster image's type information lives in the core library, which this
// library must not link. The sanitizer's check of dynamic types would need
// it for every call through IRasterImage, so the functions here leave that
// one check out; the images they call are the core library's own objects.
#include "DrawableSurface.h"
#include "SurfaceTables.h"

#include "interfaces/RasterImage.h"

#include "platform/MulDiv.h"

#include <algorithm>
#include <cstring>

__attribute__((no_sanitize("vptr"))) void Pictrel::releaseAttachedImage(void* image) {
  if (image) static_cast<IRasterImage*>(image)->Release();
}

namespace {}  // namespace

__attribute__((no_sanitize("vptr"))) HRESULT Pictrel::IDrawableDSImp::AttachImage(IRasterImage* image) {
  if (image) image->AddRef();
  Destroy();
  if (!image) return S_OK;
  uint32_t width = 0;
  uint32_t height = 0;
  uint32_t bpp = 0;
  uint32_t dpiX = 0;
  uint32_t dpiY = 0;
  const bool described = image->GetSize(&width, &height) == ZR_OK && image->GetBPP(&bpp) == ZR_OK &&
                         image->GetDPIX(&dpiX) == ZR_OK && image->GetDPIY(&dpiY) == ZR_OK;
  uint8_t* bits = described ? image->GetBits() : nullptr;
  const uint32_t rowBytes = platform::dibRowBytes(width, bpp == 15 ? 16 : static_cast<int>(bpp));
  // An image without pixels or with a size or depth the rows cannot have
  // is refused like one that cannot describe itself.
  if (!described || !bits || width == 0 || height == 0 || width > INT32_MAX || height > INT32_MAX ||
      !Pictrel::isSurfaceDepth(static_cast<int>(bpp)) || rowBytes == 0) {
    image->Release();
    return E_FAIL;
  }
  dpiX = std::max(dpiX, 50u);
  dpiY = std::max(dpiY, 50u);
  const WORD storedBpp = static_cast<WORD>(bpp == 15 ? 16 : bpp);

  auto info = std::make_unique<SurfaceBitmapInfo>();
  std::memset(info.get(), 0, sizeof *info);
  BITMAPINFOHEADER& header = info->header;
  header.biSize = sizeof(BITMAPINFOHEADER);
  header.biWidth = static_cast<LONG>(width);
  header.biHeight = static_cast<LONG>(height);
  header.biPlanes = 1;
  header.biBitCount = storedBpp;
  header.biXPelsPerMeter = MulDiv(static_cast<int>(dpiX), 10000, 254);
  header.biYPelsPerMeter = MulDiv(static_cast<int>(dpiY), 10000, 254);
  if (bpp <= 8) {
    for (uint32_t i = 0; i < (1u << bpp); ++i) image->GetPalette(i, &info->colors[i]);
  } else if (bpp != 24) {
    header.biCompression = BI_BITFIELDS;
    const uint32_t* masks = bpp == 15 ? Pictrel::kMasks15 : bpp == 16 ? Pictrel::kMasks16 : Pictrel::kMasks32;
    std::copy_n(masks, 3, info->masks());
  }

  DIBSECTION& dib = state_.dib;
  dib = {};
  dib.dsBm.bmWidth = static_cast<LONG>(width);
  dib.dsBm.bmHeight = static_cast<LONG>(height);
  dib.dsBm.bmWidthBytes = static_cast<LONG>(rowBytes);
  dib.dsBm.bmPlanes = 1;
  dib.dsBm.bmBitsPixel = storedBpp;
  dib.dsBm.bmBits = bits;
  dib.dsBmih = header;
  if (header.biCompression == BI_BITFIELDS) std::copy_n(info->masks(), 3, dib.dsBitfields);

  state_.mode = SurfaceMode::AttachedImage;
  state_.pixelOwner = image;
  state_.info = std::move(info);
  state_.bits = bits;
  state_.topDown = false;
  state_.height = static_cast<int32_t>(height);
  if (!finishPixelSourceOrDestroy()) return E_OUTOFMEMORY;
  return S_OK;
}

HRESULT Pictrel::IDrawableDSImp::DetachImage() {
  if (state_.mode != SurfaceMode::AttachedImage) return E_FAIL;
  Destroy();
  return S_OK;
}

bool Pictrel::IDrawableDSImp::IsImageAttached() { return state_.mode == SurfaceMode::AttachedImage; }

__attribute__((no_sanitize("vptr"))) IRasterImage* Pictrel::IDrawableDSImp::GetAttachedImage() {
  if (state_.mode != SurfaceMode::AttachedImage) return nullptr;
  auto* image = static_cast<IRasterImage*>(state_.pixelOwner);
  image->AddRef();
  return image;
}
