// The raster image's object model, fields and simple accessors. The pixel
// operations and the drawing are filled in beside it; until then their slots
// answer "not supported".
#include "RasterImageImp.h"

#include "zefcorek/ClassMakers.h"

#include "platform/MulDiv.h"
#include "pictrel/Pictrel.h"

#include "FreeImageApi.h"

#include <algorithm>
#include <cassert>
#include <climits>
#include <new>

namespace {
// The resolutions an image reports and accepts, in dots per inch.
constexpr int kMinDpi = 50;
constexpr int kMaxDpi = 9600;
}  // namespace

void* zefcorek::makeIFIRasterImageImp(intptr_t arg) {
  auto* image = new (std::nothrow) IFIRasterImageImp(reinterpret_cast<IImgIOExpert*>(arg), /*bitmap=*/nullptr);
  return static_cast<IFIRasterImage*>(image);
}

IRasterImage::~IRasterImage() = default;
IFIRasterImage::~IFIRasterImage() = default;

IFIRasterImageImp* zefcorek::rasterImageImpOf(IRasterImage* image) {
  if (image == nullptr) return nullptr;
  return dynamic_cast<IFIRasterImageImp*>(image->CastToTopInterface());
}

FIBITMAP* zefcorek::bitmapOf(IRasterImage* image) {
  IFIRasterImageImp* imp = rasterImageImpOf(image);
  FIBITMAP* bitmap = nullptr;
  if (imp != nullptr) (void)imp->GetBitmap(&bitmap);
  return bitmap;
}

IFIRasterImageImp::IFIRasterImageImp(IImgIOExpert* expert, FIBITMAP* bitmap) : expert_(expert), bitmap_(bitmap) {
  if (expert_ != nullptr) expert_->AddRef();
}

IFIRasterImageImp::~IFIRasterImageImp() {
  if (lockCount_ > 0) Unlock();
  Unload();
  if (expert_ != nullptr) expert_->Release();
}

HRESULT IFIRasterImageImp::QueryInterface(REFIID iid, void** out) {
  if (out == nullptr) return ZR_BADARG;
  *out = nullptr;
  if (iid == IID_IRasterImage) {
    *out = static_cast<IRasterImage*>(this);
  } else if (iid == IID_IFIRasterImage) {
    *out = static_cast<IFIRasterImage*>(this);
  } else {
    return IStdDataInterfaceImp::QueryInterface(iid, out);
  }
  AddRef();
  return ZR_OK;
}

// --- fields kept for the owner ---------------------------------------------

uint32_t IFIRasterImageImp::GetUserWord() { return userWord_; }

ZRESULT IFIRasterImageImp::SetUserWord(uint32_t word) {
  userWord_ = word;
  return ZR_OK;
}

ZRESULT IFIRasterImageImp::GetPercentage(uint32_t* out) {
  if (out == nullptr) return ZR_BADARG;
  *out = percentage_;
  return ZR_OK;
}

ZRESULT IFIRasterImageImp::SetPercentage(uint32_t percentage) {
  const uint32_t stored = std::min<uint32_t>(percentage, 100);
  if (stored != percentage_) {
    percentage_ = stored;
    SetModified(true);
  }
  return ZR_OK;
}

const WCHAR* IFIRasterImageImp::GetName() { return name_; }

ZRESULT IFIRasterImageImp::SetName(const WCHAR* name) {
  // A longer name keeps what fits before the terminator.
  uint32_t length = 0;
  if (name != nullptr) {
    while (length < kNameChars - 1 && name[length] != u'\0') ++length;
    std::copy(name, name + length, name_);
  }
  name_[length] = u'\0';
  return ZR_OK;
}

ZRESULT IFIRasterImageImp::GetAuxData() { return ZR_OK; }

ZRESULT IFIRasterImageImp::SetAuxData(uint32_t /*data*/) { return ZR_FAILED; }

ZRESULT IFIRasterImageImp::Lock() {
  if (bitmap_ == nullptr) return ZR_FAILED;
  ++lockCount_;
  return ZR_OK;
}

ZRESULT IFIRasterImageImp::Unlock() {
  if (bitmap_ == nullptr) return ZR_FAILED;
  --lockCount_;
  return ZR_OK;
}

int32_t IFIRasterImageImp::GetLockCount() { return lockCount_; }

// --- size, depth and resolution --------------------------------------------

ZRESULT IFIRasterImageImp::GetWidth(uint32_t* out) {
  if (out == nullptr) return ZR_BADARG;
  if (bitmap_ == nullptr) return ZR_FAILED;  // the output stays as it was
  *out = FreeImage_GetWidth(bitmap_);
  return ZR_OK;
}

ZRESULT IFIRasterImageImp::GetHeight(uint32_t* out) {
  if (out == nullptr) return ZR_BADARG;
  *out = 0;
  if (bitmap_ == nullptr) return ZR_FAILED;
  *out = FreeImage_GetHeight(bitmap_);
  return ZR_OK;
}

ZRESULT IFIRasterImageImp::GetSize(uint32_t* width, uint32_t* height) {
  if (width == nullptr || height == nullptr) return ZR_BADARG;
  *width = 0;
  *height = 0;
  if (bitmap_ == nullptr) return ZR_FAILED;
  *width = FreeImage_GetWidth(bitmap_);
  *height = FreeImage_GetHeight(bitmap_);
  return ZR_OK;
}

ZRESULT IFIRasterImageImp::GetBPP(uint32_t* out) {
  if (out == nullptr) return ZR_BADARG;
  *out = 0;
  if (bitmap_ == nullptr) return ZR_FAILED;
  *out = FreeImage_GetBPP(bitmap_);
  return ZR_OK;
}

ZRESULT IFIRasterImageImp::GetBitsSize(uint32_t* out) {
  if (out == nullptr) return ZR_BADARG;
  *out = 0;
  uint32_t width = 0, height = 0, bpp = 0;
  if (const ZRESULT result = GetSize(&width, &height); result != ZR_OK) return result;
  if (const ZRESULT result = GetBPP(&bpp); result != ZR_OK) return result;
  // In 64 bits: a size that does not fit the answer is a failure, not a
  // wrapped number.
  const uint64_t rowBytes = (uint64_t{width} * bpp + 31) / 32 * 4;
  const uint64_t total = rowBytes * height;
  if (total > UINT32_MAX) return ZR_FAILED;
  *out = static_cast<uint32_t>(total);
  return ZR_OK;
}

ZRESULT IFIRasterImageImp::getDpi(uint32_t* out, unsigned (*dotsPerMeter)(FIBITMAP*)) {
  if (out == nullptr) return ZR_BADARG;
  *out = 0;
  if (bitmap_ == nullptr) return ZR_FAILED;
  // A stored figure beyond int range is as good as the largest one.
  const int stored = static_cast<int>(std::min<unsigned>(dotsPerMeter(bitmap_), INT_MAX));
  *out = static_cast<uint32_t>(std::clamp<int>(MulDiv(stored, 254, 10000), kMinDpi, kMaxDpi));
  return ZR_OK;
}

ZRESULT IFIRasterImageImp::setDpi(uint32_t dpi, void (*setDotsPerMeter)(FIBITMAP*, unsigned)) {
  if (dpi < 1) return ZR_BADARG;
  if (bitmap_ == nullptr) return ZR_FAILED;
  const int clamped = static_cast<int>(std::clamp<uint32_t>(dpi, uint32_t{kMinDpi}, uint32_t{kMaxDpi}));
  setDotsPerMeter(bitmap_, static_cast<unsigned>(MulDiv(clamped, 10000, 254)));
  SetModified(true);
  return ZR_OK;
}

ZRESULT IFIRasterImageImp::GetDPIX(uint32_t* out) { return getDpi(out, FreeImage_GetDotsPerMeterX); }
ZRESULT IFIRasterImageImp::GetDPIY(uint32_t* out) { return getDpi(out, FreeImage_GetDotsPerMeterY); }
ZRESULT IFIRasterImageImp::SetDPIX(uint32_t dpi) { return setDpi(dpi, FreeImage_SetDotsPerMeterX); }
ZRESULT IFIRasterImageImp::SetDPIY(uint32_t dpi) { return setDpi(dpi, FreeImage_SetDotsPerMeterY); }

ZRESULT IFIRasterImageImp::GetRasterInfo(RasterImageInfo* out) {
  if (out == nullptr) return ZR_BADARG;
  *out = RasterImageInfo{};
  if (bitmap_ == nullptr) return ZR_FAILED;
  (void)GetSize(&out->Width, &out->Height);
  (void)GetBPP(&out->BitsPerPixel);
  (void)GetDPIX(&out->DpiX);
  (void)GetDPIY(&out->DpiY);
  return ZR_OK;
}

uint8_t* IFIRasterImageImp::GetBits() { return bitmap_ == nullptr ? nullptr : FreeImage_GetBits(bitmap_); }

// --- the bitmap -------------------------------------------------------------

ZRESULT IFIRasterImageImp::GetBitmap(FIBITMAP** out) {
  if (out == nullptr) return ZR_BADARG;
  *out = bitmap_;
  return ZR_OK;
}

ZRESULT IFIRasterImageImp::SetBitmap(FIBITMAP* bitmap) {
  if (bitmap == nullptr) return ZR_BADARG;
  bitmap_ = bitmap;
  return ZR_OK;
}

// The surface holds this image while attached; the image only links to the
// surface, and the surface clears that link whenever it lets the image go.
// So neither keeps the other alive in a cycle, and the link never dangles.
ZRESULT IFIRasterImageImp::GetDrawable(Pictrel::IDrawableDS** out) {
  if (out == nullptr) return ZR_BADARG;
  *out = nullptr;
  if (bitmap_ == nullptr) return ZR_FAILED;
  if (drawable_ != nullptr) {
    drawable_->AddRef();
    *out = drawable_;
    return ZR_OK;
  }
  void* made = nullptr;
  if (pctAllocIntf(&Pictrel::IID_IDrawableDS, &made) != S_OK || made == nullptr) return ZR_OUTOFMEMORY;
  auto* surface = static_cast<Pictrel::IDrawableDS*>(made);
  const auto forget = [](void* image) { static_cast<IFIRasterImageImp*>(image)->drawable_ = nullptr; };
  if (FAILED(surface->AttachImage(static_cast<IRasterImage*>(this))) ||
      pctNotifyImageRelease(surface, forget, this) != S_OK) {
    surface->Release();
    return ZR_OUTOFMEMORY;
  }
  drawable_ = surface;
  *out = surface;  // the factory's reference goes to the caller
  return ZR_OK;
}

void IFIRasterImageImp::dropDrawable() {
  // The surface lives on for its holders, without pixels; detaching clears
  // our link through the release notice.
  if (drawable_ != nullptr) drawable_->DetachImage();
  assert(drawable_ == nullptr);
}

ZRESULT IFIRasterImageImp::Unload() {
  dropDrawable();
  if (bitmap_ != nullptr) FreeImage_Unload(bitmap_);
  bitmap_ = nullptr;
  SetModified(true);
  return ZR_OK;
}

// --- outside this object's own state ---------------------------------------

ZRESULT IFIRasterImageImp::ApplyPolygon(uint32_t count, const void* points, uint32_t /*flags*/) {
  if (count < 3 || points == nullptr) return ZR_BADARG;
  if (bitmap_ == nullptr) return ZR_FAILED;
  return ZR_NOTSUPPORTED;
}

ZRESULT IFIRasterImageImp::GetExtendedInfo(uint32_t /*kind*/, void* out) {
  if (out == nullptr) return ZR_BADARG;
  if (bitmap_ == nullptr) return ZR_FAILED;
  return ZR_NOTSUPPORTED;
}
