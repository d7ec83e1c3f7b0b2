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
#include "platform/Gdi.h"
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

struct RectF {
  float X = 0;
  float Y = 0;
  float Width = 0;
  float Height = 0;
};

// String format flags, hotkey prefixes and alignments (the system's values).
inline constexpr int StringFormatFlagsNoWrap = 0x1000;
inline constexpr int StringFormatFlagsNoClip = 0x4000;
enum class HotkeyPrefix : int { None = 0, Show = 1, Hide = 2 };
enum class StringAlignment : int { Near = 0, Center = 1, Far = 2 };

class ZEF_EXPORT StringFormat {
public:
  explicit StringFormat(int flags = 0) : flags_(flags) {}
  Status SetHotkeyPrefix(HotkeyPrefix prefix) {
    prefix_ = prefix;
    return Status::Ok;
  }
  Status SetAlignment(StringAlignment alignment) {
    alignment_ = alignment;
    return Status::Ok;
  }
  int flags() const { return flags_; }
  HotkeyPrefix prefix() const { return prefix_; }
  StringAlignment alignment() const { return alignment_; }

private:
  int flags_;
  HotkeyPrefix prefix_ = HotkeyPrefix::None;
  StringAlignment alignment_ = StringAlignment::Near;
};

// A font family's design metrics, in font units.
class ZEF_EXPORT FontFamily {
public:
  uint16_t GetCellAscent(int style) const;
  uint16_t GetEmHeight(int style) const;

private:
  friend class Font;
  uint16_t cellAscent_ = 0;
  uint16_t emHeight_ = 0;
};

struct FontDescription;

// A GDI+ font made from a GDI font description (the DC's selected font, or
// the LOGFONTA given). GetSize answers the em height in points at 96 dots
// per inch, so size / em height × cell ascent × dpi / 72 is the ascent in
// pixels.
class ZEF_EXPORT Font {
public:
  Font(HDC dc, const LOGFONTA* font);
  explicit Font(HDC dc);
  ~Font();
  Font(const Font&) = delete;
  Font& operator=(const Font&) = delete;

  Status GetLastStatus() const { return lastStatus_; }
  float GetSize() const;
  Status GetFamily(FontFamily* family) const;
  const FontDescription* description() const { return description_.get(); }

private:
  std::unique_ptr<FontDescription> description_;
  Status lastStatus_ = Status::Ok;
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
  // The box of the text laid out from the layout rectangle's corner: the
  // widest line's advance width and the lines' height (ascent plus descent
  // each), without the padding the system adds. Lines wrap at the layout
  // width unless it is 0 or the format says NoWrap.
  Status MeasureString(const WCHAR* text, int length, const Font* font, const RectF& layout, const StringFormat* format,
                       RectF* box) const;
  // Draws the text in the layout rectangle, each line aligned by the
  // format, clipped to the rectangle (unless NoClip or it is empty) and the
  // DC's clip region.
  Status DrawString(const WCHAR* text, int length, const Font* font, const RectF& layout, const StringFormat* format,
                    const SolidBrush* brush);
  float GetDpiY() const { return 96.0f; }

private:
  HDC dc_;
  SmoothingMode smoothing_ = SmoothingMode::Default;
  Status lastStatus_ = Status::Ok;
};

}  // namespace Gdiplus
