// The raster image's GDI palette, and the device context it does not have.
#include "RasterImageImp.h"

#include "platform/Gdi.h"
#include "platform/MessageBox.h"

#include "FreeImageApi.h"

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
