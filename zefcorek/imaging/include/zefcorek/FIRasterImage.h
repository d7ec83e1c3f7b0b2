// IFIRasterImage: the raster image over an image-library bitmap. It adds
// only the access to that bitmap; the factory makes it under its interface
// id, which is also its class id.
#pragma once

#include "interfaces/RasterImage.h"

// The image library's bitmap; only its pointer crosses our headers.
struct FIBITMAP;

// {4587CAC0-FEF0-489F-BCC1-B3D8A8D4D914}
inline constexpr IID IID_IFIRasterImage = {
    0x4587CAC0, 0xFEF0, 0x489F, {0xBC, 0xC1, 0xB3, 0xD8, 0xA8, 0xD4, 0xD9, 0x14}};

struct ZEF_EXPORT IFIRasterImage : virtual IRasterImage {
  // The bitmap (null when empty); ZR_BADARG for a null out.
  virtual ZRESULT GetBitmap(FIBITMAP** out) = 0;
  // Stores the pointer and takes it over. The previous bitmap is neither
  // unloaded nor is the drawing surface or the modified flag touched:
  // callers Unload before they replace a bitmap. ZR_BADARG for null.
  virtual ZRESULT SetBitmap(FIBITMAP* bitmap) = 0;
  ~IFIRasterImage() override;
};
