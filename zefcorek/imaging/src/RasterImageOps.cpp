// The pixel operations of the raster image, on the image library's bitmap.
//
// Coordinates are the image library's: x from the left, row 0 the first
// stored scan line (the bottom of the picture). An operation that needs
// pixels answers 2 without a bitmap; a new bitmap that the library refuses
// to make answers 30 unless said otherwise.
//
// The modified flag, per operation:
//   set      Unload (and so Rotate, Crop, ConvertToBPP, ConvertToGrey, which
//            replace the bitmap), Fill, SetPixel, SetPixelRGB,
//            SetPixelLocked, CopyRectFrom (through SetPixel)
//   cleared  Allocate, a successful SaveToStream
//   left     Paste, the flips, Invert, AdjustBrightness, AdjustContrast,
//            CopyScanLine, and every read
#include "RasterImageImp.h"

#include "ImageLibrary.h"
#include "zefcorek/FileStreams.h"

#include "platform/GdiTypes.h"
#include "platform/GlobalMemory.h"

#include "FreeImageApi.h"

#include <algorithm>
#include <cassert>
#include <cmath>
#include <cstring>
#include <new>
#include <utility>
#include <vector>

namespace {

constexpr COLORREF kNoColor = 0x00FFFFFF;  // what a failed pixel read answers
constexpr int kMaxBitmapBits = 8;          // deeper bitmaps have no palette

RGBQUAD quadOf(COLORREF color) {
  RGBQUAD quad{};
  quad.rgbRed = GetRValue(color);
  quad.rgbGreen = GetGValue(color);
  quad.rgbBlue = GetBValue(color);
  return quad;
}

COLORREF colorOf(const RGBQUAD& quad) { return RGB(quad.rgbRed, quad.rgbGreen, quad.rgbBlue); }

RGBQUAD quadOf(const uint8_t rgb[3]) {
  RGBQUAD quad{};
  quad.rgbRed = rgb[0];
  quad.rgbGreen = rgb[1];
  quad.rgbBlue = rgb[2];
  return quad;
}

void putRGB(const RGBQUAD& quad, uint8_t rgb[3]) {
  rgb[0] = quad.rgbRed;
  rgb[1] = quad.rgbGreen;
  rgb[2] = quad.rgbBlue;
}

bool inside(FIBITMAP* bitmap, int64_t x, int64_t y) {
  return x >= 0 && y >= 0 && x < FreeImage_GetWidth(bitmap) && y < FreeImage_GetHeight(bitmap);
}

// One channel of the cubic through p0..p3 at t (0 at p1, 1 at p2).
double cubic(double p0, double p1, double p2, double p3, double t) {
  return p1 + t * ((p2 - p0) + t * ((2 * p0 - 2 * p1 + p2 - p3) + t * (-p0 + p1 - p2 + p3)));
}

uint8_t toChannel(double value) {
  // Truncated toward zero, then held within a byte (a cubic overshoots).
  return static_cast<uint8_t>(std::clamp(std::trunc(value), 0.0, 255.0));
}

}  // namespace

// --- helpers ------------------------------------------------------------------

void IFIRasterImageImp::replaceBitmap(FIBITMAP* next) {
  Unload();
  (void)SetBitmap(next);
}

bool IFIRasterImageImp::readColor(int32_t x, int32_t y, RGBQUAD& color) {
  if (bitmap_ == nullptr || !inside(bitmap_, x, y)) return false;
  const auto column = static_cast<unsigned>(x);
  const auto row = static_cast<unsigned>(y);
  if (FreeImage_GetBPP(bitmap_) > kMaxBitmapBits) {
    return FreeImage_GetPixelColor(bitmap_, column, row, &color) != FALSE;
  }
  BYTE index = 0;
  if (!FreeImage_GetPixelIndex(bitmap_, column, row, &index)) return false;
  zefcorek::imagelib::BeginPaletteUpdate(bitmap_);
  const RGBQUAD* palette = FreeImage_GetPalette(bitmap_);
  const bool known = palette != nullptr && index < FreeImage_GetColorsUsed(bitmap_);
  if (known) color = palette[index];
  zefcorek::imagelib::EndPaletteUpdate(bitmap_);
  return known;
}

ZRESULT IFIRasterImageImp::wrapNew(FIBITMAP* bitmap, IRasterImage** out) {
  auto* image = new (std::nothrow) IFIRasterImageImp(expert_, bitmap);
  if (image == nullptr) {
    FreeImage_Unload(bitmap);
    return ZR_OUTOFMEMORY;
  }
  *out = static_cast<IRasterImage*>(image);
  return ZR_OK;
}

// --- saving and new images ----------------------------------------------------

ZRESULT IFIRasterImageImp::SaveToStream(uint32_t format, IFIOOStream* stream, uint32_t* bytesWritten) {
  if (stream == nullptr) return ZR_BADARG;
  uint32_t before = 0;
  if (const ZRESULT result = stream->GetPosition(&before); result != ZR_OK) return result;
  if (expert_ == nullptr) return ZR_FAILED;
  IImgSaver* saver = nullptr;
  if (const ZRESULT result = expert_->CreateSaver(&saver); result != ZR_OK) return result;
  const ZRESULT result = saver->SaveToStream(format, stream, this);
  saver->Release();
  if (result != ZR_OK) return result;
  SetModified(false);
  if (bytesWritten != nullptr) {
    uint32_t after = before;
    (void)stream->GetPosition(&after);
    *bytesWritten = after - before;
  }
  return ZR_OK;
}

ZRESULT IFIRasterImageImp::Clone(IRasterImage** out) {
  if (out == nullptr) return ZR_BADARG;
  *out = nullptr;
  if (bitmap_ == nullptr || expert_ == nullptr) return ZR_FAILED;
  FIBITMAP* copy = FreeImage_Clone(bitmap_);
  if (copy == nullptr) return ZR_OUTOFMEMORY;
  return wrapNew(copy, out);
}

ZRESULT IFIRasterImageImp::CopyEx(const RECT* rect, IRasterImage** out) {
  if (out != nullptr) *out = nullptr;
  if (rect == nullptr || out == nullptr) return ZR_BADARG;
  if (bitmap_ == nullptr || expert_ == nullptr) return ZR_FAILED;
  FIBITMAP* copy = FreeImage_Copy(bitmap_, rect->left, rect->top, rect->right, rect->bottom);
  if (copy == nullptr) return ZR_OUTOFMEMORY;
  return wrapNew(copy, out);
}

ZRESULT IFIRasterImageImp::CreateColorMask(uint32_t count, const uint32_t* colors, IRasterImage** out) {
  if (out != nullptr) *out = nullptr;
  if (count == 0 || colors == nullptr || out == nullptr) return ZR_BADARG;
  if (bitmap_ == nullptr || expert_ == nullptr) return ZR_FAILED;
  const unsigned bpp = FreeImage_GetBPP(bitmap_);
  FIBITMAP* mask = bpp <= kMaxBitmapBits ? FreeImage_Clone(bitmap_) : FreeImage_ConvertTo8Bits(bitmap_);
  if (mask == nullptr) return ZR_OUTOFMEMORY;

  // The listed colours; a palette reference that cannot be read matches
  // nothing.
  std::vector<RGBQUAD> listed;
  for (uint32_t index = 0; index < count; ++index) {
    RGBQUAD quad{};
    if ((colors[index] & 0x01000000u) == 0) {
      listed.push_back(quadOf(colors[index]));
    } else if (GetPalette(colors[index] & 0xFFu, &quad) == ZR_OK) {
      listed.push_back(quad);
    }
  }
  const unsigned entries = FreeImage_GetColorsUsed(mask);
  RGBQUAD* palette = FreeImage_GetPalette(mask);
  for (unsigned entry = 0; palette != nullptr && entry < entries; ++entry) {
    const RGBQUAD& old = palette[entry];
    const bool hit = std::any_of(listed.begin(), listed.end(), [&](const RGBQUAD& quad) {
      return quad.rgbRed == old.rgbRed && quad.rgbGreen == old.rgbGreen && quad.rgbBlue == old.rgbBlue;
    });
    const BYTE level = hit ? 255 : 0;
    palette[entry] = RGBQUAD{level, level, level, 0};
  }
  if (bpp > 2 && palette != nullptr && entries >= 2) {
    palette[0] = RGBQUAD{255, 255, 255, 0};
    palette[1] = RGBQUAD{0, 0, 0, 0};
  }
  return wrapNew(mask, out);
}

// --- replacing the bitmap -----------------------------------------------------

ZRESULT IFIRasterImageImp::Rotate(int32_t hundredthsOfDegree) {
  if (bitmap_ == nullptr) return ZR_FAILED;
  // The library turns counter-clockwise for positive angles. The angle is
  // negated as a double: INT32_MIN has no int negation.
  FIBITMAP* rotated = FreeImage_Rotate(bitmap_, -static_cast<double>(hundredthsOfDegree) * 0.01, nullptr);
  if (rotated == nullptr) return ZR_OUTOFMEMORY;
  replaceBitmap(rotated);
  return ZR_OK;
}

ZRESULT IFIRasterImageImp::Crop(const RECT* rect) {
  if (rect == nullptr) return ZR_BADARG;
  if (bitmap_ == nullptr) return ZR_FAILED;
  FIBITMAP* copy = FreeImage_Copy(bitmap_, rect->left, rect->top, rect->right, rect->bottom);
  if (copy == nullptr) return ZR_OUTOFMEMORY;
  replaceBitmap(copy);
  return ZR_OK;
}

ZRESULT IFIRasterImageImp::ConvertToBPP(uint32_t bpp, bool dither) {
  if (bitmap_ == nullptr) return ZR_FAILED;
  if (FreeImage_GetBPP(bitmap_) == bpp) return ZR_OK;
  FIBITMAP* converted = nullptr;
  switch (bpp) {
    case 1: converted = dither ? FreeImage_Dither(bitmap_, FID_FS) : FreeImage_Threshold(bitmap_, 128); break;
    case 4: converted = FreeImage_ConvertTo4Bits(bitmap_); break;
    case 8: converted = FreeImage_ConvertTo8Bits(bitmap_); break;
    case 15:
    case 16: converted = FreeImage_ConvertTo16Bits565(bitmap_); break;
    case 24: converted = FreeImage_ConvertTo24Bits(bitmap_); break;
    case 32: converted = FreeImage_ConvertTo32Bits(bitmap_); break;
    default: break;
  }
  if (converted == nullptr) return ZR_FAILED;
  replaceBitmap(converted);
  return ZR_OK;
}

ZRESULT IFIRasterImageImp::ConvertToGrey() {
  if (bitmap_ == nullptr) return ZR_FAILED;
  FIBITMAP* grey = FreeImage_ConvertToGreyscale(bitmap_);
  if (grey == nullptr) return ZR_FAILED;
  replaceBitmap(grey);
  return ZR_OK;
}

ZRESULT IFIRasterImageImp::Allocate(uint32_t width, uint32_t height, uint32_t bpp, const RGBQUAD* palette) {
  Unload();
  FIBITMAP* bitmap = FreeImage_Allocate(static_cast<int>(width), static_cast<int>(height), static_cast<int>(bpp));
  if (bitmap == nullptr) return ZR_FAILED;
  if (bpp <= kMaxBitmapBits) {
    const unsigned entries = 1u << bpp;
    RGBQUAD* target = FreeImage_GetPalette(bitmap);
    for (unsigned entry = 0; target != nullptr && entry < entries; ++entry) {
      if (palette != nullptr) {
        target[entry] = palette[entry];
        continue;
      }
      // Black, with the last entry white; grey levels at 8 bits.
      const BYTE level = bpp == 8 ? static_cast<BYTE>(entry) : entry == entries - 1 ? 255 : 0;
      target[entry] = RGBQUAD{level, level, level, 0};
    }
  }
  (void)SetBitmap(bitmap);
  SetModified(false);
  return ZR_OK;
}

// --- pixels -------------------------------------------------------------------

ZRESULT IFIRasterImageImp::GetPalette(uint32_t index, RGBQUAD* out) {
  if (bitmap_ == nullptr) return ZR_FAILED;
  if (out == nullptr) return ZR_BADARG;
  const RGBQUAD* palette = FreeImage_GetPalette(bitmap_);
  if (palette == nullptr) {
    *out = RGBQUAD{255, 255, 255, 0};
    return ZR_FAILED;
  }
  if (index >= FreeImage_GetColorsUsed(bitmap_)) return ZR_BADARG;
  *out = palette[index];
  return ZR_OK;
}

ZRESULT IFIRasterImageImp::Fill(COLORREF color) {
  if (bitmap_ == nullptr) return ZR_FAILED;
  // Row 0 takes the colour, then that row is copied into the others. The
  // library converts the colour once, at the first pixel; the rest of the
  // row repeats its bytes, as setting each pixel would write them. Where the
  // library sets no pixels (palette bitmaps), row 0 stays as it was.
  RGBQUAD quad = quadOf(color);
  const unsigned width = FreeImage_GetWidth(bitmap_);
  const unsigned height = FreeImage_GetHeight(bitmap_);
  const unsigned pitch = FreeImage_GetPitch(bitmap_);
  BYTE* first = FreeImage_GetScanLine(bitmap_, 0);
  if (width > 0 && FreeImage_SetPixelColor(bitmap_, 0, 0, &quad)) {
    const size_t pixelBytes = FreeImage_GetBPP(bitmap_) / 8;
    assert(pixelBytes > 0 && pixelBytes * width <= pitch);
    for (size_t at = pixelBytes; at < pixelBytes * width; at += pixelBytes) std::memcpy(first + at, first, pixelBytes);
  }
  for (unsigned y = 1; y < height; ++y) std::memcpy(FreeImage_GetScanLine(bitmap_, static_cast<int>(y)), first, pitch);
  SetModified(true);
  return ZR_OK;
}

ZRESULT IFIRasterImageImp::GetPixel(int32_t x, int32_t y, COLORREF* out) {
  if (out == nullptr) return ZR_BADARG;
  if (bitmap_ == nullptr) return ZR_FAILED;
  RGBQUAD quad{};
  if (!readColor(x, y, quad)) {
    *out = kNoColor;
    return ZR_FAILED;
  }
  *out = colorOf(quad);
  return ZR_OK;
}

ZRESULT IFIRasterImageImp::GetPixelRGB(int32_t x, int32_t y, uint8_t rgb[3]) {
  if (rgb == nullptr) return ZR_BADARG;
  COLORREF color = kNoColor;
  const ZRESULT result = GetPixel(x, y, &color);
  if (result != ZR_OK) color = kNoColor;
  putRGB(quadOf(color), rgb);
  return result;
}

ZRESULT IFIRasterImageImp::SetPixel(int32_t x, int32_t y, uint32_t value) {
  if (bitmap_ == nullptr) return ZR_FAILED;
  if (!inside(bitmap_, x, y)) return ZR_FAILED;
  const auto column = static_cast<unsigned>(x);
  const auto row = static_cast<unsigned>(y);
  BOOL done;
  if (FreeImage_GetBPP(bitmap_) <= kMaxBitmapBits) {
    BYTE index = static_cast<BYTE>(value);
    done = FreeImage_SetPixelIndex(bitmap_, column, row, &index);
  } else {
    RGBQUAD quad = quadOf(value);
    done = FreeImage_SetPixelColor(bitmap_, column, row, &quad);
  }
  if (!done) return ZR_FAILED;
  SetModified(true);
  return ZR_OK;
}

ZRESULT IFIRasterImageImp::SetPixelRGB(int32_t x, int32_t y, const uint8_t rgb[3]) {
  if (rgb == nullptr) return ZR_BADARG;
  if (bitmap_ == nullptr) return ZR_FAILED;
  RGBQUAD quad = quadOf(rgb);
  if (!inside(bitmap_, x, y) ||
      !FreeImage_SetPixelColor(bitmap_, static_cast<unsigned>(x), static_cast<unsigned>(y), &quad)) {
    return ZR_FAILED;
  }
  SetModified(true);
  return ZR_OK;
}

ZRESULT IFIRasterImageImp::GetPixelLocked(int32_t x, int32_t y, COLORREF* out) {
  if (const ZRESULT locked = Lock(); locked != ZR_OK) return locked;
  const ZRESULT result = GetPixel(x, y, out);
  Unlock();
  return result;
}

ZRESULT IFIRasterImageImp::SetPixelLocked(int32_t x, int32_t y, uint32_t value) {
  if (const ZRESULT locked = Lock(); locked != ZR_OK) return locked;
  const ZRESULT result = SetPixel(x, y, value);
  Unlock();
  return result;
}

ZRESULT IFIRasterImageImp::CopyScanLine(uint32_t row, const uint8_t* pixels) {
  if (pixels == nullptr) return ZR_BADARG;
  if (bitmap_ == nullptr) return ZR_FAILED;
  // The library does not check the row: a row past the end is refused here.
  if (row >= FreeImage_GetHeight(bitmap_)) return ZR_FAILED;
  Lock();
  BYTE* line = FreeImage_GetScanLine(bitmap_, static_cast<int>(row));
  const unsigned width = FreeImage_GetWidth(bitmap_);
  if (FreeImage_GetBPP(bitmap_) == 24) {
    std::memcpy(line, pixels, static_cast<size_t>(width) * 3);
  } else {
    for (unsigned x = 0; x < width; ++x) {
      RGBQUAD quad = quadOf(pixels + 3 * static_cast<size_t>(x));
      FreeImage_SetPixelColor(bitmap_, x, row, &quad);
    }
  }
  Unlock();
  return ZR_OK;
}

ZRESULT IFIRasterImageImp::Sample(uint32_t mode, double x, double y, const uint8_t defaultRGB[3], uint8_t outRGB[3]) {
  if (outRGB == nullptr) return ZR_BADARG;
  const auto fallBack = [&](ZRESULT result) {
    static constexpr uint8_t kWhite[3] = {255, 255, 255};
    const uint8_t* color = defaultRGB != nullptr ? defaultRGB : kWhite;
    std::copy(color, color + 3, outRGB);
    return result;
  };
  if (bitmap_ == nullptr) return fallBack(ZR_FAILED);
  if (mode > 2) return fallBack(ZR_BADARG);
  const double floorX = std::floor(x);
  const double floorY = std::floor(y);
  const int64_t width = FreeImage_GetWidth(bitmap_);
  const int64_t height = FreeImage_GetHeight(bitmap_);
  if (!(floorX >= 0 && floorY >= 0 && floorX < width && floorY < height)) return fallBack(ZR_NO);
  const auto x0 = static_cast<int32_t>(floorX);
  const auto y0 = static_cast<int32_t>(floorY);

  RGBQUAD quad{};
  if (mode == 0) {
    if (!readColor(x0, y0, quad)) return fallBack(ZR_FAILED);
    putRGB(quad, outRGB);
    return ZR_OK;
  }
  // The pixel at (column, row) of the grid, held to the image.
  const auto channelsAt = [&](int32_t column, int32_t row, double channels[3]) {
    RGBQUAD at{};
    if (!readColor(column, row, at)) return false;
    channels[0] = at.rgbRed;
    channels[1] = at.rgbGreen;
    channels[2] = at.rgbBlue;
    return true;
  };
  const double t = x - x0;
  const double u = y - y0;
  if (mode == 1) {
    // Between (x0, y0) and (x0 + 1, y0 + 1); a missing right or upper
    // neighbour is the pixel itself.
    const int32_t x1 = x0 + 1 < width ? x0 + 1 : x0;
    const int32_t y1 = y0 + 1 < height ? y0 + 1 : y0;
    double p00[3], p10[3], p01[3], p11[3];
    if (!channelsAt(x0, y0, p00) || !channelsAt(x1, y0, p10) || !channelsAt(x0, y1, p01) || !channelsAt(x1, y1, p11)) {
      return fallBack(ZR_FAILED);
    }
    for (int c = 0; c < 3; ++c) {
      const double value = p00[c] * (1 - t) * (1 - u) + p10[c] * t * (1 - u) + p01[c] * (1 - t) * u + p11[c] * t * u;
      outRGB[c] = toChannel(value);
    }
    return ZR_OK;
  }
  // Bicubic over four columns and rows; an index outside takes its
  // neighbour in the list (below 0 the next, past the end the previous).
  const auto indices = [](int32_t start, int64_t limit, int32_t out[4]) {
    for (int i = 0; i < 4; ++i) out[i] = start - 1 + i;
    if (out[0] < 0) out[0] = out[1];
    for (int i = 1; i < 4; ++i) {
      if (out[i] >= limit) out[i] = out[i - 1];
    }
  };
  int32_t columns[4], rows[4];
  indices(x0, width, columns);
  indices(y0, height, rows);
  double rowValues[4][3];
  for (int r = 0; r < 4; ++r) {
    double p[4][3];
    for (int c = 0; c < 4; ++c) {
      if (!channelsAt(columns[c], rows[r], p[c])) return fallBack(ZR_FAILED);
    }
    for (int k = 0; k < 3; ++k) rowValues[r][k] = cubic(p[0][k], p[1][k], p[2][k], p[3][k], t);
  }
  for (int k = 0; k < 3; ++k) {
    outRGB[k] = toChannel(cubic(rowValues[0][k], rowValues[1][k], rowValues[2][k], rowValues[3][k], u));
  }
  return ZR_OK;
}

ZRESULT IFIRasterImageImp::CopyRectFrom(IRasterImage* source, const RECT* from, const RECT* to, HRGN clip) {
  if (source == nullptr || from == nullptr || to == nullptr) return ZR_BADARG;
  if (bitmap_ == nullptr) return ZR_FAILED;
  uint32_t ownBpp = 0, sourceBpp = 0;
  if (GetBPP(&ownBpp) != ZR_OK || source->GetBPP(&sourceBpp) != ZR_OK || ownBpp != sourceBpp) {
    return ZR_FAILED;
  }
  const auto normalised = [](RECT rect) {
    if (rect.left > rect.right) std::swap(rect.left, rect.right);
    if (rect.top > rect.bottom) std::swap(rect.top, rect.bottom);
    return rect;
  };
  const RECT a = normalised(*from);
  const RECT b = normalised(*to);
  // Both corners are inside: spans are one wider than their difference.
  const int64_t width = std::min<int64_t>(int64_t{a.right} - a.left, int64_t{b.right} - b.left) + 1;
  const int64_t height = std::min<int64_t>(int64_t{a.bottom} - a.top, int64_t{b.bottom} - b.top) + 1;
  // Points outside either image copy nothing, so only the offsets where both
  // have pixels are walked; a rectangle of 2^31 x 2^31 would otherwise take
  // that many steps.
  uint32_t sourceWidth = 0, sourceHeight = 0;
  if (source->GetSize(&sourceWidth, &sourceHeight) != ZR_OK) return ZR_OK;
  const int64_t ownWidth = FreeImage_GetWidth(bitmap_), ownHeight = FreeImage_GetHeight(bitmap_);
  const int64_t firstColumn = std::max<int64_t>({0, -int64_t{a.left}, -int64_t{b.left}});
  const int64_t endColumn = std::min<int64_t>({width, sourceWidth - int64_t{a.left}, ownWidth - b.left});
  const int64_t firstRow = std::max<int64_t>({0, -int64_t{a.top}, -int64_t{b.top}});
  const int64_t endRow = std::min<int64_t>({height, sourceHeight - int64_t{a.top}, ownHeight - b.top});
  for (int64_t j = firstRow; j < endRow; ++j) {
    for (int64_t i = firstColumn; i < endColumn; ++i) {
      const auto x = static_cast<int32_t>(b.left + i), y = static_cast<int32_t>(b.top + j);
      if (clip != nullptr && !PtInRegion(clip, x, y)) continue;
      COLORREF color = 0;
      if (source->GetPixel(static_cast<int32_t>(a.left + i), static_cast<int32_t>(a.top + j), &color) != ZR_OK) {
        continue;
      }
      (void)SetPixel(x, y, color);
    }
  }
  return ZR_OK;
}

// --- whole-image adjustments --------------------------------------------------

ZRESULT IFIRasterImageImp::Paste(const POINT* at, IRasterImage* source) {
  if (at == nullptr || source == nullptr) return ZR_BADARG;
  if (bitmap_ == nullptr) return ZR_FAILED;
  FIBITMAP* pasted = zefcorek::bitmapOf(source);
  if (pasted == nullptr) return ZR_FAILED;
  // The library blends at an alpha of 255 (losing up to one level per
  // channel); above 255 it copies the source as it is, which a paste means.
  constexpr int kOpaqueCopy = 256;
  return FreeImage_Paste(bitmap_, pasted, at->x, at->y, kOpaqueCopy) ? ZR_OK : ZR_FAILED;
}

ZRESULT IFIRasterImageImp::AdjustBrightness(double percentage) {
  if (bitmap_ == nullptr) return ZR_FAILED;
  return FreeImage_AdjustBrightness(bitmap_, percentage) ? ZR_OK : ZR_FAILED;
}

ZRESULT IFIRasterImageImp::AdjustContrast(double percentage) {
  if (bitmap_ == nullptr) return ZR_FAILED;
  return FreeImage_AdjustContrast(bitmap_, percentage) ? ZR_OK : ZR_FAILED;
}

ZRESULT IFIRasterImageImp::FlipVertical() {
  if (bitmap_ == nullptr) return ZR_FAILED;
  return FreeImage_FlipVertical(bitmap_) ? ZR_OK : ZR_FAILED;
}

ZRESULT IFIRasterImageImp::FlipHorizontal() {
  if (bitmap_ == nullptr) return ZR_FAILED;
  return FreeImage_FlipHorizontal(bitmap_) ? ZR_OK : ZR_FAILED;
}

ZRESULT IFIRasterImageImp::Invert() {
  if (bitmap_ == nullptr) return ZR_FAILED;
  return FreeImage_Invert(bitmap_) ? ZR_OK : ZR_FAILED;
}

// --- packed DIB blocks ----------------------------------------------------------
//
// A packed DIB block: a 40-byte BITMAPINFOHEADER, the palette (4 bytes per
// entry), with BI_BITFIELDS three 4-byte masks, then the rows bottom up,
// each padded to 4 bytes.

namespace {

constexpr uint32_t kInfoHeaderBytes = 40;
constexpr uint32_t kBitFields = 3;

uint64_t rowBytesOf(uint64_t width, uint32_t bits) { return (width * bits + 31) / 32 * 4; }

bool knownDepth(uint32_t bits) { return bits == 1 || bits == 4 || bits == 8 || bits == 16 || bits == 24 || bits == 32; }

}  // namespace

ZRESULT IFIRasterImageImp::CopyToHGlobalDIB(HGLOBAL* out) {
  if (out == nullptr) return ZR_BADARG;
  *out = nullptr;
  if (bitmap_ == nullptr) return ZR_FAILED;
  const uint64_t colors = FreeImage_GetColorsUsed(bitmap_);
  const uint64_t rows = uint64_t{FreeImage_GetPitch(bitmap_)} * FreeImage_GetHeight(bitmap_);
  const uint64_t size = kInfoHeaderBytes + 4 * colors + rows;
  HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, static_cast<SIZE_T>(size));
  if (block == nullptr) return ZR_OUTOFMEMORY;
  auto* bytes = static_cast<uint8_t*>(GlobalLock(block));
  if (bytes == nullptr) {
    GlobalFree(block);
    return ZR_OUTOFMEMORY;
  }
  std::memcpy(bytes, FreeImage_GetInfoHeader(bitmap_), kInfoHeaderBytes);
  if (const RGBQUAD* palette = FreeImage_GetPalette(bitmap_); palette != nullptr) {
    std::memcpy(bytes + kInfoHeaderBytes, palette, 4 * colors);
  }
  std::memcpy(bytes + kInfoHeaderBytes + 4 * colors, FreeImage_GetBits(bitmap_), rows);
  GlobalUnlock(block);
  *out = block;
  return ZR_OK;
}

ZRESULT IFIRasterImageImp::CopyFromHGlobalDIB(HGLOBAL block) {
  if (block == nullptr) return ZR_FAILED;
  const uint64_t size = GlobalSize(block);
  const auto* bytes = static_cast<const uint8_t*>(GlobalLock(block));
  if (bytes == nullptr) return ZR_FAILED;
  // Everything the block claims is checked against its size before the
  // image changes: a block that fails leaves the image as it was.
  const auto fail = [&] {
    GlobalUnlock(block);
    return ZR_FAILED;
  };
  if (size < kInfoHeaderBytes) return fail();
  BITMAPINFOHEADER header;
  std::memcpy(&header, bytes, kInfoHeaderBytes);
  const uint32_t bits = header.biBitCount;
  if (header.biWidth <= 0 || header.biHeight <= 0 || !knownDepth(bits)) return fail();
  if (bits <= 8 && header.biClrUsed > (1u << bits)) return fail();
  // A count of 0 at 8 bits or fewer means a full palette.
  const uint64_t entries = bits <= 8 && header.biClrUsed == 0 ? (1u << bits) : header.biClrUsed;
  const uint64_t masks = header.biCompression == kBitFields ? 12 : 0;
  const uint64_t rows =
      rowBytesOf(static_cast<uint64_t>(header.biWidth), bits) * static_cast<uint64_t>(header.biHeight);
  const uint64_t pixelsAt = kInfoHeaderBytes + 4 * entries + masks;
  if (pixelsAt > size || rows > size - pixelsAt) return fail();

  std::vector<RGBQUAD> palette;
  if (bits <= 8) {
    palette.assign(1u << bits, RGBQUAD{0, 0, 0, 0});
    std::memcpy(palette.data(), bytes + kInfoHeaderBytes, 4 * entries);
  }
  const ZRESULT allocated = Allocate(static_cast<uint32_t>(header.biWidth), static_cast<uint32_t>(header.biHeight),
                                     bits, palette.empty() ? nullptr : palette.data());
  if (allocated != ZR_OK) {
    GlobalUnlock(block);
    return allocated;
  }
  // Of the header only the resolution is taken: the fields that describe
  // the layout stay as the bitmap was made, so they cannot disagree with
  // its memory.
  BITMAPINFOHEADER* own = FreeImage_GetInfoHeader(bitmap_);
  own->biXPelsPerMeter = header.biXPelsPerMeter;
  own->biYPelsPerMeter = header.biYPelsPerMeter;
  const uint64_t ownRows = uint64_t{FreeImage_GetPitch(bitmap_)} * FreeImage_GetHeight(bitmap_);
  std::memcpy(FreeImage_GetBits(bitmap_), bytes + pixelsAt, std::min(rows, ownRows));
  GlobalUnlock(block);
  return ZR_OK;
}
