// Device contexts, palettes, rectangular regions and font objects.
//
// A memory DC records what is selected into it; the screen DC only answers
// GetDeviceCaps. Nothing is drawn here: the drawing calls read the records.
#include "GdiObjects.h"

#include "platform/GdiText.h"
#include "platform/LastError.h"

#include <atomic>

#include <algorithm>

namespace gdi = platform::gdi;

namespace {

constexpr int kScreenWidth = 1920;
constexpr int kScreenHeight = 1080;
constexpr int kPixelsPerInch = 96;

std::unique_ptr<gdi::DeviceContextObject> newDeviceContext(gdi::DeviceKind device) {
  auto context = std::make_unique<gdi::DeviceContextObject>(device);
  context->font = gdi::stockFont();
  context->palette = gdi::stockPalette();
  if (device == gdi::DeviceKind::Memory) context->bitmap = gdi::stockBitmap();
  return context;
}

// Gives up the DC's selections before it goes.
void releaseSelections(gdi::DeviceContextObject& context) {
  for (HGDIOBJ held : {context.bitmap, static_cast<HGDIOBJ>(context.palette), context.font}) {
    gdi::GdiObject* object = gdi::lookupObject(held);
    if (!object || object->isStock) continue;
    --object->selectionCount;
    if (object->kind() == gdi::GdiObjectKind::Bitmap) static_cast<gdi::BitmapObject*>(object)->selectedInto = nullptr;
  }
}

int regionKind(const gdi::RegionShape& shape) { return shape.isEmpty() ? NULLREGION : SIMPLEREGION; }

}  // namespace

HDC CreateCompatibleDC(HDC dc) {
  if (dc && !gdi::lookupDC(dc)) {
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  return static_cast<HDC>(gdi::registerObject(newDeviceContext(gdi::DeviceKind::Memory)));
}

BOOL DeleteDC(HDC dc) {
  auto* context = gdi::lookupDC(dc);
  if (!context || context->device != gdi::DeviceKind::Memory) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  releaseSelections(*context);
  return gdi::destroyObject(dc) ? TRUE : FALSE;
}

HDC GetDC(HWND window) {
  if (window) {
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  return static_cast<HDC>(gdi::registerObject(newDeviceContext(gdi::DeviceKind::Screen)));
}

int ReleaseDC(HWND, HDC dc) {
  auto* context = gdi::lookupDC(dc);
  if (!context || context->device != gdi::DeviceKind::Screen) return 0;
  releaseSelections(*context);
  return gdi::destroyObject(dc) ? 1 : 0;
}

int GetDeviceCaps(HDC dc, int index) {
  auto* context = gdi::lookupDC(dc);
  if (!context) {
    SetLastError(ERROR_INVALID_HANDLE);
    return 0;
  }
  const int depth = gdi::screenBitsPerPixel();
  switch (index) {
    case TECHNOLOGY: return context->technology;
    case HORZRES: return kScreenWidth;
    case VERTRES: return kScreenHeight;
    case BITSPIXEL: return depth;
    case PLANES: return 1;
    case NUMCOLORS: return depth <= 8 ? 20 : -1;
    case RASTERCAPS: return depth <= 8 ? RC_PALETTE : 0;
    case LOGPIXELSX:
    case LOGPIXELSY: return kPixelsPerInch;
    case SIZEPALETTE: return depth <= 8 ? 1 << depth : 0;
    default: return 0;
  }
}

HPALETTE CreatePalette(const LOGPALETTE* palette) {
  if (!palette || palette->palVersion != 0x300 || palette->palNumEntries == 0 || palette->palNumEntries > 256) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  auto object = std::make_unique<gdi::PaletteObject>();
  object->entries.assign(palette->palPalEntry, palette->palPalEntry + palette->palNumEntries);
  return static_cast<HPALETTE>(gdi::registerObject(std::move(object)));
}

HPALETTE SelectPalette(HDC dc, HPALETTE palette, BOOL) {
  auto* context = gdi::lookupDC(dc);
  if (!context || !gdi::lookupPalette(palette)) {
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  HPALETTE previous = context->palette;
  if (gdi::GdiObject* old = gdi::lookupObject(previous)) --old->selectionCount;
  ++gdi::lookupObject(palette)->selectionCount;
  context->palette = palette;
  return previous;
}

UINT RealizePalette(HDC dc) {
  auto* context = gdi::lookupDC(dc);
  auto* palette = context ? gdi::lookupPalette(context->palette) : nullptr;
  if (!palette) return GDI_ERROR;
  context->realizedPalette = context->palette;
  return static_cast<UINT>(palette->entries.size());
}

UINT GetPaletteEntries(HPALETTE handle, UINT start, UINT count, PALETTEENTRY* entries) {
  auto* palette = gdi::lookupPalette(handle);
  if (!palette) return 0;
  const auto size = static_cast<UINT>(palette->entries.size());
  if (!entries) return size;
  if (start >= size) return 0;
  const UINT copied = std::min(count, size - start);
  std::copy_n(palette->entries.begin() + start, copied, entries);
  return copied;
}

HRGN CreateRectRgn(int left, int top, int right, int bottom) {
  auto region = std::make_unique<gdi::RegionObject>();
  region->shape.box = {std::min(left, right), std::min(top, bottom), std::max(left, right), std::max(top, bottom)};
  if (region->shape.isEmpty()) region->shape.box = {0, 0, 0, 0};
  return static_cast<HRGN>(gdi::registerObject(std::move(region)));
}

int SelectClipRgn(HDC dc, HRGN region) {
  auto* context = gdi::lookupDC(dc);
  if (!context) return RGN_ERROR;
  if (!region) {
    context->clip.reset();
    return SIMPLEREGION;
  }
  auto* source = gdi::lookupRegion(region);
  if (!source) return RGN_ERROR;
  context->clip = source->shape;
  return regionKind(source->shape);
}

BOOL PtInRegion(HRGN region, int x, int y) {
  auto* object = gdi::lookupRegion(region);
  return object && object->shape.contains(x, y) ? TRUE : FALSE;
}

int GetRgnBox(HRGN region, RECT* box) {
  auto* object = gdi::lookupRegion(region);
  if (!object || !box) return RGN_ERROR;
  *box = object->shape.box;
  return regionKind(object->shape);
}

namespace {
std::atomic<bool> failNextFont{false};
}  // namespace

void platform::failNextFontCreation() { failNextFont = true; }

HFONT CreateFontIndirectW(const LOGFONTW* font) {
  if (!font || failNextFont.exchange(false)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  auto object = std::make_unique<gdi::FontObject>();
  object->description = *font;
  object->description.lfFaceName[LF_FACESIZE - 1] = u'\0';
  return static_cast<HFONT>(gdi::registerObject(std::move(object)));
}
