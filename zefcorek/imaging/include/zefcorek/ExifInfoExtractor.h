// The Exif information extractor: reads a JPEG file's Exif data without
// decoding the picture, into a tagged value set.
//
// The result set (id 0) holds every entry of IFD0 and the IFDs chained
// after it, under their tag numbers; sub-set 1 the Exif IFD, 2 the GPS IFD,
// 3 (inside 1) the Interoperability IFD, and an empty sub-set 4 marks a
// FlashPix APP2 segment. Results: 0 done (an empty set for a JPEG without
// Exif data), 1 the first APP1 is not Exif data or an APP2 before it is not
// FlashPix, 2 malformed or unsupported data, 10 a null argument, 30 an
// object could not be made, or the file stream's failure.
#pragma once

#include "zefcorek/StdInterface.h"

struct ITaggedValSet;

namespace ExifIOLib {

struct ZEF_EXPORT IExifInfoExtractor : virtual IStdInterface {
  // *out gets a new set owned by the caller, or null on any failure.
  virtual ZRESULT Extract(const WCHAR* path, ITaggedValSet** out) = 0;
};

}  // namespace ExifIOLib
