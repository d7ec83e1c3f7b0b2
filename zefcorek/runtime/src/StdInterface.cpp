// The shared base implementations of the interface object model: reference
// counting, identity, and the ownership tree of data objects.
#include "zefcorek/StdInterface.h"

// The destructors of the two interfaces anchor their vtables in this library.
IStdInterface::~IStdInterface() = default;
IStdDataInterface::~IStdDataInterface() = default;

// --- IStdInterfaceImp -------------------------------------------------------

IStdInterfaceImp::~IStdInterfaceImp() = default;

HRESULT IStdInterfaceImp::QueryInterface(REFIID iid, void** out) {
  if (out == nullptr) return ZR_BADARG;
  *out = nullptr;
  if (iid != IID_IUnknown) return ZR_NOINTERFACE;
  *out = static_cast<IUnknown*>(this);
  AddRef();
  return ZR_OK;
}

ULONG IStdInterfaceImp::AddRef() { return static_cast<ULONG>(++refCount_); }

ULONG IStdInterfaceImp::Release() {
  const LONG count = --refCount_;
  if (count == 0) delete this;
  return static_cast<ULONG>(count);
}

LONG IStdInterfaceImp::GetRefCount() { return refCount_; }

// With IStdInterface a virtual base there is exactly one IStdInterface part
// per object, whichever interface the caller came through.
IStdInterface* IStdInterfaceImp::CastToTopInterface() { return this; }

bool IStdInterfaceImp::SameInterface(IStdInterface* other) {
  if (other == nullptr) return false;
  return other->CastToTopInterface() == CastToTopInterface();
}

// --- IStdDataInterfaceImp ---------------------------------------------------

IStdDataInterfaceImp::~IStdDataInterfaceImp() = default;

HRESULT IStdDataInterfaceImp::QueryInterface(REFIID iid, void** out) {
  if (out == nullptr) return ZR_BADARG;
  *out = nullptr;
  if (iid == IID_IUnknown)
    *out = static_cast<IUnknown*>(this);
  else if (iid == IID_IStdDataInterface)
    *out = static_cast<IStdDataInterface*>(this);
  if (*out == nullptr) return ZR_NOINTERFACE;
  AddRef();
  return ZR_OK;
}

ULONG IStdDataInterfaceImp::Release() {
  const LONG count = --refCount_;
  // A count below zero can only come from a Release made while the object
  // detaches itself from its owner; it must not delete a second time.
  if (count > 0 || (flags_ & kDestroyingFlag) != 0) return static_cast<ULONG>(count);
  flags_ |= kDestroyingFlag;
  if (owner_ != nullptr) owner_->DetachChild(this);
  delete this;
  return 0;
}

bool IStdDataInterfaceImp::IsUnmodified() { return (flags_ & kModifiedFlag) == 0; }

ZRESULT IStdDataInterfaceImp::SetModified(bool modified) {
  if (!modified) {
    flags_ &= static_cast<uint8_t>(~kModifiedFlag);
    return ZR_OK;
  }
  flags_ |= kModifiedFlag;
  if (owner_ != nullptr) owner_->ChildModified(this);
  return ZR_OK;
}

ZRESULT IStdDataInterfaceImp::GetOwner(IStdDataInterface** out) {
  if (out == nullptr) return ZR_BADARG;
  *out = owner_;
  return ZR_OK;
}

ZRESULT IStdDataInterfaceImp::SetOwner(IStdDataInterface* owner) {
  owner_ = owner;
  return ZR_OK;
}

// The flag climbs one level per call: this object raises its own flag (which
// tells its owner in turn) and clears the child's, so in the end only the
// root of the tree reads as modified.
ZRESULT IStdDataInterfaceImp::ChildModified(IStdDataInterface* child) {
  if (child == nullptr) return ZR_BADARG;
  IStdDataInterface* childOwner = nullptr;
  if (const ZRESULT result = child->GetOwner(&childOwner); result != ZR_OK) return result;
  if (!SameInterface(childOwner)) return ZR_OK;
  if (IsUnmodified()) SetModified(true);
  child->SetModified(false);
  return ZR_OK;
}

ZRESULT IStdDataInterfaceImp::DetachChild(IStdDataInterface* child) {
  if (child == nullptr) return ZR_BADARG;
  IStdDataInterface* childOwner = nullptr;
  if (const ZRESULT result = child->GetOwner(&childOwner); result != ZR_OK) return result;
  if (!SameInterface(childOwner)) return ZR_BADARG;
  return child->SetOwner(nullptr);
}
