// IFIOROMemMappingImp: the read-only view of a whole file that an input
// stream hands out. It owns the mapping handle and the view, and keeps the
// stream alive with one reference until it is released.
#include "StreamAdapters.h"

#include "platform/FileMapping.h"
#include "platform/Handles.h"

#include <array>
#include <cstring>
#include <new>

namespace {

constexpr uint32_t kUserValues = 64;

class IFIOROMemMappingImp final : public IStdInterfaceImp, public virtual IFIOROMemMapping {
public:
  IFIOROMemMappingImp(IFIOIStream* owner, HANDLE mapping) : owner_(owner), mapping_(mapping) { owner_->AddRef(); }
  ~IFIOROMemMappingImp() override {
    if (data_ != nullptr) UnmapViewOfFile(data_);
    if (mapping_ != nullptr) CloseHandle(mapping_);
    owner_->Release();
  }

  HRESULT QueryInterface(REFIID, void**) override { return ZR_NOTSUPPORTED; }

  ZRESULT GetData(const void** out) override {
    if (out == nullptr) return ZR_BADARG;
    *out = data_;
    return ZR_OK;
  }
  ZRESULT SetData(const void* data) override {
    data_ = data;
    return ZR_OK;
  }
  ZRESULT GetSize(uint32_t* out) override {
    if (out == nullptr) return ZR_BADARG;
    *out = size_;
    return ZR_OK;
  }
  ZRESULT SetSize(uint32_t size) override {
    size_ = size;
    return ZR_OK;
  }
  ZRESULT ReadAt(uint32_t offset, void* buffer, uint32_t count) override {
    if (buffer == nullptr || offset >= size_ || count > size_ - offset) return ZR_BADARG;
    if (data_ == nullptr) return ZR_FAILED;
    std::memcpy(buffer, static_cast<const unsigned char*>(data_) + offset, count);
    return ZR_OK;
  }
  ZRESULT GetUserValue(uint32_t index, uint32_t* out) override {
    if (index >= kUserValues || out == nullptr) return ZR_BADARG;
    *out = userValues_[index];
    return ZR_OK;
  }
  ZRESULT SetUserValue(uint32_t index, uint32_t value) override {
    if (index >= kUserValues) return ZR_BADARG;
    userValues_[index] = value;
    return ZR_OK;
  }

private:
  IFIOIStream* owner_;                              // one reference, released last
  HANDLE mapping_;                                  // owned; closed with the view
  const void* data_ = nullptr;                      // the mapped view, unmapped at the end
  uint32_t size_ = 0;                               // mapped bytes
  std::array<uint32_t, kUserValues> userValues_{};  // the caller's
};

}  // namespace

IFIOROMemMapping* zefcorek::makeROMemMapping(IFIOIStream* owner, HANDLE mapping, const void* data, uint32_t size) {
  auto* object = new (std::nothrow) IFIOROMemMappingImp(owner, mapping);
  if (object == nullptr) return nullptr;
  (void)object->SetData(data);
  (void)object->SetSize(size);
  return object;
}
