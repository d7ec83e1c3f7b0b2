// The implementations of the interface object model (declared in
// interfaces/ObjectModel.h).
//
// An interface of the library derives *virtually* from `IStdInterface`, so an
// object that implements several interfaces holds one `IStdInterface` part.
// A concrete class derives from one of the base implementations below and
// virtually from its interfaces:
//
//   struct IPtrList : virtual IStdInterface { ... };
//   class IPtrListImp : public IStdInterfaceImp, public virtual IPtrList { ... };
//
// Reference counts are plain integers: an object is used by one thread at a
// time unless its own class says otherwise.
#pragma once

#include "interfaces/ObjectModel.h"

#include "platform/Export.h"
#include "platform/WinTypes.h"

#include <cstdint>

// Reference counting and identity for classes on IStdInterface. The count
// starts at 1: the creator owns the first reference.
class ZEF_EXPORT IStdInterfaceImp : public virtual IStdInterface {
public:
  IStdInterfaceImp() = default;
  IStdInterfaceImp(const IStdInterfaceImp&) = delete;
  IStdInterfaceImp& operator=(const IStdInterfaceImp&) = delete;

  // Answers only IID_IUnknown; ZR_BADARG for a null out, ZR_NOINTERFACE (*out
  // null) otherwise.
  HRESULT QueryInterface(REFIID iid, void** out) override;
  ULONG AddRef() override;
  ULONG Release() override;
  LONG GetRefCount() override;
  IStdInterface* CastToTopInterface() override;
  bool SameInterface(IStdInterface* other) override;
  ~IStdInterfaceImp() override;

protected:
  LONG refCount_ = 1;  // references held; the Release that reaches 0 deletes
};

// The base of data objects: reference counting as IStdInterfaceImp, plus the
// modified flag and the owner link.
class ZEF_EXPORT IStdDataInterfaceImp : public IStdInterfaceImp, public virtual IStdDataInterface {
public:
  IStdDataInterfaceImp() = default;

  // Answers IID_IUnknown and IID_IStdDataInterface.
  HRESULT QueryInterface(REFIID iid, void** out) override;
  // At 0 the object detaches itself from its owner before it is deleted.
  ULONG Release() override;

  bool IsUnmodified() override;
  ZRESULT SetModified(bool modified) override;
  ZRESULT GetOwner(IStdDataInterface** out) override;
  ZRESULT SetOwner(IStdDataInterface* owner) override;
  ZRESULT ChildModified(IStdDataInterface* child) override;
  ZRESULT DetachChild(IStdDataInterface* child) override;
  ~IStdDataInterfaceImp() override;

protected:
  static constexpr uint8_t kModifiedFlag = 0x01;
  // Set by the Release that reaches 0, so that a Release during the detach
  // from the owner cannot delete the object a second time.
  static constexpr uint8_t kDestroyingFlag = 0x02;

  uint8_t flags_ = 0;                   // kModifiedFlag | kDestroyingFlag
  IStdDataInterface* owner_ = nullptr;  // not counted; set by the owner
};
