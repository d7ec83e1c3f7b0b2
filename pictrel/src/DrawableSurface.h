// IDrawableDSImp: the one implementation of Pictrel::IDrawableDS, and the
// state every drawing routine of the library works on.
//
// Representation. A surface is empty (no pixels), holds its own DIB section
// (the HBITMAP, a memory DC with the bitmap and the surface font selected),
// or borrows the pixel rows of an attached raster image (no DC). Whatever
// the source, `rows[i]` addresses picture row i (row 0 at the top), so no
// routine cares whether the rows are stored top-down or bottom-up; `stride`
// is the signed step from one picture row to the next in memory. `info`
// describes the pixels for GDI; `dib` is the platform's record of them (its
// dsBm.bmWidth, dsBm.bmWidthBytes and dsBm.bmBitsPixel are the width, row
// bytes and depth every routine reads).
//
// Only the life-cycle functions (create, attach, destroy) change the pixel
// source; the clip rectangle lives in `lineClip.clip` and is changed by the
// clip slots and by every new pixel source.
#pragma once

#include "interfaces/DrawableDS.h"

#include "platform/Gdi.h"
#include "platform/Synchronization.h"

#include <memory>
#include <vector>

namespace platform {
struct IStream;
}

namespace Gdiplus {
class Graphics;
class Font;
class StringFormat;
class SolidBrush;
struct RectF;
}  // namespace Gdiplus

namespace Pictrel {

enum class SurfaceMode : int32_t {
  Empty = 0,
  OwnDib = 1,         // own DIB section or adopted HBITMAP
  AttachedImage = 2,  // rows of an IRasterImage
};

struct SurfaceState;

// One clipped stretch of a Bresenham line. The walk keeps the unclipped
// line's slope and error term, so a clipped line sets exactly the pixels
// of the unclipped one that fall inside the clip.
struct LineWalk {
  int32_t x = 0;  // first pixel to set
  int32_t y = 0;
  int64_t steps = 0;  // pixels after the first, counted along the major axis
  int32_t stepX = 1;  // ±1
  int32_t stepY = 1;
  int64_t dx = 0;  // |x1 − x0| and |y1 − y0| of the unclipped line
  int64_t dy = 0;
  int64_t error = 0;    // Bresenham's error term at the first pixel
  bool yMajor = false;  // dy ≥ dx: y steps every pixel (ties go here)
};

// The per-depth drawing routines, chosen when a pixel source is set up.
// Spans and walks are already clipped to the surface; `pixel` is the
// colour mapped to the surface's depth.
using PixelSpanRoutine = void (*)(SurfaceState& state, int x0, int x1, int y, uint32_t pixel);
using PixelLineRoutine = void (*)(SurfaceState& state, const LineWalk& walk, uint32_t pixel);
using DashedLineRoutine = void (*)(SurfaceState& state, const LineWalk& walk, uint32_t pixelA, uint32_t pixelB);
using CoverageBlendRoutine = void (*)(SurfaceState& state, int x, int y, COLORREF color, uint8_t coverage);

// A segment and the clip rectangle it is cut against; the out-code words
// collect, per end, the boundaries that cut it (16 in both: invisible).
struct LineClipRecord {
  int32_t x0 = 0;
  int32_t y0 = 0;
  int32_t x1 = 0;
  int32_t y1 = 0;
  tagT_IRECT2D clip{0, 0, 0, 0};  // the surface's clip rectangle, inclusive
  uint32_t startOutcode = 0;
  uint32_t endOutcode = 0;
};

// The last four colours mapped to palette indexes, most recent first.
struct NearestColorCache {
  uint32_t count = 0;  // 0-4
  COLORREF colors[4] = {};
  uint32_t indexes[4] = {};
};

// Room for the 40-byte header and 256 colour entries (or the three masks).
struct SurfaceBitmapInfo {
  BITMAPINFOHEADER header;
  RGBQUAD colors[256];

  BITMAPINFO* asInfo() { return reinterpret_cast<BITMAPINFO*>(this); }
  uint32_t* masks() { return reinterpret_cast<uint32_t*>(colors); }
};

struct SurfaceState {
  SurfaceMode mode = SurfaceMode::Empty;
  void* pixelOwner = nullptr;        // HBITMAP (own DIB) or IRasterImage* (attached)
  bool topDown = false;              // row 0 is the first row in memory
  HDC memoryDC = nullptr;            // own DIB only
  HGDIOBJ previousBitmap = nullptr;  // what the DC held before the bitmap
  HRGN lentClipRegion = nullptr;     // selected while the DC is lent out
  std::unique_ptr<SurfaceBitmapInfo> info;
  BYTE* bits = nullptr;  // first byte of the pixel memory
  DIBSECTION dib{};
  uint8_t redShift = 0;  // lowest set bit of each channel mask (15/16/32 bpp)
  uint8_t greenShift = 0;
  uint8_t blueShift = 0;
  bool greenHasSixBits = false;  // 16 bpp with a 6-bit green field
  int32_t height = 0;            // absolute pixel height
  int32_t stride = 0;            // bytes from row i to row i + 1; negative bottom-up
  std::vector<BYTE*> rows;       // `height` entries, row 0 at the top
  NearestColorCache nearestCache;
  PixelSpanRoutine spanRoutine = nullptr;
  PixelLineRoutine lineRoutine = nullptr;
  DashedLineRoutine dashedLineRoutine = nullptr;
  CoverageBlendRoutine coverageBlendRoutine = nullptr;
  LineClipRecord lineClip;
  std::vector<tagT_IRECT2D> clipStack;  // saved clip rectangles, last pushed at the back
  HGDIOBJ previousFont = nullptr;       // what the DC held before the surface font
  HFONT font = nullptr;                 // the surface font
  ULONG_PTR gdiplusToken = 0;           // 0 when the GDI+ start-up failed
  int32_t antiAliasCounter = 0;         // GDI+ drawing is on while > 0 (and a token exists)
  CRITICAL_SECTION lock{};

  bool hasPixels() const { return bits != nullptr; }
  int width() const { return dib.dsBm.bmWidth; }
  int bitsPerPixel() const { return dib.dsBm.bmBitsPixel; }
  tagT_IRECT2D& clip() { return lineClip.clip; }
};

// Drops the surface's reference to an attached raster image (null: nothing).
void releaseAttachedImage(void* image);

class IDrawableDSImp final : public CountedUnknownImp<IDrawableDS> {
public:
  IDrawableDSImp();
  ~IDrawableDSImp();
  IDrawableDSImp(const IDrawableDSImp&) = delete;
  IDrawableDSImp& operator=(const IDrawableDSImp&) = delete;

  HRESULT QueryInterface(REFIID iid, void** out) override;

  HRESULT Create(int width, int height, int bpp, const RGBQUAD* palette) override;
  HRESULT Destroy() override;
  bool IsBottomUp() override;
  HBITMAP GetHBITMAP() override;
  HBITMAP DetachHBITMAP() override;
  HRESULT AttachDIB(HBITMAP bitmap, HDC dc) override;
  int GetWidth() override;
  int GetHeight() override;
  int GetBitsPerPixel() override;
  BYTE* GetBits() override;
  BYTE* GetScanLine(int row) override;
  RGBQUAD* GetPalette() override;
  HRESULT SetPalette(const RGBQUAD* entries) override;
  int NearestPaletteIndex(COLORREF color) override;
  HRESULT GetPixel(int x, int y, COLORREF* out) override;
  HRESULT SetPixel(int x, int y, DWORD value) override;
  HRESULT XorPixel(int x, int y, DWORD value) override;
  HRESULT GetPixelIndex(int x, int y, int* out) override;
  HRESULT SetPixelIndex(int x, int y, int index) override;
  HRESULT XorPixelIndex(int x, int y, int index) override;
  HRESULT Clear(COLORREF color) override;
  HRESULT HLine(int x0, int y, int x1, COLORREF color) override;
  HRESULT VLine(int x, int y0, int y1, COLORREF color) override;
  HRESULT Line(int x0, int y0, int x1, int y1, COLORREF color) override;
  HRESULT Rectangle(int x0, int y0, int x1, int y1, COLORREF color) override;
  HRESULT Circle(int cx, int cy, int r, DWORD value) override;
  HRESULT FilledCircle(int cx, int cy, int r, COLORREF color) override;
  HRESULT XorHLine(int x0, int y, int x1, COLORREF color) override;
  HRESULT XorVLine(int x, int y0, int y1, COLORREF color) override;
  HRESULT XorLine(int x0, int y0, int x1, int y1, COLORREF color) override;
  HRESULT XorRectangle(int x0, int y0, int x1, int y1, COLORREF color) override;
  HRESULT XorCircle(int cx, int cy, int r, DWORD value) override;
  HRESULT XorFilledCircle(int cx, int cy, int r, COLORREF color) override;
  HRESULT CreateHPALETTE(HDC dc, HPALETTE* out) override;
  HRESULT BltTo(HDC dc, const tagT_IRECT2D* source, int x, int y, bool realizePalette) override;
  HRESULT StretchTo(HDC dc, const tagT_IRECT2D* source, const tagT_IRECT2D* destination, bool realizePalette) override;
  HRESULT SwapRows(int rowA, int rowB) override;
  HRESULT MirrorRow(int row) override;
  HRESULT FlipVertical() override;
  HRESULT MirrorHorizontal() override;
  HRESULT AttachImage(IRasterImage* image) override;
  HRESULT DetachImage() override;
  bool IsImageAttached() override;
  IRasterImage* GetAttachedImage() override;
  HRESULT GetDC(HDC* out, bool noClipRegion) override;
  HRESULT ReleaseDC(HDC dc) override;
  HRESULT CreateEx(int width, int height, int bpp, DWORD reserved, const RGBQUAD* palette) override;
  HRESULT CopyTo(IDrawableDS* destination, const tagT_IRECT2D* source, int x, int y) override;
  HRESULT TransferTo(IDrawableDS* destination, const tagT_IRECT2D* source, int x, int y, COLORREF key) override;
  HRESULT TileTo(IDrawableDS* destination, const tagT_IRECT2D* source, const tagT_IRECT2D* target,
                 COLORREF key) override;
  HRESULT TransferAllTo(IDrawableDS* destination, COLORREF key) override;
  HRESULT LoadBitmapResource(HINSTANCE instance, LPCWSTR name, int bpp) override;
  HRESULT Ellipse(int cx, int cy, int rx, int ry, DWORD value) override;
  HRESULT XorEllipse(int cx, int cy, int rx, int ry, DWORD value) override;
  HRESULT GetClipRect(tagT_IRECT2D* out) override;
  HRESULT SetClipRect(const tagT_IRECT2D* rect) override;
  HRESULT ClipLine(int* x0, int* y0, int* x1, int* y1) override;
  HRESULT MakeTopDown() override;
  HRESULT MakeBottomUp() override;
  HRESULT AALine(int x0, int y0, int x1, int y1, int width, COLORREF color) override;
  HRESULT AACircle(int cx, int cy, int r, int width, COLORREF color) override;
  HRESULT FillPolygonColumn(int x, const tagT_IPOINT2D* points, int count, COLORREF color) override;
  HRESULT FillPolygon(const tagT_IPOINT2D* points, int count, COLORREF color) override;
  HRESULT AAPolyline(const tagT_IPOINT2D* points, int count, int width, COLORREF color) override;
  HRESULT AAPolygon(const tagT_IPOINT2D* points, int count, int width, COLORREF color) override;
  HRESULT SetFont(LPCWSTR face, DWORD style, int height) override;
  HRESULT SelectGdiObject(HGDIOBJ object, HGDIOBJ* previous) override;
  HRESULT DrawText(LPCWSTR text, tagT_IRECT2D* rect, UINT format, COLORREF color) override;
  HRESULT DrawTextAt(LPCWSTR text, int x, int y, DWORD flags, COLORREF color, tagT_IRECT2D* box) override;
  HRESULT FillRect(int x0, int y0, int x1, int y1, COLORREF color) override;
  HRESULT FillRectR(const tagT_IRECT2D* rect, COLORREF color) override;
  HRESULT PushClipRect(const tagT_IRECT2D* rect) override;
  HRESULT PopClipRect() override;
  HRESULT LoadPNGResource(HINSTANCE instance, UINT number) override;
  HRESULT LoadImageFromMemory(const void* data, DWORD size) override;
  HRESULT SetFontEx(LPCWSTR face, DWORD style, int height, int width) override;
  HRESULT AlphaBlendTo(HDC dc, const tagT_IRECT2D* source, int x, int y, int* width, int* height) override;
  HRESULT DashedHLine(int x0, int y, int x1, COLORREF colorA, COLORREF colorB) override;
  HRESULT DashedVLine(int x, int y0, int y1, COLORREF colorA, COLORREF colorB) override;
  HRESULT DashedLine(int x0, int y0, int x1, int y1, COLORREF colorA, COLORREF colorB) override;
  HRESULT FillTriangle(const tagT_IPOINT2D* points, COLORREF color) override;
  HRESULT AAFilledCircle(int cx, int cy, int r, COLORREF color) override;
  HRESULT ThickLine(int x0, int y0, int x1, int y1, int width, DWORD value) override;
  HRESULT BlendPixel(int x, int y, COLORREF color, int alpha) override;
  HRESULT Lock(bool wait) override;
  HRESULT Unlock() override;
  HRESULT Checksum(uint64_t* out) override;
  HRESULT FillTriangleDepth(IDrawableDS* depthSurface, const tagT_IPOINT2D* points, const float* depths,
                            DWORD value) override;
  HRESULT DepthTestedSquare(IDrawableDS* depthSurface, const tagT_IPOINT2D* point, int size, int32_t depthBits,
                            DWORD value) override;
  HRESULT AlphaBlendToEx(HDC dc, const tagT_IRECT2D* source, int x, int y, const BLENDFUNCTION* blend) override;
  HRESULT DrawTexturedQuad(const TexturedQuadRecord* record) override;
  HRESULT EnableAntiAlias(bool on) override;
  bool IsAntiAliasEnabled() override;
  void* GetImpData() override;
  HRESULT Reserved97(uintptr_t first, uintptr_t second) override;
  HRESULT Reserved98() override;
  HRESULT Reserved99() override;
  HRESULT Reserved100() override;

  SurfaceState& state() { return state_; }
  // The one call made when the attached image is let go (null: none).
  void notifyImageRelease(void (*released)(void*), void* context) {
    imageReleased_ = released;
    imageReleasedContext_ = context;
  }

private:
  // Row stride, row table, shifts, clip and routines of a new pixel source
  // whose `dib`, `info`, `bits`, `height` and `topDown` are set; false (and
  // the surface destroyed) when the row table cannot be had.
  bool finishPixelSourceOrDestroy();
  // The memory DC with the bitmap and the default font selected.
  bool selectIntoMemoryDC(HBITMAP bitmap, HDC compatibleWith);
  void computeChannelShifts();
  // A top-down 32-bpp surface from a decoded picture.
  HRESULT loadDecodedImage(platform::IStream* stream);
  // MakeTopDown and MakeBottomUp.
  HRESULT turnRowOrder(bool topDown);
  // S_OK when `depthSurface` is a 32-bpp surface of this surface's size.
  HRESULT checkDepthSurface(IDrawableDS* depthSurface);
  // Text: which path draws it, and the steps the paths share.
  bool usesGdiplusText();
  HRESULT drawWithGdi(LPCWSTR text, const tagT_IRECT2D& rect, RECT& gdiRect, UINT format, COLORREF color);
  HRESULT drawTextAtWithGdi(LPCWSTR text, int x, int y, DWORD flags, COLORREF color, tagT_IRECT2D* box);
  void drawStringInClip(Gdiplus::Graphics& graphics, LPCWSTR text, const Gdiplus::Font& font,
                        const Gdiplus::RectF& layout, const Gdiplus::StringFormat& format,
                        const Gdiplus::SolidBrush& brush);
  void installRoutines();
  void clearRoutines();

  SurfaceState state_;
  void (*imageReleased_)(void*) = nullptr;
  void* imageReleasedContext_ = nullptr;
};

}  // namespace Pictrel
