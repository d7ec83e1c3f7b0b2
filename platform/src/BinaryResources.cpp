// The binary resource table and bitmaps loaded from resources and files.
//
// Bitmap data read here (after the 14-byte file header of a file):
//   offset 0, 40+ bytes   BITMAPINFOHEADER (biSize 40 or more)
//   then 12 bytes         the masks, for BI_BITFIELDS after a 40-byte header
//   then 4 · colours      the colour table (biClrUsed, or 2^bpp at 1-8 bpp)
//   then the pixel rows   (a file says where: bfOffBits at file offset 10)
#include "platform/BinaryResources.h"

#include "platform/FileSyscalls.h"
#include "platform/Gdi.h"
#include "platform/LastError.h"
#include "platform/Paths.h"
#include "platform/Utf16.h"

#include <fcntl.h>

#include <algorithm>
#include <cstring>
#include <iterator>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <tuple>
#include <vector>

namespace {

// A type or name as a key: "#<number>" or the folded text.
std::u16string keyOf(LPCWSTR name) {
  if (IS_INTRESOURCE(name)) {
    const auto number = static_cast<unsigned>(reinterpret_cast<uintptr_t>(name));
    std::u16string key = u"#";
    for (char c : std::to_string(number)) key += static_cast<char16_t>(c);
    return key;
  }
  std::u16string key(name, platform::utf16Length(name));
  for (char16_t& unit : key) unit = platform::foldCaseUnit(unit);
  return key;
}

struct Resource {
  std::vector<BYTE> bytes;
};

struct ResourceTable {
  std::mutex mutex;
  // The resources never move once made, so handles (their addresses) stay
  // valid while the module keeps them.
  std::map<std::tuple<HINSTANCE, std::u16string, std::u16string>, std::unique_ptr<Resource>> entries;
};

ResourceTable& table() {
  static ResourceTable instance;
  return instance;
}

Resource* resourceOf(HRSRC handle) {
  std::lock_guard lock(table().mutex);
  for (const auto& [key, resource] : table().entries)
    if (reinterpret_cast<HRSRC>(resource.get()) == handle) return resource.get();
  return nullptr;
}

uint32_t readU32(const BYTE* p) {
  return p[0] | (uint32_t{p[1]} << 8) | (uint32_t{p[2]} << 16) | (uint32_t{p[3]} << 24);
}

HBITMAP failed() {
  SetLastError(ERROR_INVALID_DATA);
  return nullptr;
}

// A DIB section from bitmap data; `pixelOffset` is where the rows start,
// or 0 to take them right after the colour table.
HBITMAP sectionFromData(std::span<const BYTE> data, uint64_t pixelOffset) {
  if (data.size() < sizeof(BITMAPINFOHEADER)) return failed();
  BITMAPINFOHEADER header;
  std::memcpy(&header, data.data(), sizeof header);
  if (header.biSize < sizeof header || header.biSize > data.size()) return failed();
  if (header.biPlanes != 1 || header.biCompression == BI_RLE8 || header.biCompression == BI_RLE4) return failed();
  const bool bitfields = header.biCompression == BI_BITFIELDS;
  const uint64_t maskBytes = bitfields && header.biSize == sizeof header ? 12 : 0;
  const uint64_t tableSize = header.biBitCount <= 8 ? (1u << header.biBitCount) : 0;
  if (header.biClrUsed > tableSize && header.biBitCount <= 8) return failed();
  const uint64_t colors = header.biBitCount <= 8 ? (header.biClrUsed ? header.biClrUsed : tableSize) : 0;
  const uint64_t infoEnd = uint64_t{header.biSize} + maskBytes + 4 * colors;
  if (infoEnd > data.size() || (bitfields && data.size() < sizeof header + 12)) return failed();
  // The info block handed to CreateDIBSection: header, masks, full table.
  struct {
    BITMAPINFOHEADER header;
    uint32_t tail[3 + 256];
  } info{};
  info.header = header;
  info.header.biSize = sizeof header;
  info.header.biClrUsed = static_cast<DWORD>(colors);
  if (bitfields) std::memcpy(info.tail, data.data() + sizeof header, 12);
  std::memcpy(reinterpret_cast<BYTE*>(info.tail) + (bitfields ? 12 : 0), data.data() + header.biSize + maskBytes,
              static_cast<size_t>(4 * colors));
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(nullptr, reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS, &bits, nullptr, 0);
  if (!bitmap) return failed();
  const uint64_t rowBytes = platform::dibRowBytes(header.biWidth, header.biBitCount);
  const uint64_t rows = static_cast<uint64_t>(std::abs(int64_t{header.biHeight}));
  const uint64_t offset = pixelOffset ? pixelOffset : infoEnd;
  if (offset > data.size() || data.size() - offset < rowBytes * rows) {
    DeleteObject(bitmap);
    return failed();
  }
  std::memcpy(bits, data.data() + offset, static_cast<size_t>(rowBytes * rows));
  return bitmap;
}

}  // namespace

void platform::registerBinaryResource(HINSTANCE module, LPCWSTR type, LPCWSTR name, std::span<const BYTE> bytes) {
  auto resource = std::make_unique<Resource>();
  resource->bytes.assign(bytes.begin(), bytes.end());
  std::lock_guard lock(table().mutex);
  table().entries[{module, keyOf(type), keyOf(name)}] = std::move(resource);
}

void platform::unregisterBinaryResources(HINSTANCE module) {
  std::lock_guard lock(table().mutex);
  std::erase_if(table().entries, [&](const auto& entry) { return std::get<0>(entry.first) == module; });
}

HRSRC FindResourceW(HMODULE module, LPCWSTR name, LPCWSTR type) {
  if (!name || !type) {
    SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
    return nullptr;
  }
  std::lock_guard lock(table().mutex);
  auto found = table().entries.find({module, keyOf(type), keyOf(name)});
  if (found == table().entries.end()) {
    SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
    return nullptr;
  }
  return reinterpret_cast<HRSRC>(found->second.get());
}

HGLOBAL LoadResource(HMODULE, HRSRC resource) {
  Resource* found = resourceOf(resource);
  return found ? found->bytes.data() : nullptr;
}

LPVOID LockResource(HGLOBAL data) { return data; }

DWORD SizeofResource(HMODULE, HRSRC resource) {
  Resource* found = resourceOf(resource);
  return found ? static_cast<DWORD>(found->bytes.size()) : 0;
}

BOOL FreeResource(HGLOBAL) { return FALSE; }

HANDLE LoadImageW(HINSTANCE instance, LPCWSTR name, UINT type, int, int, UINT flags) {
  if (!name || type != IMAGE_BITMAP) return failed();
  if ((flags & LR_LOADFROMFILE) == 0) {
    HRSRC resource = FindResourceW(instance, name, RT_BITMAP);
    Resource* found = resourceOf(resource);
    if (!found) return nullptr;
    return sectionFromData(found->bytes, 0);
  }
  if (IS_INTRESOURCE(name)) return failed();
  const auto path = platform::nativePath(std::u16string_view(name, platform::utf16Length(name)));
  if (!path) return failed();
  const int fd =
      platform::retryAfterSignal([&] { return platform::fileSyscalls().open(path->c_str(), O_RDONLY | O_CLOEXEC, 0); });
  if (fd < 0) {
    SetLastError(ERROR_FILE_NOT_FOUND);
    return nullptr;
  }
  // A file that cannot be read (a folder) reads as empty: not a bitmap.
  const std::string content = platform::readToEnd(fd).value_or(std::string());
  platform::fileSyscalls().close(fd);
  const std::span<const BYTE> bytes(reinterpret_cast<const BYTE*>(content.data()), content.size());
  constexpr size_t kFileHeader = 14;
  if (bytes.size() < kFileHeader || bytes[0] != 'B' || bytes[1] != 'M') return failed();
  const uint64_t pixelOffset = readU32(bytes.data() + 10);
  if (pixelOffset < kFileHeader) return failed();
  return sectionFromData(bytes.subspan(kFileHeader), pixelOffset - kFileHeader);
}
