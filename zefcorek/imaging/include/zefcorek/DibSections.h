// DIB sections for host programs without the raster image machinery: a
// Windows bitmap file read into a new section, a bitmap resource turned
// into a section of a chosen depth, and the library's standard 256-colour
// table.
#pragma once

#include "platform/Export.h"
#include "platform/Gdi.h"
#include "platform/WinTypes.h"

// The standard colour table: the 10 fixed colours, the 6-level colour cube
// (levels 00, 2C, 56, 87, C0, FF) without black, cyan and silver, 23 greys
// and the 10 last fixed colours; 256 entries, read only.
ZEF_EXTERN_C const RGBQUAD* GetStdPalColors();

// A new DIB section holding the bitmap file (on the file mapping `section`
// at `offset` when one is given; *bits, when asked, gets its pixels). Null
// for a file that is not a bitmap this library can hold; a file holding
// fewer pixel bytes than the section leaves the rest zero.
ZEF_EXTERN_C HBITMAP LoadDIBSectionFromFile(const WCHAR* path, void** bits, HANDLE section, uint32_t offset);

// The bitmap resource copied into a new bottom-up DIB section of `bpp` bits
// (0: 24; 15 is stored as 16 with 5-5-5 masks) with the standard colour
// table. Null when the resource or the section cannot be had.
ZEF_EXTERN_C HBITMAP LoadDIBSectionFromRes(HINSTANCE module, LPCWSTR name, uint32_t bpp);
