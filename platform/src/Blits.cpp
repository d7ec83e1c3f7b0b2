// Blits: copies, stretches and alpha blends between DIB sections, and from
// packed DIB bits, through the pixel format descriptions.
#include "platform/GdiBlits.h"

#include "GdiObjects.h"

#include "platform/PixelFormat.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <utility>
#include <vector>

namespace gdi = platform::gdi;

namespace {

std::atomic<unsigned> bitBltCalls{0};
std::atomic<unsigned> stretchBltCalls{0};
std::atomic<unsigned> stretchDIBitsCalls{0};
std::atomic<unsigned> setDIBitsToDeviceCalls{0};

// What a blit writes into: the bitmap of a DC, the part of it that may
// change (right and bottom exclusive) and the colours of a palette bitmap.
struct Target {
  gdi::BitmapObject* bitmap = nullptr;
  RECT area{0, 0, 0, 0};
  std::vector<RGBQUAD> palette;  // indexed targets only
};

bool targetOf(HDC dc, Target& target) {
  auto* context = gdi::lookupDC(dc);
  auto* bitmap = context ? gdi::lookupBitmap(context->bitmap) : nullptr;
  if (!bitmap || bitmap->isStock) return false;
  target.bitmap = bitmap;
  target.area = {0, 0, bitmap->width(), bitmap->height()};
  if (context->clip) {
    const RECT& clip = context->clip->box;
    target.area = {std::max(target.area.left, clip.left), std::max(target.area.top, clip.top),
                   std::min(target.area.right, clip.right), std::min(target.area.bottom, clip.bottom)};
  }
  if (bitmap->bitsPerPixel() > 8) return true;
  // The palette realised in the DC maps colours, else the bitmap's table.
  auto* realized = context->realizedPalette ? gdi::lookupPalette(context->realizedPalette) : nullptr;
  if (!realized) {
    target.palette = bitmap->colors;
    return true;
  }
  for (const PALETTEENTRY& entry : realized->entries)
    target.palette.push_back({entry.peBlue, entry.peGreen, entry.peRed, 0});
  return true;
}

gdi::BitmapObject* sourceOf(HDC dc) {
  auto* context = gdi::lookupDC(dc);
  auto* bitmap = context ? gdi::lookupBitmap(context->bitmap) : nullptr;
  return bitmap && !bitmap->isStock ? bitmap : nullptr;
}

COLORREF colorAt(const gdi::BitmapObject& bitmap, const platform::PixelFormat& format, int x, int y) {
  const uint32_t pixel = platform::readPixel(bitmap.row(y), x, bitmap.bitsPerPixel());
  if (!format.isIndexed()) return format.toColor(pixel);
  const RGBQUAD& entry = bitmap.colors[pixel & 0xFF];
  return RGB(entry.rgbRed, entry.rgbGreen, entry.rgbBlue);
}

uint32_t nearestIndex(const std::vector<RGBQUAD>& palette, COLORREF color) {
  uint32_t best = 0;
  uint32_t bestDistance = UINT32_MAX;
  for (size_t i = 0; i < palette.size(); ++i) {
    const int r = GetRValue(color) - palette[i].rgbRed;
    const int g = GetGValue(color) - palette[i].rgbGreen;
    const int b = GetBValue(color) - palette[i].rgbBlue;
    const auto distance = static_cast<uint32_t>(r * r + g * g + b * b);
    if (distance < bestDistance) {
      best = static_cast<uint32_t>(i);
      bestDistance = distance;
      if (distance == 0) break;
    }
  }
  return best;
}

void putColor(Target& target, const platform::PixelFormat& format, int x, int y, COLORREF color) {
  const uint32_t pixel = format.isIndexed() ? nearestIndex(target.palette, color) : format.fromColor(color);
  platform::writePixel(target.bitmap->row(y), x, target.bitmap->bitsPerPixel(), pixel);
}

bool sameFormat(const gdi::BitmapObject& a, const gdi::BitmapObject& b) {
  if (a.bitsPerPixel() != b.bitsPerPixel() || a.bitsPerPixel() <= 8) return false;
  const auto fa = a.format();
  const auto fb = b.format();
  return fa.red.mask == fb.red.mask && fa.green.mask == fb.green.mask && fa.blue.mask == fb.blue.mask;
}

bool hasUsualChannels(const gdi::BitmapObject& bitmap) {
  if (bitmap.bitsPerPixel() != 32) return false;
  const auto format = bitmap.format();
  return format.red.mask == 0x00FF0000 && format.green.mask == 0x0000FF00 && format.blue.mask == 0x000000FF;
}

// The source pixel a destination pixel maps to along one axis, or the box
// [first, last] it covers, for a stretch from `sourceSize` onto `size`.
struct AxisMap {
  int64_t origin;
  int64_t sourceOrigin;
  int64_t size;
  int64_t sourceSize;
  int64_t nearest(int64_t d) const { return sourceOrigin + ((d - origin) * sourceSize) / size; }
  int64_t boxFirst(int64_t d) const { return nearest(d); }
  int64_t boxLast(int64_t d) const {
    const int64_t end = sourceOrigin + ((d - origin + 1) * sourceSize + size - 1) / size - 1;
    return std::max(end, boxFirst(d));
  }
};

// The common walk of every blit: for each destination pixel inside the
// target area and the destination box whose source pixel(s) lie inside the
// source, `put(x, y, sx0, sy0, sx1, sy1)` with the source box.
template <typename Put>
int blitWalk(const Target& target, const gdi::BitmapObject& source, int x, int y, int width, int height, int sourceX,
             int sourceY, int sourceWidth, int sourceHeight, Put&& put) {
  if (width <= 0 || height <= 0 || sourceWidth <= 0 || sourceHeight <= 0) return 0;
  const AxisMap mapX{x, sourceX, width, sourceWidth};
  const AxisMap mapY{y, sourceY, height, sourceHeight};
  const int64_t top = std::max<int64_t>(y, target.area.top);
  const int64_t bottom = std::min<int64_t>(int64_t{y} + height, target.area.bottom);
  const int64_t left = std::max<int64_t>(x, target.area.left);
  const int64_t right = std::min<int64_t>(int64_t{x} + width, target.area.right);
  int lines = 0;
  for (int64_t dy = top; dy < bottom; ++dy) {
    const int64_t sy0 = mapY.boxFirst(dy);
    const int64_t sy1 = std::min<int64_t>(mapY.boxLast(dy), source.height() - 1);
    if (sy0 < 0 || sy0 >= source.height()) continue;
    ++lines;
    for (int64_t dx = left; dx < right; ++dx) {
      const int64_t sx0 = mapX.boxFirst(dx);
      const int64_t sx1 = std::min<int64_t>(mapX.boxLast(dx), source.width() - 1);
      if (sx0 < 0 || sx0 >= source.width()) continue;
      put(static_cast<int>(dx), static_cast<int>(dy), static_cast<int>(sx0), static_cast<int>(sy0),
          static_cast<int>(sx1), static_cast<int>(sy1));
    }
  }
  return lines;
}

// The walk of an unscaled copy: the destination rows inside the destination
// box, the target area and the source picture, each handed whole to
// `copyRow(to, from, left, sourceLeft, count)` with the rows' pixel spans.
template <typename CopyRow>
int unscaledRows(const Target& target, const gdi::BitmapObject& source, int x, int y, int width, int height,
                 int sourceX, int sourceY, CopyRow&& copyRow) {
  const int64_t left = std::max<int64_t>({x, target.area.left, int64_t{x} - sourceX});
  const int64_t right =
      std::min<int64_t>({int64_t{x} + width, target.area.right, int64_t{x} - sourceX + source.width()});
  const int64_t top = std::max<int64_t>({y, target.area.top, int64_t{y} - sourceY});
  const int64_t bottom =
      std::min<int64_t>({int64_t{y} + height, target.area.bottom, int64_t{y} - sourceY + source.height()});
  if (left >= right || top >= bottom) return 0;
  for (int64_t dy = top; dy < bottom; ++dy)
    copyRow(target.bitmap->row(static_cast<int>(dy)), source.row(static_cast<int>(dy - y + sourceY)), left,
            left - x + sourceX, right - left);
  return static_cast<int>(bottom - top);
}

// An unscaled copy between equal formats: whole row spans at once.
int copyRows(const Target& target, const gdi::BitmapObject& source, int x, int y, int width, int height, int sourceX,
             int sourceY) {
  const size_t bytes = static_cast<size_t>(source.bitsPerPixel() / 8);
  return unscaledRows(target, source, x, y, width, height, sourceX, sourceY,
                      [bytes](BYTE* to, const BYTE* from, int64_t left, int64_t sourceLeft, int64_t count) {
                        std::memmove(to + bytes * static_cast<size_t>(left),
                                     from + bytes * static_cast<size_t>(sourceLeft),
                                     bytes * static_cast<size_t>(count));
                      });
}

// An unscaled copy from 24-bit pixels into 32-bit ones with the usual
// channels: whole row spans, as copyRows.
int widenRows(const Target& target, const gdi::BitmapObject& source, int x, int y, int width, int height, int sourceX,
              int sourceY) {
  return unscaledRows(target, source, x, y, width, height, sourceX, sourceY,
                      [](BYTE* to, const BYTE* from, int64_t left, int64_t sourceLeft, int64_t count) {
                        const BYTE* s = from + 3 * sourceLeft;
                        BYTE* d = to + 4 * left;
                        for (int64_t i = 0; i < count; ++i, s += 3, d += 4) {
                          d[0] = s[0];
                          d[1] = s[1];
                          d[2] = s[2];
                          d[3] = 0;
                        }
                      });
}

int stretch(HDC destination, int x, int y, int width, int height, const gdi::BitmapObject& source, int sourceX,
            int sourceY, int sourceWidth, int sourceHeight, bool halftone) {
  Target target;
  if (!targetOf(destination, target)) return 0;
  const platform::PixelFormat sourceFormat = source.format();
  const platform::PixelFormat targetFormat = target.bitmap->format();
  const bool rawCopy = !halftone && sameFormat(source, *target.bitmap);
  const int bpp = source.bitsPerPixel();
  if (rawCopy && width == sourceWidth && height == sourceHeight)
    return copyRows(target, source, x, y, width, height, sourceX, sourceY);
  if (!halftone && bpp == 24 && hasUsualChannels(*target.bitmap)) {
    // The common picture-to-screen case, without the colour round trip:
    // 24-bit blue, green, red into the low bytes of 32-bit pixels.
    if (width == sourceWidth && height == sourceHeight)
      return widenRows(target, source, x, y, width, height, sourceX, sourceY);
    return blitWalk(target, source, x, y, width, height, sourceX, sourceY, sourceWidth, sourceHeight,
                    [&](int dx, int dy, int sx0, int sy0, int, int) {
                      const BYTE* s = source.row(sy0) + 3 * static_cast<size_t>(sx0);
                      const uint32_t pixel = s[0] | uint32_t{s[1]} << 8 | uint32_t{s[2]} << 16;
                      std::memcpy(target.bitmap->row(dy) + 4 * static_cast<size_t>(dx), &pixel, 4);
                    });
  }
  return blitWalk(
      target, source, x, y, width, height, sourceX, sourceY, sourceWidth, sourceHeight,
      [&](int dx, int dy, int sx0, int sy0, int sx1, int sy1) {
        if (rawCopy) {
          platform::writePixel(target.bitmap->row(dy), dx, bpp, platform::readPixel(source.row(sy0), sx0, bpp));
          return;
        }
        if (!halftone || (sx0 == sx1 && sy0 == sy1)) {
          putColor(target, targetFormat, dx, dy, colorAt(source, sourceFormat, sx0, sy0));
          return;
        }
        uint32_t sums[3] = {0, 0, 0};
        uint32_t count = 0;
        for (int sy = sy0; sy <= sy1; ++sy)
          for (int sx = sx0; sx <= sx1; ++sx, ++count) {
            const COLORREF c = colorAt(source, sourceFormat, sx, sy);
            sums[0] += GetRValue(c);
            sums[1] += GetGValue(c);
            sums[2] += GetBValue(c);
          }
        putColor(target, targetFormat, dx, dy,
                 RGB(static_cast<BYTE>((sums[0] + count / 2) / count), static_cast<BYTE>((sums[1] + count / 2) / count),
                     static_cast<BYTE>((sums[2] + count / 2) / count)));
      });
}

// A source rectangle of packed bits, its y measured from the bottom row of
// a bottom-up DIB, as picture rows from the top.
int pictureTop(const gdi::BitmapObject& bitmap, int sourceY, int sourceHeight) {
  return bitmap.isTopDown() ? sourceY : bitmap.height() - sourceY - sourceHeight;
}

}  // namespace

BOOL BitBlt(HDC destination, int x, int y, int width, int height, HDC source, int sourceX, int sourceY, DWORD rop) {
  ++bitBltCalls;
  const gdi::BitmapObject* from = sourceOf(source);
  if (!from || rop != SRCCOPY) return FALSE;
  Target probe;
  if (!targetOf(destination, probe)) return FALSE;
  stretch(destination, x, y, width, height, *from, sourceX, sourceY, width, height, false);
  return TRUE;
}

BOOL StretchBlt(HDC destination, int x, int y, int width, int height, HDC source, int sourceX, int sourceY,
                int sourceWidth, int sourceHeight, DWORD rop) {
  ++stretchBltCalls;
  auto* context = gdi::lookupDC(destination);
  const gdi::BitmapObject* from = sourceOf(source);
  if (!context || !from || rop != SRCCOPY || width <= 0 || height <= 0 || sourceWidth <= 0 || sourceHeight <= 0)
    return FALSE;
  Target probe;
  if (!targetOf(destination, probe)) return FALSE;
  stretch(destination, x, y, width, height, *from, sourceX, sourceY, sourceWidth, sourceHeight,
          context->stretchMode == HALFTONE);
  return TRUE;
}

int StretchDIBits(HDC destination, int x, int y, int width, int height, int sourceX, int sourceY, int sourceWidth,
                  int sourceHeight, const void* bits, const BITMAPINFO* info, UINT usage, DWORD rop) {
  ++stretchDIBitsCalls;
  auto* context = gdi::lookupDC(destination);
  if (!context || usage != DIB_RGB_COLORS || rop != SRCCOPY) return 0;
  const auto view = gdi::viewOfPackedDib(info, bits);
  if (!view) return 0;
  return stretch(destination, x, y, width, height, *view, sourceX, pictureTop(*view, sourceY, sourceHeight),
                 sourceWidth, sourceHeight, context->stretchMode == HALFTONE);
}

int SetDIBitsToDevice(HDC destination, int x, int y, DWORD width, DWORD height, int sourceX, int sourceY,
                      UINT startScan, UINT, const void* bits, const BITMAPINFO* info, UINT usage) {
  ++setDIBitsToDeviceCalls;
  if (usage != DIB_RGB_COLORS || startScan != 0 || width > INT32_MAX || height > INT32_MAX) return 0;
  const auto view = gdi::viewOfPackedDib(info, bits);
  if (!view) return 0;
  const int w = static_cast<int>(width);
  const int h = static_cast<int>(height);
  return stretch(destination, x, y, w, h, *view, sourceX, pictureTop(*view, sourceY, h), w, h, false);
}

namespace {

// Unscaled blends between 32-bpp pictures with blue, green, red in the low
// bytes: the same arithmetic as the general walk, a row at a time.
void blendRows(const Target& target, const gdi::BitmapObject& source, int x, int y, int width, int height, int sourceX,
               int sourceY, bool perPixel, uint32_t constant) {
  const int64_t left = std::max<int64_t>({x, target.area.left, int64_t{x} - sourceX});
  const int64_t right =
      std::min<int64_t>({int64_t{x} + width, target.area.right, int64_t{x} - sourceX + source.width()});
  const int64_t top = std::max<int64_t>({y, target.area.top, int64_t{y} - sourceY});
  const int64_t bottom =
      std::min<int64_t>({int64_t{y} + height, target.area.bottom, int64_t{y} - sourceY + source.height()});
  for (int64_t dy = top; dy < bottom; ++dy) {
    BYTE* d = target.bitmap->row(static_cast<int>(dy)) + 4 * left;
    const BYTE* s = source.row(static_cast<int>(dy - y + sourceY)) + 4 * (left - x + sourceX);
    for (int64_t dx = left; dx < right; ++dx, d += 4, s += 4) {
      const uint32_t sourceAlpha = perPixel ? s[3] : 255;
      const uint32_t keep = 255 * 255 - sourceAlpha * constant;
      for (int c = 0; c < 3; ++c)
        d[c] = static_cast<BYTE>(
            std::min<uint32_t>(255, (s[c] * constant * 255 + d[c] * keep + 255 * 255 / 2) / (255 * 255)));
    }
  }
}

}  // namespace

BOOL AlphaBlend(HDC destination, int x, int y, int width, int height, HDC source, int sourceX, int sourceY,
                int sourceWidth, int sourceHeight, BLENDFUNCTION blend) {
  const gdi::BitmapObject* from = sourceOf(source);
  Target target;
  if (!from || !targetOf(destination, target) || blend.BlendOp != AC_SRC_OVER) return FALSE;
  const bool perPixel = (blend.AlphaFormat & AC_SRC_ALPHA) != 0;
  if (perPixel && from->bitsPerPixel() != 32) return FALSE;
  const platform::PixelFormat sourceFormat = from->format();
  const platform::PixelFormat targetFormat = target.bitmap->format();
  const uint32_t constant = blend.SourceConstantAlpha;
  if (width == sourceWidth && height == sourceHeight && width > 0 && height > 0 && hasUsualChannels(*from) &&
      hasUsualChannels(*target.bitmap)) {
    blendRows(target, *from, x, y, width, height, sourceX, sourceY, perPixel, constant);
    return TRUE;
  }
  blitWalk(target, *from, x, y, width, height, sourceX, sourceY, sourceWidth, sourceHeight,
           [&](int dx, int dy, int sx, int sy, int, int) {
             const COLORREF s = colorAt(*from, sourceFormat, sx, sy);
             const COLORREF d = colorAt(*target.bitmap, targetFormat, dx, dy);
             // With per-pixel alpha the source is premultiplied: its channels
             // already carry α, and the destination keeps (1 − α·k).
             const uint32_t sourceAlpha = perPixel ? platform::readPixel(from->row(sy), sx, 32) >> 24 : 255;
             const uint32_t keep = 255 * 255 - sourceAlpha * constant;
             auto mix = [&](BYTE sc, BYTE dc) {
               return static_cast<BYTE>(
                   std::min<uint32_t>(255, (sc * constant * 255 + dc * keep + 255 * 255 / 2) / (255 * 255)));
             };
             putColor(target, targetFormat, dx, dy,
                      RGB(mix(GetRValue(s), GetRValue(d)), mix(GetGValue(s), GetGValue(d)),
                          mix(GetBValue(s), GetBValue(d))));
           });
  return TRUE;
}

int SetStretchBltMode(HDC dc, int mode) {
  auto* context = gdi::lookupDC(dc);
  if (!context || mode < BLACKONWHITE || mode > HALFTONE) return 0;
  return std::exchange(context->stretchMode, mode);
}

int GetStretchBltMode(HDC dc) {
  auto* context = gdi::lookupDC(dc);
  return context ? context->stretchMode : 0;
}

BOOL SetBrushOrgEx(HDC dc, int x, int y, POINT* previous) {
  auto* context = gdi::lookupDC(dc);
  if (!context) return FALSE;
  if (previous) *previous = context->brushOrigin;
  context->brushOrigin = {x, y};
  return TRUE;
}

BOOL GdiFlush() { return TRUE; }

BOOL LPtoDP(HDC dc, POINT* points, int count) {
  return gdi::lookupDC(dc) && (points || count == 0) && count >= 0 ? TRUE : FALSE;
}

HDC platform::createPrinterLikeDC() {
  HDC dc = CreateCompatibleDC(nullptr);
  if (auto* context = gdi::lookupDC(dc)) context->technology = DT_RASPRINTER;
  return dc;
}

platform::BlitCallCounts platform::blitCallCounts() {
  return {bitBltCalls, stretchBltCalls, stretchDIBitsCalls, setDIBitsToDeviceCalls};
}

void platform::resetBlitCallCounts() {
  bitBltCalls = stretchBltCalls = stretchDIBitsCalls = setDIBitsToDeviceCalls = 0;
}
