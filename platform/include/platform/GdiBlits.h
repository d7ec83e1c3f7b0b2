// Blits between DIB sections selected into DCs, and from packed DIB bits.
//
// Source and destination may have any of the depths 1, 4, 8, 16 (5-6-5 or
// 5-5-5), 24 and 32. Colours go into a palette destination as the nearest
// entry of the palette realised in its DC, or else of its colour table.
// Every blit is cut to the destination bitmap and its DC's clip region,
// and reads only inside the source. Only SRCCOPY is a raster operation
// here; others fail.
#pragma once

#include "platform/Export.h"
#include "platform/Gdi.h"
#include "platform/WinTypes.h"

inline constexpr DWORD SRCCOPY = 0x00CC0020;

// Stretch modes.
inline constexpr int BLACKONWHITE = 1;
inline constexpr int WHITEONBLACK = 2;
inline constexpr int COLORONCOLOR = 3;  // nearest source pixel
inline constexpr int HALFTONE = 4;      // the average of the source box

inline constexpr BYTE AC_SRC_OVER = 0x00;
inline constexpr BYTE AC_SRC_ALPHA = 0x01;

struct BLENDFUNCTION {
  BYTE BlendOp;              // AC_SRC_OVER
  BYTE BlendFlags;           // 0
  BYTE SourceConstantAlpha;  // applied to every source pixel
  BYTE AlphaFormat;          // AC_SRC_ALPHA: the source is premultiplied with its own alpha
};
static_assert(sizeof(BLENDFUNCTION) == 4);

ZEF_EXTERN_C BOOL BitBlt(HDC destination, int x, int y, int width, int height, HDC source, int sourceX, int sourceY,
                         DWORD rop);
// Maps each destination pixel onto the source box (COLORONCOLOR: the pixel
// the exact integer mapping hits; HALFTONE: the average of the pixels its
// box covers). Sizes must be positive.
ZEF_EXTERN_C BOOL StretchBlt(HDC destination, int x, int y, int width, int height, HDC source, int sourceX, int sourceY,
                             int sourceWidth, int sourceHeight, DWORD rop);
// As StretchBlt from packed bits described by `info`; the source
// rectangle's y counts from the bottom row of a bottom-up DIB. Answers the
// lines copied, 0 on failure.
ZEF_EXTERN_C int StretchDIBits(HDC destination, int x, int y, int width, int height, int sourceX, int sourceY,
                               int sourceWidth, int sourceHeight, const void* bits, const BITMAPINFO* info, UINT usage,
                               DWORD rop);
// An unscaled copy of packed bits from scan 0; answers the lines copied.
ZEF_EXTERN_C int SetDIBitsToDevice(HDC destination, int x, int y, DWORD width, DWORD height, int sourceX, int sourceY,
                                   UINT startScan, UINT lines, const void* bits, const BITMAPINFO* info, UINT usage);
// Blends the source over the destination: with AC_SRC_ALPHA the source is
// a premultiplied 32-bpp picture, d = s · k + d · (1 − α · k) with
// k = SourceConstantAlpha / 255; without it d = s · k + d · (1 − k).
ZEF_EXTERN_C BOOL AlphaBlend(HDC destination, int x, int y, int width, int height, HDC source, int sourceX, int sourceY,
                             int sourceWidth, int sourceHeight, BLENDFUNCTION blend);
// The previous mode; 0 for a dead DC or an unknown mode.
ZEF_EXTERN_C int SetStretchBltMode(HDC dc, int mode);
ZEF_EXTERN_C int GetStretchBltMode(HDC dc);
ZEF_EXTERN_C BOOL SetBrushOrgEx(HDC dc, int x, int y, POINT* previous);
// Nothing is queued: drawing is done when a call returns.
ZEF_EXTERN_C BOOL GdiFlush();
// Logical to device points: the identity (every DC maps MM_TEXT).
ZEF_EXTERN_C BOOL LPtoDP(HDC dc, POINT* points, int count);

namespace platform {

// A memory DC that answers DT_RASPRINTER for TECHNOLOGY: the printing
// paths of callers, tested on a DIB.
ZEF_EXPORT HDC createPrinterLikeDC();

// How often each blit was called since the last reset, for tests of the
// callers' choice between them.
struct BlitCallCounts {
  unsigned bitBlt = 0;
  unsigned stretchBlt = 0;
  unsigned stretchDIBits = 0;
  unsigned setDIBitsToDevice = 0;
};
ZEF_EXPORT BlitCallCounts blitCallCounts();
ZEF_EXPORT void resetBlitCallCounts();

}  // namespace platform
