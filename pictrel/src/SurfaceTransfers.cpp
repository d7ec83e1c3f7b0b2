// Copies of pixels from this surface into another: plain copies between
// equal depths, colour-keyed copies at 15, 16 and 24 bpp, per-pixel alpha
// blends of 32-bpp surfaces onto 24 or 32 bpp, tiling and whole-surface
// transfers.
//
// The destination is reached only through its interface (its clip, size,
// depth and rows), the source through its own row table. Every box is cut
// to the destination's clip and its size, so no write leaves the
// destination's pixels whatever its clip says.
#include "SurfaceDrawing.h"

#include <algorithm>
#include <cstring>
#include <optional>
#include <utility>

namespace {

using Pictrel::SurfaceState;

// The bytes of a destination pixel that hold blue, green and red.
struct ChannelBytes {
  int blue = 0;
  int green = 1;
  int red = 2;
};

// One row of a transfer: where it reads and writes and how many pixels.
struct TransferRow {
  BYTE* destination;
  const BYTE* source;
  COLORREF key;
  int destinationX;
  int sourceX;
  int count;
  ChannelBytes channels{};
};

// A 32-bpp destination may order its channels otherwise than blue, green,
// red: its section's masks say where the blend writes each one. Masks that
// are not whole bytes, and destinations without a section, keep the order.
ChannelBytes destinationChannels(Pictrel::IDrawableDS* destination) {
  if (destination->GetBitsPerPixel() != 32) return {};
  const HBITMAP bitmap = destination->GetHBITMAP();
  DIBSECTION dib{};
  if (!bitmap || GetObjectW(bitmap, sizeof dib, &dib) != static_cast<int>(sizeof dib) ||
      dib.dsBmih.biCompression != BI_BITFIELDS)
    return {};
  auto byteOf = [](DWORD mask) {
    for (int byte = 0; byte < 4; ++byte)
      if (mask == DWORD{0xFF} << (8 * byte)) return byte;
    return -1;
  };
  const ChannelBytes found{byteOf(dib.dsBitfields[2]), byteOf(dib.dsBitfields[1]), byteOf(dib.dsBitfields[0])};
  const bool distinct = found.blue != found.green && found.green != found.red && found.blue != found.red;
  if (found.blue < 0 || found.green < 0 || found.red < 0 || !distinct) return {};
  return found;
}

// A 32-bpp source blended onto 24 or 32 bpp by its alpha (0 skips the
// pixel); with the key's bit 31 the source is its grey mean. The
// destination's alpha byte stays.
void blendRow(const SurfaceState& source, int destinationBpp, const TransferRow& row) {
  const int destinationBytes = destinationBpp / 8;
  const bool grey = (row.key & 0x80000000u) != 0;
  for (int i = 0; i < row.count; ++i) {
    const uint32_t s = platform::readPixel(row.source, row.sourceX + i, 32);
    const uint32_t alpha = s >> 24;
    if (alpha == 0) continue;
    uint32_t blue = (s >> source.blueShift) & 0xFF;
    uint32_t green = (s >> source.greenShift) & 0xFF;
    uint32_t red = (s >> source.redShift) & 0xFF;
    if (grey) blue = green = red = (blue + green + red) / 3;
    BYTE* d = row.destination + static_cast<size_t>(row.destinationX + i) * destinationBytes;
    const std::pair<int, uint32_t> channels[3] = {
        {row.channels.blue, blue}, {row.channels.green, green}, {row.channels.red, red}};
    for (const auto& [at, value] : channels) d[at] = static_cast<BYTE>((alpha * value + (255 - alpha) * d[at]) >> 8);
  }
}

// Copies the pixels that are not the key colour.
void keyedRow(SurfaceState& source, const TransferRow& row) {
  const int bpp = source.bitsPerPixel();
  const uint32_t key =
      bpp == 16
          ? Pictrel::colorToPixel(source, row.key)
          : (uint32_t{GetBValue(row.key)} | (uint32_t{GetGValue(row.key)} << 8) | (uint32_t{GetRValue(row.key)} << 16));
  for (int i = 0; i < row.count; ++i) {
    const uint32_t pixel = platform::readPixel(row.source, row.sourceX + i, bpp);
    if (pixel == key) continue;
    platform::writePixel(row.destination, row.destinationX + i, bpp, pixel);
  }
}

// The row routine of TransferTo by the source's depth; palette depths copy
// nothing.
void transferRow(SurfaceState& source, int destinationBpp, const TransferRow& row) {
  switch (source.bitsPerPixel()) {
    case 32: return blendRow(source, destinationBpp, row);
    case 16:
    case 24: return keyedRow(source, row);
    default: return;
  }
}

// The source rectangle normalised and cut to the surface; none when it
// lies wholly outside.
std::optional<tagT_IRECT2D> sourceArea(const SurfaceState& state, const tagT_IRECT2D* rect) {
  const tagT_IRECT2D whole{0, 0, state.width() - 1, state.height - 1};
  if (!rect) return whole;
  tagT_IRECT2D area{std::min(rect->left, rect->right), std::min(rect->top, rect->bottom),
                    std::max(rect->left, rect->right), std::max(rect->top, rect->bottom)};
  area = {std::max(area.left, 0), std::max(area.top, 0), std::min(area.right, whole.right),
          std::min(area.bottom, whole.bottom)};
  if (area.left > area.right || area.top > area.bottom) return std::nullopt;
  return area;
}

// The placement of a transfer: the destination box and the source corner
// that lands on its top left.
struct Placement {
  int x;
  int y;
  int sourceLeft;
  int sourceTop;
  int width;
  int height;
};

// The box at (x, y) of the source area's size cut to the destination's
// clip and size; the source corner moves along. None when nothing is left.
std::optional<Placement> place(Pictrel::IDrawableDS* destination, const tagT_IRECT2D& area, int x, int y) {
  tagT_IRECT2D clip{};
  destination->GetClipRect(&clip);
  const int64_t left = std::max<int64_t>({x, clip.left, 0});
  const int64_t top = std::max<int64_t>({y, clip.top, 0});
  const int64_t right =
      std::min<int64_t>({int64_t{x} + area.right - area.left, clip.right, int64_t{destination->GetWidth()} - 1});
  const int64_t bottom =
      std::min<int64_t>({int64_t{y} + area.bottom - area.top, clip.bottom, int64_t{destination->GetHeight()} - 1});
  if (left > right || top > bottom) return std::nullopt;
  return Placement{static_cast<int>(left),
                   static_cast<int>(top),
                   static_cast<int>(area.left + (left - x)),
                   static_cast<int>(area.top + (top - y)),
                   static_cast<int>(right - left + 1),
                   static_cast<int>(bottom - top + 1)};
}

}  // namespace

HRESULT Pictrel::IDrawableDSImp::CopyTo(IDrawableDS* destination, const tagT_IRECT2D* source, int x, int y) {
  if (!destination) return E_INVALIDARG;
  if (destination == static_cast<IDrawableDS*>(this) || !state_.hasPixels() ||
      destination->GetBitsPerPixel() != state_.bitsPerPixel())
    return E_FAIL;
  const auto area = sourceArea(state_, source);
  if (!area) return S_FALSE;
  const auto box = place(destination, *area, x, y);
  if (!box) return S_FALSE;
  const int bpp = state_.bitsPerPixel();
  for (int i = 0; i < box->height; ++i) {
    BYTE* target = destination->GetScanLine(box->y + i);
    const BYTE* from = state_.rows[static_cast<size_t>(box->sourceTop + i)];
    if (!target) continue;
    if (bpp >= 8) {
      // Whole bytes per pixel: one copy per row.
      const size_t bytes = static_cast<size_t>(bpp / 8);
      std::memmove(target + bytes * box->x, from + bytes * box->sourceLeft, bytes * box->width);
      continue;
    }
    for (int k = 0; k < box->width; ++k)
      platform::writePixel(target, box->x + k, bpp, platform::readPixel(from, box->sourceLeft + k, bpp));
  }
  return S_OK;
}

HRESULT Pictrel::IDrawableDSImp::TransferTo(IDrawableDS* destination, const tagT_IRECT2D* source, int x, int y,
                                            COLORREF key) {
  if (!destination) return E_INVALIDARG;
  if (destination == static_cast<IDrawableDS*>(this) || !state_.hasPixels()) return E_FAIL;
  const int bpp = state_.bitsPerPixel();
  const int destinationBpp = destination->GetBitsPerPixel();
  const bool depthsFit = bpp == 32 ? (destinationBpp == 24 || destinationBpp == 32) : destinationBpp == bpp;
  if (!depthsFit) return E_FAIL;
  const auto area = sourceArea(state_, source);
  if (!area) return S_FALSE;
  const auto box = place(destination, *area, x, y);
  if (!box) return S_FALSE;
  const ChannelBytes channels = destinationChannels(destination);
  for (int i = 0; i < box->height; ++i) {
    BYTE* target = destination->GetScanLine(box->y + i);
    if (!target) continue;
    transferRow(state_, destinationBpp,
                {target, state_.rows[static_cast<size_t>(box->sourceTop + i)], key, box->x, box->sourceLeft, box->width,
                 channels});
  }
  return S_OK;
}

HRESULT Pictrel::IDrawableDSImp::TileTo(IDrawableDS* destination, const tagT_IRECT2D* source,
                                        const tagT_IRECT2D* target, COLORREF key) {
  if (!destination) return E_INVALIDARG;
  tagT_IRECT2D saved{};
  destination->GetClipRect(&saved);
  const auto area = sourceArea(state_, source);
  if (!area || !state_.hasPixels()) return S_FALSE;
  tagT_IRECT2D box = target ? *target : tagT_IRECT2D{0, 0, destination->GetWidth() - 1, destination->GetHeight() - 1};
  box = {std::max(box.left, saved.left), std::max(box.top, saved.top), std::min(box.right, saved.right),
         std::min(box.bottom, saved.bottom)};
  if (box.left > box.right || box.top > box.bottom) return S_FALSE;
  destination->SetClipRect(&box);
  const int64_t stepX = int64_t{area->right} - area->left + 1;
  const int64_t stepY = int64_t{area->bottom} - area->top + 1;
  for (int64_t y = box.top; y <= box.bottom; y += stepY)
    for (int64_t x = box.left; x <= box.right; x += stepX)
      TransferTo(destination, &*area, static_cast<int>(x), static_cast<int>(y), key);
  destination->SetClipRect(&saved);
  return S_OK;
}

HRESULT Pictrel::IDrawableDSImp::TransferAllTo(IDrawableDS* destination, COLORREF key) {
  if (!destination || destination->GetBitsPerPixel() != state_.bitsPerPixel() ||
      destination->GetWidth() != state_.width() || destination->GetHeight() != state_.height)
    return E_INVALIDARG;
  // A 32-bpp surface transfers nothing here: blends need TransferTo.
  if (state_.bitsPerPixel() == 32) return S_OK;
  for (int y = state_.height - 1; y >= 0; --y) {
    BYTE* target = destination->GetScanLine(y);
    if (!target) continue;
    transferRow(state_, state_.bitsPerPixel(),
                {target, state_.rows[static_cast<size_t>(y)], key, 0, 0, state_.width()});
  }
  return S_OK;
}
