// The GDI+ drawing stand-in: anti-aliased lines and ellipses drawn into the
// DIB section selected into a DC.
//
// Coordinates are pixel centres of the picture (row 0 at the top, whatever
// the DIB's row order). A Graphics made on a DC without a selected DIB
// section draws nothing and answers WrongState. The DC's clip region clips
// every figure. Only the smoothing mode's AntiAlias changes how figures are
// drawn; the others draw with hard edges.
#pragma once

#include "platform/Export.h"
#include "platform/GdiPlus.h"
#include "platform/WinTypes.h"

#include <memory>

namespace Gdiplus {

// 0xAARRGGBB.
using ARGB = DWORD;

enum class SmoothingMode : int {
  Default = 0,
  HighSpeed = 1,
  HighQuality = 2,
  None = 3,
  AntiAlias = 4,
};

class ZEF_EXPORT Pen {
public:
  explicit Pen(ARGB color, float width = 1.0f) : color_(color), width_(width) {}
  ARGB color() const { return color_; }
  float width() const { return width_; }

private:
  ARGB color_;
  float width_;
};

class ZEF_EXPORT SolidBrush {
public:
  explicit SolidBrush(ARGB color) : color_(color) {}
  ARGB color() const { return color_; }

private:
  ARGB color_;
};

class ZEF_EXPORT Graphics {
public:
  explicit Graphics(HDC dc);
  ~Graphics();
  Graphics(const Graphics&) = delete;
  Graphics& operator=(const Graphics&) = delete;

  Status GetLastStatus() const { return lastStatus_; }
  Status SetSmoothingMode(SmoothingMode mode);
  // A line between two pixel centres, as wide as the pen.
  Status DrawLineI(const Pen* pen, int x1, int y1, int x2, int y2);
  // The ellipse inscribed in the box at (x, y) of the size, outlined with
  // the pen / filled with the brush.
  Status DrawEllipseI(const Pen* pen, int x, int y, int width, int height);
  Status FillEllipseI(const SolidBrush* brush, int x, int y, int width, int height);

private:
  HDC dc_;
  SmoothingMode smoothing_ = SmoothingMode::Default;
  Status lastStatus_ = Status::Ok;
};

}  // namespace Gdiplus
