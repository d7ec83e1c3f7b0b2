// The text engine behind GDI and GDI+ text: fonts found by fontconfig,
// glyphs from FreeType, lines laid out and drawn into a DIB section.
//
// The FreeType library and every face live in one engine object behind one
// lock; callers reach a face only inside withFace, so faces are never used
// from two threads at once and go away together with the library.
#pragma once

#include "GdiObjects.h"

#include "platform/Gdi.h"

#include <string>
#include <vector>

namespace platform::text {

// Pixel metrics of a face at a font's size.
struct FontMetrics {
  int ascent = 0;      // pixels above the baseline
  int descent = 0;     // pixels below it
  int emPixels = 0;    // the em height in pixels
  int unitsPerEm = 0;  // of the face's design
  int ascenderUnits = 0;
  int lineHeight() const { return ascent + descent; }
};

// One line of display text: its characters (prefixes already applied) and
// which of them are underlined.
struct TextLine {
  std::u16string text;
  std::vector<bool> underlined;
};

// Text split into lines by line feeds (and, with a positive wrap width,
// between words), with the '&' prefix rule applied when `usePrefix`.
struct LayoutRequest {
  std::u16string_view text;
  bool singleLine = false;
  bool usePrefix = true;
  bool expandTabs = false;
  int wrapWidth = 0;  // 0: no word breaks
};

struct Layout {
  FontMetrics metrics;
  std::vector<TextLine> lines;
  std::vector<int> widths;  // per line, in pixels
  int width() const;
  int height() const { return metrics.lineHeight() * static_cast<int>(lines.size()); }
};

// Measures (and breaks) the text with the font; false when no face can be
// had for it.
bool layOut(const LOGFONTW& font, const LayoutRequest& request, Layout& layout);

// What a line is drawn with.
struct Ink {
  COLORREF color = 0;
  bool antiAlias = true;  // palette bitmaps are always thresholded
};

// Draws one laid-out line with its left end at `x` and its top at `top`
// into the bitmap, inside `clip` (picture pixels, right and bottom
// exclusive).
void drawLine(const LOGFONTW& font, const TextLine& line, const FontMetrics& metrics, gdi::BitmapObject& bitmap,
              const RECT& clip, int x, int top, const Ink& ink);

// Fills a rectangle of the bitmap with a colour, inside `clip`.
void fillBox(gdi::BitmapObject& bitmap, const RECT& clip, const RECT& box, COLORREF color);

// The part of `rect` inside the bitmap and the DC's clip region.
RECT drawableArea(const gdi::DeviceContextObject& context, const gdi::BitmapObject& bitmap, const RECT* rect);

}  // namespace platform::text
