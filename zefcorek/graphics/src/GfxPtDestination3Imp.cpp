// IGfxPtDestination3Imp: a point sequence over a record list of
// tagT_POINT3D records.
#include "zefcorek/GfxPoints.h"

#include "zefcorek/ClassIds.h"
#include "zefcorek/ClassMakers.h"
#include "zefcorek/RecList.h"
#include "zefcorek/ZefCoreK.h"

#include <algorithm>
#include <new>

IGfxPtSource3::~IGfxPtSource3() = default;
IGfxPtDestination3::~IGfxPtDestination3() = default;

void* zefcorek::makeIGfxPtDestination3Imp(intptr_t) {
  return static_cast<IGfxPtDestination3*>(new (std::nothrow) IGfxPtDestination3Imp());
}

IGfxPtDestination3Imp::IGfxPtDestination3Imp() {
  void* made = nullptr;
  if (zefCoreKAllocIntf(&CLSID_IRecListImp, &made, 0) != S_OK || made == nullptr) return;
  points_ = static_cast<IRecList*>(made);
  if (points_->SetOption(0, sizeof(tagT_POINT3D)) != ZR_OK) {
    points_->Release();
    points_ = nullptr;
  }
}

IGfxPtDestination3Imp::~IGfxPtDestination3Imp() {
  if (points_ != nullptr) points_->Release();
}

HRESULT IGfxPtDestination3Imp::QueryInterface(REFIID, void**) { return ZR_NOTSUPPORTED; }

ZRESULT IGfxPtDestination3Imp::TestOptions(uint32_t bits) { return (options_ & bits) == bits ? ZR_OK : ZR_NO; }

ZRESULT IGfxPtDestination3Imp::ChangeOptions(uint32_t bits, bool on) {
  options_ = on ? options_ | bits : options_ & ~bits;
  return ZR_OK;
}

ZRESULT IGfxPtDestination3Imp::GetOptions(uint32_t* out) {
  if (out == nullptr) return ZR_BADARG;
  *out = options_;
  return ZR_OK;
}

ZRESULT IGfxPtDestination3Imp::SetOptions(uint32_t options) {
  options_ = options;
  return ZR_OK;
}

ZRESULT IGfxPtDestination3Imp::GetCount(uint32_t* out) {
  if (out == nullptr) return ZR_BADARG;
  *out = 0;
  return points_ != nullptr ? points_->GetCount(out) : ZR_OK;
}

bool IGfxPtDestination3Imp::resolve(uint32_t index, uint32_t* at) {
  uint32_t count = 0;
  GetCount(&count);
  if (count == 0) return false;
  if ((options_ & kGfxPtNoWrap) == 0) index %= count;
  *at = index;
  return index < count;
}

ZRESULT IGfxPtDestination3Imp::GetPoint(uint32_t index, tagT_POINT3D* out) {
  uint32_t at = 0;
  if (out == nullptr || !resolve(index, &at)) return ZR_BADARG;
  return points_->GetAt(at, out);
}

ZRESULT IGfxPtDestination3Imp::GetBounds(tagT_POINT3D* min, tagT_POINT3D* max) {
  if (min == nullptr || max == nullptr) return ZR_BADARG;
  *min = *max = tagT_POINT3D{0, 0, 0};
  uint32_t count = 0;
  GetCount(&count);
  for (uint32_t i = 0; i < count; ++i) {
    tagT_POINT3D p{};
    points_->GetAt(i, &p);
    if (i == 0) {
      *min = *max = p;
      continue;
    }
    *min = {std::min(min->x, p.x), std::min(min->y, p.y), std::min(min->z, p.z)};
    *max = {std::max(max->x, p.x), std::max(max->y, p.y), std::max(max->z, p.z)};
  }
  return ZR_OK;
}

ZRESULT IGfxPtDestination3Imp::CheckWritable() { return ZR_OK; }

// All new points are had before the count changes: a resize that fails
// leaves the sequence as it was.
ZRESULT IGfxPtDestination3Imp::SetCount(uint32_t count) {
  if (points_ == nullptr) return ZR_OUTOFMEMORY;
  uint32_t current = 0;
  points_->GetCount(&current);
  if (count < current) return points_->RemoveAt(count, 0xFFFFFFFF, /*release=*/false);
  for (uint32_t added = current; added < count; ++added) {
    if (points_->AddTail(nullptr, nullptr) != ZR_OK) {
      if (added > current) points_->RemoveAt(current, 0xFFFFFFFF, /*release=*/false);
      return ZR_OUTOFMEMORY;
    }
  }
  return ZR_OK;
}

ZRESULT IGfxPtDestination3Imp::SetPoint(uint32_t index, const tagT_POINT3D* point) {
  uint32_t at = 0;
  if (point == nullptr || !resolve(index, &at)) return ZR_BADARG;
  return points_->SetAt(at, point);
}

ZRESULT IGfxPtDestination3Imp::AddPoint(const tagT_POINT3D* point) {
  if (point == nullptr) return ZR_BADARG;
  if (points_ == nullptr) return ZR_OUTOFMEMORY;
  return points_->AddTail(point, nullptr);
}

ZRESULT IGfxPtDestination3Imp::Grow(uint32_t count) {
  if (CheckWritable() != ZR_OK) return ZR_FAILED;
  uint32_t current = 0;
  GetCount(&current);
  if (count > 0xFFFFFFFF - current) return ZR_OUTOFMEMORY;
  return SetCount(current + count);
}

ZRESULT IGfxPtDestination3Imp::CopyFrom(IGfxPtSource3* source) {
  if (source == nullptr) return ZR_BADARG;
  uint32_t count = 0;
  if (const ZRESULT result = source->GetCount(&count); result != ZR_OK) return result;
  if (const ZRESULT result = SetCount(count); result != ZR_OK) return result;
  for (uint32_t i = 0; i < count; ++i) {
    tagT_POINT3D p{};
    if (const ZRESULT result = source->GetPoint(i, &p); result != ZR_OK) return result;
    if (const ZRESULT result = SetPoint(i, &p); result != ZR_OK) return result;
  }
  uint32_t options = 0;
  source->GetOptions(&options);
  constexpr uint32_t kCopied = kGfxPtClosed | kGfxPtNoWrap;
  options_ = (options_ & ~kCopied) | (options & kCopied);
  return ZR_OK;
}
