// Loading and saving bitmaps with the image library, from files named in
// Windows form and through COM streams.
//
// The stream adapter is the library's I/O record whose handle is a COM
// IStream: read and write count a call as done only when the stream answers
// S_OK (a short read answering S_FALSE is a failure), seek passes the offset
// and origin (0 start, 1 current, 2 end) through, tell asks the stream for
// its position.
#pragma once

#include "platform/Export.h"
#include "platform/WinTypes.h"

#include "FreeImageApi.h"

struct IStream;

// Exported for the tests only.
namespace zefcorek::imagelib {

ZEF_EXPORT FreeImageIO comStreamIO();

// The content decides the format first, the extension only when the
// content is not recognised. Null for a null or empty path, an unknown or
// unreadable format, or a failed load.
ZEF_EXPORT FIBITMAP* LoadBitmapFile(const WCHAR* path);
ZEF_EXPORT FIBITMAP* LoadBitmapStream(IStream* stream);
ZEF_EXPORT bool SaveBitmapStream(FIBITMAP* bitmap, IStream* stream, FREE_IMAGE_FORMAT format, int flags);
ZEF_EXPORT bool SaveBitmapFile(FIBITMAP* bitmap, const WCHAR* path, FREE_IMAGE_FORMAT format, int flags);
// Loaded and rescaled (bicubic) to width x height; null when either fails.
ZEF_EXPORT FIBITMAP* LoadScaledBitmap(const WCHAR* path, int width, int height);

}  // namespace zefcorek::imagelib
