// The in-memory GDI: device-independent bitmaps (DIB sections), device
// contexts, palettes, rectangular regions and font objects.
//
// There is no display server behind it. A DIB section is a block of pixel
// rows in memory (or a view of a file mapping); a memory DC is a record of
// the objects selected into it; the screen DC only answers questions about
// a screen whose depth is a platform setting. GDI objects live in a handle
// table of their own: every call looks its handle up first, so a stale or
// made-up handle is refused instead of dereferenced. Stock objects are never
// deleted.
//
// Record sizes in the 64-bit form (pointers and handles are 8 bytes):
//   RGBQUAD 4, BITMAPINFOHEADER 40, BITMAP 32 (bmBits at 24),
//   DIBSECTION 104 (dsBmih at 32, dsBitfields at 72, dshSection at 88,
//   dsOffset at 96), LOGFONTA 60, LOGFONTW 92, PALETTEENTRY 4.
#pragma once

#include "platform/Export.h"
#include "platform/GdiTypes.h"
#include "platform/WinTypes.h"

// The image library declares the same bitmap records under the same tags
// when it finds no Windows header, guarded by _WINDOWS_. Declaring ours
// under that guard lets both headers share one definition in either order.
#ifndef _WINDOWS_
#define _WINDOWS_
using INT64 = int64_t;
using UINT64 = uint64_t;

struct tagRGBQUAD {
  BYTE rgbBlue;
  BYTE rgbGreen;
  BYTE rgbRed;
  BYTE rgbReserved;
};
using RGBQUAD = tagRGBQUAD;

struct tagRGBTRIPLE {
  BYTE rgbtBlue;
  BYTE rgbtGreen;
  BYTE rgbtRed;
};
using RGBTRIPLE = tagRGBTRIPLE;

struct tagBITMAPINFOHEADER {
  DWORD biSize;
  LONG biWidth;
  LONG biHeight;  // negative: the first row in memory is the top row
  WORD biPlanes;
  WORD biBitCount;
  DWORD biCompression;
  DWORD biSizeImage;
  LONG biXPelsPerMeter;
  LONG biYPelsPerMeter;
  DWORD biClrUsed;
  DWORD biClrImportant;
};
using BITMAPINFOHEADER = tagBITMAPINFOHEADER;

// The header followed by the colour table, or by the three channel masks
// of a BI_BITFIELDS bitmap.
struct tagBITMAPINFO {
  BITMAPINFOHEADER bmiHeader;
  RGBQUAD bmiColors[1];
};
using BITMAPINFO = tagBITMAPINFO;
#endif
static_assert(sizeof(RGBQUAD) == 4);
static_assert(sizeof(BITMAPINFOHEADER) == 40);

struct BITMAP {
  LONG bmType;  // 0
  LONG bmWidth;
  LONG bmHeight;      // always positive, whatever the row order
  LONG bmWidthBytes;  // bytes per row, a multiple of 4
  WORD bmPlanes;      // 1
  WORD bmBitsPixel;
  LPVOID bmBits;
};
static_assert(sizeof(BITMAP) == 32);

struct DIBSECTION {
  BITMAP dsBm;
  BITMAPINFOHEADER dsBmih;  // biHeight keeps the sign the section was made with
  DWORD dsBitfields[3];     // red, green, blue masks of BI_BITFIELDS; else 0
  HANDLE dshSection;        // the file mapping, or null
  DWORD dsOffset;           // where the pixels start in the mapping
};
static_assert(sizeof(DIBSECTION) == 104);

struct PALETTEENTRY {
  BYTE peRed;
  BYTE peGreen;
  BYTE peBlue;
  BYTE peFlags;
};
static_assert(sizeof(PALETTEENTRY) == 4);

struct LOGPALETTE {
  WORD palVersion;  // 0x300
  WORD palNumEntries;
  PALETTEENTRY palPalEntry[1];
};

inline constexpr int LF_FACESIZE = 32;

struct LOGFONTW {
  LONG lfHeight;
  LONG lfWidth;
  LONG lfEscapement;
  LONG lfOrientation;
  LONG lfWeight;
  BYTE lfItalic;
  BYTE lfUnderline;
  BYTE lfStrikeOut;
  BYTE lfCharSet;
  BYTE lfOutPrecision;
  BYTE lfClipPrecision;
  BYTE lfQuality;
  BYTE lfPitchAndFamily;
  WCHAR lfFaceName[LF_FACESIZE];
};
static_assert(sizeof(LOGFONTW) == 92);

struct LOGFONTA {
  LONG lfHeight;
  LONG lfWidth;
  LONG lfEscapement;
  LONG lfOrientation;
  LONG lfWeight;
  BYTE lfItalic;
  BYTE lfUnderline;
  BYTE lfStrikeOut;
  BYTE lfCharSet;
  BYTE lfOutPrecision;
  BYTE lfClipPrecision;
  BYTE lfQuality;
  BYTE lfPitchAndFamily;
  CHAR lfFaceName[LF_FACESIZE];
};
static_assert(sizeof(LOGFONTA) == 60);

// Compression of a bitmap.
inline constexpr DWORD BI_RGB = 0;
inline constexpr DWORD BI_RLE8 = 1;
inline constexpr DWORD BI_RLE4 = 2;
inline constexpr DWORD BI_BITFIELDS = 3;

// Colour table usage.
inline constexpr UINT DIB_RGB_COLORS = 0;
inline constexpr UINT DIB_PAL_COLORS = 1;

// Palette entry flags.
inline constexpr BYTE PC_RESERVED = 0x01;
inline constexpr BYTE PC_EXPLICIT = 0x02;
inline constexpr BYTE PC_NOCOLLAPSE = 0x04;

// Stock objects.
inline constexpr int SYSTEM_FONT = 13;
inline constexpr int DEFAULT_PALETTE = 15;
inline constexpr int DEFAULT_GUI_FONT = 17;

// GetDeviceCaps indexes and answers.
inline constexpr int TECHNOLOGY = 2;
inline constexpr int HORZRES = 8;
inline constexpr int VERTRES = 10;
inline constexpr int BITSPIXEL = 12;
inline constexpr int PLANES = 14;
inline constexpr int NUMCOLORS = 24;
inline constexpr int RASTERCAPS = 38;
inline constexpr int LOGPIXELSX = 88;
inline constexpr int LOGPIXELSY = 90;
inline constexpr int SIZEPALETTE = 104;
inline constexpr int DT_RASDISPLAY = 1;
inline constexpr int DT_RASPRINTER = 2;
inline constexpr int RC_PALETTE = 0x0100;

// Region kinds, answered by SelectClipRgn and SelectObject of a region.
inline constexpr int RGN_ERROR = 0;
inline constexpr int NULLREGION = 1;
inline constexpr int SIMPLEREGION = 2;
inline constexpr int COMPLEXREGION = 3;

// What SelectObject answers when it fails.
inline const HGDIOBJ HGDI_ERROR = reinterpret_cast<HGDIOBJ>(intptr_t{-1});

// Font weights.
inline constexpr LONG FW_NORMAL = 400;
inline constexpr LONG FW_BOLD = 700;

// A DIB section: a bitmap of `info`'s size and depth (1, 4, 8, 16, 24 or 32
// bits per pixel; BI_RGB, or BI_BITFIELDS at 16 and 32 with the masks after
// the 40-byte header) whose pixels the caller reaches through *bits. Rows
// are ((width · bpp + 31) / 32) · 4 bytes; a negative height stores the top
// row first. The colour table (2^bpp entries, or biClrUsed of them) is
// copied. Without a section the pixels are zeroed memory of the platform;
// with one they are a view of that file mapping starting `offset` bytes in
// (a multiple of 4). Null (and *bits null) for a bad header, a size whose
// rows do not fit the platform's limit, or a mapping that does not hold the
// rows. `dc` is not used.
ZEF_EXTERN_C HBITMAP CreateDIBSection(HDC dc, const BITMAPINFO* info, UINT usage, void** bits, HANDLE section,
                                      DWORD offset);

// Copies what describes the object into `buffer` and returns the bytes
// written: a bitmap gives a DIBSECTION (size ≥ 104) or a BITMAP (≥ 32), a
// font its LOGFONTW (GetObjectA: LOGFONTA), a palette its entry count as a
// WORD. A null buffer asks for the size. 0 for a dead handle or a buffer too
// small.
ZEF_EXTERN_C int GetObjectW(HGDIOBJ object, int size, void* buffer);
ZEF_EXTERN_C int GetObjectA(HGDIOBJ object, int size, void* buffer);

// The colour table of the DIB section selected into `dc`: entries `start`
// onwards, at most `count`. Answers the number of entries copied; 0 when no
// palette bitmap is selected.
ZEF_EXTERN_C UINT GetDIBColorTable(HDC dc, UINT start, UINT count, RGBQUAD* colors);
ZEF_EXTERN_C UINT SetDIBColorTable(HDC dc, UINT start, UINT count, const RGBQUAD* colors);

// A memory DC holding the stock 1 × 1 monochrome bitmap, the system font and
// the default palette. `dc` (null: the screen) only lends its device answers.
ZEF_EXTERN_C HDC CreateCompatibleDC(HDC dc);
// Deselects what the DC holds and destroys it. FALSE for the screen DC or a
// dead handle.
ZEF_EXTERN_C BOOL DeleteDC(HDC dc);
// The screen DC; `window` must be null (there are no windows to draw in).
ZEF_EXTERN_C HDC GetDC(HWND window);
ZEF_EXTERN_C int ReleaseDC(HWND window, HDC dc);
ZEF_EXTERN_C int GetDeviceCaps(HDC dc, int index);

// Selects a bitmap, a font or a region into a memory DC and answers the
// bitmap or font held before. A bitmap goes into one DC at a time. A region
// is copied into the DC's clip and the answer is its kind (SIMPLEREGION,
// NULLREGION) as a handle value. Null for a bitmap selected elsewhere or a
// dead handle; HGDI_ERROR for a region that cannot be selected.
ZEF_EXTERN_C HGDIOBJ SelectObject(HDC dc, HGDIOBJ object);
// Destroys a bitmap, font, palette or region. FALSE while the object is
// selected into a DC and for a dead handle; TRUE without effect for a stock
// object.
ZEF_EXTERN_C BOOL DeleteObject(HGDIOBJ object);
ZEF_EXTERN_C HGDIOBJ GetStockObject(int index);
inline constexpr UINT OBJ_BITMAP = 7;
// The bitmap selected into a memory DC (type OBJ_BITMAP); null for another
// type, a dead DC or a DC without one.
ZEF_EXTERN_C HGDIOBJ GetCurrentObject(HDC dc, UINT type);

// A logical palette of `palette`'s entries (version 0x300, 1 to 256 entries).
ZEF_EXTERN_C HPALETTE CreatePalette(const LOGPALETTE* palette);
// Selects a palette into a DC and answers the one it held (the stock
// default palette at first).
ZEF_EXTERN_C HPALETTE SelectPalette(HDC dc, HPALETTE palette, BOOL forceBackground);
// Makes the selected palette the one that maps colours to indexes when
// drawing into a palette bitmap of this DC. Answers its entry count, or
// GDI_ERROR for a dead DC.
ZEF_EXTERN_C UINT RealizePalette(HDC dc);
// Copies entries of a palette; answers the count copied (the palette's
// entry count for a null buffer).
ZEF_EXTERN_C UINT GetPaletteEntries(HPALETTE palette, UINT start, UINT count, PALETTEENTRY* entries);
inline constexpr UINT GDI_ERROR = 0xFFFFFFFFu;

// A rectangular region; right and bottom are exclusive, and the corners are
// put in order.
ZEF_EXTERN_C HRGN CreateRectRgn(int left, int top, int right, int bottom);
// Copies `region` into the DC's clip (null removes the clip); answers the
// region kind, RGN_ERROR for a dead handle.
ZEF_EXTERN_C int SelectClipRgn(HDC dc, HRGN region);
ZEF_EXTERN_C BOOL PtInRegion(HRGN region, int x, int y);
// The region's bounding rectangle and kind.
ZEF_EXTERN_C int GetRgnBox(HRGN region, RECT* box);

// A font object that keeps its description; glyphs come from the text engine.
ZEF_EXTERN_C HFONT CreateFontIndirectW(const LOGFONTW* font);

namespace platform {

// The depth the screen DC reports (1, 4, 8, 16, 24 or 32; 32 unless set).
ZEF_EXPORT void setScreenBitsPerPixel(int bitsPerPixel);

// Bytes of one pixel row of a DIB, padded to 32 bits; 0 when the row would
// not fit 32 bits.
constexpr uint32_t dibRowBytes(int64_t width, int bitsPerPixel) {
  const int64_t bytes = (width * bitsPerPixel + 31) / 32 * 4;
  return bytes < 0 || bytes > 0x7FFFFFFF ? 0 : static_cast<uint32_t>(bytes);
}

}  // namespace platform
