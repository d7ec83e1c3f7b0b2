// Checks made on an image file's bytes before the image library decodes
// them: the size limit (kMaxImagePixels, read from the header alone) and the
// Targa data that the packaged library's decoder mishandles.
//
// The library reads most formats' headers alone; GIF, DDS and SGI headers
// are read here instead, and the formats sized neither way (IFF, MNG, WBMP,
// XBM, JPEG 2000, PICT) are not decoded at all.
//
// The library's Targa decoder (as packaged) goes wrong on data that a file
// of a few bytes can hold:
//   - Run-length data: it sizes its read cache as (bytes after the header,
//     its id text and colour map) / rows. When that is negative it frees the
//     bitmap and then goes on using it (the crash of a 22-byte file); when it
//     is smaller than one pixel it reads past the cache; and its guard
//     against packets that run past the last pixel ignores the padding of
//     rows, so such a packet writes past the bitmap.
//   - A version-2 footer: it reads the extension area and the postage stamp
//     wherever their offsets point, and copies the stamp's declared rows
//     from however many bytes were there.
// Such data is refused here; every well-formed file passes.
#pragma once

#include "FreeImageApi.h"

namespace zefcorek::imagelib {

// Whether the data at the handle's position may be decoded as `format`; the
// handle is left at that position.
bool mayDecode(FREE_IMAGE_FORMAT format, FreeImageIO& io, fi_handle handle);

}  // namespace zefcorek::imagelib
