// Pixel sources loaded from bitmaps: a bitmap resource or ".bmp" file, at
// its own depth or converted to the one asked for.
#include "SurfaceDrawing.h"

#include "platform/BinaryResources.h"
#include "platform/GdiBlits.h"

#include <cstdlib>

HRESULT Pictrel::IDrawableDSImp::LoadBitmapResource(HINSTANCE instance, LPCWSTR name, int bpp) {
  const UINT flags = LR_CREATEDIBSECTION | (instance ? 0 : LR_LOADFROMFILE);
  auto* bitmap = static_cast<HBITMAP>(LoadImageW(instance, name, IMAGE_BITMAP, 0, 0, flags));
  if (!bitmap) return E_FAIL;
  DIBSECTION dib{};
  if (GetObjectW(bitmap, sizeof dib, &dib) != static_cast<int>(sizeof dib) || dib.dsBm.bmPlanes != 1) {
    DeleteObject(bitmap);
    return E_FAIL;
  }
  if (dib.dsBm.bmBitsPixel == bpp) {
    const HRESULT attached = AttachDIB(bitmap, nullptr);
    if (FAILED(attached)) DeleteObject(bitmap);
    return attached;
  }
  // Another depth: a new surface, and the bitmap blitted onto it with its
  // palette realised. The table is padded to 256 entries, so a surface
  // deeper than the bitmap reads zeros past its end.
  RGBQUAD table[256] = {};
  HDC temporary = CreateCompatibleDC(nullptr);
  HGDIOBJ previousBitmap = SelectObject(temporary, bitmap);
  const UINT entries = dib.dsBm.bmBitsPixel <= 8 ? GetDIBColorTable(temporary, 0, 256, table) : 0;
  const HRESULT created = Create(dib.dsBm.bmWidth, std::abs(dib.dsBmih.biHeight), bpp,
                                 entries > 0 && bpp <= 8 ? table : nullptr);
  if (SUCCEEDED(created)) {
    HPALETTE palette = nullptr;
    HPALETTE previousPalette = nullptr;
    if (entries > 0) {
      struct {
        LOGPALETTE head;
        PALETTEENTRY more[255];
      } logical{};
      logical.head.palVersion = 0x300;
      logical.head.palNumEntries = static_cast<WORD>(entries);
      PALETTEENTRY* target = logical.head.palPalEntry;
      for (UINT i = 0; i < entries; ++i)
        target[i] = {table[i].rgbRed, table[i].rgbGreen, table[i].rgbBlue, PC_NOCOLLAPSE};
      palette = CreatePalette(&logical.head);
      if (palette) {
        previousPalette = SelectPalette(temporary, palette, FALSE);
        RealizePalette(temporary);
      }
    }
    BitBlt(state_.memoryDC, 0, 0, dib.dsBm.bmWidth, std::abs(dib.dsBmih.biHeight), temporary, 0, 0,
           SRCCOPY);
    if (previousPalette) SelectPalette(temporary, previousPalette, FALSE);
    if (palette) DeleteObject(palette);
  }
  if (previousBitmap) SelectObject(temporary, previousBitmap);
  DeleteDC(temporary);
  DeleteObject(bitmap);
  return created;
}
