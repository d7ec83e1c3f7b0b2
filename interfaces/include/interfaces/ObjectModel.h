// The interface object model shared by the core library and the drawing
// surface library.
//
// Every service object is reached through an abstract interface and counted
// by references. `IUnknown` is the three-operation root that a few
// interfaces sit on directly; `IStdInterface` adds the reference count query
// and object identity; `IStdDataInterface` adds a modified flag and an
// ownership tree of data objects. The operations of each interface are
// declared in the order of their table slots; never reorder them.
//
// These are declarations only: the implementations (IStdInterfaceImp and
// its kin) and the interfaces' destructors live in the core library, so a
// library that only calls through these interfaces links none of it. The
// one exception is the small reference-count template CountedUnknownImp,
// which each class built on it instantiates.
#pragma once

#include "platform/Export.h"
#include "platform/WinTypes.h"

#include <cstdint>

// Result codes of the library's own interfaces. The factory and interfaces
// that sit directly on IUnknown return HRESULT values instead.
using ZRESULT = int32_t;
inline constexpr ZRESULT ZR_OK = 0;             // success, yes
inline constexpr ZRESULT ZR_NO = 1;             // no, not found, not open, end
inline constexpr ZRESULT ZR_FAILED = 2;         // failed, closed, callback missing
inline constexpr ZRESULT ZR_TIMEOUT = 3;        // time-out
inline constexpr ZRESULT ZR_BADARG = 10;        // null pointer, index out of range
inline constexpr ZRESULT ZR_NOINTERFACE = 20;   // QueryInterface: not supported
inline constexpr ZRESULT ZR_NOTSUPPORTED = 21;  // operation not supported
inline constexpr ZRESULT ZR_OUTOFMEMORY = 30;   // out of memory, no list

// {00000000-0000-0000-C000-000000000046}
inline constexpr GUID IID_IUnknown = {0x00000000, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
// {8B4AF114-D304-4281-AFD0-FBB63AA6B4EB}
inline constexpr GUID IID_IStdDataInterface = {
    0x8B4AF114, 0xD304, 0x4281, {0xAF, 0xD0, 0xFB, 0xB6, 0x3A, 0xA6, 0xB4, 0xEB}};

// The platform's root interface. Objects are destroyed only by their own
// Release, never through an IUnknown pointer, so the destructor is protected.
struct ZEF_EXPORT IUnknown {
  // Stores the object's interface for `iid` in *out with a new reference.
  // Library objects answer with ZRESULT codes, IUnknown-only objects with
  // HRESULT values.
  virtual HRESULT QueryInterface(REFIID iid, void** out) = 0;
  // The new reference count.
  virtual ULONG AddRef() = 0;
  // The new reference count; the last Release destroys the object.
  virtual ULONG Release() = 0;

protected:
  ~IUnknown() = default;
};

// AddRef and Release of an object that sits on one interface with the
// IUnknown operations: a plain count that starts with the creator's one
// reference, the last Release deleting the object. One thread at a time, as
// for every such object. QueryInterface is the class's own, since the
// identifiers answered and the codes of a refusal differ from class to class.
// The interface's table slots keep their order; this adds only the count and
// a virtual destructor.
template <typename Interface>
class ZEF_EXPORT CountedUnknownImp : public Interface {
public:
  ULONG AddRef() override { return ++references_; }
  ULONG Release() override {
    const ULONG count = --references_;
    if (count == 0) delete this;
    return count;
  }

protected:
  CountedUnknownImp() = default;
  virtual ~CountedUnknownImp() = default;

private:
  ULONG references_ = 1;  // references held; the Release that reaches 0 deletes
};

struct ZEF_EXPORT IStdInterface : virtual IUnknown {
  virtual LONG GetRefCount() = 0;
  // A pointer that identifies the whole object: the same value through every
  // interface of one object.
  virtual IStdInterface* CastToTopInterface() = 0;
  // True when `other` is not null and is part of the same object.
  virtual bool SameInterface(IStdInterface* other) = 0;
  virtual ~IStdInterface();
};

// A data object in an ownership tree. The owner link is a plain pointer: the
// owner holds no reference to the child through it, and the child none to the
// owner. Marking an object modified tells its owner, which takes the flag
// over, so after any change only the root of the tree reads as modified.
struct ZEF_EXPORT IStdDataInterface : virtual IStdInterface {
  virtual bool IsUnmodified() = 0;
  // Sets or clears the modified flag; setting it tells the owner. Returns ZR_OK.
  virtual ZRESULT SetModified(bool modified) = 0;
  // *out = the owner (no reference added; may be null). ZR_BADARG for a null out.
  virtual ZRESULT GetOwner(IStdDataInterface** out) = 0;
  // Stores the owner pointer without checks or references. Returns ZR_OK.
  virtual ZRESULT SetOwner(IStdDataInterface* owner) = 0;
  // Called by a child whose flag was set: this object takes the flag over.
  // ZR_BADARG for a null child; ZR_OK (and nothing changes) for another owner's child.
  virtual ZRESULT ChildModified(IStdDataInterface* child) = 0;
  // Clears the owner link of one of this object's children; ZR_BADARG for a null
  // child or one owned by another object.
  virtual ZRESULT DetachChild(IStdDataInterface* child) = 0;
  ~IStdDataInterface() override;
};
