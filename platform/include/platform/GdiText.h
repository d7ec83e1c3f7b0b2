// GDI text: the DC's text colours and DrawTextW, drawn with FreeType glyphs
// of faces that fontconfig finds for a font object's description.
//
// A font object gets its face on first use: fontconfig matches the face
// name, weight (700 and more: bold) and italic flag to a font file; the
// LOGFONTW height gives the size (negative: the em height in pixels;
// positive: the cell height, ascent plus descent; 0: 16 pixels of cell) and
// a non-zero width the average character width, by a horizontal scale.
// Glyphs are anti-aliased and blended at 15-32 bpp, and at 1-8 bpp set to
// the palette entry nearest the text colour where they cover at least half
// a pixel.
#pragma once

#include "platform/Export.h"
#include "platform/Gdi.h"
#include "platform/GdiTypes.h"
#include "platform/WinTypes.h"

struct SIZE {
  LONG cx;
  LONG cy;
};
static_assert(sizeof(SIZE) == 8);

// Background modes.
inline constexpr int TRANSPARENT = 1;
inline constexpr int OPAQUE = 2;

// DrawTextW formats.
inline constexpr UINT DT_TOP = 0x0000;
inline constexpr UINT DT_LEFT = 0x0000;
inline constexpr UINT DT_CENTER = 0x0001;
inline constexpr UINT DT_RIGHT = 0x0002;
inline constexpr UINT DT_VCENTER = 0x0004;
inline constexpr UINT DT_BOTTOM = 0x0008;
inline constexpr UINT DT_WORDBREAK = 0x0010;
inline constexpr UINT DT_SINGLELINE = 0x0020;
inline constexpr UINT DT_EXPANDTABS = 0x0040;
inline constexpr UINT DT_NOCLIP = 0x0100;
inline constexpr UINT DT_CALCRECT = 0x0400;
inline constexpr UINT DT_NOPREFIX = 0x0800;

// The previous value; CLR_INVALID for a dead DC.
inline constexpr COLORREF CLR_INVALID = 0xFFFFFFFFu;
ZEF_EXTERN_C COLORREF SetTextColor(HDC dc, COLORREF color);
ZEF_EXTERN_C COLORREF SetBkColor(HDC dc, COLORREF color);
// The previous mode; 0 for a dead DC or a mode other than the two.
ZEF_EXTERN_C int SetBkMode(HDC dc, int mode);

// The text's width (the sum of its glyphs' advances) and the font's line
// height (ascent plus descent) with the DC's font. FALSE without a usable
// font; an empty text measures 0 wide.
ZEF_EXTERN_C BOOL GetTextExtentPoint32W(HDC dc, LPCWSTR text, int length, SIZE* size);

// Lays the text out in `rect` and draws it into the DC's DIB section, or
// with DT_CALCRECT only widens or narrows `rect` to the text's box. The
// prefix rule (unless DT_NOPREFIX): "&&" shows one '&', "&x" shows x
// underlined. Lines break at line feeds and, with DT_WORDBREAK, between
// words that would pass the rectangle's right edge; DT_SINGLELINE keeps one
// line, which DT_VCENTER and DT_BOTTOM place. Drawing stays inside the DC's
// clip region and, unless DT_NOCLIP, the rectangle. A length of −1 takes the
// text to its terminator. Answers the height of the text, 0 on failure.
ZEF_EXTERN_C int DrawTextW(HDC dc, LPCWSTR text, int length, RECT* rect, UINT format);

// 1 and the DC's clip region copied into `region`, or 0 when the DC has
// none; −1 for a dead handle.
ZEF_EXTERN_C int GetClipRgn(HDC dc, HRGN region);

namespace platform {

// Makes the next CreateFontIndirectW fail (once).
ZEF_EXPORT void failNextFontCreation();

}  // namespace platform
