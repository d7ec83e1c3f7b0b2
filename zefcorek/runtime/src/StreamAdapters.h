// Private to the library: the objects an open file stream hands out (a
// read-only view of the whole file, and COM stream adapters). They are made
// through these hooks, declared weak: until the objects are built, the hooks
// are null and the streams answer 30 (the object cannot be made).
#pragma once

#include "zefcorek/FileStreams.h"

namespace zefcorek {

// A mapping object over `owner` that owns `mapping` and shows `size` bytes
// at `data`; it holds a reference on the owner. Null when it cannot be made
// (the caller still owns the mapping handle and the view then).
__attribute__((weak, visibility("hidden"))) IFIOROMemMapping* makeROMemMapping(IFIOIStream* owner, HANDLE mapping,
                                                                               const void* data, uint32_t size);
// COM stream adapters over an input and an output stream; null when they
// cannot be made.
__attribute__((weak, visibility("hidden"))) IStream* makeCOMIStream(IFIOIStream* stream);
__attribute__((weak, visibility("hidden"))) IStream* makeCOMOStream(IFIOOStream* stream);

}  // namespace zefcorek
