// The CAD colour index palette and the nearest index of a colour.
//
// Rows 0..11 and 250..256 are fixed by the system; rows 12..249 are the
// standard index's grid of 24 hues (every 15 degrees from red) in five
// shades (255, 165, 127, 76 and 38), each full colour followed by its
// half-saturated tint, as published in the AutoCAD Color Index table of the
// DXF reference (the same values as the default colour table that DXF
// readers such as ezdxf ship). Entries are platform colours 0x00BBGGRR.
#include "zefcorek/AcadColors.h"

#include <atomic>
#include <cstdint>
#include <initializer_list>

namespace {

constexpr uint32_t kPalette[257] = {
    0x000000, 0x0000FF, 0x00FFFF, 0x00FF00, 0xFFFF00, 0xFF0000, 0xFF00FF, 0xFFFFFF,  // 0
    0x808080, 0xC0C0C0, 0x0000FF, 0x7F7FFF, 0x0000A5, 0x5252A5, 0x00007F, 0x3F3F7F,  // 8
    0x00004C, 0x26264C, 0x000026, 0x131326, 0x003FFF, 0x7F9FFF, 0x0029A5, 0x5267A5,  // 16
    0x001F7F, 0x3F4F7F, 0x00134C, 0x262F4C, 0x000926, 0x131726, 0x007FFF, 0x7FBFFF,  // 24
    0x0052A5, 0x527CA5, 0x003F7F, 0x3F5F7F, 0x00264C, 0x26394C, 0x001326, 0x131C26,  // 32
    0x00BFFF, 0x7FDFFF, 0x007CA5, 0x5291A5, 0x005F7F, 0x3F6F7F, 0x00394C, 0x26424C,  // 40
    0x001C26, 0x132126, 0x00FFFF, 0x7FFFFF, 0x00A5A5, 0x52A5A5, 0x007F7F, 0x3F7F7F,  // 48
    0x004C4C, 0x264C4C, 0x002626, 0x132626, 0x00FFBF, 0x7FFFDF, 0x00A57C, 0x52A591,  // 56
    0x007F5F, 0x3F7F6F, 0x004C39, 0x264C42, 0x00261C, 0x132621, 0x00FF7F, 0x7FFFBF,  // 64
    0x00A552, 0x52A57C, 0x007F3F, 0x3F7F5F, 0x004C26, 0x264C39, 0x002613, 0x13261C,  // 72
    0x00FF3F, 0x7FFF9F, 0x00A529, 0x52A567, 0x007F1F, 0x3F7F4F, 0x004C13, 0x264C2F,  // 80
    0x002609, 0x132617, 0x00FF00, 0x7FFF7F, 0x00A500, 0x52A552, 0x007F00, 0x3F7F3F,  // 88
    0x004C00, 0x264C26, 0x002600, 0x132613, 0x3FFF00, 0x9FFF7F, 0x29A500, 0x67A552,  // 96
    0x1F7F00, 0x4F7F3F, 0x134C00, 0x2F4C26, 0x092600, 0x175813, 0x7FFF00, 0xBFFF7F,  // 104
    0x52A500, 0x7CA552, 0x3F7F00, 0x5F7F3F, 0x264C00, 0x394C26, 0x132600, 0x1C5813,  // 112
    0xBFFF00, 0xDFFF7F, 0x7CA500, 0x91A552, 0x5F7F00, 0x6F7F3F, 0x394C00, 0x424C26,  // 120
    0x1C2600, 0x585813, 0xFFFF00, 0xFFFF7F, 0xA5A500, 0xA5A552, 0x7F7F00, 0x7F7F3F,  // 128
    0x4C4C00, 0x4C4C26, 0x262600, 0x585813, 0xFFBF00, 0xFFDF7F, 0xA57C00, 0xA59152,  // 136
    0x7F5F00, 0x7F6F3F, 0x4C3900, 0x7E4226, 0x261C00, 0x585813, 0xFF7F00, 0xFFBF7F,  // 144
    0xA55200, 0xA57C52, 0x7F3F00, 0x7F5F3F, 0x4C2600, 0x7E3926, 0x261300, 0x581C13,  // 152
    0xFF3F00, 0xFF9F7F, 0xA52900, 0xA56752, 0x7F1F00, 0x7F4F3F, 0x4C1300, 0x7E2F26,  // 160
    0x260900, 0x581713, 0xFF0000, 0xFF7F7F, 0xA50000, 0xA55252, 0x7F0000, 0x7F3F3F,  // 168
    0x4C0000, 0x7E2626, 0x260000, 0x581313, 0xFF003F, 0xFF7F9F, 0xA50029, 0xA55267,  // 176
    0x7F001F, 0x7F3F4F, 0x4C0013, 0x7E262F, 0x260009, 0x581317, 0xFF007F, 0xFF7FBF,  // 184
    0xA50052, 0xA5527C, 0x7F003F, 0x7F3F5F, 0x4C0026, 0x7E2639, 0x260013, 0x58131C,  // 192
    0xFF00BF, 0xFF7FDF, 0xA5007C, 0xA55291, 0x7F005F, 0x7F3F6F, 0x4C0039, 0x4C2642,  // 200
    0x26001C, 0x581358, 0xFF00FF, 0xFF7FFF, 0xA500A5, 0xA552A5, 0x7F007F, 0x7F3F7F,  // 208
    0x4C004C, 0x4C264C, 0x260026, 0x581358, 0xBF00FF, 0xDF7FFF, 0x7C00A5, 0x9152A5,  // 216
    0x5F007F, 0x6F3F7F, 0x39004C, 0x42264C, 0x1C0026, 0x581358, 0x7F00FF, 0xBF7FFF,  // 224
    0x5200A5, 0x7C52A5, 0x3F007F, 0x5F3F7F, 0x26004C, 0x39264C, 0x130026, 0x1C1358,  // 232
    0x3F00FF, 0x9F7FFF, 0x2900A5, 0x6752A5, 0x1F007F, 0x4F3F7F, 0x13004C, 0x2F264C,  // 240
    0x090026, 0x171358, 0x333333, 0x5B5B5B, 0x848484, 0xADADAD, 0xD6D6D6, 0xFFFFFF,  // 248
    0x000000,                                                                        // 256

};

constexpr uint16_t kWhiteIndex = 7;
constexpr uint32_t kWhite = 0xFFFFFF;
constexpr uint32_t kBlack = 0x000000;
constexpr int32_t kFarthest = 0x7FFFFFF;

// The last question and its answer in one word, so that concurrent callers
// never pair one colour with another's index: the colour in the low 32
// bits, the index above them.
constexpr uint64_t pack(uint32_t color, uint16_t index) { return uint64_t(index) << 32 | color; }
std::atomic<uint64_t> gLastAnswer{pack(kWhite, kWhiteIndex)};

int32_t channel(uint32_t color, int shift) { return int32_t(color >> shift & 0xFF); }

int32_t distance2(uint32_t a, uint32_t b) {
  int32_t sum = 0;
  for (int shift : {0, 8, 16}) {
    const int32_t d = channel(a, shift) - channel(b, shift);
    sum += d * d;
  }
  return sum;
}

uint16_t searchNearest(uint32_t color) {
  if (color == kWhite || color == kBlack) return kWhiteIndex;
  uint16_t best = 0;
  int32_t bestDistance = kFarthest;
  for (uint16_t i = 1; i <= 255; ++i) {
    const int32_t d = distance2(color, kPalette[i]);
    if (d >= bestDistance) continue;
    best = i;
    bestDistance = d;
    if (d == 0) break;
  }
  return best;
}

}  // namespace

uint32_t MapACADColorToRGB(uint16_t index) { return index <= 256 ? kPalette[index] : kPalette[kWhiteIndex]; }

uint16_t FindNearestACADColor(uint32_t color) {
  const uint64_t last = gLastAnswer.load(std::memory_order_acquire);
  if (uint32_t(last) == color) return uint16_t(last >> 32);
  const uint16_t answer = searchNearest(color);
  gLastAnswer.store(pack(color, answer), std::memory_order_release);
  return answer;
}
