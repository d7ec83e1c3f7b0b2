// Pixel sources loaded from pictures: a bitmap resource or ".bmp" file at
// its own depth or converted to the one asked for, and encoded pictures
// (PNG and the other formats the platform decodes) as 32-bpp surfaces.
#include "SurfaceDrawing.h"

#include "platform/BinaryResources.h"
#include "platform/ComStream.h"
#include "platform/GdiBlits.h"
#include "platform/GdiPlusBitmap.h"
#include "platform/GlobalMemory.h"

#include <cstdlib>
#include <cstring>

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
  const HRESULT created =
      Create(dib.dsBm.bmWidth, std::abs(dib.dsBmih.biHeight), bpp, entries > 0 && bpp <= 8 ? table : nullptr);
  if (SUCCEEDED(created)) {
    HPALETTE palette = entries > 0 ? paletteOfColors(table, entries) : nullptr;
    HPALETTE previousPalette = nullptr;
    if (palette) {
      previousPalette = SelectPalette(temporary, palette, FALSE);
      RealizePalette(temporary);
    }
    BitBlt(state_.memoryDC, 0, 0, dib.dsBm.bmWidth, std::abs(dib.dsBmih.biHeight), temporary, 0, 0, SRCCOPY);
    if (previousPalette) SelectPalette(temporary, previousPalette, FALSE);
    if (palette) DeleteObject(palette);
  }
  if (previousBitmap) SelectObject(temporary, previousBitmap);
  DeleteDC(temporary);
  DeleteObject(bitmap);
  return created;
}

HRESULT Pictrel::IDrawableDSImp::LoadPNGResource(HINSTANCE instance, UINT number) {
  if (!instance || number == 0) return E_INVALIDARG;
  HRSRC resource = FindResourceW(instance, MAKEINTRESOURCEW(number), u"PNG");
  if (!resource) return E_FAIL;
  HGLOBAL loaded = LoadResource(instance, resource);
  const void* data = loaded ? LockResource(loaded) : nullptr;
  if (!data) {
    if (loaded) FreeResource(loaded);
    return E_FAIL;
  }
  const HRESULT result = LoadImageFromMemory(data, SizeofResource(instance, resource));
  FreeResource(loaded);
  return result;
}

HRESULT Pictrel::IDrawableDSImp::LoadImageFromMemory(const void* data, DWORD size) {
  if (!data || size == 0) return E_INVALIDARG;
  HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, size);
  if (!block) return E_OUTOFMEMORY;
  std::memcpy(GlobalLock(block), data, size);
  platform::IStream* stream = nullptr;
  HRESULT result = CreateStreamOnHGlobal(block, FALSE, &stream);
  if (SUCCEEDED(result)) {
    result = loadDecodedImage(stream);
    stream->Release();
  }
  GlobalUnlock(block);
  GlobalFree(block);
  return result;
}

HRESULT Pictrel::IDrawableDSImp::loadDecodedImage(platform::IStream* stream) {
  Gdiplus::Bitmap bitmap(stream);
  if (bitmap.GetLastStatus() != Gdiplus::Status::Ok) return E_FAIL;
  const auto width = static_cast<int>(bitmap.GetWidth());
  const auto height = static_cast<int>(bitmap.GetHeight());
  const HRESULT created = Create(width, -height, 32, nullptr);
  if (FAILED(created)) return created;
  // Every picture is lent as 32-bit ARGB, so rows of any format fill the
  // surface's 32-bit rows exactly.
  const Gdiplus::Rect whole{0, 0, width, height};
  Gdiplus::BitmapData locked{};
  if (bitmap.LockBits(&whole, Gdiplus::ImageLockModeRead, Gdiplus::PixelFormat32bppARGB, &locked) !=
      Gdiplus::Status::Ok)
    return E_OUTOFMEMORY;
  for (int y = 0; y < height; ++y)
    std::memcpy(state_.rows[static_cast<size_t>(y)],
                static_cast<const BYTE*>(locked.Scan0) + static_cast<ptrdiff_t>(y) * locked.Stride,
                static_cast<size_t>(width) * 4);
  bitmap.UnlockBits(&locked);
  return created;
}
