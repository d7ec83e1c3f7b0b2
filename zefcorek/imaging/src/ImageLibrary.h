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

}  // namespace zefcorek::imagelib
