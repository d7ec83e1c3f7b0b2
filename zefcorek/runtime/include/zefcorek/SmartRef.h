// SmrtRf::TSmartRef<T>: a holder of one interface pointer. It adds a
// reference when it takes a pointer and releases one when it drops it
// (when it takes another, is cleared or is destroyed), so an object lives
// at least as long as a holder holds it.
//
// An object that comes from the factory with its maker's reference is
// handed over with Adopt, which takes that reference instead of adding one:
// the holder's reference is then the object's only one.
#pragma once

#include <utility>

namespace SmrtRf {

template <class T>
class TSmartRef {
public:
  TSmartRef() noexcept = default;
  explicit TSmartRef(T* object) noexcept : object_(object) { addRef(); }
  TSmartRef(const TSmartRef& other) noexcept : object_(other.object_) { addRef(); }
  TSmartRef(TSmartRef&& other) noexcept : object_(std::exchange(other.object_, nullptr)) {}
  ~TSmartRef() { release(); }

  TSmartRef& operator=(const TSmartRef& other) noexcept {
    Assign(other.object_);
    return *this;
  }
  TSmartRef& operator=(TSmartRef&& other) noexcept {
    if (this != &other) {
      release();
      object_ = std::exchange(other.object_, nullptr);
    }
    return *this;
  }

  // Holds `object` (with a reference of its own) in place of what it held.
  void Assign(T* object) noexcept {
    if (object != nullptr) object->AddRef();  // first, in case it is the one held
    release();
    object_ = object;
  }
  // Holds `object` on the reference its caller owned; the caller gives it up.
  [[nodiscard]] static TSmartRef Adopt(T* object) noexcept {
    TSmartRef held;
    held.object_ = object;
    return held;
  }
  void Clear() noexcept {
    release();
    object_ = nullptr;
  }

  T* Get() const noexcept { return object_; }
  T* operator->() const noexcept { return object_; }
  explicit operator bool() const noexcept { return object_ != nullptr; }

private:
  void addRef() noexcept {
    if (object_ != nullptr) object_->AddRef();
  }
  void release() noexcept {
    if (object_ != nullptr) object_->Release();
  }

  T* object_ = nullptr;
};

}  // namespace SmrtRf
