// The process-wide lookup tables of the drawing surface, fixed at compile
// time so that no thread ever sees one half built, and the pixel depths and
// colour masks a surface's DIB section can have.
#pragma once

#include <array>
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
// lifted slightly, so thin lines do not look starved. Written out, since not
// every compiler evaluates std::pow in a constant expression; the tests
// recompute it.
inline constexpr std::array<uint8_t, 256> CoverageGammaTable = {
    0,   1,   2,   3,   4,   5,   6,   8,   9,   10,  11,  12,  13,  14,  15,  16,  17,  18,  20,  21,  22,  23,
    24,  25,  26,  27,  28,  29,  30,  31,  32,  33,  34,  35,  36,  37,  38,  39,  41,  42,  43,  44,  45,  46,
    47,  48,  49,  50,  51,  52,  53,  54,  55,  56,  57,  58,  59,  60,  61,  62,  63,  64,  65,  66,  67,  68,
    69,  70,  71,  72,  73,  74,  75,  76,  77,  78,  79,  80,  81,  82,  83,  84,  85,  86,  87,  88,  89,  90,
    91,  92,  93,  94,  95,  96,  97,  98,  99,  100, 101, 102, 103, 104, 105, 106, 107, 108, 109, 110, 111, 112,
    113, 114, 115, 116, 117, 118, 119, 120, 121, 122, 123, 124, 125, 126, 127, 128, 129, 130, 131, 132, 133, 134,
    135, 136, 137, 138, 139, 140, 141, 142, 143, 144, 145, 146, 147, 148, 149, 150, 151, 152, 153, 154, 155, 156,
    157, 158, 159, 160, 161, 162, 163, 163, 164, 165, 166, 167, 168, 169, 170, 171, 172, 173, 174, 175, 176, 177,
    178, 179, 180, 181, 182, 183, 184, 185, 186, 187, 188, 189, 190, 191, 192, 193, 194, 195, 196, 197, 198, 199,
    200, 200, 201, 202, 203, 204, 205, 206, 207, 208, 209, 210, 211, 212, 213, 214, 215, 216, 217, 218, 219, 220,
    221, 222, 223, 224, 225, 226, 227, 228, 229, 229, 230, 231, 232, 233, 234, 235, 236, 237, 238, 239, 240, 241,
    242, 243, 244, 245, 246, 247, 248, 249, 250, 251, 252, 253, 254, 255,
};

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
