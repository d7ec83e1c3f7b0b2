// The life cycle of a drawing surface: construction and reference counting,
// the pixel sources it can take (a new DIB section, an adopted HBITMAP),
// Destroy, and the slots that describe the pixels.
#include "DrawableSurface.h"
#include "SurfaceTables.h"

#include "platform/GdiPlus.h"
#include "platform/MulDiv.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <new>
#include <utility>

namespace {

// Screen resolution written into every new bitmap header, in pixels per
// metre (96 dots per inch).
const LONG kPixelsPerMetre = MulDiv(96, 10000, 254);

int screenBitsPerPixel() {
  HDC screen = ::GetDC(nullptr);
  const int bpp = GetDeviceCaps(screen, BITSPIXEL);
  ::ReleaseDC(nullptr, screen);
  return bpp;
}

void writeGreyRamp(RGBQUAD* colors, int bpp) {
  const int last = (1 << bpp) - 1;
  for (int i = 0; i <= last; ++i) {
    const auto level = static_cast<BYTE>(MulDiv(i, 255, last));
    colors[i] = {level, level, level, 0};
  }
}

HFONT createDefaultFont() {
  LOGFONTW description{};
  description.lfHeight = -11;
  description.lfWeight = FW_NORMAL;
  constexpr char16_t kFace[] = u"Tahoma";
  std::copy(std::begin(kFace), std::end(kFace), description.lfFaceName);
  return CreateFontIndirectW(&description);
}

}  // namespace

Pictrel::IDrawableDSImp::IDrawableDSImp() {
  Gdiplus::GdiplusStartupInput input;
  if (GdiplusStartup(&state_.gdiplusToken, &input, nullptr) != Gdiplus::Status::Ok) state_.gdiplusToken = 0;
  InitializeCriticalSection(&state_.lock);
  clearRoutines();
}

Pictrel::IDrawableDSImp::~IDrawableDSImp() {
  Destroy();
  state_.clipStack.clear();
  if (state_.gdiplusToken != 0) GdiplusShutdown(state_.gdiplusToken);
  DeleteCriticalSection(&state_.lock);
}

HRESULT Pictrel::IDrawableDSImp::QueryInterface(REFIID iid, void** out) {
  if (!out) return E_INVALIDARG;
  if (iid != IID_IDrawableDS) {
    *out = nullptr;
    return E_NOINTERFACE;
  }
  AddRef();
  *out = static_cast<IDrawableDS*>(this);
  return S_OK;
}

HRESULT Pictrel::IDrawableDSImp::Create(int width, int height, int bpp, const RGBQUAD* palette) {
  return CreateEx(width, height, bpp, 0, palette);
}

HRESULT Pictrel::IDrawableDSImp::CreateEx(int width, int height, int bpp, DWORD, const RGBQUAD* palette) {
  Destroy();
  // The most negative int has no magnitude; it is no more a size than 0.
  if (width == 0 || height == 0 || width == INT32_MIN || height == INT32_MIN) return E_INVALIDARG;
  width = std::abs(width);
  if (bpp == 0) bpp = screenBitsPerPixel();
  if (!Pictrel::isSurfaceDepth(bpp)) return E_INVALIDARG;

  auto info = std::make_unique<SurfaceBitmapInfo>();
  std::memset(info.get(), 0, sizeof *info);
  BITMAPINFOHEADER& header = info->header;
  header.biSize = sizeof(BITMAPINFOHEADER);
  header.biWidth = width;
  header.biHeight = height;
  header.biPlanes = 1;
  header.biBitCount = static_cast<WORD>(bpp == 15 ? 16 : bpp);
  header.biXPelsPerMeter = kPixelsPerMetre;
  header.biYPelsPerMeter = kPixelsPerMetre;
  if (bpp <= 8) {
    if (palette) {
      std::copy_n(palette, 1 << bpp, info->colors);
    } else {
      writeGreyRamp(info->colors, bpp);
    }
  } else if (bpp != 24) {
    header.biCompression = BI_BITFIELDS;
    const uint32_t* masks = bpp == 15 ? Pictrel::kMasks15 : bpp == 16 ? Pictrel::kMasks16 : Pictrel::kMasks32;
    std::copy_n(masks, 3, info->masks());
  }

  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(nullptr, info->asInfo(), DIB_RGB_COLORS, &bits, nullptr, 0);
  if (!bitmap) {
    Destroy();
    return E_OUTOFMEMORY;
  }
  state_.mode = SurfaceMode::OwnDib;
  state_.pixelOwner = bitmap;
  state_.info = std::move(info);
  state_.bits = static_cast<BYTE*>(bits);
  GetObjectW(bitmap, sizeof state_.dib, &state_.dib);
  state_.topDown = height < 0;
  state_.height = std::abs(height);
  selectIntoMemoryDC(bitmap, nullptr);
  if (!finishPixelSourceOrDestroy()) return E_OUTOFMEMORY;
  return S_OK;
}

HRESULT Pictrel::IDrawableDSImp::AttachDIB(HBITMAP bitmap, HDC dc) {
  if (bitmap != state_.pixelOwner) Destroy();
  if (!bitmap || bitmap == state_.pixelOwner) return S_OK;

  DIBSECTION dib{};
  if (GetObjectW(bitmap, sizeof dib, &dib) != static_cast<int>(sizeof dib) || !dib.dsBm.bmBits) return E_FAIL;
  auto info = std::make_unique<SurfaceBitmapInfo>();
  std::memset(info.get(), 0, sizeof *info);
  info->header = dib.dsBmih;
  info->header.biSize = sizeof(BITMAPINFOHEADER);
  const int bpp = dib.dsBm.bmBitsPixel;
  switch (bpp) {
    case 1:
    case 4:
    case 8: {
      HDC temporary = CreateCompatibleDC(dc);
      HGDIOBJ previous = SelectObject(temporary, bitmap);
      GetDIBColorTable(temporary, 0, 256, info->colors);
      if (previous) SelectObject(temporary, previous);
      DeleteDC(temporary);
      break;
    }
    case 16:
    case 32:
      if (dib.dsBmih.biCompression != BI_BITFIELDS) {
        // A section without masks holds 5-5-5 words at 16 bpp and x-8-8-8
        // words at 32; the masks say so from now on.
        const uint32_t* masks = bpp == 16 ? Pictrel::kMasks15 : Pictrel::kMasks32;
        std::copy_n(masks, 3, dib.dsBitfields);
        dib.dsBmih.biCompression = BI_BITFIELDS;
        info->header.biCompression = BI_BITFIELDS;
      }
      std::copy_n(dib.dsBitfields, 3, info->masks());
      break;
    case 24: break;
    default: return E_FAIL;
  }

  state_.mode = SurfaceMode::OwnDib;
  state_.pixelOwner = bitmap;
  state_.info = std::move(info);
  state_.dib = dib;
  state_.bits = static_cast<BYTE*>(dib.dsBm.bmBits);
  state_.topDown = dib.dsBmih.biHeight < 0;
  state_.height = dib.dsBm.bmHeight;
  selectIntoMemoryDC(bitmap, dc);
  if (!finishPixelSourceOrDestroy()) return E_OUTOFMEMORY;
  return S_OK;
}

bool Pictrel::IDrawableDSImp::selectIntoMemoryDC(HBITMAP bitmap, HDC compatibleWith) {
  state_.memoryDC = CreateCompatibleDC(compatibleWith);
  if (!state_.memoryDC) return false;
  state_.previousBitmap = SelectObject(state_.memoryDC, bitmap);
  state_.font = createDefaultFont();
  if (state_.font) state_.previousFont = SelectObject(state_.memoryDC, state_.font);
  return state_.previousBitmap != nullptr;
}

bool Pictrel::IDrawableDSImp::finishPixelSourceOrDestroy() {
  const int32_t rowBytes = state_.dib.dsBm.bmWidthBytes;
  state_.stride = state_.topDown ? rowBytes : -rowBytes;
  try {
    state_.rows.resize(static_cast<size_t>(state_.height));
  } catch (const std::bad_alloc&) {
    Destroy();
    return false;
  }
  for (int32_t i = 0; i < state_.height; ++i) {
    const int32_t stored = state_.topDown ? i : state_.height - 1 - i;
    state_.rows[static_cast<size_t>(i)] = state_.bits + static_cast<ptrdiff_t>(stored) * rowBytes;
  }
  computeChannelShifts();
  state_.nearestCache = {};
  SetClipRect(nullptr);
  installRoutines();
  return true;
}

void Pictrel::IDrawableDSImp::computeChannelShifts() {
  state_.redShift = state_.greenShift = state_.blueShift = 0;
  state_.greenHasSixBits = false;
  const int bpp = state_.bitsPerPixel();
  if (bpp != 16 && bpp != 32) return;
  const DWORD* masks = state_.dib.dsBitfields;
  auto shiftOf = [](DWORD mask) { return static_cast<uint8_t>(mask == 0 ? 0 : std::countr_zero(mask)); };
  state_.redShift = shiftOf(masks[0]);
  state_.greenShift = shiftOf(masks[1]);
  state_.blueShift = shiftOf(masks[2]);
  if (bpp == 16) state_.greenHasSixBits = (masks[1] >> state_.greenShift) > 0x1F;
}

HRESULT Pictrel::IDrawableDSImp::Destroy() {
  state_.clipStack.clear();
  switch (state_.mode) {
    case SurfaceMode::OwnDib:
      if (state_.memoryDC) {
        if (state_.previousBitmap) SelectObject(state_.memoryDC, state_.previousBitmap);
        if (state_.previousFont) SelectObject(state_.memoryDC, state_.previousFont);
        if (state_.lentClipRegion) SelectClipRgn(state_.memoryDC, nullptr);
      }
      if (state_.pixelOwner) DeleteObject(state_.pixelOwner);
      break;
    case SurfaceMode::AttachedImage:
      if (imageReleased_) {
        // Once only, and before the image can go with our reference.
        auto* released = std::exchange(imageReleased_, nullptr);
        released(std::exchange(imageReleasedContext_, nullptr));
      }
      releaseAttachedImage(state_.pixelOwner);
      break;
    case SurfaceMode::Empty: break;
  }
  state_.pixelOwner = nullptr;
  state_.topDown = false;
  state_.mode = SurfaceMode::Empty;
  if (state_.memoryDC) DeleteDC(state_.memoryDC);
  state_.memoryDC = nullptr;
  state_.previousBitmap = nullptr;
  if (state_.lentClipRegion) DeleteObject(state_.lentClipRegion);
  state_.lentClipRegion = nullptr;
  if (state_.font) DeleteObject(state_.font);
  state_.font = nullptr;
  state_.previousFont = nullptr;
  state_.info.reset();
  state_.rows.clear();
  state_.rows.shrink_to_fit();
  state_.bits = nullptr;
  state_.dib = {};
  state_.redShift = state_.greenShift = state_.blueShift = 0;
  state_.greenHasSixBits = false;
  state_.height = 0;
  state_.stride = 0;
  state_.nearestCache = {};
  clearRoutines();
  return S_OK;
}

bool Pictrel::IDrawableDSImp::IsBottomUp() { return state_.hasPixels() && !state_.topDown; }

HBITMAP Pictrel::IDrawableDSImp::GetHBITMAP() {
  if (state_.mode == SurfaceMode::AttachedImage) return nullptr;
  return static_cast<HBITMAP>(state_.pixelOwner);
}

HBITMAP Pictrel::IDrawableDSImp::DetachHBITMAP() {
  if (state_.mode == SurfaceMode::AttachedImage) return nullptr;
  auto* bitmap = static_cast<HBITMAP>(state_.pixelOwner);
  state_.pixelOwner = nullptr;  // Destroy leaves it to the caller
  Destroy();
  return bitmap;
}

int Pictrel::IDrawableDSImp::GetWidth() { return state_.hasPixels() ? state_.width() : 0; }

int Pictrel::IDrawableDSImp::GetHeight() { return state_.hasPixels() ? state_.height : 0; }

int Pictrel::IDrawableDSImp::GetBitsPerPixel() { return state_.hasPixels() ? state_.bitsPerPixel() : 0; }

BYTE* Pictrel::IDrawableDSImp::GetBits() { return state_.bits; }

BYTE* Pictrel::IDrawableDSImp::GetScanLine(int row) {
  if (row < 0 || row >= state_.height) return nullptr;
  return state_.rows[static_cast<size_t>(row)];
}

HRESULT Pictrel::IDrawableDSImp::Lock(bool wait) {
  if (wait) {
    EnterCriticalSection(&state_.lock);
    return S_OK;
  }
  return TryEnterCriticalSection(&state_.lock) ? S_OK : S_FALSE;
}

HRESULT Pictrel::IDrawableDSImp::Unlock() {
  LeaveCriticalSection(&state_.lock);
  return S_OK;
}

HRESULT Pictrel::IDrawableDSImp::Checksum(uint64_t* out) {
  if (!out) return E_INVALIDARG;
  uint64_t sum = 0;
  const auto rowBytes = static_cast<size_t>(state_.dib.dsBm.bmWidthBytes);
  for (const BYTE* row : state_.rows) {
    size_t offset = 0;
    for (; offset + 8 <= rowBytes; offset += 8) {
      uint64_t word = 0;
      std::memcpy(&word, row + offset, sizeof word);
      if constexpr (std::endian::native == std::endian::big) word = __builtin_bswap64(word);
      sum += word;
    }
    for (; offset < rowBytes; ++offset) sum += row[offset];
  }
  *out = sum;
  return S_OK;
}

HRESULT Pictrel::IDrawableDSImp::EnableAntiAlias(bool on) {
  if (state_.gdiplusToken == 0) return E_FAIL;
  state_.antiAliasCounter += on ? 1 : -1;
  return S_OK;
}

bool Pictrel::IDrawableDSImp::IsAntiAliasEnabled() { return state_.gdiplusToken != 0 && state_.antiAliasCounter > 0; }

void* Pictrel::IDrawableDSImp::GetImpData() { return &state_; }

HRESULT Pictrel::IDrawableDSImp::Reserved97(uintptr_t, uintptr_t) { return E_FAIL; }
HRESULT Pictrel::IDrawableDSImp::Reserved98() { return S_OK; }
HRESULT Pictrel::IDrawableDSImp::Reserved99() { return S_OK; }
HRESULT Pictrel::IDrawableDSImp::Reserved100() { return S_OK; }
