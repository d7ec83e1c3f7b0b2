// The library's expert: box-fitted loading.
#include "FIImgIOExpertImp.h"

#include "FactoryObject.h"
#include "ImageLibraryIO.h"
#include "RasterImageImp.h"
#include "zefcorek/ClassIds.h"
#include "zefcorek/GfxZoomer.h"
#include "zefcorek/ZefCoreK.h"

#include <new>

namespace {
constexpr uint32_t kSmallestBox = 16;
}  // namespace

IFIImgIOExpertImp::IFIImgIOExpertImp() = default;

IFIImgIOExpertImp::~IFIImgIOExpertImp() = default;

IStdInterface* IFIImgIOExpertImp::CastToTopInterface() { return this; }

ZRESULT IFIImgIOExpertImp::LoadImage(const WCHAR* path, uint32_t maxWidth, uint32_t maxHeight, uint32_t /*reserved*/,
                                     IRasterImage** out) {
  if (path == nullptr || out == nullptr || maxWidth < kSmallestBox || maxHeight < kSmallestBox) {
    return ZR_BADARG;
  }
  *out = nullptr;
  ImgFileInfo info{};
  info.cbSize = sizeof info;
  if (const ZRESULT result = GetImageInfo(path, &info); result != ZR_OK) return result;
  // The fit is the graphics zoomer's: its zoom limits and its handling of an
  // empty size decide the scaled size. Up as well as down, keeping the
  // aspect ratio.
  auto* zoomer = zefcorek::makeFactoryObject<IGfxZoomer>(CLSID_IGfxZoomerImp);
  if (zoomer == nullptr) return ZR_OUTOFMEMORY;
  (void)zoomer->SetDeviceSize(info.Width, info.Height);
  (void)zoomer->SetZoomAtPoint(maxWidth, maxHeight);
  double width = 0, height = 0;
  (void)zoomer->GetWorldSize(&width, &height);
  zoomer->Release();

  FIBITMAP* scaled = zefcorek::imagelib::LoadScaledBitmap(path, static_cast<int>(width), static_cast<int>(height));
  if (scaled == nullptr) return ZR_FAILED;
  auto* image = new (std::nothrow) IFIRasterImageImp(this, scaled);
  if (image == nullptr) {
    FreeImage_Unload(scaled);
    return ZR_OUTOFMEMORY;
  }
  *out = static_cast<IRasterImage*>(image);
  return ZR_OK;
}
