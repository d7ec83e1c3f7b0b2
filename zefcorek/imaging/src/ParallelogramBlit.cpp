// The parallelogram blit: an affine map of a source rectangle of a bitmap
// into a device context, nearest source pixel per destination pixel.
//
// The pixels inside the parallelogram are gathered into a premultiplied
// 32-bpp picture of its bounding box, opaque inside and clear outside, and
// alpha-blended into the DC: so the DC's clip, depth and palette are
// honoured exactly as by any other blit, and pixels outside stay untouched.
#include "ImageLibrary.h"

#include "platform/Gdi.h"
#include "platform/GdiBlits.h"

#include "FreeImageApi.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <memory>
#include <new>

namespace {

struct BitmapDeleter {
  void operator()(FIBITMAP* bitmap) const { FreeImage_Unload(bitmap); }
};
using BitmapHolder = std::unique_ptr<FIBITMAP, BitmapDeleter>;

// The size of the bitmap selected into `dc`; false when it has none.
bool targetSize(HDC dc, int& width, int& height) {
  HGDIOBJ selected = GetCurrentObject(dc, OBJ_BITMAP);
  BITMAP described{};
  if (!selected || GetObjectW(selected, sizeof described, &described) == 0) return false;
  width = described.bmWidth;
  height = std::abs(described.bmHeight);
  return width > 0 && height > 0;
}

// Writes the gathered picture into the DC over the box at (left, top).
void blendInto(HDC dc, int left, int top, int width, int height, const uint32_t* pixels) {
  BITMAPINFOHEADER header{sizeof header, width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  void* bits = nullptr;
  HBITMAP picture =
      CreateDIBSection(nullptr, reinterpret_cast<BITMAPINFO*>(&header), DIB_RGB_COLORS, &bits, nullptr, 0);
  if (!picture) return;
  std::copy_n(pixels, static_cast<size_t>(width) * static_cast<size_t>(height), static_cast<uint32_t*>(bits));
  HDC memory = CreateCompatibleDC(dc);
  if (memory) {
    HGDIOBJ previous = SelectObject(memory, picture);
    AlphaBlend(dc, left, top, width, height, memory, 0, 0, width, height,
               BLENDFUNCTION{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA});
    SelectObject(memory, previous);
    DeleteDC(memory);
  }
  DeleteObject(picture);
}

}  // namespace

int zefcorek::imagelib::PlgBlt(FIBITMAP* bitmap, const PlgBltParms* parms) {
  if (!bitmap || !parms) return 0;
  const auto handle = static_cast<uintptr_t>(static_cast<uint32_t>(parms->e)) |
                      (static_cast<uintptr_t>(static_cast<uint32_t>(parms->f)) << 32);
  HDC dc = reinterpret_cast<HDC>(handle);
  int targetWidth = 0;
  int targetHeight = 0;
  if (GetDeviceCaps(dc, TECHNOLOGY) == 0 || !targetSize(dc, targetWidth, targetHeight)) return 0;

  const int64_t left = parms->a;
  const int64_t top = parms->b;
  const int64_t width = parms->c;
  const int64_t height = parms->d;
  if (width <= 0 || height <= 0 || left < 0 || top < 0 || left + width > FreeImage_GetWidth(bitmap) ||
      top + height > FreeImage_GetHeight(bitmap))
    return 0;

  // Destination offset per source pixel along the rows (e1) and down the
  // columns (e2).
  const double x0 = parms->x[0];
  const double y0 = parms->y[0];
  const double e1x = (parms->x[1] - x0) / static_cast<double>(width);
  const double e1y = (parms->y[1] - y0) / static_cast<double>(width);
  const double e2x = (parms->x[3] - x0) / static_cast<double>(height);
  const double e2y = (parms->y[3] - y0) / static_cast<double>(height);
  const double determinant = e1x * e2y - e1y * e2x;
  if (determinant == 0 || !std::isfinite(determinant)) return 0;

  // The parallelogram's bounding box, cut to the DC's bitmap.
  const double xs[4] = {x0, x0 + e1x * width, x0 + e2x * height, x0 + e1x * width + e2x * height};
  const double ys[4] = {y0, y0 + e1y * width, y0 + e2y * height, y0 + e1y * width + e2y * height};
  const auto [minX, maxX] = std::minmax_element(xs, xs + 4);
  const auto [minY, maxY] = std::minmax_element(ys, ys + 4);
  const int boxLeft = static_cast<int>(std::clamp(std::floor(*minX), 0.0, static_cast<double>(targetWidth)));
  const int boxTop = static_cast<int>(std::clamp(std::floor(*minY), 0.0, static_cast<double>(targetHeight)));
  const int boxRight = static_cast<int>(std::clamp(std::ceil(*maxX), 0.0, static_cast<double>(targetWidth)));
  const int boxBottom = static_cast<int>(std::clamp(std::ceil(*maxY), 0.0, static_cast<double>(targetHeight)));
  if (boxRight <= boxLeft || boxBottom <= boxTop) return 1;  // all of it off the bitmap

  // The source rectangle at 32 bits, rows from the bottom as the library keeps them.
  BitmapHolder part(FreeImage_Copy(bitmap, static_cast<int>(left), static_cast<int>(top),
                                   static_cast<int>(left + width), static_cast<int>(top + height)));
  BitmapHolder source(part ? FreeImage_ConvertTo32Bits(part.get()) : nullptr);
  if (!source) return 0;

  const int boxWidth = boxRight - boxLeft;
  const int boxHeight = boxBottom - boxTop;
  std::unique_ptr<uint32_t[]> gathered(new (std::nothrow) uint32_t[static_cast<size_t>(boxWidth) * boxHeight]());
  if (!gathered) return 0;
  for (int y = 0; y < boxHeight; ++y) {
    const double qy = boxTop + y + 0.5 - y0;
    uint32_t* out = gathered.get() + static_cast<size_t>(y) * boxWidth;
    for (int x = 0; x < boxWidth; ++x) {
      const double qx = boxLeft + x + 0.5 - x0;
      const double u = (qx * e2y - qy * e2x) / determinant;
      const double v = (e1x * qy - e1y * qx) / determinant;
      if (!(u >= 0 && u < width && v >= 0 && v < height)) continue;
      const auto column = static_cast<unsigned>(u);
      const auto row = static_cast<unsigned>(v);
      const BYTE* pixel = FreeImage_GetScanLine(source.get(), static_cast<int>(height - 1 - row)) + 4 * column;
      out[x] = 0xFF000000u | static_cast<uint32_t>(pixel[FI_RGBA_RED]) << 16 |
               static_cast<uint32_t>(pixel[FI_RGBA_GREEN]) << 8 | pixel[FI_RGBA_BLUE];
    }
  }
  blendInto(dc, boxLeft, boxTop, boxWidth, boxHeight, gathered.get());
  return 1;
}
