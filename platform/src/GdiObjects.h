// The GDI objects behind HBITMAP, HDC, HPALETTE, HRGN and HFONT values, and
// the handle table that owns them.
//
// A handle is a number from a counter that never repeats, so a handle kept
// after DeleteObject can never reach a later object. The table owns every
// object; lookups copy nothing and take the table lock only to find the
// object. As with the kernel handles, one object is used by one thread at a
// time (a DC and its bitmap belong to the thread drawing with them).
//
// Selection: an object selected into a DC counts its selections, and
// DeleteObject refuses it while the count is above 0. A DC's selections
// are handles, looked up again when used.
#pragma once

#include "platform/Gdi.h"
#include "platform/PixelFormat.h"

#include <memory>
#include <optional>
#include <vector>

namespace platform::gdi {

enum class GdiObjectKind { Bitmap, DeviceContext, Palette, Region, Font };

class GdiObject {
public:
  explicit GdiObject(GdiObjectKind kind) : kind_(kind) {}
  virtual ~GdiObject();
  GdiObject(const GdiObject&) = delete;
  GdiObject& operator=(const GdiObject&) = delete;

  GdiObjectKind kind() const { return kind_; }

  int selectionCount = 0;  // DCs holding the object; DeleteObject waits for 0
  bool isStock = false;    // never deleted

private:
  GdiObjectKind kind_;
};

// A DIB section. The pixel memory is owned (calloc) or a file-mapping view.
class BitmapObject final : public GdiObject {
public:
  BitmapObject() : GdiObject(GdiObjectKind::Bitmap) {}
  ~BitmapObject() override;

  BITMAPINFOHEADER header{};      // as made, with biSizeImage filled in
  uint32_t masks[3] = {0, 0, 0};  // BI_BITFIELDS only
  std::vector<RGBQUAD> colors;    // 2^bpp entries at 1-8 bpp, else empty
  BYTE* bits = nullptr;           // first row in memory
  uint32_t rowBytes = 0;
  HANDLE section = nullptr;  // file mapping, or null
  DWORD sectionOffset = 0;
  void* mappedView = nullptr;  // what UnmapViewOfFile takes; null for owned memory
  bool ownsBits = true;        // false for a view of a caller's packed bits
  HDC selectedInto = nullptr;  // the one DC holding it

  int width() const { return header.biWidth; }
  int height() const { return header.biHeight < 0 ? -header.biHeight : header.biHeight; }
  bool isTopDown() const { return header.biHeight < 0; }
  int bitsPerPixel() const { return header.biBitCount; }
  PixelFormat format() const { return PixelFormat::of(header.biBitCount, masks[0], masks[1], masks[2]); }
  // Row y of the picture (0 = top), whatever the storage order.
  BYTE* row(int y) const { return bits + static_cast<size_t>(isTopDown() ? y : height() - 1 - y) * rowBytes; }
};

// A rectangle region; right and bottom exclusive. Empty when left ≥ right
// or top ≥ bottom.
struct RegionShape {
  RECT box{0, 0, 0, 0};

  bool isEmpty() const { return box.left >= box.right || box.top >= box.bottom; }
  bool contains(int x, int y) const { return x >= box.left && x < box.right && y >= box.top && y < box.bottom; }
};

class RegionObject final : public GdiObject {
public:
  RegionObject() : GdiObject(GdiObjectKind::Region) {}
  RegionShape shape;
};

class PaletteObject final : public GdiObject {
public:
  PaletteObject() : GdiObject(GdiObjectKind::Palette) {}
  std::vector<PALETTEENTRY> entries;
};

class FontObject final : public GdiObject {
public:
  FontObject() : GdiObject(GdiObjectKind::Font) {}
  LOGFONTW description{};
};

enum class DeviceKind { Screen, Memory };

class DeviceContextObject final : public GdiObject {
public:
  explicit DeviceContextObject(DeviceKind device) : GdiObject(GdiObjectKind::DeviceContext), device(device) {}

  DeviceKind device;
  int technology = DT_RASDISPLAY;
  HGDIOBJ bitmap = nullptr;  // memory DCs: the selected bitmap (the stock one at first)
  HGDIOBJ font = nullptr;
  HPALETTE palette = nullptr;
  HPALETTE realizedPalette = nullptr;  // set by RealizePalette
  std::optional<RegionShape> clip;     // none: no clip region
  int stretchMode = 1;                 // BLACKONWHITE
  POINT brushOrigin{0, 0};
  COLORREF textColor = 0;  // text colours and background mode
  COLORREF backgroundColor = 0x00FFFFFF;
  int backgroundMode = 2;  // OPAQUE
};

// A bitmap object over a caller's packed DIB (header, colour table or masks,
// then `bits`), not registered and not owning the bits; null for a header
// it cannot use.
std::unique_ptr<BitmapObject> viewOfPackedDib(const BITMAPINFO* info, const void* bits);

// Registers `object` (the table owns it) and answers its handle.
HGDIOBJ registerObject(std::unique_ptr<GdiObject> object);
// The live object behind `handle`, or nullptr.
GdiObject* lookupObject(HGDIOBJ handle);
// Removes and destroys the object; false when it was not live.
bool destroyObject(HGDIOBJ handle);

template <typename T, GdiObjectKind Kind>
T* lookupAs(HGDIOBJ handle) {
  GdiObject* object = lookupObject(handle);
  return object && object->kind() == Kind ? static_cast<T*>(object) : nullptr;
}
inline BitmapObject* lookupBitmap(HGDIOBJ handle) { return lookupAs<BitmapObject, GdiObjectKind::Bitmap>(handle); }
inline DeviceContextObject* lookupDC(HDC handle) {
  return lookupAs<DeviceContextObject, GdiObjectKind::DeviceContext>(handle);
}
inline PaletteObject* lookupPalette(HGDIOBJ handle) { return lookupAs<PaletteObject, GdiObjectKind::Palette>(handle); }
inline RegionObject* lookupRegion(HGDIOBJ handle) { return lookupAs<RegionObject, GdiObjectKind::Region>(handle); }
inline FontObject* lookupFont(HGDIOBJ handle) { return lookupAs<FontObject, GdiObjectKind::Font>(handle); }

// The stock objects, made on first use: the 1 × 1 monochrome bitmap of a
// fresh memory DC, the system font and the 20-colour default palette.
HGDIOBJ stockBitmap();
HGDIOBJ stockFont();
HPALETTE stockPalette();
// The depth the screen DC reports.
int screenBitsPerPixel();

}  // namespace platform::gdi
