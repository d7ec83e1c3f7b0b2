// The library's expert: box-fitted loading.
#include "FIImgIOExpertImp.h"


namespace {
constexpr uint32_t kSmallestBox = 16;
}  // namespace

IFIImgIOExpertImp::IFIImgIOExpertImp() = default;

IFIImgIOExpertImp::~IFIImgIOExpertImp() = default;

IStdInterface* IFIImgIOExpertImp::CastToTopInterface() { return this; }

ZRESULT IFIImgIOExpertImp::LoadImage(const WCHAR* path, uint32_t maxWidth, uint32_t maxHeight,
                                     uint32_t /*reserved*/, IRasterImage** out) {
  if (path == nullptr || out == nullptr || maxWidth < kSmallestBox || maxHeight < kSmallestBox) {
    return ZR_BADARG;
  }
  *out = nullptr;
  ImgFileInfo info{};
  info.cbSize = sizeof info;
  if (const ZRESULT result = GetImageInfo(path, &info); result != ZR_OK) return result;
  // The fit is the graphics zoomer's (its zoom limits and its handling of an
  // empty size decide the scaled size), and a zoomer that cannot be made
  // answers 30. The zoomer is not part of this build yet, so no fit can be
  // made here.
  return ZR_OUTOFMEMORY;
}
