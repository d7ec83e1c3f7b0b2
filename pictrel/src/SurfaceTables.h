// The two process-wide lookup tables of the drawing surface, fixed at
// compile time so that no thread ever sees one half built.
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

}  // namespace Pictrel
