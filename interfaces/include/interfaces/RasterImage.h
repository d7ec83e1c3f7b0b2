// IRasterImage: the in-memory picture that the image subsystem, the PDF
// capture and the drawing surface share.
//
// The operations are declared in the order of their table slots; never
// reorder them. Result codes are the library's (ZR_*): 0 done, 1 outside the
// image, 2 failed or no image, 10 bad argument, 21 not supported, 30 out of
// memory; CreatePalette alone answers E_FAIL when it cannot make a palette.
// Colours are COLORREF values (red in the low byte); a colour with bit 24 set
// names a palette index.
#pragma once

#include "interfaces/ObjectModel.h"

#include "platform/GdiTypes.h"
#include "platform/WinTypes.h"

#include <cstddef>
#include <cstdint>

// Palette entries keep the GDI tag name, the one the image library's own
// declaration of the type uses too.
struct tagRGBQUAD;
using RGBQUAD = tagRGBQUAD;
struct IFIOOStream;
namespace Pictrel {
struct IDrawableDS;
}

// {437D6178-746D-44F0-A912-9E70897CF9C1}
inline constexpr IID IID_IRasterImage = {0x437D6178, 0x746D, 0x44F0, {0xA9, 0x12, 0x9E, 0x70, 0x89, 0x7C, 0xF9, 0xC1}};

// Filled by GetRasterInfo, zeroed first.
struct RasterImageInfo {
  uint32_t Width;
  uint32_t Height;
  uint32_t BitsPerPixel;
  uint32_t DpiX;
  uint32_t DpiY;
};
static_assert(sizeof(RasterImageInfo) == 20);

// The argument of Draw, a sized record; it holds a device context handle,
// so it is larger here than on the 32-bit system (72 bytes there):
//   offset  size  field
//        0     4  size         sizeof(RasterDrawParms)
//        8     8  hdc          the target device context
//       16    16  source       image pixels, both corners inside
//       32    16  (not read by Draw)
//       48    16  destination  logical units, both corners inside
//       64    16  clip         used when its width and height are not 0
struct RasterDrawParms {
  uint32_t size;
  HDC hdc;
  RECT source;
  uint8_t unused[16];
  RECT destination;
  RECT clip;
};
static_assert(offsetof(RasterDrawParms, source) == 16);
static_assert(sizeof(RasterDrawParms) == 80);

// The argument of DrawParallelogram as it reads it; no pointers, so the
// byte layout is the one hosts use:
//   0..35 not read; 36..67 the corners P0..P3 as (x, y); 68..71 not read;
//   72..87 A, B, C, D; 88..95 E, F
struct RasterPlgDrawParms {
  uint8_t unused[36];
  int32_t corners[4][2];
  uint32_t unused2;
  int32_t a, b, c, d;
  int32_t e, f;
};
static_assert(offsetof(RasterPlgDrawParms, corners) == 36);
static_assert(offsetof(RasterPlgDrawParms, a) == 72);
static_assert(sizeof(RasterPlgDrawParms) == 96);

struct ZEF_EXPORT IRasterImage : virtual IStdDataInterface {
  virtual uint32_t GetUserWord() = 0;              // 0
  virtual ZRESULT SetUserWord(uint32_t word) = 0;  // 1
  // Drops the drawing surface and the bitmap; marks the image modified.
  virtual ZRESULT Unload() = 0;                                    // 2
  virtual ZRESULT GetWidth(uint32_t* out) = 0;                     // 3
  virtual ZRESULT GetHeight(uint32_t* out) = 0;                    // 4
  virtual ZRESULT GetSize(uint32_t* width, uint32_t* height) = 0;  // 5
  // Bytes of the pixel rows, each padded to 32 bits.
  virtual ZRESULT GetBitsSize(uint32_t* out) = 0;                    // 6
  virtual ZRESULT GetDPIX(uint32_t* out) = 0;                        // 7
  virtual ZRESULT GetDPIY(uint32_t* out) = 0;                        // 8
  virtual ZRESULT SetDPIX(uint32_t dpi) = 0;                         // 9
  virtual ZRESULT SetDPIY(uint32_t dpi) = 0;                         // 10
  virtual ZRESULT GetPercentage(uint32_t* out) = 0;                  // 11
  virtual ZRESULT SetPercentage(uint32_t percentage) = 0;            // 12
  virtual ZRESULT Draw(RasterDrawParms* parms) = 0;                  // 13
  virtual ZRESULT DrawParallelogram(RasterPlgDrawParms* parms) = 0;  // 14
  virtual ZRESULT SaveToStream(uint32_t format, IFIOOStream* stream,
                               uint32_t* bytesWritten) = 0;                              // 15
  virtual ZRESULT Clone(IRasterImage** out) = 0;                                         // 16
  virtual ZRESULT Rotate(int32_t hundredthsOfDegree) = 0;                                // 17
  virtual ZRESULT Crop(const RECT* rect) = 0;                                            // 18
  virtual ZRESULT ApplyPolygon(uint32_t count, const void* points, uint32_t flags) = 0;  // 19
  virtual ZRESULT CopyEx(const RECT* rect, IRasterImage** out) = 0;                      // 20
  virtual ZRESULT Paste(const POINT* at, IRasterImage* source) = 0;                      // 21
  virtual const WCHAR* GetName() = 0;                                                    // 22
  virtual ZRESULT SetName(const WCHAR* name) = 0;                                        // 23
  virtual ZRESULT GetAuxData() = 0;                                                      // 24
  virtual ZRESULT SetAuxData(uint32_t data) = 0;                                         // 25
  virtual ZRESULT GetBPP(uint32_t* out) = 0;                                             // 26
  virtual ZRESULT Allocate(uint32_t width, uint32_t height, uint32_t bpp,
                           const RGBQUAD* palette) = 0;                         // 27
  virtual HRESULT CreatePalette(HDC dc, HPALETTE* out) = 0;                     // 28
  virtual ZRESULT GetPalette(uint32_t index, RGBQUAD* out) = 0;                 // 29
  virtual ZRESULT Fill(COLORREF color) = 0;                                     // 30
  virtual ZRESULT Lock() = 0;                                                   // 31
  virtual ZRESULT Unlock() = 0;                                                 // 32
  virtual int32_t GetLockCount() = 0;                                           // 33
  virtual ZRESULT GetPixel(int32_t x, int32_t y, COLORREF* out) = 0;            // 34
  virtual ZRESULT SetPixel(int32_t x, int32_t y, uint32_t value) = 0;           // 35
  virtual ZRESULT GetPixelRGB(int32_t x, int32_t y, uint8_t rgb[3]) = 0;        // 36
  virtual ZRESULT SetPixelRGB(int32_t x, int32_t y, const uint8_t rgb[3]) = 0;  // 37
  virtual ZRESULT GetPixelLocked(int32_t x, int32_t y, COLORREF* out) = 0;      // 38
  virtual ZRESULT SetPixelLocked(int32_t x, int32_t y, uint32_t value) = 0;     // 39
  virtual ZRESULT Sample(uint32_t mode, double x, double y, const uint8_t defaultRGB[3],
                         uint8_t outRGB[3]) = 0;                          // 40
  virtual ZRESULT GetExtendedInfo(uint32_t kind, void* out) = 0;          // 41
  virtual ZRESULT CopyScanLine(uint32_t row, const uint8_t* pixels) = 0;  // 42
  virtual ZRESULT GetGDIDC(HDC* out) = 0;                                 // 43
  virtual ZRESULT ReleaseGDIDC(HDC dc) = 0;                               // 44
  virtual ZRESULT ConvertToBPP(uint32_t bpp, bool dither) = 0;            // 45
  virtual ZRESULT ConvertToGrey() = 0;                                    // 46
  virtual ZRESULT CreateColorMask(uint32_t count, const uint32_t* colors,
                                  IRasterImage** out) = 0;  // 47
  virtual ZRESULT CopyToHGlobalDIB(HGLOBAL* out) = 0;       // 48
  virtual ZRESULT CopyFromHGlobalDIB(HGLOBAL dib) = 0;      // 49
  // The first pixel row (the bottom one), null without an image.
  virtual uint8_t* GetBits() = 0;                           // 50
  virtual ZRESULT AdjustBrightness(double percentage) = 0;  // 51
  virtual ZRESULT AdjustContrast(double percentage) = 0;    // 52
  virtual ZRESULT CopyRectFrom(IRasterImage* source, const RECT* from, const RECT* to,
                               HRGN clip) = 0;                  // 53
  virtual ZRESULT GetRasterInfo(RasterImageInfo* out) = 0;      // 54
  virtual ZRESULT GetDrawable(Pictrel::IDrawableDS** out) = 0;  // 55
  virtual ZRESULT FlipVertical() = 0;                           // 56
  virtual ZRESULT FlipHorizontal() = 0;                         // 57
  virtual ZRESULT Invert() = 0;                                 // 58
  ~IRasterImage() override;
};
