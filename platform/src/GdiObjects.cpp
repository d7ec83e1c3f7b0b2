// The GDI handle table, the stock objects, and the calls that work on any
// kind of GDI object (GetObject, SelectObject, DeleteObject).
#include "GdiObjects.h"

#include "platform/CodePage.h"
#include "platform/LastError.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <mutex>
#include <unordered_map>

namespace gdi = platform::gdi;

namespace {

struct GdiHandleTable {
  std::mutex mutex;
  std::unordered_map<uintptr_t, std::unique_ptr<gdi::GdiObject>> live;
  // Handle numbers step by 16 from here and are never reused; the low bits
  // stay clear so a handle never looks like a small integer or -1.
  uintptr_t next = 0x10000;
};

GdiHandleTable& table() {
  static GdiHandleTable instance;
  return instance;
}

std::atomic<int> screenDepth{32};

// The 20 fixed colours of the default palette, red, green, blue.
constexpr PALETTEENTRY kDefaultPalette[20] = {
    {0x00, 0x00, 0x00, 0}, {0x80, 0x00, 0x00, 0}, {0x00, 0x80, 0x00, 0}, {0x80, 0x80, 0x00, 0}, {0x00, 0x00, 0x80, 0},
    {0x80, 0x00, 0x80, 0}, {0x00, 0x80, 0x80, 0}, {0xC0, 0xC0, 0xC0, 0}, {0xC0, 0xDC, 0xC0, 0}, {0xA6, 0xCA, 0xF0, 0},
    {0xFF, 0xFB, 0xF0, 0}, {0xA0, 0xA0, 0xA4, 0}, {0x80, 0x80, 0x80, 0}, {0xFF, 0x00, 0x00, 0}, {0x00, 0xFF, 0x00, 0},
    {0xFF, 0xFF, 0x00, 0}, {0x00, 0x00, 0xFF, 0}, {0xFF, 0x00, 0xFF, 0}, {0x00, 0xFF, 0xFF, 0}, {0xFF, 0xFF, 0xFF, 0},
};

template <typename T>
HGDIOBJ registerStock(std::unique_ptr<T> object) {
  object->isStock = true;
  return gdi::registerObject(std::move(object));
}

int fillBitmapRecord(const gdi::BitmapObject& bitmap, int size, void* buffer) {
  BITMAP record{};
  record.bmWidth = bitmap.width();
  record.bmHeight = bitmap.height();
  record.bmWidthBytes = static_cast<LONG>(bitmap.rowBytes);
  record.bmPlanes = 1;
  record.bmBitsPixel = static_cast<WORD>(bitmap.bitsPerPixel());
  record.bmBits = bitmap.bits;
  if (size >= static_cast<int>(sizeof(DIBSECTION))) {
    DIBSECTION section{};
    section.dsBm = record;
    section.dsBmih = bitmap.header;
    std::copy(std::begin(bitmap.masks), std::end(bitmap.masks), section.dsBitfields);
    section.dshSection = bitmap.section;
    section.dsOffset = bitmap.sectionOffset;
    std::memcpy(buffer, &section, sizeof section);
    return sizeof section;
  }
  if (size < static_cast<int>(sizeof(BITMAP))) return 0;
  std::memcpy(buffer, &record, sizeof record);
  return sizeof record;
}

template <typename Record>
int copyRecord(const Record& record, int size, void* buffer) {
  if (!buffer) return sizeof record;
  if (size < static_cast<int>(sizeof record)) return 0;
  std::memcpy(buffer, &record, sizeof record);
  return sizeof record;
}

LOGFONTA narrowFont(const LOGFONTW& wide) {
  LOGFONTA narrow{};
  std::memcpy(&narrow, &wide, offsetof(LOGFONTW, lfFaceName));
  const char16_t* faceEnd = std::find(wide.lfFaceName, wide.lfFaceName + LF_FACESIZE, u'\0');
  const std::string face =
      platform::wideToAnsiLenient(std::u16string_view(wide.lfFaceName, static_cast<size_t>(faceEnd - wide.lfFaceName)));
  // A face cut at the record's size must not end inside a UTF-8 sequence.
  size_t length = std::min(face.size(), size_t{LF_FACESIZE - 1});
  while (length > 0 && length < face.size() && (static_cast<BYTE>(face[length]) & 0xC0) == 0x80) --length;
  std::memcpy(narrow.lfFaceName, face.data(), length);
  return narrow;
}

int getObject(HGDIOBJ handle, int size, void* buffer, bool narrow) {
  gdi::GdiObject* object = gdi::lookupObject(handle);
  if (!object || size < 0) {
    SetLastError(ERROR_INVALID_HANDLE);
    return 0;
  }
  switch (object->kind()) {
    case gdi::GdiObjectKind::Bitmap:
      if (!buffer) return sizeof(DIBSECTION);
      return fillBitmapRecord(*static_cast<gdi::BitmapObject*>(object), size, buffer);
    case gdi::GdiObjectKind::Font: {
      const LOGFONTW& font = static_cast<gdi::FontObject*>(object)->description;
      return narrow ? copyRecord(narrowFont(font), size, buffer) : copyRecord(font, size, buffer);
    }
    case gdi::GdiObjectKind::Palette:
      return copyRecord(static_cast<WORD>(static_cast<gdi::PaletteObject*>(object)->entries.size()), size, buffer);
    case gdi::GdiObjectKind::Region:
    case gdi::GdiObjectKind::DeviceContext: return 0;
  }
  return 0;
}

// Moves a DC's selection of one kind from `previous` to `next`.
void moveSelection(HGDIOBJ previous, HGDIOBJ next) {
  if (gdi::GdiObject* old = gdi::lookupObject(previous)) --old->selectionCount;
  if (gdi::GdiObject* now = gdi::lookupObject(next)) ++now->selectionCount;
}

HGDIOBJ selectBitmap(HDC dc, gdi::DeviceContextObject& context, HGDIOBJ handle, gdi::BitmapObject& bitmap) {
  if (context.device != gdi::DeviceKind::Memory) return nullptr;
  if (bitmap.selectedInto && bitmap.selectedInto != dc) return nullptr;
  HGDIOBJ previous = context.bitmap;
  if (previous == handle) return previous;
  if (auto* old = gdi::lookupBitmap(previous)) old->selectedInto = nullptr;
  bitmap.selectedInto = bitmap.isStock ? nullptr : dc;
  moveSelection(previous, handle);
  context.bitmap = handle;
  return previous;
}

}  // namespace

gdi::GdiObject::~GdiObject() = default;

HGDIOBJ gdi::registerObject(std::unique_ptr<GdiObject> object) {
  std::lock_guard lock(table().mutex);
  const uintptr_t number = table().next;
  table().next += 16;
  table().live.emplace(number, std::move(object));
  return reinterpret_cast<HGDIOBJ>(number);
}

gdi::GdiObject* gdi::lookupObject(HGDIOBJ handle) {
  std::lock_guard lock(table().mutex);
  auto found = table().live.find(reinterpret_cast<uintptr_t>(handle));
  return found == table().live.end() ? nullptr : found->second.get();
}

bool gdi::destroyObject(HGDIOBJ handle) {
  std::unique_ptr<GdiObject> doomed;
  {
    std::lock_guard lock(table().mutex);
    auto found = table().live.find(reinterpret_cast<uintptr_t>(handle));
    if (found == table().live.end()) return false;
    doomed = std::move(found->second);
    table().live.erase(found);
  }
  return true;
}

HGDIOBJ gdi::stockBitmap() {
  static const HGDIOBJ bitmap = [] {
    auto object = std::make_unique<BitmapObject>();
    object->header = {sizeof(BITMAPINFOHEADER), 1, 1, 1, 1, BI_RGB, 4, 0, 0, 0, 0};
    object->rowBytes = 4;
    object->colors = {{0, 0, 0, 0}, {0xFF, 0xFF, 0xFF, 0}};
    // Pixel memory of the stock bitmap: one zeroed row that lives as long
    // as the table does.
    static BYTE row[4] = {};
    object->bits = row;
    return registerStock(std::move(object));
  }();
  return bitmap;
}

HGDIOBJ gdi::stockFont() {
  static const HGDIOBJ font = [] {
    auto object = std::make_unique<FontObject>();
    object->description.lfHeight = 16;
    object->description.lfWeight = FW_BOLD;
    const char16_t face[] = u"System";
    std::copy(std::begin(face), std::end(face), object->description.lfFaceName);
    return registerStock(std::move(object));
  }();
  return font;
}

HPALETTE gdi::stockPalette() {
  static const HGDIOBJ palette = [] {
    auto object = std::make_unique<PaletteObject>();
    object->entries.assign(std::begin(kDefaultPalette), std::end(kDefaultPalette));
    return registerStock(std::move(object));
  }();
  return static_cast<HPALETTE>(palette);
}

int gdi::screenBitsPerPixel() { return screenDepth; }

void platform::setScreenBitsPerPixel(int bitsPerPixel) { screenDepth = bitsPerPixel; }

int GetObjectW(HGDIOBJ object, int size, void* buffer) { return getObject(object, size, buffer, /*narrow=*/false); }

int GetObjectA(HGDIOBJ object, int size, void* buffer) { return getObject(object, size, buffer, /*narrow=*/true); }

HGDIOBJ SelectObject(HDC dc, HGDIOBJ handle) {
  auto* context = gdi::lookupDC(dc);
  gdi::GdiObject* object = gdi::lookupObject(handle);
  if (!context || !object) {
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  switch (object->kind()) {
    case gdi::GdiObjectKind::Bitmap:
      return selectBitmap(dc, *context, handle, *static_cast<gdi::BitmapObject*>(object));
    case gdi::GdiObjectKind::Font: {
      HGDIOBJ previous = context->font;
      moveSelection(previous, handle);
      context->font = handle;
      return previous;
    }
    case gdi::GdiObjectKind::Region: {
      const int kind = SelectClipRgn(dc, static_cast<HRGN>(handle));
      return kind == RGN_ERROR ? HGDI_ERROR : reinterpret_cast<HGDIOBJ>(intptr_t{kind});
    }
    case gdi::GdiObjectKind::Palette:
    case gdi::GdiObjectKind::DeviceContext: break;
  }
  SetLastError(ERROR_INVALID_PARAMETER);
  return nullptr;
}

BOOL DeleteObject(HGDIOBJ handle) {
  gdi::GdiObject* object = gdi::lookupObject(handle);
  if (!object || object->kind() == gdi::GdiObjectKind::DeviceContext) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  if (object->isStock) return TRUE;
  if (object->selectionCount > 0) return FALSE;
  return gdi::destroyObject(handle) ? TRUE : FALSE;
}

HGDIOBJ GetCurrentObject(HDC dc, UINT type) {
  auto* context = gdi::lookupDC(dc);
  if (!context || type != OBJ_BITMAP) return nullptr;
  return context->bitmap;
}

HGDIOBJ GetStockObject(int index) {
  switch (index) {
    case DEFAULT_PALETTE: return gdi::stockPalette();
    case SYSTEM_FONT:
    case DEFAULT_GUI_FONT: return gdi::stockFont();
    default: return nullptr;
  }
}
