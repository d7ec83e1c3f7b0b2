// Small BMP pictures built byte by byte for the bitmap loading tests: a
// bitmap resource (no file header) or a file, at any depth, with a test
// pattern of pixel values.
#pragma once

#include "platform/Gdi.h"
#include "platform/PixelFormat.h"

#include <cstring>
#include <string>
#include <vector>

namespace platform::testing {

struct BmpPicture {
  int width = 5;
  int height = 3;  // positive: rows stored bottom-up
  int bpp = 8;
  bool bitfields = false;

  uint32_t rowBytes() const { return platform::dibRowBytes(width, bpp); }
  uint32_t colors() const { return bpp <= 8 ? 1u << bpp : 0; }
  // The value of picture pixel (x, y), y from the top.
  uint32_t pixel(int x, int y) const {
    const uint32_t value = static_cast<uint32_t>(x * 7 + y * 13 + 1);
    return bpp >= 24 ? value * 0x010305u : value % (bpp == 16 ? 0x10000u : (1u << bpp));
  }
  // Header, masks or table, rows.
  std::vector<BYTE> resource() const {
    BITMAPINFOHEADER header{
        sizeof header, width, height, 1, static_cast<WORD>(bpp), bitfields ? BI_BITFIELDS : BI_RGB, 0, 0, 0, 0, 0};
    std::vector<BYTE> out(sizeof header);
    std::memcpy(out.data(), &header, sizeof header);
    if (bitfields) {
      const uint32_t masks[3] = {0xF800, 0x07E0, 0x001F};
      out.insert(out.end(), reinterpret_cast<const BYTE*>(masks), reinterpret_cast<const BYTE*>(masks) + 12);
    }
    for (uint32_t i = 0; i < colors(); ++i) {
      const BYTE entry[4] = {static_cast<BYTE>(i * 3), static_cast<BYTE>(i * 5), static_cast<BYTE>(i * 7), 0};
      out.insert(out.end(), entry, entry + 4);
    }
    const size_t start = out.size();
    out.resize(start + static_cast<size_t>(rowBytes()) * height);
    for (int y = 0; y < height; ++y)
      for (int x = 0; x < width; ++x)
        platform::writePixel(out.data() + start + static_cast<size_t>(height - 1 - y) * rowBytes(), x, bpp,
                             pixel(x, y));
    return out;
  }
  std::string file() const {
    const std::vector<BYTE> body = resource();
    const uint32_t offset = 14 + static_cast<uint32_t>(body.size() - static_cast<size_t>(rowBytes()) * height);
    const uint32_t size = 14 + static_cast<uint32_t>(body.size());
    std::string out = "BM";
    for (uint32_t value : {size, 0u, offset})
      for (int i = 0; i < 4; ++i) out += static_cast<char>((value >> (8 * i)) & 0xFF);
    out.append(reinterpret_cast<const char*>(body.data()), body.size());
    return out;
  }
};

}  // namespace platform::testing
