// The five image formats the library registers in its expert, with their
// handlers over the image library.
//
//   description                                 ids    extensions       save flags
//   "Windows Bitmap (*.bmp)"                    2      bmp              0
//   "JPEG/JFIF (*.jpg,*.jif,*.jpeg)"            5, 6   jpg jif jpeg     JPEG_QUALITYGOOD
//   "Tagged Image File Format (*.tif,*.tiff)"   4      tif tiff         TIFF_LZW
//   "Portable Network Graphics (*.png)"         14     png              6 (default deflate)
//   "Truevision Targa (*.tga)"                  7      tga              0
//
// The ids are the system's own; the image library's format numbers differ
// and stay inside the table. Every row loads and saves; only JPEG has a
// metadata handler.
#pragma once

#include "zefcorek/ImgIO.h"

#include "platform/Export.h"

namespace zefcorek {

inline constexpr int kLibraryFormatCount = 5;

// Row `index` (0..4, in the order above) ready to be added to an expert.
ZEF_EXPORT ImgFormatInfo libraryFormatRow(int index);

// Adds the five rows in the order above; the first failure is returned.
ZEF_EXPORT ZRESULT addLibraryFormats(IImgIOExpert* expert);

}  // namespace zefcorek
