// One description per pixel format of a DIB row: how many bits a pixel
// takes, where each colour channel sits in a direct-colour pixel, and how a
// pixel is read from or written into a row.
//
// Row layouts: 1 bpp puts the leftmost pixel in the most significant bit,
// 4 bpp the even pixel in the high nibble, 8 bpp one byte (all three are
// colour-table indexes); 16 bpp is a little-endian word, 24 bpp the bytes
// blue, green, red, 32 bpp a little-endian word whose channels the masks
// place (the byte left over is alpha). The blits and the drawing surface
// read and write pixels only through these.
#pragma once

#include "platform/Export.h"
#include "platform/GdiTypes.h"
#include "platform/WinTypes.h"

#include <bit>

namespace platform {

// One colour channel of a direct-colour pixel: its mask, the position of
// its lowest bit and its width in bits.
struct ChannelField {
  uint32_t mask = 0;
  uint8_t shift = 0;
  uint8_t bits = 0;

  static constexpr ChannelField fromMask(uint32_t mask) {
    if (mask == 0) return {};
    const auto shift = static_cast<uint8_t>(std::countr_zero(mask));
    return {mask, shift, static_cast<uint8_t>(std::bit_width(mask >> shift))};
  }
  // The channel's field as an 8-bit value: narrower fields are shifted up
  // (5 bits → << 3, 6 bits → << 2), wider ones down.
  constexpr uint8_t toByte(uint32_t pixel) const {
    const uint32_t field = (pixel & mask) >> shift;
    if (bits >= 8) return static_cast<uint8_t>(field >> (bits - 8));
    return static_cast<uint8_t>(field << (8 - bits));
  }
  // An 8-bit value placed in the channel's field (its top bits kept).
  constexpr uint32_t fromByte(uint8_t value) const {
    if (bits == 0) return 0;
    const uint32_t field = bits >= 8 ? uint32_t{value} << (bits - 8) : uint32_t{value} >> (8 - bits);
    return (field << shift) & mask;
  }
};

struct PixelFormat {
  int bitsPerPixel = 0;  // 1, 4, 8, 16, 24 or 32
  ChannelField red;      // direct-colour formats only
  ChannelField green;
  ChannelField blue;

  constexpr bool isIndexed() const { return bitsPerPixel <= 8; }

  // The format of a DIB of this depth with these masks; masks of 0 at 16
  // and 32 bpp take the defaults (5-5-5 and 8-8-8), and 24 bpp always has
  // blue in the low byte.
  static constexpr PixelFormat of(int bitsPerPixel, uint32_t redMask = 0, uint32_t greenMask = 0,
                                  uint32_t blueMask = 0) {
    PixelFormat format;
    format.bitsPerPixel = bitsPerPixel;
    if (bitsPerPixel <= 8) return format;
    if (bitsPerPixel == 24 || (redMask | greenMask | blueMask) == 0) {
      redMask = bitsPerPixel == 16 ? 0x7C00 : 0x00FF0000;
      greenMask = bitsPerPixel == 16 ? 0x03E0 : 0x0000FF00;
      blueMask = bitsPerPixel == 16 ? 0x001F : 0x000000FF;
    }
    format.red = ChannelField::fromMask(redMask);
    format.green = ChannelField::fromMask(greenMask);
    format.blue = ChannelField::fromMask(blueMask);
    return format;
  }

  // A direct-colour pixel as a COLORREF (red in the low byte).
  constexpr COLORREF toColor(uint32_t pixel) const {
    return RGB(red.toByte(pixel), green.toByte(pixel), blue.toByte(pixel));
  }
  // A COLORREF as a direct-colour pixel; bits outside the masks are 0.
  constexpr uint32_t fromColor(COLORREF color) const {
    return red.fromByte(GetRValue(color)) | green.fromByte(GetGValue(color)) | blue.fromByte(GetBValue(color));
  }
};

// The pixel at column x of a row: an index at 1-8 bpp, the raw word above.
inline uint32_t readPixel(const BYTE* row, int x, int bitsPerPixel) {
  switch (bitsPerPixel) {
    case 1: return (row[x >> 3] >> (7 - (x & 7))) & 1u;
    case 4: return (x & 1) ? row[x >> 1] & 0x0Fu : row[x >> 1] >> 4;
    case 8: return row[x];
    case 16: {
      const BYTE* p = row + 2 * x;
      return p[0] | (uint32_t{p[1]} << 8);
    }
    case 24: {
      const BYTE* p = row + 3 * x;
      return p[0] | (uint32_t{p[1]} << 8) | (uint32_t{p[2]} << 16);
    }
    case 32: {
      const BYTE* p = row + 4 * x;
      return p[0] | (uint32_t{p[1]} << 8) | (uint32_t{p[2]} << 16) | (uint32_t{p[3]} << 24);
    }
  }
  return 0;
}

// Writes the pixel at column x; bits of `pixel` beyond the depth are dropped.
inline void writePixel(BYTE* row, int x, int bitsPerPixel, uint32_t pixel) {
  switch (bitsPerPixel) {
    case 1: {
      const auto bit = static_cast<BYTE>(0x80u >> (x & 7));
      row[x >> 3] = static_cast<BYTE>((pixel & 1u) ? row[x >> 3] | bit : row[x >> 3] & ~bit);
      return;
    }
    case 4: {
      BYTE& byte = row[x >> 1];
      byte = (x & 1) ? static_cast<BYTE>((byte & 0xF0) | (pixel & 0x0F))
                     : static_cast<BYTE>((byte & 0x0F) | ((pixel & 0x0F) << 4));
      return;
    }
    case 8: row[x] = static_cast<BYTE>(pixel); return;
    case 16:
      row[2 * x] = static_cast<BYTE>(pixel);
      row[2 * x + 1] = static_cast<BYTE>(pixel >> 8);
      return;
    case 24:
      row[3 * x] = static_cast<BYTE>(pixel);
      row[3 * x + 1] = static_cast<BYTE>(pixel >> 8);
      row[3 * x + 2] = static_cast<BYTE>(pixel >> 16);
      return;
    case 32:
      row[4 * x] = static_cast<BYTE>(pixel);
      row[4 * x + 1] = static_cast<BYTE>(pixel >> 8);
      row[4 * x + 2] = static_cast<BYTE>(pixel >> 16);
      row[4 * x + 3] = static_cast<BYTE>(pixel >> 24);
      return;
  }
}

}  // namespace platform
