// DIB sections from bitmap files and resources, and the standard palette.
//
// A bitmap file, as read here:
//   offset 0, 14 bytes   file header: "BM", file size, two reserved words,
//                        pixel offset (not used: the position is computed)
//   offset 14            BITMAPINFOHEADER (biSize 40 or more), then the masks
//                        of BI_BITFIELDS after a 40-byte header, then the
//                        colour table (biClrUsed entries, or 2^bpp at 1-8 bpp)
//   then                 the pixel rows, as many as the section holds
#include "zefcorek/DibSections.h"

#include "FactoryObject.h"

#include "zefcorek/ClassIds.h"
#include "zefcorek/FileStreams.h"
#include "zefcorek/ZefCoreK.h"

#include "platform/BinaryResources.h"
#include "platform/GdiBlits.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

constexpr RGBQUAD entry(BYTE first, BYTE second, BYTE third) { return {first, second, third, 0}; }

constexpr std::array<RGBQUAD, 256> kStandardColors = [] {
  std::array<RGBQUAD, 256> table{};
  const RGBQUAD first[10] = {entry(0x00, 0x00, 0x00), entry(0x80, 0x00, 0x00), entry(0x00, 0x80, 0x00),
                             entry(0x80, 0x80, 0x00), entry(0x00, 0x00, 0x80), entry(0x80, 0x00, 0x80),
                             entry(0x00, 0x80, 0x80), entry(0xC0, 0xC0, 0xC0), entry(0xC0, 0xDC, 0xC0),
                             entry(0xA6, 0xCA, 0xF0)};
  size_t next = 0;
  for (const RGBQUAD& e : first) table[next++] = e;
  constexpr BYTE levels[6] = {0x00, 0x2C, 0x56, 0x87, 0xC0, 0xFF};
  for (BYTE third : levels)
    for (BYTE second : levels)
      for (BYTE first : levels) {
        const bool left = (first == 0 && second == 0 && third == 0) ||
                          (first == 0 && second == 0xFF && third == 0xFF) ||
                          (first == 0xC0 && second == 0xC0 && third == 0xC0);
        if (!left) table[next++] = entry(first, second, third);
      }
  constexpr BYTE greys[23] = {0x11, 0x18, 0x1E, 0x25, 0x2C, 0x34, 0x3C, 0x44, 0x4D, 0x56, 0x5F, 0x69,
                              0x72, 0x7D, 0x92, 0x9D, 0xA8, 0xB4, 0xCC, 0xD8, 0xE5, 0xF2, 0xFF};
  for (BYTE v : greys) table[next++] = entry(v, v, v);
  const RGBQUAD last[10] = {entry(0xFF, 0xFB, 0xF0), entry(0xA0, 0xA0, 0xA4), entry(0x80, 0x80, 0x80),
                            entry(0xFF, 0x00, 0x00), entry(0x00, 0xFF, 0x00), entry(0xFF, 0xFF, 0x00),
                            entry(0x00, 0x00, 0xFF), entry(0xFF, 0x00, 0xFF), entry(0x00, 0xFF, 0xFF),
                            entry(0xFF, 0xFF, 0xFF)};
  for (const RGBQUAD& e : last) table[next++] = e;
  return table;
}();

constexpr size_t kFileHeader = 14;
constexpr size_t kInfoBlock = 1068;  // header, masks and a 256-entry table

// A file input stream from the factory, released on scope exit.
class InputFile {
public:
  explicit InputFile(const WCHAR* path) {
    stream_ = zefcorek::makeFactoryObject<IFIOIStream>(CLSID_IFIOIStreamImp);
    if (stream_ == nullptr) return;
    if (stream_->SetName(path) != ZR_OK || stream_->Open(0) != ZR_OK) {
      stream_->Release();
      stream_ = nullptr;
    }
  }
  ~InputFile() {
    if (stream_) stream_->Release();
  }
  InputFile(const InputFile&) = delete;
  InputFile& operator=(const InputFile&) = delete;
  IFIOIStream* operator->() const { return stream_; }
  explicit operator bool() const { return stream_ != nullptr; }

private:
  IFIOIStream* stream_ = nullptr;
};

bool isUsableHeader(const BITMAPINFOHEADER& header, size_t bytesHeld) {
  if (header.biSize < sizeof header || header.biSize > bytesHeld) return false;
  if (header.biWidth <= 0 || header.biHeight == 0 || header.biPlanes != 1) return false;
  if (header.biBitCount <= 8 && header.biClrUsed > (1u << header.biBitCount)) return false;
  return header.biBitCount != 0 && header.biClrUsed <= 256;
}

}  // namespace

const RGBQUAD* GetStdPalColors() { return kStandardColors.data(); }

HBITMAP LoadDIBSectionFromFile(const WCHAR* path, void** bits, HANDLE section, uint32_t offset) {
  if (bits) *bits = nullptr;
  if (!path) return nullptr;
  InputFile file(path);
  if (!file) return nullptr;
  uint32_t size = 0;
  BYTE fileHeader[kFileHeader] = {};
  if (file->GetSize(&size) != ZR_OK || file->Read(fileHeader, kFileHeader, nullptr) != ZR_OK || fileHeader[0] != 'B' ||
      fileHeader[1] != 'M')
    return nullptr;
  // The info block, only as far as the file holds it.
  std::vector<BYTE> block(kInfoBlock, 0);
  uint32_t held = 0;
  if (file->Read(block.data(), static_cast<uint32_t>(std::min<size_t>(kInfoBlock, size - kFileHeader)), &held) != ZR_OK)
    return nullptr;
  BITMAPINFOHEADER header;
  std::memcpy(&header, block.data(), sizeof header);
  if (held < sizeof header || !isUsableHeader(header, held)) return nullptr;
  const uint64_t colors = header.biClrUsed ? header.biClrUsed : (header.biBitCount <= 8 ? 1u << header.biBitCount : 0);
  const uint64_t masks = header.biCompression == BI_BITFIELDS && header.biSize == sizeof header ? 12 : 0;
  const uint64_t pixelStart = kFileHeader + header.biSize + masks + 4 * colors;
  if (pixelStart - kFileHeader > held) return nullptr;
  void* pixels = nullptr;
  HBITMAP bitmap =
      CreateDIBSection(nullptr, reinterpret_cast<BITMAPINFO*>(block.data()), DIB_RGB_COLORS, &pixels, section, offset);
  if (!bitmap) return nullptr;
  // At most the section's own rows; a short file leaves the rest as it is.
  const uint64_t imageBytes = uint64_t{platform::dibRowBytes(header.biWidth, header.biBitCount)} *
                              static_cast<uint64_t>(std::abs(int64_t{header.biHeight}));
  if (pixelStart < size && file->SeekAbs(static_cast<uint32_t>(pixelStart)) == ZR_OK) {
    uint32_t read = 0;
    (void)file->Read(pixels, static_cast<uint32_t>(std::min<uint64_t>(imageBytes, size - pixelStart)), &read);
  }
  if (bits) *bits = pixels;
  return bitmap;
}

HBITMAP LoadDIBSectionFromRes(HINSTANCE module, LPCWSTR name, uint32_t bpp) {
  auto* loaded = static_cast<HBITMAP>(LoadImageW(module, name, IMAGE_BITMAP, 0, 0, 0));
  if (!loaded) return nullptr;
  if (bpp == 0) bpp = 24;
  HDC memory = CreateCompatibleDC(nullptr);
  HGDIOBJ previous = SelectObject(memory, loaded);
  BITMAP description{};
  GetObjectW(loaded, sizeof description, &description);
  struct {
    BITMAPINFOHEADER header;
    uint32_t masks[3];
    RGBQUAD colors[256];
  } info{};
  const WORD stored = static_cast<WORD>(bpp == 15 ? 16 : bpp);
  const uint32_t stride = ((static_cast<uint32_t>(description.bmWidth) * bpp + 31) & ~31u) / 8;
  info.header = {52,
                 description.bmWidth,
                 description.bmHeight,
                 1,
                 stored,
                 (bpp == 15 || bpp == 16 || bpp == 32) ? BI_BITFIELDS : BI_RGB,
                 static_cast<DWORD>(description.bmHeight) * stride,
                 3779,
                 3779,
                 0,
                 0};
  if (bpp == 15) std::copy_n(std::array<uint32_t, 3>{0x7C00, 0x03E0, 0x001F}.data(), 3, info.masks);
  if (bpp == 16) std::copy_n(std::array<uint32_t, 3>{0xF800, 0x07E0, 0x001F}.data(), 3, info.masks);
  if (bpp == 32) std::copy_n(std::array<uint32_t, 3>{0xFF0000, 0xFF00, 0xFF}.data(), 3, info.masks);
  std::copy(kStandardColors.begin(), kStandardColors.end(), info.colors);
  HBITMAP section = CreateDIBSection(memory, reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS, nullptr, nullptr, 0);
  if (section) {
    HDC target = CreateCompatibleDC(memory);
    HGDIOBJ held = SelectObject(target, section);
    BitBlt(target, 0, 0, description.bmWidth, description.bmHeight, memory, 0, 0, SRCCOPY);
    SelectObject(target, held);
    DeleteDC(target);
  }
  SelectObject(memory, previous);
  DeleteDC(memory);
  DeleteObject(loaded);
  return section;
}
