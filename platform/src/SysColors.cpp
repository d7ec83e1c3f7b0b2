// The default system colour scheme.
#include "platform/SysColors.h"

#include <iterator>

namespace {

constexpr DWORD rgb(unsigned r, unsigned g, unsigned b) { return DWORD(r | g << 8 | b << 16); }

// The standard default colours of the window system's scheme, by index.
constexpr DWORD kSysColors[] = {
    rgb(200, 200, 200),  //  0 scroll bar
    rgb(0, 0, 0),        //  1 desktop background
    rgb(153, 180, 209),  //  2 active caption
    rgb(191, 205, 219),  //  3 inactive caption
    rgb(240, 240, 240),  //  4 menu
    rgb(255, 255, 255),  //  5 window
    rgb(100, 100, 100),  //  6 window frame
    rgb(0, 0, 0),        //  7 menu text
    rgb(0, 0, 0),        //  8 window text
    rgb(0, 0, 0),        //  9 caption text
    rgb(180, 180, 180),  // 10 active border
    rgb(244, 247, 252),  // 11 inactive border
    rgb(171, 171, 171),  // 12 application workspace
    rgb(0, 120, 215),    // 13 highlight
    rgb(255, 255, 255),  // 14 highlighted text
    rgb(240, 240, 240),  // 15 button face
    rgb(160, 160, 160),  // 16 button shadow
    rgb(109, 109, 109),  // 17 grey text
    rgb(0, 0, 0),        // 18 button text
    rgb(0, 0, 0),        // 19 inactive caption text
    rgb(255, 255, 255),  // 20 button highlight
    rgb(105, 105, 105),  // 21 3-D dark shadow
    rgb(227, 227, 227),  // 22 3-D light
    rgb(0, 0, 0),        // 23 tooltip text
    rgb(255, 255, 225),  // 24 tooltip background
    rgb(0, 0, 0),        // 25 (not used)
    rgb(0, 102, 204),    // 26 hot-tracked item
    rgb(185, 209, 234),  // 27 active caption gradient
    rgb(215, 228, 242),  // 28 inactive caption gradient
    rgb(0, 120, 215),    // 29 menu highlight
    rgb(240, 240, 240),  // 30 menu bar
};

}  // namespace

DWORD GetSysColor(int index) {
  if (index < 0 || index >= int(std::size(kSysColors))) return 0;
  return kSysColors[index];
}

uint32_t platform::ColorToRGB(uint32_t color) {
  if ((color & 0x80000000u) == 0) return color;
  return GetSysColor(int(color & 0xFF));
}
