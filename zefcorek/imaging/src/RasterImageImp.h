// IFIRasterImageImp: the one implementation of the raster image.
//
// Fields and ownership:
//   expert_     the image I/O expert, one reference; handed on to every image
//               made from this one. May be null (an image from the factory
//               with no expert): what needs it then answers 2.
//   bitmap_     the picture, owned: unloaded when replaced through Unload or
//               when the image is destroyed. Null means no image.
//   lockCount_  the Lock/Unlock counter; it guards nothing by itself.
//   percentage_, name_, userWord_  kept for the owner, read by no operation.
//   drawable_   the cached drawing surface sharing the pixels, one reference.
// Every operation that needs pixels answers 2 while bitmap_ is null.
// Exported for the tests, which wrap bitmaps of their own; clients make
// images through the factory.
#pragma once

#include "zefcorek/FIRasterImage.h"
#include "zefcorek/ImgIO.h"
#include "zefcorek/StdInterface.h"

class ZEF_EXPORT IFIRasterImageImp : public IStdDataInterfaceImp, public virtual IFIRasterImage {
public:
  // Takes over `bitmap` (may be null) and one reference to `expert`.
  IFIRasterImageImp(IImgIOExpert* expert, FIBITMAP* bitmap);
  ~IFIRasterImageImp() override;

  HRESULT QueryInterface(REFIID iid, void** out) override;

  uint32_t GetUserWord() override;
  ZRESULT SetUserWord(uint32_t word) override;
  ZRESULT Unload() override;
  ZRESULT GetWidth(uint32_t* out) override;
  ZRESULT GetHeight(uint32_t* out) override;
  ZRESULT GetSize(uint32_t* width, uint32_t* height) override;
  ZRESULT GetBitsSize(uint32_t* out) override;
  ZRESULT GetDPIX(uint32_t* out) override;
  ZRESULT GetDPIY(uint32_t* out) override;
  ZRESULT SetDPIX(uint32_t dpi) override;
  ZRESULT SetDPIY(uint32_t dpi) override;
  ZRESULT GetPercentage(uint32_t* out) override;
  ZRESULT SetPercentage(uint32_t percentage) override;
  ZRESULT Draw(RasterDrawParms* parms) override;
  ZRESULT DrawParallelogram(RasterPlgDrawParms* parms) override;
  ZRESULT SaveToStream(uint32_t format, IFIOOStream* stream, uint32_t* bytesWritten) override;
  ZRESULT Clone(IRasterImage** out) override;
  ZRESULT Rotate(int32_t hundredthsOfDegree) override;
  ZRESULT Crop(const RECT* rect) override;
  ZRESULT ApplyPolygon(uint32_t count, const void* points, uint32_t flags) override;
  ZRESULT CopyEx(const RECT* rect, IRasterImage** out) override;
  ZRESULT Paste(const POINT* at, IRasterImage* source) override;
  const WCHAR* GetName() override;
  ZRESULT SetName(const WCHAR* name) override;
  ZRESULT GetAuxData() override;
  ZRESULT SetAuxData(uint32_t data) override;
  ZRESULT GetBPP(uint32_t* out) override;
  ZRESULT Allocate(uint32_t width, uint32_t height, uint32_t bpp, const RGBQUAD* palette) override;
  HRESULT CreatePalette(HDC dc, HPALETTE* out) override;
  ZRESULT GetPalette(uint32_t index, RGBQUAD* out) override;
  ZRESULT Fill(COLORREF color) override;
  ZRESULT Lock() override;
  ZRESULT Unlock() override;
  int32_t GetLockCount() override;
  ZRESULT GetPixel(int32_t x, int32_t y, COLORREF* out) override;
  ZRESULT SetPixel(int32_t x, int32_t y, uint32_t value) override;
  ZRESULT GetPixelRGB(int32_t x, int32_t y, uint8_t rgb[3]) override;
  ZRESULT SetPixelRGB(int32_t x, int32_t y, const uint8_t rgb[3]) override;
  ZRESULT GetPixelLocked(int32_t x, int32_t y, COLORREF* out) override;
  ZRESULT SetPixelLocked(int32_t x, int32_t y, uint32_t value) override;
  ZRESULT Sample(uint32_t mode, double x, double y, const uint8_t defaultRGB[3], uint8_t outRGB[3]) override;
  ZRESULT GetExtendedInfo(uint32_t kind, void* out) override;
  ZRESULT CopyScanLine(uint32_t row, const uint8_t* pixels) override;
  ZRESULT GetGDIDC(HDC* out) override;
  ZRESULT ReleaseGDIDC(HDC dc) override;
  ZRESULT ConvertToBPP(uint32_t bpp, bool dither) override;
  ZRESULT ConvertToGrey() override;
  ZRESULT CreateColorMask(uint32_t count, const uint32_t* colors, IRasterImage** out) override;
  ZRESULT CopyToHGlobalDIB(HGLOBAL* out) override;
  ZRESULT CopyFromHGlobalDIB(HGLOBAL dib) override;
  uint8_t* GetBits() override;
  ZRESULT AdjustBrightness(double percentage) override;
  ZRESULT AdjustContrast(double percentage) override;
  ZRESULT CopyRectFrom(IRasterImage* source, const RECT* from, const RECT* to, HRGN clip) override;
  ZRESULT GetRasterInfo(RasterImageInfo* out) override;
  ZRESULT GetDrawable(Pictrel::IDrawableDS** out) override;
  ZRESULT FlipVertical() override;
  ZRESULT FlipHorizontal() override;
  ZRESULT Invert() override;

  ZRESULT GetBitmap(FIBITMAP** out) override;
  ZRESULT SetBitmap(FIBITMAP* bitmap) override;

  // The expert this image holds (no reference added); may be null.
  IImgIOExpert* expert() const { return expert_; }

  static constexpr uint32_t kNameChars = 260;

private:
  ZRESULT getDpi(uint32_t* out, unsigned (*dotsPerMeter)(FIBITMAP*));
  ZRESULT setDpi(uint32_t dpi, void (*setDotsPerMeter)(FIBITMAP*, unsigned));
  void dropDrawable();
  void drawFromSection(HDC dc, HBITMAP section, const RECT& source, const RECT& destination, bool unscaled);
  // Unloads the bitmap (dropping the surface, marking the image) and
  // installs `next` in its place.
  void replaceBitmap(FIBITMAP* next);
  // The colour at (x, y) at any depth, through the palette at 8 bits or
  // fewer; false outside the image or for an index the palette lacks.
  bool readColor(int32_t x, int32_t y, RGBQUAD& color);
  // A new image with this image's expert around `bitmap`, in *out; 30 (the
  // bitmap unloaded) when it cannot be made.
  ZRESULT wrapNew(FIBITMAP* bitmap, IRasterImage** out);

  IImgIOExpert* expert_;
  FIBITMAP* bitmap_;
  int32_t lockCount_ = 0;
  uint32_t percentage_ = 0;
  WCHAR name_[kNameChars] = {};
  uint32_t userWord_ = 1;
  Pictrel::IDrawableDS* drawable_ = nullptr;
};

namespace zefcorek {
// The implementing object of any raster image, reached through its top
// interface; null for null or for an image of another implementation.
ZEF_EXPORT IFIRasterImageImp* rasterImageImpOf(IRasterImage* image);
// The bitmap of any raster image; null when it has none or is foreign.
ZEF_EXPORT FIBITMAP* bitmapOf(IRasterImage* image);
}  // namespace zefcorek
