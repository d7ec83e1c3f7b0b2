// The plain geometry and colour types of the GDI interfaces: rectangles,
// points and COLORREF colour words. Layouts are the Windows ones (all
// fields 32-bit), as hosts hand these records in.
#pragma once

#include "platform/WinTypes.h"

struct RECT {
  LONG left;
  LONG top;
  LONG right;
  LONG bottom;
};
static_assert(sizeof(RECT) == 16);

struct POINT {
  LONG x;
  LONG y;
};
static_assert(sizeof(POINT) == 8);

// Red in the low byte, then green, then blue; the top byte is 0 for a plain
// colour.
using COLORREF = DWORD;

constexpr COLORREF RGB(BYTE red, BYTE green, BYTE blue) {
  return static_cast<COLORREF>(red) | (static_cast<COLORREF>(green) << 8) | (static_cast<COLORREF>(blue) << 16);
}
constexpr BYTE GetRValue(COLORREF color) { return static_cast<BYTE>(color); }
constexpr BYTE GetGValue(COLORREF color) { return static_cast<BYTE>(color >> 8); }
constexpr BYTE GetBValue(COLORREF color) { return static_cast<BYTE>(color >> 16); }
