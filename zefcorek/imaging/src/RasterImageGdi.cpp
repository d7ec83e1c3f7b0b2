// The raster image drawn into device contexts, its GDI palette, and the
// device context it does not have.
//
// Draw takes the printing path on any device but a raster display
// (half-tone stretches, the image's palette or the stock one) and the
// display path otherwise (nearest-pixel stretches); both hand the image
// library's rows to StretchDIBits, or to SetDIBitsToDevice when the
// destination is within about three pixels of the source's size. Displays
// blit from the bitmap's DIB section when it has one. Parallelograms go
// through our own blit of the image library.
#include "RasterImageImp.h"

#include "platform/Gdi.h"
#include "platform/GdiBlits.h"
#include "platform/MessageBox.h"

#include "FreeImageApi.h"
#include "ImageLibrary.h"

#include <cmath>
#include <vector>

HRESULT IFIRasterImageImp::CreatePalette(HDC dc, HPALETTE* out) {
  if (out) *out = nullptr;
  if (!out || !dc) return ZR_BADARG;
  if (!bitmap_) return ZR_FAILED;
  const unsigned bpp = FreeImage_GetBPP(bitmap_);
  const RGBQUAD* colors = FreeImage_GetPalette(bitmap_);
  if (bpp > 8 || !colors) return ZR_OK;
  const unsigned entries = 1u << bpp;
  // The record is a LOGPALETTE followed by the rest of its entries.
  std::vector<BYTE> record(sizeof(LOGPALETTE) + entries * sizeof(PALETTEENTRY));
  auto* logical = reinterpret_cast<LOGPALETTE*>(record.data());
  logical->palVersion = 0x300;
  logical->palNumEntries = static_cast<WORD>(entries);
  PALETTEENTRY* target = logical->palPalEntry;
  for (unsigned i = 0; i < entries; ++i)
    target[i] = {colors[i].rgbRed, colors[i].rgbGreen, colors[i].rgbBlue, PC_NOCOLLAPSE};
  *out = ::CreatePalette(logical);
  return *out ? ZR_OK : E_FAIL;
}

ZRESULT IFIRasterImageImp::GetGDIDC(HDC* out) {
  MessageBoxW(nullptr, u"IFIRasterImageImp::GetGDIDC() not supported!", nullptr, MB_ICONSTOP);
  if (out) *out = nullptr;
  return ZR_NOTSUPPORTED;
}

ZRESULT IFIRasterImageImp::ReleaseGDIDC(HDC) {
  MessageBoxW(nullptr, u"IFIRasterImageImp::ReleaseGDIDC() not supported!", nullptr, MB_ICONSTOP);
  return ZR_NOTSUPPORTED;
}

namespace {

int widthOf(const RECT& rect) { return rect.right - rect.left + 1; }
int heightOf(const RECT& rect) { return rect.bottom - rect.top + 1; }

}  // namespace

// The display path of a bitmap whose pixels live in a DIB section: the
// section goes into a memory DC and is blitted from there.
void IFIRasterImageImp::drawFromSection(HDC dc, HBITMAP section, const RECT& source, const RECT& destination,
                                        bool unscaled) {
  HDC memory = CreateCompatibleDC(dc);
  if (!memory) return;
  HPALETTE own = nullptr;
  (void)CreatePalette(dc, &own);
  HPALETTE previousTarget = own ? SelectPalette(dc, own, TRUE) : nullptr;
  HPALETTE previousMemory = own ? SelectPalette(memory, own, TRUE) : nullptr;
  if (own) {
    RealizePalette(dc);
    RealizePalette(memory);
  }
  HGDIOBJ previousBitmap = SelectObject(memory, section);
  if (unscaled) {
    BitBlt(dc, destination.left, destination.top, widthOf(source), heightOf(source), memory, source.left, source.top,
           SRCCOPY);
  } else {
    SetStretchBltMode(dc, COLORONCOLOR);
    StretchBlt(dc, destination.left, destination.top, widthOf(destination), heightOf(destination), memory, source.left,
               source.top, widthOf(source), heightOf(source), SRCCOPY);
  }
  GdiFlush();
  if (previousMemory) SelectPalette(memory, previousMemory, TRUE);
  if (previousTarget) SelectPalette(dc, previousTarget, TRUE);
  if (own) DeleteObject(own);
  SelectObject(memory, previousBitmap);
  DeleteDC(memory);
}

ZRESULT IFIRasterImageImp::Draw(RasterDrawParms* parms) {
  if (!parms || parms->size != sizeof(RasterDrawParms)) return ZR_BADARG;
  if (!bitmap_) return ZR_FAILED;
  HDC dc = parms->hdc;
  // The clip, in device points, when it has a width and a height.
  const RECT& clip = parms->clip;
  if (clip.right != clip.left && clip.bottom != clip.top) {
    POINT corners[2] = {{clip.left, clip.top}, {clip.right, clip.bottom}};
    LPtoDP(dc, corners, 2);
    HRGN region = CreateRectRgn(corners[0].x, corners[0].y, corners[1].x, corners[1].y);
    SelectClipRgn(dc, region);
    DeleteObject(region);
  }
  const RECT& source = parms->source;
  const RECT& destination = parms->destination;
  const double rx = static_cast<double>(widthOf(destination)) / widthOf(source);
  const double ry = static_cast<double>(heightOf(destination)) / heightOf(source);
  const bool unscaled = std::abs(rx - 1) <= 3.0 / widthOf(source) && std::abs(ry - 1) <= 3.0 / heightOf(source);
  const bool display = GetDeviceCaps(dc, TECHNOLOGY) == DT_RASDISPLAY;

  HBITMAP section = display ? zefcorek::imagelib::DibSectionOf(bitmap_) : nullptr;
  if (section) {
    drawFromSection(dc, section, source, destination, unscaled);
  } else {
    SetStretchBltMode(dc, display ? COLORONCOLOR : HALFTONE);
    if (!display) SetBrushOrgEx(dc, 0, 0, nullptr);
    HPALETTE own = nullptr;
    (void)CreatePalette(dc, &own);
    HPALETTE chosen = own ? own : (display ? nullptr : static_cast<HPALETTE>(GetStockObject(DEFAULT_PALETTE)));
    HPALETTE previous = chosen ? SelectPalette(dc, chosen, TRUE) : nullptr;
    if (chosen) RealizePalette(dc);
    const auto* info = reinterpret_cast<const BITMAPINFO*>(FreeImage_GetInfo(bitmap_));
    const void* bits = FreeImage_GetBits(bitmap_);
    if (unscaled) {
      SetDIBitsToDevice(dc, destination.left, destination.top, static_cast<DWORD>(widthOf(source)),
                        static_cast<DWORD>(heightOf(source)), source.left, source.top, 0, FreeImage_GetHeight(bitmap_),
                        bits, info, DIB_RGB_COLORS);
    } else {
      StretchDIBits(dc, destination.left, destination.top, widthOf(destination), heightOf(destination), source.left,
                    source.top, widthOf(source), heightOf(source), bits, info, DIB_RGB_COLORS, SRCCOPY);
    }
    GdiFlush();
    if (previous) SelectPalette(dc, previous, TRUE);
    if (own) DeleteObject(own);
  }
  SelectClipRgn(dc, nullptr);
  return ZR_OK;
}

ZRESULT IFIRasterImageImp::DrawParallelogram(RasterPlgDrawParms* parms) {
  if (!parms) return ZR_BADARG;
  if (!bitmap_) return ZR_FAILED;
  zefcorek::imagelib::PlgBltParms record{};
  record.e = parms->e;
  record.f = parms->f;
  for (int i = 0; i < 4; ++i) {
    record.x[i] = parms->corners[i][0];
    record.y[i] = parms->corners[i][1];
  }
  record.a = parms->a;
  record.b = parms->b;
  record.c = parms->c;
  record.d = parms->d;
  return zefcorek::imagelib::PlgBlt(bitmap_, &record) == 1 ? ZR_OK : ZR_FAILED;
}
