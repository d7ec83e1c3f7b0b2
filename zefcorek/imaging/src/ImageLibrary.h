// Our side of the image library: the one way a path reaches it, and the
// three entry points that the packaged library lacks.
//
// The packaged library's wide-path functions do nothing on Linux, so every
// call with a path takes the native path as UTF-8 through the narrow
// function. The missing entry points are ours and are named so that they
// can never clash with the library's own.
#pragma once

#include "platform/Export.h"
#include "platform/WinTypes.h"

#include <cstdint>
#include <optional>
#include <string>

struct FIBITMAP;

namespace zefcorek::imagelib {

// The native UTF-8 path for a path in Windows form; nullopt for a null or
// empty path or one that maps to no file name.
std::optional<std::string> nativePathOf(const WCHAR* path);

// Brackets palette changes. Nothing has to be held back here, so this only
// counts the nesting (PaletteUpdateDepth, for tests).
void BeginPaletteUpdate(FIBITMAP* bitmap);
void EndPaletteUpdate(FIBITMAP* bitmap);
int PaletteUpdateDepth();

// The DIB section that holds the bitmap's pixels: none for the packaged
// library's bitmaps. A test may install a function that supplies one.
HBITMAP DibSectionOf(FIBITMAP* bitmap);
using DibSectionHook = HBITMAP (*)(FIBITMAP* bitmap);
ZEF_EXPORT void SetDibSectionHook(DibSectionHook hook);

// The record of the parallelogram blit, 64 bytes (zeroed before it is
// filled):
//   e, f     the target DC's handle, e its low 32 bits, f its high 32 bits
//   x, y     the corners P0..P3 in the DC's pixels: P0 is where the source
//            rectangle's top-left corner lands, P1 its top-right, P3 its
//            bottom-left corner; P2, the fourth corner, follows from those
//            three and is not read
//   a, b, c, d  the source rectangle: left, top (rows counted from the top),
//            width and height in image pixels
//   flags    no flag is defined; 0
struct PlgBltParms {
  int32_t e;
  int32_t f;
  int32_t x[4];
  int32_t y[4];
  int32_t a, b, c, d;
  uint32_t flags;
  uint32_t zero;
};
static_assert(sizeof(PlgBltParms) == 64);

// Maps the source rectangle of `bitmap` onto the parallelogram: every DC
// pixel whose centre lies inside it (and inside the DC's clip and bitmap)
// takes the source pixel nearest to where the inverse affine map puts that
// centre. Answers 1 when it drew; 0 when e/f is no live DC with a bitmap,
// the rectangle is empty or not wholly inside the image, or the corners
// span no area.
int PlgBlt(FIBITMAP* bitmap, const PlgBltParms* parms);

}  // namespace zefcorek::imagelib
