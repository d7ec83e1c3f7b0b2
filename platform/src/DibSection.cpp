// DIB sections: bitmaps whose pixel rows the caller addresses directly.
//
// Layout of the BITMAPINFO a caller hands in:
//   offset 0, 40 bytes  BITMAPINFOHEADER (a larger biSize is accepted; only
//                        its first 40 bytes and the masks are read)
//   offset 40, 12 bytes red, green, blue masks when biCompression is
//                        BI_BITFIELDS (inside a 52-byte or larger header,
//                        or right after a 40-byte one)
//   offset biSize (+12 for masks after a 40-byte header): the colour table,
//                        biClrUsed entries, or 2^bpp when that is 0
#include "GdiObjects.h"

#include "platform/FileMapping.h"
#include "platform/LastError.h"

#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace gdi = platform::gdi;

namespace {

// The largest pixel block a DIB section may have: every row offset and the
// image size must fit the 32-bit fields that describe them.
constexpr uint64_t kMaxDibBytes = 0x7FFFFFFF;

bool isSupportedDepth(int bitsPerPixel) {
  switch (bitsPerPixel) {
    case 1:
    case 4:
    case 8:
    case 16:
    case 24:
    case 32: return true;
    default: return false;
  }
}

bool isUsableHeader(const BITMAPINFOHEADER& header) {
  if (header.biSize < sizeof(BITMAPINFOHEADER)) return false;
  if (header.biWidth <= 0 || header.biHeight == 0 || header.biHeight == INT32_MIN) return false;
  if (!isSupportedDepth(header.biBitCount)) return false;
  if (header.biCompression == BI_RGB) return true;
  return header.biCompression == BI_BITFIELDS && (header.biBitCount == 16 || header.biBitCount == 32);
}

const BYTE* afterHeader(const BITMAPINFO* info) { return reinterpret_cast<const BYTE*>(info) + info->bmiHeader.biSize; }

// The pixel memory of a section: a view of the mapping, positioned at the
// offset inside the page-aligned view that MapViewOfFile can make.
bool mapSectionPixels(gdi::BitmapObject& bitmap, HANDLE section, DWORD offset, uint64_t bytes) {
  const auto pageSize = static_cast<uint64_t>(sysconf(_SC_PAGESIZE));
  const uint64_t viewStart = offset / pageSize * pageSize;
  const uint64_t lead = offset - viewStart;
  const auto viewBytes = static_cast<SIZE_T>(lead + bytes);
  void* view = MapViewOfFile(section, FILE_MAP_WRITE, 0, static_cast<DWORD>(viewStart), viewBytes);
  if (!view) view = MapViewOfFile(section, FILE_MAP_READ, 0, static_cast<DWORD>(viewStart), viewBytes);
  if (!view) return false;
  bitmap.mappedView = view;
  bitmap.bits = static_cast<BYTE*>(view) + lead;
  bitmap.section = section;
  bitmap.sectionOffset = offset;
  return true;
}

// A bitmap object with the header, masks and colour table of `info`.
std::unique_ptr<gdi::BitmapObject> describeDib(const BITMAPINFO* info, uint32_t rowBytes, uint64_t imageBytes) {
  const BITMAPINFOHEADER& header = info->bmiHeader;
  auto bitmap = std::make_unique<gdi::BitmapObject>();
  bitmap->header = header;
  bitmap->header.biSize = sizeof(BITMAPINFOHEADER);
  bitmap->header.biPlanes = 1;
  bitmap->header.biSizeImage = static_cast<DWORD>(imageBytes);
  bitmap->rowBytes = rowBytes;
  const BYTE* colorTable = afterHeader(info);
  if (header.biCompression == BI_BITFIELDS) {
    std::memcpy(bitmap->masks, reinterpret_cast<const BYTE*>(info) + sizeof(BITMAPINFOHEADER), sizeof bitmap->masks);
    if (header.biSize == sizeof(BITMAPINFOHEADER)) colorTable += sizeof bitmap->masks;
  }
  if (header.biBitCount <= 8) {
    const uint32_t tableSize = 1u << header.biBitCount;
    const uint32_t given = header.biClrUsed == 0 ? tableSize : std::min(header.biClrUsed, tableSize);
    bitmap->colors.assign(tableSize, RGBQUAD{0, 0, 0, 0});
    std::memcpy(bitmap->colors.data(), colorTable, given * sizeof(RGBQUAD));
  }
  return bitmap;
}

}  // namespace

std::unique_ptr<gdi::BitmapObject> gdi::viewOfPackedDib(const BITMAPINFO* info, const void* bits) {
  if (!info || !bits || !isUsableHeader(info->bmiHeader)) return nullptr;
  const uint32_t rowBytes = platform::dibRowBytes(info->bmiHeader.biWidth, info->bmiHeader.biBitCount);
  const uint64_t imageBytes = uint64_t{rowBytes} * static_cast<uint64_t>(std::abs(int64_t{info->bmiHeader.biHeight}));
  if (rowBytes == 0 || imageBytes > kMaxDibBytes) return nullptr;
  auto bitmap = describeDib(info, rowBytes, imageBytes);
  bitmap->bits = static_cast<BYTE*>(const_cast<void*>(bits));
  bitmap->ownsBits = false;
  return bitmap;
}

gdi::BitmapObject::~BitmapObject() {
  if (isStock || !ownsBits) return;
  if (mappedView) {
    UnmapViewOfFile(mappedView);
    return;
  }
  std::free(bits);
}

HBITMAP CreateDIBSection(HDC, const BITMAPINFO* info, UINT usage, void** bits, HANDLE section, DWORD offset) {
  if (bits) *bits = nullptr;
  if (!info || usage != DIB_RGB_COLORS || !isUsableHeader(info->bmiHeader) || (offset & 3) != 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  const BITMAPINFOHEADER& header = info->bmiHeader;
  const uint32_t rowBytes = platform::dibRowBytes(header.biWidth, header.biBitCount);
  const uint64_t height = static_cast<uint64_t>(std::abs(int64_t{header.biHeight}));
  const uint64_t imageBytes = uint64_t{rowBytes} * height;
  if (rowBytes == 0 || imageBytes > kMaxDibBytes) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }

  auto bitmap = describeDib(info, rowBytes, imageBytes);
  if (section) {
    if (!mapSectionPixels(*bitmap, section, offset, imageBytes)) {
      SetLastError(ERROR_INVALID_PARAMETER);
      return nullptr;
    }
  } else {
    bitmap->bits = static_cast<BYTE*>(std::calloc(1, static_cast<size_t>(imageBytes)));
    if (!bitmap->bits) {
      SetLastError(ERROR_NOT_ENOUGH_MEMORY);
      return nullptr;
    }
  }
  BYTE* pixels = bitmap->bits;
  HGDIOBJ handle = gdi::registerObject(std::move(bitmap));
  if (bits) *bits = pixels;
  return static_cast<HBITMAP>(handle);
}

namespace {

gdi::BitmapObject* paletteBitmapOf(HDC dc) {
  auto* context = gdi::lookupDC(dc);
  if (!context) return nullptr;
  auto* bitmap = gdi::lookupBitmap(context->bitmap);
  return bitmap && !bitmap->isStock && bitmap->bitsPerPixel() <= 8 ? bitmap : nullptr;
}

}  // namespace

UINT GetDIBColorTable(HDC dc, UINT start, UINT count, RGBQUAD* colors) {
  gdi::BitmapObject* bitmap = paletteBitmapOf(dc);
  if (!bitmap || !colors || start >= bitmap->colors.size()) return 0;
  const UINT copied = std::min<UINT>(count, static_cast<UINT>(bitmap->colors.size()) - start);
  std::copy_n(bitmap->colors.begin() + start, copied, colors);
  return copied;
}

UINT SetDIBColorTable(HDC dc, UINT start, UINT count, const RGBQUAD* colors) {
  gdi::BitmapObject* bitmap = paletteBitmapOf(dc);
  if (!bitmap || !colors || start >= bitmap->colors.size()) return 0;
  const UINT copied = std::min<UINT>(count, static_cast<UINT>(bitmap->colors.size()) - start);
  std::copy_n(colors, copied, bitmap->colors.begin() + start);
  return copied;
}
