// The process-wide lookup tables of the drawing surface, fixed at compile
// time so that no thread ever sees one half built, and the pixel depths and
// colour masks a surface's DIB section can have.
#pragma once

#include <array>
#include <cmath>
#include <cstdint>

namespace Pictrel {

// t[i] = i with its eight bits in reverse order; mirrors 1-bpp rows a byte
// at a time.
inline constexpr std::array<uint8_t, 256> BitReverseTable = [] {
  std::array<uint8_t, 256> table{};
  for (unsigned i = 0; i < 256; ++i) {
    unsigned reversed = 0;
    for (unsigned bit = 0; bit < 8; ++bit) reversed |= ((i >> bit) & 1u) << (7 - bit);
    table[i] = static_cast<uint8_t>(reversed);
  }
  return table;
}();

// t[i] = ⌊255 · (i / 255)^0.96⌋: the coverage of an anti-aliased edge pixel
// lifted slightly, so thin lines do not look starved. The compiler folds the
// power (g++ evaluates std::pow in constant expressions).
inline constexpr std::array<uint8_t, 256> CoverageGammaTable = [] {
  std::array<uint8_t, 256> table{};
  for (int i = 0; i < 256; ++i) table[i] = static_cast<uint8_t>(255.0 * std::pow(i / 255.0, 0.96));
  return table;
}();

// Colour masks of the BI_BITFIELDS sections: 5-5-5, 5-6-5 and 8-8-8.
inline constexpr uint32_t kMasks15[3] = {0x7C00, 0x03E0, 0x001F};
inline constexpr uint32_t kMasks16[3] = {0xF800, 0x07E0, 0x001F};
inline constexpr uint32_t kMasks32[3] = {0x00FF0000, 0x0000FF00, 0x000000FF};

// The depths a surface can have (15 is 16 bits with 5-5-5 masks).
constexpr bool isSurfaceDepth(int bpp) {
  switch (bpp) {
    case 1:
    case 4:
    case 8:
    case 15:
    case 16:
    case 24:
    case 32: return true;
    default: return false;
  }
}

}  // namespace Pictrel
