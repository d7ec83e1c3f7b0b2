// The process-wide image I/O: one provider made at library start-up, and
// its expert, which the raster images and the PDF capture load through.
#pragma once

#include "zefcorek/ImgIO.h"

#include "platform/Export.h"

namespace zefcorek {

// The process-wide expert (no reference added), or null while image I/O is
// unavailable: before start-up, after shut-down, or when the provider
// could not initialise.
ZEF_EXPORT IImgIOExpert* processImageExpert();

// Puts another expert (null: none, as after a failed start-up) in place of
// the process-wide one for the life of a scope; tests only. No reference
// is taken or given.
class ZEF_EXPORT ScopedProcessImageExpert {
public:
  explicit ScopedProcessImageExpert(IImgIOExpert* replacement);
  ~ScopedProcessImageExpert();
  ScopedProcessImageExpert(const ScopedProcessImageExpert&) = delete;
  ScopedProcessImageExpert& operator=(const ScopedProcessImageExpert&) = delete;

private:
  IImgIOExpert* saved_;
};

}  // namespace zefcorek
