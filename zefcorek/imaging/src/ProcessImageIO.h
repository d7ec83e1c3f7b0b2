// The process-wide image I/O: one provider made at library start-up, and
// its expert, which the raster images and the PDF capture load through.
#pragma once

#include "zefcorek/ImgIO.h"

namespace zefcorek {

// The process-wide expert (no reference added), or null while image I/O is
// unavailable: before start-up, after shut-down, or when the provider
// could not initialise.
IImgIOExpert* processImageExpert();

}  // namespace zefcorek
