// Pictrel::IDrawableDS: the off-screen raster drawing surface of the drawing
// surface library, made by its factory pctAllocIntf.
//
// A surface holds one pixel source at a time (its own DIB section or an
// attached raster image) at 1, 4, 8, 15, 16, 24 or 32 bits per pixel, a
// clip rectangle with a stack, and a memory DC. Coordinates are pixels, x to
// the right, y downward, row 0 at the top of the picture. Rectangles are
// inclusive on all four sides unless a slot says otherwise. Colours are
// COLORREF values (red in the low byte); a pixel value is a palette index at
// 1-8 bpp and a colour above. Results are HRESULTs: S_FALSE when nothing was
// drawn because the figure lies outside the clip or there was nothing to do,
// E_FAIL without pixels or at a depth the slot cannot serve.
//
// The operations are declared in the order of their table slots (three of
// the COM base, then 98 own ones); never reorder them. The table has no
// virtual destructor: a surface ends with its last Release.
#pragma once

#include "interfaces/ObjectModel.h"

#include "platform/WinTypes.h"

#include <cstddef>
#include <cstdint>

struct tagRGBQUAD;
using RGBQUAD = tagRGBQUAD;
struct BLENDFUNCTION;
struct IRasterImage;
using COLORREF = DWORD;

// An inclusive rectangle of pixel coordinates.
struct tagT_IRECT2D {
  int32_t left;
  int32_t top;
  int32_t right;
  int32_t bottom;
};
static_assert(sizeof(tagT_IRECT2D) == 16);

struct tagT_IPOINT2D {
  int32_t x;
  int32_t y;
};
static_assert(sizeof(tagT_IPOINT2D) == 8);

namespace Pictrel {

// {C28B068D-7962-4A66-B868-CD8BE0B6ABFF}
inline constexpr IID IID_IDrawableDS = {0xC28B068D, 0x7962, 0x4A66, {0xB8, 0x68, 0xCD, 0x8B, 0xE0, 0xB6, 0xAB, 0xFF}};

// Called by DrawTexturedQuad for every pixel it covers: (user data, x, row,
// colour, colour); both colours are the texel's COLORREF, with the texel's
// alpha byte on top for a 32-bpp texture.
using PixelCallback = void (*)(void* userData, int x, int y, COLORREF color, COLORREF sameColor);

// The record of DrawTexturedQuad. Corner 0 shows texel (0, 0), corner 1
// (width, 0), corner 2 (width, height), corner 3 (0, height). In the
// 64-bit form the callback and user data are pointers:
//   offset 0   callback          8 bytes
//   offset 8   user data         8 bytes
//   offset 16  x of corners 0-3  4 × i32
//   offset 32  y of corners 0-3  4 × i32
//   offset 48  clip x-min, y-min, x-max, y-max (inclusive)  4 × i32
//   offset 64  flags (bit 0: truncating edges)  i32, then 4 bytes padding
struct TexturedQuadRecord {
  PixelCallback callback;
  void* userData;
  int32_t x[4];
  int32_t y[4];
  int32_t clipMinX;
  int32_t clipMinY;
  int32_t clipMaxX;
  int32_t clipMaxY;
  int32_t flags;
};
static_assert(sizeof(TexturedQuadRecord) == 72);
static_assert(offsetof(TexturedQuadRecord, clipMinX) == 48);

struct ZEF_EXPORT IDrawableDS : IUnknown {
  // Pixel sources and their description.
  virtual HRESULT Create(int width, int height, int bpp, const RGBQUAD* palette) = 0;  // 3
  virtual HRESULT Destroy() = 0;                                                       // 4
  virtual bool IsBottomUp() = 0;                                                       // 5
  virtual HBITMAP GetHBITMAP() = 0;                                                    // 6
  virtual HBITMAP DetachHBITMAP() = 0;                                                 // 7
  virtual HRESULT AttachDIB(HBITMAP bitmap, HDC dc) = 0;                               // 8
  virtual int GetWidth() = 0;                                                          // 9
  virtual int GetHeight() = 0;                                                         // 10
  virtual int GetBitsPerPixel() = 0;                                                   // 11
  virtual BYTE* GetBits() = 0;                                                         // 12
  virtual BYTE* GetScanLine(int row) = 0;                                              // 13

  // Pixels and palette.
  virtual RGBQUAD* GetPalette() = 0;                           // 14
  virtual HRESULT SetPalette(const RGBQUAD* entries) = 0;      // 15
  virtual int NearestPaletteIndex(COLORREF color) = 0;         // 16
  virtual HRESULT GetPixel(int x, int y, COLORREF* out) = 0;   // 17
  virtual HRESULT SetPixel(int x, int y, DWORD value) = 0;     // 18
  virtual HRESULT XorPixel(int x, int y, DWORD value) = 0;     // 19
  virtual HRESULT GetPixelIndex(int x, int y, int* out) = 0;   // 20
  virtual HRESULT SetPixelIndex(int x, int y, int index) = 0;  // 21
  virtual HRESULT XorPixelIndex(int x, int y, int index) = 0;  // 22
  virtual HRESULT Clear(COLORREF color) = 0;                   // 23

  // Raster primitives.
  virtual HRESULT HLine(int x0, int y, int x1, COLORREF color) = 0;                  // 24
  virtual HRESULT VLine(int x, int y0, int y1, COLORREF color) = 0;                  // 25
  virtual HRESULT Line(int x0, int y0, int x1, int y1, COLORREF color) = 0;          // 26
  virtual HRESULT Rectangle(int x0, int y0, int x1, int y1, COLORREF color) = 0;     // 27
  virtual HRESULT Circle(int cx, int cy, int r, DWORD value) = 0;                    // 28
  virtual HRESULT FilledCircle(int cx, int cy, int r, COLORREF color) = 0;           // 29
  virtual HRESULT XorHLine(int x0, int y, int x1, COLORREF color) = 0;               // 30
  virtual HRESULT XorVLine(int x, int y0, int y1, COLORREF color) = 0;               // 31
  virtual HRESULT XorLine(int x0, int y0, int x1, int y1, COLORREF color) = 0;       // 32
  virtual HRESULT XorRectangle(int x0, int y0, int x1, int y1, COLORREF color) = 0;  // 33
  virtual HRESULT XorCircle(int cx, int cy, int r, DWORD value) = 0;                 // 34
  virtual HRESULT XorFilledCircle(int cx, int cy, int r, COLORREF color) = 0;        // 35
  virtual HRESULT CreateHPALETTE(HDC dc, HPALETTE* out) = 0;                         // 36

  // Images, blits and row operations.
  virtual HRESULT BltTo(HDC dc, const tagT_IRECT2D* source, int x, int y,
                        bool realizePalette) = 0;  // 37
  virtual HRESULT StretchTo(HDC dc, const tagT_IRECT2D* source, const tagT_IRECT2D* destination,
                            bool realizePalette) = 0;    // 38
  virtual HRESULT SwapRows(int rowA, int rowB) = 0;      // 39
  virtual HRESULT MirrorRow(int row) = 0;                // 40
  virtual HRESULT FlipVertical() = 0;                    // 41
  virtual HRESULT MirrorHorizontal() = 0;                // 42
  virtual HRESULT AttachImage(IRasterImage* image) = 0;  // 43
  virtual HRESULT DetachImage() = 0;                     // 44
  virtual bool IsImageAttached() = 0;                    // 45
  virtual IRasterImage* GetAttachedImage() = 0;          // 46

  // The lent device context.
  virtual HRESULT GetDC(HDC* out, bool noClipRegion) = 0;  // 47
  virtual HRESULT ReleaseDC(HDC dc) = 0;                   // 48

  virtual HRESULT CreateEx(int width, int height, int bpp, DWORD reserved,
                           const RGBQUAD* palette) = 0;  // 49

  // Transfers between surfaces.
  virtual HRESULT CopyTo(IDrawableDS* destination, const tagT_IRECT2D* source, int x,
                         int y) = 0;  // 50
  virtual HRESULT TransferTo(IDrawableDS* destination, const tagT_IRECT2D* source, int x, int y,
                             COLORREF key) = 0;  // 51
  virtual HRESULT TileTo(IDrawableDS* destination, const tagT_IRECT2D* source, const tagT_IRECT2D* target,
                         COLORREF key) = 0;                                   // 52
  virtual HRESULT TransferAllTo(IDrawableDS* destination, COLORREF key) = 0;  // 53

  virtual HRESULT LoadBitmapResource(HINSTANCE instance, LPCWSTR name, int bpp) = 0;  // 54
  virtual HRESULT Ellipse(int cx, int cy, int rx, int ry, DWORD value) = 0;           // 55
  virtual HRESULT XorEllipse(int cx, int cy, int rx, int ry, DWORD value) = 0;        // 56

  // The clip rectangle.
  virtual HRESULT GetClipRect(tagT_IRECT2D* out) = 0;                // 57
  virtual HRESULT SetClipRect(const tagT_IRECT2D* rect) = 0;         // 58
  virtual HRESULT ClipLine(int* x0, int* y0, int* x1, int* y1) = 0;  // 59

  virtual HRESULT MakeTopDown() = 0;   // 60
  virtual HRESULT MakeBottomUp() = 0;  // 61

  // Anti-aliased figures and polygons.
  virtual HRESULT AALine(int x0, int y0, int x1, int y1, int width, COLORREF color) = 0;  // 62
  virtual HRESULT AACircle(int cx, int cy, int r, int width, COLORREF color) = 0;         // 63
  virtual HRESULT FillPolygonColumn(int x, const tagT_IPOINT2D* points, int count,
                                    COLORREF color) = 0;                                    // 64
  virtual HRESULT FillPolygon(const tagT_IPOINT2D* points, int count, COLORREF color) = 0;  // 65
  virtual HRESULT AAPolyline(const tagT_IPOINT2D* points, int count, int width,
                             COLORREF color) = 0;  // 66
  virtual HRESULT AAPolygon(const tagT_IPOINT2D* points, int count, int width,
                            COLORREF color) = 0;  // 67

  // Text and fonts.
  virtual HRESULT SetFont(LPCWSTR face, DWORD style, int height) = 0;      // 68
  virtual HRESULT SelectGdiObject(HGDIOBJ object, HGDIOBJ* previous) = 0;  // 69
  virtual HRESULT DrawText(LPCWSTR text, tagT_IRECT2D* rect, UINT format,
                           COLORREF color) = 0;  // 70
  virtual HRESULT DrawTextAt(LPCWSTR text, int x, int y, DWORD flags, COLORREF color,
                             tagT_IRECT2D* box) = 0;  // 71

  virtual HRESULT FillRect(int x0, int y0, int x1, int y1, COLORREF color) = 0;     // 72
  virtual HRESULT FillRectR(const tagT_IRECT2D* rect, COLORREF color) = 0;          // 73
  virtual HRESULT PushClipRect(const tagT_IRECT2D* rect) = 0;                       // 74
  virtual HRESULT PopClipRect() = 0;                                                // 75
  virtual HRESULT LoadPNGResource(HINSTANCE instance, UINT number) = 0;             // 76
  virtual HRESULT LoadImageFromMemory(const void* data, DWORD size) = 0;            // 77
  virtual HRESULT SetFontEx(LPCWSTR face, DWORD style, int height, int width) = 0;  // 78
  virtual HRESULT AlphaBlendTo(HDC dc, const tagT_IRECT2D* source, int x, int y, int* width,
                               int* height) = 0;  // 79

  // Two-colour dashes.
  virtual HRESULT DashedHLine(int x0, int y, int x1, COLORREF colorA, COLORREF colorB) = 0;  // 80
  virtual HRESULT DashedVLine(int x, int y0, int y1, COLORREF colorA, COLORREF colorB) = 0;  // 81
  virtual HRESULT DashedLine(int x0, int y0, int x1, int y1, COLORREF colorA,
                             COLORREF colorB) = 0;  // 82

  virtual HRESULT FillTriangle(const tagT_IPOINT2D* points, COLORREF color) = 0;          // 83
  virtual HRESULT AAFilledCircle(int cx, int cy, int r, COLORREF color) = 0;              // 84
  virtual HRESULT ThickLine(int x0, int y0, int x1, int y1, int width, DWORD value) = 0;  // 85
  virtual HRESULT BlendPixel(int x, int y, COLORREF color, int alpha) = 0;                // 86

  // The surface lock: callers bracket their use of a shared surface.
  virtual HRESULT Lock(bool wait) = 0;          // 87
  virtual HRESULT Unlock() = 0;                 // 88
  virtual HRESULT Checksum(uint64_t* out) = 0;  // 89

  // Depth-buffered and textured drawing.
  virtual HRESULT FillTriangleDepth(IDrawableDS* depthSurface, const tagT_IPOINT2D* points, const float* depths,
                                    DWORD value) = 0;  // 90
  virtual HRESULT DepthTestedSquare(IDrawableDS* depthSurface, const tagT_IPOINT2D* point, int size, int32_t depthBits,
                                    DWORD value) = 0;  // 91
  virtual HRESULT AlphaBlendToEx(HDC dc, const tagT_IRECT2D* source, int x, int y,
                                 const BLENDFUNCTION* blend) = 0;          // 92
  virtual HRESULT DrawTexturedQuad(const TexturedQuadRecord* record) = 0;  // 93

  virtual HRESULT EnableAntiAlias(bool on) = 0;                       // 94
  virtual bool IsAntiAliasEnabled() = 0;                              // 95
  virtual void* GetImpData() = 0;                                     // 96
  virtual HRESULT Reserved97(uintptr_t first, uintptr_t second) = 0;  // 97
  virtual HRESULT Reserved98() = 0;                                   // 98
  virtual HRESULT Reserved99() = 0;                                   // 99
  virtual HRESULT Reserved100() = 0;                                  // 100

protected:
  ~IDrawableDS() = default;
};

}  // namespace Pictrel

// The drawing surface library's one export: a new surface in *out (one
// reference) for IID_IDrawableDS. out null → E_INVALIDARG; another
// identifier → *out = null, E_NOINTERFACE (also when no surface can be
// made).
ZEF_EXTERN_C HRESULT pctAllocIntf(const GUID* iid, void** out);
